// Opening a version-5 wallet: the question, the purge of tombstones, the
// conversion of every record to the password's key, and the files that
// are left alone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "storage/card_codec.h"
#include "storage/cipher/keys.h"
#include "storage/wallet_testing.h"
#include "upgrade/upgrade_fixture.h"

namespace tb::storage {
namespace {

using test::FiveWallet;
using test::kFivePassword;
using test::ReadFile;
using test::WriteFile;

class Upgrade : public FiveWallet {};

const RecordHeader* Named(Wallet& w, std::u16string_view name) {
  for (int i = 0; i < w.Count(); ++i)
    if (w.At(i)->Name() == name) return w.At(i);
  return nullptr;
}

TEST_F(Upgrade, AcceptedUpgradeConvertsEveryRecord) {
  const test::WalletState expected = Expected();
  ASSERT_EQ(expected.size(), 10u);  // header, options and the eight live records
  platform::TestClock clock(test::kUpgradedAt);
  test::ScriptedPrompter prompter;
  prompter.Queue(Answer::Ok);
  Wallet w;
  ASSERT_EQ(OpenWith(w, &prompter), OpenStatus::Ok);

  ASSERT_EQ(prompter.messages.size(), 2u);
  const Message& q = prompter.messages[0];
  EXPECT_EQ(q.text, u"Tamberlock Pro would like to upgrade the wallet file format.\r\nContinue?");
  EXPECT_EQ(q.caption, u"Tamberlock Pro 6");
  EXPECT_EQ(q.buttons, Buttons::OkCancel);
  EXPECT_EQ(q.icon, MessageIcon::Question);
  const Message& done = prompter.messages[1];
  EXPECT_EQ(done.text.rfind(u"Your wallet file format has been updated.\n\nIf you are also using", 0), 0u);
  EXPECT_EQ(done.caption, u"Tamberlock Pro");
  EXPECT_EQ(done.icon, MessageIcon::Information);

  // The current blocks: version text and tag, the verifier of the
  // password's key, and no trace of the old key at offset 56.
  const std::string file = ReadFile(path);
  EXPECT_EQ(file.substr(64, 12), std::string("(6.50) \0WM\0\0", 12));
  EXPECT_EQ(w.Header().Verifier(), MakeVerifier(w.DataKey()));
  EXPECT_NE(file.substr(76 + 56, 16), legacyKeyStored);
  EXPECT_FALSE(w.IsReadOnly());
  EXPECT_EQ(*w.GetHint(), u"an old hint");

  EXPECT_EQ(test::CaptureWallet(w, "pw"), expected) << test::DescribeDifference(test::CaptureWallet(w, "pw"), expected);
  int records = 0;
  w.WalkRecords([&](const RecordHeader& h, const Wallet::BodyReader&) {
    ++records;
    EXPECT_FALSE(h.IsDeleted());
    EXPECT_TRUE(h.ChangeFlags() & layout::record::kFlagNameChanged) << "flags of " << records;
    EXPECT_EQ(h.Modified(), test::kUpgradedAt) << "record " << records;
    return true;
  });
  EXPECT_EQ(records, 8);

  const UpgradeCounts& counts = w.LastUpgradeCounts();
  EXPECT_EQ(counts.cards, 5);
  EXPECT_EQ(counts.folders, 2);
  EXPECT_EQ(counts.formsFolders, 1);
  EXPECT_EQ(counts.fields, 17);
  EXPECT_EQ(counts.pictures, 1);
  EXPECT_EQ(counts.sounds, 1);
  EXPECT_EQ(counts.attachments, 2);
  EXPECT_EQ(counts.largestAttachment, test::kBigAttachment);
  // Picture and small attachment in one chunk each, the big one in three.
  EXPECT_EQ(counts.streamedChunks, 5);

  Card every;
  ASSERT_TRUE(w.LoadCard(Named(w, u"Every kind")->Id(), &every));
  ASSERT_TRUE(every.attachments[0]);
  const SecureBytes& big = every.attachments[0]->bytes;
  ASSERT_EQ(big.size(), test::kBigAttachment);
  for (size_t i = 0; i < big.size(); ++i) ASSERT_EQ(big[i], test::PatternByte(i)) << "byte " << i;
  EXPECT_EQ(every.fields[7].dateTime, (platform::SystemTime{2008, 12, 3, 24, 18, 5, 9, 0}));
  const std::vector<uint8_t> icon = Named(w, u"Own icon")->IconPicture();
  ASSERT_EQ(icon.size(), 37u);
  EXPECT_EQ(icon[0], 0x42);
  EXPECT_EQ(icon[6], 5);

  // From now on it is an ordinary wallet: no question, nothing to do.
  w.Close();
  test::ScriptedPrompter quiet;
  ASSERT_EQ(OpenWith(w, &quiet), OpenStatus::Ok);
  EXPECT_TRUE(quiet.messages.empty());
  EXPECT_FALSE(platform::FileExists(path + ".upgrade"));
}

TEST_F(Upgrade, NothingIsWrittenWithoutTheQuestion) {
  struct Case {
    const char* what;
    bool prompter;
    bool readOnly;
    std::u16string password;
    std::function<void(std::string&)> change;
    OpenStatus expected;
  } cases[] = {
      {"no prompter", false, false, kFivePassword, nullptr, OpenStatus::NeedsUpgrade},
      {"read-only", true, true, kFivePassword, nullptr, OpenStatus::NeedsUpgrade},
      {"wrong password", true, false, u"Old-secret", nullptr, OpenStatus::WrongPassword},
      // The verifier of the password's key in a file whose records are
      // under the old one: converting them would make noise of them.
      {"current verifier", true, false, kFivePassword,
       [](std::string& b) {
         WalletHeader h;
         std::memcpy(h.raw.data(), b.data() + 76, h.raw.size());
         h.DeriveHeaderKey();
         KeyContext key;
         key.SetKey(DeriveDataKey(h.headerKey, kFivePassword));
         const Key128 v = MakeVerifier(key);
         std::memcpy(b.data() + 76 + 40, v.data(), 16);
       },
       OpenStatus::BadHeader},
  };
  for (const Case& c : cases) {
    std::string start = bytes;
    if (c.change) c.change(start);
    WriteFile(path, start);
    test::ScriptedPrompter prompter;
    prompter.Queue(Answer::Ok);
    Wallet w;
    EXPECT_EQ(OpenWith(w, c.prompter ? &prompter : nullptr, c.readOnly, c.password), c.expected) << c.what;
    EXPECT_FALSE(w.IsOpen()) << c.what;
    EXPECT_TRUE(prompter.messages.empty()) << c.what;
    EXPECT_EQ(ReadFile(path), start) << c.what << ": the file must stay as it was";
  }
}

TEST_F(Upgrade, CancelLeavesTheVersionFiveFileWithoutTombstones) {
  test::ScriptedPrompter prompter;
  prompter.Queue(Answer::Cancel);
  Wallet w;
  EXPECT_EQ(OpenWith(w, &prompter), OpenStatus::UpgradeDeclined);
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(ReadFile(path), clean);
  // Still upgradeable: the question comes again.
  prompter.Queue(Answer::Ok);
  EXPECT_EQ(OpenWith(w, &prompter), OpenStatus::Ok);
  EXPECT_EQ(prompter.messages.size(), 3u);
}

TEST_F(Upgrade, WithoutVerifierOpensUnderTheOldKeyForReadingOnly) {
  WriteFile(path, noVerifier);
  test::ScriptedPrompter prompter;
  Wallet w;
  ASSERT_EQ(OpenWith(w, &prompter, false, u"anything"), OpenStatus::Ok);
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_TRUE(w.IsReadOnly());
  EXPECT_NE(Named(w, u"Banking"), nullptr);
  Card card;
  ASSERT_TRUE(w.LoadCard(Named(w, u"Own icon")->Id(), &card));
  EXPECT_EQ(card.fields.at(0).value, u"0815");
  // Writing its header would drop the key its records are under.
  w.SetHint(u"changed");
  EXPECT_EQ(w.SaveHeaders(), SaveStatus::ReadOnly);
  EXPECT_EQ(w.AppendRecord(NewFolderRecord({}, false, &w.DataKey())), -1);
  w.Close();
  EXPECT_EQ(ReadFile(path), noVerifier);
}

// Bodies this program never writes: one too short for its attributes stops
// the upgrade with the file as it was; an item whose stated lengths do not
// fit is carried over as it is, and the rest of the card converts.
TEST_F(Upgrade, HostileBodies) {
  struct Case {
    const char* what;
    std::vector<uint8_t> body;
    OpenStatus expected;
    UpgradeStatus conversion;
  } cases[] = {
      {"ten-byte body", std::vector<uint8_t>(10, 1), OpenStatus::UpgradeFailed, UpgradeStatus::BodyTooShort},
      {"label longer than its field", {}, OpenStatus::Ok, UpgradeStatus::Done},
  };
  {
    // Attributes, a field whose label claims 4000 bytes, then a good field.
    Card good;
    Field f;
    f.SetLabel(u"Good");
    f.SetValue(u"kept");
    good.AddField(f);
    KeyContext none;
    std::vector<uint8_t>& body = cases[1].body;
    std::vector<uint8_t> encoded;
    EncodeCardBody(good, none, &encoded);
    body.assign(encoded.begin(), encoded.begin() + 64);
    std::vector<uint8_t> bad(12 + 72 + 8, 0);
    StoreU32(bad.data() + 4, 1);
    StoreU32(bad.data() + 8, 72 + 8);
    StoreU32(bad.data() + 12 + layout::field::kLabelLength, 4000);
    body.insert(body.end(), bad.begin(), bad.end());
  }
  for (Case& c : cases) {
    test::FiveWalletWriter w(kFivePassword);
    const RecordId folder = w.AddFolder(u"Folder");
    Card good = w.NewCard(folder, u"Good card");
    Field f;
    f.SetLabel(u"Good");
    f.SetValue(u"kept");
    good.AddField(f);
    w.AddCard(good);
    RecordHeader odd = NewCardRecord(folder, &w.Key());
    odd.SetName(u"Odd card");
    w.AddRecord(odd, c.body);
    const std::string start = w.Bytes();
    WriteFile(path, start);
    test::ScriptedPrompter prompter;
    prompter.Queue(Answer::Ok);
    Wallet wallet;
    EXPECT_EQ(OpenWith(wallet, &prompter), c.expected) << c.what;
    EXPECT_EQ(wallet.LastUpgradeStatus(), c.conversion) << c.what;
    if (c.expected != OpenStatus::Ok) {
      EXPECT_EQ(ReadFile(path), start) << c.what;
      EXPECT_EQ(prompter.messages.back().icon, MessageIcon::Stop) << c.what;
      continue;
    }
    Card card;
    ASSERT_TRUE(wallet.LoadCard(Named(wallet, u"Good card")->Id(), &card)) << c.what;
    EXPECT_EQ(card.fields.at(0).value, u"kept") << c.what;
    EXPECT_NE(Named(wallet, u"Odd card"), nullptr) << c.what;
  }
}

TEST_F(Upgrade, ProgressComesOnTheOpeningThreadAtMostEvery50Milliseconds) {
  // A conversion that takes a while: the worker is held up a little at
  // every record.
  test::FiveWalletWriter w(kFivePassword);
  const RecordId folder = w.AddFolder(u"Folder");
  for (int i = 0; i < 60; ++i) w.AddCard(w.NewCard(folder, u"Card"));
  WriteFile(path, w.Bytes());
  ScopedUpgradeInterruption slowly([](int) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
  });
  using Clock = std::chrono::steady_clock;
  std::vector<std::pair<Clock::time_point, double>> reports;
  const auto opener = std::this_thread::get_id();
  bool otherThread = false;
  Wallet wallet;
  wallet.SetUpgradeProgress([&](double f) {
    otherThread |= std::this_thread::get_id() != opener;
    reports.emplace_back(Clock::now(), f);
  });
  test::ScriptedPrompter prompter;
  prompter.Queue(Answer::Ok);
  const OpenStatus status = OpenWith(wallet, &prompter);
  ASSERT_EQ(status, OpenStatus::Ok);
  EXPECT_FALSE(otherThread);
  ASSERT_GE(reports.size(), 3u);
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_GT(reports[i].second, 0.0);
    EXPECT_LE(reports[i].second, 1.0);
    if (i == 0) continue;
    EXPECT_GT(reports[i].second, reports[i - 1].second);
    EXPECT_GE(reports[i].first - reports[i - 1].first, std::chrono::milliseconds(49));
  }
}

}  // namespace
}  // namespace tb::storage
