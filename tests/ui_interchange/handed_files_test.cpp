// Form files handed to the program: named on the command line at start
// (imported into the wallet start-up opens), or handed over by a later
// copy as "import PATH" (imported at once, or once the dialog that shows
// has closed); Smartphone ignores them. And "close" over the channel ends
// the program as inactivity does.
#include <QDialog>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <unistd.h>

#include "interchange/form_exchange.h"
#include "interchange_fixture.h"
#include "platform/core/instance_channel.h"
#include "platform/core/registry.h"
#include "platform/core/text_convert.h"
#include "shell/app/dialog_wiring.h"
#include "shell/startup/startup.h"
#include "ui_support/qt_test.h"

using namespace tb::test;
using namespace tb::shell;
using tb::ui::Answer;

namespace {

struct Started {
  FixedPlaces places{0};
  tb::ui::ScriptedMessageBoxes boxes;
  tb::ui::RecordingLauncher launcher;
  ExchangeWallet data;
  TempDir settings;
  QString instance = QStringLiteral("tbhand-") + QUuid::createUuid().toString(QUuid::Id128);
  std::string first, second;  // two form files in the documents folder

  Started() {
    data.file.Reopen();
    tb::interchange::FormExportOptions options;
    options.folder = places.documents;
    tb::interchange::ExportAsForm(data.file.wallet(), data.visa, options, &first);
    tb::interchange::ExportAsForm(data.file.wallet(), data.scans, options, &second);
    data.file.wallet().Close();
    // The last wallet opens at start; this is no first run.
    tb::platform::Registry registry(settings.File("registry.reg"));
    registry.SetString(kSettingsKey, u"MRU", tb::platform::FromUtf8(data.file.path()));
    registry.SetDword(kSettingsKey, u"Count6", 1);
    registry.SetDword(kSettingsKey, u"Pass.Numeric", 0);  // Smartphone: typed, not keyed
    registry.Save();
  }

  StartupOptions Options(std::vector<std::string> args) const {
    StartupOptions options;
    options.args = std::move(args);
    options.registryPath = settings.File("registry.reg");
    options.moduleFolder = TB_MODULE_DIR;
    options.instanceName = instance;
    options.programPath = u"/opt/tamberlock/ostreltbpro2006";
    return options;
  }
};

MainWindowFactory Wired() {
  return [](AppContext& context) {
    auto window = std::make_unique<MainWindow>(context);
    WireDialogs(*window);
    return window;
  };
}

QStringList FormsOf(Program& program) {
  auto* window = static_cast<MainWindow*>(program.MainWindow());
  QStringList out;
  for (int i = 0; i < window->Tree()->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = window->Tree()->topLevelItem(i);
    if (item->text(0) != "My Forms") continue;
    for (int c = 0; c < item->childCount(); ++c) out << item->child(c)->text(0);
  }
  return out;
}

}  // namespace

class HandedFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void aFormFileAtStartAndFromALaterCopyIsImported() {
    Started s;
    PasswordAnswers passwords({QString::fromStdU16String(s.data.file.password())});
    s.boxes.Queue(Answer::Yes);  // add the form named at start
    Program program(s.Options({s.first}));
    QVERIFY(program.Start(Wired()));
    QVERIFY(program.Context().wallet.IsOpen());
    QTRY_COMPARE(FormsOf(program), (QStringList{"Gym", "Visa <b>gold</b>"}));
    QVERIFY(s.boxes.Last().text.startsWith("Add this form to My Forms?"));

    // A later copy, started with a path relative to its own folder, hands
    // it over and ends.
    const QString here = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QString::fromStdString(s.places.documents)));
    Program later(s.Options({std::filesystem::path(s.second).filename().string()}));
    s.boxes.Queue(Answer::Yes);
    QVERIFY(!later.Start(Wired()));
    QDir::setCurrent(here);
    QCOMPARE(later.Outcome(), StartupOutcome::HandedOver);
    QTRY_COMPARE(FormsOf(program).size(), 3);
    QVERIFY(FormsOf(program).contains("Scans"));
    program.CleanUp();
  }

  void aRequestWaitsForTheDialogThatShows() {
    Started s;
    PasswordAnswers passwords({QString::fromStdU16String(s.data.file.password())});
    Program program(s.Options({}));
    QVERIFY(program.Start(Wired()));
    const std::string socket = program.Instance()->Paths().socket;
    s.boxes.Queue(Answer::Yes);
    // The window owns the dialog, as it owns every dialog it shows.
    QPointer<QDialog> open = new QDialog(program.MainWindow()->Window());
    int whileOpen = -1;
    QTimer::singleShot(0, [&] {
      QCOMPARE(tb::platform::SendInstanceRequest(socket, {tb::platform::InstanceRequestKind::Import, s.first}),
               tb::platform::ChannelConnect::Connected);
      QTimer::singleShot(600, [&] {
        whileOpen = int(s.boxes.Count());
        open->reject();
      });
    });
    open->exec();
    QCOMPARE(whileOpen, 0);
    QTRY_COMPARE(FormsOf(program).size(), 2);
    QCOMPARE(s.boxes.Count(), 1u);
    program.CleanUp();
  }

  void aRequestWithoutAnOpenWalletWaitsForOne() {
    Started s;
    PasswordAnswers passwords(
        {QString::fromStdU16String(s.data.file.password()), QString::fromStdU16String(s.data.file.password())});
    Program program(s.Options({}));
    QVERIFY(program.Start(Wired()));
    auto* window = static_cast<MainWindow*>(program.MainWindow());
    window->CloseWallet();
    QVERIFY(!program.Context().wallet.IsOpen());
    QCOMPARE(tb::platform::SendInstanceRequest(program.Instance()->Paths().socket,
                                               {tb::platform::InstanceRequestKind::Import, s.first}),
             tb::platform::ChannelConnect::Connected);
    // Nothing to add the form to: no question, the request kept.
    QTest::qWait(600);
    QCOMPARE(s.boxes.Count(), 0u);
    s.boxes.Queue(Answer::Yes);
    QVERIFY(window->OpenWalletFlow(s.data.file.path(), false));
    QTRY_COMPARE(FormsOf(program), (QStringList{"Gym", "Visa <b>gold</b>"}));
    QCOMPARE(s.boxes.Count(), 1u);
    program.CleanUp();
  }

  void aFileThatIsNoFormIsToldByTheRunningCopy() {
    Started s;
    PasswordAnswers passwords({QString::fromStdU16String(s.data.file.password())});
    Program program(s.Options({}));
    QVERIFY(program.Start(Wired()));
    const std::string notes = s.places.documents + "/notes.tbx";
    WriteBytes(notes, "not a form");
    QCOMPARE(tb::platform::SendInstanceRequest(program.Instance()->Paths().socket,
                                               {tb::platform::InstanceRequestKind::Import, notes}),
             tb::platform::ChannelConnect::Connected);
    QTRY_COMPARE(s.boxes.Count(), 1u);
    QVERIFY(s.boxes.Last().text.startsWith(QString::fromStdString(notes) + "\n\nThis file is not"));
    QCOMPARE(FormsOf(program).size(), 1);
    program.CleanUp();
  }

  void smartphoneIgnoresFormFiles() {
    Started s;
    PasswordAnswers passwords({QString::fromStdU16String(s.data.file.password())});
    Program program(s.Options({"--platform", "Smartphone", s.first}));
    QVERIFY(program.Start(Wired()));
    QSignalSpy requests(program.Instance(), &SingleInstance::requestReceived);
    // A Smartphone copy started later asks only for the front.
    Program later(s.Options({"--platform", "Smartphone", s.second}));
    QVERIFY(!later.Start(Wired()));
    QTRY_COMPARE(requests.count(), 1);
    QCOMPARE(requests[0].at(0).value<InstanceRequest>().kind, InstanceRequestKind::Front);
    QTest::qWait(400);
    QCOMPARE(FormsOf(program).size(), 1);
    QCOMPARE(s.boxes.Count(), 0u);
    program.CleanUp();
  }

  void closeEndsTheProgramAsInactivityDoes() {
    Started s;
    PasswordAnswers passwords({QString::fromStdU16String(s.data.file.password())});
    Program program(s.Options({}));
    QVERIFY(program.Start(Wired()));
    const std::string socket = program.Instance()->Paths().socket;
    QWidget* window = program.MainWindow()->Window();
    QPointer<QDialog> open = new QDialog(window);
    QTimer::singleShot(0, [&] {
      tb::platform::SendInstanceRequest(socket, {tb::platform::InstanceRequestKind::Close, ""});
    });
    open->exec();  // closed by the request
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(!program.Context().wallet.IsOpen());
    QVERIFY(tb::platform::InstanceListening(socket));
    program.CleanUp();
    // Settings written, then the channel gone: whoever asked may go on.
    QVERIFY(!tb::platform::InstanceListening(socket));
    tb::platform::Registry saved(s.settings.File("registry.reg"));
    QCOMPARE(saved.Get(kSettingsKey, u"Count6")->dword, 2u);
  }
};

TB_QT_TEST(HandedFilesTest)
#include "handed_files_test.moc"
