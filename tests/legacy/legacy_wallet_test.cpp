// Converting old ".wal" wallets: what the new wallet holds, the statuses,
// the custom-form definition file lookup, and hostile files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>

#include "legacy/legacy_fixture.h"
#include "platform/core/file.h"
#include "platform/core/registry.h"
#include "storage/forms/builtin_forms.h"
#include "storage/forms/field_kinds.h"
#include "storage/legacy_file.h"
#include "storage/legacy_key.h"
#include "storage/legacy_wallet.h"
#include "storage/wallet.h"
#include "support/fault_loop.h"
#include "support/fault_plan.h"
#include "support/temp_dir.h"

namespace tb::storage {
namespace {

using test::TextEntry;
using test::U32;
using test::WalCard;
using test::WalEntry;
using test::WalFolder;
using test::WalOther;
using test::WalWriter;

// "S<number>" for every string, so that each label shows where it came from.
class NumberTexts : public TextSource {
 public:
  std::u16string_view Text(uint32_t number) const override {
    auto [it, added] = cache_.try_emplace(number);
    if (added)
      for (char c : "S" + std::to_string(number)) it->second.push_back(char16_t(c));
    return it->second;
  }

 private:
  mutable std::map<uint32_t, std::u16string> cache_;
};

std::u16string S(uint32_t number) { return NumberTexts().Text(number).data(); }
std::u16string U(const Text& t) { return std::u16string(t.data(), t.size()); }

// The field kind an old form definition becomes.
uint16_t ExpectedKind(uint32_t formKind, bool masked) {
  if (masked) return 7;
  switch (formKind) {
    case 0: return 1;
    case 3: return 3;
    case 11: return 6;
    case 15: return 5;
    default: return 15;
  }
}

std::string ReadAll(const std::string& path) {
  std::string s;
  EXPECT_TRUE(platform::ReadWholeFile(path, &s, 1u << 26)) << path;
  return s;
}

class LegacyConvert : public ::testing::Test {
 protected:
  LegacyConvert() {
    options.texts = &texts;
    options.programFolder = dir.File("program");
    options.oldInstallFolder = dir.File("old");
    std::filesystem::create_directories(options.programFolder);
    std::filesystem::create_directories(options.oldInstallFolder);
  }

  // Writes the old wallet, converts it, and checks the old file was only read.
  LegacyConversion Convert(const std::string& bytes, std::u16string_view password = u"oldpass") {
    platform::RemoveFile(walPath);
    EXPECT_TRUE(platform::WriteNewFile(walPath, bytes.data(), bytes.size()));
    platform::SystemTime before{};
    platform::FileModifiedTime(walPath, &before);
    const LegacyConversion result = ConvertLegacyWallet(walPath, password, options, &newPath);
    EXPECT_EQ(ReadAll(walPath), bytes) << "the old wallet was written";
    platform::SystemTime after{};
    platform::FileModifiedTime(walPath, &after);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    // Whatever happened, no partly made wallet is left about.
    EXPECT_EQ(PartialFiles(), std::vector<std::string>{});
    return result;
  }

  // Files beside the new wallet's name that carry it as a prefix.
  std::vector<std::string> PartialFiles() const {
    std::vector<std::string> found;
    const std::string prefix = LegacyConvertedPath(walPath).substr(dir.Path().size() + 1) + ".";
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) == 0) found.push_back(name);
    }
    return found;
  }

  // Opens the converted wallet; the cards of each top-level folder, in order.
  struct Converted {
    std::vector<const RecordHeader*> folders;
    std::map<RecordId, std::vector<Card>> cards;  // by folder id
  };
  Converted Open(std::u16string_view password = u"oldpass") {
    Converted c;
    wallet.SetTextSource(&texts);
    EXPECT_EQ(wallet.Open(newPath, password, true, nullptr), OpenStatus::Ok);
    for (int i = 0; i < wallet.Count(); ++i) {
      const RecordHeader* h = wallet.At(i);
      if (h->Kind() == RecordKind::Folder) c.folders.push_back(h);
      if (h->IsCard()) {
        Card card;
        EXPECT_TRUE(wallet.LoadCard(h->Id(), &card));
        c.cards[h->Parent()].push_back(std::move(card));
      }
    }
    return c;
  }

  test::TempDir dir;
  NumberTexts texts;
  LegacyConvertOptions options;
  std::string walPath = dir.File("Old Wallet.wal");
  std::string newPath;
  Wallet wallet;
};

TEST_F(LegacyConvert, FoldersCardsAndValuesOfBuiltInForms) {
  WalWriter w;
  w.records = {
      WalFolder{7, 504, 12, u"Logins"},
      // Cards of both folders interleaved: each lands in its own folder, in file order.
      WalCard{1,
              7,
              504,
              33,
              u"Mail site",
              {TextEntry(501, u"https://mail.example"), TextEntry(502, u"ann"), TextEntry(999, u"stray")}},
      WalFolder{9, 12345, 3, u"Misc"},
      WalCard{2,
              9,
              500,
              40,
              u"Locker",
              {TextEntry(503, u"s3cret"), TextEntry(510, u"555-0100"), TextEntry(502, u"")},
              /*enciphered=*/false},
      WalCard{3, 7, 529, 41, u"Second login", {TextEntry(501, u"x")}},
  };
  const LegacyConversion r = Convert(w.Bytes());
  ASSERT_TRUE(r.ok()) << r.number();
  EXPECT_EQ(r.number(), 0);
  EXPECT_EQ(newPath, dir.File("Old Wallet.tb5"));

  const Converted c = Open();
  ASSERT_EQ(c.folders.size(), 2u);
  EXPECT_EQ(U(c.folders[0]->Name()), u"Logins");
  EXPECT_EQ(c.folders[0]->Icon(), 12);
  EXPECT_TRUE(c.folders[0]->Parent().IsZero());
  EXPECT_EQ(c.folders[0]->DefaultForm(), BuiltInFormId(4));  // legacy 504
  EXPECT_EQ(U(c.folders[1]->Name()), u"Misc");
  EXPECT_EQ(c.folders[1]->DefaultForm(), BuiltInFormId(0));  // no form 12345: form 0

  const std::vector<Card>& logins = c.cards.at(c.folders[0]->Id());
  ASSERT_EQ(logins.size(), 2u);
  EXPECT_EQ(U(logins[0].record.Name()), u"Mail site");
  EXPECT_EQ(U(logins[1].record.Name()), u"Second login");
  EXPECT_EQ(logins[0].record.Icon(), 33);
  EXPECT_EQ(logins[1].record.Icon(), 41);

  // Every definition of the matched form becomes a field, in order; values
  // come from the entries tagged with the definitions' legacy numbers.
  struct Want {
    const Card* card;
    int form;
    std::map<uint32_t, std::u16string> values;
  };
  const std::vector<Card>& misc = c.cards.at(c.folders[1]->Id());
  ASSERT_EQ(misc.size(), 1u);
  for (const Want& want :
       {Want{&logins[0], 4, {{501, u"https://mail.example"}, {502, u"ann"}}}, Want{&logins[1], 24, {{501, u"x"}}},
        Want{&misc[0], 0, {{503, u"s3cret"}, {510, u"555-0100"}}}}) {
    const BuiltInForm& form = *BuiltInFormAt(want.form);
    ASSERT_EQ(want.card->fields.size(), form.fields.size()) << "form " << want.form;
    for (size_t i = 0; i < form.fields.size(); ++i) {
      const FormFieldDef& d = form.fields[i];
      const Field& f = want.card->fields[i];
      SCOPED_TRACE("form " + std::to_string(want.form) + " field " + std::to_string(d.legacyNumber));
      EXPECT_EQ(f.kind, ExpectedKind(d.formKind, d.masked != 0));
      EXPECT_EQ(U(f.label), S(d.labelString));
      const auto v = want.values.find(d.legacyNumber);
      EXPECT_EQ(U(f.value), v == want.values.end() ? u"" : v->second);
      EXPECT_EQ(f.flags, 0);
    }
  }
  // The kinds the mapping names all occur above.
  std::set<uint16_t> kinds;
  for (const Card* card : {&logins[0], &misc[0]})
    for (const Field& f : card->fields) kinds.insert(f.kind);
  EXPECT_EQ(kinds, (std::set<uint16_t>{1, 3, 6, 7, 15}));
}

TEST_F(LegacyConvert, NotesOnlyWhenPresentAndTheFormMatched) {
  WalWriter w;
  w.records = {
      WalFolder{1, 500, 0, u"F"},
      WalCard{1, 1, 511, 0, u"with notes", {TextEntry(400, u"line one\r\nline two")}},
      WalCard{2, 1, 511, 0, u"empty notes", {TextEntry(400, u"")}},
      WalCard{3, 1, 777, 5, u"unknown form", {TextEntry(400, u"lost"), TextEntry(501, u"v")}},
  };
  ASSERT_TRUE(Convert(w.Bytes()).ok());
  const Converted c = Open();
  ASSERT_EQ(c.folders.size(), 1u);
  const std::vector<Card>& cards = c.cards.at(c.folders[0]->Id());
  ASSERT_EQ(cards.size(), 3u);
  const size_t formFields = BuiltInFormByLegacyNumber(511)->fields.size();
  ASSERT_EQ(cards[0].fields.size(), formFields + 1);
  const Field& notes = cards[0].fields.back();
  EXPECT_EQ(notes.kind, 1);
  EXPECT_EQ(notes.flags, kNotesFieldFlag);
  EXPECT_EQ(U(notes.label), S(kNotesLabelString));
  EXPECT_EQ(U(notes.value), u"line one\r\nline two");
  EXPECT_EQ(cards[1].fields.size(), formFields);
  EXPECT_TRUE(cards[2].fields.empty());
  EXPECT_EQ(cards[2].record.Icon(), 0);  // unmatched: not given the old icon
}

TEST_F(LegacyConvert, PicturesAndSounds) {
  const std::string bmp = "BM-bytes", jpeg = std::string("\xFF\xD8\xFF", 3) + "jpeg";
  auto card = [&](uint32_t n, std::vector<WalEntry> entries) {
    return WalCard{n, 1, 500, 0, u"card " + std::u16string(1, char16_t('0' + n)), std::move(entries)};
  };
  WalWriter w;
  w.records = {
      WalFolder{1, 500, 0, u"F"},
      card(1, {{450, bmp}, {451, U32(1)}, TextEntry(452, u"\\My Pictures\\cat.bmp")}),
      card(2, {{450, "GIF89a"}, {451, U32(2)}, TextEntry(452, u"anim.gif")}),
      card(3, {{450, jpeg}, {451, U32(3)}}),
      card(4, {{450, bmp}, {451, U32(4)}}),          // unknown code
      card(5, {{450, bmp}, {451, "\x01\x00\x00"}}),  // code cut short
      card(6, {{450, bmp}}),                         // no code
      card(7, {{460, "RIFF....WAVE"}, TextEntry(461, u"\\Windows\\ding.wav")}),
      card(8, {{460, "midi"}, TextEntry(461, u"tune.mid"), {450, bmp}, {451, U32(1)}}),
  };
  ASSERT_TRUE(Convert(w.Bytes()).ok());
  {
    const Converted c = Open();
    const std::vector<Card>& cards = c.cards.at(c.folders.at(0)->Id());
    ASSERT_EQ(cards.size(), 8u);
    struct Want {
      uint32_t type;  // 0: no picture
      std::string bytes;
      std::u16string name;
    };
    const Want want[] = {{1, bmp, u"cat.bmp"}, {3, "GIF89a", u"anim.gif"},
                         {2, jpeg, u""},       {0, "", u""},
                         {0, "", u""},         {0, "", u""},
                         {0, "", u""},         {1, bmp, u""}};
    for (size_t i = 0; i < 8; ++i) {
      SCOPED_TRACE("card " + std::to_string(i + 1));
      ASSERT_EQ(cards[i].picture.has_value(), want[i].type != 0);
      if (!cards[i].picture) continue;
      EXPECT_EQ(cards[i].picture->type, want[i].type);
      EXPECT_EQ(std::string(cards[i].picture->bytes.begin(), cards[i].picture->bytes.end()), want[i].bytes);
      EXPECT_EQ(U(cards[i].picture->fileName), want[i].name);
    }
    ASSERT_TRUE(cards[6].sound.has_value());
    EXPECT_EQ(std::string(cards[6].sound->bytes.begin(), cards[6].sound->bytes.end()), "RIFF....WAVE");
    EXPECT_EQ(U(cards[6].sound->fileName), u"ding.wav");
    EXPECT_EQ(cards[6].sound->type, 1u);
    ASSERT_TRUE(cards[7].sound.has_value());
    EXPECT_EQ(cards[7].sound->type, 0u);
    wallet.Close();
  }
  // With the switches off neither is taken.
  platform::RemoveFile(newPath);
  options.pictures = false;
  options.sounds = false;
  ASSERT_TRUE(Convert(w.Bytes()).ok());
  const Converted c = Open();
  for (const Card& card : c.cards.at(c.folders.at(0)->Id())) {
    EXPECT_FALSE(card.picture.has_value());
    EXPECT_FALSE(card.sound.has_value());
  }
}

TEST(LegacyKey, RearrangesTheHashAndChecksThePassword) {
  Digest hp;
  for (int i = 0; i < 16; ++i) hp[i] = uint8_t(0xA0 + i);
  const Key128 k = LegacyKeyFromHash(hp);
  const uint8_t want[16] = {0xAC, 0xA9, 0xAB, 0xA3, 0xA7, 0xA2, 0xAA, 0xA1,
                            0xA5, 0xAE, 0xA4, 0xAF, 0xAD, 0xA8, 0xA0, 0xA6};
  EXPECT_EQ(std::memcmp(k.data(), want, 16), 0);

  // The single-byte code page: "grüß" hashes as 67 72 FC DF 00 after the salt.
  WalWriter w;
  w.passwordBytes = "gr\xFC\xDF";
  EXPECT_EQ(LegacyPasswordHash(w.salt, u"grüß"), w.Hash());
  std::array<uint8_t, 16> check;
  const Digest hash = w.Hash();
  Encipher(w.Key(), hash.data(), 16, check.data());
  EXPECT_TRUE(LegacyPasswordMatches(w.Key(), hash, check));
  check[15] ^= 1;
  EXPECT_FALSE(LegacyPasswordMatches(w.Key(), hash, check));
  // Only 63 bytes of a long password count.
  w.passwordBytes = std::string(63, 'p');
  EXPECT_EQ(LegacyPasswordHash(w.salt, std::u16string(70, u'p')), w.Hash());
}

TEST_F(LegacyConvert, Statuses) {
  WalWriter w;
  w.records = {WalFolder{1, 500, 0, u"F"}, WalCard{1, 1, 500, 0, u"c", {TextEntry(501, u"v")}}};
  const std::string good = w.Bytes();
  auto patched = [&](size_t at, char c) {
    std::string s = good;
    s[at] = c;
    return s;
  };
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string password;
    int status;
  };
  WalWriter emptyPassword = w;
  emptyPassword.passwordBytes = "";
  WalWriter longPassword = w;
  longPassword.passwordBytes = std::string(24, 'x');
  const Case cases[] = {
      {"843 bytes", good.substr(0, 843), u"oldpass", 7},
      {"maker text", patched(3, 'X'), u"oldpass", 7},
      {"maker text byte 39", patched(39, 'X'), u"oldpass", 7},
      {"first magic", patched(77, 0), u"oldpass", 7},
      {"second magic", patched(843, 0), u"oldpass", 7},
      {"wrong password", good, u"oldpasS", 9},
      {"empty password", emptyPassword.Bytes(), u"", 2},
      {"password too long for a new wallet", longPassword.Bytes(), std::u16string(24, u'x'), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Convert(c.bytes, c.password).number(), c.status);
    EXPECT_FALSE(platform::FileExists(newPath));
  }
  // Byte 40 on is the maker's address beyond the compared part.
  EXPECT_EQ(Convert(patched(41, 'X')).number(), 0);

  // An existing namesake is left alone.
  const std::string namesake = ReadAll(newPath);
  EXPECT_EQ(Convert(good).number(), 4);
  EXPECT_EQ(ReadAll(newPath), namesake);

  platform::RemoveFile(walPath);
  EXPECT_EQ(ConvertLegacyWallet(dir.File("missing.wal"), u"oldpass", options, &newPath).number(), 3);
}

// A definition reader for tests: the file's bytes name one of two lists.
std::vector<LegacyCustomForm> FormsNamed(std::string_view bytes) {
  auto field = [](int32_t n, int kind, bool masked, std::u16string label) {
    return LegacyCustomField{n, kind, masked, ToText(label)};
  };
  LegacyCustomForm form{1000, ToText(u"Gym"), 8, {}};
  if (bytes == "first") {
    form.fields = {field(601, 0, false, u"Member"), field(602, 0, true, u"Locker code"), field(603, 16, false, u"Link"),
                   field(604, 15, false, u"Mail")};
  } else {
    form.fields = {field(601, 3, false, u"Site")};
  }
  return {form};
}

TEST_F(LegacyConvert, CustomFormsFromTheDefinitionFile) {
  std::vector<std::string> readFrom;
  options.readCustomForms = [&](std::string_view bytes, std::vector<LegacyCustomForm>* forms) {
    readFrom.emplace_back(bytes);
    *forms = FormsNamed(bytes);
  };
  WalWriter w;
  w.usesCustomForms = true;
  w.customFormFile = u"\\Program Files\\Tamberlock\\..\\forms.ccd";
  w.records = {
      WalFolder{1, 500, 0, u"F"},
      WalCard{1, 1, 1000, 61, u"gym", {TextEntry(601, u"A-17"), TextEntry(602, u"4711"), TextEntry(400, u"note")}}};
  const std::string bytes = w.Bytes();
  const std::string inProgram = options.programFolder + "/forms.ccd";
  const std::string inOld = options.oldInstallFolder + "/forms.ccd";

  // Nowhere: 10, and nothing made.
  EXPECT_EQ(Convert(bytes).number(), 10);
  EXPECT_FALSE(platform::FileExists(newPath));

  // Only beside the old installation.
  ASSERT_TRUE(platform::WriteNewFile(inOld, "second", 6));
  ASSERT_TRUE(Convert(bytes).ok());
  EXPECT_EQ(readFrom, std::vector<std::string>{"second"});
  {
    const Converted c = Open();
    const Card& card = c.cards.at(c.folders.at(0)->Id()).at(0);
    ASSERT_EQ(card.fields.size(), 2u);
    EXPECT_EQ(card.fields[0].kind, 3);
    EXPECT_EQ(U(card.fields[0].label), u"Site");
    EXPECT_EQ(U(card.fields[0].value), u"A-17");
    EXPECT_EQ(card.fields[1].flags, kNotesFieldFlag);
    wallet.Close();
  }

  // The program's folder comes first.
  platform::RemoveFile(newPath);
  readFrom.clear();
  ASSERT_TRUE(platform::WriteNewFile(inProgram, "first", 5));
  ASSERT_TRUE(Convert(bytes).ok());
  EXPECT_EQ(readFrom, std::vector<std::string>{"first"});
  const Converted c = Open();
  const Card& card = c.cards.at(c.folders.at(0)->Id()).at(0);
  EXPECT_EQ(card.record.Icon(), 61);
  struct Want {
    uint16_t kind;
    std::u16string label, value;
  };
  const Want want[] = {{1, u"Member", u"A-17"},
                       {7, u"Locker code", u"4711"},
                       {15, u"Link", u""},
                       {5, u"Mail", u""},
                       {1, S(kNotesLabelString), u"note"}};
  ASSERT_EQ(card.fields.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(card.fields[i].kind, want[i].kind) << i;
    EXPECT_EQ(U(card.fields[i].label), want[i].label) << i;
    EXPECT_EQ(U(card.fields[i].value), want[i].value) << i;
  }
}

TEST_F(LegacyConvert, DefinitionFileNamesAreOnlyNames) {
  // The head may name anything; only a plain file name inside the two
  // folders is ever read.
  bool read = false;
  options.readCustomForms = [&](std::string_view, std::vector<LegacyCustomForm>*) { read = true; };
  ASSERT_TRUE(platform::WriteNewFile(dir.File("outside.ccd"), "x", 1));
  for (const std::u16string name : {u"", u"..", u"folder\\", u"../outside.ccd"}) {
    WalWriter w;
    w.usesCustomForms = true;
    w.customFormFile = name;
    EXPECT_EQ(Convert(w.Bytes()).number(), 10);
  }
  EXPECT_FALSE(read);
}

TEST_F(LegacyConvert, WhichCardsAreKept) {
  WalWriter w;
  w.records = {
      WalFolder{1, 500, -1, u"first of number 1"},
      WalFolder{1, 500, 0, u"second of number 1"},
      WalCard{1, 1, 500, -5, u"in folder 1"},
      WalCard{2, 99, 500, 0, u"no such folder"},
      // Names fill their records without a NUL.
      WalCard{3, 1, 600, 0, std::u16string(100, u'n')},
      WalCard{4, 1, 500, 0, u"data runs past the end", {TextEntry(501, u"v")}, true, 0x7FFFFFFFu},
      WalFolder{3, 500, 0, u"after the damage"},
  };
  ASSERT_TRUE(Convert(w.Bytes()).ok());
  const Converted c = Open();
  ASSERT_EQ(c.folders.size(), 2u);
  EXPECT_EQ(c.folders[0]->Icon(), 0);
  const std::vector<Card>& cards = c.cards.at(c.folders[0]->Id());
  ASSERT_EQ(cards.size(), 3u);
  EXPECT_EQ(U(cards[0].record.Name()), u"in folder 1");
  EXPECT_EQ(cards[0].record.Icon(), 0);
  EXPECT_EQ(U(cards[1].record.Name()), std::u16string(88, u'n'));
  // A card whose data cannot be read keeps its name and gets no fields.
  EXPECT_EQ(U(cards[2].record.Name()), u"data runs past the end");
  EXPECT_TRUE(cards[2].fields.empty());
  EXPECT_EQ(c.cards.count(c.folders[1]->Id()), 0u);
}

TEST_F(LegacyConvert, UnknownRecordEndsTheWalk) {
  WalWriter w;
  w.records = {WalFolder{1, 500, 0, u"kept"}, WalOther{}, WalFolder{2, 500, 0, u"never seen"}};
  ASSERT_TRUE(Convert(w.Bytes()).ok());
  const Converted c = Open();
  ASSERT_EQ(c.folders.size(), 1u);
  EXPECT_EQ(U(c.folders[0]->Name()), u"kept");
}

TEST_F(LegacyConvert, LyingEntryLengthsEndTheEntries) {
  WalWriter w;
  w.records = {
      WalFolder{1, 500, 0, u"F"},
      WalCard{1, 1, 500, 0, u"a", {TextEntry(501, u"kept"), {502, "xxxx", 0xFFFFFFF8u}, TextEntry(503, u"gone")}},
      WalCard{2, 1, 500, 0, u"b", {TextEntry(501, u"one"), TextEntry(501, u"two"), {502, std::string("a\0b", 3), {}}}},
      // A notes entry of length 0 is absent; the four bytes after it are
      // less than an entry head.
      WalCard{3, 1, 500, 0, u"c", {TextEntry(502, u"x"), {400, "abcd", 0u}}},
  };
  ASSERT_TRUE(Convert(w.Bytes()).ok());
  const Converted c = Open();
  const std::vector<Card>& cards = c.cards.at(c.folders.at(0)->Id());
  ASSERT_EQ(cards.size(), 3u);
  const size_t formFields = BuiltInFormAt(0)->fields.size();
  for (const Card& card : cards) ASSERT_EQ(card.fields.size(), formFields);
  EXPECT_EQ(U(cards[0].fields[0].value), u"kept");
  EXPECT_EQ(U(cards[0].fields[1].value), u"");
  EXPECT_EQ(U(cards[0].fields[2].value), u"");
  EXPECT_EQ(U(cards[1].fields[0].value), u"one");  // the first of a tag counts
  EXPECT_EQ(U(cards[1].fields[1].value), u"a");    // an odd last byte is dropped
  EXPECT_EQ(U(cards[2].fields[1].value), u"x");
}

// The many conversions below go to a memory-backed folder where there is
// one: each new wallet is flushed to the disk several times.
void UseMemoryFolder(std::unique_ptr<test::TempDir>& dir, std::string& walPath, LegacyConvertOptions& options) {
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  if (std::filesystem::is_directory("/dev/shm")) setenv("TMPDIR", "/dev/shm", 1);
  dir = std::make_unique<test::TempDir>();
  if (old) setenv("TMPDIR", saved.c_str(), 1);
  else unsetenv("TMPDIR");
  walPath = dir->File("cut.wal");
  options.programFolder = dir->Path();
}

TEST_F(LegacyConvert, CutAtEveryLength) {
  std::unique_ptr<test::TempDir> memory;
  UseMemoryFolder(memory, walPath, options);
  WalWriter w;
  w.records = {WalFolder{1, 500, 4, u"F"},
               WalCard{1, 1, 500, 0, u"a", {TextEntry(501, u"v1"), {450, "BM"}, {451, U32(1)}}},
               WalCard{2, 1, 500, 0, u"b", {}, false}};
  const std::string full = w.Bytes();
  const size_t folderEnd = 844 + 252, cardEnd = folderEnd + 252, dataEnd = cardEnd + 34;
  ASSERT_EQ(full.size(), dataEnd + 252);
  for (size_t n = 0; n <= full.size(); ++n) {
    SCOPED_TRACE(n);
    platform::RemoveFile(LegacyConvertedPath(walPath));
    const LegacyConversion r = Convert(full.substr(0, n));
    if (n < 844) {
      ASSERT_EQ(r.number(), 7);
      continue;
    }
    ASSERT_TRUE(r.ok()) << r.number();
    {
      // The reader's own account: a cut anywhere but between whole records
      // (a card's data counts as part of it) is damage.
      platform::File file;
      ASSERT_EQ(file.Open(walPath, platform::OpenMode::ReadOnly), platform::OpenResult::Ok);
      LegacyRecords records;
      ASSERT_TRUE(ReadLegacyRecords(file, n, &records));
      const bool between = n == 844 || n == folderEnd || n == dataEnd || n == full.size();
      EXPECT_EQ(records.endedOnDamage, !between);
      EXPECT_EQ(records.cards.size(), n >= full.size() ? 2u : n >= cardEnd ? 1u : 0u);
      if (n >= cardEnd && n < full.size()) EXPECT_EQ(records.cards[0].dataInFile, n >= dataEnd);
    }
    // What was cut off is missing; the rest is a whole wallet.
    const Converted c = Open();
    ASSERT_EQ(c.folders.size(), n >= folderEnd ? 1u : 0u);
    if (n >= folderEnd) {
      const auto it = c.cards.find(c.folders[0]->Id());
      const size_t cards = n >= full.size() ? 2 : n >= cardEnd ? 1 : 0;
      ASSERT_EQ(it == c.cards.end() ? 0 : it->second.size(), cards);
      if (cards > 0) {
        // Cut inside its data, the card keeps only its name.
        EXPECT_EQ(it->second[0].fields.empty(), n < dataEnd);
        EXPECT_EQ(it->second[0].picture.has_value(), n >= dataEnd);
      }
    }
    wallet.Close();
  }
}

// A card claiming less data than it has: its entries are cut short and the
// rest is read as records, whatever they hold.
TEST_F(LegacyConvert, LyingDataLengths) {
  std::unique_ptr<test::TempDir> memory;
  UseMemoryFolder(memory, walPath, options);
  for (uint32_t claimed = 0; claimed <= 60; ++claimed) {
    SCOPED_TRACE(claimed);
    WalWriter w;
    w.records = {WalFolder{1, 500, 4, u"F"},
                 WalCard{1, 1, 500, 0, u"a", {TextEntry(501, u"v1"), {450, "BM"}, {451, U32(1)}}, false, claimed},
                 WalFolder{2, 500, 4, u"G"}};
    platform::RemoveFile(LegacyConvertedPath(walPath));
    ASSERT_TRUE(Convert(w.Bytes()).ok());
    const Converted c = Open();
    EXPECT_GE(c.folders.size(), 1u);
    wallet.Close();
  }
}

// A failing file-system call or a power cut at any point: the new wallet
// is there whole or not at all, and the old file is only ever read.
TEST_F(LegacyConvert, FailureAtEveryFileOperation) {
  WalWriter w;
  w.records = {WalFolder{1, 500, 0, u"F"}, WalCard{1, 1, 500, 0, u"a", {TextEntry(501, u"v")}},
               WalCard{2, 1, 500, 0, u"b", {{450, "BM"}, {451, U32(1)}}}};
  const std::string bytes = w.Bytes();
  ASSERT_TRUE(platform::WriteNewFile(walPath, bytes.data(), bytes.size()));
  newPath = LegacyConvertedPath(walPath);
  test::FaultLoopSpec spec;
  spec.walletPath = newPath;
  spec.walletAbsent = true;
  spec.run = [&](Wallet&) {
    std::string converted;
    const bool ok = ConvertLegacyWallet(walPath, u"oldpass", options, &converted).ok();
    // Read around the faults, which are still in place.
    std::ifstream in(walPath, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == bytes) << "the old wallet was written";
    return ok;
  };
  spec.reopen = [&](Wallet& opened, std::string* label) {
    opened.SetTextSource(&texts);
    test::AgreeToAll agree;
    *label = "oldpass";
    return opened.Open(newPath, u"oldpass", false, &agree);
  };
  test::RunFaultLoopAllModes("legacy conversion", spec);
  EXPECT_EQ(PartialFiles(), std::vector<std::string>{});
}

TEST(LegacyPaths, NewWalletNameAndOldInstallation) {
  EXPECT_EQ(LegacyConvertedPath("/home/a/Old.wal"), "/home/a/Old.tb5");
  EXPECT_EQ(LegacyConvertedPath("/home/a.b/Old"), "/home/a.b/Old.tb5");
  EXPECT_EQ(LegacyConvertedPath("/home/a/.hidden"), "/home/a/.hidden.tb5");
  EXPECT_EQ(LegacyConvertedPath("/home/a/x.y.WAL"), "/home/a/x.y.tb5");

  test::TempDir dir;
  platform::Registry registry(dir.File("r.reg"));
  EXPECT_EQ(LegacyInstallFolder(registry), "");
  const std::string key = "HKEY_CLASSES_ROOT\\ostreltamberlockfile\\DefaultIcon";
  const std::pair<std::u16string, std::string> cases[] = {
      {u"/opt/old tb/tbpro.exe,-201", "/opt/old tb"},
      {u"\"/opt/old/tbpro.exe\",-201", "/opt/old"},
      {u"/tbpro.exe,-201", "/"},
      {u"tbpro.exe,-201", ""},
  };
  for (const auto& [value, folder] : cases) {
    registry.SetString(key, u"", value);
    EXPECT_EQ(LegacyInstallFolder(registry), folder);
  }
}

}  // namespace
}  // namespace tb::storage
