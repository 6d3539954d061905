#pragma once
// The progress of a version-5 wallet's format upgrade: the title bar, the
// explanation and a bar from 0 to 100. The conversion runs while the
// dialog shows and cannot be stopped halfway, so nothing the user does
// closes it; whoever drives the conversion ends it.
#include <QString>

#include "platform/ui/modal_dialog.h"

class QLabel;
class QProgressBar;

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

class TitleBar;

inline constexpr int kIdUpgradeExplanation = 1100;
inline constexpr int kIdUpgradeProgressBar = 1101;

inline constexpr const char16_t* kUpgradeTitle = u"Tamberlock Pro 6";
inline constexpr const char16_t* kUpgradeExplanation = u"Upgrading Tamberlock wallet file.  Please wait.";

class UpgradeProgressDialog : public tb::ui::ModalDialog {
  Q_OBJECT

 public:
  UpgradeProgressDialog(QWidget* owner, const tb::shell::Settings& settings);

  // The part done, 0 to 1; the bar shows it in whole percent.
  void SetFraction(double fraction);
  int Value() const;
  QString Explanation() const;

  // Neither the soft keys nor Escape nor the window's close button end it.
  void Dispatch(int commandId) override {}
  void reject() override {}

 private:
  TitleBar* title_ = nullptr;
  QLabel* explanation_ = nullptr;
  QProgressBar* bar_ = nullptr;
};

}  // namespace tb::dialogs
