// Display (829) in the wired program: after OK the tree takes the chosen
// size and name colours at once, and the options are written with the
// wallet; Cancel changes neither.
#include <QComboBox>
#include <QTest>
#include <QTreeWidget>

#include "app_fixture.h"
#include "cards/colour_palette.h"
#include "cards/display_dialogs.h"
#include "platform/ui/font_service.h"
#include "platform/ui/test_doubles.h"
#include "support/wallet_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/qt_test.h"

using tb::dialogs::test::WhenShown;
using tb::test::PasswordAnswers;

class DisplayWiringTest : public QObject {
  Q_OBJECT

 private slots:
  void displayChangesTreeAndOptions() {
    tb::test::TestWallet file;
    file.AddFolder(u"Banking");
    file.wallet().Close();
    tb::ui::ScriptedMessageBoxes boxes;
    tb::test::WiredProgram program;
    tb::ui::FontService::Init(true, 0);
    PasswordAnswers passwords({QString::fromStdU16String(file.password())});
    QVERIFY(program.window->OpenWalletFlow(file.path(), false));
    QTreeWidget* tree = program.window->Tree();
    const QFont before = tree->font();
    const auto rawBefore = program.context.wallet.Options().raw;

    WhenShown<tb::cards::DisplayOptionsDialog>([](tb::cards::DisplayOptionsDialog* d) {
      d->TreeSizes()->setCurrentIndex(5);
      d->Dispatch(tb::ui::kCmdMenuCancel);
    });
    program.window->Dispatch(829);
    QCOMPARE(tree->font(), before);
    QVERIFY(program.context.wallet.Options().raw == rawBefore);

    WhenShown<tb::cards::DisplayOptionsDialog>([](tb::cards::DisplayOptionsDialog* d) {
      d->TreeSizes()->setCurrentIndex(5);  // large, bold
      d->Colour(0)->Button()->SetColour(0x0000FF);
      d->Dispatch(tb::ui::kCmdDone);
    });
    program.window->Dispatch(829);
    QCOMPARE(program.context.settings.fontMain, 11u);
    QCOMPARE(program.context.settings.fontMainStyle & 1, 1u);
    QCOMPARE(tree->font(), *tb::ui::FontService::FontForSize(11, true));
    QVERIFY(program.context.wallet.Options().changed);
    QTreeWidgetItem* banking = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
      if (tree->topLevelItem(i)->text(0) == "Banking") banking = tree->topLevelItem(i);
    QVERIFY(banking);
    QCOMPARE(banking->foreground(0).color(), QColor(255, 0, 0));

    // Written with the wallet's headers when it closes.
    program.window->CloseWallet();
    QCOMPARE(int(file.Reopen()), 0);
    QCOMPARE(file.wallet().Options().FolderNameColour(), 0x0000FFu);
  }
};

TB_QT_TEST(DisplayWiringTest)

#include "display_wiring_test.moc"
