// The wallets manager without its window: the list, the choice, copies,
// deletion and the new wallet's name and file.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/core/documents.h"
#include "platform/core/file.h"
#include "platform/core/text_convert.h"
#include "shell/core/wallets_manager.h"
#include "shell_fixture.h"
#include "storage/wallet.h"
#include "support/fixed_services.h"

namespace tb::shell {
namespace {

using test::ReadFile;
using test::WriteFile;

class WalletsManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"docs", "card1", "card2"}) ASSERT_EQ(::mkdir(P(f).c_str(), 0700), 0);
  }
  std::string P(const std::string& relative) const { return dir.File(relative); }
  void Make(const std::string& relative, const std::string& bytes = "wallet bytes") { WriteFile(P(relative), bytes); }
  std::vector<std::u16string> Names() const {
    std::vector<std::u16string> names;
    for (const WalletEntry& e : manager.Entries()) names.push_back(e.displayName);
    return names;
  }
  int IndexOf(const std::string& relative) const {
    for (size_t i = 0; i < manager.Entries().size(); ++i)
      if (manager.Entries()[i].path == P(relative)) return int(i);
    return -1;
  }
  std::vector<std::string> FilesIn(const std::string& relative) const {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(P(relative).c_str())) {
      while (dirent* e = ::readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
      ::closedir(d);
    }
    return names;
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 0777;
  }

  tb::test::TempDir dir;
  platform::ScopedDocumentPlaces places{{dir.File("docs"), {dir.File("card1"), dir.File("card2")}}};
  WalletsManager manager;
};

TEST_F(WalletsManagerTest, ListsEveryWalletOnceWalletsFirstThenByName) {
  for (const char* f : {"docs/sub", "docs/my.wallets", "card2/Documents"}) ASSERT_EQ(::mkdir(P(f).c_str(), 0700), 0);
  for (const char* f : {"docs/Zeta.tb5", "docs/sub/alpha.tb5", "docs/Home.wal", "card1/Home.tb5", "card1/home.tb5",
                        "card2/Documents/beta.TB5", "docs/my.wallets/Gamma.tb5", "card2/OLD.WAL", "docs/notes.txt"})
    Make(f);
  // The same file by a second way: listed once, where it was found first.
  ASSERT_EQ(::symlink(P("docs/Zeta.tb5").c_str(), P("card1/zeta-link.tb5").c_str()), 0);

  EXPECT_TRUE(manager.Fill().empty());
  EXPECT_TRUE(manager.Filled());
  EXPECT_EQ(Names(),
            (std::vector<std::u16string>{u"alpha", u"beta", u"Gamma", u"Home", u"home", u"Zeta", u"Home", u"OLD"}));
  const std::vector<WalletEntry>& e = manager.Entries();
  EXPECT_EQ(e[0].path, P("docs/sub/alpha.tb5"));
  EXPECT_EQ(e[2].path, P("docs/my.wallets/Gamma.tb5"));  // a folder name is no extension
  EXPECT_EQ(e[3].path, P("card1/Home.tb5"));             // distinct files that differ only in case
  EXPECT_EQ(e[4].path, P("card1/home.tb5"));
  EXPECT_EQ(e[5].path, P("docs/Zeta.tb5"));
  for (size_t i = 0; i < e.size(); ++i) {
    EXPECT_EQ(e[i].legacy, i >= 6) << i;
    EXPECT_EQ(e[i].icon, i >= 6 ? kLegacyWalletFileIcon : kWalletFileIcon) << i;
  }
}

TEST_F(WalletsManagerTest, ChoosingAnEntry) {
  Make("docs/Home.tb5");
  Make("docs/Old.wal");
  ASSERT_EQ(::chmod(P("docs/Home.tb5").c_str(), 0400), 0);
  manager.Fill();
  EXPECT_EQ(manager.Open(), std::nullopt);  // nothing selected: nothing happens
  EXPECT_FALSE(manager.SelectionCommandsEnabled());
  EXPECT_EQ(manager.Confirm(), ManagerChoice::Cancel);

  manager.Select(IndexOf("docs/Home.tb5"));
  EXPECT_TRUE(manager.SelectionCommandsEnabled());
  EXPECT_TRUE(manager.SelectedEntry()->readOnly || ::geteuid() == 0);  // listed; read-only is the opener's call
  EXPECT_EQ(manager.Open(), ManagerChoice::Open);
  EXPECT_EQ(manager.ChosenPath(), P("docs/Home.tb5"));

  manager.Select(IndexOf("docs/Old.wal"));
  EXPECT_EQ(manager.Confirm(), ManagerChoice::ConvertLegacy);
  manager.Select(5);
  EXPECT_TRUE(manager.ChosenPath().empty());

  EXPECT_EQ(manager.ChooseNewWallet(P("docs/New.tb5")), ManagerChoice::Create);
  EXPECT_TRUE(manager.IsNew());
  EXPECT_EQ(manager.Confirm(), ManagerChoice::Create);
  manager.Cancel();
  EXPECT_EQ(manager.Confirm(), ManagerChoice::Cancel);
}

TEST_F(WalletsManagerTest, AWalletRemovedWhileListed) {
  Make("docs/A.tb5");
  Make("docs/B.tb5");
  manager.Fill();
  ASSERT_EQ(manager.Count(), 2u);
  ASSERT_EQ(::unlink(P("docs/A.tb5").c_str()), 0);

  manager.Select(0);
  EXPECT_EQ(manager.Open(), ManagerChoice::Gone);  // its entry goes, nothing is opened
  EXPECT_EQ(Names(), std::vector<std::u16string>{u"B"});
  EXPECT_TRUE(manager.ChosenPath().empty());

  ASSERT_EQ(::unlink(P("docs/B.tb5").c_str()), 0);
  manager.Select(0);
  EXPECT_EQ(manager.CopySelected().status, CopyStatus::SourceGone);
  EXPECT_EQ(manager.Fill(), std::vector<std::string>{P("docs/B.tb5")});
  EXPECT_EQ(manager.Count(), 0u);
  EXPECT_EQ(manager.CopySelected().status, CopyStatus::NoSelection);
  EXPECT_EQ(manager.DeleteSelected(), DeleteStatus::NoSelection);
}

TEST_F(WalletsManagerTest, CopiesTakeTheNextFreeNumberAndAreTheOwnersAlone) {
  Make("card1/Home.tb5", std::string("\0\1secret\xff", 10));
  ASSERT_EQ(::chmod(P("card1/Home.tb5").c_str(), 0644), 0);
  manager.Fill();
  manager.Select(0);
  CopyOutcome first = manager.CopySelected();
  ASSERT_EQ(first.status, CopyStatus::Copied);
  EXPECT_EQ(first.path, P("card1/Home(2).tb5"));
  EXPECT_EQ(manager.SelectedEntry(), nullptr);  // the list was filled again
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Home", u"Home(2)"}));

  manager.Select(0);
  EXPECT_EQ(manager.CopySelected().path, P("card1/Home(3).tb5"));
  for (const char* copy : {"card1/Home(2).tb5", "card1/Home(3).tb5"}) {
    EXPECT_EQ(ReadFile(P(copy)), ReadFile(P("card1/Home.tb5")));
    EXPECT_EQ(ModeOf(P(copy)), 0600u);
  }

  // A free number between taken ones is used; with all taken nothing is written.
  ASSERT_EQ(::unlink(P("card1/Home(2).tb5").c_str()), 0);
  manager.Fill();
  manager.Select(IndexOf("card1/Home.tb5"));
  EXPECT_EQ(manager.CopySelected().path, P("card1/Home(2).tb5"));
  for (int k = 4; k <= kLastCopyNumber; ++k) Make("card1/Home(" + std::to_string(k) + ").tb5", "taken");
  manager.Fill();
  manager.Select(IndexOf("card1/Home.tb5"));
  const CopyOutcome none = manager.CopySelected();
  EXPECT_EQ(none.status, CopyStatus::AllNamesTaken);
  EXPECT_EQ(SystemErrorText(none.errorCode), u"File exists");
  EXPECT_EQ(FilesIn("card1").size(), 32u);  // no half copy left behind
  EXPECT_EQ(ReadFile(P("card1/Home(32).tb5")), "taken");
}

TEST_F(WalletsManagerTest, DeleteAsksWithThePathThenRemovesFileAndEntry) {
  Make("docs/Home.tb5");
  Make("docs/Other.tb5");
  manager.Fill();
  manager.Select(IndexOf("docs/Home.tb5"));
  class QuestionText : public storage::TextSource {
   public:
    std::u16string_view Text(uint32_t n) const override { return n == kDeleteWalletQuestion ? u"Delete %s?" : u"?"; }
  } question;
  const std::optional<storage::Message> m = manager.DeleteQuestion(question);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->textNumber, kDeleteWalletQuestion);
  EXPECT_EQ(m->text, u"Delete " + platform::FromUtf8(P("docs/Home.tb5")) + u"?");
  EXPECT_EQ(m->captionNumber, kDeleteWalletCaption);
  EXPECT_EQ(m->buttons, storage::Buttons::YesNo);
  EXPECT_EQ(m->icon, storage::MessageIcon::Warning);

  EXPECT_EQ(manager.DeleteSelected(), DeleteStatus::Deleted);
  EXPECT_FALSE(platform::FileExists(P("docs/Home.tb5")));
  EXPECT_EQ(Names(), std::vector<std::u16string>{u"Other"});
  EXPECT_FALSE(manager.SelectionCommandsEnabled());

  manager.Select(0);
  ASSERT_EQ(::unlink(P("docs/Other.tb5").c_str()), 0);
  EXPECT_EQ(manager.DeleteSelected(), DeleteStatus::Gone);
  EXPECT_EQ(manager.Count(), 0u);  // the last entry gone: Open, Delete and Copy grayed
  EXPECT_FALSE(manager.SelectionCommandsEnabled());
  EXPECT_EQ(manager.DeleteQuestion(question), std::nullopt);
}

TEST_F(WalletsManagerTest, AFailedDeleteKeepsWhatIsThereAndItsEntry) {
  Make("docs/Kept.tb5");
  manager.Fill();
  // Meanwhile something that cannot be deleted as a file took its name.
  ASSERT_EQ(::unlink(P("docs/Kept.tb5").c_str()), 0);
  ASSERT_EQ(::mkdir(P("docs/Kept.tb5").c_str(), 0700), 0);
  Make("docs/Kept.tb5/inside");
  manager.Select(0);
  EXPECT_EQ(manager.DeleteSelected(), DeleteStatus::Failed);
  EXPECT_EQ(manager.Count(), 1u);
  EXPECT_EQ(manager.CopySelected().status, CopyStatus::Failed);  // nor is it copied
  EXPECT_EQ(FilesIn("docs"), std::vector<std::string>{"Kept.tb5"});
  EXPECT_EQ(FilesIn("docs/Kept.tb5"), std::vector<std::string>{"inside"});
}

TEST_F(WalletsManagerTest, NewWalletNames) {
  Make("docs/Home.tb5");
  const std::vector<SaveInPlace> where = NewWalletPlaces(5);
  ASSERT_EQ(where.size(), 2u);
  EXPECT_EQ(where[0].textNumber, kSaveInDocuments);
  EXPECT_EQ(where[0].folder, P("docs"));
  EXPECT_EQ(where[1].textNumber, kSaveInStorageCard);
  EXPECT_EQ(where[1].folder, P("card1/docs"));  // the documents folder's name, on the first card
  EXPECT_EQ(NewWalletPlaces(4).size(), 1u);

  struct Case {
    std::u16string name;
    size_t place;
    NameStatus status;
    uint32_t text;
    std::string path;
  } cases[] = {
      {u"", 0, NameStatus::Empty, 0, ""},
      {u"Travel", 0, NameStatus::Ok, 0, "docs/Travel.tb5"},
      {u"Reise \u00e9t\u00e9 \U0001F600", 1, NameStatus::Ok, 0,
       "card1/docs/Reise \xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80.tb5"},
      {u"..", 0, NameStatus::Ok, 0, "docs/...tb5"},
      {u"Home", 0, NameStatus::Taken, kNameTakenInDocuments, ""},
      {u"HOME", 0, NameStatus::Ok, 0, "docs/HOME.tb5"},
      {std::u16string(200, u'\u00e9'), 0, NameStatus::Taken, kNameTakenInDocuments, ""},  // too long for a file name
      {std::u16string(201, u'a'), 0, NameStatus::TooLong, kNameHasForbiddenCharacter, ""},
      {std::u16string(u"a\0b", 3), 0, NameStatus::Forbidden, kNameHasForbiddenCharacter, ""},
      {u"a\nb", 0, NameStatus::Forbidden, kNameHasForbiddenCharacter, ""},
      {u"half \xD800", 0, NameStatus::Forbidden, kNameHasForbiddenCharacter, ""},
  };
  for (char16_t bad : std::u16string_view(u"\\/:*?\"<>|"))
    EXPECT_EQ(CheckNewWalletName(std::u16string(u"a") + bad + u"b", where[0]).status, NameStatus::Forbidden)
        << char(bad);
  for (const Case& c : cases) {
    const NameCheck check = CheckNewWalletName(c.name, where[c.place]);
    const std::string shown = platform::ToUtf8(c.name).substr(0, 20);
    EXPECT_EQ(check.status, c.status) << shown;
    EXPECT_EQ(check.path, c.path.empty() ? "" : P(c.path)) << shown;
    if (c.text == 0) continue;
    EXPECT_EQ(check.message.textNumber, c.text) << shown;
    EXPECT_EQ(check.message.icon, storage::MessageIcon::Stop);
    if (c.status == NameStatus::Taken) {
      EXPECT_EQ(check.message.caption, kProgramCaption);
    } else {
      EXPECT_EQ(check.message.captionNumber, kNameHasForbiddenCharacterCaption);
    }
  }
  Make("card1/docs/Travel.tb5");
  EXPECT_EQ(CheckNewWalletName(u"Travel", where[1]).message.textNumber, kNameTakenOnStorageCard);
}

TEST_F(WalletsManagerTest, CreatesTheNewWalletClosedAndListed) {
  tb::test::FixedTexts texts;
  const NameCheck check = CheckNewWalletName(u"Fresh", NewWalletPlaces(5)[0]);
  ASSERT_EQ(check.status, NameStatus::Ok);
  EXPECT_EQ(CreateNewWallet(check.path, u"pass1234", u"a hint", &texts), storage::CreateStatus::Ok);
  EXPECT_EQ(ModeOf(check.path), 0600u);
  EXPECT_EQ(CreateNewWallet(check.path, u"pass1234", std::nullopt, &texts), storage::CreateStatus::Exists);
  EXPECT_EQ(CreateNewWallet(P("docs/Short.tb5"), u"pw", std::nullopt, &texts),
            storage::CreateStatus::BadPasswordLength);

  storage::Wallet wallet;
  wallet.SetTextSource(&texts);
  ASSERT_EQ(wallet.Open(check.path, u"pass1234", false, nullptr), storage::OpenStatus::Ok);
  EXPECT_EQ(wallet.GetHint(), storage::ToText(u"a hint"));
  EXPECT_EQ(wallet.Count(), 2);  // the starter folder and the forms folder
  wallet.Close();

  manager.Fill();
  EXPECT_EQ(Names(), std::vector<std::u16string>{u"Fresh"});
}

}  // namespace
}  // namespace tb::shell
