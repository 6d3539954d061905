// Design mode: entering and leaving it, the designer's commands on the
// field list, what a label or kind line stores, moving between lines, the
// selection field editor, and the redesigned card stored and read back.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "cards/form_designer.h"
#include "cards/selection_field_dialog.h"
#include "cards_fixture.h"
#include "dialogs/title_bar.h"
#include "platform/ui/controls.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/soft_key_bar.h"
#include "storage/forms/field_kinds.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::dialogs::test::ScreenshotPath;
using tb::dialogs::test::WhenShown;

namespace {

QString FromText(const tb::storage::Text& text) {
  return tb::ui::ToQString(std::u16string_view(text.data(), text.size()));
}

QStringList Labels(const tb::storage::Card& card) {
  QStringList out;
  for (const auto& field : card.fields) out << FromText(field.label);
  return out;
}

QStringList Items(const tb::storage::Field& field) {
  QStringList out;
  for (const auto& item : field.items) out << FromText(item);
  return out;
}

std::vector<FieldSpec> Named(const QStringList& labels) {
  std::vector<FieldSpec> fields;
  for (const QString& label : labels) fields.push_back({label.toStdU16String(), u"v", 1});
  return fields;
}

// Opens the card and goes through edit mode into design mode.
FormDesigner& Design(CardFixture& f) {
  f.Open();
  f.window->Dispatch(kCmdEditCard);
  f.window->Dispatch(kCmdFormDesign);
  return *f.window->Designer();
}

QComboBox* Combo(CardFixture& f) { return static_cast<QComboBox*>(f.Controls().Control(kControlCombo)); }
QListWidget* KindList(CardFixture& f) { return static_cast<QListWidget*>(f.Controls().Control(kControlList)); }

}  // namespace

class FormDesignerTest : public QObject {
  Q_OBJECT

 private slots:
  void enteredFromEditAndLeftForEdit() {
    const struct {
      bool smartphone, expanded;
      int bar, icons;
    } cases[] = {
        {false, false, kBarCardDesign, 0},
        {false, true, kBarCardDesignIcons, 4},
        {true, true, kBarCardDesign, 0},
    };
    for (const auto& c : cases) {
      CardFixture f(c.smartphone);
      f.settings.menusExpanded = c.expanded ? 1 : 0;
      f.Stored(u"Bank", {{u"User", u"ann", 1}, {u"Choice", u"", 12}});
      CardWindow& w = f.Open();
      w.Dispatch(kCmdFormDesign);  // not from the view
      QCOMPARE(w.Mode(), kModeView);
      w.Dispatch(kCmdEditCard);
      w.Dispatch(kCmdFormDesign);
      QCOMPARE(w.Mode(), kModeDesign);
      QCOMPARE(w.MenuBar()->MenuBarId(), c.bar);
      QCOMPARE(w.MenuBar()->IconButtons().size(), c.icons);
      for (QToolButton* button : w.MenuBar()->IconButtons()) QVERIFY(!button->icon().isNull());
      QVERIFY(w.Title()->isVisible());
      QCOMPARE(w.Title()->Text(), QString("Form Design: Bank"));
      QCOMPARE(w.Designer()->ActiveLine(), 0);
      QCOMPARE(f.Controls().Active(), kControlName);
      QCOMPARE(f.Controls().Text(), QString("User"));

      // Edit Selection Field is there for a selection field's line only.
      QMenu* menu = w.MenuBar()->RightMenu();
      auto editSelectionEnabled = [&] {
        w.OnInitMenuPopup(menu);
        for (QAction* a : menu->actions())
          if (a->data().toInt() == kCmdEditSelectionField) return a->isEnabled();
        return false;
      };
      QVERIFY(!editSelectionEnabled());
      w.Designer()->Activate(2);
      QVERIFY(editSelectionEnabled());

      // Done stores the line and returns to edit mode on the card name.
      QTest::keyClicks(f.Controls().Control(kControlName), "X");
      w.Dispatch(kCmdCardDone);
      QCOMPARE(w.Mode(), kModeEdit);
      QCOMPARE(w.Editor()->ActiveLine(), 1);
      QCOMPARE(FromText(f.card.fields[1].label), QString("ChoiceX"));
      w.Dispatch(kCmdCardDone);
      w.Dispatch(kCmdCardDone);
      QCOMPARE(w.Outcome(), kOutcomeStore);
    }
  }

  void commandsChangeTheFieldList() {
    const QStringList abc{"A", "B", "C"};
    const struct {
      const char* name;
      QStringList before;
      int line, command;
      QStringList after;
      int lineAfter;
    } cases[] = {
        {"add", abc, 2, kCmdAddField, {"A", "B", "C", "New Field"}, 6},
        {"add to none", {}, 0, kCmdAddField, {"New Field"}, 0},
        {"up", abc, 2, kCmdFieldUp, {"B", "A", "C"}, 0},
        {"up from a kind line", abc, 5, kCmdFieldUp, {"A", "C", "B"}, 3},
        {"up on the first", abc, 1, kCmdFieldUp, abc, 1},
        {"down", abc, 3, kCmdFieldDown, {"A", "C", "B"}, 5},
        {"down on the last", abc, 4, kCmdFieldDown, abc, 4},
        {"top", abc, 5, kCmdFieldTop, {"C", "A", "B"}, 0},
        {"top on the first", abc, 1, kCmdFieldTop, abc, 1},
        {"bottom", abc, 0, kCmdFieldBottom, {"B", "C", "A"}, 5},
        {"bottom on the last", abc, 5, kCmdFieldBottom, abc, 5},
        {"copy", abc, 2, kCmdCopyField, {"A", "B", "B", "C"}, 3},
        {"copy the last", abc, 4, kCmdCopyField, {"A", "B", "C", "C"}, 5},
        {"delete", abc, 2, kCmdDeleteField, {"A", "C"}, 2},
        {"delete the last", abc, 5, kCmdDeleteField, {"A", "B"}, 3},
        {"delete the only one", {"A"}, 1, kCmdDeleteField, {}, 0},
    };
    for (const auto& c : cases) {
      CardFixture f;
      f.Stored(u"Card", Named(c.before));
      FormDesigner& d = Design(f);
      d.Activate(c.line);
      f.window->Dispatch(c.command);
      QVERIFY2(Labels(f.card) == c.after, c.name);
      QVERIFY2(d.ActiveLine() == c.lineAfter, c.name);
      QVERIFY2(f.card.Modified() == (c.after != c.before), c.name);
    }
  }

  void addedFieldIsCapitalisedTextWithItsNameSelected() {
    CardFixture f;
    f.Stored(u"Card", Named({"A"}));
    FormDesigner& d = Design(f);
    f.window->Dispatch(kCmdAddField);
    QCOMPARE(f.card.fields[1].kind, uint16_t(15));
    QCOMPARE(d.LoadedLine(), 2);
    auto* edit = qobject_cast<QLineEdit*>(f.Controls().Control(kControlName));
    QVERIFY(edit);
    QCOMPARE(edit->selectedText(), QString("New Field"));
    QTest::keyClicks(edit, "PIN");
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(FromText(f.card.fields[1].label), QString("PIN"));
    QCOMPARE(d.ActiveLine(), 3);
  }

  void fullCardTakesNoMoreFields() {
    CardFixture f;
    f.Stored(u"Card", Named({"A"}));
    f.card.fields.resize(tb::storage::kMaxFields, f.card.fields[0]);
    FormDesigner& d = Design(f);
    d.Activate(4);
    f.window->Dispatch(kCmdAddField);
    f.window->Dispatch(kCmdCopyField);
    QCOMPARE(f.card.fields.size(), tb::storage::kMaxFields);
    QCOMPARE(d.ActiveLine(), 4);
  }

  void kindLineStoresTheKindOfItsPosition() {
    const uint16_t kinds[] = {1, 15, 16, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    for (bool smartphone : {false, true}) {
      for (bool restricted : {false, true}) {
        const int offered = restricted && !smartphone ? 8 : 14;
        for (int position = 0; position < offered; ++position) {
          CardFixture f(smartphone);
          f.Stored(u"Card", {{u"Notes", u"text", 7}});
          if (restricted) f.card.fields[0].flags |= tb::storage::kNotesFieldFlag;
          FormDesigner& d = Design(f);
          d.Activate(1);
          if (smartphone) {
            QCOMPARE(f.Controls().Active(), kControlList);
            QCOMPARE(KindList(f)->count(), offered);
            QCOMPARE(KindList(f)->currentRow(), 7);
            KindList(f)->setCurrentRow(position);
          } else {
            QCOMPARE(f.Controls().Active(), kControlCombo);
            QCOMPARE(Combo(f)->count(), offered);
            QCOMPARE(Combo(f)->currentIndex(), 7);
            Combo(f)->setCurrentIndex(position);
          }
          d.Activate(0);
          QCOMPARE(f.card.fields[0].kind, kinds[position]);
          QCOMPARE(f.card.Modified(), position != 7);
        }
      }
    }
    // A notes field turned into a date is no longer held to text kinds.
    CardFixture f;
    f.Stored(u"Card", {{u"Notes", u"", 8}});
    f.card.fields[0].flags |= tb::storage::kNotesFieldFlag;
    Design(f).Activate(1);
    QCOMPARE(Combo(f)->count(), 14);
  }

  void kindChangesFollowTheFieldRules() {
    CardFixture f;
    f.Stored(u"Card", {{u"When", u"soon", 1}, {u"Answer", u"", 1}});
    FormDesigner& d = Design(f);
    d.Activate(1);
    Combo(f)->setCurrentIndex(8);  // Date: the text goes
    d.Activate(1);
    QVERIFY(f.card.fields[0].value.empty());
    Combo(f)->setCurrentIndex(0);  // back to Text: it does not come back
    d.Activate(3);
    QCOMPARE(f.card.fields[0].kind, uint16_t(1));
    QVERIFY(f.card.fields[0].value.empty());
    Combo(f)->setCurrentIndex(11);  // Yes/No brings its two words
    d.Activate(0);
    QCOMPARE(Items(f.card.fields[1]), QStringList({"Yes", "No"}));
    // Typed text that names no kind changes nothing.
    d.Activate(1);
    Combo(f)->setEditText("Nonsense");
    d.Activate(0);
    QCOMPARE(f.card.fields[0].kind, uint16_t(1));
  }

  void labelLineStoresItsText() {
    CardFixture f;
    f.Stored(u"Card", Named({"A", "B"}));
    FormDesigner& d = Design(f);
    QWidget* edit = f.Controls().Control(kControlName);
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, "ccount");
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(FromText(f.card.fields[0].label), QString("Account"));
    d.Activate(2);
    static_cast<QLineEdit*>(f.Controls().Control(kControlName))->clear();
    d.Activate(0);
    QVERIFY(f.card.fields[1].label.empty());
  }

  void keysAndTapsMoveBetweenLines() {
    CardFixture f;
    f.Stored(u"Card", Named({"A", "B"}));
    FormDesigner& d = Design(f);
    QWidget* edit = f.Controls().Control(kControlName);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(d.ActiveLine(), 1);
    QTest::keyClick(Combo(f), Qt::Key_Up);
    QCOMPARE(d.ActiveLine(), 0);
    QTest::keyClick(f.Controls().Control(kControlName), Qt::Key_Up);
    QCOMPARE(d.ActiveLine(), 0);
    d.Activate(3);
    QTest::keyClick(Combo(f), Qt::Key_Down);  // not beyond the last line
    QCOMPARE(d.ActiveLine(), 3);

    // A tap in a kind line's gap takes that kind line; below all lines, line 0.
    const int x = f.List()->viewport()->width() / 2;
    QTest::mouseClick(f.List()->viewport(), Qt::LeftButton, {}, QPoint(x, d.LineTop(2) + d.LineHeightPixels() / 2));
    QCOMPARE(d.ActiveLine(), 2);
    QTest::mouseClick(f.List()->viewport(), Qt::LeftButton, {}, QPoint(x, d.LineTop(1) + d.LineHeightPixels() + 1));
    QCOMPARE(d.ActiveLine(), 1);
    QTest::mouseClick(f.List()->viewport(), Qt::LeftButton, {}, QPoint(x, d.ContentHeight() + 5));
    QCOMPARE(d.ActiveLine(), 0);
  }

  void linesScaleWithTheScreen() {
    for (int dpi : {96, 130, 192}) {
      CardFixture f(false, dpi);
      f.Stored(u"Card", Named({"A", "B"}));
      FormDesigner& d = Design(f);
      QCOMPARE(d.Margin(), (dpi + 24) * 2 / 96);
      QCOMPARE(d.Gap(), (dpi + 16) * 3 / 96);
      QCOMPARE(d.LineTop(2), 2 * d.LineHeightPixels() + d.Gap());
      const QRect r = d.ControlRect(3);
      QCOMPARE(r.left(), d.Margin());
      QCOMPARE(r.width(), f.List()->ClientWidth() - 2 * d.Margin());
      QCOMPARE(f.Controls().Control(kControlName)->geometry().top(), d.ControlRect(0).top());
      // The kind line's name and its rule are drawn.
      QImage image(f.List()->viewport()->size(), QImage::Format_RGB32);
      QPainter painter(&image);
      d.Paint(painter, image.rect());
      painter.end();
      const int ruleY = d.LineTop(1) + d.LineHeightPixels() + d.Margin();
      QCOMPARE(image.pixelColor(image.width() / 2, ruleY), QColor(192, 192, 192));
    }
  }

  void emptyCardShowsAPlaceholder() {
    CardFixture f;
    f.Stored(u"Card", {});
    FormDesigner& d = Design(f);
    QCOMPARE(d.LoadedLine(), -1);
    QCOMPARE(f.Controls().Active(), kControlNone);
    for (int command : {kCmdFieldUp, kCmdFieldDown, kCmdFieldTop, kCmdFieldBottom, kCmdCopyField, kCmdDeleteField,
                        kCmdEditSelectionField})
      f.window->Dispatch(command);
    QVERIFY(f.card.fields.empty());
    QVERIFY(!f.card.Modified());
  }

  void selectionFieldEditorFromTheDesigner() {
    CardFixture f;
    f.Stored(u"Card", {{u"Colour", u"", 12}, {u"Name", u"", 1}});
    f.card.fields[0].AddItem(u"red");
    f.card.fields[0].changeFlags = 0;
    FormDesigner& d = Design(f);
    QStringList seen;
    f.window->selectionFieldEditor = [&](tb::storage::Field& field) {
      seen = Items(field);
      field.AddItem(u"blue");
      return true;
    };
    d.Activate(2);  // not a selection field: nothing opens
    f.window->Dispatch(kCmdEditSelectionField);
    QVERIFY(seen.isEmpty());
    d.Activate(1);
    f.window->Dispatch(kCmdEditSelectionField);
    QCOMPARE(seen, QStringList({"red"}));
    QCOMPARE(Items(f.card.fields[0]), QStringList({"red", "blue"}));
    QVERIFY(f.card.Modified());
    QCOMPARE(d.ActiveLine(), 1);
  }

  void selectionFieldEditorEditsTheList() {
    for (bool smartphone : {false, true}) {
      CardFixture f(smartphone);
      f.Stored(u"Card", {{u"Colour", u"", 12}});
      tb::storage::Field& field = f.card.fields[0];
      field.AddItem(u"red");
      field.AddItem(u"green");
      WhenShown<SelectionFieldDialog>([&](SelectionFieldDialog* d) {
        QCOMPARE(d->List()->count(), 2);
        QCOMPARE(d->Edit()->maxLength(), kChoiceEditLimit);
        QTest::keyClicks(d->Edit(), "blue");
        d->Dispatch(kIdAddChoice);
        QCOMPARE(d->Edit()->text(), QString());
        QTest::keyClicks(d->Edit(), "blue");  // twice: both stay
        d->Dispatch(kIdAddChoice);
        d->Edit()->setText(QString(127, 'x'));
        d->Dispatch(kIdAddChoice);
        QCOMPARE(d->List()->item(4)->text().size(), kChoiceLimit);
        d->List()->setCurrentRow(4);
        d->Dispatch(kIdDeleteChoice);  // the one before takes the selection
        QCOMPARE(d->List()->currentRow(), 3);
        d->List()->setCurrentRow(0);
        d->Dispatch(kIdChoiceUp);  // nothing at the top
        d->Dispatch(kIdChoiceDown);
        QCOMPARE(d->List()->currentRow(), 1);
        d->List()->setCurrentRow(3);
        d->Dispatch(kIdChoiceDown);  // nothing at the bottom
        QCOMPARE(d->Entries(), QStringList({"green", "red", "blue", "blue"}));
        d->Dispatch(tb::ui::kCmdDone);
      });
      QVERIFY(RunSelectionFieldEditor(nullptr, f.settings, field));
      QCOMPARE(Items(field), QStringList({"green", "red", "blue", "blue"}));

      // Cancel, and Done without a change, change nothing.
      WhenShown<SelectionFieldDialog>([&](SelectionFieldDialog* d) {
        d->Dispatch(kIdDeleteChoice);
        d->Dispatch(tb::ui::kCmdMenuCancel);
      });
      QVERIFY(!RunSelectionFieldEditor(nullptr, f.settings, field));
      WhenShown<SelectionFieldDialog>([&](SelectionFieldDialog* d) { d->Dispatch(tb::ui::kCmdDone); });
      field.changeFlags = 0;
      QVERIFY(!RunSelectionFieldEditor(nullptr, f.settings, field));
      QCOMPARE(field.changeFlags, 0u);
      QCOMPARE(field.items.size(), size_t(4));
    }
  }

  void selectionFieldKeepsAtMost128() {
    CardFixture f;
    f.Stored(u"Card", {{u"Many", u"", 12}});
    tb::storage::Field& field = f.card.fields[0];
    for (int i = 0; i < 128; ++i) field.AddItem(QString::number(i).toStdU16String());
    WhenShown<SelectionFieldDialog>([&](SelectionFieldDialog* d) {
      d->List()->setCurrentRow(0);
      d->Dispatch(kIdChoiceDown);  // something changes
      d->Edit()->setText("one more");
      d->Dispatch(kIdAddChoice);
      QCOMPARE(d->List()->count(), 129);
      d->Dispatch(tb::ui::kCmdDone);
    });
    QVERIFY(RunSelectionFieldEditor(nullptr, f.settings, field));
    QCOMPARE(field.items.size(), size_t(128));
    QCOMPARE(FromText(field.items[0]), QString("1"));
    QCOMPARE(FromText(field.items[127]), QString("127"));
  }

  void selectionFieldEditorSmartphoneKeys() {
    CardFixture f(true);
    f.Stored(u"Card", {{u"Colour", u"", 12}});
    tb::storage::Field& field = f.card.fields[0];
    field.AddItem(u"red");
    WhenShown<SelectionFieldDialog>([&](SelectionFieldDialog* d) {
      QCOMPARE(d->MenuBar()->MenuBarId(), 982);
      QVERIFY(!tb::ui::FindControl<QPushButton>(d, kIdAddChoice));
      d->activateWindow();
      d->Edit()->setFocus();
      QVERIFY(!d->CanRun(kIdAddChoice));
      QTest::keyClicks(d->Edit(), "blue");
      QVERIFY(d->CanRun(kIdAddChoice));
      QVERIFY(!d->CanRun(kIdDeleteChoice));        // while the edit has the focus
      QTest::keyClick(d->Edit(), Qt::Key_Return);  // Enter adds
      QCOMPARE(d->List()->count(), 2);
      QVERIFY(d->Edit()->hasFocus());
      QTest::keyClick(d->Edit(), Qt::Key_Down);  // to the list's first entry
      QVERIFY(d->List()->hasFocus());
      QCOMPARE(d->List()->currentRow(), 0);
      QVERIFY(d->CanRun(kIdDeleteChoice));
      QVERIFY(!d->CanRun(kIdChoiceUp));
      QVERIFY(d->CanRun(kIdChoiceDown));
      QTest::keyClick(d->List(), Qt::Key_Up);  // on the first entry: back to the edit
      QVERIFY(d->Edit()->hasFocus());
      d->Dispatch(tb::ui::kCmdDone);
    });
    QVERIFY(RunSelectionFieldEditor(nullptr, f.settings, field));
    QCOMPARE(Items(field), QStringList({"red", "blue"}));
  }

  void redesignedCardIsStoredAndReadBack() {
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}, {u"Colour", u"", 1}});
    const tb::storage::RecordId id = f.card.record.Id();
    f.Open();
    f.window->selectionFieldEditor = [](tb::storage::Field& field) {
      field.AddItem(u"red");
      field.AddItem(u"blue");
      return true;
    };
    f.window->Dispatch(kCmdEditCard);
    f.window->Dispatch(kCmdFormDesign);
    FormDesigner& d = *f.window->Designer();
    d.Activate(3);
    Combo(f)->setCurrentIndex(12);  // Selection
    d.Activate(2);
    f.window->Dispatch(kCmdEditSelectionField);
    f.window->Dispatch(kCmdFieldTop);
    f.window->Dispatch(kCmdAddField);
    d.Activate(5);
    Combo(f)->setCurrentIndex(7);  // Password
    f.window->Dispatch(kCmdCardDone);
    f.window->Dispatch(kCmdCardDone);
    f.window->Dispatch(kCmdCardDone);
    QCOMPARE(f.window->Outcome(), kOutcomeStore);
    QVERIFY(f.file.wallet().ReplaceCard(f.card) >= 0);
    QCOMPARE(int(f.file.Reopen()), 0);
    tb::storage::Card back;
    QVERIFY(f.file.wallet().LoadCard(id, &back));
    QCOMPARE(Labels(back), QStringList({"Colour", "User", "New Field"}));
    QCOMPARE(back.fields[0].kind, uint16_t(12));
    QCOMPARE(Items(back.fields[0]), QStringList({"red", "blue"}));
    QCOMPARE(FromText(back.fields[1].value), QString("ann"));
    QCOMPARE(back.fields[2].kind, uint16_t(7));
  }

  void pictures() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 192}) {
        const QString variant = QStringLiteral("%1_%2").arg(smartphone ? "sp" : "ppc").arg(dpi);
        CardFixture f(smartphone, dpi);
        f.settings.menusExpanded = 1;
        f.Stored(u"Bank", {{u"Account", u"12-34", 1}, {u"PIN", u"1234", 7}, {u"Colour", u"", 12}, {u"Opened", u"", 8}});
        f.card.fields[2].AddItem(u"red");
        f.card.fields[2].AddItem(u"blue");
        Design(f).Activate(3);
        QVERIFY(tb::ui::GrabToPng(f.window.get(), ScreenshotPath("design_" + variant)));
        WhenShown<SelectionFieldDialog>([&](SelectionFieldDialog* d) {
          d->List()->setCurrentRow(1);
          QTest::keyClicks(d->Edit(), "green");
          QVERIFY(tb::ui::GrabToPng(d, ScreenshotPath("selection_field_" + variant)));
          d->Dispatch(tb::ui::kCmdMenuCancel);
        });
        RunSelectionFieldEditor(f.window.get(), f.settings, f.card.fields[2]);
      }
    }
  }
};

TB_QT_TEST(FormDesignerTest)
#include "form_designer_test.moc"
