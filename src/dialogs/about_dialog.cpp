#include "dialogs/about_dialog.h"

#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/core/settings.h"

namespace tb::dialogs {
namespace {
constexpr uint32_t kStrTitle = 20020, kStrVersionLine = 20021;
constexpr int kProgramIcon = 200;
constexpr int kBarDone = 968;
constexpr int kMajor = 6, kMinor = 62;
constexpr const char16_t* kSuffix = u"";
}  // namespace

QString AboutVersionText() {
  return tb::ui::ToQString(tb::shell::FormatMessage(u"%d.%02d%s", kMajor, kMinor, kSuffix));
}

AboutDialog::AboutDialog(QWidget* owner, const tb::shell::Settings& settings) : ModalDialog(owner, kAboutTemplate) {
  setObjectName(QStringLiteral("About"));
  QVBoxLayout* layout = nullptr;
  TitleBar* title = AddTitleBarColumn(Body(), settings, &layout);
  title->SetContent(tb::ui::Text(kStrTitle), kProgramIcon);

  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, tb::ui::ScaleY(16), margin, margin);
  column->setSpacing(tb::ui::ScaleY(8));
  auto* icon = new QLabel(content);
  icon->setPixmap(QPixmap::fromImage(tb::ui::IconResource(kProgramIcon, tb::ui::Scale(48))));
  icon->setAlignment(Qt::AlignHCenter);
  column->addWidget(icon);
  auto* name = new QLabel(QStringLiteral("Tamberlock Pro 6"), content);
  if (const QFont* bold = tb::ui::FontService::Font(tb::ui::kFontSystemBold)) name->setFont(*bold);
  name->setAlignment(Qt::AlignHCenter);
  column->addWidget(name);
  version_ = new QLabel(content);
  tb::ui::SetControlId(version_, kAboutVersionLabelId);
  const std::u16string format = tb::ui::Text(kStrVersionLine).toStdU16String();
  const std::u16string versionText = AboutVersionText().toStdU16String();
  version_->setText(tb::ui::ToQString(tb::shell::FormatMessage(format, versionText)));
  version_->setAlignment(Qt::AlignHCenter);
  column->addWidget(version_);
  auto* maker = new QLabel(QStringLiteral("Quillimarsten\nwww.quillimarsten.example"), content);
  maker->setAlignment(Qt::AlignHCenter);
  column->addWidget(maker);
  column->addStretch(1);
  if (const QFont* text = tb::ui::FontService::Font(tb::ui::kFontSystem)) {
    version_->setFont(*text);
    maker->setFont(*text);
  }
  layout->addWidget(content, 1);
  SetMenuBar(kBarDone);
  if (!parentWidget()) SizeLikeMainWindow(this);
  SetFullScreen(true);
}

QString AboutDialog::VersionLine() const { return version_->text(); }

void RunAbout(QWidget* owner, const tb::shell::Settings& settings) {
  AboutDialog dialog(owner, settings);
  dialog.RunModal();
}

}  // namespace tb::dialogs
