#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include "dialogs/change_password.h"
#include "dialogs/idle_countdown.h"
#include "dialogs/new_password_dialog.h"
#include "dialogs/password_entry_dialog.h"
#include "dialogs/security_options_dialog.h"
#include "dialogs/title_bar.h"
#include "dialogs_fixture.h"
#include "platform/core/system.h"
#include "platform/ui/controls.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/test_doubles.h"
#include "storage/blocks.h"
#include "support/wallet_fixture.h"
#include "ui_support/png_check.h"
#include "ui_support/qt_test.h"

using namespace tb::dialogs;
using namespace tb::dialogs::test;
using tb::ui::FindControl;
using tb::ui::ScriptedMessageBoxes;

namespace {

const tb::platform::SystemTime kMorning{2024, 5, 0, 6, 9, 0, 0, 0};

int NewPasswordTemplate(bool smartphone) {
  return smartphone ? kTemplateNewPasswordSmartphone : kTemplateNewPasswordPocketPC;
}
int PasswordTemplate(bool smartphone) {
  return smartphone ? kTemplatePasswordSmartphone : kTemplatePasswordPocketPC;
}

void FillNewPassword(tb::ui::ModalDialog& d, const QString& password, const QString& confirmation,
                     const QString& hint) {
  Type(FindControl<QLineEdit>(&d, kIdNewPassword), password);
  Type(FindControl<QLineEdit>(&d, kIdConfirmPassword), confirmation);
  Type(FindControl<QLineEdit>(&d, kIdHint), hint);
}

QString Q(const tb::storage::Text& t) { return tb::ui::ToQString({t.data(), t.size()}); }

}  // namespace

class PasswordOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { tb::ui::SetTextSource(&English()); }
  void cleanup() { tb::ui::SetTextSource(nullptr); }

  void newPasswordChecksConfirmationAndLengthInOrder() {
    const QString p24 = QStringLiteral("abcdefghijklmnopqrstuvwx");
    const struct {
      QString password, confirmation;
      uint32_t message;   // 0: accepted
      tb::ui::MessageIcon icon;
      QString taken;
    } cases[] = {
        {"abc", "abc", 0, {}, "abc"},
        {"ab", "ab", 27007, tb::ui::MessageIcon::Stop, {}},
        {"", "", 27003, tb::ui::MessageIcon::Stop, {}},
        {"abcd", "abce", 27004, tb::ui::MessageIcon::Warning, {}},
        {"Abcd", "abcd", 27004, tb::ui::MessageIcon::Warning, {}},
        {"abcd", "abc", 27004, tb::ui::MessageIcon::Warning, {}},   // lengths before the minimum
        {"ab", "a", 27004, tb::ui::MessageIcon::Warning, {}},
        {p24, p24, 0, {}, p24.left(23)},
    };
    tb::platform::TestClock clock(kMorning);
    for (const bool smartphone : {false, true}) {
      for (const auto& c : cases) {
        auto settings = SettingsFor(smartphone);
        settings.passNumeric = 0;
        ScriptedMessageBoxes boxes;
        NewPasswordDialog dialog(nullptr, settings, NewPasswordMode::NewWallet);
        dialog.show();
        FillNewPassword(dialog, c.password, c.confirmation, "my hint");
        clock.AdvanceSeconds(100);
        QTest::keyClick(FindControl<QLineEdit>(&dialog, kIdConfirmPassword), Qt::Key_Return);
        if (c.message == 0) {
          QVERIFY(!dialog.isVisible());
          QCOMPARE(dialog.result(), tb::ui::kResultOk);
          QCOMPARE(Q(dialog.Result().password), c.taken);
          QCOMPARE(Q(dialog.Result().hint), QStringLiteral("my hint"));
          QCOMPARE(boxes.Count(), size_t(0));
        } else {
          QVERIFY(dialog.isVisible());
          QCOMPARE(boxes.Count(), size_t(1));
          QCOMPARE(boxes.Last().textNumber, c.message);
          QCOMPARE(boxes.Last().captionNumber, 20500u);
          QCOMPARE(boxes.Last().icon, c.icon);
          QCOMPARE(dialog.Countdown().SecondsLeft(), int64_t(120));
        }
      }
    }
  }

  void newPasswordTextsFollowTheModeAndItCancels() {
    for (const bool smartphone : {false, true}) {
      auto settings = SettingsFor(smartphone);
      WhenDialogShows(NewPasswordTemplate(smartphone), [&](tb::ui::ModalDialog& d) {
        QCOMPARE(FindControl<TitleBar>(&d, kIdTitleBar)->Text(), QStringLiteral("Change Password"));
        QCOMPARE(FindControl<QLabel>(&d, kIdNewPasswordLabel)->text(), QStringLiteral("New Password"));
        QCOMPARE(FindControl<QLabel>(&d, kIdConfirmLabel)->text(), QStringLiteral("Again to Confirm"));
        QCOMPARE(FindControl<QCheckBox>(&d, kIdNumericEntry) != nullptr, smartphone);
        FillNewPassword(d, "abc", "abc", "");
        d.MenuBar()->PressRight();
      });
      QVERIFY(!RunNewPasswordDialog(nullptr, settings, NewPasswordMode::Change));
    }
    auto settings = SettingsFor(false);
    NewPasswordDialog dialog(nullptr, settings, NewPasswordMode::NewWallet);
    dialog.show();
    QCOMPARE(FindControl<TitleBar>(&dialog, kIdTitleBar)->Text(), QStringLiteral("New Wallet Password"));
    QCOMPARE(FindControl<QLabel>(&dialog, kIdNewPasswordLabel)->text(), QStringLiteral("Wallet Password"));
  }

  void newPasswordCancelsItselfWhenIdle() {
    tb::platform::TestClock clock(kMorning);
    auto settings = SettingsFor(false);
    NewPasswordDialog dialog(nullptr, settings, NewPasswordMode::NewWallet);
    dialog.show();
    clock.AdvanceSeconds(119);
    dialog.Countdown().Tick();
    QTest::qWait(20);
    QVERIFY(dialog.isVisible());
    clock.AdvanceSeconds(1);
    dialog.Countdown().Tick();
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), tb::ui::kResultCancel);
  }

  void smartphoneNumericEntrySwitchesBothPasswordFields() {
    auto settings = SettingsFor(true);
    settings.passNumeric = 1;
    NewPasswordDialog dialog(nullptr, settings, NewPasswordMode::NewWallet);
    dialog.show();
    auto* first = FindControl<QLineEdit>(&dialog, kIdNewPassword);
    auto* second = FindControl<QLineEdit>(&dialog, kIdConfirmPassword);
    Type(first, "a1");
    Type(second, "b2");
    QCOMPARE(first->text() + second->text(), QStringLiteral("12"));
    auto* box = FindControl<QCheckBox>(&dialog, kIdNumericEntry);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QCOMPARE(settings.passNumeric, 0u);
    Type(first, "a");
    Type(second, "b");
    QCOMPARE(first->text() + second->text(), QStringLiteral("1a2b"));
  }

  void securityOptionsSelectsTheCurrentPeriodAndReturnsTheChoice() {
    const struct {
      uint32_t current;
      int index;
    } selections[] = {{0, 0}, {1, 1}, {5, 2}, {10, 3}, {30, 4}, {60, 5}, {15, 0}};
    for (const bool smartphone : {false, true}) {
      auto settings = SettingsFor(smartphone);
      for (const auto& s : selections) {
        SecurityOptionsDialog dialog(nullptr, settings, s.current);
        dialog.show();
        QCOMPARE(dialog.SelectedIndex(), s.index);
      }
      // A period not offered selects "never", and confirming stores 0.
      WhenDialogShows(smartphone ? kTemplateSecuritySmartphone : kTemplateSecurityPocketPC,
                      [](tb::ui::ModalDialog& d) { d.MenuBar()->PressLeft(); });
      QCOMPARE(RunSecurityOptions(nullptr, settings, 15), std::optional<uint32_t>(0));
      // Changing the choice with keys: Down in the list on Pocket PC,
      // Right (or the spinner) on Smartphone.
      WhenDialogShows(smartphone ? kTemplateSecuritySmartphone : kTemplateSecurityPocketPC,
                      [smartphone](tb::ui::ModalDialog& d) {
        QWidget* list = FindControl<QWidget>(&d, kIdPeriodList);
        list->setFocus();
        QTest::keyClick(list, smartphone ? Qt::Key_Right : Qt::Key_Down);
        QTest::keyClick(list, smartphone ? Qt::Key_Right : Qt::Key_Down);
        if (smartphone) {
          auto* spinner = FindControl<QSpinBox>(&d, kIdPeriodSpinner);
          spinner->stepUp();
          QCOMPARE(FindControl<QListWidget>(&d, kIdPeriodList)->currentRow(), 5);
          spinner->stepDown();
        }
        d.MenuBar()->PressLeft();
      });
      QCOMPARE(RunSecurityOptions(nullptr, settings, 5), std::optional<uint32_t>(30));
      WhenDialogShows(smartphone ? kTemplateSecuritySmartphone : kTemplateSecurityPocketPC,
                      [](tb::ui::ModalDialog& d) { d.MenuBar()->PressRight(); });
      QVERIFY(!RunSecurityOptions(nullptr, settings, 5));
    }
  }

  void storingAPeriodMarksTheOptionsChanged() {
    tb::test::TestWallet fixture;
    tb::storage::WalletOptions& options = fixture.wallet().Options();
    options.changed = false;
    QVERIFY(!StoreAutoClosePeriod(options, options.AutoCloseMinutes()));
    QVERIFY(!options.changed);
    QVERIFY(StoreAutoClosePeriod(options, 30));
    QCOMPARE(options.AutoCloseMinutes(), 30u);
    QVERIFY(options.Flags() & 0x10000);
    QVERIFY(options.changed);
  }

  void changePasswordReKeysTheWallet() {
    for (const bool smartphone : {false, true}) {
      tb::test::TestWallet fixture(u"old-pass");
      QVERIFY(fixture.Ok());
      const int folder = fixture.AddFolder(u"Bank");
      QVERIFY(fixture.AddCard(fixture.IdAt(folder), u"Visa", {{u"Number", u"4111"}}) >= 0);
      fixture.wallet().SetHint(u"old hint");
      auto settings = SettingsFor(smartphone);
      settings.passNumeric = 0;
      ScriptedMessageBoxes boxes;
      WhenDialogShows(PasswordTemplate(smartphone), [&](tb::ui::ModalDialog& d) {
        auto& prompt = static_cast<PasswordEntryDialog&>(d);
        QCOMPARE(FindControl<TitleBar>(&d, kIdTitleBar)->Text(),
                 smartphone ? QStringLiteral("test") : QStringLiteral("Password (test)"));
        Type(prompt.Edit(), "not-it");
        d.MenuBar()->PressLeft();   // wrong: the prompt stays
        Type(prompt.Edit(), "old-pass");
        WhenDialogShows(NewPasswordTemplate(smartphone), [](tb::ui::ModalDialog& n) {
          FillNewPassword(n, "New-Pass1", "New-Pass1", "");
          n.MenuBar()->PressLeft();
        });
        d.MenuBar()->PressLeft();
      });
      QCOMPARE(ChangePasswordFlow(nullptr, fixture.wallet(), settings), ChangePasswordOutcome::Changed);
      QCOMPARE(boxes.Count(), size_t(2));
      QCOMPARE(boxes.Shown()[0].textNumber, 27006u);
      QCOMPARE(boxes.Last().textNumber, 22006u);
      QCOMPARE(boxes.Last().captionNumber, 20001u);
      QCOMPARE(boxes.Last().icon, tb::ui::MessageIcon::Information);

      QCOMPARE(int(fixture.wallet().SaveHeaders()), 0);
      fixture.wallet().Close();
      QCOMPARE(fixture.wallet().Open(fixture.path(), u"old-pass", false, nullptr),
               tb::storage::OpenStatus::WrongPassword);
      fixture.wallet().Close();
      QCOMPARE(fixture.wallet().Open(fixture.path(), u"New-Pass1", false, nullptr), tb::storage::OpenStatus::Ok);
      QVERIFY(!fixture.wallet().GetHint());   // the empty hint cleared the old one
      tb::storage::Card card;
      QVERIFY(fixture.wallet().LoadCard(fixture.IdAt(fixture.wallet().Count() - 1), &card));
      QCOMPARE(Q(card.fields.at(0).value), QStringLiteral("4111"));
    }
  }

  void changePasswordCancelledOrRefusedChangesNothing() {
    tb::test::TestWallet fixture(u"old-pass");
    auto settings = SettingsFor(false);
    ScriptedMessageBoxes boxes;
    // Cancelled at the new password.
    WhenDialogShows(kTemplatePasswordPocketPC, [](tb::ui::ModalDialog& d) {
      Type(static_cast<PasswordEntryDialog&>(d).Edit(), "old-pass");
      WhenDialogShows(kTemplateNewPasswordPocketPC, [](tb::ui::ModalDialog& n) { n.MenuBar()->PressRight(); });
      d.MenuBar()->PressLeft();
    });
    QCOMPARE(ChangePasswordFlow(nullptr, fixture.wallet(), settings), ChangePasswordOutcome::Cancelled);
    // Cancelled at the current password.
    WhenDialogShows(kTemplatePasswordPocketPC, [](tb::ui::ModalDialog& d) { d.MenuBar()->PressRight(); });
    QCOMPARE(ChangePasswordFlow(nullptr, fixture.wallet(), settings), ChangePasswordOutcome::Cancelled);
    QCOMPARE(boxes.Count(), size_t(0));
    QCOMPARE(fixture.Reopen(), tb::storage::OpenStatus::Ok);   // still the old password
  }

  void screenshots() {
    for (const bool smartphone : {false, true}) {
      auto settings = SettingsFor(smartphone);
      const QString variant = smartphone ? QStringLiteral("smartphone") : QStringLiteral("pocketpc");
      NewPasswordDialog newPassword(nullptr, settings,
                                    smartphone ? NewPasswordMode::Change : NewPasswordMode::NewWallet);
      newPassword.show();
      QVERIFY(QTest::qWaitForWindowExposed(&newPassword));
      FillNewPassword(newPassword, "123", "12", "pet");
      TB_VERIFY_PNG(&newPassword, ScreenshotPath("new-password-" + variant), newPassword.findChild<QLineEdit*>());
      SecurityOptionsDialog security(nullptr, settings, 5);
      security.show();
      QVERIFY(QTest::qWaitForWindowExposed(&security));
      TB_VERIFY_PNG(&security, ScreenshotPath("security-" + variant), security.MenuBar());
    }
  }
};

TB_QT_TEST(PasswordOptionsTest)
#include "password_options_test.moc"
