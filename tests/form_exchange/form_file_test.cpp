// Form exchange files: what is written where, a card surviving the trip
// from one wallet to another, and files from outside that must be refused.
#include <gtest/gtest.h>

#include <cstring>

#include "form_fixture.h"
#include "interchange/form_exchange.h"
#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/layout.h"
#include "support/fault_loop.h"

namespace tb::test {
namespace {

using interchange::FormFileKey;
using interchange::FormReadStatus;
using interchange::FormWriteStatus;
namespace R = storage::layout::record;
constexpr size_t kRecord = interchange::form_layout::kHeaderSize;  // where the card's header starts

class FormFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(source.Ok());
    ASSERT_TRUE(target.Ok());
    folder = source.IdAt(source.AddFolder(u"Bank"));
    card = EveryKindCard(source, folder);
    ASSERT_GE(source.wallet().AppendCard(card), 0);
    // The card as the wallet gives it back, as an exporter loads it.
    ASSERT_TRUE(source.wallet().LoadCard(card.record.Id(), &card));
  }
  std::string Written(bool includeData) {
    const std::string path = dir.File(includeData ? "with.tbx" : "without.tbx");
    EXPECT_EQ(WriteForm(card, path, includeData), FormWriteStatus::Ok);
    return path;
  }

  platform::TestClock clock{{2026, 5, 0, 17, 10, 20, 30, 0}};
  TestWallet source{u"first-pass"};
  TestWallet target{u"other-pass"};
  TempDir dir;
  storage::RecordId folder;
  storage::Card card;
};

TEST_F(FormFileTest, CardCrossesToAnotherWalletWithEverything) {
  const std::string before = Summary(card);
  storage::Card read;
  interchange::FormFileHeader header;
  ASSERT_EQ(ReadForm(Written(true), target.wallet().DataKey(), &read, &header), FormReadStatus::Ok);
  EXPECT_EQ(Summary(read), before);
  EXPECT_EQ(Summary(card), before) << "the exported card itself was changed";
  EXPECT_EQ(read.record.Key(), &target.wallet().DataKey());
  EXPECT_EQ(header.version, 1u);
  EXPECT_EQ(header.author, u"Ann Author");
  EXPECT_EQ(header.description, u"A form of everything");
  EXPECT_EQ(header.exportTime, clock.Now());
}

TEST_F(FormFileTest, WithoutDataKeepsLabelsKindsItemsPictureAndSoundOnly) {
  storage::Card read;
  ASSERT_EQ(ReadForm(Written(false), target.wallet().DataKey(), &read), FormReadStatus::Ok);
  // No attachment goes out with a form meant to be shared; the picture and
  // the sound, part of its look, do.
  storage::Card withoutAttachments = card;
  for (auto& a : withoutAttachments.attachments) a.reset();
  EXPECT_EQ(Summary(read, false), Summary(withoutAttachments, false));
  ASSERT_TRUE(card.attachments[0].has_value());
  EXPECT_TRUE(read.picture.has_value());
  EXPECT_TRUE(read.sound.has_value());
  ASSERT_EQ(read.fields.size(), 16u);
  for (const storage::Field& f : read.fields) {
    EXPECT_TRUE(f.value.empty()) << "kind " << f.kind;
    EXPECT_TRUE(f.dateTime.IsZero()) << "kind " << f.kind;
  }
  EXPECT_EQ(read.fields[11].items.size(), 2u);  // the selection keeps its choices
  EXPECT_EQ(read.fields[10].items.size(), 2u);  // the yes/no field its two words
}

TEST_F(FormFileTest, HeaderAndCardSitWhereOtherCopiesLookForThem) {
  const std::string bytes = ReadBytes(Written(true));
  const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
  ASSERT_GT(bytes.size(), kRecord + R::kSize);
  EXPECT_EQ(bytes.substr(0, 36), std::string("Quillimarsten\xAE Tamberlock\xAE Pro Form", 35) + '\0');
  EXPECT_TRUE(storage::AllZero(b + 36, 28));
  EXPECT_EQ(storage::LoadU32(b + 64), 1u);
  EXPECT_EQ(storage::LoadU16(b + 68), u'A');
  EXPECT_EQ(storage::LoadU16(b + 68 + 2 * 20), 0u);  // "A form of everything" is 20 units
  EXPECT_EQ(storage::LoadU16(b + 324), u'A');
  EXPECT_EQ(platform::SystemTime::LoadFrom(b + 452), clock.Now());
  // The card's own header: a card with no id, no parent and no default form.
  EXPECT_EQ(std::memcmp(b + kRecord, R::kCardSig.data(), 16), 0);
  EXPECT_TRUE(storage::AllZero(b + kRecord + R::kId, 32));
  EXPECT_TRUE(storage::AllZero(b + kRecord + R::kDefaultForm, 16));
  EXPECT_EQ(storage::LoadI32(b + kRecord + R::kIcon), -1);
  const uint32_t payload = storage::LoadU32(b + kRecord + R::kPayloadLength);
  EXPECT_EQ(payload, 8u);  // 7 icon bytes and one of padding
  EXPECT_EQ(bytes.size(), kRecord + R::kSize + payload + storage::LoadU32(b + kRecord + R::kBodyLength));
}

TEST_F(FormFileTest, NameIsEncipheredAgainUnderTheFormFileKey) {
  // The fixed key: MD5 of the first eight UTF-16LE units of the form word.
  const storage::Key128 expected = {0xa7, 0x86, 0x23, 0x0c, 0x1c, 0xef, 0x1d, 0xe5,
                                    0x9f, 0x40, 0xac, 0xce, 0xbe, 0xc9, 0x89, 0x38};
  EXPECT_EQ(FormFileKey().Key(), expected);

  uint8_t clear[R::kNameSize] = {};
  for (size_t i = 0; i < 10; ++i) storage::StoreU16(clear + 2 * i, u"Everything"[i]);
  uint8_t underFormKey[R::kNameSize];
  FormFileKey().Apply(clear, sizeof clear, underFormKey);
  const std::string bytes = ReadBytes(Written(false));
  EXPECT_EQ(std::memcmp(bytes.data() + kRecord + R::kName, underFormKey, R::kNameSize), 0);
  EXPECT_NE(std::memcmp(card.record.Bytes().data() + R::kName, underFormKey, R::kNameSize), 0);

  // Read back, the buffer is under the reading wallet's key.
  storage::Card read;
  ASSERT_EQ(ReadForm(dir.File("without.tbx"), target.wallet().DataKey(), &read), FormReadStatus::Ok);
  uint8_t underTarget[R::kNameSize];
  target.wallet().DataKey().Apply(clear, sizeof clear, underTarget);
  EXPECT_EQ(std::memcmp(read.record.Bytes().data() + R::kName, underTarget, R::kNameSize), 0);
}

TEST_F(FormFileTest, WriterRefusesNoCardAndNoFile) {
  platform::File closed;
  EXPECT_EQ(interchange::WriteFormFile(nullptr, &closed, true, u"", u""), FormWriteStatus::NoCardOrFile);
  EXPECT_EQ(interchange::WriteFormFile(&card, &closed, true, u"", u""), FormWriteStatus::NoCardOrFile);
  EXPECT_EQ(interchange::WriteFormFile(&card, nullptr, true, u"", u""), FormWriteStatus::NoCardOrFile);
}

TEST_F(FormFileTest, LongTextsAreCutToTheirBuffers) {
  const std::u16string longText(300, u'x');
  ASSERT_EQ(WriteForm(card, dir.File("long.tbx"), false, longText, longText), FormWriteStatus::Ok);
  interchange::FormFileHeader header;
  storage::Card read;
  ASSERT_EQ(ReadForm(dir.File("long.tbx"), target.wallet().DataKey(), &read, &header), FormReadStatus::Ok);
  EXPECT_EQ(header.description.size(), 127u);
  EXPECT_EQ(header.author.size(), 63u);

  // Another writer's texts that fill their buffers without a NUL end at
  // the buffer, cut to the units they may hold.
  std::string bytes = ReadBytes(dir.File("long.tbx"));
  for (size_t i = 68; i < 68 + 256 + 128; i += 2) {
    bytes[i] = 'y';
    bytes[i + 1] = 0;
  }
  WriteBytes(dir.File("unterminated.tbx"), bytes);
  ASSERT_EQ(ReadForm(dir.File("unterminated.tbx"), target.wallet().DataKey(), &read, &header), FormReadStatus::Ok);
  EXPECT_EQ(header.description, std::u16string(127, u'y'));
  EXPECT_EQ(header.author, std::u16string(63, u'y'));
}

// Files from outside: each damage gets its own status, nothing is loaded,
// and an import of any of them leaves the wallet's bytes as they were.
TEST_F(FormFileTest, DamagedFilesAreRefusedAndTheWalletStaysAsItWas) {
  const std::string good = ReadBytes(Written(false));
  const uint32_t payload =
      storage::LoadU32(reinterpret_cast<const uint8_t*>(good.data()) + kRecord + R::kPayloadLength);
  const size_t body = kRecord + R::kSize + payload;
  const auto put32 = [](std::string s, size_t at, uint32_t v) {
    storage::StoreU32(reinterpret_cast<uint8_t*>(s.data()) + at, v);
    return s;
  };
  struct Case {
    const char* what;
    std::string bytes;
    FormReadStatus want;
  };
  std::string signature = good, unterminated = good, kind = good, tomb = good;
  signature[5] ^= 0x20;
  unterminated[35] = 'x';
  kind[kRecord] ^= 1;
  tomb = put32(tomb, kRecord + R::kDeleted, 1);
  const Case cases[] = {
      {"empty", "", FormReadStatus::ShortHeader},
      {"header only", good.substr(0, kRecord), FormReadStatus::BadRecord},
      {"version 2", put32(good, 64, 2), FormReadStatus::WrongVersion},
      {"signature letter", signature, FormReadStatus::WrongSignature},
      {"signature without its NUL", unterminated, FormReadStatus::WrongSignature},
      {"unknown kind", kind, FormReadStatus::BadRecord},
      {"tombstone", tomb, FormReadStatus::BadRecord},
      {"payload past the end", put32(good, kRecord + R::kPayloadLength, 0xFFFFFFF0u), FormReadStatus::LengthPastEnd},
      {"body past the end", put32(good, kRecord + R::kBodyLength, uint32_t(good.size())),
       FormReadStatus::LengthPastEnd},
      {"body shorter than its attributes", put32(good, kRecord + R::kBodyLength, 63), FormReadStatus::BadBody},
      {"item longer than the body", put32(good, body + 64 + 8, 0x7FFFFFFF), FormReadStatus::BadBody},
  };
  const std::string walletBefore = ReadBytes(target.path());
  const int countBefore = target.wallet().Count();
  AgreeToAll yes;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(dir.File("bad.tbx"), c.bytes);
    storage::Card read;
    EXPECT_EQ(ReadForm(dir.File("bad.tbx"), target.wallet().DataKey(), &read), c.want);
    EXPECT_TRUE(read.fields.empty());
    EXPECT_FALSE(read.loaded);
    const interchange::FormImportResult r = interchange::ImportForm(target.wallet(), dir.File("bad.tbx"), &yes);
    EXPECT_EQ(r.status, interchange::FormImportStatus::Unreadable);
    EXPECT_EQ(r.readStatus, c.want);
  }
  // Cut off at every length, from the longest down.
  WriteBytes(dir.File("cut.tbx"), good);
  platform::File cut;
  ASSERT_EQ(cut.Open(dir.File("cut.tbx"), platform::OpenMode::ReadWrite), platform::OpenResult::Ok);
  for (size_t n = good.size(); n-- > 0;) {
    ASSERT_TRUE(cut.Truncate(n) && cut.Seek(0));
    storage::Card read;
    ASSERT_NE(interchange::ReadFormFile(&read, &cut, target.wallet().DataKey(), nullptr), FormReadStatus::Ok) << n;
    ASSERT_EQ(interchange::ImportForm(target.wallet(), dir.File("cut.tbx"), &yes).status,
              interchange::FormImportStatus::Unreadable)
        << n;
  }
  EXPECT_EQ(target.wallet().Count(), countBefore);
  target.wallet().Close();
  EXPECT_EQ(ReadBytes(target.path()), walletBefore);
}

}  // namespace
}  // namespace tb::test
