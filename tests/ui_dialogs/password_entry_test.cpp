#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialogs/idle_countdown.h"
#include "dialogs/new_password_dialog.h"
#include "dialogs/password_entry_dialog.h"
#include "dialogs/title_bar.h"
#include "dialogs_fixture.h"
#include "platform/core/system.h"
#include "platform/ui/controls.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/test_doubles.h"
#include "support/wallet_fixture.h"
#include "ui_support/png_check.h"
#include "ui_support/qt_test.h"

using namespace tb::dialogs;
using namespace tb::dialogs::test;
using tb::ui::FindControl;
using tb::ui::ScriptedMessageBoxes;

namespace {

const tb::platform::SystemTime kMorning{2024, 5, 0, 6, 9, 0, 0, 0};

void Click(const PasswordEntryDialog& dialog, int id) {
  auto* key = FindControl<QPushButton>(&dialog, id);
  QVERIFY2(key, qPrintable(QStringLiteral("no key %1").arg(id)));
  QTest::mouseClick(key, Qt::LeftButton);
}

QString Typed(const PasswordEntryDialog& dialog) { return dialog.Edit()->text(); }

}  // namespace

class PasswordEntryTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { tb::ui::SetTextSource(&English()); }
  void cleanup() { tb::ui::SetTextSource(nullptr); }

  void keypadEditsAtTheCaretAndBackDeletes() {
    auto settings = SettingsFor(false);
    PasswordEntryDialog dialog(nullptr, settings, nullptr, {u"Home", 64});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(FindControl<TitleBar>(&dialog, kIdTitleBar)->Text(), QStringLiteral("Password (Home)"));
    for (int id = kIdKey0; id <= kIdKeyOk; ++id) QVERIFY(FindControl<QPushButton>(&dialog, id));

    for (int id : {1401, 1402, 1403}) Click(dialog, id);
    QCOMPARE(Typed(dialog), QStringLiteral("123"));
    dialog.Edit()->setCursorPosition(1);
    Click(dialog, 1409);  // inserted at the caret
    QCOMPARE(Typed(dialog), QStringLiteral("1923"));
    Click(dialog, kIdKeyBack);  // deletes before the caret
    QCOMPARE(Typed(dialog), QStringLiteral("123"));
    dialog.Edit()->selectAll();
    Click(dialog, kIdKey0);  // replaces the selection
    QCOMPARE(Typed(dialog), QStringLiteral("0"));
    Type(dialog.Edit(), "ab");  // the keyboard works alongside
    QCOMPARE(Typed(dialog), QStringLiteral("0ab"));
    QVERIFY(dialog.Edit()->hasFocus());
    Click(dialog, kIdKeyClear);
    QCOMPARE(Typed(dialog), QString());
    QVERIFY(dialog.isVisible());
  }

  void confirmingChecksTheWalletAndKeepsTheUserAfterAWrongPassword() {
    tb::test::TestWallet fixture(u"2468");
    QVERIFY(fixture.Ok());
    const struct {
      const char* name;
      std::function<void(PasswordEntryDialog&)> act;
      bool accepted;
      int wrongMessages;
    } cases[] = {
        {"keypad and OK key",
         [](PasswordEntryDialog& d) {
           for (int id : {1402, 1404, 1406, 1408, kIdKeyOk}) Click(d, id);
         },
         true, 0},
        {"typed and Enter",
         [](PasswordEntryDialog& d) {
           Type(d.Edit(), "2468");
           QTest::keyClick(d.Edit(), Qt::Key_Return);
         },
         true, 0},
        {"wrong, then right with Done",
         [](PasswordEntryDialog& d) {
           Type(d.Edit(), "2469");
           d.MenuBar()->PressLeft();
           QVERIFY(d.isVisible());
           QCOMPARE(Typed(d), QString());  // emptied for the next try
           Type(d.Edit(), "2468");
           d.MenuBar()->PressLeft();
         },
         true, 1},
        {"wrong, then Cancel",
         [](PasswordEntryDialog& d) {
           Type(d.Edit(), "x");
           d.MenuBar()->PressLeft();
           d.MenuBar()->PressRight();
         },
         false, 1},
        {"Escape",
         [](PasswordEntryDialog& d) {
           Type(d.Edit(), "2468");
           QTest::keyClick(d.Edit(), Qt::Key_Escape);
         },
         false, 0},
        {"empty field confirmed", [](PasswordEntryDialog& d) { d.MenuBar()->PressLeft(); }, false, 0},
    };
    for (const auto& c : cases) {
      auto settings = SettingsFor(false);
      ScriptedMessageBoxes boxes;
      std::optional<tb::storage::Text> result;
      WhenDialogShows(kTemplatePasswordPocketPC,
                      [&](tb::ui::ModalDialog& d) { c.act(static_cast<PasswordEntryDialog&>(d)); });
      result = AskWalletPassword(nullptr, &fixture.wallet(), settings, {u"test", 64});
      QVERIFY2(result.has_value() == c.accepted, c.name);
      if (c.accepted) QVERIFY2(*result == tb::storage::Text(u"2468"), c.name);
      QVERIFY2(int(boxes.Count()) == c.wrongMessages, c.name);
      for (const auto& shown : boxes.Shown()) {
        QCOMPARE(shown.textNumber, 27006u);
        QCOMPARE(shown.captionNumber, 20503u);
        QCOMPARE(shown.icon, tb::ui::MessageIcon::Warning);
      }
    }
  }

  void withoutAWalletAnyTextIsTakenCutTo23AndToTheCallersRoom() {
    const struct {
      QString typed;
      size_t capacity;
      QString expected;
    } cases[] = {
        {"x", 64, "x"},
        {"abcdefghijklmnopqrstuvwx", 64, "abcdefghijklmnopqrstuvw"},  // 24 typed, 23 taken
        {"abcdefghij", 5, "abcd"},                                    // room for 4 and the terminator
    };
    for (const auto& c : cases) {
      auto settings = SettingsFor(false);
      ScriptedMessageBoxes boxes;
      WhenDialogShows(kTemplatePasswordPocketPC, [&](tb::ui::ModalDialog& d) {
        Type(static_cast<PasswordEntryDialog&>(d).Edit(), c.typed);
        d.MenuBar()->PressLeft();
      });
      const auto result = AskWalletPassword(nullptr, nullptr, settings, {u"", c.capacity});
      QVERIFY(result);
      QCOMPARE(tb::ui::ToQString({result->data(), result->size()}), c.expected);
      QCOMPARE(boxes.Count(), size_t(0));
    }
  }

  void theHintFollowsTheFifthWrongPasswordOnce() {
    for (const bool withHint : {true, false}) {
      tb::test::TestWallet fixture(u"right");
      QVERIFY(fixture.Ok());
      if (withHint) fixture.wallet().SetHint(u"the cat's name");
      auto settings = SettingsFor(false);
      ScriptedMessageBoxes boxes;
      PasswordEntryDialog dialog(nullptr, settings, &fixture.wallet(), {});
      dialog.show();
      for (int attempt = 1; attempt <= 6; ++attempt) {
        Type(dialog.Edit(), "wrong");
        dialog.Dispatch(tb::ui::kCmdDone);
        // Before the hint came into it, every box is the wrong-password one.
        if (attempt == 4) QCOMPARE(boxes.Count(), size_t(4));
      }
      QCOMPARE(dialog.FailedAttempts(), 6);
      QVERIFY(dialog.isVisible());
      if (withHint) {
        QCOMPARE(boxes.Count(), size_t(7));
        const auto& hint = boxes.Shown()[5];
        QCOMPARE(hint.text, QStringLiteral("Password hint:\n\nthe cat's name"));
        QCOMPARE(hint.captionNumber, 20503u);
        QCOMPARE(hint.icon, tb::ui::MessageIcon::Information);
        QCOMPARE(boxes.Shown()[6].textNumber, 27006u);
      } else {
        // No hint then, and none later even once one exists.
        QCOMPARE(boxes.Count(), size_t(6));
        fixture.wallet().SetHint(u"late");
        Type(dialog.Edit(), "wrong");
        dialog.Dispatch(tb::ui::kCmdDone);
        QCOMPARE(boxes.Count(), size_t(7));
        QCOMPARE(boxes.Last().textNumber, 27006u);
      }
    }
  }

  void anUntouchedPromptCancelsItselfAfter120Seconds() {
    tb::platform::TestClock clock(kMorning);
    tb::test::TestWallet fixture(u"right");
    auto settings = SettingsFor(false);
    ScriptedMessageBoxes boxes;
    PasswordEntryDialog dialog(nullptr, settings, &fixture.wallet(), {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    clock.AdvanceSeconds(119);
    dialog.Countdown().Tick();
    QTest::qWait(20);
    QVERIFY(dialog.isVisible());
    // A wrong password sets the countdown back to the full period.
    Type(dialog.Edit(), "wrong");
    dialog.Dispatch(tb::ui::kCmdDone);
    QCOMPARE(dialog.Countdown().SecondsLeft(), int64_t(120));
    clock.AdvanceSeconds(119);
    dialog.Countdown().Tick();
    QTest::qWait(20);
    QVERIFY(dialog.isVisible());
    clock.AdvanceSeconds(1);
    // The dialog's own one-second timer notices.
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 3000);
    QCOMPARE(dialog.result(), tb::ui::kResultCancel);
  }

  void smartphoneHasNoKeypadAndANumericEntryBox() {
    auto settings = SettingsFor(true);
    settings.passNumeric = 1;
    PasswordEntryDialog dialog(nullptr, settings, nullptr, {u"Home", 64});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.TemplateId(), kTemplatePasswordSmartphone);
    QCOMPARE(FindControl<TitleBar>(&dialog, kIdTitleBar)->Text(), QStringLiteral("Home"));
    QCOMPARE(FindControl<QLabel>(&dialog, kIdPromptLabel)->text(), QStringLiteral("Password"));
    QVERIFY(!FindControl<QPushButton>(&dialog, kIdKey0 + 1));
    auto* numeric = FindControl<QCheckBox>(&dialog, kIdNumericEntry);
    QVERIFY(numeric && numeric->isChecked());

    Type(dialog.Edit(), "a1b2");  // numbers mode takes digits only
    QCOMPARE(Typed(dialog), QStringLiteral("12"));
    dialog.Dispatch(1403);  // keypad commands do nothing here
    QCOMPARE(Typed(dialog), QStringLiteral("12"));
    QTest::mouseClick(numeric, Qt::LeftButton, {}, QPoint(6, numeric->height() / 2));
    QCOMPARE(settings.passNumeric, 0u);
    Type(dialog.Edit(), "ab");
    QCOMPARE(Typed(dialog), QStringLiteral("12ab"));
    // Back deletes while there is text, then leaves.
    for (int i = 0; i < 4; ++i) QTest::keyClick(dialog.Edit(), Qt::Key_Escape);
    QCOMPARE(Typed(dialog), QString());
    QVERIFY(dialog.isVisible());
    QTest::keyClick(dialog.Edit(), Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), tb::ui::kResultCancel);
  }

  // The edits' own copies of a password are wiped however a password
  // dialog goes away, not only through its buttons.
  void everyWayOutWipesWhatWasTyped() {
    const struct {
      const char* name;
      std::function<void(tb::ui::ModalDialog&)> leave;
    } ways[] = {
        {"Cancel key", [](tb::ui::ModalDialog& d) { d.MenuBar()->PressRight(); }},
        {"Escape", [](tb::ui::ModalDialog& d) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
        {"closed", [](tb::ui::ModalDialog& d) { d.close(); }},
        {"done()", [](tb::ui::ModalDialog& d) { d.QDialog::done(2); }},
        {"hidden", [](tb::ui::ModalDialog& d) { d.hide(); }},
    };
    auto passwordEdits = [](const QWidget& d) {
      QList<QLineEdit*> edits;
      for (QLineEdit* e : d.findChildren<QLineEdit*>())
        if (e->echoMode() == QLineEdit::Password) edits.append(e);
      return edits;
    };
    for (const auto& way : ways) {
      auto settings = SettingsFor(false);
      PasswordEntryDialog entry(nullptr, settings, nullptr, {u"Home", 64});
      NewPasswordDialog fresh(nullptr, settings, NewPasswordMode::NewWallet);
      for (tb::ui::ModalDialog* d :
           {static_cast<tb::ui::ModalDialog*>(&entry), static_cast<tb::ui::ModalDialog*>(&fresh)}) {
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        const QList<QLineEdit*> edits = passwordEdits(*d);
        QVERIFY2(!edits.isEmpty(), way.name);
        for (QLineEdit* e : edits) e->setText(QStringLiteral("typed secret"));
        edits.front()->setFocus();
        way.leave(*d);
        QVERIFY2(!d->isVisible(), way.name);
        for (QLineEdit* e : edits) QVERIFY2(e->text().isEmpty(), way.name);
      }
    }
  }

  void screenshots() {
    for (const bool smartphone : {false, true}) {
      auto settings = SettingsFor(smartphone);
      PasswordEntryDialog dialog(nullptr, settings, nullptr, {u"Personal", 64});
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      Type(dialog.Edit(), "123");
      // The keypad's OK key, or on the phone the edit with what was typed.
      QWidget* part = smartphone ? static_cast<QWidget*>(dialog.Edit()) : FindControl<QPushButton>(&dialog, kIdKeyOk);
      TB_VERIFY_PNG(&dialog, ScreenshotPath(smartphone ? "password-smartphone" : "password-pocketpc"), part);
    }
  }
};

TB_QT_TEST(PasswordEntryTest)
#include "password_entry_test.moc"
