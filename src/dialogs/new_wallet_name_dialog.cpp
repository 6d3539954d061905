#include "dialogs/new_wallet_name_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/dialog_style.h"
#include "dialogs/file_picker_dialog.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/texts.h"

namespace tb::dialogs {

NewWalletNameDialog::NewWalletNameDialog(QWidget* owner, uint32_t osMajorVersion)
    : ModalDialog(owner, kNewWalletNameTemplate), places_(shell::NewWalletPlaces(osMajorVersion)) {
  setObjectName(QStringLiteral("NewWalletName"));
  SetFullScreen(true);
  auto* outer = new QVBoxLayout(Body());
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(MakeTitleBand(Body(), ui::Text(shell::kNewWalletTitle)));
  auto* grid = new QGridLayout;
  grid->setContentsMargins(ui::Scale(6), ui::ScaleY(6), ui::Scale(6), ui::ScaleY(6));
  auto* label = new QLabel(ui::Text(shell::kNewWalletNameLabel), Body());
  ui::SetControlId(label, kNewWalletNameLabelId);
  name_ = new QLineEdit(Body());
  ui::SetControlId(name_, kNewWalletNameEditId);
  name_->setMaxLength(int(shell::kMaxNewWalletNameLength));
  auto* saveInLabel = new QLabel(Body());
  ui::SetControlId(saveInLabel, kSaveInLabelId);
  saveIn_ = new QComboBox(Body());
  ui::SetControlId(saveIn_, kSaveInListId);
  for (size_t i = 0; i < places_.size(); ++i) saveIn_->addItem(ui::Text(places_[i].textNumber), int(i));
  saveIn_->setCurrentIndex(0);
  saveIn_->setEnabled(places_.size() >= 2);
  grid->addWidget(label, 0, 0);
  grid->addWidget(name_, 1, 0);
  grid->addWidget(saveIn_, 2, 0);
  outer->addLayout(grid);
  outer->addStretch(1);
  saveInLabel->hide();
}

void NewWalletNameDialog::OnInitDialog() {
  setWindowTitle(ui::Text(shell::kNewWalletTitle));
  SetMenuBar(969);
  if (!parentWidget()) SizeLikeMainWindow(this);
  name_->setFocus();
}

void NewWalletNameDialog::Confirm() {
  const int index = saveIn_->currentIndex();
  if (index < 0 || size_t(index) >= places_.size()) {
    EndDialog(ui::kResultCancel);
    return;
  }
  const shell::NameCheck check = shell::CheckNewWalletName(ui::ToU16(name_->text()), places_[size_t(index)]);
  switch (check.status) {
    case shell::NameStatus::Ok:
      path_ = check.path;
      EndDialog(ui::kResultOk);
      return;
    case shell::NameStatus::Empty: EndDialog(ui::kResultCancel); return;
    default: {
      // Forbidden, too long or taken: say so and stay.
      ui::MessageBoxPrompter(this).Show(check.message);
      name_->setFocus();
      return;
    }
  }
}

void NewWalletNameDialog::Dispatch(int commandId) {
  if (commandId == ui::kCmdOk || commandId == ui::kCmdDone) {
    Confirm();
    return;
  }
  ModalDialog::Dispatch(commandId);
}

std::optional<std::string> RunNewWalletName(QWidget* owner, uint32_t osMajorVersion) {
  NewWalletNameDialog dialog(owner, osMajorVersion);
  if (dialog.RunModal() != ui::kResultOk || dialog.Path().empty()) return std::nullopt;
  return dialog.Path();
}

}  // namespace tb::dialogs
