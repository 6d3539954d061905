#pragma once
// A wallet file in a temporary folder, with fixed texts and scripted
// answers, for the tests of the wallet engine.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "storage/wallet.h"
#include "support/temp_dir.h"

namespace tb::storage {

class Texts : public TextSource {
 public:
  std::u16string_view Text(uint32_t n) const override {
    switch (n) {
      case 20200: return u"Favorites";
      case 20201: return u"Find Results";
      case 20202: return u"Recent";
      case 20203: return u"My Forms";
      case 20509: return u"New Card";
      case 20510: return u"Personal";
      case 22164: return u"Repair %s?";
      case 22165: return u"Really?";
      case 22166: return u"%d repairs in %s";
      case 23043: return u"%d moved to the top";
      default: return u"?";
    }
  }
};

class Answers : public Prompter {
 public:
  std::deque<Answer> queue;
  std::vector<Message> seen;
  Answer Show(const Message& m) override {
    seen.push_back(m);
    if (queue.empty()) return Answer::Ok;
    const Answer a = queue.front();
    queue.pop_front();
    return a;
  }
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class WalletFile : public ::testing::Test {
 protected:
  void SetUp() override {
    wallet.SetTextSource(&texts);
    path = dir.File("Mine.tb5");
  }

  void CreateAndOpen(bool starter = true) {
    ASSERT_EQ(wallet.Create(path, u"secret", u"a hint", starter), CreateStatus::Ok);
    ASSERT_EQ(wallet.Open(path, u"secret", false, &answers), OpenStatus::Ok);
  }

  int AddCard(std::u16string_view name, int folder, std::u16string_view value = u"v") {
    Card card = wallet.NewEmptyCard(wallet.At(folder)->Id());
    card.record.SetName(name);
    Field f;
    f.SetLabel(u"Label");
    f.SetValue(value);
    card.AddField(f);
    return wallet.AppendCard(card);
  }

  int AddFolder(std::u16string_view name, const RecordId& parent = {}) {
    RecordHeader folder = NewFolderRecord(parent, false, &wallet.DataKey());
    folder.SetName(name);
    folder.SetIconRaw(kNewFolderIcon);
    return wallet.AppendRecord(folder);
  }

  Texts texts;
  Answers answers;
  test::TempDir dir;
  std::string path;
  Wallet wallet;
};

}  // namespace tb::storage
