#pragma once
// The channel between the copy of the program that runs and anyone who
// wants something of it: a second copy started later (come to the front,
// the synchronisation start or end, import a form file) and the setup
// library (close before the files are removed). Both ends find it by the
// rule here and speak the format here; nothing else spells either.
//
// Where. A folder private to the user:
//   $XDG_RUNTIME_DIR, when it is an absolute path naming a folder (not a
//   link) that the user owns and nobody else may enter;
//   else "<tmp>/tamberlock-<uid>" (<tmp> is $TMPDIR when absolute, else
//   /tmp), made owner-only when missing. A name there that is not such a
//   folder (another user may have made it first) is passed over for
//   "tamberlock-<uid>-1", "-2", ... so that every copy of ours settles on
//   the same folder and no other user can hold it.
// In it, for the instance name N ("qztbpro5.mtx"): "N.lock", the lock the
// running copy holds, and "N", the socket it listens on.
//
// What. One request per connection: one line of UTF-8 ending in LF.
//   front          come to the front with the dialog open above the window
//   3524           synchronisation start (posted to the main window)
//   3525           synchronisation end (posted to the main window)
//   close          end as on auto-close: dialogs closed, wallet written
//                  back, settings saved; the socket goes last
//   import PATH    come to the front and import the form file PATH
// PATH is the file system's bytes with "\" written "\\" and a line feed
// "\n". A line longer than kMaxRequestLine, or one not above, is not ours
// and is dropped.
//
// Who. Both ends ask the kernel for the other's user id (SO_PEERCRED) and
// talk only to their own user: a copy of another user must neither answer
// for ours (and make every start hand over and end) nor steer it.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tb::platform {

inline constexpr const char* kInstanceName = "qztbpro5.mtx";
// A request line with its path, at most.
inline constexpr size_t kMaxRequestLine = 8192;

// ---------------------------------------------------------------- where

struct InstanceChannelPaths {
  std::string folder;  // empty when no private folder could be had
  std::string lock;
  std::string socket;
};

// The user's private folder by the rule above (made when it is missing);
// empty when none can be had.
std::string PrivateRuntimeFolder();
// The same rule with its inputs given: the value of XDG_RUNTIME_DIR (null
// when unset), the temporary folder and the user.
std::string PrivateRuntimeFolderFrom(const char* runtimeDir, const std::string& tmpFolder, uid_t user);
// The lock and socket of the instance name in the private folder.
InstanceChannelPaths InstanceChannelPathsFor(std::string_view name = kInstanceName);

// ---------------------------------------------------------------- what

enum class InstanceRequestKind { Front, SyncStart, SyncEnd, Close, Import };

struct InstanceRequest {
  InstanceRequestKind kind = InstanceRequestKind::Front;
  std::string path;  // Import only
  bool operator==(const InstanceRequest&) const = default;
};

// The request's line, LF included; empty when it cannot be sent (an
// import without a path, or one too long for a line).
std::string EncodeInstanceRequest(const InstanceRequest& request);
// A line without its LF; nothing when it is not a request of ours.
std::optional<InstanceRequest> DecodeInstanceRequest(std::string_view line);

// ---------------------------------------------------------------- who

// The user id of the process at the other end of a connected local
// socket; nothing when the kernel does not say.
std::optional<uid_t> PeerUserId(int socketFd);
// Whether the peer runs as the user this process talks to (its own).
bool PeerIsOurUser(int socketFd);

// Makes this process talk only to the given user while it lives (tests:
// a real peer then counts as another user's).
class ScopedChannelUser {
 public:
  explicit ScopedChannelUser(uid_t user);
  ~ScopedChannelUser();
  ScopedChannelUser(const ScopedChannelUser&) = delete;
  ScopedChannelUser& operator=(const ScopedChannelUser&) = delete;

 private:
  bool hadPrevious_;
  uid_t previous_;
};

// ---------------------------------------------------------------- the sending end

enum class ChannelConnect {
  Connected,
  NoListener,   // nothing there, or nobody listening
  Busy,         // a listener whose queue of connections is full: try again
  ForeignPeer,  // the listener runs as another user: never talked to
  Failed,
};

// A connection to the running copy, for one request.
class InstanceConnection {
 public:
  InstanceConnection() = default;
  ~InstanceConnection();
  InstanceConnection(InstanceConnection&& other) noexcept;
  InstanceConnection& operator=(InstanceConnection&& other) noexcept;
  InstanceConnection(const InstanceConnection&) = delete;
  InstanceConnection& operator=(const InstanceConnection&) = delete;

  // Connects to the socket and checks who listens there.
  ChannelConnect Connect(const std::string& socketPath);
  bool IsConnected() const { return fd_ >= 0; }
  // Writes the request's line within timeoutMs and closes the connection.
  // True when all of it was handed to the kernel.
  bool Send(const InstanceRequest& request, int timeoutMs);
  void Close();

 private:
  int fd_ = -1;
};

// Connects and sends in one step.
ChannelConnect SendInstanceRequest(const std::string& socketPath, const InstanceRequest& request, int timeoutMs = 2000);

// Whether a copy of our user listens on the socket now.
bool InstanceListening(const std::string& socketPath);
// Waits until no copy listens on the socket any more (it ends by closing
// it); false when one still does after timeoutMs.
bool WaitUntilInstanceGone(const std::string& socketPath, int timeoutMs);

}  // namespace tb::platform
