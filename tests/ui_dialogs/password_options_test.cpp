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
#include "dialogs/strength_bar.h"
#include "dialogs/title_bar.h"
#include "dialogs_fixture.h"
#include "platform/core/system.h"
#include "platform/ui/colours.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
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
int PasswordTemplate(bool smartphone) { return smartphone ? kTemplatePasswordSmartphone : kTemplatePasswordPocketPC; }

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
      uint32_t message;  // 0: accepted
      tb::ui::MessageIcon icon;
      QString taken;
    } cases[] = {
        {"abc", "abc", 0, {}, "abc"},
        {"ab", "ab", 27007, tb::ui::MessageIcon::Stop, {}},
        {"", "", 27003, tb::ui::MessageIcon::Stop, {}},
        {"abcd", "abce", 27004, tb::ui::MessageIcon::Warning, {}},
        {"Abcd", "abcd", 27004, tb::ui::MessageIcon::Warning, {}},
        {"abcd", "abc", 27004, tb::ui::MessageIcon::Warning, {}},  // lengths before the minimum
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

  // The bar under the new password follows what is typed, in both modes
  // and variants, and draws as many segments as the step is high in the
  // step's colour; a very weak password is still accepted.
  void newPasswordStrengthBarFollowsTheFieldAndOnlyInforms() {
    using tb::strength::StrengthStep;
    const struct {
      QString typed;
      StrengthStep step;
    } cases[] = {
        {"abc", StrengthStep::VeryWeak},
        {"password1", StrengthStep::VeryWeak},
        {"Tulip-Harbour-77", StrengthStep::Fair},
        {"q8#Vz!Lr2$Wm", StrengthStep::Strong},
        {"q8#Vz!Lr2$Wm9^Tx&Kp4@Jn", StrengthStep::VeryStrong},
    };
    for (const bool smartphone : {false, true}) {
      for (const auto mode : {NewPasswordMode::NewWallet, NewPasswordMode::Change}) {
        auto settings = SettingsFor(smartphone);
        settings.passNumeric = 0;
        NewPasswordDialog dialog(nullptr, settings, mode);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* edit = FindControl<QLineEdit>(&dialog, kIdNewPassword);
        auto* bar = FindControl<StrengthBar>(&dialog, kIdStrengthBar);
        QVERIFY(bar && bar->isVisible());
        QVERIFY(bar->geometry().top() > edit->geometry().bottom());  // under the field
        QVERIFY(!bar->HasPassword());
        QVERIFY(FindControl<QLabel>(&dialog, kIdStrengthName)->text().isEmpty());
        for (const auto& c : cases) {
          edit->clear();
          Type(edit, c.typed);
          QCOMPARE(bar->Step(), c.step);
          QCOMPARE(FindControl<QLabel>(&dialog, kIdStrengthName)->text(),
                   tb::ui::Text(tb::strength::StepNameString(c.step)));
          auto* segments = bar->findChild<QWidget*>(QStringLiteral("segments"));
          QVERIFY(segments);
          const QImage drawn = segments->grab().toImage();
          const QColor colour = tb::ui::FromColorRef(tb::strength::StepColour(c.step));
          const int filled = int(c.step) + 1;
          for (int segment = 0; segment < tb::strength::kStepCount; ++segment) {
            const QPoint middle((segment * 2 + 1) * segments->width() / (2 * tb::strength::kStepCount),
                                segments->height() / 2);
            QCOMPARE(drawn.pixelColor(middle * drawn.devicePixelRatio()) == colour, segment < filled);
          }
        }
        // Typing into the confirmation leaves the bar alone.
        Type(FindControl<QLineEdit>(&dialog, kIdConfirmPassword), "x");
        QCOMPARE(bar->Step(), cases[4].step);
        edit->clear();
        QVERIFY(!bar->HasPassword());
        // Only informs: a very weak password confirmed twice is taken.
        Type(edit, "abc");
        FindControl<QLineEdit>(&dialog, kIdConfirmPassword)->clear();
        Type(FindControl<QLineEdit>(&dialog, kIdConfirmPassword), "abc");
        dialog.Dispatch(tb::ui::kCmdDone);
        QCOMPARE(dialog.result(), tb::ui::kResultOk);
        QCOMPARE(Q(dialog.Result().password), QStringLiteral("abc"));
        QVERIFY(!bar->HasPassword());  // wiped with the field
      }
    }
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

  // The check box under the period list shows Security.CloseOnLock and
  // stores it only when the dialog is confirmed.
  void securityOptionsCloseOnLockBox() {
    for (const bool smartphone : {false, true}) {
      const int templateId = smartphone ? kTemplateSecuritySmartphone : kTemplateSecurityPocketPC;
      auto settings = SettingsFor(smartphone);
      QCOMPARE(settings.securityCloseOnLock, 1u);
      WhenDialogShows(templateId, [](tb::ui::ModalDialog& d) {
        auto* box = FindControl<QCheckBox>(&d, kIdCloseOnLock);
        QVERIFY(box && box->isVisible() && box->isChecked());
        QCOMPARE(box->text(), QStringLiteral("Close the wallet when the session locks"));
        QVERIFY(box->geometry().top() > FindControl<QWidget>(&d, kIdPeriodList)->geometry().bottom());
        box->setChecked(false);
        d.MenuBar()->PressRight();  // cancelled: kept as it was
      });
      QVERIFY(!RunSecurityOptions(nullptr, settings, 5));
      QCOMPARE(settings.securityCloseOnLock, 1u);
      WhenDialogShows(templateId, [](tb::ui::ModalDialog& d) {
        FindControl<QCheckBox>(&d, kIdCloseOnLock)->setChecked(false);
        d.MenuBar()->PressLeft();
      });
      QCOMPARE(RunSecurityOptions(nullptr, settings, 5), std::optional<uint32_t>(5));
      QCOMPARE(settings.securityCloseOnLock, 0u);
      WhenDialogShows(templateId, [](tb::ui::ModalDialog& d) {
        QVERIFY(!FindControl<QCheckBox>(&d, kIdCloseOnLock)->isChecked());
        d.MenuBar()->PressLeft();
      });
      QVERIFY(RunSecurityOptions(nullptr, settings, 5));
      QCOMPARE(settings.securityCloseOnLock, 0u);
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
        d.MenuBar()->PressLeft();  // wrong: the prompt stays
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
      QVERIFY(!fixture.wallet().GetHint());  // the empty hint cleared the old one
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
    QCOMPARE(fixture.Reopen(), tb::storage::OpenStatus::Ok);  // still the old password
  }

  void strengthBarScreenshots() {
    for (const int dpi : {96, 192}) {
      tb::ui::ScopedDpi scoped(dpi);
      for (const bool smartphone : {false, true}) {
        auto settings = SettingsFor(smartphone);
        settings.passNumeric = 0;
        NewPasswordDialog dialog(nullptr, settings, NewPasswordMode::Change);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        FillNewPassword(dialog, "Tulip-Harbour-77", "", "");
        auto* bar = FindControl<StrengthBar>(&dialog, kIdStrengthBar);
        TB_VERIFY_PNG(
            &dialog,
            ScreenshotPath(
                QStringLiteral("new-password-strength-%1-%2").arg(smartphone ? "smartphone" : "pocketpc").arg(dpi)),
            bar, QPoint(tb::ui::ScaleX(3), bar->height() / 2));
      }
    }
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
