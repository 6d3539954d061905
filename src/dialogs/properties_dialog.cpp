#include "dialogs/properties_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/card_type_dialog.h"
#include "dialogs/dialog_style.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/icon_picker_dialog.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/texts.h"
#include "storage/format_text.h"
#include "storage/record.h"
#include "storage/wallet.h"

namespace tb::dialogs {

namespace {

constexpr uint32_t kTitleText = 28700;
constexpr uint32_t kViewTitleText = 28705;  // "%d": the view's number
constexpr uint32_t kNameText = 28701;
constexpr uint32_t kIconText = 28702;
constexpr uint32_t kFormText = 28703;
constexpr uint32_t kMainLevelText = 28704;
constexpr uint32_t kFormsFolderName = 28706;

QString ViewTitle(int number) {
  const std::u16string format = ui::ToU16(ui::Text(kViewTitleText));
  return ui::ToQString(storage::FormatText(format, {int64_t(number)}));
}

// Smartphone marks the focused "..." button white on blue.
constexpr const char* kMoreStyle =
    "QPushButton { color: black; background: palette(window); }"
    "QPushButton:focus { color: white; background: #0000c0; }";

}  // namespace

FolderPropertiesDialog::FolderPropertiesDialog(QWidget* owner, FolderProperties& record, ui::IconLists& lists,
                                               bool smartphone)
    : ModalDialog(owner, smartphone ? kFolderPropertiesSmartphoneTemplate : kFolderPropertiesTemplate),
      record_(record),
      lists_(lists),
      smartphone_(smartphone) {
  setObjectName(smartphone ? QStringLiteral("FolderPropertiesSmartphone") : QStringLiteral("FolderProperties"));
  SetFullScreen(true);
  const bool view = record_.specialView || record_.folder == nullptr;
  auto* outer = new QVBoxLayout(Body());
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(MakeTitleBand(Body(), view ? ViewTitle(record_.viewNumber) : ui::Text(kTitleText)));

  auto* grid = new QGridLayout;
  grid->setContentsMargins(ContentMargin(), ui::ScaleY(6), ContentMargin(), ui::ScaleY(6));
  grid->setVerticalSpacing(ui::ScaleY(6));
  grid->setHorizontalSpacing(ui::Scale(8));
  auto* nameLabel = new QLabel(ui::Text(kNameText), Body());
  ui::SetControlId(nameLabel, kFolderNameLabelId);
  name_ = new QLineEdit(Body());
  ui::SetControlId(name_, kFolderNameEditId);
  name_->setMaxLength(int(view ? kMaxViewNameLength : kMaxFolderNameLength));
  if (view) name_->setText(ui::ToQString(record_.viewName));
  else if (record_.formsFolder) name_->setText(ui::Text(kFormsFolderName));
  else {
    const storage::Text name = record_.folder->Name();
    name_->setText(ui::ToQString(std::u16string_view(name.data(), name.size())));
  }
  grid->addWidget(nameLabel, 0, 0, 1, 3);
  grid->addWidget(name_, 1, 0, 1, 3);

  auto* iconLabel = new QLabel(ui::Text(kIconText), Body());
  ui::SetControlId(iconLabel, kFolderIconLabelId);
  icon_ = new QPushButton(Body());
  ui::SetControlId(icon_, kFolderIconId);
  icon_->setAutoDefault(false);
  icon_->setFlat(true);
  icon_->setIconSize(QSize(lists_.LargeSize(), lists_.LargeSize()));
  auto* iconMore = new QPushButton(QStringLiteral("..."), Body());
  ui::SetControlId(iconMore, kFolderIconMoreId);
  iconMore->setAutoDefault(false);
  auto* formLabel = new QLabel(ui::Text(kFormText), Body());
  ui::SetControlId(formLabel, kFolderFormLabelId);
  formName_ = new QLabel(Body());
  ui::SetControlId(formName_, kFolderFormNameId);
  formName_->setIndent(ui::Scale(8));
  QFont bold = formName_->font();
  bold.setBold(true);
  formName_->setFont(bold);
  auto* formMore = new QPushButton(QStringLiteral("..."), Body());
  ui::SetControlId(formMore, kFolderFormMoreId);
  formMore->setAutoDefault(false);
  const int moreWidth = ui::Scale(28);
  iconMore->setFixedWidth(moreWidth);
  formMore->setFixedWidth(moreWidth);
  if (smartphone_) {
    iconMore->setStyleSheet(QString::fromLatin1(kMoreStyle));
    formMore->setStyleSheet(QString::fromLatin1(kMoreStyle));
  } else {
    iconMore->hide();  // the picture itself is tapped
  }
  mainLevel_ = new QCheckBox(ui::Text(kMainLevelText), Body());
  ui::SetControlId(mainLevel_, kMainLevelId);
  mainLevel_->setChecked(record_.mainLevel);

  grid->addWidget(iconLabel, 2, 0);
  grid->addWidget(icon_, 2, 1, Qt::AlignLeft);
  grid->addWidget(iconMore, 2, 2);
  // The form's name goes under its label: a long one would run into it.
  grid->addWidget(formLabel, 3, 0, 1, 3);
  grid->addWidget(formName_, 4, 0, 1, 2);
  grid->addWidget(formMore, 4, 2);
  grid->addWidget(mainLevel_, 5, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  outer->addLayout(grid);
  outer->addStretch(1);

  if (view) {
    for (QWidget* w : {static_cast<QWidget*>(iconLabel), static_cast<QWidget*>(icon_), static_cast<QWidget*>(iconMore),
                       static_cast<QWidget*>(formLabel), static_cast<QWidget*>(formName_),
                       static_cast<QWidget*>(formMore), static_cast<QWidget*>(mainLevel_)})
      w->hide();
  } else {
    mainLevel_->setVisible(record_.offerMainLevel);
    ShowIcon();
    ShowFormName();
  }
  connect(icon_, &QPushButton::clicked, this, [this] { ChooseIcon(); });
  connect(iconMore, &QPushButton::clicked, this, [this] { ChooseIcon(); });
  connect(formMore, &QPushButton::clicked, this, [this] { ChooseForm(); });
}

void FolderPropertiesDialog::OnInitDialog() {
  setWindowTitle(record_.specialView ? ViewTitle(record_.viewNumber) : ui::Text(kTitleText));
  SetMenuBar(969);
  SizeLikeMainWindow(this);
  name_->setFocus();
  name_->selectAll();
}

void FolderPropertiesDialog::ShowIcon() {
  if (!record_.folder) return;
  const int entry = CurrentIconEntry(lists_, *record_.folder);
  const int image = entry < 0                       ? -1
                    : entry < kFirstOwnPictureEntry ? ui::kFirstBuiltInImage + entry
                                                    : ui::kFirstCustomImage + entry - kFirstOwnPictureEntry;
  const QList<QImage>& large = lists_.Large();
  icon_->setIcon(image >= 0 && image < large.size() ? QIcon(QPixmap::fromImage(large[image])) : QIcon());
}

void FolderPropertiesDialog::ShowFormName() {
  if (!record_.folder || !record_.wallet) return;
  const std::optional<storage::Text> name = record_.wallet->FormName(record_.folder->DefaultForm());
  formName_->setText(name ? ui::ToQString(std::u16string_view(name->data(), name->size())) : QString());
}

void FolderPropertiesDialog::ChooseIcon() {
  if (!record_.folder || !record_.wallet) return;
  if (RunRecordIcon(this, *record_.wallet, lists_, *record_.folder, smartphone_)) {
    record_.iconOrFormChanged = true;
    ShowIcon();
  }
}

void FolderPropertiesDialog::ChooseForm() {
  if (!record_.folder || !record_.wallet) return;
  const std::optional<CardTypeChoice> choice =
      RunCardTypePicker(this, *record_.wallet, lists_, record_.folder->DefaultForm(), CardTypeTitle::DefaultForm);
  if (!choice) return;
  record_.folder->SetDefaultForm(choice->form);
  record_.iconOrFormChanged = true;
  ShowFormName();
}

void FolderPropertiesDialog::OnEndDialog(int result) {
  if (result != ui::kResultOk) return;
  const std::u16string text = ui::ToU16(name_->text());
  if (record_.specialView || !record_.folder) {
    record_.viewName = text.substr(0, kMaxViewNameLength);
    return;
  }
  record_.folder->SetName(std::u16string_view(text).substr(0, kMaxFolderNameLength));
  if (record_.offerMainLevel) record_.mainLevel = mainLevel_->isChecked();
}

void FolderPropertiesDialog::Dispatch(int commandId) {
  switch (commandId) {
    case kFolderIconId:
    case kFolderIconMoreId: ChooseIcon(); break;
    case kFolderFormMoreId: ChooseForm(); break;
    default: ModalDialog::Dispatch(commandId);
  }
}

bool RunFolderProperties(QWidget* owner, FolderProperties& record, ui::IconLists& lists, bool smartphone) {
  FolderPropertiesDialog dialog(owner, record, lists, smartphone);
  return dialog.RunModal() == ui::kResultOk;
}

}  // namespace tb::dialogs
