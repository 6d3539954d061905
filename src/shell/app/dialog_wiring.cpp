#include "shell/app/dialog_wiring.h"

#include <QTreeWidget>

#include "cards/display_dialogs.h"
#include "dialogs/about_dialog.h"
#include "dialogs/change_password.h"
#include "dialogs/new_password_dialog.h"
#include "dialogs/password_entry_dialog.h"
#include "dialogs/password_report_dialog.h"
#include "dialogs/security_options_dialog.h"
#include "dialogs/wallets_manager_dialog.h"
#include "platform/ui/activity_clock.h"
#include "platform/ui/font_service.h"
#include "shell/app/interchange_commands.h"
#include "shell/app/legacy_open.h"
#include "shell/app/upgrade_progress.h"
#include "shell/browser/browser.h"
#include "shell/window/main_window.h"

namespace tb::shell {

namespace {
// Display (829): the tree's text size and name colours and the default
// look of new cards; after OK the tree takes the new font and colours and
// the wallet's options are written when it is saved.
void RunDisplay(MainWindow& w) {
  storage::Wallet& wallet = w.Context().wallet;
  if (!wallet.IsOpen()) return;
  Settings& settings = w.Context().settings;
  if (!cards::RunDisplayOptions(&w, settings, wallet.Options())) return;
  if (const QFont* font = ui::FontService::FontForSize(settings.fontMain, (settings.fontMainStyle & 1) != 0))
    w.Tree()->setFont(*font);
  w.TreeBrowser().ApplyNameColours();
  wallet.Options().changed = true;
}

// Security (830): the auto-close period, stored in the wallet's options
// when it changed; the checks start again for the period now in force, so
// "never" leaves none running.
void RunSecurity(MainWindow& w) {
  storage::Wallet& wallet = w.Context().wallet;
  if (!wallet.IsOpen()) return;
  w.StopAutoClose();
  if (const auto minutes = dialogs::RunSecurityOptions(&w, w.Context().settings, wallet.Options().AutoCloseMinutes()))
    dialogs::StoreAutoClosePeriod(wallet.Options(), *minutes);
  w.StartAutoClose();
}

// Change Password (807): re-keys the wallet, then saves and opens it again.
void RunChangePassword(MainWindow& w) {
  storage::Wallet& wallet = w.Context().wallet;
  if (!wallet.IsOpen()) return;
  if (dialogs::ChangePasswordFlow(&w, wallet, w.Context().settings) != dialogs::ChangePasswordOutcome::Changed) return;
  const std::string path = wallet.Path();
  if (!w.CloseWallet()) return;
  w.OpenWalletFlow(path, true);
}

// Password Report (879): the report of the open wallet; the entry chosen
// opens its card in the card window as the tree does.
void RunPasswordReport(MainWindow& w) {
  storage::Wallet& wallet = w.Context().wallet;
  if (!wallet.IsOpen()) return;
  if (const auto card = dialogs::RunPasswordReport(&w, w.Context().settings, wallet)) w.TreeBrowser().OpenCard(*card);
}

// The password prompt of the open-wallet flow, checking against the wallet.
void WirePasswordPrompt(MainWindow& window) {
  window.passwordPrompt = [&window](const WalletPrompt& prompt) -> std::optional<storage::Text> {
    dialogs::PasswordPromptOptions options;
    options.walletName = prompt.displayName;
    return dialogs::AskWalletPassword(&window, prompt.wallet, window.Context().settings, options);
  };
}

// The wallets manager, shown again until a wallet opens or the user leaves.
void WireWalletsManager(MainWindow& window) {
  window.walletsManager = [](MainWindow& w) {
    dialogs::WalletsManagerInputs inputs;
    inputs.exitMenu = w.Context().settings.exitMenu != 0;
    inputs.texts = &w.Context().language;
    inputs.askNewPassword = [&w](QWidget* owner) -> std::optional<dialogs::NewWalletPassword> {
      auto chosen = dialogs::RunNewPasswordDialog(owner, w.Context().settings, dialogs::NewPasswordMode::NewWallet);
      if (!chosen) return std::nullopt;
      dialogs::NewWalletPassword p;
      p.password = std::move(chosen->password);
      if (!chosen->hint.empty()) p.hint = storage::ToU16(chosen->hint);
      return p;
    };
    // A ".wal" entry is converted as the main window's open converts one.
    inputs.convertLegacy = [&w](QWidget* owner, const std::string& legacyPath) -> std::optional<std::string> {
      std::string converted = ConvertLegacyWalletInteractively(owner, w.Context(), legacyPath);
      if (converted.empty()) return std::nullopt;
      return converted;
    };
    if (w.aboutBox) inputs.showAbout = [&w](QWidget*) { w.aboutBox(w); };
    for (;;) {
      // A wallet that cannot be written back stays open (the user has
      // been told), and the program with it.
      if (!w.CloseWallet()) return 1;
      const auto result = dialogs::RunWalletsManager(&w, inputs);
      if (!result) return -1;
      if (result->outcome == dialogs::WalletsManagerOutcome::ShowAgain) continue;
      if (w.OpenWalletFlow(result->path, false)) return 1;
    }
  };
}

// The options commands whose windows are dialogs of their own.
void WireOptionsCommands(MainWindow& window) {
  auto previous = window.notYetBuilt;
  window.notYetBuilt = [previous](MainWindow& w, int command) {
    switch (command) {
      case kCmdSecurity: RunSecurity(w); return;
      case kCmdDisplay: RunDisplay(w); return;
      case kCmdChangePassword: RunChangePassword(w); return;
      case kCmdPasswordReport: RunPasswordReport(w); return;
      default:
        if (previous) previous(w, command);
    }
  };
}
}  // namespace

void WireDialogs(MainWindow& window) {
  window.aboutBox = [](MainWindow& w) { dialogs::RunAbout(&w, w.Context().settings); };
  WirePasswordPrompt(window);
  WireWalletsManager(window);
  WireLegacyConversion(window);
  WireUpgradeProgress(window);
  WireOptionsCommands(window);
  WireInterchange(window);
}

}  // namespace tb::shell
