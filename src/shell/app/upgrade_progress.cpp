#include "shell/app/upgrade_progress.h"

#include <QCoreApplication>
#include <QTimer>

#include <memory>

#include "dialogs/upgrade_progress_dialog.h"
#include "shell/window/main_window.h"

namespace tb::shell {

UpgradeProgressPresenter::UpgradeProgressPresenter(QWidget* owner, const Settings& settings)
    : owner_(owner), settings_(settings) {}

UpgradeProgressPresenter::~UpgradeProgressPresenter() { delete dialog_.data(); }

void UpgradeProgressPresenter::Report(double fraction) {
  if (!dialog_) dialog_ = new tb::dialogs::UpgradeProgressDialog(owner_.data(), settings_);
  if (!dialog_->isVisible()) {
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
  }
  dialog_->SetFraction(fraction);
  // The interface thread is held by the conversion between reports: this
  // is the dialog's only chance to paint. What the user types waits until
  // the conversion is over.
  inReport_ = true;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  inReport_ = false;
  ArmEnd();
}

// Posted after each report: it runs with the next report (and is posted
// again after it) or, once the conversion has ended, with whatever the
// interface does next.
void UpgradeProgressPresenter::ArmEnd() {
  if (endArmed_ || !dialog_) return;
  endArmed_ = true;
  QTimer::singleShot(0, dialog_.data(), [this] {
    endArmed_ = false;
    if (!inReport_) End();
  });
}

void UpgradeProgressPresenter::End() {
  if (dialog_ && dialog_->isVisible()) dialog_->EndDialog(tb::ui::kResultOk);
}

void WireUpgradeProgress(MainWindow& window) {
  auto presenter = std::make_shared<UpgradeProgressPresenter>(&window, window.Context().settings);
  window.Context().wallet.SetUpgradeProgress([presenter](double fraction) { presenter->Report(fraction); });
}

}  // namespace tb::shell
