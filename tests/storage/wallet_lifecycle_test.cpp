// Creating, opening, saving, closing and re-keying wallet files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "platform/core/file.h"
#include "platform/core/file_faults.h"
#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/layout.h"
#include "storage/wallet.h"
#include "storage/wallet_testing.h"
#include "support/fault_plan.h"
#include "wallet_file_fixture.h"

namespace tb::storage {
namespace {

// The files beside a wallet that carry its name as a prefix.
std::vector<std::string> NamesBeside(const std::string& wallet) {
  std::vector<std::string> names;
  const std::filesystem::path p(wallet);
  for (const auto& e : std::filesystem::directory_iterator(p.parent_path()))
    if (e.path().filename().string().rfind(p.filename().string() + ".", 0) == 0)
      names.push_back(e.path().filename().string());
  return names;
}

TEST_F(WalletFile, NewWalletLayout) {
  CreateAndOpen();
  ASSERT_EQ(wallet.Count(), 2);
  EXPECT_EQ(wallet.At(0)->fileOffset, layout::kFirstRecordOffset);
  EXPECT_EQ(wallet.At(0)->Name(), u"Personal");
  EXPECT_EQ(wallet.At(0)->Icon(), 72);
  EXPECT_EQ(wallet.FormsFolder()->Name(), u"My Forms");
  EXPECT_EQ(wallet.FormsFolder()->Icon(), 55);
  EXPECT_EQ(*wallet.GetHint(), u"a hint");
  EXPECT_EQ(wallet.SpecialViewDisplayName(2), u"Find Results");
  EXPECT_EQ(wallet.GetSpecialViewIcon(1), 88);
  EXPECT_EQ(wallet.GetSpecialViewIcon(2), 128);
  EXPECT_EQ(wallet.GetSpecialViewIcon(3), 78);
  EXPECT_EQ(wallet.Header().Flags() & 19u, 19u);
  EXPECT_EQ(wallet.Options().AutoCloseMinutes(), 5u);
  const std::string bytes = ReadAll(path);
  EXPECT_EQ(bytes.substr(64, 8), std::string("(6.50) \0", 8));
  EXPECT_EQ(bytes.substr(72, 4), std::string("WM\0\0", 4));
  EXPECT_EQ(bytes.size(), layout::kFirstRecordOffset + 2 * layout::record::kSize);
}

TEST_F(WalletFile, CreateRefusesBeforeWritingAnything) {
  struct Case {
    std::string path;
    std::u16string password;
    CreateStatus expected;
  } cases[] = {
      {"", u"secret", CreateStatus::BadPath},
      {"a.tb5", u"secret", CreateStatus::BadPath},
      {dir.File("x.tb5"), u"", CreateStatus::NoPassword},
      {dir.File("x.tb5"), u"ab", CreateStatus::BadPasswordLength},
      {dir.File("x.tb5"), std::u16string(24, u'p'), CreateStatus::BadPasswordLength},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wallet.Create(c.path, c.password, std::nullopt, false), c.expected);
    EXPECT_FALSE(platform::FileExists(dir.File("x.tb5")));
  }
  EXPECT_EQ(wallet.Create(dir.File("x.tb5"), std::u16string(23, u'p'), std::nullopt, false), CreateStatus::Ok);
  const std::string before = ReadAll(dir.File("x.tb5"));
  EXPECT_EQ(wallet.Create(dir.File("x.tb5"), u"secret", std::nullopt, false), CreateStatus::Exists);
  EXPECT_EQ(ReadAll(dir.File("x.tb5")), before);
}

TEST_F(WalletFile, OpenRefusals) {
  CreateAndOpen();
  wallet.Close();
  const std::string good = ReadAll(path);
  EXPECT_EQ(wallet.Open(path, u"Secret", false, &answers), OpenStatus::WrongPassword);
  EXPECT_EQ(wallet.Open(path, u"se", false, &answers), OpenStatus::WrongPassword);
  EXPECT_EQ(ReadAll(path), good);  // byte for byte
  // The first look without the password leaves the header for the
  // password prompt: it checks typed passwords and shows the hint; the
  // file itself is free again.
  EXPECT_EQ(wallet.Open(path, u"", true, nullptr), OpenStatus::WrongPassword);
  EXPECT_FALSE(wallet.IsOpen());
  EXPECT_FALSE(wallet.CheckPassword(u"Secret"));
  EXPECT_TRUE(wallet.CheckPassword(u"secret"));
  EXPECT_EQ(platform::File().Open(path, platform::OpenMode::ReadWrite), platform::OpenResult::Ok);
  wallet.Close();
  EXPECT_FALSE(wallet.CheckPassword(u"secret"));

  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    OpenStatus expected;
  } cases[] = {
      {"75 bytes", [](std::string& b) { b.resize(75); }, OpenStatus::NotAWallet},
      {"maker text", [](std::string& b) { b[3] = 'X'; }, OpenStatus::NotAWallet},
      {"version 7", [](std::string& b) { b.replace(64, 7, "(7.00) "); }, OpenStatus::UnsupportedVersion},
      {"version 5 with the current verifier", [](std::string& b) { b.replace(64, 7, "(5.10) "); },
       OpenStatus::BadHeader},
      {"header signature", [](std::string& b) { b[76 + 3132] ^= 1; }, OpenStatus::BadHeader},
      {"short header", [](std::string& b) { b.resize(1000); }, OpenStatus::BadHeader},
      {"options signature", [](std::string& b) { b[3224 + 1] ^= 1; }, OpenStatus::BadOptions},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    c.damage(bytes);
    WriteAll(path, bytes);
    EXPECT_EQ(wallet.Open(path, u"secret", false, &answers), c.expected) << c.what;
    EXPECT_EQ(ReadAll(path), bytes) << c.what << ": nothing may be written";
  }
  EXPECT_EQ(wallet.Open(dir.File("none.tb5"), u"secret", false, &answers), OpenStatus::CannotOpen);
}

TEST_F(WalletFile, SecondWriterIsRefused) {
  CreateAndOpen();
  Wallet other;
  EXPECT_EQ(other.Open(path, u"secret", false, nullptr), OpenStatus::InUse);
  EXPECT_EQ(other.Open(path, u"secret", true, nullptr), OpenStatus::Ok);
}

TEST_F(WalletFile, HeaderChangesNeedSaveHeaders) {
  CreateAndOpen();
  wallet.SetHint(u"new hint");
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(*wallet.GetHint(), u"a hint");
  wallet.SetHint(u"new hint");
  wallet.SetSpecialView(1, u"Stars", 12);
  wallet.AddFavourite(wallet.At(0)->Id());
  ASSERT_EQ(wallet.SaveHeaders(), SaveStatus::Ok);
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(*wallet.GetHint(), u"new hint");
  EXPECT_EQ(wallet.SpecialViewDisplayName(1), u"Stars");
  EXPECT_EQ(wallet.GetSpecialViewIcon(1), 12);
  EXPECT_EQ(wallet.FavouritesCount(), 1u);
}

TEST_F(WalletFile, FailedSaveClosesUnlessAskedToStayOpen) {
  CreateAndOpen();
  const RecordId personal = wallet.At(0)->Id();
  ASSERT_TRUE(wallet.AddFavourite(personal));
  {
    test::FaultPlan plan(test::FaultPlan::Mode::FailFromThenOn, 1);
    test::ScopedFaults faults(&plan);
    EXPECT_NE(wallet.SaveHeaders(Wallet::AfterFailedSave::StayOpen), SaveStatus::Ok);
    EXPECT_TRUE(plan.Fired());
    EXPECT_TRUE(wallet.IsOpen());
  }
  // Still marked changed: the next save writes it.
  ASSERT_EQ(wallet.SaveHeaders(), SaveStatus::Ok);
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_TRUE(wallet.IsFavourite(personal));
  // Without the request a failed save closes the wallet.
  wallet.SetHint(u"lost");
  {
    test::FaultPlan plan(test::FaultPlan::Mode::FailFromThenOn, 1);
    test::ScopedFaults faults(&plan);
    EXPECT_NE(wallet.SaveHeaders(), SaveStatus::Ok);
    EXPECT_FALSE(wallet.IsOpen());
  }
}

TEST_F(WalletFile, ReadOnlyWalletIsNeverWritten) {
  CreateAndOpen();
  wallet.Close();
  const std::string before = ReadAll(path);
  ASSERT_EQ(wallet.Open(path, u"secret", true, &answers), OpenStatus::Ok);
  wallet.SetHint(u"changed");
  EXPECT_EQ(wallet.SaveHeaders(), SaveStatus::ReadOnly);
  EXPECT_EQ(AddFolder(u"x"), -1);
  EXPECT_FALSE(wallet.DeleteRecord(0));
  wallet.Close();
  EXPECT_EQ(ReadAll(path), before);
}

TEST_F(WalletFile, ReplacedCardMovesToTheEndWithoutAGap) {
  CreateAndOpen();
  const int a = AddCard(u"A", 0);
  AddCard(u"B", 0);
  const uint64_t sizeBefore = ReadAll(path).size();
  Card card;
  ASSERT_TRUE(wallet.LoadCard(wallet.At(a)->Id(), &card));
  card.fields[0].SetValue(u"longer value than before");
  const uint64_t oldExtent = card.record.Extent();
  ASSERT_EQ(wallet.ReplaceCard(card), a);  // same index position
  const std::string bytes = ReadAll(path);
  EXPECT_EQ(bytes.size(), sizeBefore - oldExtent + wallet.At(a)->Extent());
  EXPECT_EQ(wallet.At(a)->fileOffset + wallet.At(a)->Extent(), bytes.size());
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  Card back;
  ASSERT_TRUE(wallet.LoadCard(card.record.Id(), &back));
  EXPECT_EQ(back.fields[0].value, u"longer value than before");
  EXPECT_EQ(wallet.Count(), 4);
}

TEST_F(WalletFile, InterruptedReplacementKeepsTheLaterCopy) {
  CreateAndOpen();
  const int a = AddCard(u"A", 0, u"old");
  Card card;
  ASSERT_TRUE(wallet.LoadCard(wallet.At(a)->Id(), &card));
  card.fields[0].SetValue(u"new");
  // What a replacement leaves when it stops after the append: two live copies.
  ASSERT_GE(wallet.AppendCard(card), 0);
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(wallet.Count(), 3);
  Card back;
  ASSERT_TRUE(wallet.LoadCard(card.record.Id(), &back));
  EXPECT_EQ(back.fields[0].value, u"new");
  // Deleting it removes both copies, so the old one cannot come back.
  ASSERT_TRUE(wallet.DeleteRecord(wallet.FindRecord(card.record.Id())));
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(wallet.FindRecord(card.record.Id()), -1);
}

TEST_F(WalletFile, DeletingLeavesTombstonesAndPurgeRemovesThem) {
  CreateAndOpen();
  const int folder = AddFolder(u"Folder");
  const int card = AddCard(u"C", folder);
  const uint64_t size = ReadAll(path).size();
  const uint64_t cardBody = wallet.At(card)->BodyLength();
  ASSERT_TRUE(wallet.DeleteRecord(card));
  ASSERT_TRUE(wallet.DeleteRecord(folder));
  EXPECT_TRUE(wallet.At(folder)->IsDeleted());  // stays in the index, marked
  EXPECT_EQ(wallet.FindRecord(wallet.At(folder)->Id()), -1);
  EXPECT_EQ(ReadAll(path).size(), size - cardBody);
  EXPECT_EQ(wallet.PurgeTombstones(), 2);
  // Only the starter folder and the forms folder are left.
  EXPECT_EQ(ReadAll(path).size(), layout::kFirstRecordOffset + 2 * layout::record::kSize);
  wallet.Close();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(wallet.Count(), 2);
}

TEST_F(WalletFile, ReplacementIsTheCutFileWithTheNewVersionAppended) {
  CreateAndOpen();
  for (int i = 0; i < 40; ++i) AddCard(u"Card", 0, std::u16string(100 + i, u'v'));
  const std::string original = ReadAll(path);
  Card card;
  ASSERT_TRUE(wallet.LoadCard(wallet.At(3)->Id(), &card));
  const uint64_t at = card.record.fileOffset, extent = card.record.Extent();
  card.fields[0].SetValue(u"changed");
  ASSERT_EQ(wallet.ReplaceCard(card), 3);
  const std::string now = ReadAll(path);
  const uint64_t kept = original.size() - extent;
  ASSERT_EQ(now.size(), kept + wallet.At(3)->Extent());
  EXPECT_TRUE(now.compare(0, at, original, 0, at) == 0);
  EXPECT_TRUE(now.compare(at, kept - at, original, at + extent, kept - at) == 0);
  EXPECT_EQ(wallet.At(3)->fileOffset, kept);
  EXPECT_EQ(NamesBeside(path), std::vector<std::string>{});
  // The lock moved with the wallet onto the new file.
  EXPECT_EQ(platform::File().Open(path, platform::OpenMode::ReadWrite), platform::OpenResult::Locked);
  // With too little memory for a 1 KiB buffer the cut gives up, untouched.
  {
    platform::ScopedAvailableMemory tiny(2 * 1024);
    EXPECT_FALSE(wallet.FileCut(layout::kFirstRecordOffset, 10));
  }
  EXPECT_TRUE(ReadAll(path) == now);
  // Every record is still found where the index says.
  for (int i = 0; i < wallet.Count(); ++i) {
    FoundRecord found;
    ASSERT_TRUE(wallet.FindRecordInFile(wallet.At(i)->Id(), &found));
    EXPECT_EQ(found.offset, wallet.At(i)->fileOffset);
  }
}

TEST_F(WalletFile, FavouritesListRules) {
  CreateAndOpen();
  std::vector<RecordId> ids;
  for (int i = 0; i < 33; ++i) ids.push_back(wallet.At(AddCard(u"F", 0))->Id());
  for (int i = 0; i < 33; ++i) EXPECT_EQ(wallet.AddFavourite(ids[size_t(i)]), i < 32);
  EXPECT_FALSE(wallet.AddFavourite(ids[0]));
  wallet.RemoveFavourite(ids[1]);
  const std::vector<RecordId> now = wallet.Favourites();
  ASSERT_EQ(now.size(), 31u);
  EXPECT_EQ(now[1], ids[2]);  // the rest moved down
  EXPECT_TRUE(wallet.Options().Flags() & layout::options::kFlagFavouritesChanged);
  ASSERT_TRUE(wallet.DeleteRecord(wallet.FindRecord(ids[0])));
  EXPECT_FALSE(wallet.IsFavourite(ids[0]));
}

TEST_F(WalletFile, ChangePasswordReKeysEveryRecord) {
  CreateAndOpen();
  const int card = AddCard(u"Bank", 0, u"1234");
  const RecordId id = wallet.At(card)->Id();
  EXPECT_EQ(wallet.ChangePassword(u"wrong", u"better", std::nullopt), PasswordChangeStatus::WrongPassword);
  EXPECT_EQ(wallet.ChangePassword(u"secret", u"no", std::nullopt), PasswordChangeStatus::BadNewPassword);
  EXPECT_EQ(wallet.ChangePassword(u"secret", std::u16string(24, u'x'), std::nullopt),
            PasswordChangeStatus::BadNewPassword);
  ASSERT_EQ(wallet.ChangePassword(u"secret", u"better", u"new hint"), PasswordChangeStatus::Ok);
  EXPECT_EQ(wallet.At(card)->Name(), u"Bank");
  Card loaded;
  ASSERT_TRUE(wallet.LoadCard(id, &loaded));
  EXPECT_EQ(loaded.fields[0].value, u"1234");
  EXPECT_EQ(NamesBeside(path), std::vector<std::string>{});
  EXPECT_EQ(platform::File().Open(path, platform::OpenMode::ReadWrite), platform::OpenResult::Locked);
  wallet.Close();
  EXPECT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::WrongPassword);
  ASSERT_EQ(wallet.Open(path, u"better", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(*wallet.GetHint(), u"new hint");
  ASSERT_TRUE(wallet.LoadCard(id, &loaded));
  EXPECT_EQ(loaded.fields[0].value, u"1234");
  EXPECT_EQ(wallet.FindRecord(id), card);
}

TEST_F(WalletFile, ReKeyLeavesNothingUnderTheOldKey) {
  CreateAndOpen();
  const int folder = AddFolder(u"Old folder");
  AddCard(u"Kept card", folder, u"kept");
  ASSERT_TRUE(wallet.DeleteRecord(AddCard(u"Deleted card", folder, u"gone")));  // tombstone, body cut
  ASSERT_TRUE(wallet.DeleteRecord(AddFolder(u"Deleted folder")));               // tombstone in place
  const KeyContext oldKey = wallet.DataKey();
  ASSERT_EQ(wallet.ChangePassword(u"secret", u"better", std::nullopt), PasswordChangeStatus::Ok);
  const KeyContext& newKey = wallet.DataKey();
  const std::set<std::u16string> names = {u"Personal",  u"My Forms",     u"Old folder",
                                          u"Kept card", u"Deleted card", u"Deleted folder"};
  std::set<std::u16string> underNewKey;
  int tombstones = 0;
  ASSERT_TRUE(wallet.WalkRecords([&](const RecordHeader& h, const Wallet::BodyReader&) {
    RecordHeader copy = h;
    copy.SetKey(&oldKey);
    EXPECT_EQ(names.count(std::u16string(copy.Name())), 0u) << "readable under the old key";
    copy.SetKey(&newKey);
    underNewKey.insert(std::u16string(copy.Name()));
    tombstones += h.IsDeleted();
    return true;
  }));
  EXPECT_EQ(tombstones, 2);
  EXPECT_EQ(underNewKey, names);
}

TEST_F(WalletFile, InterruptedReKeyLeavesTheWalletAsItWas) {
  CreateAndOpen();
  for (int i = 0; i < 5; ++i) AddCard(u"Card", 0, u"value");
  wallet.SaveHeaders();
  const std::string before = ReadAll(path);
  for (int stop = 0; stop < 7; ++stop) {
    {
      ScopedRekeyInterruption interrupt([stop](int record) { return record < stop; });
      EXPECT_EQ(wallet.ChangePassword(u"secret", u"better", std::nullopt), PasswordChangeStatus::RekeyFailed);
    }
    EXPECT_EQ(ReadAll(path), before) << "stopped at record " << stop;
    EXPECT_EQ(NamesBeside(path), std::vector<std::string>{}) << "a partial file was left";
    EXPECT_TRUE(wallet.CheckPassword(u"secret"));
    Card c;
    EXPECT_TRUE(wallet.LoadCard(wallet.At(2)->Id(), &c));
    EXPECT_EQ(c.fields[0].value, u"value");
  }
  wallet.Close();
  EXPECT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
}

TEST_F(WalletFile, DamageIsReportedAndRepaired) {
  CreateAndOpen();
  const int a = AddCard(u"A", 0);
  AddCard(u"B", 0);
  const uint64_t damageAt = wallet.At(a)->fileOffset;
  wallet.Close();
  std::string bytes = ReadAll(path);
  bytes[damageAt] ^= 0x55;  // A's kind signature
  WriteAll(path, bytes);

  answers.queue = {Answer::No};
  EXPECT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Damaged);
  EXPECT_EQ(ReadAll(path), bytes);
  EXPECT_EQ(wallet.Open(path, u"secret", true, &answers), OpenStatus::Damaged);

  answers.queue = {Answer::Yes, Answer::Ok, Answer::Ok};
  answers.seen.clear();
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  ASSERT_EQ(answers.seen.size(), 3u);
  EXPECT_EQ(answers.seen[0].text, u"Repair Mine.tb5?");
  EXPECT_EQ(answers.seen[2].text, u"1 repairs in Mine.tb5");
  EXPECT_EQ(wallet.Count(), 3);  // A is gone, B and the rest survive
}

// A wallet cut short anywhere gives the status that belongs to where the
// cut falls: in the leading blocks the block's own status, at a record
// boundary a whole (shorter) wallet, inside a record damage.
TEST_F(WalletFile, TruncatedWalletsGiveTheStatusOfTheCut) {
  CreateAndOpen();
  const int folder = AddFolder(u"F");
  AddCard(u"A", folder, u"some value");
  std::set<size_t> boundaries;
  ASSERT_TRUE(wallet.WalkRecords([&](const RecordHeader& h, const Wallet::BodyReader&) {
    boundaries.insert(size_t(h.fileOffset));
    boundaries.insert(size_t(h.fileOffset + h.Extent()));
    return true;
  }));
  wallet.Close();
  const std::string good = ReadAll(path);
  ASSERT_EQ(boundaries.size(), 5u);  // four records end to end
  ASSERT_EQ(*boundaries.begin(), layout::kFirstRecordOffset);
  ASSERT_EQ(*boundaries.rbegin(), good.size());
  auto expected = [&](size_t n) {
    if (n < layout::kHeaderOffset) return OpenStatus::NotAWallet;
    if (n < layout::kOptionsOffset) return OpenStatus::BadHeader;
    if (n < layout::kFirstRecordOffset) return OpenStatus::BadOptions;
    return boundaries.count(n) ? OpenStatus::Ok : OpenStatus::Damaged;
  };
  std::vector<size_t> cuts;
  for (size_t n = 0; n < layout::kFirstRecordOffset; n += 97) cuts.push_back(n);
  for (size_t n = layout::kFirstRecordOffset; n < good.size(); n += 7) cuts.push_back(n);
  for (size_t b : boundaries)
    for (size_t n : {b - 1, b, b + 1})
      if (n <= good.size()) cuts.push_back(n);
  for (size_t cut : {size_t(1), layout::kHeaderOffset - 1, layout::kHeaderOffset, layout::kOptionsOffset - 1,
                     layout::kOptionsOffset})
    cuts.push_back(cut);
  for (size_t n : cuts) {
    WriteAll(path, good.substr(0, n));
    EXPECT_EQ(wallet.Open(path, u"secret", true, nullptr), expected(n)) << "cut at " << n;
    wallet.Close();
  }
}

}  // namespace
}  // namespace tb::storage

namespace tb::storage {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

TEST_F(WalletFile, EveryFileThatHoldsSecretsIsTheOwnersAlone) {
  CreateAndOpen();
  EXPECT_EQ(ModeOf(path), 0600u);
  const int card = AddCard(u"Bank", 0, u"1234");
  Card loaded;
  ASSERT_TRUE(wallet.LoadCard(wallet.At(card)->Id(), &loaded));
  loaded.fields[0].SetValue(u"5678");
  ASSERT_GE(wallet.ReplaceCard(loaded), 0);  // the wallet is now the replacement file
  EXPECT_EQ(ModeOf(path), 0600u);
  ASSERT_EQ(wallet.ChangePassword(u"secret", u"better", std::nullopt), PasswordChangeStatus::Ok);
  EXPECT_EQ(ModeOf(path), 0600u);
}

// Counts the renames a repair makes: the file is rewritten once, however
// many pieces of damage it cuts out.
class RenameCounter : public platform::FileFaults {
 public:
  int renames = 0;
  platform::FaultDecision Before(const platform::FileCall& call) override {
    if (call.op == platform::FileOp::Rename) ++renames;
    return {};
  }
};

TEST_F(WalletFile, RepairRewritesTheFileOnceForManyDamages) {
  CreateAndOpen();
  std::vector<uint64_t> starts;
  for (int i = 0; i < 30; ++i) starts.push_back(wallet.At(AddFolder(u"F"))->fileOffset);
  wallet.Close();
  std::string bytes = ReadAll(path);
  // Stray bytes after every folder: thirty gaps to cut.
  for (auto it = starts.rbegin(); it != starts.rend(); ++it) bytes.insert(*it + layout::record::kSize, "junk");
  WriteAll(path, bytes);
  answers.queue = {Answer::Yes, Answer::Ok, Answer::Ok};
  RenameCounter counter;
  platform::InstallFileFaults(&counter);
  const OpenStatus status = wallet.Open(path, u"secret", false, &answers);
  platform::InstallFileFaults(nullptr);
  ASSERT_EQ(status, OpenStatus::Ok);
  EXPECT_EQ(counter.renames, 1);
  EXPECT_EQ(wallet.Count(), 32);
  EXPECT_EQ(answers.seen.back().text, u"30 repairs in Mine.tb5");
}

}  // namespace
}  // namespace tb::storage
