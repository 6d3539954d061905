// Where a wallet's writes go and what is opened as one: the real file
// behind links, the other names of a hard-linked file, partial files that
// nobody can block or guess, a second writer, and things that are not
// files at all.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "platform/core/file.h"
#include "storage/legacy_wallet.h"
#include "wallet_file_fixture.h"

namespace tb::storage {
namespace {

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (const dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
    closedir(d);
  }
  return names;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class WalletPaths : public WalletFile {
 protected:
  void SetUp() override {
    WalletFile::SetUp();
    sync = dir.File("sync");
    ASSERT_EQ(mkdir(sync.c_str(), 0700), 0);
    real = sync + "/Real.tb5";
    ASSERT_EQ(wallet.Create(real, u"secret", u"a hint", true), CreateStatus::Ok);
    ASSERT_EQ(wallet.Open(real, u"secret", false, &answers), OpenStatus::Ok);
    card = AddCard(u"Bank", 0, u"1234");
    wallet.Close();
  }

  // Changes the card's value by replacing it (a rewrite of the whole file)
  // and renames the first folder (a journaled write in place).
  void EditThrough(const std::string& name) {
    ASSERT_EQ(wallet.Open(name, u"secret", false, &answers), OpenStatus::Ok);
    Card c;
    ASSERT_TRUE(wallet.LoadCard(wallet.At(card)->Id(), &c));
    c.fields[0].SetValue(u"5678");
    ASSERT_GE(wallet.ReplaceCard(c), 0);
    RecordHeader folder = *wallet.At(0);
    folder.SetName(u"Renamed");
    ASSERT_TRUE(wallet.RewriteRecordInPlace(folder));
    wallet.Close();
  }

  std::u16string ValueIn(const std::string& name) {
    Wallet w;
    w.SetTextSource(&texts);
    if (w.Open(name, u"secret", true, nullptr) != OpenStatus::Ok) return u"(cannot open)";
    Card c;
    for (int i = 0; i < w.Count(); ++i)
      if (w.At(i)->IsCard() && w.LoadCard(w.At(i)->Id(), &c)) return std::u16string(c.fields[0].value);
    return u"(no card)";
  }

  std::string sync, real;
  int card = -1;
};

TEST_F(WalletPaths, WritesFollowLinksToTheRealFile) {
  // A link, and a chain of two links, in a folder of their own.
  const std::string link = dir.File("Link.tb5"), first = dir.File("First.tb5"), second = dir.File("Second.tb5");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  ASSERT_EQ(symlink(second.c_str(), first.c_str()), 0);
  ASSERT_EQ(symlink(real.c_str(), second.c_str()), 0);
  for (const std::string& name : {link, first}) {
    EditThrough(name);
    EXPECT_TRUE(IsLink(name)) << name;
    EXPECT_EQ(ValueIn(real), u"5678") << name;
    // Nothing was left beside the links or the real file.
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"First.tb5", "Link.tb5", "Second.tb5", "sync"}));
    EXPECT_EQ(Names(sync), std::set<std::string>{"Real.tb5"});
    EXPECT_EQ(wallet.Open(name, u"secret", false, &answers), OpenStatus::Ok);
    ASSERT_EQ(wallet.ChangePassword(u"secret", u"secret", std::nullopt), PasswordChangeStatus::Ok);
    wallet.Close();
    EXPECT_TRUE(IsLink(name));
  }
}

TEST_F(WalletPaths, DanglingLinkIsNeitherOpenedNorFollowedOnCreate) {
  const std::string link = dir.File("Dangling.tb5"), target = sync + "/Missing.tb5";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  EXPECT_EQ(wallet.Open(link, u"secret", false, &answers), OpenStatus::CannotOpen);
  EXPECT_EQ(wallet.Create(link, u"secret", std::nullopt, false), CreateStatus::Exists);
  EXPECT_FALSE(platform::FileExists(target));
  EXPECT_TRUE(IsLink(link));
  EXPECT_EQ(Names(sync), std::set<std::string>{"Real.tb5"});
}

TEST_F(WalletPaths, HardLinkedWalletIsWrittenOnlyWhenTheCallerAgrees) {
  const std::string other = dir.File("Other.tb5");
  ASSERT_EQ(link(real.c_str(), other.c_str()), 0);
  const std::string before = ReadAll(real);
  EXPECT_EQ(wallet.Open(real, u"secret", false, &answers), OpenStatus::HardLinked);
  EXPECT_EQ(wallet.Open(real, u"secret", true, &answers), OpenStatus::Ok);
  wallet.Close();
  EXPECT_EQ(ReadAll(other), before);

  wallet.SetBreakLinksAllowed(true);
  ASSERT_EQ(wallet.Open(real, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_GE(AddFolder(u"Appended"), 0);
  wallet.Close();
  EXPECT_EQ(ReadAll(other), before);
  EditThrough(real);
  // The name written through has the change; the other keeps the wallet
  // as it was, whole.
  EXPECT_EQ(ValueIn(real), u"5678");
  EXPECT_EQ(ValueIn(other), u"1234");
  EXPECT_EQ(ReadAll(other), before);
}

TEST_F(WalletPaths, PartialFilesCannotBeBlockedAndLeftoversGoOnlyWhenOurs) {
  // Names an earlier build used, and a stranger's pattern names, taken by
  // folders: none of them may block anything.
  for (const char* tag : {".cut", ".rekey", ".creating", ".journal.refused-00000000"})
    ASSERT_EQ(mkdir((real + tag).c_str(), 0700), 0);
  // Leftovers of a crash: ours and unlocked (goes), ours but held (stays),
  // a link and a name not of our pattern (stay).
  WriteAll(real + ".cut-0badf00d", "left");
  WriteAll(real + ".rekey-12345678", "held");
  platform::File held;
  ASSERT_EQ(held.Open(real + ".rekey-12345678", platform::OpenMode::ReadWrite), platform::OpenResult::Ok);
  ASSERT_EQ(symlink(real.c_str(), (real + ".upgrade-aaaaaaaa").c_str()), 0);
  WriteAll(real + ".cut-notours", "keep");

  EditThrough(real);
  EXPECT_EQ(ValueIn(real), u"5678");
  EXPECT_EQ(wallet.Open(real, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(wallet.ChangePassword(u"secret", u"secret", std::nullopt), PasswordChangeStatus::Ok);
  wallet.Close();
  EXPECT_EQ(Names(sync), (std::set<std::string>{"Real.tb5", "Real.tb5.cut", "Real.tb5.rekey", "Real.tb5.creating",
                                                "Real.tb5.journal.refused-00000000", "Real.tb5.rekey-12345678",
                                                "Real.tb5.upgrade-aaaaaaaa", "Real.tb5.cut-notours"}));

  // Creating beside a name an earlier build's create used.
  Wallet fresh;
  fresh.SetTextSource(&texts);
  ASSERT_EQ(mkdir((sync + "/New.tb5.creating").c_str(), 0700), 0);
  EXPECT_EQ(fresh.Create(sync + "/New.tb5", u"secret", std::nullopt, false), CreateStatus::Ok);
}

TEST_F(WalletPaths, SecondWriterHearsTheWalletIsInUse) {
  ASSERT_EQ(wallet.Open(real, u"secret", false, &answers), OpenStatus::Ok);
  Wallet other;
  EXPECT_EQ(other.Open(real, u"secret", false, nullptr), OpenStatus::InUse);
  EXPECT_EQ(other.Open(real, u"secret", true, nullptr), OpenStatus::Ok);
  // A rewrite gives the wallet a new file: it is held as well.
  Card c;
  ASSERT_TRUE(wallet.LoadCard(wallet.At(card)->Id(), &c));
  c.fields[0].SetValue(u"5678");
  ASSERT_GE(wallet.ReplaceCard(c), 0);
  EXPECT_EQ(other.Open(real, u"secret", false, nullptr), OpenStatus::InUse);
}

TEST_F(WalletPaths, OnlyRegularFilesAreOpened) {
  alarm(20);  // a pipe that is waited on would hang the test: end it instead
  const std::string pipe = dir.File("Pipe.tb5"), folder = dir.File("Folder.tb5");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  for (const std::string& name : {pipe, folder}) {
    EXPECT_EQ(wallet.Open(name, u"secret", true, nullptr), OpenStatus::NotAFile) << name;
    EXPECT_EQ(wallet.Open(name, u"secret", false, &answers), OpenStatus::NotAFile) << name;
    std::string converted;
    EXPECT_EQ(ConvertLegacyWallet(name, u"secret", LegacyConvertOptions(), &converted).status,
              LegacyStatus::CannotOpen);
    RecordHeader h;
    EXPECT_FALSE(h.SetIconPictureFromFile(name, 1 << 20));
  }
  alarm(0);
}

}  // namespace
}  // namespace tb::storage
