#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/core/system.h"
#include "platform/ui/activity_clock.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/modal_dialog.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/test_doubles.h"
#include "platform/ui/texts.h"
#include "ui_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::ui;
using tb::platform::SystemTime;
using tb::platform::TestClock;

namespace {

// A dialog with one edit, as the program's dialogs are built.
class EditDialog : public ModalDialog {
 public:
  EditDialog() : ModalDialog(nullptr, 114) {
    auto* layout = new QVBoxLayout(Body());
    edit = new QLineEdit(Body());
    SetControlId(edit, 1519);
    layout->addWidget(edit);
  }
  QLineEdit* edit;
  int ended = 0;

 protected:
  void OnInitDialog() override { SetMenuBar(969); }
  void OnEndDialog(int result) override { ended = result; }
};

const SystemTime kMorning{2024, 5, 0, 6, 9, 0, 0, 0};

}  // namespace

class ModalDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { SetTextSource(nullptr); }

  void resultsAreOneForOkAndTwoForCancel() {
    const struct {
      const char* how;
      std::function<void(EditDialog&)> end;
      int result;
    } cases[] = {
        {"Done key", [](EditDialog& d) { d.MenuBar()->PressLeft(); }, kResultOk},
        {"Cancel key", [](EditDialog& d) { d.MenuBar()->PressRight(); }, kResultCancel},
        {"Escape", [](EditDialog& d) { QTest::keyClick(d.edit, Qt::Key_Escape); }, kResultCancel},
        {"caption OK", [](EditDialog& d) { d.Dispatch(kCmdOk); }, kResultOk},
    };
    for (const auto& c : cases) {
      EditDialog dialog;
      QTimer::singleShot(0, &dialog, [&] { c.end(dialog); });
      QCOMPARE(dialog.RunModal(), c.result);
      QCOMPARE(dialog.ended, c.result);
    }
  }

  void everyEventOfTheDialogAndItsControlsIsActivity() {
    TestClock clock(kMorning);
    EditDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(FindControl<QLineEdit>(&dialog, 1519), dialog.edit);

    ActivityClock::Set({});
    clock.AdvanceSeconds(60);
    QTest::keyClicks(dialog.edit, "abc");  // reaches the edit, not the dialog
    QCOMPARE(ActivityClock::Last().minute, uint16_t(1));

    clock.AdvanceSeconds(60);
    QTimerEvent tick(5501);
    QCoreApplication::sendEvent(&dialog, &tick);
    QCOMPARE(ActivityClock::Last().minute, uint16_t(2));

    // Once the dialog is gone its controls no longer count.
    dialog.hide();
    clock.AdvanceSeconds(60);
    QLineEdit other;
    QTest::keyClicks(&other, "x");
    QCOMPARE(ActivityClock::Last().minute, uint16_t(2));
  }

  void fullScreenDialogCoversItsOwner() {
    QWidget owner;
    owner.setGeometry(50, 60, 320, 480);
    owner.show();
    ModalDialog dialog(&owner);
    dialog.SetFullScreen(true);
    dialog.show();
    QCOMPARE(dialog.geometry(), owner.geometry());
  }

  void messageBoxesTakeTextAndCaptionByNumber() {
    test::FakeTexts texts({{20580, u"Welcome"}, {20001, u"Tamberlock Pro"}, {20500, u"Error"}, {22012, u"Convert?"}});
    SetTextSource(&texts);
    ScriptedMessageBoxes boxes;
    QCOMPARE(ShowMessage(nullptr, 20580, kCaptionInformation, MessageIcon::Information), Answer::Ok);
    boxes.Queue(Answer::No);
    QCOMPARE(ShowMessage(nullptr, 22012, kCaptionInformation, MessageIcon::Question, Buttons::YesNo), Answer::No);
    // With the script used up a box answers its first button.
    QCOMPARE(ShowMessage(nullptr, 22012, kCaptionInformation, MessageIcon::Question, Buttons::YesNo), Answer::Yes);
    QCOMPARE(boxes.Count(), 3u);
    const MessageBoxRequest& first = boxes.Shown()[0];
    QCOMPARE(first.text, QString("Welcome"));
    QCOMPARE(first.caption, QString("Tamberlock Pro"));
    QCOMPARE(first.textNumber, 20580u);
    QCOMPARE(int(boxes.Shown()[1].buttons), int(Buttons::YesNo));
    QCOMPARE(int(boxes.Shown()[1].icon), int(MessageIcon::Question));

    // The storage's questions arrive through the prompter as boxes too.
    MessageBoxPrompter prompter;
    tb::storage::Message repair;
    repair.textNumber = 22012;
    repair.captionNumber = 20500;
    repair.buttons = Buttons::YesNo;
    repair.icon = MessageIcon::Question;
    boxes.Queue(Answer::No);
    QCOMPARE(prompter.Show(repair), Answer::No);
    QCOMPARE(boxes.Last().text, QString("Convert?"));
    QCOMPARE(boxes.Last().caption, QString("Error"));
    tb::storage::Message formatted;
    formatted.text = u"Wallet\nbroken (13)";
    formatted.caption = u"Own caption";
    prompter.Show(formatted);
    QCOMPARE(boxes.Last().text, QString("Wallet\nbroken (13)"));
    QCOMPARE(boxes.Last().textNumber, 0u);
    QCOMPARE(boxes.Last().caption, QString("Own caption"));

    // Without a module every text is "*".
    SetTextSource(nullptr);
    ShowMessage(nullptr, 20580, kCaptionInformation, MessageIcon::Information);
    QCOMPARE(boxes.Last().text, QString("*"));
  }

  void launcherRequestsAreRecorded() {
    RecordingLauncher launcher;
    QVERIFY(SendMail(" me@example.org "));
    QVERIFY(Dial("+49 30 1234"));
    QVERIFY(OpenWebPage("www.quillimarsten.example/updates"));
    QVERIFY(OpenWebPage("https://www.quillimarsten.example/"));
    QVERIFY(OpenDocument("/home/me/Documents/a b.pdf"));
    QVERIFY(OpenHelp("tbpro.htm"));
    QCOMPARE(launcher.opened.size(), 6);
    QCOMPARE(launcher.opened[0].toString(), QString("mailto:me@example.org"));
    QCOMPARE(launcher.opened[1].scheme(), QString("tel"));
    QCOMPARE(launcher.opened[1].path(), QString("+49 30 1234"));
    QCOMPARE(launcher.opened[2].toString(), QString("http://www.quillimarsten.example/updates"));
    QCOMPARE(launcher.opened[3].toString(), QString("https://www.quillimarsten.example/"));
    QCOMPARE(launcher.opened[4].toLocalFile(), QString("/home/me/Documents/a b.pdf"));
    QVERIFY(launcher.opened[5].toLocalFile().endsWith("/tbpro.htm"));
    launcher.result = false;
    QVERIFY(!Dial("1"));
  }

  void onlyWebPagesGoOutAsWebAddresses() {
    const struct {
      const char* typed;
      const char* url;  // empty: refused
    } cases[] = {
        {"www.example.org", "http://www.example.org"},
        {"  HTTPS://Example.org/a?b=1 ", "https://example.org/a?b=1"},
        {"ftp://files.example.org/x", "ftp://files.example.org/x"},
        {"example.org:8080/path", "http://example.org:8080/path"},
        {"file:///etc/passwd", ""},
        {"javascript:alert(1)", ""},
        {"smb://server/share", ""},
        {"x-desktop-handler:run", ""},
        {"http://", ""},
        {"   ", ""},
        {"http://exa mple.org", ""},
    };
    RecordingLauncher launcher;
    for (const auto& c : cases) {
      const QUrl url = WebAddress(c.typed);
      QCOMPARE(url.toString(), QString(c.url));
      QCOMPARE(OpenWebPage(c.typed), *c.url != 0);
    }
    QCOMPARE(launcher.opened.size(), 4);
    // Addresses are never a command line: what would be options stays in the path.
    QCOMPARE(MailAddress("a@b.c?body=x").toEncoded(), QByteArray("mailto:a@b.c%3Fbody=x"));
  }

  void sizesFollowTheDotsPerInch() {
    const struct {
      int dpi;
      int scaled26;
      int scaled320;
    } cases[] = {{96, 26, 320}, {130, 35, 433}, {192, 52, 640}};
    for (const auto& c : cases) {
      ScopedDpi dpi(c.dpi);
      QCOMPARE(DpiX(), c.dpi);
      QCOMPARE(Scale(26), c.scaled26);
      QCOMPARE(ScaleY(320), c.scaled320);
      QCOMPARE(SoftKeyBar().height(), c.scaled26);
    }
  }
};

TB_QT_TEST(ModalDialogTest)
#include "modal_dialog_test.moc"
