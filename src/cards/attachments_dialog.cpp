#include "cards/attachments_dialog.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "cards/attachments.h"
#include "cards/command_buttons.h"
#include "cards/media_files.h"
#include "dialogs/dialog_style.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/title_bar.h"
#include "platform/core/system.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"

namespace tb::cards {
namespace {

using ui::SetControlId;
using ui::Text;

constexpr int kBarPocketPC = 952;
constexpr int kBarSmartphone = 980;
constexpr int kIcon = 214;
constexpr int kListFont = 1;
constexpr uint32_t kStrTitle = 28200, kStrInfo = 28205, kStrPickerTitle = 24004;
constexpr struct {
  int id;
  uint32_t text;
} kButtons[] = {{kIdAddFile, 28201}, {kIdRemoveFile, 28202}, {kIdExportFile, 28203}, {kIdOpenFile, 28204}};

}  // namespace

AttachmentsDialog::AttachmentsDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplateAttachmentsSmartphone : kTemplateAttachmentsPocketPC),
      card_(card),
      smartphone_(settings.IsSmartphone()) {
  pickFile = [](QWidget* o, const dialogs::FilePickerOptions& options) { return dialogs::RunFilePicker(o, options); };
  QVBoxLayout* column = nullptr;
  title_ = dialogs::AddTitleBarColumn(Body(), settings, &column);
  auto* content = new QWidget(Body());
  auto* grid = new QGridLayout(content);
  const int margin = dialogs::ContentMargin();
  grid->setContentsMargins(margin, ui::ScaleY(6), margin, margin);
  grid->setSpacing(ui::ScaleY(4));
  list_ = new QListWidget(content);
  SetControlId(list_, kIdAttachmentList);
  if (const QFont* font = ui::FontService::Font(kListFont)) list_->setFont(*font);
  grid->addWidget(list_, 0, 0, 1, 2);
  grid->setRowStretch(0, 1);
  info_ = new QLabel(content);
  SetControlId(info_, kIdAttachmentInfo);
  info_->setTextFormat(Qt::PlainText);
  grid->addWidget(info_, 1, 0, 1, 2);
  if (!smartphone_) {
    // Smartphone has these as entries of its menu.
    for (size_t i = 0; i < std::size(kButtons); ++i) {
      buttons_[i] = MakeCommandButton(this, content, kButtons[i].id);
      grid->addWidget(buttons_[i], 2 + int(i / 2), int(i % 2));
    }
  }
  column->addWidget(content, 1);
  connect(list_, &QListWidget::currentRowChanged, this, [this] { SelectionChanged(); });
  SetFullScreen(true);
  dialogs::SizeLikeMainWindow(this);
}

void AttachmentsDialog::OnInitDialog() {
  SetMenuBar(smartphone_ ? kBarSmartphone : kBarPocketPC);
  title_->SetText(Text(kStrTitle));
  title_->SetIconResource(kIcon);
  setWindowTitle(title_->Text());
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (buttons_[i]) buttons_[i]->setText(Text(kButtons[i].text));
  Fill();
}

int AttachmentsDialog::UsedSlots() const {
  int used = 0;
  for (const auto& slot : card_.attachments)
    if (slot && slot->InUse()) ++used;
  return used;
}

void AttachmentsDialog::Fill() {
  list_->clear();
  for (size_t i = 0; i < card_.attachments.size(); ++i) {
    const auto& slot = card_.attachments[i];
    if (!slot || !slot->InUse()) continue;
    auto* item = new QListWidgetItem(ui::ToQString(slot->fileName), list_);
    item->setData(Qt::UserRole, int(i));
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
  SelectionChanged();
}

int AttachmentsDialog::SelectedSlot() const {
  const QListWidgetItem* item = list_->currentItem();
  return item ? item->data(Qt::UserRole).toInt() : -1;
}

bool AttachmentsDialog::CanRun(int command) const {
  switch (command) {
    case kIdAddFile: return UsedSlots() < int(card_.attachments.size());
    case kIdRemoveFile:
    case kIdExportFile:
    case kIdOpenFile: return SelectedSlot() >= 0;
    default: return true;
  }
}

void AttachmentsDialog::SelectionChanged() {
  const int slot = SelectedSlot();
  if (slot >= 0) {
    const storage::Attachment& a = *card_.attachments[size_t(slot)];
    const QString date = ui::ToQString(platform::FormatShortDate(a.fileTime));
    QString text = Text(kStrInfo);
    text.replace(text.indexOf(QLatin1String("%s")), 2, date);
    const int second = text.indexOf(QLatin1String("%s"));
    if (second >= 0) text.replace(second, 2, FormatSize(a.bytes.size()));
    info_->setText(text);
  } else {
    info_->clear();
  }
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (buttons_[i]) buttons_[i]->setEnabled(CanRun(kButtons[i].id));
}

void AttachmentsDialog::OnInitMenuPopup(QMenu* menu) {
  EnableMenuEntries(menu, [this](int command) { return CanRun(command); });
}

void AttachmentsDialog::Dispatch(int commandId) {
  switch (commandId) {
    case kIdAddFile: Add(); return;
    case kIdRemoveFile: Remove(); return;
    case kIdExportFile: Export(); return;
    case kIdOpenFile: Open(); return;
    default: ModalDialog::Dispatch(commandId); return;
  }
}

void AttachmentsDialog::Add() {
  if (!CanRun(kIdAddFile)) return;
  dialogs::FilePickerOptions options;
  options.titleNumber = kStrPickerTitle;
  options.filter = "*.*";
  options.icon = kIcon;
  const std::optional<std::string> path = pickFile(this, options);
  if (!path) return;
  if (!card_.AddAttachmentFromFile(*path, MediaReadLimit())) {
    ShowUnreadable(this);
    return;
  }
  card_.changed = true;
  Fill();
}

void AttachmentsDialog::Remove() {
  const int slot = SelectedSlot();
  if (slot < 0) return;
  card_.RemoveAttachment(size_t(slot));
  card_.changed = true;
  Fill();
}

void AttachmentsDialog::Export() {
  const int slot = SelectedSlot();
  if (slot < 0) return;
  if (const auto path = WriteAttachmentCopy(*card_.attachments[size_t(slot)])) ShowSaved(this, *path);
}

void AttachmentsDialog::Open() {
  const int slot = SelectedSlot();
  if (slot >= 0) OpenAttachment(card_, size_t(slot), OpenedFrom::Dialog);
}

bool RunAttachmentsDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card) {
  AttachmentsDialog dialog(owner, settings, card);
  return dialog.RunModal() == ui::kResultOk;
}

}  // namespace tb::cards
