// The redo journal beside a wallet: a torn in-place write is finished from
// it, and a journal the wallet did not write (planted, foreign, stale, a
// link, another user's) is never written into the wallet.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/core/file.h"
#include "platform/core/file_faults.h"
#include "storage/bytes.h"
#include "storage/cipher/sha256.h"
#include "storage/layout.h"
#include "support/fault_loop.h"
#include "support/fault_plan.h"
#include "wallet_file_fixture.h"

namespace tb::storage {
namespace {

namespace J = layout::journal;

// A header write torn here leaves the hint half old, half new (the header
// key enciphers it whole, and the texts differ in their first characters).
constexpr int kTearInsideHint = int(layout::header::kHint) + 8;

// Copies the journal the moment the wallet is first written after it; when
// tearAt is set, that write is torn there and every later call fails, as a
// power cut would leave things.
class JournalTap : public platform::FileFaults {
 public:
  JournalTap(std::string walletPath, int tearAt = -1) : wallet_(std::move(walletPath)), tearAt_(tearAt) {}
  platform::FaultDecision Before(const platform::FileCall& call) override {
    if (dead_) return {true, 0};
    if (call.op != platform::FileOp::Write || call.path != wallet_ || !journal.empty()) return {};
    journal = ReadAll(JournalPath(wallet_));
    if (journal.empty() || tearAt_ < 0) return {};
    dead_ = true;
    return {true, std::min<size_t>(size_t(tearAt_), call.length)};
  }
  std::string journal;

 private:
  std::string wallet_;
  int tearAt_;
  bool dead_ = false;
};

class Journal : public WalletFile {
 protected:
  void SetUp() override {
    WalletFile::SetUp();
    CreateAndOpen();
    AddCard(u"Bank", 0, u"1234");
    real = wallet.RealPath();
    wallet.Close();
    original = ReadAll(path);
  }

  // The journal of a hint change, and the wallet as that change leaves it.
  std::string JournalOfHintChange(const std::string& hint, int tearAt = -1) {
    EXPECT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
    JournalTap tap(real, tearAt);
    platform::InstallFileFaults(&tap);
    wallet.SetHint(std::u16string(hint.begin(), hint.end()));
    wallet.SaveHeaders();
    wallet.Close();
    platform::InstallFileFaults(nullptr);
    EXPECT_FALSE(tap.journal.empty());
    return tap.journal;
  }

  // Opens read-write, closes, and checks the file was left byte for byte.
  JournalReport OpenLeavesWalletAsItWas(const std::string& bytes, OpenStatus expected = OpenStatus::Ok) {
    EXPECT_EQ(wallet.Open(path, u"secret", false, &answers), expected);
    const JournalReport report = wallet.LastJournalReport();
    wallet.Close();
    EXPECT_EQ(ReadAll(path), bytes);
    return report;
  }

  std::string real;
  std::string original;
};

// A journal laid out as ours, sealed under a key of the planter's choosing.
std::string ForgedJournal(const std::string& wallet, uint64_t offset, const std::string& bytes) {
  std::vector<uint8_t> j(J::kHeadSize);
  std::memcpy(j.data(), J::kMagic, 4);
  StoreU32(j.data() + J::kCount, 1);
  std::memcpy(j.data() + J::kCreated, wallet.data() + layout::kHeaderOffset + layout::header::kCreated, 16);
  std::memcpy(j.data() + J::kRandom, wallet.data() + layout::kHeaderOffset + layout::header::kRandom400, 32);
  StoreU32(j.data() + J::kWalletSize, uint32_t(wallet.size()));
  const size_t at = j.size();
  j.resize(at + J::kEntryHeadSize);
  StoreU32(j.data() + at, uint32_t(offset));
  StoreU32(j.data() + at + 8, uint32_t(bytes.size()));
  j.insert(j.end(), wallet.begin() + offset, wallet.begin() + offset + bytes.size());
  j.insert(j.end(), bytes.begin(), bytes.end());
  StoreU32(j.data() + J::kLength, uint32_t(j.size() + 64));
  const uint8_t key[16] = {1, 2, 3};
  const Sha256Digest seal = HmacSha256Of(key, sizeof key, j.data(), j.size());
  j.insert(j.end(), seal.begin(), seal.end());
  Sha256 sum;
  sum.Update(j.data(), j.size());
  const Sha256Digest checksum = sum.Finish();
  j.insert(j.end(), checksum.begin(), checksum.end());
  return std::string(j.begin(), j.end());
}

TEST_F(Journal, TornWriteIsFinishedAtTheNextOpen) {
  // A hint change torn inside the header block: the journal finishes it.
  const std::string journal = JournalOfHintChange("the new hint", kTearInsideHint);
  ASSERT_TRUE(platform::FileExists(JournalPath(real)));
  ASSERT_NE(ReadAll(path), original);
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(wallet.LastJournalReport().status, JournalRecovery::Applied);
  EXPECT_EQ(*wallet.GetHint(), u"the new hint");
  EXPECT_FALSE(platform::FileExists(JournalPath(real)));
}

TEST_F(Journal, OwnJournalOfAWriteThatNeverBeganOrFinishedJustGoes) {
  const std::string journal = JournalOfHintChange("changed");
  const std::string changed = ReadAll(path);
  for (const std::string* state : std::initializer_list<const std::string*>{&original, &changed}) {
    WriteAll(path, *state);
    WriteAll(JournalPath(real), journal);
    EXPECT_EQ(OpenLeavesWalletAsItWas(*state).status, JournalRecovery::Settled);
    EXPECT_FALSE(platform::FileExists(JournalPath(real)));
  }
}

TEST_F(Journal, TornJournalIsDroppedAndTheWalletUntouched) {
  const std::string journal = JournalOfHintChange("changed");
  WriteAll(path, original);
  for (size_t keep : {size_t(0), size_t(10), journal.size() - 1}) {
    WriteAll(JournalPath(real), journal.substr(0, keep));
    EXPECT_EQ(OpenLeavesWalletAsItWas(original).status, JournalRecovery::Discarded) << keep;
    EXPECT_FALSE(platform::FileExists(JournalPath(real)));
  }
}

TEST_F(Journal, PlantedJournalIsNeverWrittenIntoTheWallet) {
  const std::string planted = ForgedJournal(original, 0, std::string(16, 'X'));
  // Wrong password: nothing is decided, the journal stays where it is.
  WriteAll(JournalPath(real), planted);
  EXPECT_EQ(wallet.Open(path, u"wrong", false, &answers), OpenStatus::WrongPassword);
  EXPECT_EQ(wallet.LastJournalReport().status, JournalRecovery::Waiting);
  wallet.Close();
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(ReadAll(JournalPath(real)), planted);

  // Right password: its seal is not the wallet's; it is set aside.
  const JournalReport report = OpenLeavesWalletAsItWas(original);
  EXPECT_EQ(report.status, JournalRecovery::RefusedForeign);
  EXPECT_FALSE(platform::FileExists(JournalPath(real)));
  EXPECT_EQ(ReadAll(report.setAsidePath), planted);

  // Not laid out as ours at all (the journal of earlier builds was unsealed).
  WriteAll(JournalPath(real), "TBJ1" + std::string(200, '\x01'));
  EXPECT_EQ(OpenLeavesWalletAsItWas(original).status, JournalRecovery::RefusedForeign);
}

TEST_F(Journal, JournalOfAnotherWalletIsRefused) {
  // Another wallet under the same password, with a torn write of its own.
  const std::string otherPath = dir.File("Other.tb5");
  Wallet other;
  other.SetTextSource(&texts);
  ASSERT_EQ(other.Create(otherPath, u"secret", u"hint", true), CreateStatus::Ok);
  ASSERT_EQ(other.Open(otherPath, u"secret", false, &answers), OpenStatus::Ok);
  JournalTap tap(other.RealPath(), kTearInsideHint);
  platform::InstallFileFaults(&tap);
  other.SetHint(u"foreign");
  other.SaveHeaders();
  other.Close();
  platform::InstallFileFaults(nullptr);
  ASSERT_FALSE(tap.journal.empty());
  WriteAll(JournalPath(real), tap.journal);
  EXPECT_TRUE(IsRefusal(OpenLeavesWalletAsItWas(original).status));
}

TEST_F(Journal, StaleJournalOverARestoredBackupChangesNothing) {
  // Backup, two changes (the second journaled), backup restored: the
  // journal describes a wallet that is no longer there.
  JournalOfHintChange("first");
  const std::string second = JournalOfHintChange("second");
  WriteAll(path, original);
  WriteAll(JournalPath(real), second);
  const JournalReport report = OpenLeavesWalletAsItWas(original);
  EXPECT_EQ(report.status, JournalRecovery::RefusedStale);
  EXPECT_EQ(ReadAll(report.setAsidePath), second);
}

TEST_F(Journal, JournalThroughALinkIsRefused) {
  // A genuine torn-write journal, reached through a link: refused all the
  // same, and the link (not what it points to) is moved aside.
  const std::string journal = JournalOfHintChange("changed", kTearInsideHint);
  const std::string torn = ReadAll(path);
  const std::string elsewhere = dir.File("elsewhere");
  WriteAll(elsewhere, journal);
  platform::RemoveFile(JournalPath(real));
  ASSERT_EQ(symlink(elsewhere.c_str(), JournalPath(real).c_str()), 0);
  const JournalReport report = OpenLeavesWalletAsItWas(torn);
  EXPECT_EQ(report.status, JournalRecovery::RefusedUnsafe);
  struct stat st {};
  ASSERT_EQ(lstat(report.setAsidePath.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadAll(elsewhere), journal);

  // A folder of that name is no journal either.
  ASSERT_EQ(mkdir(JournalPath(real).c_str(), 0700), 0);
  EXPECT_EQ(OpenLeavesWalletAsItWas(torn).status, JournalRecovery::RefusedUnsafe);
}

TEST_F(Journal, AnotherUsersJournalIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs to give a file away";
  const std::string journal = JournalOfHintChange("changed", kTearInsideHint);
  const std::string torn = ReadAll(path);
  ASSERT_EQ(chown(JournalPath(real).c_str(), 65534, 65534), 0);
  EXPECT_EQ(OpenLeavesWalletAsItWas(torn).status, JournalRecovery::RefusedUnsafe);
}

TEST_F(Journal, ReadOnlyOpenLeavesTheJournalAlone) {
  const std::string journal = JournalOfHintChange("changed", kTearInsideHint);
  const std::string torn = ReadAll(path);
  ASSERT_EQ(wallet.Open(path, u"secret", true, &answers), OpenStatus::Ok);
  EXPECT_EQ(wallet.LastJournalReport().status, JournalRecovery::None);
  wallet.Close();
  EXPECT_EQ(ReadAll(path), torn);
  EXPECT_EQ(ReadAll(JournalPath(real)), journal);
}

TEST_F(Journal, RecoveryThatFailsKeepsTheJournalForTheNextOpen) {
  const std::string journal = JournalOfHintChange("the new hint", kTearInsideHint);
  const std::string torn = ReadAll(path);
  // One call of the recovery fails: the open fails, nothing is set aside,
  // and the journal waits for the next open. A journal or wallet that
  // could not be read is no reason to refuse the journal and open the torn
  // wallet.
  class FailFirst : public platform::FileFaults {
   public:
    FailFirst(platform::FileOp op, std::string path) : op_(op), path_(std::move(path)) {}
    platform::FaultDecision Before(const platform::FileCall& call) override {
      const bool fail = !failed_ && call.op == op_ && call.path == path_;
      failed_ = failed_ || fail;
      return {fail, 0};
    }

   private:
    platform::FileOp op_;
    std::string path_;
    bool failed_ = false;
  };
  const struct {
    const char* what;
    platform::FileOp op;
    std::string path;
  } cases[] = {
      {"opening the journal", platform::FileOp::Open, JournalPath(real)},
      {"reading the journal", platform::FileOp::Read, JournalPath(real)},
      {"reading the wallet's header", platform::FileOp::Read, real},
      {"writing the wallet", platform::FileOp::Write, real},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FailFirst failing(c.op, c.path);
    {
      test::ScopedFaults faults(&failing);
      EXPECT_NE(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
    }
    EXPECT_EQ(wallet.LastJournalReport().status, JournalRecovery::Failed);
    EXPECT_TRUE(wallet.LastJournalReport().setAsidePath.empty());
    wallet.Close();
    EXPECT_EQ(ReadAll(path), torn);
    EXPECT_EQ(ReadAll(JournalPath(real)), journal);
  }
  ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  EXPECT_EQ(wallet.LastJournalReport().status, JournalRecovery::Applied);
  EXPECT_EQ(*wallet.GetHint(), u"the new hint");
}

// The recovery itself under every fault: whatever becomes of it, the next
// open finishes the write the journal describes.
TEST_F(Journal, RecoveryUnderEveryFaultEndsAtTheFinishedWrite) {
  JournalOfHintChange("the new hint", kTearInsideHint);
  test::FaultLoopSpec spec;
  spec.walletPath = path;
  spec.startBytes = ReadAll(path);
  auto open = [this](Wallet& w) {
    w.SetTextSource(&texts);
    return w.Open(path, u"secret", false, &answers);
  };
  spec.run = [open](Wallet& w) { return open(w) == OpenStatus::Ok; };
  spec.reopen = [open](Wallet& w, std::string* label) {
    *label = "secret";
    const OpenStatus s = open(w);
    EXPECT_EQ(*w.GetHint(), u"the new hint");
    return s;
  };
  spec.outcome = test::Outcome::New;
  // Reopening recovers too: before and after are the finished write.
  spec.changes = false;
  test::RunFaultLoopAllModes("journal recovery", spec);
}

}  // namespace
}  // namespace tb::storage
