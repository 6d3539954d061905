// The wired program's password prompt on the open-wallet flow: it checks
// what is typed against the wallet being opened, keeps the user after a
// wrong password, and lets the right one open the wallet.
#include <QTest>

#include "app_fixture.h"
#include "platform/ui/test_doubles.h"
#include "support/wallet_fixture.h"
#include "ui_support/qt_test.h"

using tb::test::PasswordAnswers;
using tb::ui::ScriptedMessageBoxes;

class WiredOpenTest : public QObject {
  Q_OBJECT

 private slots:
  void promptChecksAgainstTheWalletBeingOpened() {
    tb::test::TestWallet file;
    file.AddFolder(u"Inside");
    file.wallet().Close();
    const struct {
      const char* what;
      QString typed;
      bool opens;
      int refused;
      size_t boxes;  // the wrong-password message stays inside the prompt
    } cases[] = {
        {"right", QString::fromStdU16String(file.password()), true, 0, 0},
        {"wrong", QStringLiteral("not-the-one"), false, 1, 1},
    };
    for (const auto& c : cases) {
      ScriptedMessageBoxes boxes;
      tb::test::WiredProgram program;
      PasswordAnswers passwords({c.typed});
      const bool opened = program.window->OpenWalletFlow(file.path(), false);
      QCOMPARE(passwords.refused, c.refused);
      QCOMPARE(opened, c.opens);
      QCOMPARE(boxes.Count(), c.boxes);
      if (c.boxes) QCOMPARE(boxes.Last().textNumber, 27006u);
      QCOMPARE(program.context.wallet.IsOpen(), c.opens);
      if (c.opens) QVERIFY(program.TopLevelTexts().contains("Inside"));
    }
  }
};

TB_QT_TEST(WiredOpenTest)

#include "wired_open_test.moc"
