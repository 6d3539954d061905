#include "dialogs/form_exchange_dialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/launcher.h"
#include "platform/ui/texts.h"
#include "shell/core/language_module.h"
#include "shell/core/settings.h"

namespace tb::dialogs {

namespace {

using ui::SetControlId;
using ui::Text;

constexpr int kBarDoneCancel = 969;
constexpr int kBarCancel = 970;
constexpr int kFontLink = 27;  // 8 points, bold and underlined

constexpr uint32_t kStrExportTitle = 22100, kStrDescription = 22101, kStrAuthor = 22102, kStrExportNote = 22103;
constexpr uint32_t kStrImportTitle = 22050, kStrContinue = 22051, kStrWeb = 22052, kStrImportNote = 22053;

QLabel* Note(QWidget* parent, uint32_t text) {
  auto* note = new QLabel(Text(text), parent);
  SetControlId(note, kIdFormNote);
  note->setWordWrap(true);
  note->setTextFormat(Qt::PlainText);
  return note;
}

}  // namespace

class LinkLabel : public QLabel {
 public:
  explicit LinkLabel(QWidget* parent) : QLabel(QString::fromLatin1(kFormsPage), parent) {
    SetControlId(this, kIdFormsPageLink);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setCursor(Qt::PointingHandCursor);
    if (const QFont* font = ui::FontService::Font(kFontLink)) setFont(*font);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(blue);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
      ui::OpenWebPage(QString::fromLatin1(kFormsPage));
    QLabel::mouseReleaseEvent(event);
  }
};

// ---------------------------------------------------------------- export

ExportFormDialog::ExportFormDialog(QWidget* owner, const shell::Settings& settings, const QString& cardName)
    : ModalDialog(owner, kExportFormTemplate), cardName_(cardName) {
  setObjectName(QStringLiteral("ExportForm"));
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);
  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, ui::ScaleY(6), margin, margin);
  column->setSpacing(ui::ScaleY(3));

  auto* descriptionLabel = new QLabel(Text(kStrDescription), content);
  SetControlId(descriptionLabel, kIdFormDescriptionLabel);
  column->addWidget(descriptionLabel);
  description_ = new QLineEdit(content);
  SetControlId(description_, kIdFormDescription);
  description_->setMaxLength(kMaxFormDescription);
  column->addWidget(description_);
  column->addSpacing(ui::ScaleY(6));
  auto* authorLabel = new QLabel(Text(kStrAuthor), content);
  SetControlId(authorLabel, kIdFormAuthorLabel);
  column->addWidget(authorLabel);
  author_ = new QLineEdit(content);
  SetControlId(author_, kIdFormAuthor);
  author_->setMaxLength(kMaxFormAuthor);
  column->addWidget(author_);
  // The template's "exclude data" box has no visible style: the Export
  // dialog's own check box decides.
  auto* exclude = new QCheckBox(content);
  SetControlId(exclude, kIdFormExcludeData);
  exclude->hide();
  column->addSpacing(ui::ScaleY(10));
  column->addWidget(Note(content, kStrExportNote));
  column->addSpacing(ui::ScaleY(4));
  link_ = new LinkLabel(content);
  column->addWidget(link_);
  column->addStretch(1);
  layout->addWidget(content, 1);
  SetFullScreen(true);
  SizeLikeMainWindow(this);
}

QLabel* ExportFormDialog::Link() const { return link_; }

void ExportFormDialog::OnInitDialog() {
  SetMenuBar(kBarDoneCancel);
  const QString title =
      cardName_.isEmpty()
          ? Text(kStrExportTitle)
          : ui::ToQString(shell::FormatMessage(u"%s: %s", ui::ToU16(Text(kStrExportTitle)), ui::ToU16(cardName_)));
  title_->SetText(title);
  setWindowTitle(title);
  description_->setFocus();
}

void ExportFormDialog::OnEndDialog(int result) {
  if (result != ui::kResultOk) return;
  texts_.description = ui::ToU16(description_->text().left(kMaxFormDescription));
  texts_.author = ui::ToU16(author_->text().left(kMaxFormAuthor));
}

std::optional<FormExportTexts> RunExportFormDialog(QWidget* owner, const shell::Settings& settings,
                                                   const QString& cardName) {
  ExportFormDialog dialog(owner, settings, cardName);
  if (dialog.RunModal() != ui::kResultOk) return std::nullopt;
  return dialog.Texts();
}

// ---------------------------------------------------------------- import

ImportFormIntroDialog::ImportFormIntroDialog(QWidget* owner, const shell::Settings& settings)
    : ModalDialog(owner, kImportFormTemplate) {
  setObjectName(QStringLiteral("ImportForm"));
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);
  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, ui::ScaleY(10), margin, margin);
  column->setSpacing(ui::ScaleY(8));
  column->addWidget(Note(content, kStrImportNote));
  continue_ = new QPushButton(Text(kStrContinue), content);
  SetControlId(continue_, kIdImportFormContinue);
  continue_->setAutoDefault(false);
  column->addWidget(continue_);
  web_ = new QPushButton(Text(kStrWeb), content);
  SetControlId(web_, kIdImportFormWeb);
  web_->setAutoDefault(false);
  column->addWidget(web_);
  column->addStretch(1);
  layout->addWidget(content, 1);
  connect(continue_, &QPushButton::clicked, this, [this] { EndDialog(ui::kResultOk); });
  connect(web_, &QPushButton::clicked, this, [this] {
    ui::OpenWebPage(QString::fromLatin1(kFormsPage));
    EndDialog(ui::kResultCancel);
  });
  SetFullScreen(true);
  SizeLikeMainWindow(this);
}

void ImportFormIntroDialog::OnInitDialog() {
  SetMenuBar(kBarCancel);
  title_->SetText(Text(kStrImportTitle));
  setWindowTitle(title_->Text());
  continue_->setFocus();
}

bool RunImportFormIntro(QWidget* owner, const shell::Settings& settings) {
  ImportFormIntroDialog dialog(owner, settings);
  return dialog.RunModal() == ui::kResultOk;
}

}  // namespace tb::dialogs
