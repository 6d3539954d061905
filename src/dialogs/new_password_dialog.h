#pragma once
// Asks for a new password twice and an optional hint: for a new wallet and
// for Change Password. The password must be 3 to 23 characters (what the
// wallet accepts) and typed the same both times, case included.
#include <optional>

#include "platform/ui/modal_dialog.h"
#include "storage/cipher/secure.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

class IdleCountdown;
class StrengthBar;
class TitleBar;

inline constexpr int kTemplateNewPasswordPocketPC = 113;
inline constexpr int kTemplateNewPasswordSmartphone = 154;

inline constexpr int kIdNewPassword = 1519;
inline constexpr int kIdConfirmPassword = 1520;
inline constexpr int kIdHint = 1522;
inline constexpr int kIdNewPasswordLabel = 1527;
inline constexpr int kIdConfirmLabel = 1529;
inline constexpr int kIdHintLabel = 1530;
inline constexpr int kHintEditLimit = 255;
inline constexpr size_t kMinPasswordUnits = 3;

enum class NewPasswordMode { NewWallet, Change };

struct NewPassword {
  tb::storage::Text password;  // 3..23 UTF-16 units
  tb::storage::Text hint;      // empty: no hint
};

class NewPasswordDialog : public tb::ui::ModalDialog {
  Q_OBJECT

 public:
  NewPasswordDialog(QWidget* owner, tb::shell::Settings& settings, NewPasswordMode mode);
  ~NewPasswordDialog() override;

  void Dispatch(int commandId) override;

  const NewPassword& Result() const { return result_; }
  IdleCountdown& Countdown() const { return *countdown_; }

 protected:
  void OnInitDialog() override;
  void OnEndDialog(int result) override;
  void showEvent(QShowEvent* event) override;
  // However the dialog goes away (ended, done() or hidden), what was typed
  // is wiped.
  void hideEvent(QHideEvent* event) override;

 private:
  void Confirm();
  bool eventFilter(QObject* watched, QEvent* event) override;

  tb::shell::Settings& settings_;
  NewPasswordMode mode_;
  bool smartphone_;
  bool focused_ = false;
  NewPassword result_;
  TitleBar* title_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* confirm_ = nullptr;
  QLineEdit* hint_ = nullptr;
  QLabel* labels_[3] = {};
  QLabel* tip_ = nullptr;
  StrengthBar* strength_ = nullptr;
  QCheckBox* numeric_ = nullptr;
  IdleCountdown* countdown_ = nullptr;
};

// The new password and hint, or nothing when cancelled or left idle.
std::optional<NewPassword> RunNewPasswordDialog(QWidget* owner, tb::shell::Settings& settings, NewPasswordMode mode);

}  // namespace tb::dialogs
