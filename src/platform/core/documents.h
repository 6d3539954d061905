#pragma once
// Where the user's documents live, and the search for them.
//
// The documents folder is the desktop's documents folder (XDG_DOCUMENTS_DIR
// from the environment, else from user-dirs.dirs in the user's config
// folder, else ~/Documents). Storage cards are the folders named in the
// environment variable TB_STORAGE_CARDS, separated by colons; only those
// that exist count as present. Tests fix both with ScopedDocumentPlaces.
//
// The search walks a folder and its subfolders and reports the full paths
// of regular files with one of the wanted extensions. It is bounded (depth,
// folders read, files reported), skips hidden folders (a card's trash is
// one), reads every folder at most once so that symbolic-link loops end,
// and keeps names as the file system's bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tb::platform {

inline constexpr const char* kStorageCardsVariable = "TB_STORAGE_CARDS";

struct DocumentPlaces {
  std::string documents;                  // empty when the user has none
  std::vector<std::string> storageCards;  // in the order named
};

// The places in use: what the machine says, or the ones a
// ScopedDocumentPlaces fixes. Paths carry no trailing separator.
DocumentPlaces CurrentDocumentPlaces();

// Fixes the places while it lives (tests).
class ScopedDocumentPlaces {
 public:
  explicit ScopedDocumentPlaces(DocumentPlaces places);
  ~ScopedDocumentPlaces();
  ScopedDocumentPlaces(const ScopedDocumentPlaces&) = delete;
  ScopedDocumentPlaces& operator=(const ScopedDocumentPlaces&) = delete;

 private:
  bool hadPrevious_;
  DocumentPlaces previous_;
};

// The pieces CurrentDocumentPlaces is made of, open to tests.
// The documents folder from the environment's XDG_DOCUMENTS_DIR (null when
// unset), else from the text of user-dirs.dirs, else home/Documents. A
// value is "$HOME/..." or an absolute path; anything else is ignored.
std::string DocumentsFolderFrom(std::string_view home, const char* environmentValue, std::string_view userDirsText);
// The folders of a colon-separated list: absolute paths only, without
// trailing separators, each once. Whether they exist is not checked.
std::vector<std::string> ParseStorageCardList(std::string_view list);
// The folder on a card that goes by the documents folder's name
// ("/media/card" and "/home/u/Documents" give "/media/card/Documents").
std::string StorageCardDocumentsFolder(std::string_view card, std::string_view documents);

struct SearchLimits {
  int maxDepth = 8;          // folders below the starting one that are read
  size_t maxFolders = 4096;  // folders read in one search
  size_t maxFiles = 10000;   // paths reported by one search
};

// Regular files below root whose names end in "." and one of extensions
// (given without the dot, compared without regard to ASCII case). Files of
// a folder come before its subfolders, both in byte order of their names.
std::vector<std::string> FindFiles(const std::string& root, const std::vector<std::string>& extensions,
                                   const SearchLimits& limits = {});

// FindFiles over the documents folder, then over each storage card, for
// each extension in turn: every match of the first extension in every
// place, then every match of the second, and so on.
std::vector<std::string> FindDocuments(const std::vector<std::string>& extensions, const SearchLimits& limits = {});

// What is at a path, without opening it (a pipe or device would block).
enum class PathState {
  Missing,   // nothing there, not even a dangling link
  Present,   // something is there
  Unusable,  // the name cannot be looked at (too long, no permission, ...)
};
PathState ProbePath(const std::string& path);
bool IsRegularFile(const std::string& path);
// The current user may write the file.
bool IsWritable(const std::string& path);

// The same file found under two names has one identity.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
bool IdentityOf(const std::string& path, FileIdentity* out);

// Makes the folder (owner-only) when it is missing; true when a folder is
// there afterwards. Its parent must exist.
bool EnsureFolder(const std::string& path);

}  // namespace tb::platform
