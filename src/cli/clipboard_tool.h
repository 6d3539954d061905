#pragma once
// The desktop clipboard from the command line, through the usual tools:
// wl-copy and wl-paste under Wayland, xclip under X11. A value goes to the
// tool on its standard input, never in an argument (which every user of the
// machine could read); the tool is asked to mark it as a password manager's
// secret where it knows how.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/cipher/secure.h"

namespace tb::cli {

struct ClipboardTool {
  std::string name;                // "wl-copy" or "xclip", for messages
  std::vector<std::string> copy;   // reads the value from standard input
  std::vector<std::string> paste;  // writes the clipboard to standard output
  std::vector<std::string> clear;  // empties the clipboard (standard input empty)
  bool secretHint = false;         // copy marks the value as a secret
};

// The tool for this session: Wayland when WAYLAND_DISPLAY is set and
// wl-copy and wl-paste are on the PATH, else X11 when DISPLAY is set and
// xclip is. None, with the reason in *why, when there is no display or no
// tool for it.
std::optional<ClipboardTool> FindClipboardTool(std::string* why);

using Digest = std::array<uint8_t, 32>;
Digest DigestOf(const storage::SecureBytes& bytes);

// Hands the bytes to the tool. False when it could not be started or failed.
bool CopyToClipboard(const ClipboardTool& tool, const storage::SecureBytes& bytes);
// Whether the clipboard still holds the bytes with this digest (read
// through the tool, waiting a few seconds at most).
bool ClipboardHolds(const ClipboardTool& tool, const Digest& digest);
bool ClearClipboard(const ClipboardTool& tool);

// Leaves a process behind that clears the clipboard after the given
// seconds if it still holds the bytes with this digest, so that a secret
// does not stay there once it has been pasted. The process keeps only the
// digest. False when it could not be started.
bool ClearClipboardLater(const ClipboardTool& tool, const Digest& digest, unsigned seconds);

}  // namespace tb::cli
