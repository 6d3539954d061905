// Pictures of what the setup library shows: the confirmation, the
// language dialogs 106 (Pocket PC) and 105 (Smartphone), the removal's
// question and notice. Written only when TB_KEEP_SCREENSHOTS names a
// folder: pictures stay out of the test run.
#include <QDir>
#include <QTest>

#include "setup_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::test;

namespace {
QString PathOf(const QString& name) {
  return QDir(QString::fromLocal8Bit(qgetenv("TB_KEEP_SCREENSHOTS"))).filePath(name + ".png");
}

// Grabs every box and dialog the library shows, in order, then answers it.
struct Grabber {
  QTimer poll;
  QPointer<QWidget> last;
  QString prefix;
  int n = 0;
  Grabber(QString name) : prefix(std::move(name)) {
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [this] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w || !w->isVisible() || w == last) return;
      last = w;
      QTimer::singleShot(80, w, [this, w] {
        w->grab().save(PathOf(QString("%1-%2").arg(prefix).arg(++n)));
        if (auto* box = qobject_cast<QMessageBox*>(w)) box->buttons().value(0)->click();
        else if (auto* d = qobject_cast<QDialog*>(w)) d->accept();
      });
    });
    poll.start();
  }
};
}  // namespace

class SetupPictures : public QObject {
  Q_OBJECT

 private slots:
  void whatTheLibraryShows() {
    if (qEnvironmentVariableIsEmpty("TB_KEEP_SCREENSHOTS"))
      QSKIP("set TB_KEEP_SCREENSHOTS to a folder to write the pictures");
    for (const bool smartphone : {false, true}) {
      SetupWorld world("de_DE.UTF-8");
      if (smartphone) world.env.Set("TB_PLATFORM", "Smartphone");
      for (const char* id : {"0407", "0409", "040c", "0410", "0419"})
        WriteAll(world.install + "/ostreltbpro2006.exe." + id + ".mui", "m");
      LoadedLibrary lib;
      Grabber grab(smartphone ? "setup-smartphone" : "setup-pocketpc");
      lib.installInit(nullptr, 1, 0, world.install.c_str());
      lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0);
      if (!smartphone) {
        lib.uninstallInit(nullptr, world.install.c_str());
        lib.uninstallExit(nullptr);
      }
    }
  }
};

TB_QT_TEST(SetupPictures)
#include "pictures_test.moc"
