// The colour palette and pickers, and the long-text editor.
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "cards/colour_palette.h"
#include "cards/long_text_editor.h"
#include "platform/core/system.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/texts.h"
#include "shell/core/settings.h"
#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using tb::dialogs::test::English;
using tb::dialogs::test::SettingsFor;
using tb::dialogs::test::WhenShown;

namespace {

const tb::platform::SystemTime kMorning{2026, 3, 6, 7, 9, 5, 42, 0};

}  // namespace

class PaletteTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { tb::ui::SetTextSource(&English()); }
  void cleanup() { tb::ui::SetTextSource(nullptr); }

  void paletteKeys() {
    tb::shell::Settings settings;
    PaletteDialog dialog(nullptr, settings, 0x123456);  // not in the palette: the first cell
    QCOMPARE(dialog.Selected(), 0);
    QCOMPARE(tb::ui::ControlId(dialog.Palette()), kPaletteId);
    QCOMPARE(dialog.Palette()->objectName(), QString("Palette"));
    const struct {
      int from;
      Qt::Key key;
      int to;
    } cases[] = {
        {0, Qt::Key_Left, 0}, {5, Qt::Key_Left, 4}, {63, Qt::Key_Right, 0}, {62, Qt::Key_Right, 63},
        {3, Qt::Key_Up, 3},   {11, Qt::Key_Up, 3},  {59, Qt::Key_Down, 59}, {20, Qt::Key_Down, 28},
    };
    for (const auto& c : cases) {
      dialog.Select(c.from);
      QTest::keyClick(dialog.Palette(), c.key);
      QCOMPARE(dialog.Selected(), c.to);
    }
    QCOMPARE(PaletteCellOf(0x0066CC), 50);
    QCOMPARE(PaletteDialog(nullptr, settings, 0xFFFFFF).Selected(), 7);
  }

  void paletteResults() {
    tb::shell::Settings settings;
    const struct {
      const char* how;
      std::function<void(PaletteDialog*)> act;
      uint32_t result;
    } cases[] = {
        {"Enter",
         [](PaletteDialog* d) {
           QTest::keyClick(d->Palette(), Qt::Key_Right);
           QTest::keyClick(d->Palette(), Qt::Key_Return);
         },
         0x262626},
        {"OK key",
         [](PaletteDialog* d) {
           auto* keys = d->findChild<tb::ui::SoftKeyBar*>();
           QCOMPARE(keys->LeftKey()->text(), QString("Done"));     // 20717
           QCOMPARE(keys->RightKey()->text(), QString("Cancel"));  // 20704
           d->Select(63);
           keys->PressLeft();
         },
         0xCCFFFF},
        {"Escape",
         [](PaletteDialog* d) {
           d->Select(9);
           QTest::keyClick(d->Palette(), Qt::Key_Escape);
         },
         0x000000},
        {"Cancel",
         [](PaletteDialog* d) {
           d->Select(9);
           d->Dispatch(2);
         },
         0x000000},
        {"tap",
         [](PaletteDialog* d) {
           // The cells are laid out by the first paint, which a busy machine
           // may not have reached yet.
           QVERIFY(QTest::qWaitForWindowExposed(d));
           QTRY_VERIFY(d->LaidOut());
           QTest::mouseClick(d->Palette(), Qt::LeftButton, {}, d->Cells()[20].center());
           QCOMPARE(d->Selected(), 20);
           d->Dispatch(1);
         },
         0x33FF33},
    };
    for (const auto& c : cases) {
      WhenShown<PaletteDialog>([&](PaletteDialog* d) {
        c.act(d);
        if (d->isVisible()) d->Dispatch(2);  // a check failed in act: end the dialog, not the run
      });
      QCOMPARE(ChooseColour(nullptr, settings, 0x000000), c.result);
    }
  }

  void paletteGeometry() {
    for (int dpi : {96, 130, 192}) {
      tb::ui::ScopedDpi scoped(dpi);
      tb::shell::Settings settings;
      PaletteDialog dialog(nullptr, settings, 0);
      dialog.resize(tb::ui::ScaleX(240), tb::ui::ScaleY(320));
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      QTRY_VERIFY(dialog.LaidOut());
      const int side = (5 * dpi + 48) / 96;
      QCOMPARE(dialog.Palette()->width(), dialog.width() - 2 * side);
      QCOMPARE(dialog.Swatch()->width(), std::min(dialog.width(), dialog.height()) / 2);
      QCOMPARE(dialog.Swatch()->height(), (20 * dpi + 48) / 96);
      const auto& cells = dialog.Cells();
      // Cells within the palette, in rows of eight, wider than tall as the ratios ask.
      for (const QRect& r : cells) QVERIFY(dialog.Palette()->rect().contains(r));
      QCOMPARE(cells[1].top(), cells[0].top());
      QVERIFY(cells[8].top() > cells[0].bottom());
      const double wide = double(cells[0].width()) / (cells[1].left() - cells[0].right() - 1);
      QVERIFY(wide > 3.5 && wide < 8);  // 17 : 3
      const int left = cells[0].left(), right = dialog.Palette()->width() - 1 - cells[7].right();
      QVERIFY(std::abs(left - right) <= 1);  // centred
    }
  }

  void colourButtonRunsThePalette() {
    tb::shell::Settings settings;
    ColourButton button(nullptr, settings, 0x0000FF);
    int32_t reported = -2;
    connect(&button, &ColourButton::colourChanged, [&](int32_t c) { reported = c; });
    WhenShown<PaletteDialog>([](PaletteDialog* d) {
      QCOMPARE(d->Selected(), 11);  // the button's colour
      d->Select(12);
      d->Dispatch(1);
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(button.Colour(), int32_t(0x3333FF));
    QCOMPARE(reported, int32_t(0x3333FF));
  }

  void smartphoneColourLists() {
    QListWidget list;
    SetUpColourList(&list, 0x008000);
    QCOMPARE(list.count(), kNamedColours);
    QCOMPARE(list.item(0)->text(), QString("Black"));
    QCOMPARE(list.item(15)->text(), QString("White"));
    QCOMPARE(list.currentRow(), 2);
    QCOMPARE(ListColour(&list), int32_t(0x008000));
    // Any other colour gets one more entry with its red, green and blue.
    SetUpColourList(&list, 0x123456);
    QCOMPARE(list.count(), kNamedColours + 1);
    QCOMPARE(list.item(16)->text(), QString("RGB (86,52,18)"));
    QCOMPARE(list.currentRow(), 16);
    QCOMPARE(ListColour(&list), int32_t(0x123456));
    SetUpColourList(&list, kNoColour);
    QCOMPARE(list.count(), kNamedColours);
    QCOMPARE(ListColour(&list), kNoColour);
  }

  void longTextZoomAndTheDoneRule() {
    QCOMPARE(NoteZoomFont(0), 0);
    QCOMPARE(NoteZoomFont(1), 1);
    QCOMPARE(NoteZoomFont(2), 3);
    QCOMPARE(NoteZoomFont(3), 5);
    QCOMPARE(NoteZoomFont(4), 5);
    QCOMPARE(NoteZoomFont(9), 1);  // the default

    tb::shell::Settings settings;
    QCOMPARE(settings.noteZoom, 9u);
    {
      LongTextEditor editor(nullptr, settings, "Notes", "first line");
      QCOMPARE(editor.Edit()->font(), *tb::ui::FontService::Font(1));
      QCOMPARE(tb::ui::ControlId(editor.Edit()), kLongTextEditId);
      QCOMPARE(editor.Edit()->textCursor().position(), 10);
      editor.Dispatch(kCmdZoom300);
      QCOMPARE(settings.noteZoom, 4u);
      QCOMPARE(editor.Edit()->font().pixelSize(), (16 * tb::ui::DpiY() + 36) / 72);
      QVERIFY(!editor.Edit()->font().bold());
      QMenu* menu = editor.MenuBar()->RightMenu();
      QMenu* zoom = nullptr;
      for (QAction* a : menu->actions())
        if (a->menu()) zoom = a->menu();
      QVERIFY(zoom);
      editor.OnInitMenuPopup(zoom);
      for (QAction* a : zoom->actions()) QCOMPARE(a->isChecked(), a->data().toInt() == kCmdZoom300);
    }
    // The next editor opens at the level stored.
    LongTextEditor next(nullptr, settings, "Notes", "");
    QCOMPARE(next.Edit()->font(), *tb::ui::FontService::Font(5));

    const struct {
      const char* how;
      std::function<void(LongTextEditor*)> act;
      bool changed;
      const char* text;
    } cases[] = {
        {"Done untouched", [](LongTextEditor* e) { e->Dispatch(814); }, false, ""},
        {"typed",
         [](LongTextEditor* e) {
           QTest::keyClicks(e->Edit(), "!");
           e->Dispatch(814);
         },
         true, "note!"},
        {"Tab and Enter go in",
         [](LongTextEditor* e) {
           QTest::keyClick(e->Edit(), Qt::Key_Tab);
           QTest::keyClick(e->Edit(), Qt::Key_Return);
           e->Dispatch(814);
         },
         true, "note\t\n"},
        {"typed then Cancel",
         [](LongTextEditor* e) {
           QTest::keyClicks(e->Edit(), "x");
           e->Dispatch(809);
         },
         false, ""},
        {"Escape",
         [](LongTextEditor* e) {
           QTest::keyClicks(e->Edit(), "x");
           QTest::keyClick(e->Edit(), Qt::Key_Escape);
         },
         false, ""},
    };
    for (const auto& c : cases) {
      WhenShown<LongTextEditor>([&](LongTextEditor* e) { c.act(e); });
      QString changed;
      QCOMPARE(EditLongText(nullptr, settings, false, "Notes", "note", &changed), c.changed);
      QCOMPARE(changed, QString(c.text));
    }
    // Smartphone: nothing shows, nothing changes.
    QString untouched = "kept";
    QVERIFY(!EditLongText(nullptr, settings, true, "Notes", "note", &untouched));
    QCOMPARE(untouched, QString("kept"));
  }

  void longTextInsertsDateAndTime() {
    tb::platform::TestClock clock(kMorning);
    tb::platform::ScopedDateTimeFormats formats({u"dd.MM.yyyy", u"HH:mm:ss"});
    tb::shell::Settings settings;
    LongTextEditor editor(nullptr, settings, "Notes", "at ");
    editor.Dispatch(kCmdInsertDate);
    editor.Dispatch(kCmdInsertTime);
    QCOMPARE(editor.Edit()->toPlainText(), QString("at 07.03.2026 09:05 "));
    // The selection is replaced.
    editor.Edit()->selectAll();
    editor.Dispatch(kCmdInsertDate);
    QCOMPARE(editor.Edit()->toPlainText(), QString("07.03.2026 "));
    tb::platform::ScopedDateTimeFormats us({u"M/d/yyyy", u"h:mm:ss tt"});
    editor.Edit()->selectAll();
    editor.Dispatch(kCmdInsertTime);
    QCOMPARE(editor.Edit()->toPlainText(), QString("9:05 AM "));
  }
};

TB_QT_TEST(PaletteTest)
#include "palette_test.moc"
