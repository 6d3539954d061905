// An upgrade cut short at any moment leaves the version-5 file, which opens
// and upgrades again, or the upgraded wallet, never a mixture.
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/wallet_testing.h"
#include "upgrade/upgrade_fixture.h"

namespace tb::storage {
namespace {

using test::FiveWallet;
using test::kFivePassword;
using test::ReadFile;
using test::WriteFile;

class UpgradeFaults : public FiveWallet {};

// No file beside the wallet carries its name as a prefix.
bool NothingBeside(const std::string& wallet) {
  const std::filesystem::path p(wallet);
  for (const auto& e : std::filesystem::directory_iterator(p.parent_path()))
    if (e.path().filename().string().rfind(p.filename().string() + ".", 0) == 0) return false;
  return true;
}

TEST_F(UpgradeFaults, StoppedAtEveryRecordLeavesTheVersionFiveFileByteForByte) {
  const int records = 8;  // once the tombstones are gone
  for (int stop = 0; stop <= records; ++stop) {
    WriteFile(path, bytes);
    test::ScriptedPrompter prompter;
    prompter.Queue(Answer::Ok);
    Wallet w;
    OpenStatus status;
    {
      ScopedUpgradeInterruption interrupt([stop](int n) { return n != stop; });
      status = OpenWith(w, &prompter);
    }
    if (stop == records) {
      // Past the last record there is nothing left to stop.
      EXPECT_EQ(status, OpenStatus::Ok);
      break;
    }
    EXPECT_EQ(status, OpenStatus::UpgradeFailed) << "stopped at record " << stop;
    EXPECT_EQ(w.LastUpgradeStatus(), UpgradeStatus::Interrupted);
    EXPECT_FALSE(w.IsOpen());
    EXPECT_EQ(ReadFile(path), clean) << "stopped at record " << stop;
    EXPECT_TRUE(NothingBeside(path)) << "a partial file was left";
  }
  // And it upgrades afterwards as if nothing had happened.
  const test::WalletState expected = Expected();
  test::AgreeToAll agree;
  Wallet w;
  WriteFile(path, clean);
  ASSERT_EQ(OpenWith(w, &agree), OpenStatus::Ok);
  EXPECT_EQ(test::CaptureWallet(w, "pw"), expected);
}

TEST_F(UpgradeFaults, EveryFailureAndPowerCut) {
  test::FaultLoopSpec spec;
  spec.walletPath = path;
  spec.startBytes = bytes;
  spec.run = [this](Wallet& w) {
    test::AgreeToAll agree;
    return OpenWith(w, &agree) == OpenStatus::Ok;
  };
  // Afterwards the file is the version-5 wallet, with or without its
  // tombstones, or the upgraded one; opening it the way the program does
  // (upgrading when still needed) always ends at the upgraded wallet.
  spec.reopen = [this](Wallet& w, std::string* label) {
    const std::string now = ReadFile(path);
    const bool five = now.size() > 72 && now.compare(64, 7, "(5.10) ") == 0;
    if (five) {
      EXPECT_TRUE(now == bytes || now == clean) << "a version-5 file that is neither";
    }
    *label = "pw";
    test::AgreeToAll agree;
    return OpenWith(w, &agree);
  };
  spec.outcome = test::Outcome::New;
  // Reopening upgrades too, so the wallet "before" already shows what the
  // upgrade leaves; that it does upgrade is shown above.
  spec.changes = false;
  test::RunFaultLoopAllModes("upgrade", spec);
}

}  // namespace
}  // namespace tb::storage
