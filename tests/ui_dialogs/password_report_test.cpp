// The password report dialog over a small wallet: the counts at the top,
// one entry per flagged field naming card and field (never the value),
// and Enter, a tap or Open choosing the entry's card; Done chooses none.
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include "dialogs/password_report_dialog.h"
#include "dialogs_fixture.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/soft_key_bar.h"
#include "support/wallet_fixture.h"
#include "ui_support/png_check.h"
#include "ui_support/qt_test.h"

using namespace tb::dialogs;
using namespace tb::dialogs::test;
using tb::storage::RecordId;
using tb::ui::FindControl;

namespace {

const std::u16string kShared = u"correct-Horse-battery-staple-93!";

struct ReportWallet {
  tb::test::TestWallet file;
  RecordId giro, visa, home, work;
  ReportWallet() {
    const RecordId bank = file.IdAt(file.AddFolder(u"Bank"));
    const RecordId mail = file.IdAt(file.AddFolder(u"Mail"));
    giro = file.IdAt(file.AddCard(bank, u"Giro", {{u"Number", u"4711", 1}, {u"PIN", u"1234", 7}}));
    visa = file.IdAt(file.AddCard(bank, u"Visa", {{u"Password", u"", 7}}));
    home = file.IdAt(file.AddCard(mail, u"Home", {{u"Password", kShared, 7}}));
    work = file.IdAt(file.AddCard(mail, u"Work", {{u"Password", kShared, 7}}));
    file.AddCard(mail, u"Strong", {{u"Password", u"q8#Vz!Lr2$Wm9^Tx&Kp4@JnQ7%Ys3*Bd", 7}});
  }
};

}  // namespace

class PasswordReportTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { tb::ui::SetTextSource(&English()); }
  void cleanup() { tb::ui::SetTextSource(nullptr); }

  void listsTheFindingsWithTheCountsAtTheTop() {
    ReportWallet w;
    auto settings = SettingsFor(false);
    const auto report = tb::strength::AuditPasswords(w.file.wallet());
    PasswordReportDialog dialog(nullptr, settings, w.file.wallet(), report);
    dialog.show();
    QCOMPARE(FindControl<QLabel>(&dialog, kIdReportSummary)->text(),
             QStringLiteral("5 password fields on 5 cards; 4 cards need attention."));
    const QString counts = FindControl<QLabel>(&dialog, kIdReportCounts)->text();
    for (const char* line :
         {"Empty: 1", "Very weak: 1", "Weak: 0", "Used on other cards: 2", "Not changed for over a year: 0"})
      QVERIFY2(counts.split('\n').contains(QString::fromLatin1(line)), qPrintable(counts));
    auto* list = FindControl<QListWidget>(&dialog, kIdReportList);
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    QCOMPARE(texts.size(), 4);
    QCOMPARE(texts[0], QStringLiteral("Bank / Giro: PIN\nVery weak"));
    QCOMPARE(texts[1], QStringLiteral("Bank / Visa: Password\nEmpty"));
    QVERIFY2(texts[2].startsWith(QStringLiteral("Mail / Home: Password\n")), qPrintable(texts[2]));
    QVERIFY2(texts[2].contains(QStringLiteral("Used on other cards")) && texts[2].endsWith("(Mail / Work)"),
             qPrintable(texts[2]));
    QVERIFY2(texts[3].endsWith("(Mail / Home)"), qPrintable(texts[3]));
    // Values never show.
    for (const QString& text : texts) {
      QVERIFY(!text.contains(QStringLiteral("1234")));
      QVERIFY(!text.contains(tb::ui::ToQString(kShared)));
    }
  }

  void enterTapOrOpenChooseTheCardDoneChoosesNone() {
    ReportWallet w;
    const RecordId expected[] = {w.giro, w.visa, w.home, w.work};
    for (const bool smartphone : {false, true}) {
      auto settings = SettingsFor(smartphone);
      const auto report = tb::strength::AuditPasswords(w.file.wallet());
      const auto run = [&](const std::function<void(PasswordReportDialog*)>& act) {
        PasswordReportDialog dialog(nullptr, settings, w.file.wallet(), report);
        WhenShown<PasswordReportDialog>(act);
        return dialog.RunModal() == tb::ui::kResultOk ? dialog.Chosen() : std::nullopt;
      };
      // Enter on the third entry.
      auto chosen = run([](PasswordReportDialog* d) {
        d->List()->setCurrentRow(2);
        QTest::keyClick(d->List(), Qt::Key_Return);
      });
      QVERIFY(chosen && *chosen == expected[2]);
      // Open (the left key) on the second.
      chosen = run([](PasswordReportDialog* d) {
        d->List()->setCurrentRow(1);
        d->MenuBar()->PressLeft();
      });
      QVERIFY(chosen && *chosen == expected[1]);
      // A tap opens on Pocket PC; on Smartphone it only moves the choice.
      bool openAfterTap = false;
      chosen = run([&](PasswordReportDialog* d) {
        QListWidget* list = d->List();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(3)).center());
        if (d->isVisible()) {
          openAfterTap = true;
          QCOMPARE(list->currentRow(), 3);
          d->MenuBar()->PressRight();
        }
      });
      if (smartphone) {
        QVERIFY(openAfterTap);
        QVERIFY(!chosen);
      } else {
        QVERIFY(chosen && *chosen == expected[3]);
      }
      // Done leaves without a card.
      chosen = run([](PasswordReportDialog* d) { d->MenuBar()->PressRight(); });
      QVERIFY(!chosen);
    }
  }

  void screenshots() {
    ReportWallet w;
    for (const int dpi : {96, 192}) {
      tb::ui::ScopedDpi scoped(dpi);
      for (const bool smartphone : {false, true}) {
        auto settings = SettingsFor(smartphone);
        const auto report = tb::strength::AuditPasswords(w.file.wallet());
        PasswordReportDialog dialog(nullptr, settings, w.file.wallet(), report);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // Checked on the second entry, clear of its text.
        QListWidget* list = FindControl<QListWidget>(&dialog, kIdReportList);
        const QRect row = list->visualItemRect(list->item(1));
        TB_VERIFY_PNG(&dialog,
                      ScreenshotPath(
                          QStringLiteral("password-report-%1-%2").arg(smartphone ? "smartphone" : "pocketpc").arg(dpi)),
                      list->viewport(), QPoint(row.right() - 3, row.top() + 2));
      }
    }
  }
};

TB_QT_TEST(PasswordReportTest)
#include "password_report_test.moc"
