// Wallet files the open-wallet flow cannot use as they are: files that are
// no wallet, a wallet with a damaged record, and wallets the program may
// not write. Each is refused (or repaired) with its message, and a file
// that is not repaired is left byte for byte as it was, its modification
// time too, with nothing new beside it.
#include <QFileInfo>
#include <QTest>
#include <QTreeWidget>

#include <sys/stat.h>

#include "bad_input_fixture.h"
#include "platform/ui/test_doubles.h"
#include "ui_support/qt_test.h"

using namespace tb::shell;
using namespace tb::test::bad;
using tb::storage::OpenStatus;
using tb::ui::Answer;
using tb::ui::ScriptedMessageBoxes;

namespace {

QStringList CardNames(QTreeWidget* tree) {
  QStringList names;
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if ((*it)->data(0, kRoleKind).toInt() == kKindCard) names << (*it)->text(0);
  names.sort();
  return names;
}

// The wallet with one card's kind signature scribbled over: it opens, but
// its records do not read to the end.
std::string DamageCard(WindowFixture& f, std::u16string_view name) {
  tb::storage::Wallet& w = f.file.wallet();
  if (f.file.Reopen() != OpenStatus::Ok) return {};
  uint64_t at = 0;
  for (int k = 0; k < w.Count(); ++k)
    if (w.At(k)->IsCard() && w.At(k)->Name() == tb::storage::Text(name)) at = w.At(k)->fileOffset;
  w.Close();
  std::string bytes = ReadBytes(f.file.path());
  if (at == 0 || at + 4 > bytes.size()) return {};
  bytes[at + 3] = char(bytes[at + 3] ^ 0x40);
  WriteBytes(f.file.path(), bytes);
  Backdate(f.file.path());
  return bytes;
}

}  // namespace

class BadWalletFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void filesThatAreNoWalletAreRefusedAndLeftAsTheyAre() {
    WindowFixture f;
    const std::string wallet = ReadBytes(f.file.path());
    QVERIFY(wallet.size() > 76 + 3148 + 1756);
    std::string otherVersion = wallet;
    const size_t version = otherVersion.find("(6.50) ");
    QVERIFY(version != std::string::npos && version < 76);
    otherVersion.replace(version, 7, "(9.99) ");
    const std::string folder = QFileInfo(QString::fromStdString(f.file.path())).absolutePath().toStdString();

    // A file whose leading blocks read as far as the password check is
    // asked for its password first; the rest fails before the prompt.
    const struct {
      const char* name;
      std::string bytes;
      int status;
      bool prompted = false;
    } cases[] = {
        {"empty", "", int(OpenStatus::NotAWallet)},
        {"cut to 75 bytes", wallet.substr(0, 75), int(OpenStatus::NotAWallet)},
        {"a letter", std::string(3000, 'x').replace(0, 12, "Dear diary, "), int(OpenStatus::NotAWallet)},
        {"a picture", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(4000, '\0'), int(OpenStatus::NotAWallet)},
        {"its signature alone", wallet.substr(0, 76), int(OpenStatus::BadHeader)},
        {"a format of the future", otherVersion, int(OpenStatus::UnsupportedVersion)},
        {"no options block", wallet.substr(0, 76 + 3148), int(OpenStatus::BadOptions), true},
    };
    for (const auto& c : cases) {
      ScriptedMessageBoxes boxes;
      const std::string path = folder + "/" + c.name + ".tb5";
      WriteBytes(path, c.bytes);
      Backdate(path);
      const FileState before = FileState::Of(path);
      f.prompts = 0;
      f.answers = {f.file.password()};
      QVERIFY2(!f.window->OpenWalletFlow(path, false), c.name);
      QVERIFY2(f.prompts == (c.prompted ? 1 : 0), c.name);
      QCOMPARE(boxes.Count(), size_t(1));
      QCOMPARE(boxes.Last().captionNumber, tb::ui::kCaptionError);
      QCOMPARE(boxes.Last().icon, tb::ui::MessageIcon::Stop);
      QCOMPARE(boxes.Last().text,
               c.prompted ? OpenFailedMessage(c.name, 23015, c.status) : UnusableFileMessage(c.name, c.status));
      QVERIFY(!f.context.wallet.IsOpen());
      QVERIFY(f.window->Tree()->isHidden());
      QVERIFY(f.context.settings.mru.empty());
      QVERIFY2(FileState::Of(path) == before, c.name);
    }

    // A folder under a wallet's name is no wallet either.
    ScriptedMessageBoxes boxes;
    const std::string dir = folder + "/Folder.tb5";
    QVERIFY(QDir().mkpath(QString::fromStdString(dir)));
    const FileState before = FileState::Of(dir);
    f.prompts = 0;
    QVERIFY(!f.window->OpenWalletFlow(dir, false));
    QCOMPARE(f.prompts, 0);
    QCOMPARE(boxes.Count(), size_t(1));
    QVERIFY(boxes.Last().text.startsWith(tb::ui::Text(23016) + "\nFolder\n("));
    QVERIFY(FileState::Of(dir) == before);
  }

  void aDamagedWalletIsLeftAloneWhenTheRepairIsDeclined() {
    // No at the first question, or Yes and then Cancel at the second.
    const std::vector<std::vector<Answer>> declines = {{Answer::No}, {Answer::Yes, Answer::Cancel}};
    for (const auto& answers : declines) {
      WindowFixture f;
      const std::string damaged = DamageCard(f, u"Savings");
      QVERIFY(!damaged.empty());
      const FileState before = FileState::Of(f.file.path());
      ScriptedMessageBoxes boxes;
      for (Answer a : answers) boxes.Queue(a);
      QVERIFY(!f.Open(f.file.path()));
      QCOMPARE(f.prompts, 1);
      QCOMPARE(boxes.Count(), answers.size() + 1);
      QVERIFY(boxes.Shown()[0].text.startsWith("The wallet file test.tbw is damaged."));
      QCOMPARE(boxes.Shown()[0].buttons, tb::ui::Buttons::YesNo);
      QCOMPARE(boxes.Last().captionNumber, tb::ui::kCaptionError);
      QCOMPARE(boxes.Last().text, OpenFailedMessage("test", 23013, int(OpenStatus::Damaged)));
      QVERIFY(!f.context.wallet.IsOpen());
      QVERIFY(f.context.settings.mru.empty());
      QVERIFY(FileState::Of(f.file.path()) == before);
    }
  }

  void aDamagedWalletIsRepairedAndOpenedWhenTheUserAgrees() {
    WindowFixture f;
    QVERIFY(!DamageCard(f, u"Savings").empty());
    ScriptedMessageBoxes boxes;
    boxes.Queue(Answer::Yes);
    boxes.Queue(Answer::Ok);
    QVERIFY(f.Open(f.file.path()));
    QCOMPARE(boxes.Count(), size_t(3));
    QCOMPARE(boxes.Shown()[1].buttons, tb::ui::Buttons::OkCancel);
    QVERIFY(boxes.Last().text.startsWith("1 repairs were made to the wallet file test.tbw."));
    QVERIFY(f.context.wallet.IsOpen());
    QVERIFY(f.window->Tree()->isVisible());
    // The damaged card is cut out; the others are all there.
    QCOMPARE(CardNames(f.window->Tree()), (QStringList{"Credit", "Giro"}));

    // The repair holds: the next open asks nothing.
    f.window->CloseWallet();
    boxes.Clear();
    QVERIFY(f.Open(f.file.path()));
    QCOMPARE(boxes.Count(), size_t(0));
    QCOMPARE(CardNames(f.window->Tree()), (QStringList{"Credit", "Giro"}));
  }

  void aWalletTheProgramMayNotWriteIsNotOpenedAndNotTouched() {
    // The flow opens every wallet for reading and writing; a file it may
    // only read (its permissions, or another program writing it) is
    // refused once the password is given.
    const char* kinds[] = {"open for writing elsewhere", "read-only file"};
    for (const char* kind : kinds) {
      WindowFixture f;
      const std::string& path = f.file.path();
      const bool readOnly = kind == kinds[1];
      ScopedFilePermissions permissions;
      tb::storage::Wallet elsewhere;
      if (readOnly) {
        QCOMPARE(chmod(path.c_str(), 0444), 0);
        if (CanOpen(path, O_WRONLY)) QSKIP("this process writes read-only files");
      } else {
        elsewhere.SetTextSource(&f.file.texts());
        QCOMPARE(elsewhere.Open(path, f.file.password(), false, nullptr), OpenStatus::Ok);
      }
      Backdate(path);
      const FileState before = FileState::Of(path);
      ScriptedMessageBoxes boxes;
      QVERIFY2(!f.Open(path), kind);
      QCOMPARE(f.prompts, 1);
      QCOMPARE(boxes.Count(), size_t(1));
      // Another writer is named as such; a file that may not be written
      // gets the general message.
      QCOMPARE(boxes.Last().text, readOnly ? OpenFailedMessage("test", 23015, int(OpenStatus::CannotOpen))
                                           : OpenFailedMessage("test", 23040, int(OpenStatus::InUse)));
      QVERIFY(!f.context.wallet.IsOpen());
      QVERIFY(f.context.settings.mru.empty());
      // Exit with nothing open writes nothing either.
      f.window->Dispatch(kCmdExit);
      elsewhere.Close();
      QVERIFY2(FileState::Of(path) == before, kind);
      chmod(path.c_str(), 0600);
    }
  }
};

TB_QT_TEST(BadWalletFilesTest)
#include "wallet_files_test.moc"
