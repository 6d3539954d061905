// The edit mode: which control a kind gets, what it shows when a line is
// entered and what leaving the line stores, moving between lines, the
// editor's geometry, the menu's enabling and clipboard commands, and the
// "..." button.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTest>

#include "cards_fixture.h"
#include "dialogs/title_bar.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/controls.h"
#include "platform/ui/soft_key_bar.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::platform::SystemTime;
using tb::platform::TestClock;

namespace {

const SystemTime kToday{2026, 3, 6, 7, 9, 30, 0, 0};
const SystemTime kStored{2020, 12, 4, 24, 18, 45, 0, 0};

QString Value(const tb::storage::Field& field) {
  return tb::ui::ToQString(std::u16string_view(field.value.data(), field.value.size()));
}

// Enters edit mode on field index.
void EditField(CardFixture& f, int index) {
  f.Open();
  f.Viewer();
  const int line = 2 * index + 3;
  f.window->Dispatch(kCmdEditCard);
  f.Editor().Activate(line);
}

}  // namespace

class CardEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    tb::ui::ClipboardService::Instance()->ClearOurs();
    QApplication::clipboard()->clear();
  }

  void kindsChooseTheirControl() {
    const struct {
      int kind;
      ControlType pocketPc, smartphone;
    } cases[] = {
        {1, kControlText, kControlText},          {2, kControlText, kControlText},   {3, kControlText, kControlText},
        {4, kControlText, kControlText},          {5, kControlText, kControlText},   {6, kControlText, kControlText},
        {7, kControlText, kControlText},          {14, kControlText, kControlText},  {15, kControlText, kControlText},
        {16, kControlText, kControlText},         {8, kControlDate, kControlDate},   {9, kControlTime, kControlTime},
        {10, kControlDateTime, kControlDateTime}, {11, kControlCombo, kControlList}, {12, kControlCombo, kControlList},
        {13, kControlCheck, kControlCheck},       {0, kControlNone, kControlNone},   {17, kControlNone, kControlNone},
        {99, kControlNone, kControlNone},
    };
    for (const auto& c : cases) {
      QCOMPARE(int(ControlForKind(c.kind, false)), int(c.pocketPc));
      QCOMPARE(int(ControlForKind(c.kind, true)), int(c.smartphone));
    }
  }

  void aNewCardStartsOnItsNameAllSelected() {
    for (bool smartphone : {false, true}) {
      CardFixture f(smartphone);
      f.Fresh(u"New Card", {{u"User", u"", 1}});
      CardWindow& w = f.Open(true);
      QCOMPARE(w.Mode(), kModeEdit);
      QCOMPARE(f.Editor().ActiveLine(), 1);
      QVERIFY(!w.Title()->isVisible());
      QWidget* edit = f.Controls().Control(kControlName);
      QCOMPARE(tb::ui::ControlId(edit), kIdEdit);
      QVERIFY(edit->isVisible());
      if (auto* line = qobject_cast<QLineEdit*>(edit)) QCOMPARE(line->selectedText(), QString("New Card"));
      else QCOMPARE(static_cast<QPlainTextEdit*>(edit)->textCursor().selectedText(), QString("New Card"));
      // Every word of the name is capitalised as it is typed; Shift+Tab stays.
      QTest::keyClicks(edit, "bank of example");
      QTest::keyClick(edit, Qt::Key_Tab, Qt::ShiftModifier);
      QCOMPARE(f.Editor().ActiveLine(), 1);
      QTest::keyClick(edit, Qt::Key_Tab);
      QCOMPARE(f.Editor().ActiveLine(), 3);
      QCOMPARE(f.card.record.Name(), tb::storage::ToText(u"Bank Of Example"));
      QCOMPARE(f.window->CurrentField(), 0);
    }
  }

  void textKindsStoreWhatIsTypedWithTheirCapitals() {
    const struct {
      uint16_t kind;
      const char* typed;
      const char* stored;
    } cases[] = {
        {1, "hello world", "xhello world"},
        {15, "hello world", "Xhello world"},  // the first letter of the text only
        {16, "hello world", "Xhello World"},
        {7, "s3cret", "xs3cret"},
    };
    for (const auto& c : cases) {
      CardFixture f;
      f.Stored(u"Card", {{u"Field", u"", c.kind}});
      EditField(f, 0);
      QWidget* edit = f.Controls().Control(kControlText);
      QTest::keyClicks(edit, QString("x") + c.typed);
      QTest::keyClick(edit, Qt::Key_Up);  // leaving the line stores it
      QCOMPARE(Value(f.card.fields[0]), QString(c.stored));
      QVERIFY(f.card.Modified());
    }
  }

  void datesTimesAndTheirNoneState() {
    TestClock clock(kToday);
    for (int kind : {8, 9, 10}) {
      CardFixture f;
      f.Stored(u"Card", {{u"Unset", u"", uint16_t(kind)}, {u"Set", u"", uint16_t(kind), kStored}});
      EditField(f, 0);
      PickerControl* picker = f.Controls().Picker();
      QVERIFY(picker);
      QCOMPARE(tb::ui::ControlId(picker), kind == 8 ? kIdDatePicker : kind == 9 ? kIdTimePicker : kIdDateTimePicker);
      // Never set: today, unticked; leaving it stores nothing.
      QVERIFY(!picker->HasValue());
      QCOMPARE(picker->Edit()->date(), QDate(2026, 3, 7));
      f.Editor().NextLine();
      QVERIFY(f.card.fields[0].dateTime.IsZero());
      QVERIFY(!f.card.Modified());
      // Set: shown; Clear makes it none, which clears the field.
      picker = f.Controls().Picker();
      QVERIFY(picker->HasValue());
      QCOMPARE(picker->Edit()->dateTime(), QDateTime(QDate(2020, 12, 24), QTime(18, 45)));
      QVERIFY(f.Controls().CanRun(kCmdCopy));
      f.window->Dispatch(kCmdClear);
      QVERIFY(!f.Controls().CanRun(kCmdCopy));
      f.Editor().PreviousLine();
      QVERIFY(f.card.fields[1].dateTime.IsZero());
      // Ticking the unset one stores today.
      f.Controls().Picker()->NoneBox()->setChecked(true);
      f.Editor().NextLine();
      QCOMPARE(f.card.fields[0].dateTime.year, uint16_t(2026));
      QCOMPARE(f.card.fields[0].dateTime.day, uint16_t(7));
    }
  }

  void pickerCopyIsTheShownValue() {
    CardFixture f;
    f.Stored(u"Card", {{u"When", u"", 10, kStored}});
    EditField(f, 0);
    f.window->Dispatch(kCmdCopy);
    QCOMPARE(QApplication::clipboard()->text(), QString("24.12.2020  18:45"));
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QCOMPARE(data->data(tb::ui::kWindows1252Format), QByteArray("24.12.2020  18:45"));
    QCOMPARE(data->data(tb::ui::kPasswordManagerHintFormat), QByteArray("secret"));
  }

  void choicesLoadAndStore() {
    const struct {
      bool smartphone;
      uint16_t kind;
      const char16_t* stored;
      int shown;           // entry shown, -1: free text
      const char* action;  // "": untouched, "pick:N", "type:..."
      const char* result;
    } cases[] = {
        {false, 11, u"yes", 1, "", "yes"},  // matched without regard to case; untouched, kept
        {false, 11, u"yes", 1, "pick:2", "No"},
        {false, 11, u"", 0, "pick:1", "Yes"},
        {false, 11, u"No", 2, "pick:0", ""},         // the "none" entry stores nothing
        {false, 11, u"", 0, "type:Maybe", "Maybe"},  // free text typed into the combo
        {false, 12, u"gold", 3, "", "gold"},         // the last match is shown
        {false, 12, u"Silver", 1, "pick:3", "GOLD"},
        {false, 12, u"Platinum", -1, "", "Platinum"},
        {true, 11, u"Yes", 1, "pick:2", "No"},
        {true, 12, u"Platinum", 1, "", "Platinum"},  // right after "none", stored back
        {true, 12, u"Platinum", 1, "pick:2", "Silver"},
        {true, 12, u"Silver", 1, "pick:0", ""},
    };
    for (const auto& c : cases) {
      CardFixture f(c.smartphone);
      f.Stored(u"Card", {{u"Choice", c.stored, c.kind}});
      if (c.kind == 12) {
        f.card.fields[0].SetItemsFromJoined(u"Silver^Gold^GOLD");
        f.card.fields[0].changeFlags = 0;
        f.card.changed = false;
      }
      EditField(f, 0);
      QCOMPARE(int(f.Controls().Active()), int(c.smartphone ? kControlList : kControlCombo));
      QCOMPARE(f.Controls().ChoiceIndex(), c.shown);
      if (c.smartphone) {
        auto* list = static_cast<QListWidget*>(f.Controls().Control(kControlList));
        QCOMPARE(list->item(0)->text(), QString("<None>"));
        QCOMPARE(tb::ui::ControlId(f.Controls().Companion(kControlList)), kIdListSpin);
      } else {
        auto* combo = static_cast<QComboBox*>(f.Controls().Control(kControlCombo));
        QCOMPARE(combo->itemText(0), QString("<None>"));
        if (c.shown < 0) QCOMPARE(combo->currentText(), QString::fromStdU16String(c.stored));
      }
      const QString action = c.action;
      if (action.startsWith("pick:")) {
        const int entry = action.mid(5).toInt();
        if (c.smartphone) static_cast<QListWidget*>(f.Controls().Control(kControlList))->setCurrentRow(entry);
        else static_cast<QComboBox*>(f.Controls().Control(kControlCombo))->setCurrentIndex(entry);
      } else if (action.startsWith("type:")) {
        auto* combo = static_cast<QComboBox*>(f.Controls().Control(kControlCombo));
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), action.mid(5));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);  // Enter: the next line
      }
      f.Editor().StoreLoaded();
      QCOMPARE(Value(f.card.fields[0]), QString(c.result));
    }
  }

  void checkBoxesStoreTheirThreeStates() {
    CardFixture f;
    f.Stored(u"Card", {{u"On", u"1", 13}, {u"Odd", u"7", 13}});
    EditField(f, 0);
    auto* box = static_cast<QCheckBox*>(f.Controls().Control(kControlCheck));
    QCOMPARE(box->checkState(), Qt::Checked);
    QVERIFY(f.Controls().CanRun(kCmdClear));
    f.window->Dispatch(kCmdClear);
    QCOMPARE(box->checkState(), Qt::PartiallyChecked);
    f.Editor().NextLine();
    QCOMPARE(Value(f.card.fields[0]), QString("2"));
    // A value that is none of 0, 1, 2 shows undecided and stays as it is
    // unless the box is changed.
    QCOMPARE(box->checkState(), Qt::PartiallyChecked);
    f.Editor().PreviousLine();
    QCOMPARE(Value(f.card.fields[1]), QString("7"));
    f.Editor().NextLine();
    box->setCheckState(Qt::Unchecked);
    f.Editor().PreviousLine();
    QCOMPARE(Value(f.card.fields[1]), QString("0"));
  }

  void linesMoveByKeysAndTaps() {
    CardFixture f;
    f.Stored(u"Card", {{u"A", u"a", 1}, {u"B", u"99", 99}, {u"C", u"c", 1}});
    EditField(f, 0);
    CardEditor& e = f.Editor();
    QCOMPARE(e.LineCount(), 8);
    QCOMPARE(e.ActiveLine(), 3);
    QWidget* edit = f.Controls().Control(kControlText);
    QTest::keyClick(edit, Qt::Key_Down);
    // A kind without a control: the line has none, the body keeps the keys.
    QCOMPARE(e.ActiveLine(), 5);
    QCOMPARE(int(f.Controls().Active()), int(kControlNone));
    QCOMPARE(e.LoadedLine(), -1);
    QTest::keyClick(f.Body(), Qt::Key_Down);
    QCOMPARE(e.ActiveLine(), 7);
    QTest::keyClick(edit, Qt::Key_Down);  // the last line stays
    QCOMPARE(e.ActiveLine(), 7);
    QTest::keyClick(edit, Qt::Key_Backtab);
    QCOMPARE(e.ActiveLine(), 5);
    QCOMPARE(Value(f.card.fields[1]), QString("99"));  // moving over it stored nothing

    // A tap on a label line takes its value line; below everything, the name.
    const int labelY = e.LineTop(2) + 2 - f.List()->ScrollPosition();
    QTest::mouseClick(f.List()->viewport(), Qt::LeftButton, {}, QPoint(20, labelY));
    QCOMPARE(e.ActiveLine(), 3);
    QTest::mouseClick(f.List()->viewport(), Qt::LeftButton, {}, QPoint(20, f.List()->ClientHeight() - 2));
    QCOMPARE(e.ActiveLine(), 1);
  }

  void geometryFollowsTheDensity() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 130, 192}) {
        CardFixture f(smartphone, dpi);
        f.Stored(u"Card", {{u"Text", u"t", 1}, {u"Choice", u"", 12}});
        EditField(f, 0);
        CardEditor& e = f.Editor();
        const EditorMetrics m = EditorMetrics::At(dpi);
        QCOMPARE(m.margin, (dpi + 24) * 2 / 96);
        QCOMPARE(m.gap, (dpi + 16) * 3 / 96);
        QCOMPARE(e.LabelLineHeight(), QFontMetrics(*tb::ui::FontService::Font(1)).height() + m.margin);
        QCOMPARE(e.ValueLineHeight(), QFontMetrics(*tb::ui::FontService::Font(2)).height() + m.margin);
        QCOMPARE(e.ContentHeight(), 3 * (e.LabelLineHeight() + e.ValueLineHeight() + m.gap));
        // The control covers its value line; type 1 leaves room for its button or spin.
        const QRect line = e.ControlRect(3);
        QCOMPARE(line, QRect(m.margin, e.LineTop(3) - f.List()->ScrollPosition() - 1,
                             f.List()->ClientWidth() - 2 * m.margin, e.ValueLineHeight() + 1));
        const int bar = f.List()->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 1;
        QWidget* companion = f.Controls().Companion(kControlText);
        QCOMPARE(tb::ui::ControlId(companion), smartphone ? kIdEditSpin : kIdDotsButton);
        QCOMPARE(f.Controls().Control(kControlText)->width(), line.width() - bar);
        QCOMPARE(companion->geometry(), QRect(line.x() + line.width() - bar, line.y(), bar, line.height()));
        f.Editor().NextLine();
        if (smartphone) {
          const int spin = line.height() * 5 / 4;
          QCOMPARE(f.Controls().Companion(kControlList)->width(), spin);
          QCOMPARE(f.Controls().Control(kControlList)->width(), line.width() - spin);
        }
      }
    }
  }

  void menuEnablingAndClipboardCommands() {
    CardFixture f;
    f.Stored(u"Card", {{u"PIN", u"4711", 7}, {u"Choice", u"Gold", 12}, {u"Empty", u"", 1}});
    EditField(f, 0);
    auto* edit = static_cast<QLineEdit*>(f.Controls().Control(kControlText));
    QVERIFY(!f.Controls().CanRun(kCmdCopy));  // no selection
    QVERIFY(f.Controls().CanRun(kCmdSelectAll));
    f.window->Dispatch(kCmdSelectAll);
    QVERIFY(f.Controls().CanRun(kCmdCut));
    // Copy (the menu's and the edit's own key) is wallet content: marked.
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("4711"));
    QCOMPARE(QApplication::clipboard()->mimeData()->data(tb::ui::kPasswordManagerHintFormat), QByteArray("secret"));
    QApplication::clipboard()->clear();
    f.window->Dispatch(kCmdCut);
    QCOMPARE(QApplication::clipboard()->mimeData()->data(tb::ui::kPasswordManagerHintFormat), QByteArray("secret"));
    QCOMPARE(edit->text(), QString());
    QVERIFY(f.Controls().CanRun(kCmdPaste));
    f.window->Dispatch(kCmdPaste);
    QCOMPARE(edit->text(), QString("4711"));

    // The menu's entries follow; the combo copies what it shows.
    f.Editor().NextLine();
    QVERIFY(f.Controls().CanRun(kCmdCopy));
    QVERIFY(!f.Controls().CanRun(kCmdPaste));
    f.window->Dispatch(kCmdCopy);
    QCOMPARE(QApplication::clipboard()->text(), QString("Gold"));
    QMenu* menu = f.window->MenuBar()->RightMenu();
    f.window->OnInitMenuPopup(menu);
    for (QAction* a : menu->actions()) {
      const int command = a->data().toInt();
      if (command == kCmdCopy) QVERIFY(a->isEnabled());
      if (command == kCmdCut || command == kCmdPaste || command == kCmdClear || command == kCmdSelectAll)
        QVERIFY(!a->isEnabled());
    }
    f.Editor().NextLine();
    QVERIFY(!f.Controls().CanRun(kCmdSelectAll));  // an empty text
  }

  void dotsButtonEditsTheLongText() {
    CardFixture f;
    f.Stored(u"Card", {{u"Notes", u"short", 1}});
    EditField(f, 0);
    QString asked;
    f.window->longTextEditor = [&](const QString& title, const QString& text, QString* changed) {
      asked = title + "|" + text;
      *changed = text + "\nmore";
      return true;
    };
    QTest::mouseClick(f.Controls().Companion(kControlText), Qt::LeftButton);
    QCOMPARE(asked, QString("Notes|short"));
    QCOMPARE(f.Controls().Text(), QString("short\nmore"));
    QVERIFY(f.Controls().Control(kControlText)->hasFocus());
    // Unchanged: the edit keeps its text.
    f.window->longTextEditor = [](const QString&, const QString&, QString*) { return false; };
    f.window->Dispatch(kCmdDots);
    QCOMPARE(f.Controls().Text(), QString("short\nmore"));
    f.Editor().StoreLoaded();
    QCOMPARE(Value(f.card.fields[0]), QString("short\nmore"));

    // Smartphone has no such button: 1108 does nothing there, and its edit
    // takes numbers for kind 14.
    CardFixture sp(true);
    sp.Stored(u"Card", {{u"Number", u"12", 14}});
    EditField(sp, 0);
    bool called = false;
    sp.window->longTextEditor = [&](const QString&, const QString&, QString*) { return called = true; };
    sp.window->Dispatch(kCmdDots);
    QVERIFY(!called);
    QVERIFY(sp.Controls().Control(kControlText)->inputMethodHints() & Qt::ImhPreferNumbers);
  }
};

TB_QT_TEST(CardEditorTest)
#include "card_editor_test.moc"
