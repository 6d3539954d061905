#include "dialogs/password_entry_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "dialogs/dialog_style.h"
#include "dialogs/idle_countdown.h"
#include "dialogs/secret_edit.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"
#include "storage/wallet.h"

namespace tb::dialogs {
namespace {

using tb::ui::SetControlId;
using tb::ui::Text;

constexpr int kBarDoneCancel = 969;
constexpr uint32_t kStrPassword = 26003;
constexpr uint32_t kStrHintIntro = 26009;
constexpr uint32_t kStrTip = 26010;
constexpr uint32_t kStrClear = 26015;
constexpr uint32_t kStrBack = 26016;
constexpr uint32_t kStrWrongPassword = 27006;
constexpr size_t kHintUnits = 256;

}  // namespace

PasswordEntryDialog::PasswordEntryDialog(QWidget* owner, tb::shell::Settings& settings, tb::storage::Wallet* wallet,
                                         PasswordPromptOptions options)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplatePasswordSmartphone : kTemplatePasswordPocketPC),
      settings_(settings),
      wallet_(wallet),
      options_(std::move(options)),
      smartphone_(settings.IsSmartphone()) {
  countdown_ = new IdleCountdown(this, [this] { Dispatch(tb::ui::kCmdMenuCancel); });
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);
  edit_ = new QLineEdit(Body());
  SetControlId(edit_, kIdPasswordEdit);
  edit_->setMaxLength(kPasswordEditLimit);
  if (smartphone_) {
    BuildSmartphone();
  } else {
    BuildPocketPC();
  }
  SetFullScreen(true);
  SizeLikeMainWindow(this);
}

PasswordEntryDialog::~PasswordEntryDialog() { WipeEdit(edit_); }

void PasswordEntryDialog::BuildPocketPC() {
  edit_->setAlignment(Qt::AlignCenter);
  SetPasswordInputMode(edit_, false);

  auto* content = new QWidget(Body());
  auto* grid = new QGridLayout(content);
  const int margin = ContentMargin();
  grid->setContentsMargins(margin, tb::ui::ScaleY(10), margin, margin);
  grid->setHorizontalSpacing(tb::ui::ScaleX(4));
  grid->setVerticalSpacing(tb::ui::ScaleY(4));
  const QSize keySize(tb::ui::ScaleX(52), tb::ui::ScaleY(34));

  auto makeKey = [&](int id, const QString& text, int r, int g, int b) {
    auto* key = new QPushButton(text, content);
    SetControlId(key, id);
    key->setFixedSize(keySize);
    StyleKey(key, r, g, b);
    connect(key, &QPushButton::clicked, this, [this, id] { Dispatch(id); });
    return key;
  };
  // The edit over the first two columns, OK beside it; then the digits
  // 1-2-3, 4-5-6, 7-8-9 and Clear, 0, Back.
  edit_->setFixedHeight(keySize.height());
  grid->addWidget(edit_, 0, 0, 1, 2);
  grid->addWidget(makeKey(kIdKeyOk, QStringLiteral("OK"), 0, 128, 0), 0, 2);
  for (int digit = 1; digit <= 9; ++digit) {
    grid->addWidget(makeKey(kIdKey0 + digit, QString::number(digit), 0, 48, 206), 1 + (digit - 1) / 3, (digit - 1) % 3);
  }
  grid->addWidget(makeKey(kIdKeyClear, Text(kStrClear), 255, 56, 56), 4, 0);
  grid->addWidget(makeKey(kIdKey0, QStringLiteral("0"), 0, 48, 206), 4, 1);
  grid->addWidget(makeKey(kIdKeyBack, Text(kStrBack), 255, 56, 56), 4, 2);

  tip_ = new QLabel(Text(kStrTip), content);
  SetControlId(tip_, kIdTip);
  tip_->setAlignment(Qt::AlignCenter);
  tip_->setWordWrap(true);
  grid->setRowMinimumHeight(5, tb::ui::ScaleY(4));
  grid->addWidget(tip_, 6, 0, 1, 3);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(content);
  row->addStretch(1);
  static_cast<QVBoxLayout*>(Body()->layout())->addLayout(row);
  static_cast<QVBoxLayout*>(Body()->layout())->addStretch(1);
}

void PasswordEntryDialog::BuildSmartphone() {
  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, tb::ui::ScaleY(6), margin, margin);
  column->setSpacing(tb::ui::ScaleY(4));
  prompt_ = new QLabel(Text(kStrPassword), content);
  SetControlId(prompt_, kIdPromptLabel);
  column->addWidget(prompt_);
  column->addWidget(edit_);
  numeric_ = new QCheckBox(Text(kStrNumericEntry), content);
  SetControlId(numeric_, kIdNumericEntry);
  numeric_->setFocusPolicy(Qt::TabFocus);
  column->addWidget(numeric_);
  column->addStretch(1);
  static_cast<QVBoxLayout*>(Body()->layout())->addWidget(content, 1);

  const bool numeric = settings_.passNumeric != 0;
  numeric_->setChecked(numeric);
  SetPasswordInputMode(edit_, numeric);
  connect(numeric_, &QCheckBox::clicked, this, [this](bool checked) {
    settings_.passNumeric = checked ? 1 : 0;
    SetPasswordInputMode(edit_, checked);
    edit_->setFocus();
  });
}

void PasswordEntryDialog::OnInitDialog() {
  SetMenuBar(kBarDoneCancel);
  if (smartphone_) {
    title_->SetText(tb::ui::ToQString(options_.walletName));
  } else if (options_.walletName.empty()) {
    title_->SetText(Text(kStrPassword));
  } else {
    title_->SetText(QStringLiteral("%1 (%2)").arg(Text(kStrPassword), tb::ui::ToQString(options_.walletName)));
  }
  setWindowTitle(title_->Text());
  failed_ = 0;
  hintShown_ = false;
  countdown_->Start();
}

void PasswordEntryDialog::showEvent(QShowEvent* event) {
  ModalDialog::showEvent(event);
  if (focused_) return;
  focused_ = true;
  QTimer::singleShot(0, this, [this] {
    edit_->setFocus();
    if (!smartphone_) {
      // The on-screen keypad serves in landscape; the input panel only
      // when the screen is taller than wide.
      QInputMethod* panel = QGuiApplication::inputMethod();
      const QScreen* screen = this->screen();
      if (screen && screen->size().height() > screen->size().width()) {
        panel->show();
      } else {
        panel->hide();
      }
    }
  });
}

void PasswordEntryDialog::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) WipeEdit(edit_);
  ModalDialog::hideEvent(event);
}

void PasswordEntryDialog::OnEndDialog(int) {
  countdown_->Stop();
  WipeEdit(edit_);
}

void PasswordEntryDialog::Dispatch(int commandId) {
  switch (commandId) {
    case tb::ui::kCmdOk:
    case tb::ui::kCmdDone: Confirm(); return;
    default: break;
  }
  if (commandId >= kIdKey0 && commandId <= kIdKeyOk) {
    if (!smartphone_) Keypad(commandId);
    return;
  }
  ModalDialog::Dispatch(commandId);
}

void PasswordEntryDialog::Keypad(int commandId) {
  if (commandId == kIdKeyOk) {
    Confirm();
    return;
  }
  if (commandId == kIdKeyClear) {
    WipeEdit(edit_);
  } else if (commandId == kIdKeyBack) {
    edit_->setFocus();
    PressBackspace();
  } else {
    edit_->insert(QString(QChar(u'0' + (commandId - kIdKey0))));
  }
  edit_->setFocus();
}

void PasswordEntryDialog::PressBackspace() {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier);
  QCoreApplication::sendEvent(edit_, &press);
  QCoreApplication::sendEvent(edit_, &release);
}

bool PasswordEntryDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ModalDialog::eventFilter(watched, event);  // still activity
      Confirm();
      return true;
    }
    // The phone's Back key deletes what was typed; with nothing left to
    // delete it leaves the dialog as usual.
    if (smartphone_ && key == Qt::Key_Escape && !edit_->text().isEmpty()) {
      ModalDialog::eventFilter(watched, event);
      PressBackspace();
      return true;
    }
  }
  return ModalDialog::eventFilter(watched, event);
}

void PasswordEntryDialog::Confirm() {
  tb::storage::Text typed = ReadSecret(edit_, kPasswordUnits);
  if (typed.empty()) {
    EndDialog(tb::ui::kResultCancel);
    return;
  }
  if (wallet_ && !wallet_->CheckPassword(std::u16string_view(typed.data(), typed.size()))) {
    ++failed_;
    tb::ui::ShowMessage(this, kStrWrongPassword, tb::ui::kCaptionPassword, tb::ui::MessageIcon::Warning);
    if (failed_ >= kAttemptsBeforeHint && !hintShown_) {
      hintShown_ = true;
      if (std::optional<tb::storage::Text> hint = wallet_->GetHint(); hint && !hint->empty()) {
        if (hint->size() > kHintUnits) hint->resize(kHintUnits);
        tb::ui::ShowMessageText(
            this, QStringLiteral("%1\n\n%2").arg(Text(kStrHintIntro), tb::ui::ToQString({hint->data(), hint->size()})),
            tb::ui::kCaptionPassword, tb::ui::MessageIcon::Information);
      }
    }
    WipeEdit(edit_);
    edit_->setFocus();
    countdown_->Reset();
    return;
  }
  const size_t room = options_.resultCapacity > 0 ? options_.resultCapacity - 1 : 0;
  if (typed.size() > room) typed.resize(room);
  password_ = std::move(typed);
  EndDialog(tb::ui::kResultOk);
}

std::optional<tb::storage::Text> AskWalletPassword(QWidget* owner, tb::storage::Wallet* wallet,
                                                   tb::shell::Settings& settings,
                                                   const PasswordPromptOptions& options) {
  PasswordEntryDialog dialog(owner, settings, wallet, options);
  if (dialog.RunModal() != tb::ui::kResultOk) return std::nullopt;
  return dialog.Password();
}

}  // namespace tb::dialogs
