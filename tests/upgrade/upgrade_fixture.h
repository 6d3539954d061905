#pragma once
// A version-5 wallet with something of every kind in it: folders, the
// forms folder, cards with fields of every kind, items, a picture, a
// sound, a 300000-byte attachment, an own icon, an empty name, a card
// without contents, and card and folder tombstones among them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/core/file.h"
#include "platform/core/system.h"
#include "storage/wallet.h"
#include "support/fault_loop.h"
#include "support/temp_dir.h"
#include "support/wallet_fixture.h"
#include "upgrade/five_wallet_writer.h"

namespace tb::test {

inline constexpr char16_t kFivePassword[] = u"old-secret";
inline constexpr size_t kBigAttachment = 300000;
inline const platform::SystemTime kMadeAt{2009, 3, 2, 10, 8, 30, 0, 0};
inline const platform::SystemTime kUpgradedAt{2026, 5, 4, 12, 16, 45, 10, 500};

inline uint8_t PatternByte(size_t i) { return uint8_t(i * 7 + 3 + (i >> 9)); }

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class FiveWallet : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("Old.tb5");
    platform::TestClock clock(kMadeAt);
    FiveWalletWriter w(kFivePassword);
    const storage::RecordId personal = w.AddFolder(u"Personal");
    w.AddTombstone(true, u"Deleted card");
    const storage::RecordId banking = w.AddFolder(u"Banking", personal, 40);
    const storage::RecordId forms = w.AddFolder(u"My Forms", {}, 55, true);

    storage::Card every = w.NewCard(personal, u"Every kind");
    for (uint16_t kind = 1; kind <= 15; ++kind) {
      storage::Field f;
      f.kind = kind;
      f.SetLabel(u"Kind " + std::u16string(1, char16_t(u'A' + kind)));
      if (kind >= 8 && kind <= 10) f.SetDateTime({2008, 12, 3, 24, 18, 5, 9, 0});
      else if (kind == 11 || kind == 12)
        for (auto item : {u"one", u"two", u"three"}) f.AddItem(item);
      else f.SetValue(u"value of kind " + std::u16string(1, char16_t(u'A' + kind)));
      every.AddField(f);
    }
    storage::SecureBytes picture(1001), sound(503), big(kBigAttachment);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = PatternByte(i + 11);
    for (size_t i = 0; i < sound.size(); ++i) sound[i] = PatternByte(i + 5);
    for (size_t i = 0; i < big.size(); ++i) big[i] = PatternByte(i);
    every.SetPicture(picture, u"face.jpg", 3);
    every.SetSound(sound, u"ring.wav", true);
    storage::Attachment a;
    a.bytes = big;
    a.fileName = u"big.bin";
    every.AddAttachment(a);
    storage::Attachment small;
    small.bytes = storage::SecureBytes(10, 0x5A);
    small.fileName = u"small.txt";
    every.AddAttachment(small);
    w.AddCard(every);

    storage::Card icon = w.NewCard(banking, u"Own icon");
    const uint8_t iconBytes[37] = {0x42, 0x4D, 1, 2, 3, 4, 5};
    icon.record.SetIconPicture(iconBytes, sizeof iconBytes);
    storage::Field pin;
    pin.kind = 7;
    pin.SetLabel(u"PIN");
    pin.SetValue(u"0815");
    icon.AddField(pin);
    w.AddCard(icon);

    w.AddCard(w.NewCard(banking, u"Nothing inside"));
    w.AddCard(w.NewCard(personal, u""));
    storage::Card form = w.NewCard(forms, u"My form");
    storage::Field label;
    label.SetLabel(u"Account number");
    form.AddField(label);
    w.AddCard(form);
    w.AddTombstone(false, u"Deleted folder");

    bytes = w.Bytes();
    clean = w.Bytes(false);
    noVerifier = w.Bytes(false, false);
    legacyKeyStored = std::string(reinterpret_cast<const char*>(w.Header().raw.data()) + 56, 16);
    WriteFile(path, bytes);
  }

  // What a user sees of the wallet, read from the same file without a
  // verifier (which opens under the old key without an upgrade).
  WalletState Expected() {
    const std::string copy = dir.File("Copy.tb5");
    WriteFile(copy, noVerifier);
    storage::Wallet w;
    w.SetTextSource(&texts);
    EXPECT_EQ(w.Open(copy, kFivePassword, true, nullptr), storage::OpenStatus::Ok);
    return CaptureWallet(w, "pw");
  }

  storage::OpenStatus OpenWith(storage::Wallet& w, storage::Prompter* prompter, bool readOnly = false,
                               std::u16string_view password = kFivePassword) {
    w.SetTextSource(&texts);
    return w.Open(path, password, readOnly, prompter);
  }

  FixedTexts texts;
  TempDir dir;
  std::string path;
  std::string bytes;       // the version-5 file as written
  std::string clean;       // the same without its tombstones
  std::string noVerifier;  // the same without tombstones and without a password
  std::string legacyKeyStored;
};

}  // namespace tb::test
