// clip: a card's value onto the desktop clipboard, cleared again after a
// while if it is still there.
#include <algorithm>
#include <ostream>

#include "cli/clipboard_tool.h"
#include "cli/commands.h"
#include "cli/field_values.h"
#include "cli/item_paths.h"
#include "platform/core/registry.h"
#include "shell/core/settings.h"
#include "storage/forms/field_kinds.h"

namespace tb::cli {

namespace {

constexpr unsigned kMaxClearSeconds = 86400;

// The program's setting Clipboard.ClearSeconds (30 unless changed), read
// without writing anything.
unsigned ClearSecondsSetting(const CliEnvironment& env) {
  platform::Registry registry(env.registryPath.empty() ? platform::Registry::DefaultPath() : env.registryPath);
  shell::Settings settings;
  shell::LoadOptions options;
  options.writeRegistrations = false;
  settings.Load(registry, options);  // a missing or unreadable file keeps the defaults
  return std::min<unsigned>(settings.clipboardClearSeconds, kMaxClearSeconds);
}

bool ParseSeconds(const std::string& text, unsigned* seconds) {
  if (text.empty() || text.size() > 6) return false;
  unsigned v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + unsigned(c - '0');
  }
  if (v > kMaxClearSeconds) return false;
  *seconds = v;
  return true;
}

}  // namespace

int CmdClip(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  unsigned seconds = ClearSecondsSetting(s.env);
  if (const std::string* given = a.Value("--seconds"); given && !ParseSeconds(*given, &seconds))
    return s.Usage("--seconds takes a number from 0 (never clear) to 86400");
  // No clipboard, no password asked.
  std::string why;
  const std::optional<ClipboardTool> tool = FindClipboardTool(&why);
  if (!tool) return s.Fail("cannot copy to the clipboard: " + why + "; nothing was copied");

  storage::Wallet wallet;
  if (int rc = OpenWallet(s, walletArg, true, wallet); rc != kExitOk) return rc;
  int position = -1;
  if (int rc = ResolveOne(s, wallet, a.positional[1], &position); rc != kExitOk) return rc;
  if (!wallet.At(position)->IsCard()) return s.Fail(a.positional[1] + " is a folder, not a card");
  const std::string path = Printable(Utf8(PathOf(wallet, position)));
  storage::Card card;
  if (!wallet.LoadCard(wallet.At(position)->Id(), &card)) return s.Fail("cannot read the card " + a.positional[1]);
  wallet.Close();

  storage::Field* field = nullptr;
  if (a.positional.size() > 2) {
    if (int rc = FindFieldByLabel(s, card, a.positional[2], &field); rc != kExitOk) return rc;
  } else {
    for (storage::Field& f : card.fields)
      if (f.kind == uint16_t(storage::FieldKind::Password)) {
        field = &f;
        break;
      }
    if (!field) return s.Fail(path + " has no Password field; name the field to copy");
  }
  const std::string label = Printable(Utf8(field->label));
  const storage::Text shown = storage::DisplayText(*field, &s.Texts());
  if (shown.empty()) return s.Fail(label + " of " + path + " is empty; nothing was copied");
  const storage::SecureString utf8 = SecretUtf8(View(shown));
  const storage::SecureBytes bytes(utf8.begin(), utf8.end());
  if (!CopyToClipboard(*tool, bytes)) return s.Fail(tool->name + " could not take the value; nothing was copied");
  s.out << "Copied " << label << " of " << path << " to the clipboard";
  if (seconds == 0) {
    s.out << ".\n";
    return kExitOk;
  }
  if (!ClearClipboardLater(*tool, DigestOf(bytes), seconds)) {
    s.out << ".\n";
    return s.Fail("cannot arrange for the clipboard to be cleared; clear it yourself");
  }
  s.out << "; it is cleared in " << seconds << " seconds unless something else was copied meanwhile.\n";
  return kExitOk;
}

}  // namespace tb::cli
