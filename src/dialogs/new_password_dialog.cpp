#include "dialogs/new_password_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/dialog_style.h"
#include "dialogs/idle_countdown.h"
#include "dialogs/password_entry_dialog.h"
#include "dialogs/secret_edit.h"
#include "dialogs/strength_bar.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"

namespace tb::dialogs {
namespace {

using tb::ui::SetControlId;
using tb::ui::Text;

constexpr int kBarDoneCancel = 969;
constexpr uint32_t kStrTitleNew = 26001, kStrTitleChange = 26000;
constexpr uint32_t kStrLabelNew = 26007, kStrLabelChange = 26005;
constexpr uint32_t kStrConfirm = 26004, kStrHint = 26008, kStrTip = 26011;
constexpr uint32_t kStrEmpty = 27003, kStrMismatch = 27004, kStrTooShort = 27007;

}  // namespace

NewPasswordDialog::NewPasswordDialog(QWidget* owner, tb::shell::Settings& settings, NewPasswordMode mode)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplateNewPasswordSmartphone : kTemplateNewPasswordPocketPC),
      settings_(settings),
      mode_(mode),
      smartphone_(settings.IsSmartphone()) {
  countdown_ = new IdleCountdown(this, [this] { Dispatch(tb::ui::kCmdMenuCancel); });
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);

  auto* content = new QWidget(Body());
  auto* grid = new QGridLayout(content);
  const int margin = ContentMargin();
  grid->setContentsMargins(margin, tb::ui::ScaleY(8), margin, margin);
  grid->setHorizontalSpacing(tb::ui::ScaleX(6));
  grid->setVerticalSpacing(tb::ui::ScaleY(smartphone_ ? 2 : 6));
  layout->addWidget(content);
  layout->addStretch(1);

  const int labelIds[3] = {kIdNewPasswordLabel, kIdConfirmLabel, kIdHintLabel};
  const int editIds[3] = {kIdNewPassword, kIdConfirmPassword, kIdHint};
  QLineEdit** edits[3] = {&password_, &confirm_, &hint_};
  int row = 0;
  for (int i = 0; i < 3; ++i) {
    labels_[i] = new QLabel(content);
    SetControlId(labels_[i], labelIds[i]);
    *edits[i] = new QLineEdit(content);
    SetControlId(*edits[i], editIds[i]);
    if (smartphone_) {
      // Labels over their edits, everything as wide as the dialog.
      grid->addWidget(labels_[i], row++, 0);
      grid->addWidget(*edits[i], row++, 0);
    } else {
      grid->addWidget(labels_[i], row, 0, Qt::AlignLeft | Qt::AlignVCenter);
      grid->addWidget(*edits[i], row++, 1);
    }
    if (i == 0) {
      // How hard the new password is to guess, under its field; it never
      // decides what is accepted.
      strength_ = new StrengthBar(content);
      grid->addWidget(strength_, row++, smartphone_ ? 0 : 1);
    }
  }
  password_->setMaxLength(kPasswordEditLimit);
  confirm_->setMaxLength(kPasswordEditLimit);
  hint_->setMaxLength(kHintEditLimit);
  const bool numeric = smartphone_ && settings_.passNumeric != 0;
  SetPasswordInputMode(password_, numeric);
  SetPasswordInputMode(confirm_, numeric);
  hint_->setInputMethodHints(Qt::ImhNoPredictiveText);
  connect(password_, &QLineEdit::textChanged, strength_, &StrengthBar::SetPassword);
  strength_->SetPassword(QString());

  tip_ = new QLabel(content);
  SetControlId(tip_, kIdTip);
  tip_->setWordWrap(true);
  tip_->setMargin(tb::ui::ScaleX(3));
  tip_->setAutoFillBackground(true);
  QPalette tipColours = tip_->palette();
  tipColours.setColor(QPalette::Window, Qt::white);
  tipColours.setColor(QPalette::WindowText, QColor(0, 0, 255));
  tip_->setPalette(tipColours);
  grid->addWidget(tip_, row++, 0, 1, smartphone_ ? 1 : 2);

  if (smartphone_) {
    numeric_ = new QCheckBox(content);
    SetControlId(numeric_, kIdNumericEntry);
    numeric_->setChecked(numeric);
    grid->addWidget(numeric_, row++, 0);
    connect(numeric_, &QCheckBox::clicked, this, [this](bool checked) {
      settings_.passNumeric = checked ? 1 : 0;
      SetPasswordInputMode(password_, checked);
      SetPasswordInputMode(confirm_, checked);
    });
  } else {
    grid->setColumnStretch(1, 1);
  }
  SetFullScreen(true);
  SizeLikeMainWindow(this);
}

NewPasswordDialog::~NewPasswordDialog() {
  WipeEdit(password_);
  WipeEdit(confirm_);
}

void NewPasswordDialog::OnInitDialog() {
  SetMenuBar(kBarDoneCancel);
  const bool change = mode_ == NewPasswordMode::Change;
  title_->SetText(Text(change ? kStrTitleChange : kStrTitleNew));
  setWindowTitle(title_->Text());
  labels_[0]->setText(Text(change ? kStrLabelChange : kStrLabelNew));
  labels_[1]->setText(Text(kStrConfirm));
  labels_[2]->setText(Text(kStrHint));
  tip_->setText(Text(kStrTip));
  if (numeric_) numeric_->setText(Text(kStrNumericEntry));
  countdown_->Start();
}

void NewPasswordDialog::showEvent(QShowEvent* event) {
  ModalDialog::showEvent(event);
  if (focused_) return;
  focused_ = true;
  QTimer::singleShot(0, this, [this] {
    password_->setFocus();
    if (!smartphone_) QGuiApplication::inputMethod()->show();
  });
}

bool NewPasswordDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == password_ || watched == confirm_ || watched == hint_)) {
    auto* edit = static_cast<QLineEdit*>(watched);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ModalDialog::eventFilter(watched, event);
      Confirm();
      return true;
    }
    // The phone's Back key deletes in the field while there is text.
    if (smartphone_ && key == Qt::Key_Escape && !edit->text().isEmpty()) {
      ModalDialog::eventFilter(watched, event);
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier);
      QCoreApplication::sendEvent(edit, &press);
      QCoreApplication::sendEvent(edit, &release);
      return true;
    }
  }
  return ModalDialog::eventFilter(watched, event);
}

void NewPasswordDialog::Dispatch(int commandId) {
  if (commandId == tb::ui::kCmdOk || commandId == tb::ui::kCmdDone) {
    Confirm();
    return;
  }
  ModalDialog::Dispatch(commandId);
}

void NewPasswordDialog::Confirm() {
  tb::storage::Text password = ReadSecret(password_, kPasswordUnits);
  tb::storage::Text confirmation = ReadSecret(confirm_, kPasswordUnits);
  // The order matters: lengths are compared before the minimum length.
  uint32_t problem = 0;
  tb::ui::MessageIcon icon = tb::ui::MessageIcon::Stop;
  if (password.empty()) {
    problem = kStrEmpty;
  } else if (password.size() != confirmation.size()) {
    problem = kStrMismatch;
    icon = tb::ui::MessageIcon::Warning;
  } else if (password.size() < kMinPasswordUnits) {
    problem = kStrTooShort;
  } else if (password != confirmation) {
    problem = kStrMismatch;
    icon = tb::ui::MessageIcon::Warning;
  }
  if (problem) {
    tb::ui::ShowMessage(this, problem, tb::ui::kCaptionError, icon);
    countdown_->Reset();
    return;
  }
  result_.password = std::move(password);
  result_.hint = ReadSecret(hint_, kHintEditLimit);
  EndDialog(tb::ui::kResultOk);
}

void NewPasswordDialog::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) {
    WipeEdit(password_);
    WipeEdit(confirm_);
  }
  ModalDialog::hideEvent(event);
}

void NewPasswordDialog::OnEndDialog(int) {
  countdown_->Stop();
  WipeEdit(password_);
  WipeEdit(confirm_);
  if (QGuiApplication::inputMethod()->isVisible()) QGuiApplication::inputMethod()->hide();
}

std::optional<NewPassword> RunNewPasswordDialog(QWidget* owner, tb::shell::Settings& settings, NewPasswordMode mode) {
  NewPasswordDialog dialog(owner, settings, mode);
  if (dialog.RunModal() != tb::ui::kResultOk) return std::nullopt;
  return dialog.Result();
}

}  // namespace tb::dialogs
