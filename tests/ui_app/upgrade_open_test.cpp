// Opening a version-5 wallet in the wired program: the upgrade question,
// the progress dialog while the records are converted, and what the user
// is told when the upgrade is declined or does not finish.
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "app_fixture.h"
#include "dialogs/upgrade_progress_dialog.h"
#include "platform/ui/test_doubles.h"
#include "storage/blocks.h"
#include "storage/upgrade.h"
#include "storage/wallet_testing.h"
#include "ui_support/qt_test.h"
#include "upgrade/five_wallet_writer.h"

using tb::test::PasswordAnswers;
using tb::test::ProgressWatch;
using tb::ui::Answer;
using tb::ui::ScriptedMessageBoxes;

namespace {

const QString kPassword = QStringLiteral("old-secret");
const QString kQuestion = QStringLiteral("Tamberlock Pro would like to upgrade the wallet file format.\r\nContinue?");

struct FiveFile {
  tb::test::WiredProgram program;
  std::string path = program.dir.File("Five.tb5");
  std::string bytes;

  FiveFile() {
    tb::test::FiveWalletWriter w(kPassword.toStdU16String());
    const tb::storage::RecordId personal = w.AddFolder(u"Personal");
    const tb::storage::RecordId banking = w.AddFolder(u"Banking");
    for (const char16_t* name : {u"Mail", u"Phone", u"Door"}) w.AddCard(w.NewCard(personal, name));
    for (const char16_t* name : {u"Visa", u"Savings"}) w.AddCard(w.NewCard(banking, name));
    bytes = w.Bytes();
    tb::test::WriteBytes(path, bytes);
  }
  bool Unchanged() const { return tb::test::FileBytes(path) == bytes; }
};

// Holds every record of the conversion back a little, so that the
// progress is reported (and shown) while it runs; stop: the record where
// the conversion is cut off.
struct SlowUpgrade {
  explicit SlowUpgrade(int stop = -1)
      : guard([stop](int record) {
          std::this_thread::sleep_for(std::chrono::milliseconds(40));
          return record != stop;
        }) {}
  tb::storage::ScopedUpgradeInterruption guard;
};

}  // namespace

class UpgradeOpenTest : public QObject {
  Q_OBJECT

 private slots:
  void acceptedUpgradeShowsProgressAndOpens() {
    ScriptedMessageBoxes boxes;
    boxes.Queue(Answer::Ok);
    FiveFile f;
    SlowUpgrade slow;
    PasswordAnswers passwords({kPassword});
    ProgressWatch progress;
    progress.screenshotOfFirst = tb::test::ScreenshotPath("upgrade_progress");

    const bool opened = f.program.window->OpenWalletFlow(f.path, false);
    QCOMPARE(passwords.refused, 0);
    QVERIFY(opened);

    QCOMPARE(boxes.Count(), 2u);
    QCOMPARE(boxes.Shown()[0].text, kQuestion);
    QCOMPARE(boxes.Shown()[0].caption, QStringLiteral("Tamberlock Pro 6"));
    QCOMPARE(boxes.Shown()[0].buttons, tb::ui::Buttons::OkCancel);
    QCOMPARE(boxes.Shown()[0].icon, tb::ui::MessageIcon::Question);
    QVERIFY(boxes.Shown()[1].text.startsWith("Your wallet file format has been updated."));

    QVERIFY(progress.sightings > 0);
    QCOMPARE(progress.title, QStringLiteral("Tamberlock Pro 6"));
    QCOMPARE(progress.windowTitle, QStringLiteral("Tamberlock Pro 6"));
    QCOMPARE(progress.explanation, QStringLiteral("Upgrading Tamberlock wallet file.  Please wait."));
    QVERIFY(std::is_sorted(progress.values.begin(), progress.values.end()));
    QVERIFY(progress.values.back() > 0 && progress.values.back() <= 100);
    // Up for the whole conversion, gone once the interface runs anything
    // but the conversion again.
    QCoreApplication::processEvents();
    QCOMPARE(tb::test::VisibleProgressDialogs(), 0);
    QCOMPARE(progress.endings, 1);

    tb::storage::Wallet& wallet = f.program.context.wallet;
    QVERIFY(wallet.IsOpen());
    QCOMPARE(wallet.Signature().Version(), tb::storage::FormatVersion::Current);
    QCOMPARE(f.program.ChildTexts("Personal"), QStringList({"Door", "Mail", "Phone"}));
    QCOMPARE(f.program.ChildTexts("Banking"), QStringList({"Savings", "Visa"}));
  }

  void declinedUpgradeWritesNothingAndSaysNothing() {
    ScriptedMessageBoxes boxes;
    boxes.Queue(Answer::Cancel);
    FiveFile f;
    SlowUpgrade slow;
    PasswordAnswers passwords({kPassword});
    ProgressWatch progress;

    QVERIFY(!f.program.window->OpenWalletFlow(f.path, false));
    QCOMPARE(passwords.refused, 0);
    QCOMPARE(boxes.Count(), 1u);  // the question alone
    QCOMPARE(boxes.Last().text, kQuestion);
    QCOMPARE(progress.sightings, 0);
    QVERIFY(f.Unchanged());
    QVERIFY(!f.program.context.wallet.IsOpen());
  }

  void upgradeCutOffLeavesTheOldFile() {
    ScriptedMessageBoxes boxes;
    boxes.Queue(Answer::Ok);
    FiveFile f;
    std::optional<SlowUpgrade> slow(std::in_place, 5);
    PasswordAnswers passwords({kPassword, kPassword});
    ProgressWatch progress;

    QVERIFY(!f.program.window->OpenWalletFlow(f.path, false));
    QCOMPARE(passwords.refused, 0);
    QVERIFY(progress.sightings > 0);
    QCoreApplication::processEvents();
    QCOMPARE(tb::test::VisibleProgressDialogs(), 0);
    // What went wrong, then the open's own message with its number.
    QCOMPARE(boxes.Count(), 3u);
    QVERIFY2(boxes.Shown()[1].text.contains("could not be updated (error 90)"), qPrintable(boxes.Shown()[1].text));
    QCOMPARE(boxes.Shown()[1].icon, tb::ui::MessageIcon::Stop);
    QVERIFY2(boxes.Last().text.endsWith(":17)"), qPrintable(boxes.Last().text));
    QVERIFY(f.Unchanged());
    QVERIFY(!QDir(QFileInfo(QString::fromStdString(f.path)).absolutePath())
                 .entryList({QFileInfo(QString::fromStdString(f.path)).fileName() + ".*"}, QDir::Files)
                 .size());
    QVERIFY(!f.program.context.wallet.IsOpen());

    // It can be upgraded again.
    slow.reset();
    boxes.Queue(Answer::Ok);
    QVERIFY(f.program.window->OpenWalletFlow(f.path, false));
    QCOMPARE(f.program.ChildTexts("Banking"), QStringList({"Savings", "Visa"}));
  }
};

class UpgradeProgressDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void barFollowsTheFractionAndNothingClosesIt() {
    tb::test::WiredProgram program;
    tb::dialogs::UpgradeProgressDialog dialog(nullptr, program.context.settings);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const struct {
      double fraction;
      int value;
    } cases[] = {{0.0, 0}, {0.426, 42}, {0.999, 99}, {1.0, 100}, {1.7, 100}, {-0.2, 0}};
    for (const auto& c : cases) {
      dialog.SetFraction(c.fraction);
      QCOMPARE(dialog.Value(), c.value);
    }
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.Dispatch(tb::ui::kCmdMenuCancel);
    dialog.Dispatch(tb::ui::kCmdCancel);
    dialog.close();
    QVERIFY(dialog.isVisible());
    dialog.EndDialog(tb::ui::kResultOk);
    QVERIFY(!dialog.isVisible());
  }
};

TB_QT_TEST(UpgradeOpenTest)
TB_QT_TEST(UpgradeProgressDialogTest)

#include "upgrade_open_test.moc"
