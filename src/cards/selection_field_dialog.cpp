#include "cards/selection_field_dialog.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "cards/command_buttons.h"
#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"
#include "storage/card.h"

namespace tb::cards {
namespace {

using ui::SetControlId;
using ui::Text;

constexpr int kBarPocketPC = 969;
constexpr int kBarSmartphone = 982;
constexpr int kIcon = 232;
constexpr int kListFont = 1;
constexpr int kEditFont = 7;
constexpr uint32_t kStrTitle = 28720;
constexpr struct {
  int id;
  uint32_t text;
} kButtons[] = {{kIdAddChoice, 28721}, {kIdDeleteChoice, 28722}, {kIdChoiceUp, 28723}, {kIdChoiceDown, 28724}};

QString FromText(const storage::Text& text) { return ui::ToQString(std::u16string_view(text.data(), text.size())); }

}  // namespace

SelectionFieldDialog::SelectionFieldDialog(QWidget* owner, const shell::Settings& settings, const storage::Field& field)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplateSelectionSmartphone : kTemplateSelectionPocketPC),
      field_(field),
      smartphone_(settings.IsSmartphone()) {
  QVBoxLayout* column = nullptr;
  title_ = dialogs::AddTitleBarColumn(Body(), settings, &column);
  auto* content = new QWidget(Body());
  auto* grid = new QGridLayout(content);
  const int margin = dialogs::ContentMargin();
  grid->setContentsMargins(margin, ui::ScaleY(6), margin, margin);
  grid->setSpacing(ui::ScaleY(4));
  edit_ = new QLineEdit(content);
  SetControlId(edit_, kIdChoiceEdit);
  edit_->setMaxLength(kChoiceEditLimit);
  if (const QFont* font = ui::FontService::Font(kEditFont)) edit_->setFont(*font);
  grid->addWidget(edit_, 0, 0, 1, 2);
  list_ = new QListWidget(content);
  SetControlId(list_, kIdChoiceList);
  if (const QFont* font = ui::FontService::Font(kListFont)) list_->setFont(*font);
  grid->addWidget(list_, 1, 0, 1, 2);
  grid->setRowStretch(1, 1);
  if (!smartphone_) {
    // Smartphone has these as entries of its menu.
    for (size_t i = 0; i < std::size(kButtons); ++i) {
      buttons_[i] = MakeCommandButton(this, content, kButtons[i].id);
      buttons_[i]->setFocusPolicy(Qt::NoFocus);
      grid->addWidget(buttons_[i], 2 + int(i / 2), int(i % 2));
    }
  }
  column->addWidget(content, 1);
  edit_->installEventFilter(this);
  list_->installEventFilter(this);
  connect(list_, &QListWidget::currentRowChanged, this, [this] { Refresh(); });
  connect(edit_, &QLineEdit::textChanged, this, [this] { Refresh(); });
  SetFullScreen(true);
  dialogs::SizeLikeMainWindow(this);
}

void SelectionFieldDialog::OnInitDialog() {
  SetMenuBar(smartphone_ ? kBarSmartphone : kBarPocketPC);
  title_->SetText(Text(kStrTitle));
  title_->SetIconResource(kIcon);
  setWindowTitle(title_->Text());
  for (size_t i = 0; i < std::size(kButtons); ++i)
    if (buttons_[i]) buttons_[i]->setText(Text(kButtons[i].text));
  for (const storage::Text& item : field_.items) list_->addItem(FromText(item));
  edit_->setFocus(Qt::OtherFocusReason);
  Refresh();
}

QStringList SelectionFieldDialog::Entries() const {
  QStringList entries;
  for (int i = 0; i < list_->count(); ++i) entries << list_->item(i)->text();
  return entries;
}

bool SelectionFieldDialog::CanRun(int command) const {
  const int row = list_->currentRow();
  const bool inEdit = edit_->hasFocus();
  switch (command) {
    case kIdAddChoice: return !edit_->text().isEmpty() && (inEdit || !smartphone_);
    case kIdDeleteChoice: return !inEdit && list_->count() > 0;
    case kIdChoiceUp: return !inEdit && row > 0;
    case kIdChoiceDown: return !inEdit && row >= 0 && row < list_->count() - 1;
    default: return true;
  }
}

void SelectionFieldDialog::Refresh() {
  // Pocket PC's buttons stay usable whichever control has the focus.
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    if (!buttons_[i]) continue;
    const int row = list_->currentRow();
    bool enabled = true;
    switch (kButtons[i].id) {
      case kIdAddChoice: enabled = !edit_->text().isEmpty(); break;
      case kIdDeleteChoice: enabled = list_->count() > 0; break;
      case kIdChoiceUp: enabled = row > 0; break;
      default: enabled = row >= 0 && row < list_->count() - 1; break;
    }
    buttons_[i]->setEnabled(enabled);
  }
}

void SelectionFieldDialog::OnInitMenuPopup(QMenu* menu) {
  EnableMenuEntries(menu, [this](int command) { return CanRun(command); });
}

void SelectionFieldDialog::Dispatch(int commandId) {
  switch (commandId) {
    case kIdAddChoice: Add(); return;
    case kIdDeleteChoice: Delete(); return;
    case kIdChoiceUp: MoveSelected(-1); return;
    case kIdChoiceDown: MoveSelected(1); return;
    default: ModalDialog::Dispatch(commandId); return;
  }
}

void SelectionFieldDialog::Add() {
  const QString text = edit_->text();
  if (text.isEmpty()) return;
  list_->addItem(text.left(kChoiceLimit));
  edit_->clear();
  edit_->setFocus(Qt::OtherFocusReason);
  Refresh();
}

void SelectionFieldDialog::Delete() {
  const int row = list_->currentRow();
  if (row < 0) return;
  delete list_->takeItem(row);
  if (list_->count() > 0) list_->setCurrentRow(std::max(0, row - 1));
  Refresh();
}

void SelectionFieldDialog::MoveSelected(int step) {
  const int row = list_->currentRow();
  const int target = row + step;
  if (row < 0 || target < 0 || target >= list_->count()) return;
  list_->insertItem(target, list_->takeItem(row));
  list_->setCurrentRow(target);
  Refresh();
}

bool SelectionFieldDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !smartphone_) return ModalDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (watched == edit_) {
    if (key == Qt::Key_Down && list_->count() > 0) {
      list_->setFocus(Qt::OtherFocusReason);
      list_->setCurrentRow(0);
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Add();
      return true;
    }
  } else if (watched == list_ && key == Qt::Key_Up && list_->currentRow() <= 0) {
    edit_->setFocus(Qt::OtherFocusReason);
    return true;
  }
  return ModalDialog::eventFilter(watched, event);
}

bool RunSelectionFieldEditor(QWidget* owner, const shell::Settings& settings, storage::Field& field) {
  SelectionFieldDialog dialog(owner, settings, field);
  if (dialog.RunModal() != ui::kResultOk) return false;
  // Stored as the field would keep them, so that an unchanged list changes nothing.
  storage::Field result;
  result.kind = field.kind;
  for (const QString& entry : dialog.Entries()) {
    const std::u16string_view text(reinterpret_cast<const char16_t*>(entry.utf16()), size_t(entry.size()));
    if (!result.AddItem(text) && result.items.size() >= storage::kMaxItems) break;
  }
  if (result.items == field.items) return false;
  field.ClearItems();
  for (const storage::Text& item : result.items) field.AddItem(std::u16string_view(item.data(), item.size()));
  return true;
}

}  // namespace tb::cards
