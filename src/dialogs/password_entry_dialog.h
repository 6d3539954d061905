#pragma once
// The prompt for a wallet's password. Given the wallet, it checks every
// typed password itself: a wrong one keeps the user in the dialog, and
// after the fifth wrong one the wallet's hint is shown once. Pocket PC has
// an on-screen keypad; Smartphone a "Use numeric entry" box that switches
// the password field to digits. Left alone for two minutes (counted again
// from every wrong password) the prompt cancels itself.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ui/modal_dialog.h"
#include "storage/cipher/secure.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tb::shell {
class Settings;
}
namespace tb::storage {
class Wallet;
}

namespace tb::dialogs {

class IdleCountdown;
class TitleBar;

inline constexpr int kTemplatePasswordPocketPC = 114;
inline constexpr int kTemplatePasswordSmartphone = 155;

// Controls of the password prompt.
inline constexpr int kIdPasswordEdit = 1519;
inline constexpr int kIdKey0 = 1400;  // 1401..1409 are "1".."9"
inline constexpr int kIdKeyBack = 1410;
inline constexpr int kIdKeyClear = 1411;
inline constexpr int kIdKeyOk = 1412;
inline constexpr int kIdTip = 1124;
inline constexpr int kIdPromptLabel = 1315;
inline constexpr int kIdNumericEntry = 1521;
// The numeric-entry check box's text, in this dialog and the new-password one.
inline constexpr uint32_t kStrNumericEntry = 26006;

// The field takes 24 characters; the password is its first 23.
inline constexpr int kPasswordEditLimit = 24;
inline constexpr size_t kPasswordUnits = 23;
// Wrong passwords after which the hint is offered (once per prompt).
inline constexpr int kAttemptsBeforeHint = 5;

struct PasswordPromptOptions {
  std::u16string walletName;   // shown in the title; empty: none
  size_t resultCapacity = 64;  // characters the caller takes, terminator included
};

class PasswordEntryDialog : public tb::ui::ModalDialog {
  Q_OBJECT

 public:
  // wallet: checks the typed passwords and gives the hint; nullptr accepts
  // any non-empty password. Smartphone or Pocket PC as settings say;
  // settings' Pass.Numeric is read and, on Smartphone, written back.
  PasswordEntryDialog(QWidget* owner, tb::shell::Settings& settings, tb::storage::Wallet* wallet,
                      PasswordPromptOptions options);
  ~PasswordEntryDialog() override;

  void Dispatch(int commandId) override;

  // The accepted password (after OK), cut to the caller's capacity.
  const tb::storage::Text& Password() const { return password_; }
  int FailedAttempts() const { return failed_; }
  bool IsSmartphone() const { return smartphone_; }
  IdleCountdown& Countdown() const { return *countdown_; }
  QLineEdit* Edit() const { return edit_; }

 protected:
  void OnInitDialog() override;
  void OnEndDialog(int result) override;
  void showEvent(QShowEvent* event) override;
  // However the dialog goes away (ended, done() or hidden), what was typed
  // is wiped.
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPocketPC();
  void BuildSmartphone();
  void Confirm();
  void Keypad(int commandId);
  void PressBackspace();

  tb::shell::Settings& settings_;
  tb::storage::Wallet* wallet_;
  PasswordPromptOptions options_;
  bool smartphone_;
  int failed_ = 0;
  bool hintShown_ = false;
  bool focused_ = false;
  tb::storage::Text password_;
  TitleBar* title_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QLabel* tip_ = nullptr;
  QLabel* prompt_ = nullptr;
  QCheckBox* numeric_ = nullptr;
  IdleCountdown* countdown_ = nullptr;
};

// Runs the prompt; the password when the user confirmed one (checked
// against wallet when given), nothing when cancelled, confirmed empty, or
// left idle.
std::optional<tb::storage::Text> AskWalletPassword(QWidget* owner, tb::storage::Wallet* wallet,
                                                   tb::shell::Settings& settings, const PasswordPromptOptions& options);

}  // namespace tb::dialogs
