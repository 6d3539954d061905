// "Generate Password..." of the card editor: offered only on a Password
// field's line, it puts the generated value into the field's edit as if
// typed (stored when the line is left); Cancel leaves the edit alone.
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "cards_fixture.h"
#include "dialogs/generator_dialog.h"
#include "platform/ui/controls.h"
#include "platform/ui/soft_key_bar.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;

namespace {

QString Value(const tb::storage::Field& field) {
  return tb::ui::ToQString(std::u16string_view(field.value.data(), field.value.size()));
}

// The entry's state in the edit menu as it opens (nullptr: not there).
QAction* GenerateEntry(CardFixture& f) {
  QMenu* menu = f.window->MenuBar()->RightMenu();
  f.window->OnInitMenuPopup(menu);
  for (QAction* a : menu->actions())
    if (a->data().toInt() == kCmdGeneratePassword) return a;
  return nullptr;
}

}  // namespace

class GeneratePasswordTest : public QObject {
  Q_OBJECT

 private slots:
  void offeredOnlyOnAPasswordLine() {
    for (const bool smartphone : {false, true}) {
      CardFixture f(smartphone);
      f.Stored(u"Card", {{u"User", u"ann", 1}, {u"Password", u"old", 7}, {u"Notes", u"", 8}});
      f.Open();
      f.window->Dispatch(kCmdEditCard);
      QAction* entry = GenerateEntry(f);
      QVERIFY(entry);
      QCOMPARE(entry->text(), QStringLiteral("Generate Password..."));
      const struct {
        int line;
        bool enabled;
      } lines[] = {{1, false}, {3, false}, {5, true}, {7, false}};
      for (const auto& l : lines) {
        f.Editor().Activate(l.line);
        QCOMPARE(GenerateEntry(f)->isEnabled(), l.enabled);
      }
      // Off a Password line the command does nothing.
      bool asked = false;
      f.window->passwordGenerator = [&](QString*) { return asked = true; };
      f.Editor().Activate(3);
      f.window->Dispatch(kCmdGeneratePassword);
      QVERIFY(!asked);
    }
  }

  void theValueGoesIntoTheEditAsIfTyped() {
    CardFixture f;
    f.Stored(u"Card", {{u"Password", u"old", 7}, {u"User", u"ann", 1}});
    f.Open();
    f.window->Dispatch(kCmdEditCard);
    f.Editor().Activate(3);
    f.window->passwordGenerator = [](QString* value) {
      *value = QStringLiteral("g3n-Rated!");
      return true;
    };
    f.window->Dispatch(kCmdGeneratePassword);
    auto* edit = static_cast<QLineEdit*>(f.Controls().Control(kControlText));
    QCOMPARE(edit->text(), QStringLiteral("g3n-Rated!"));
    QVERIFY(edit->hasFocus());
    QCOMPARE(Value(f.card.fields[0]), QStringLiteral("old"));  // not stored until the line is left
    f.Editor().NextLine();
    QCOMPARE(Value(f.card.fields[0]), QStringLiteral("g3n-Rated!"));
    QVERIFY(f.card.Modified());

    // Cancelled: the edit keeps what it had.
    f.Editor().Activate(3);
    f.window->passwordGenerator = [](QString* value) {
      *value = QStringLiteral("never");
      return false;
    };
    f.window->Dispatch(kCmdGeneratePassword);
    QCOMPARE(f.Controls().Text(), QStringLiteral("g3n-Rated!"));
  }

  void theRealDialogFillsTheField() {
    CardFixture f;
    f.Stored(u"Card", {{u"Password", u"", 7}});
    f.settings.generatorLength = 12;
    f.Open();
    f.window->Dispatch(kCmdEditCard);
    f.Editor().Activate(3);
    QString shown;
    tb::dialogs::test::WhenShown<tb::dialogs::GeneratorDialog>([&](tb::dialogs::GeneratorDialog* d) {
      QCOMPARE(tb::ui::FindControl<QSpinBox>(d, tb::dialogs::kIdGenLength)->value(), 12);
      const QString candidate = d->Candidate();
      shown = QString(candidate.constData(), candidate.size());  // the dialog wipes its own
      d->MenuBar()->PressLeft();
    });
    f.window->Dispatch(kCmdGeneratePassword);
    QCOMPARE(shown.size(), 12);
    QCOMPARE(f.Controls().Text(), shown);
    f.window->Dispatch(kCmdCardDone);  // edit to view, storing the line
    QCOMPARE(Value(f.card.fields[0]), shown);
    f.window->Dispatch(kCmdCardDone);
    QCOMPARE(f.window->Outcome(), kOutcomeStore);
  }
};

TB_QT_TEST(GeneratePasswordTest)
#include "generate_password_test.moc"
