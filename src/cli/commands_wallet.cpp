// Commands over the whole wallet file: create, passwd, repair.
#include <ostream>

#include "cli/commands.h"
#include "platform/core/text_convert.h"

namespace tb::cli {

namespace {
std::string StatusText(int number, const char* meaning) {
  return "status " + std::to_string(number) + " (" + meaning + ")";
}
}  // namespace

int CmdCreate(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  std::optional<std::u16string> hint;
  if (const std::string* h = a.Value("--hint")) {
    std::u16string text;
    if (!ArgumentText(*h, &text)) return s.Usage("the hint is not UTF-8");
    hint = std::move(text);
  }
  storage::Text password;
  if (!s.ReadSecret("New password for " + walletArg + ": ", &password)) return kExitFailed;
  if (s.env.stdinIsTerminal) {
    storage::Text again;
    if (!s.ReadSecret("Confirm the password: ", &again)) return kExitFailed;
    if (again != password) return s.Fail("the two passwords differ; nothing was created");
  }
  storage::Wallet wallet;
  wallet.SetTextSource(&s.Texts());
  const storage::CreateStatus status =
      wallet.Create(AbsolutePath(walletArg), View(password),
                    hint ? std::optional<std::u16string_view>(*hint) : std::nullopt, a.Has("--starter-folder"));
  if (status != storage::CreateStatus::Ok)
    return s.Fail("cannot create " + walletArg + ": " + StatusText(int(status), storage::Describe(status)));
  s.out << "created " << walletArg << "\n";
  return kExitOk;
}

int CmdPasswd(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  storage::Text current;
  if (int rc = OpenWallet(s, walletArg, false, wallet, nullptr, &current); rc != kExitOk) return rc;
  storage::Text fresh, again;
  storage::SecureString hintLine;
  if (!s.ReadSecret("New password: ", &fresh) || !s.ReadSecret("Confirm the new password: ", &again) ||
      !s.ReadAnswer("Hint (empty for none): ", false, &hintLine)) {
    wallet.Close();
    return kExitFailed;
  }
  if (!storage::IsAcceptableNewPassword(View(fresh))) {
    wallet.Close();
    return s.Fail("the new password must have 3 to 23 characters; nothing was changed");
  }
  if (fresh != again) {
    wallet.Close();
    return s.Fail("the new password and its confirmation differ; nothing was changed");
  }
  const storage::Text hint = SecretFromUtf8(hintLine);
  const storage::PasswordChangeStatus status = wallet.ChangePassword(
      View(current), View(fresh), hint.empty() ? std::nullopt : std::optional<std::u16string_view>(View(hint)));
  if (status != storage::PasswordChangeStatus::Ok) {
    wallet.Close();
    return s.Fail("cannot change the password of " + walletArg + ": " +
                  StatusText(int(status), storage::Describe(status)));
  }
  if (int rc = CloseWallet(s, walletArg, wallet); rc != kExitOk) return rc;
  s.out << "password changed\n";
  return kExitOk;
}

int CmdRepair(Session& s, const ParsedArgs& a) {
  const std::string& walletArg = a.positional[0];
  storage::Wallet wallet;
  AnswerPrompter prompter(s, a.Has("--yes"));
  const int rc = OpenWallet(s, walletArg, false, wallet, &prompter);
  if (rc != kExitOk) {
    if (prompter.Declined()) s.Fail("the repair was declined; nothing was changed");
    else if (prompter.Asked()) s.Fail("the repair did not go through");
    return rc;
  }
  if (!prompter.Asked()) s.out << "no damage found in " << walletArg << "\n";
  return CloseWallet(s, walletArg, wallet);
}

}  // namespace tb::cli
