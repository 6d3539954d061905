#pragma once
// The About box: the program's icon and name on the title bar, the version
// line, and Done.
#include "platform/ui/modal_dialog.h"

class QLabel;

namespace tb::shell {
class Settings;
}

namespace tb::dialogs {

inline constexpr int kAboutTemplate = 101;
inline constexpr int kAboutVersionLabelId = 1010;

// "6.62" and the build's suffix, as the version line shows it.
QString AboutVersionText();

class AboutDialog : public tb::ui::ModalDialog {
  Q_OBJECT

 public:
  AboutDialog(QWidget* owner, const tb::shell::Settings& settings);
  QString VersionLine() const;

 private:
  QLabel* version_ = nullptr;
};

void RunAbout(QWidget* owner, const tb::shell::Settings& settings);

}  // namespace tb::dialogs
