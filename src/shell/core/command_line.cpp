#include "shell/core/command_line.h"

#include "platform/core/file.h"
#include "platform/core/text_convert.h"

namespace tb::shell {
namespace {

bool EndsWithNoCase(std::u16string_view text, std::u16string_view suffix) {
  if (text.size() < suffix.size()) return false;
  const auto tail = text.substr(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    if (tb::platform::ToLowerChar(tail[i]) != tb::platform::ToLowerChar(suffix[i])) return false;
  }
  return true;
}

bool MruWalletApplies(const Settings& settings, const FileExistsFn& exists) {
  return !settings.mru.empty() && settings.openLast != 0 && exists(settings.mru);
}

}  // namespace

ProgramArguments SplitProgramArguments(const std::vector<std::string>& args) {
  ProgramArguments out;
  std::string text;
  for (size_t i = 0; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--platform" && hasValue) {
      out.platform = args[++i];
      continue;
    }
    if (args[i] == "--close") {
      out.close = true;
      continue;
    }
    if (args[i] == "--screenshot" && hasValue) {
      out.screenshotDir = args[++i];
      continue;
    }
    if (!text.empty()) text += ' ';
    text += args[i];
  }
  out.commandText = tb::platform::FromUtf8(text);
  return out;
}

bool WalletFileExists(const std::u16string& path) {
  return !path.empty() && tb::platform::FileExists(tb::platform::ToUtf8(path));
}

int ParseCommandLine(StartupRequest& request, std::u16string_view commandLine, const Settings& settings,
                     const FileExistsFn& exists) {
  request = StartupRequest{};
  request.commandText = std::u16string(commandLine.substr(0, kMaxCommandText));
  std::u16string& text = request.commandText;
  if (text.empty()) {
    if (MruWalletApplies(settings, exists)) request.fileToOpen = settings.mru.substr(0, kMaxCommandText);
    return static_cast<int>(request.fileToOpen.size());
  }
  // A text of four characters or fewer is taken as it stands: it can be
  // neither a form file nor a keyword.
  if (text.size() > 4) {
    if (EndsWithNoCase(text, u".tbx")) {
      request.formFile = text;
      return -1;
    }
    if (EndsWithNoCase(text, u"SYNC_START")) {
      request.syncStart = true;
      text.clear();
    } else if (EndsWithNoCase(text, u"SYNC_END")) {
      request.syncEnd = true;
      text.clear();
    }
  }
  request.named = !text.empty();
  if (request.named) {
    if (exists(text)) {
      request.fileToOpen = text;
    } else {
      text.clear();
    }
  }
  return static_cast<int>(request.fileToOpen.size());
}

std::u16string StartWalletPath(const StartupRequest& request, const Settings& settings, const FileExistsFn& exists) {
  if (request.syncStart || request.syncEnd) return std::u16string();  // never starts the interface
  if (!request.named) {
    return MruWalletApplies(settings, exists) ? settings.mru : std::u16string();
  }
  return exists(request.commandText) ? request.commandText : std::u16string();
}

}  // namespace tb::shell
