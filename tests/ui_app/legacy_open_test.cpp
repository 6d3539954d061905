// Opening an old ".wal" wallet in the wired program: the question, the old
// wallet's password, the conversion and its messages, and the converted
// wallet opening in the tree; the same through the wallets manager's OK.
#include <QListWidget>
#include <QTest>

#include "app_fixture.h"
#include "dialogs/wallets_manager_dialog.h"
#include "legacy/legacy_fixture.h"
#include "platform/core/documents.h"
#include "platform/core/system.h"
#include "platform/ui/test_doubles.h"
#include "shell/app/legacy_open.h"
#include "storage/card.h"
#include "storage/forms/field_kinds.h"
#include "storage/legacy_wallet.h"
#include "ui_support/qt_test.h"

using namespace tb::shell;
using tb::test::PasswordAnswers;
using tb::test::WalCard;
using tb::test::WalFolder;
using tb::test::WalWriter;
using tb::ui::Answer;
using tb::ui::ScriptedMessageBoxes;

namespace {

const QString kOldPassword = QStringLiteral("oldpass");

// Two folders, three cards; one card with a value and notes.
WalWriter HomeAndBank() {
  WalWriter w;
  w.records = {WalFolder{1, 500, 3, u"Bank"}, WalFolder{2, 500, 0, u"Home"},
               WalCard{1, 1, 500, 5, u"Visa", {tb::test::TextEntry(400, u"call first")}},
               WalCard{2, 1, 500, 0, u"Current account", {}}, WalCard{3, 2, 500, 0, u"Alarm", {}}};
  return w;
}

// The notes of the open wallet's card of that name; empty when none.
std::u16string NotesOf(tb::storage::Wallet& wallet, std::u16string_view name) {
  for (int p = 0; p < wallet.Count(); ++p) {
    const tb::storage::RecordHeader* h = wallet.At(p);
    if (!h || !h->IsCard() || tb::storage::ToU16(h->Name()) != name) continue;
    tb::storage::Card card;
    if (!wallet.LoadCard(h->Id(), &card)) return u"?";
    for (const tb::storage::Field& f : card.fields)
      if (f.flags & tb::storage::kNotesFieldFlag) return tb::storage::ToU16(f.value);
  }
  return {};
}

struct LegacyFile {
  tb::test::WiredProgram program;
  std::string wal = program.dir.File("Old.wal");
  std::string tb5 = program.dir.File("Old.tb5");
  std::string bytes;

  explicit LegacyFile(const WalWriter& w = HomeAndBank()) {
    bytes = w.Bytes();
    tb::test::WriteBytes(wal, bytes);
  }
  bool OldFileUnchanged() const { return tb::test::FileBytes(wal) == bytes; }
};

QString CannotOpenEmpty() {
  // The open goes on with no path at all and ends with the result number.
  return QStringLiteral("%1\n\n(01)").arg(tb::ui::Text(23016));
}

}  // namespace

class LegacyOpenTest : public QObject {
  Q_OBJECT

 private slots:
  void convertedWalletOpensInTheTree() {
    ScriptedMessageBoxes boxes;
    boxes.Queue(Answer::Yes);
    LegacyFile f;
    PasswordAnswers passwords({kOldPassword, kOldPassword});
    passwords.screenshotOfFirst = tb::test::ScreenshotPath("legacy_password_prompt");

    const bool opened = f.program.window->OpenWalletFlow(f.wal, false);
    QCOMPARE(passwords.refused, 0);
    QVERIFY(opened);

    QCOMPARE(boxes.Count(), 2u);
    const tb::ui::MessageBoxRequest& question = boxes.Shown()[0];
    QCOMPARE(question.textNumber, kStrConvertQuestion);
    QCOMPARE(question.captionNumber, tb::ui::kCaptionInformation);
    QCOMPARE(question.buttons, tb::ui::Buttons::YesNo);
    QCOMPARE(question.icon, tb::ui::MessageIcon::Question);
    QCOMPARE(boxes.Shown()[1].text,
             QStringLiteral("The wallet has been converted and saved as\n%1").arg(QString::fromStdString(f.tb5)));
    QCOMPARE(boxes.Shown()[1].icon, tb::ui::MessageIcon::Information);
    // The old wallet's prompt, then the new wallet's.
    QCOMPARE(passwords.titles, (std::vector<QString>{"Password (Old.wal)", "Password (Old)"}));

    QVERIFY(f.OldFileUnchanged());
    tb::storage::Wallet& wallet = f.program.context.wallet;
    QVERIFY(wallet.IsOpen());
    QCOMPARE(wallet.Path(), f.tb5);
    QCOMPARE(QString::fromStdU16String(f.program.context.settings.mru), QString::fromStdString(f.tb5));
    const QStringList top = f.program.TopLevelTexts();
    QVERIFY2(top.contains("Bank") && top.contains("Home"), qPrintable(top.join(',')));
    QCOMPARE(f.program.ChildTexts("Bank"), QStringList({"Current account", "Visa"}));
    QCOMPARE(f.program.ChildTexts("Home"), QStringList({"Alarm"}));
    QCOMPARE(NotesOf(wallet, u"Visa"), std::u16string(u"call first"));
  }

  void declinedCancelledOrWrongPasswordConvertNothing() {
    const struct {
      const char* what;
      Answer question;
      std::vector<std::optional<QString>> passwords;
      std::vector<uint32_t> messages;  // text numbers; 0 for the open's own message
    } cases[] = {
        {"declined", Answer::No, {}, {kStrConvertQuestion, 0}},
        {"prompt cancelled", Answer::Yes, {std::nullopt}, {kStrConvertQuestion, 0}},
        {"wrong password",
         Answer::Yes,
         {QStringLiteral("notright")},
         {kStrConvertQuestion, kStrConvertWrongPassword, 0}},
    };
    for (const auto& c : cases) {
      ScriptedMessageBoxes boxes;
      boxes.Queue(c.question);
      LegacyFile f;
      PasswordAnswers passwords(c.passwords);
      QVERIFY2(!f.program.window->OpenWalletFlow(f.wal, false), c.what);
      QCOMPARE(passwords.titles.size(), c.passwords.size());
      QCOMPARE(boxes.Count(), c.messages.size());
      for (size_t i = 0; i < c.messages.size(); ++i) QCOMPARE(boxes.Shown()[i].textNumber, c.messages[i]);
      QCOMPARE(boxes.Last().text, CannotOpenEmpty());
      if (c.messages.size() == 3) QCOMPARE(boxes.Shown()[1].icon, tb::ui::MessageIcon::Information);
      QVERIFY2(!tb::test::Exists(f.tb5), c.what);
      QVERIFY2(f.OldFileUnchanged(), c.what);
      QVERIFY(!f.program.context.wallet.IsOpen());
    }
  }

  void walletsManagerOkConvertsTheSameWay() {
    for (const bool accept : {false, true}) {
      ScriptedMessageBoxes boxes;
      boxes.Queue(accept ? Answer::Yes : Answer::No);
      LegacyFile f;
      tb::platform::ScopedDocumentPlaces places({f.program.dir.Path(), {}});
      PasswordAnswers passwords({kOldPassword, kOldPassword});
      // Pick the old wallet's entry once the list is filled, and press OK;
      // should the manager show again, leave it.
      int managers = 0;
      QPointer<QWidget> handled;
      QTimer pick;
      pick.setInterval(5);
      QObject::connect(&pick, &QTimer::timeout, [&] {
        auto* manager = qobject_cast<tb::dialogs::WalletsManagerDialog*>(QApplication::activeModalWidget());
        if (!manager || manager == handled || manager->List()->count() == 0) return;
        handled = manager;
        if (++managers > 1) {
          manager->Dispatch(tb::ui::kCmdCancel);
          return;
        }
        manager->List()->setCurrentRow(0);
        manager->Dispatch(tb::ui::kCmdOk);
      });
      pick.start();

      const int result = f.program.window->walletsManager(*f.program.window);
      QCOMPARE(passwords.refused, 0);
      QVERIFY(f.OldFileUnchanged());
      if (!accept) {
        // Declining ends the manager as cancelled.
        QCOMPARE(result, -1);
        QCOMPARE(boxes.Count(), 1u);
        QVERIFY(!tb::test::Exists(f.tb5));
        continue;
      }
      QCOMPARE(result, 1);
      QCOMPARE(managers, 1);
      QCOMPARE(passwords.titles.size(), 2u);
      QCOMPARE(boxes.Shown()[0].textNumber, kStrConvertQuestion);
      QVERIFY(boxes.Shown()[1].text.endsWith(QString::fromStdString(f.tb5)));
      QCOMPARE(f.program.context.wallet.Path(), f.tb5);
      QCOMPARE(f.program.ChildTexts("Bank"), QStringList({"Current account", "Visa"}));
    }
  }

  void customFormsFromTheOldInstallation() {
    WalWriter w;
    w.usesCustomForms = true;
    w.customFormFile = u"\\Program Files\\Tamberlock\\gym.ccd";
    w.records = {
        WalFolder{1, 500, 0, u"Sport"},
        WalCard{1, 1, 1000, 8, u"Gym", {tb::test::TextEntry(601, u"A-17"), tb::test::TextEntry(602, u"4711")}}};
    LegacyFile f(w);

    // No definition file anywhere: the message names the program's folder.
    {
      ScriptedMessageBoxes boxes;
      boxes.Queue(Answer::Yes);
      PasswordAnswers passwords({kOldPassword});
      QVERIFY(!f.program.window->OpenWalletFlow(f.wal, false));
      QCOMPARE(boxes.Count(), 3u);
      QCOMPARE(boxes.Shown()[1].text,
               QStringLiteral("Could not find associated custom form (*.ccd) definition file for conversion.\n\n"
                              "Please copy to the %1 folder and try again.")
                   .arg(QString::fromStdString(tb::platform::ProgramDirectory())));
      QVERIFY(!tb::test::Exists(f.tb5));
    }

    // Beside the old installation the registry names, it is found.
    const std::string old = f.program.dir.File("old install");
    QDir().mkpath(QString::fromStdString(old));
    tb::test::WriteBytes(old + "/gym.ccd",
                         "<QuillimarstenTamberlockCustomForms.1>\r\n<MyForm>\r\nGym\r\n1000\r\n8\r\n"
                         "601 TBF_DEFAULT Member\r\n602 TBF_PIN Locker code\r\n<EndForm>\r\n");
    f.program.context.registry->SetString("HKEY_CLASSES_ROOT\\ostreltamberlockfile\\DefaultIcon", u"",
                                          QString::fromStdString(old + "/tbpro.exe,-201").toStdU16String());
    ScriptedMessageBoxes boxes;
    boxes.Queue(Answer::Yes);
    PasswordAnswers passwords({kOldPassword, kOldPassword});
    const bool opened = f.program.window->OpenWalletFlow(f.wal, false);
    QCOMPARE(passwords.refused, 0);
    QVERIFY(opened);
    tb::storage::Wallet& wallet = f.program.context.wallet;
    int gym = -1;
    for (int p = 0; p < wallet.Count(); ++p)
      if (wallet.At(p)->IsCard()) gym = p;
    QVERIFY(gym >= 0);
    tb::storage::Card card;
    QVERIFY(wallet.LoadCard(wallet.At(gym)->Id(), &card));
    QCOMPARE(card.fields.size(), size_t(2));
    QCOMPARE(tb::storage::ToU16(card.fields[0].label), std::u16string(u"Member"));
    QCOMPARE(tb::storage::ToU16(card.fields[0].value), std::u16string(u"A-17"));
    QCOMPARE(card.fields[1].kind, uint16_t(7));
    QCOMPARE(tb::storage::ToU16(card.fields[1].value), std::u16string(u"4711"));
  }

  void resultMessagesGoByWhatFailed() {
    tb::test::WiredProgram program;  // the English texts
    using tb::storage::CreateStatus;
    using tb::storage::LegacyStatus;
    const QString notConverted = tb::ui::Text(kStrNotConverted);
    const struct {
      tb::storage::LegacyConversion result;
      uint32_t textNumber;
      QString text;
      tb::ui::MessageIcon icon;
    } cases[] = {
        {{LegacyStatus::Converted, CreateStatus::Ok},
         0,
         "The wallet has been converted and saved as\n/w/Old.tb5",
         tb::ui::MessageIcon::Information},
        {{LegacyStatus::WrongPassword, CreateStatus::Ok},
         kStrConvertWrongPassword,
         tb::ui::Text(kStrConvertWrongPassword),
         tb::ui::MessageIcon::Information},
        {{LegacyStatus::NotALegacyWallet, CreateStatus::Ok},
         kStrNotALegacyWallet,
         tb::ui::Text(kStrNotALegacyWallet),
         tb::ui::MessageIcon::Stop},
        {{LegacyStatus::NoCustomFormFile, CreateStatus::Ok},
         0,
         QString(tb::ui::Text(kStrNoDefinitionFile)).replace("%s", "/prog"),
         tb::ui::MessageIcon::Stop},
        {{LegacyStatus::CannotOpen, CreateStatus::Ok}, 0, notConverted + " (3)", tb::ui::MessageIcon::Stop},
        {{LegacyStatus::CreateFailed, CreateStatus::NoPassword},
         kStrConvertNeedsPassword,
         tb::ui::Text(kStrConvertNeedsPassword),
         tb::ui::MessageIcon::Stop},
        {{LegacyStatus::CreateFailed, CreateStatus::Exists}, kStrNotConverted, notConverted, tb::ui::MessageIcon::Stop},
        {{LegacyStatus::CreateFailed, CreateStatus::CannotCreate}, 0, notConverted + " (5)", tb::ui::MessageIcon::Stop},
        // Creation's 7 and 9 are not "not an old wallet" and "wrong password".
        {{LegacyStatus::CreateFailed, CreateStatus::HeaderWriteFailed},
         0,
         notConverted + " (7)",
         tb::ui::MessageIcon::Stop},
        {{LegacyStatus::CreateFailed, CreateStatus::HeaderSetupFailed},
         0,
         notConverted + " (9)",
         tb::ui::MessageIcon::Stop},
    };
    for (const auto& c : cases) {
      const LegacyResultMessage m = LegacyResultMessageFor(c.result, "/w/Old.tb5", "/prog");
      QCOMPARE(m.textNumber, c.textNumber);
      QCOMPARE(m.text, c.text);
      QCOMPARE(m.icon, c.icon);
    }
  }
};

TB_QT_TEST(LegacyOpenTest)

#include "legacy_open_test.moc"
