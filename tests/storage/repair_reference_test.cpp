// Repair checked against a plain walk over the file's bytes in memory: for
// each kind of damage, the repaired file must be byte for byte what the
// walk gives, and the repair count the walk's count.
//
// The walk, from the first record at C:
//  - nothing left: done; fewer than 748 bytes left: the file ends at C;
//  - a record at C with payload + body E, next record start N:
//      none: the file ends at C + 748 + E, or, when that is past the end
//            (an append that never finished), at C;
//      N - C = 748 + E: sound, go on at N;
//      N - C > 748 + E: the gap is cut (a repair), go on after the record;
//      otherwise: the header is kept with its extent fields zeroed and what
//            lies between it and N is cut (a repair), go on after it;
//  - no record at C: the bytes up to the next record start are cut (not a
//    repair), or, when there is none, the file ends at C.
// Ending the file is a repair only when it makes the file shorter.
// Afterwards every live record whose parent is not a live folder (the later
// copy of an id counting) moves to the top level as a move would: parent
// zero, change flag 2, modified now.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/layout.h"
#include "storage/tree_order.h"
#include "storage/wallet.h"
#include "support/wallet_fixture.h"

namespace tb::storage {
namespace {

namespace R = layout::record;

using Bytes = std::string;

uint32_t U32At(const Bytes& f, uint64_t p) { return LoadU32(reinterpret_cast<const uint8_t*>(f.data() + p)); }
void PutU32(Bytes& f, uint64_t p, uint32_t v) { StoreU32(reinterpret_cast<uint8_t*>(f.data() + p), v); }

bool LooksLikeRecordAt(const Bytes& f, uint64_t p) {
  if (p + R::kSize > f.size()) return false;
  const char* s = f.data() + p;
  const bool kind = std::memcmp(s, R::kCardSig.data(), 16) == 0 || std::memcmp(s, R::kFolderSig.data(), 16) == 0 ||
                    std::memcmp(s, R::kFormsFolderSig.data(), 16) == 0;
  if (!kind) return false;
  for (size_t k = 0; k < 16; ++k)
    if (s[R::kId + k] != 0) return true;
  return false;
}

std::optional<uint64_t> NextRecordStart(const Bytes& f, uint64_t p) {
  for (uint64_t q = p; q + R::kSize <= f.size(); ++q)
    if (LooksLikeRecordAt(f, q)) return q;
  return std::nullopt;
}

struct Walked {
  Bytes bytes;
  int count = 0;
  int reparented = 0;
};

// The repair's time, fixed by a test clock so that the bytes compare.
const platform::SystemTime kRepairTime{2026, 3, 2, 10, 9, 8, 7, 0};

int ReparentOrphans(Bytes& f) {
  std::map<std::string, bool> isFolder;
  std::vector<uint64_t> live;
  for (uint64_t c = layout::kFirstRecordOffset; c + R::kSize <= f.size();
       c += R::kSize + uint64_t(U32At(f, c + R::kPayloadLength)) + U32At(f, c + R::kBodyLength)) {
    if (U32At(f, c + R::kDeleted) != 0) continue;
    const bool folder = std::memcmp(f.data() + c, R::kFolderSig.data(), 16) == 0 ||
                        std::memcmp(f.data() + c, R::kFormsFolderSig.data(), 16) == 0;
    isFolder[f.substr(c + R::kId, 16)] = folder;
    live.push_back(c);
  }
  int moved = 0;
  for (uint64_t c : live) {
    const std::string parent = f.substr(c + R::kParent, 16);
    if (parent == std::string(16, '\0') || isFolder[parent]) continue;
    std::memset(f.data() + c + R::kParent, 0, 16);
    PutU32(f, c + R::kChangeFlags, U32At(f, c + R::kChangeFlags) | R::kFlagParentChanged);
    kRepairTime.StoreTo(reinterpret_cast<uint8_t*>(f.data() + c + R::kModified));
    ++moved;
  }
  return moved;
}

Walked ReferenceRepair(Bytes f) {
  int count = 0;
  uint64_t c = layout::kFirstRecordOffset;
  std::optional<uint64_t> end;
  auto zeroExtent = [&](uint64_t at) {
    std::memset(f.data() + at + R::kExtentFieldsBegin, 0, R::kExtentFieldsEnd - R::kExtentFieldsBegin);
  };
  for (;;) {
    if (c >= f.size()) break;
    if (f.size() - c < R::kSize) {
      end = c;
      break;
    }
    if (LooksLikeRecordAt(f, c)) {
      const uint64_t e = uint64_t(U32At(f, c + R::kPayloadLength)) + U32At(f, c + R::kBodyLength);
      const std::optional<uint64_t> n = NextRecordStart(f, c + R::kSize);
      if (!n) {
        end = (c + R::kSize + e <= f.size()) ? c + R::kSize + e : c;
        break;
      }
      const uint64_t d = *n - c;
      if (d == R::kSize + e) {
        c = *n;
      } else if (d > R::kSize + e) {
        f.erase(c + R::kSize + e, d - R::kSize - e);
        ++count;
        c += R::kSize + e;
      } else if (d < R::kSize) {
        f.erase(c, d);
        ++count;
      } else {
        zeroExtent(c);
        ++count;
        f.erase(c + R::kSize, d - R::kSize);
        c += R::kSize;
      }
      continue;
    }
    const std::optional<uint64_t> n = NextRecordStart(f, c + 1);
    if (!n) {
      end = c;
      break;
    }
    f.erase(c, *n - c);
  }
  if (end && *end < f.size()) {
    f.resize(*end);
    ++count;
  }
  const int moved = ReparentOrphans(f);
  return {std::move(f), count, moved};
}

// A small wallet with a folder carrying its own icon picture (a payload),
// cards with fields, one with an attachment, and a card last in the file.
class RepairReference : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.Ok());
    Wallet& wallet = w.wallet();
    RecordHeader banking = NewFolderRecord(RecordId{}, false, &wallet.DataKey());
    banking.SetName(u"Banking");
    const uint8_t picture[37] = {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9};
    banking.SetIconPicture(picture, sizeof picture);
    ASSERT_GE(wallet.AppendRecord(banking), 0);
    const int mail = w.AddFolder(u"Mail");
    ASSERT_GE(mail, 0);
    const RecordId bankingId = banking.Id(), mailId = w.IdAt(mail);
    for (int k = 0; k < 7; ++k) {
      Card card = w.MakeCard(k % 2 ? mailId : bankingId, u"Card " + std::u16string(1, char16_t(u'A' + k)),
                             {{u"User name", u"someone" + std::u16string(size_t(k), u'x')},
                              {u"Password", u"pa55-word", 7},
                              {u"Web address", u"https://example.com/", 3}});
      if (k == 3) {
        Attachment a;
        a.bytes.assign(600, 0x42);
        a.fileName = ToText(u"statement.pdf");
        card.AddAttachment(std::move(a));
      }
      ASSERT_GE(w.wallet().AppendCard(card), 0);
    }
    w.wallet().Close();
    pristine = ReadAll(w.path());
    // The record starts, walked by their stated extents.
    for (uint64_t c = layout::kFirstRecordOffset; c < pristine.size();) {
      starts.push_back(c);
      c += R::kSize + uint64_t(U32At(pristine, c + R::kPayloadLength)) + U32At(pristine, c + R::kBodyLength);
    }
    ASSERT_EQ(starts.size(), 10u);  // forms folder, two folders, seven cards
  }

  static Bytes ReadAll(const std::string& path) {
    Bytes out;
    EXPECT_TRUE(platform::ReadWholeFile(path, &out, 1 << 24));
    return out;
  }
  void WriteAll(const Bytes& bytes) {
    platform::File file;
    platform::RemoveFile(w.path());
    ASSERT_EQ(file.Open(w.path(), platform::OpenMode::CreateNew), platform::OpenResult::Ok);
    ASSERT_TRUE(file.WriteAt(0, bytes.data(), bytes.size()));
  }
  uint64_t BodyOf(size_t record) const {
    return starts[record] + R::kSize + U32At(pristine, starts[record] + R::kPayloadLength);
  }

  test::TestWallet w;
  Bytes pristine;
  std::vector<uint64_t> starts;
};

void Scribble(Bytes& f, uint64_t at, size_t n) {
  for (size_t k = 0; k < n; ++k) f[at + k] = char(0x5A ^ k);
}

TEST_F(RepairReference, RepairGivesTheBytesAndCountOfThePlainWalk) {
  // The record with the attachment is number 6 (forms, Banking, Mail, then
  // the cards A, B, C, D...); the last record is the card G.
  const size_t last = 9;
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
  };
  const std::vector<Case> cases = {
      {"kind signature of a middle record scribbled", [&](Bytes& f) { Scribble(f, starts[4] + 4, 4); }},
      {"kind signature of the first record scribbled", [&](Bytes& f) { Scribble(f, starts[0], 3); }},
      {"a whole header zeroed", [&](Bytes& f) { std::memset(f.data() + starts[5], 0, R::kSize); }},
      {"body length runs into the next record",
       [&](Bytes& f) { PutU32(f, starts[4] + R::kBodyLength, U32At(f, starts[4] + R::kBodyLength) + 100); }},
      {"payload length runs into the next record",
       [&](Bytes& f) { PutU32(f, starts[1] + R::kPayloadLength, U32At(f, starts[1] + R::kPayloadLength) + 8); }},
      {"body length too short leaves a gap",
       [&](Bytes& f) { PutU32(f, starts[6] + R::kBodyLength, U32At(f, starts[6] + R::kBodyLength) - 40); }},
      {"garbage between two records", [&](Bytes& f) { f.insert(starts[5], Bytes(300, '\x5A')); }},
      {"file cut inside the last record's body", [&](Bytes& f) { f.resize(starts[last] + R::kSize + 10); }},
      {"file cut right after the last header", [&](Bytes& f) { f.resize(starts[last] + R::kSize); }},
      {"file cut inside the last header", [&](Bytes& f) { f.resize(starts[last] + 300); }},
      {"garbage after the last record", [&](Bytes& f) { f.append(Bytes(200, '\x11')); }},
      {"a long run of garbage after the last record", [&](Bytes& f) { f.append(Bytes(2000, '\x11')); }},
      {"no whole record after the blocks", [&](Bytes& f) { f.resize(starts[0] + 100); }},
      {"a zeroed id and a later scribbled signature",
       [&](Bytes& f) {
         std::memset(f.data() + starts[2] + R::kId, 0, 16);
         Scribble(f, starts[7] + 1, 2);
       }},
      {"a record look-alike inside a body, and damage after it",
       [&](Bytes& f) {
         const uint64_t inside = BodyOf(6) + 200;
         std::memcpy(f.data() + inside, R::kFolderSig.data(), 16);
         Scribble(f, inside + R::kId, 16);
         Scribble(f, starts[8] + 8, 4);
       }},
      {"several damages at once",
       [&](Bytes& f) {
         Scribble(f, starts[3], 16);
         PutU32(f, starts[5] + R::kBodyLength, U32At(f, starts[5] + R::kBodyLength) + 33);
         f.insert(starts[8], Bytes(57, '\x00'));
         f.append(Bytes(10, '\x7F'));
       }},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes damaged = pristine;
    c.damage(damaged);
    ASSERT_NE(damaged, pristine);
    WriteAll(damaged);
    const Walked expected = ReferenceRepair(damaged);

    test::ScriptedPrompter prompter;
    prompter.Queue(Answer::Yes);
    prompter.Queue(Answer::Ok);
    Wallet wallet;
    wallet.SetTextSource(&w.texts());
    {
      platform::TestClock clock(kRepairTime);
      wallet.Open(w.path(), w.password(), false, &prompter);
    }
    wallet.Close();
    // Both questions, then the closing notice with the count.
    ASSERT_EQ(prompter.messages.size(), 3u) << "the damage was not found";
    const std::u16string& done = prompter.messages[2].text;
    int count = 0;
    for (size_t k = 0; k < done.size() && done[k] >= u'0' && done[k] <= u'9'; ++k)
      count = count * 10 + (done[k] - u'0');

    const Bytes repaired = ReadAll(w.path());
    EXPECT_EQ(repaired.size(), expected.bytes.size());
    EXPECT_TRUE(repaired == expected.bytes) << "the repaired bytes differ from the walk's";
    EXPECT_EQ(count, expected.count);
    const std::string number = std::to_string(expected.reparented);
    const std::u16string moved = u"\n\n" + std::u16string(number.begin(), number.end()) + u" moved to the top level.";
    EXPECT_EQ(done.size() >= moved.size() && done.compare(done.size() - moved.size(), moved.size(), moved) == 0,
              expected.reparented > 0)
        << expected.reparented;
  }
}

// The walk's own promises, so that a fault shared by both cannot hide: a
// sound record is kept whole, the file never grows, and what the repair
// leaves opens without damage.
TEST_F(RepairReference, WalkKeepsSoundRecordsAndNeverLengthens) {
  Bytes damaged = pristine;
  Scribble(damaged, starts[4] + 4, 4);
  damaged.resize(starts[9] + R::kSize + 10);
  const Walked walked = ReferenceRepair(damaged);
  EXPECT_LE(walked.bytes.size(), damaged.size());
  // Records 0..3 and 5..8 are untouched and in order; the damaged one is
  // cut as the gap after record 3 (one repair); the last one, cut off in
  // its body like an append that never finished, goes (one more).
  const Bytes expected = pristine.substr(0, starts[4]) + pristine.substr(starts[5], starts[9] - starts[5]);
  EXPECT_TRUE(walked.bytes == expected);
  EXPECT_EQ(walked.count, 2);

  WriteAll(damaged);
  test::ScriptedPrompter prompter;
  prompter.Queue(Answer::Yes);
  prompter.Queue(Answer::Ok);
  Wallet wallet;
  wallet.SetTextSource(&w.texts());
  EXPECT_EQ(wallet.Open(w.path(), w.password(), false, &prompter), OpenStatus::Ok);
  EXPECT_EQ(wallet.Count(), 8);  // every record but the scribbled card and the cut-off one
}

// What a user sees after a repair: the cards of a folder the repair
// removed, at the top level, and a card whose body the repair dropped, as
// an empty card under its name.
TEST_F(RepairReference, RepairedWalletShowsEveryCard) {
  Bytes damaged = pristine;
  std::memset(damaged.data() + starts[2] + R::kId, 0, 16);  // the folder Mail: no record any more
  PutU32(damaged, starts[4] + R::kBodyLength, U32At(damaged, starts[4] + R::kBodyLength) + 100);  // card B
  WriteAll(damaged);
  test::ScriptedPrompter prompter;
  prompter.Queue(Answer::Yes);
  prompter.Queue(Answer::Ok);
  Wallet wallet;
  wallet.SetTextSource(&w.texts());
  ASSERT_EQ(wallet.Open(w.path(), w.password(), false, &prompter), OpenStatus::Ok);
  EXPECT_EQ(prompter.messages.back().text.substr(prompter.messages.back().text.size() - 25),
            u"3 moved to the top level.");
  std::set<std::u16string> top;
  for (const TreeNode& node : BuildTree(wallet)) top.insert(std::u16string(node.name));
  EXPECT_EQ(top, (std::set<std::u16string>{u"Banking", u"My Forms", u"Card B", u"Card D", u"Card F"}));
  for (int i = 0; i < wallet.Count(); ++i) {
    const RecordHeader* h = wallet.At(i);
    if (!h->IsCard()) continue;
    Card card;
    ASSERT_TRUE(wallet.LoadCard(h->Id(), &card)) << "every card the tree lists can be opened";
    EXPECT_EQ(card.record.Name(), h->Name());
    if (h->Name() == u"Card B") {
      EXPECT_TRUE(card.fields.empty());
      EXPECT_EQ(card.attributes, wallet.Options().DefaultAttributes());
    }
  }
}

}  // namespace
}  // namespace tb::storage
