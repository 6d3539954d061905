#include "dialogs/security_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include "dialogs/dialog_style.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"
#include "storage/blocks.h"

namespace tb::dialogs {
namespace {

using tb::ui::SetControlId;
using tb::ui::Text;

constexpr int kBarDoneCancel = 969;
constexpr uint32_t kStrTitle = 28500, kStrLabel = 28501, kStrCloseOnLock = 28520;
constexpr uint32_t kFlagAutoCloseSet = 0x10000;
// The selection looks at no more entries than this.
constexpr int kMaxEntriesLooked = 201;

}  // namespace

SecurityOptionsDialog::SecurityOptionsDialog(QWidget* owner, tb::shell::Settings& settings, uint32_t currentMinutes)
    : ModalDialog(owner, settings.IsSmartphone() ? kTemplateSecuritySmartphone : kTemplateSecurityPocketPC),
      settings_(settings),
      current_(currentMinutes),
      smartphone_(settings.IsSmartphone()) {
  QVBoxLayout* layout = nullptr;
  title_ = AddTitleBarColumn(Body(), settings, &layout);
  auto* content = new QWidget(Body());
  auto* column = new QVBoxLayout(content);
  const int margin = ContentMargin();
  column->setContentsMargins(margin, tb::ui::ScaleY(8), margin, margin);
  column->setSpacing(tb::ui::ScaleY(6));
  label_ = new QLabel(content);
  SetControlId(label_, kIdPeriodLabel);
  label_->setWordWrap(true);
  column->addWidget(label_);
  if (smartphone_) {
    // One entry at a time, changed with Left/Right or the spinner.
    auto* row = new QHBoxLayout;
    list_ = new QListWidget(content);
    SetControlId(list_, kIdPeriodList);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    spinner_ = new QSpinBox(content);
    SetControlId(spinner_, kIdPeriodSpinner);
    spinner_->setRange(0, int(kAutoClosePeriods.size()) - 1);
    spinner_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    spinner_->setFixedWidth(tb::ui::ScaleX(22));
    spinner_->setFocusPolicy(Qt::NoFocus);
    spinner_->setStyleSheet(QStringLiteral("QSpinBox { color: transparent; }"));
    row->addWidget(list_, 1);
    row->addWidget(spinner_);
    column->addLayout(row);
    connect(spinner_, &QSpinBox::valueChanged, this, [this](int v) { Select(v); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int r) {
      if (r >= 0 && spinner_->value() != r) spinner_->setValue(r);
      if (QListWidgetItem* item = list_->item(r)) list_->scrollToItem(item, QAbstractItemView::PositionAtTop);
    });
  } else {
    combo_ = new QComboBox(content);
    SetControlId(combo_, kIdPeriodList);
    column->addWidget(combo_);
  }
  closeOnLock_ = new QCheckBox(content);
  SetControlId(closeOnLock_, kIdCloseOnLock);
  closeOnLock_->setChecked(settings_.securityCloseOnLock != 0);
  column->addSpacing(tb::ui::ScaleY(4));
  column->addWidget(closeOnLock_);
  column->addStretch(1);
  layout->addWidget(content, 1);
  SetFullScreen(true);
  SizeLikeMainWindow(this);
}

void SecurityOptionsDialog::OnInitDialog() {
  SetMenuBar(kBarDoneCancel);
  title_->SetText(Text(kStrTitle));
  setWindowTitle(title_->Text());
  label_->setText(Text(kStrLabel));
  closeOnLock_->setText(Text(kStrCloseOnLock));
  for (const AutoClosePeriod& period : kAutoClosePeriods) {
    if (combo_) combo_->addItem(Text(period.textNumber), period.minutes);
    if (list_) {
      auto* item = new QListWidgetItem(Text(period.textNumber), list_);
      item->setData(Qt::UserRole, period.minutes);
    }
  }
  if (list_) {
    // Exactly one entry shows; the spinner beside it is as high.
    const int height = list_->sizeHintForRow(0) + 2 * list_->frameWidth();
    list_->setFixedHeight(height);
    spinner_->setFixedHeight(height);
  }
  const int count = combo_ ? combo_->count() : list_->count();
  int chosen = 0;  // a period not offered selects the first entry ("never")
  for (int i = 0; i < count && i < kMaxEntriesLooked; ++i) {
    const QVariant minutes = combo_ ? combo_->itemData(i) : list_->item(i)->data(Qt::UserRole);
    if (minutes.toUInt() == current_) {
      chosen = i;
      break;
    }
  }
  Select(chosen);
}

void SecurityOptionsDialog::Dispatch(int commandId) {
  if (commandId == tb::ui::kCmdOk || commandId == tb::ui::kCmdDone)
    settings_.securityCloseOnLock = closeOnLock_->isChecked() ? 1 : 0;
  ModalDialog::Dispatch(commandId);
}

int SecurityOptionsDialog::SelectedIndex() const { return combo_ ? combo_->currentIndex() : list_->currentRow(); }

void SecurityOptionsDialog::Select(int index) {
  if (combo_) {
    combo_->setCurrentIndex(index);
  } else if (list_->currentRow() != index) {
    list_->setCurrentRow(index);
  }
}

uint32_t SecurityOptionsDialog::SelectedMinutes() const {
  const int index = SelectedIndex();
  if (index < 0) return 0;
  const QVariant minutes = combo_ ? combo_->itemData(index) : list_->item(index)->data(Qt::UserRole);
  return minutes.toUInt();
}

bool SecurityOptionsDialog::eventFilter(QObject* watched, QEvent* event) {
  // Smartphone: Left and Right step through the list as the spinner does.
  if (list_ && watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
      ModalDialog::eventFilter(watched, event);
      const int next = SelectedIndex() + (key == Qt::Key_Right ? 1 : -1);
      if (next >= 0 && next < list_->count()) Select(next);
      return true;
    }
  }
  return ModalDialog::eventFilter(watched, event);
}

std::optional<uint32_t> RunSecurityOptions(QWidget* owner, tb::shell::Settings& settings, uint32_t currentMinutes) {
  SecurityOptionsDialog dialog(owner, settings, currentMinutes);
  if (dialog.RunModal() != tb::ui::kResultOk) return std::nullopt;
  return dialog.SelectedMinutes();
}

bool StoreAutoClosePeriod(tb::storage::WalletOptions& options, uint32_t minutes) {
  if (options.AutoCloseMinutes() == minutes) return false;
  options.SetAutoCloseMinutes(minutes);
  options.AddFlags(kFlagAutoCloseSet);
  options.Touch();
  return true;
}

}  // namespace tb::dialogs
