#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/core/system.h"
#include "platform/ui/activity_clock.h"
#include "platform/ui/dpi.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/menu_keys.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/texts.h"
#include "ui_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::ui;

namespace {

const char* const kTable = R"(
# two keys, one with a popup that has a submenu
bar 1
  key 100 "Find"
  key popup 10 "Menu"
end
bar 2
  key 200 "Done"
end
bar 3
  key 823 "Find"
  icon 821 185 0 "New Card"
  key popup 10 "Menu"
end
menu 10
  item 101 "New Card"
  separator
  popup "Edit"
    item 102 "Cut"
    check 103 "Expanded Menus"
  end
  item 104 "Wallets"
end
)";

}  // namespace

class SoftKeyBarTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    std::string message;
    QVERIFY2(tables_.Parse(kTable, &message), message.c_str());
  }

  void cleanup() { SetTextSource(nullptr); }

  void programTablesHoldTheMainBars() {
    const MenuTables& program = MenuTables::Program();
    for (int id : {963, 987, 984, 967, 966, 969, 955, 970, 968})
      QVERIFY2(program.Bar(id), qPrintable(QString::number(id)));
    // The Smartphone menu has no Expanded Menus, Export, Import or Help.
    SoftKeyBar pocket(nullptr, &program), phone(nullptr, &program);
    QVERIFY(pocket.SetMenuBar(963));
    QVERIFY(phone.SetMenuBar(984));
    for (int id : {40096, 833, 834, 876}) {
      QVERIFY(pocket.FindAction(id));
      QVERIFY(!phone.FindAction(id));
    }
    QVERIFY(pocket.FindAction(40096)->isCheckable());
  }

  void malformedTablesAreRefusedWithTheLine() {
    const struct {
      const char* text;
      const char* line;
    } cases[] = {
        {"bar 1\n  key 5 \"A\"\n", "missing"},               // no end
        {"bar 1\n  key popup 9 \"Menu\"\nend\n", "menu 9"},  // unknown menu
        {"bar 1\n  key 1 \"A\"\n  key 2 \"B\"\n  key 3 \"C\"\nend\n", "line 4"},
        {"menu 2\n  item x \"A\"\nend\n", "line 2"},
        {"menu 2\n  item 4 \"A\nend\n", "unterminated"},
        {"bar 1\nend\n", "no key"},
    };
    for (const auto& c : cases) {
      MenuTables tables;
      std::string error;
      QVERIFY2(!tables.Parse(c.text, &error), c.text);
      QVERIFY2(error.find(c.line) != std::string::npos, error.c_str());
      QVERIFY(!tables.Bar(1));
    }
  }

  void keysAndPopupEntriesCarryTheirCommands() {
    SoftKeyBar bar(nullptr, &tables_);
    QVERIFY(bar.SetMenuBar(1));
    QCOMPARE(bar.LeftKey()->text(), QString("Find"));
    QCOMPARE(bar.LeftCommand(), 100);
    QVERIFY(bar.RightMenu());
    QList<int> ids;
    for (QAction* action : bar.RightMenu()->actions()) ids << (action->menu() ? -1 : action->data().toInt());
    QCOMPARE(ids, (QList<int>{101, 0, -1, 104}));
    QCOMPARE(bar.FindAction(103)->text(), QString("Expanded Menus"));
    QVERIFY(bar.FindAction(103)->isCheckable());
    QVERIFY(!bar.FindAction(999));
    // Another bar replaces the keys; asking for the current one keeps it.
    QMenu* before = bar.RightMenu();
    QVERIFY(bar.SetMenuBar(1));
    QCOMPARE(bar.RightMenu(), before);
    QVERIFY(!bar.SetMenuBar(77));
    QCOMPARE(bar.MenuBarId(), 1);
    QVERIFY(bar.SetMenuBar(2));
    QVERIFY(!bar.RightMenu());
    QVERIFY(bar.RightKey()->isHidden());
  }

  void functionKeysPressTheSoftKeys() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* bar = new SoftKeyBar(&window, &tables_);
    layout->addWidget(bar);
    QVERIFY(bar->SetMenuBar(1));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy commands(bar, &SoftKeyBar::commandTriggered);
    QSignalSpy popups(bar, &SoftKeyBar::popupAboutToShow);

    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.takeFirst().at(0).toInt(), 100);

    QTest::keyClick(&window, Qt::Key_F2);
    QTRY_VERIFY(bar->RightMenu()->isVisible());
    QCOMPARE(popups.count(), 1);
    QCOMPARE(popups.first().at(0).value<QMenu*>(), bar->RightMenu());
    bar->FindAction(104)->trigger();
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.takeFirst().at(0).toInt(), 104);
    bar->RightMenu()->hide();

    // Clicking works as the keys do.
    QTest::mouseClick(bar->LeftKey(), Qt::LeftButton);
    QCOMPARE(commands.count(), 1);
  }

  void iconButtonsSendTheirCommand() {
    SoftKeyBar bar(nullptr, &tables_);
    QVERIFY(bar.SetMenuBar(3));
    QCOMPARE(bar.IconButtons().size(), 1);
    QSignalSpy commands(&bar, &SoftKeyBar::commandTriggered);
    bar.IconButtons().first()->click();
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.first().at(0).toInt(), 821);
  }

  void iconButtonsShowTheStripOfTheScreensDensity() {
    // Bitmap 184 below 97 dots per inch, 185 above, whichever the table names.
    const struct {
      int dpi;
      int bitmap;
    } cases[] = {{96, 184}, {130, 185}, {192, 185}};
    for (const auto& c : cases) {
      ScopedDpi dpi(c.dpi);
      SoftKeyBar bar(nullptr, &tables_);
      QVERIFY(bar.SetMenuBar(3));
      QToolButton* button = bar.IconButtons().first();
      QCOMPARE(button->property("bitmap").toInt(), c.bitmap);
      const QImage expected = MenuBarBitmapPicture(c.bitmap, 0);
      QVERIFY(!expected.isNull());
      QCOMPARE(expected.width(), c.bitmap == 184 ? 16 : 32);
      QVERIFY(!button->icon().isNull());
      const auto premultiplied = QImage::Format_ARGB32_Premultiplied;
      QCOMPARE(button->icon().pixmap(expected.size()).toImage().convertToFormat(premultiplied),
               expected.convertToFormat(premultiplied));
      QVERIFY(bar.SetMenuBar(3));
      bar.resize(ScaleX(240), SoftKeyBar::BarHeight());
      // A fresh build folder has no screenshots folder yet.
      const QString shots = QStringLiteral(TB_MODULE_DIR "/../screenshots");
      QVERIFY(QDir().mkpath(shots));
      QVERIFY(GrabToPng(&bar, shots + QStringLiteral("/expanded-bar-%1dpi.png").arg(c.dpi)));
    }
    QVERIFY(MenuBarBitmapPicture(184, 0) != MenuBarBitmapPicture(184, 1));
    QVERIFY(MenuBarBitmapPicture(184, 3).isNull());
    QVERIFY(MenuBarBitmapPicture(186, 0).isNull());
  }

  void textsAreLocalisedThroughTheKeyTable() {
    QCOMPARE(MenuKeyNumber("new card"), 20706u);
    QCOMPARE(MenuKeyNumber("Seek to Source"), 62895u);
    QCOMPARE(MenuKeyNumber("Frobnicate"), 0u);
    // "Wallets" is in the table but the module lacks it: English stays.
    test::FakeTexts german({{20720, u"Suchen"},
                            {20703, u"Menü"},
                            {20706, u"Neue Karte"},
                            {20719, u"Bearbeiten"},
                            {20722, u"Ausschneiden"},
                            {20761, u""}});
    SetTextSource(&german);
    SoftKeyBar bar(nullptr, &tables_);
    QVERIFY(bar.SetMenuBar(1));
    QCOMPARE(bar.LeftKey()->text(), QString("Suchen"));
    QCOMPARE(bar.RightKey()->text(), QString("Menü"));
    // Popups are localised when they open, after the enabling rules ran.
    QMenu* menu = bar.RightMenu();
    QCOMPARE(menu->actions().first()->text(), QString("New Card"));
    connect(&bar, &SoftKeyBar::popupAboutToShow, this, [](QMenu* m) {
      QCOMPARE(m->actions().first()->text(), QString("New Card"));  // not yet localised
    });
    tb::platform::TestClock clock({2024, 5, 0, 6, 10, 0, 0, 0});
    ActivityClock::Set({});
    bar.PressRight();
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->actions().at(0)->text(), QString("Neue Karte"));
    QCOMPARE(menu->actions().at(2)->text(), QString("Bearbeiten"));
    QCOMPARE(menu->actions().at(3)->text(), QString("Wallets"));
    QCOMPARE(ActivityClock::Last().hour, uint16_t(10));  // an opened popup is activity
    menu->hide();
  }

 private:
  MenuTables tables_;
};

TB_QT_TEST(SoftKeyBarTest)
#include "soft_key_bar_test.moc"
