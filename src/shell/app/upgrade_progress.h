#pragma once
// The progress dialog of a version-5 wallet's format upgrade. The wallet's
// Open converts the records on a worker thread and, on the thread that
// waits for it (the interface thread), hands out how far it got: the
// first report shows the dialog, every report moves its bar and lets it
// paint. (The first report comes a moment after the start: a conversion
// done sooner shows no dialog at all.) The dialog goes as soon as the
// interface runs anything but a report again, which is once the
// conversion has ended: at the latest as the message that tells how it
// went comes up.
#include <QPointer>

class QWidget;

namespace tb::shell {
class MainWindow;
class Settings;
}  // namespace tb::shell

namespace tb::dialogs {
class UpgradeProgressDialog;
}

namespace tb::shell {

class UpgradeProgressPresenter {
 public:
  UpgradeProgressPresenter(QWidget* owner, const Settings& settings);
  ~UpgradeProgressPresenter();
  UpgradeProgressPresenter(const UpgradeProgressPresenter&) = delete;
  UpgradeProgressPresenter& operator=(const UpgradeProgressPresenter&) = delete;

  // One report of the conversion: the part done, 0 to 1.
  void Report(double fraction);

 private:
  void ArmEnd();
  void End();

  QPointer<QWidget> owner_;
  const Settings& settings_;
  QPointer<tb::dialogs::UpgradeProgressDialog> dialog_;
  bool inReport_ = false;
  bool endArmed_ = false;
};

// Gives the main window's wallet a progress dialog for its upgrades.
void WireUpgradeProgress(MainWindow& window);

}  // namespace tb::shell
