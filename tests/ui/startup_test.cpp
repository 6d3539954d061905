#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <fstream>

#include <unistd.h>

#include "platform/core/registry.h"
#include "platform/ui/dpi.h"
#include "platform/ui/private_messages.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/test_doubles.h"
#include "shell/startup/single_instance.h"
#include "shell/startup/startup.h"
#include "shell/window/main_window.h"
#include "support/temp_dir.h"
#include "ui_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::shell;
using tb::ui::ScriptedMessageBoxes;

namespace {

QString UniqueInstanceName() { return QStringLiteral("tbtest-") + QUuid::createUuid().toString(QUuid::Id128); }

// Counts the private messages a window receives.
class Receiver : public QWidget {
 public:
  QList<int> received;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == tb::ui::kMsgSyncStart || event->type() == tb::ui::kMsgSyncEnd) {
      received << int(event->type());
      return true;
    }
    return QWidget::event(event);
  }
};

// Start-up options for a test: its own registry file and instance name,
// the modules of the build.
StartupOptions Options(const tb::test::TempDir& dir, const QString& instance, std::vector<std::string> args = {}) {
  StartupOptions options;
  options.args = std::move(args);
  options.registryPath = dir.File("registry.reg");
  options.moduleFolder = tb::ui::test::ModulePath();
  options.instanceName = instance;
  options.programPath = u"/opt/tamberlock/ostreltbpro2006";
  return options;
}

MainWindowFactory PlaceholderWindow() {
  return [](AppContext& context) { return std::make_unique<MainWindow>(context); };
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void secondCopyHandsItsRequestToTheFirst() {
    const QString name = UniqueInstanceName();
    SingleInstance first(name);
    QCOMPARE(first.Acquire(), SingleInstance::Claim::First);
    QVERIFY(first.IsListening());
    // Lock and socket live in the user's private folder, nowhere shared.
    QVERIFY(QFileInfo(QString::fromStdString(first.Paths().socket)).exists());
    QCOMPARE(QFileInfo(QString::fromStdString(first.Paths().folder)).permissions() &
                 (QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther),
             QFile::Permissions());
    Receiver window;
    first.SetWindow(&window);
    QSignalSpy requests(&first, &SingleInstance::requestReceived);

    const QList<InstanceRequest> sent = {{InstanceRequestKind::Front, ""},
                                         {InstanceRequestKind::SyncStart, ""},
                                         {InstanceRequestKind::SyncEnd, ""},
                                         {InstanceRequestKind::Close, ""},
                                         {InstanceRequestKind::Import, "/tmp/a\nb.tbx"}};
    for (const InstanceRequest& request : sent) {
      SingleInstance second(name);
      QCOMPARE(second.Acquire(), SingleInstance::Claim::OtherRunning);
      QVERIFY(second.HandOver(request));
      QTRY_COMPARE(requests.count(), sent.indexOf(request) + 1);
    }
    for (int i = 0; i < sent.size(); ++i) QCOMPARE(requests[i].at(0).value<InstanceRequest>(), sent[i]);
    QTRY_COMPARE(window.received, (QList<int>{3524, 3525}));
  }

  void anotherUsersCopyIsNeitherAnsweredNorHandedTo() {
    const QString name = UniqueInstanceName();
    SingleInstance first(name);
    QCOMPARE(first.Acquire(), SingleInstance::Claim::First);
    QSignalSpy requests(&first, &SingleInstance::requestReceived);
    {
      // To this process, every peer now runs as someone else.
      tb::platform::ScopedChannelUser someoneElse(getuid() + 1);
      // The starting copy does not hand over to a stranger: it runs alone.
      SingleInstance second(name);
      QCOMPARE(second.Acquire(200), SingleInstance::Claim::First);
      QVERIFY(!second.IsListening());
      // And the running copy takes no request from one.
      QCOMPARE(tb::platform::SendInstanceRequest(first.Paths().socket, {InstanceRequestKind::Close, ""}),
               tb::platform::ChannelConnect::ForeignPeer);
      tb::platform::InstanceConnection raw;
      {
        tb::platform::ScopedChannelUser asUs(getuid());
        QCOMPARE(raw.Connect(first.Paths().socket), tb::platform::ChannelConnect::Connected);
      }
      QVERIFY(raw.Send({InstanceRequestKind::Close, ""}, 1000));
      QTest::qWait(200);
    }
    QCOMPARE(requests.count(), 0);
    // Our own user is still heard.
    QCOMPARE(tb::platform::SendInstanceRequest(first.Paths().socket, {InstanceRequestKind::Front, ""}),
             tb::platform::ChannelConnect::Connected);
    QTRY_COMPARE(requests.count(), 1);
  }

  void anInstanceLeftByADeadCopyIsTakenOver() {
    const QString name = UniqueInstanceName();
    {
      SingleInstance gone(name);
      QCOMPARE(gone.Acquire(), SingleInstance::Claim::First);
    }
    SingleInstance next(name);
    QCOMPARE(next.Acquire(), SingleInstance::Claim::First);
    QVERIFY(next.IsListening());
  }

  void synchronisationWithoutARunningCopyEndsAtOnce() {
    tb::test::TempDir dir;
    ScriptedMessageBoxes boxes;
    for (const char* keyword : {"SYNC_START", "x sync_end"}) {
      Program program(Options(dir, UniqueInstanceName(), {keyword}));
      bool made = false;
      QVERIFY(!program.Start([&](AppContext& context) {
        made = true;
        return std::make_unique<MainWindow>(context);
      }));
      QCOMPARE(program.Outcome(), StartupOutcome::SyncWithoutCopy);
      QVERIFY(!made);
    }
    QCOMPARE(boxes.Count(), 0u);
    QVERIFY(!QFile::exists(QString::fromStdString(dir.File("registry.reg"))));  // nothing saved
  }

  void secondProgramHandsOverAndSavesNothing() {
    tb::test::TempDir dir;
    ScriptedMessageBoxes boxes;
    const QString name = UniqueInstanceName();
    Program first(Options(dir, name));
    QVERIFY(first.Start(PlaceholderWindow()));
    QSignalSpy requests(first.Instance(), &SingleInstance::requestReceived);
    tb::test::TempDir other;
    Program second(Options(other, name, {"SYNC_END"}));
    QVERIFY(!second.Start(PlaceholderWindow()));
    QCOMPARE(second.Outcome(), StartupOutcome::HandedOver);
    QTRY_COMPARE(requests.count(), 1);
    QCOMPARE(requests[0].at(0).value<InstanceRequest>().kind, InstanceRequestKind::SyncEnd);
    QVERIFY(!QFile::exists(QString::fromStdString(other.File("registry.reg"))));
    first.CleanUp();
  }

  void closeIsHandedOverOrEndsAtOnce() {
    tb::test::TempDir dir;
    ScriptedMessageBoxes boxes;
    const QString name = UniqueInstanceName();
    Program first(Options(dir, name));
    QVERIFY(first.Start(PlaceholderWindow()));
    QSignalSpy requests(first.Instance(), &SingleInstance::requestReceived);
    boxes.Clear();
    tb::test::TempDir other;
    Program closer(Options(other, name, {"--close"}));
    QVERIFY(!closer.Start(PlaceholderWindow()));
    QCOMPARE(closer.Outcome(), StartupOutcome::HandedOver);
    QTRY_COMPARE(requests.count(), 1);
    QCOMPARE(requests[0].at(0).value<InstanceRequest>().kind, InstanceRequestKind::Close);
    first.CleanUp();

    // No copy running: nothing shown, nothing saved, and the instance is
    // free again for the next start.
    const QString unused = UniqueInstanceName();
    bool made = false;
    Program alone(Options(other, unused, {"--close"}));
    QVERIFY(!alone.Start([&](AppContext& context) {
      made = true;
      return std::make_unique<MainWindow>(context);
    }));
    QCOMPARE(alone.Outcome(), StartupOutcome::CloseWithoutCopy);
    QVERIFY(!made);
    QCOMPARE(boxes.Count(), 0u);
    QVERIFY(!QFile::exists(QString::fromStdString(other.File("registry.reg"))));
    SingleInstance next(unused);
    QCOMPARE(next.Acquire(), SingleInstance::Claim::First);
  }

  void firstRunShowsTheWelcomeAndTheEndSavesTheSettings() {
    tb::test::TempDir dir;
    ScriptedMessageBoxes boxes;
    {
      Program program(Options(dir, UniqueInstanceName()));
      QVERIFY(program.Start(PlaceholderWindow()));
      QCOMPARE(boxes.Count(), 1u);
      QCOMPARE(boxes.Last().textNumber, kStrFirstRun);
      QCOMPARE(boxes.Last().captionNumber, 20001u);
      QVERIFY(boxes.Last().text.startsWith("Welcome"));
      QWidget* window = program.MainWindow()->Window();
      QCOMPARE(window->windowTitle(), QString("Tamberlock Pro 6"));
      QVERIFY(window->isVisible());
      program.CleanUp();
    }
    tb::platform::Registry saved(dir.File("registry.reg"));
    const auto count = saved.Get(kSettingsKey, u"Count6");
    QVERIFY(count && count->dword == 1);
    QVERIFY(saved.KeyExists(std::string(kClassesRoot) + "\\.tb5"));

    // The second start is no first run.
    boxes.Clear();
    Program again(Options(dir, UniqueInstanceName()));
    QVERIFY(again.Start(PlaceholderWindow()));
    QCOMPARE(boxes.Count(), 0u);
  }

  void anUnreadableSettingsFileIsReportedAndKept() {
    tb::test::TempDir dir;
    const std::string path = dir.File("registry.reg");
    std::ofstream(path) << "this is no registry file\n";
    ScriptedMessageBoxes boxes;
    {
      Program program(Options(dir, UniqueInstanceName()));
      QVERIFY(program.Start(PlaceholderWindow()));
      QVERIFY(boxes.Count() >= 1);
      QCOMPARE(boxes.Shown()[0].captionNumber, tb::ui::kCaptionError);
      QVERIFY(boxes.Shown()[0].text.contains(QString::fromStdString(path)));
      program.CleanUp();
    }
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    QCOMPARE(QString::fromStdString(line), QString("this is no registry file"));
  }

  void smartphoneMainWindowGetsItsOwnMenuBar() {
    tb::test::TempDir dir;
    ScriptedMessageBoxes boxes;
    Program program(Options(dir, UniqueInstanceName(), {"--platform", "Smartphone"}));
    QVERIFY(program.Start(PlaceholderWindow()));
    QVERIFY(program.Context().platform.isSmartphone);
    auto* window = static_cast<MainWindow*>(program.MainWindow());
    QCOMPARE(window->MenuBar()->MenuBarId(), kBarBrowseSmartphone);
    QVERIFY(!window->MenuBar()->FindAction(40096));
  }

  void placeholderWindowPicture() {
    tb::test::TempDir dir;
    ScriptedMessageBoxes boxes;
    for (int dpi : {96, 192}) {
      tb::ui::ScopedDpi fixed(dpi);
      Program program(Options(dir, UniqueInstanceName()));
      QVERIFY(program.Start(PlaceholderWindow()));
      auto* window = static_cast<MainWindow*>(program.MainWindow());
      QCOMPARE(window->size(), QSize(tb::ui::ScaleAt(320, dpi), tb::ui::ScaleAt(480, dpi)));
      QCOMPARE(window->MenuBar()->MenuBarId(), kBarBrowse);
      QCOMPARE(window->MenuBar()->LeftKey()->text(), QString("Find"));
      QCOMPARE(window->MenuBar()->RightKey()->text(), QString("Menu"));
      const QString picture = QDir(QString::fromStdString(dir.Path())).filePath(QString("main-%1.png").arg(dpi));
      QVERIFY(tb::ui::GrabToPng(window, picture));
      const QImage image(picture);
      QCOMPARE(image.size(), window->size());
      // The soft-key bar is drawn along the bottom edge, dark on white.
      QVERIFY(qGray(image.pixel(image.width() / 2, image.height() - 3)) < 128);
      QVERIFY(qGray(image.pixel(5, image.height() / 3)) > 200);
      const QByteArray keep = qgetenv("TB_KEEP_SCREENSHOTS");
      if (!keep.isEmpty())
        QFile::copy(picture, QDir(QString::fromLocal8Bit(keep)).filePath(QString("main-%1.png").arg(dpi)));
    }
  }
};

TB_QT_TEST(StartupTest)
#include "startup_test.moc"
