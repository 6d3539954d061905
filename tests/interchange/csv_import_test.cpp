// CSV import from KeePassXC, Bitwarden and our own export, the round trip
// through our export, the questions, and the files that are refused or
// partly read. Cards are written in one step or not at all.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fcntl.h>

#include "interchange/csv_export.h"
#include "interchange/csv_import.h"
#include "platform/core/text_convert.h"
#include "storage/forms/field_kinds.h"
#include "support/fault_loop.h"
#include "text_fixture.h"

namespace tb::interchange {
namespace {

using storage::Answer;
using test::ReadFile;

class CsvTexts : public test::ExchangeTexts {
 public:
  std::u16string_view Text(uint32_t number) const override {
    switch (number) {
      case 30000: return u"Web site";
      case 30006: return u"User name";
      case 30011: return u"Password";
      case 31404: return u"Comments";
      case 41300: return u"Unknown table.";
      case 41301: return u"Too large.";
      case 41302: return u"%d rows left out:";
      case 41303: return u"line %d: %s";
      case 41304: return u"... and %d more";
      case 41310: return u"unclosed quote";
      case 41311: return u"text after quote";
      case 41312: return u"NUL";
      case 41313: return u"BOM";
      case 41314: return u"not UTF-8";
      case 41315: return u"%d values";
      case 41316: return u"unknown type";
      case 41317: return u"too many fields";
      case 41318: return u"bad kinds";
      default: return ExchangeTexts::Text(number);
    }
  }
};

struct YesToAll : storage::Prompter {
  Answer Show(const storage::Message& m) override {
    messages.push_back(m);
    return m.buttons == storage::Buttons::Ok ? Answer::Ok : Answer::Yes;
  }
  std::vector<storage::Message> messages;
};

std::string U8(const storage::Text& t) { return platform::ToUtf8(storage::ToU16(t)); }

class CsvImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.Ok());
    w.wallet().SetTextSource(&texts);
    file = dir.File("table.csv");
  }

  CsvImportResult ImportAll(const std::string& bytes, CsvFormat format, storage::Wallet* into = nullptr) {
    test::WriteFile(file, bytes);
    return ImportCsv(into ? *into : w.wallet(), file, format, yes);
  }

  // Every card below a folder (all-zero: the top level) as "Path/Name|label=value|..." with the
  // kind after the value when it is not text, in index order.
  std::vector<std::string> CardsBelow(storage::Wallet& wallet, const storage::RecordId& top) {
    std::vector<std::string> out;
    for (int i = 0; i < wallet.Count(); ++i) {
      const storage::RecordHeader* h = wallet.At(i);
      if (!h->IsCard()) continue;
      std::string path;
      bool below = top.IsZero();
      for (int p = wallet.FindRecord(h->Parent()); p >= 0;) {
        const storage::RecordHeader* f = wallet.At(p);
        if (f->Id() == top) {
          below = true;
          break;
        }
        path = U8(f->Name()) + "/" + path;
        p = f->Parent().IsZero() ? -1 : wallet.FindRecord(f->Parent());
      }
      if (!below) continue;
      storage::Card card;
      EXPECT_TRUE(wallet.LoadCard(h->Id(), &card));
      std::string line = path + U8(h->Name());
      for (const storage::Field& f : card.fields) {
        line += "|" + U8(f.label) + "=" + U8(storage::DisplayText(f, &texts));
        if (f.kind != 1) line += "(" + std::to_string(f.kind) + ")";
      }
      out.push_back(line);
    }
    return out;
  }

  int Records() const { return const_cast<CsvImport*>(this)->w.wallet().Count(); }

  test::FixedMoment moment;
  CsvTexts texts;
  test::TestWallet w;
  test::TempDir dir;
  YesToAll yes;
  std::string file;
};

constexpr const char* kWebLoginRest =
    "|E-mail=|?=|?=|?=|?=|?=|?=|?=|?=";  // the Web Login fields no import fills, up to Comments

TEST_F(CsvImport, KeePassXcRowsBecomeWebLoginCardsInTheirGroups) {
  // Columns in another order than KeePassXC writes them: found by name.
  const CsvImportResult r = ImportAll(
      "\xEF\xBB\xBF\"Title\",\"Group\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last "
      "Modified\",\"Created\"\r\n"
      "\"Mail\",\"Root\",\"ann\",\"p,w\"\"1\",\"https://"
      "mail.example\",\"line1\nline2\",\"JBSWY3DP\",\"0\",\"2024-01-02T10:00:00Z\",\"\"\r\n"
      "\"Bank\",\"Root/Money/Banks\",\"bob\",\"secret\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
      "\"\",\"Root/Money\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n",
      CsvFormat::KeePassXC);
  ASSERT_EQ(r.status, ImportStatus::Imported);
  EXPECT_EQ(r.imported, 3);
  EXPECT_TRUE(r.skipped.empty());
  const std::vector<std::string> cards = CardsBelow(w.wallet(), r.folder);
  ASSERT_EQ(cards.size(), 3u);
  EXPECT_EQ(cards[0], std::string("Mail|Web site=https://mail.example(3)|User name=ann|Password=p,w\"1(7)") +
                          "|?=|?=|?=|?=|?=|?=|?=|?=|?=|Comments=line1\nline2|Icon=0|Last Modified=2024-01-02T10:00:00Z"
                          "|TOTP=JBSWY3DP(7)");
  EXPECT_EQ(cards[1],
            "Money/Banks/Bank|Web site=(3)|User name=bob|Password=secret(7)|?=|?=|?=|?=|?=|?=|?=|?=|?=|Comments=");
  // A row without a title keeps the new card's name.
  EXPECT_EQ(cards[2].substr(0, 15), "Money/New Card|");
  // One folder per group, below the new folder named as the text import names its folder.
  const storage::RecordHeader* top = w.wallet().At(w.wallet().FindRecord(r.folder));
  EXPECT_EQ(U8(top->Name()), "Imported Cards 12/6/2026");
  EXPECT_EQ(top->Icon(), kImportFolderIcon);
  EXPECT_EQ(Records(), 1 + 1 + 2 + 3);  // forms folder, new folder, Money, Banks, cards
}

TEST_F(CsvImport, BitwardenRowsWithCustomFieldsTypesAndFolders) {
  const CsvImportResult r = ImportAll(
      "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
      "Work/Servers,1,login,Box,note,\"pin: 1234\nsite id: 7\nloose "
      "line\",0,\"https://a.example\nhttps://b.example\",root,hunter2,otpauth://x\n"
      ",,note,Secret note,\"just text\",,0,,,,\n"
      ",,card,Visa,,,0,,,,\n",
      CsvFormat::Bitwarden);
  ASSERT_EQ(r.status, ImportStatus::Imported);
  EXPECT_EQ(r.imported, 2);
  ASSERT_EQ(r.skipped.size(), 1u);
  EXPECT_EQ(r.skipped[0].line, 7u);  // the first row takes lines 2 to 5
  EXPECT_EQ(r.skipped[0].reason, CsvSkipReason::UnknownType);
  const std::vector<std::string> cards = CardsBelow(w.wallet(), r.folder);
  ASSERT_EQ(cards.size(), 2u);
  EXPECT_EQ(cards[0], std::string("Work/Servers/Box|Web site=https://a.example(3)|User name=root|Password=hunter2(7)") +
                          "|?=|?=|?=|?=|?=|?=|?=|?=|?=|Comments=note|login_uri=https://b.example|favorite=1"
                          "|pin=1234|site id=7|fields=loose line|TOTP=otpauth://x(7)");
  EXPECT_EQ(cards[1], "Secret note|Web site=(3)|User name=|Password=(7)|?=|?=|?=|?=|?=|?=|?=|?=|?=|Comments=just text");
  // The rows left out were reported before the questions, by line.
  ASSERT_FALSE(yes.messages.empty());
  EXPECT_EQ(yes.messages[0].icon, storage::MessageIcon::Warning);
  EXPECT_EQ(platform::ToUtf8(yes.messages[0].text), "1 rows left out:\nline 7: unknown type");
}

TEST_F(CsvImport, OurOwnExportComesBackWhole) {
  storage::Wallet& wallet = w.wallet();
  const storage::RecordId top = w.IdAt(w.AddFolder(u"Home"));
  const storage::RecordId sub = w.IdAt(w.AddFolder(u"A/B \\ C", top));
  const platform::SystemTime when{2025, 3, 1, 14, 9, 30, 5, 0};
  w.AddCard(top, u"Everything",
            {{u"Web", u"https://x.example", 3},
             {u"PIN", u"12\"34,", 7},
             {u"Notes", u"one\r\ntwo, \"three\"", 15},
             {u"Born", u"", 8, when},
             {u"At", u"", 9, when},
             {u"Both", u"", 10, when},
             {u"Never", u"", 8},
             {u"Ok?", u"Yes", 11},
             {u"Tick", u"1", 13},
             {u"", u"", 1},
             {u"Grüße", u"🔑", 16}});
  w.AddCard(sub, u"Empty card");
  w.AddCard(sub, u"", {{u"x", u"y", 1}});
  w.AddCard(wallet.FormsFolder()->Id(), u"A form", {{u"Password", u"", 7}});

  CsvExportOptions options;
  options.outputFolder = dir.Path();
  options.includePasswords = true;
  const CsvExportResult out = ExportCsv(wallet, std::nullopt, options);
  ASSERT_TRUE(out.written);
  EXPECT_EQ(out.path, dir.File("test.csv"));
  EXPECT_EQ(out.cards, 3);
  EXPECT_EQ(test::PermissionsOf(out.path), 0600u);
  const std::string bytes = ReadFile(out.path);
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find("\"Home\",\"Everything\",\"3 7 15 8 9 10 8 11 13 1 16\",\"Web\",\"https://x.example\","
                       "\"PIN\",\"12\"\"34,\",\"Notes\",\"one\r\ntwo, \"\"three\"\"\",\"Born\",\"2025-03-14\","
                       "\"At\",\"09:30:05\",\"Both\",\"2025-03-14T09:30:05\",\"Never\",\"\""),
            std::string::npos)
      << bytes;
  EXPECT_NE(bytes.find("\"Home/A\\/B \\\\ C\",\"Empty card\",\"\",\"\",\"\""), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("A form"), std::string::npos);

  // Into a new wallet: every card, label, value and kind as it was.
  test::TestWallet other;
  ASSERT_TRUE(other.Ok());
  other.wallet().SetTextSource(&texts);
  std::vector<std::string> before = CardsBelow(wallet, {});
  const CsvImportResult r = ImportCsv(other.wallet(), out.path, CsvFormat::Own, yes);
  ASSERT_EQ(r.status, ImportStatus::Imported) << platform::ToUtf8(yes.messages.back().text);
  EXPECT_EQ(r.imported, 3);
  std::vector<std::string> after = CardsBelow(other.wallet(), r.folder);
  std::vector<std::string> expected;
  for (const std::string& c : before)
    if (c.rfind("My Forms/", 0) != 0) expected.push_back(c);
  std::sort(expected.begin(), expected.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, expected);

  // Without --passwords the Password values stay empty; nothing else changes.
  options.includePasswords = false;
  const std::string masked = ReadFile(ExportCsv(wallet, std::nullopt, options).path);
  EXPECT_EQ(masked.find("12\"\"34,"), std::string::npos);
  EXPECT_NE(masked.find("\"PIN\",\"\",\"Notes\""), std::string::npos);
  // A folder or a card alone.
  const CsvExportResult one = ExportCsv(wallet, w.IdAt(wallet.FindRecord(sub)), options);
  EXPECT_EQ(one.path, dir.File("A_B _ C.csv"));
  EXPECT_EQ(one.cards, 2);
}

TEST_F(CsvImport, RefusedFilesChangeNothing) {
  const int before = Records();
  const std::string big = dir.File("big.csv");
  const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 100 << 20), 0);
  ::close(fd);
  const struct {
    const char* name;
    std::string bytes;  // empty: the 100 MB file
    CsvFormat format;
    ImportStatus status;
    uint32_t message;
  } cases[] = {
      {"no known column", "Site,Login,Secret\nx,y,z\n", CsvFormat::KeePassXC, ImportStatus::WrongLayout, 41300},
      {"ours needs its columns", "Title,Username,Password,URL\nx,y,z,w\n", CsvFormat::Own, ImportStatus::WrongLayout,
       41300},
      {"10,000 columns", std::string(9999, ',') + "Title\n", CsvFormat::KeePassXC, ImportStatus::Unreadable, 41301},
      {"broken first line", "\"Title,Password\n", CsvFormat::KeePassXC, ImportStatus::WrongLayout, 41300},
      {"empty", "", CsvFormat::KeePassXC, ImportStatus::Unreadable, 22070},
      {"100 MB", "", CsvFormat::Bitwarden, ImportStatus::Unreadable, 41301},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    yes.messages.clear();
    CsvImportResult r;
    if (std::string(c.name) == "100 MB") {
      r = ImportCsv(w.wallet(), big, c.format, yes);
    } else {
      r = ImportAll(c.bytes, c.format);
    }
    EXPECT_EQ(r.status, c.status);
    ASSERT_EQ(yes.messages.size(), 1u);
    EXPECT_EQ(yes.messages[0].textNumber, c.message);
    EXPECT_EQ(yes.messages[0].icon, storage::MessageIcon::Stop);
    EXPECT_EQ(Records(), before);
  }
}

TEST_F(CsvImport, BrokenRowsAreLeftOutAndTheRestImported) {
  std::string table = "Title,Password\nGood,1\n\"Open,2\nx,3\n";  // the open quote swallows the rest
  CsvImportResult r = ImportAll(table, CsvFormat::KeePassXC);
  EXPECT_EQ(r.imported, 1);
  ASSERT_EQ(r.skipped.size(), 1u);
  EXPECT_EQ(r.skipped[0].line, 3u);
  EXPECT_EQ(r.skipped[0].rowError, CsvRowError::UnclosedQuote);

  table = "Title,Password\n";
  table += std::string("Nul,a\0b\n", 8);
  table += "Mixed,1\r\n\xEF\xBB\xBFTitle,Password\r\nShort\rLong,1,2\nFine,2\n";
  yes.messages.clear();
  r = ImportAll(table, CsvFormat::KeePassXC);
  EXPECT_EQ(r.imported, 2);
  std::vector<size_t> lines;
  for (const CsvSkippedRow& s : r.skipped) lines.push_back(s.line);
  EXPECT_EQ(lines, (std::vector<size_t>{2, 4, 5, 6}));
  EXPECT_EQ(platform::ToUtf8(yes.messages[0].text),
            "4 rows left out:\nline 2: NUL\nline 4: BOM\nline 5: 1 values\nline 6: 3 values");

  // More than twenty are counted, not listed.
  table = "Title,Password\n";
  for (int i = 0; i < 25; ++i) table += "only one\n";
  table += "ok,1\n";
  yes.messages.clear();
  r = ImportAll(table, CsvFormat::KeePassXC);
  EXPECT_EQ(r.imported, 1);
  const std::string text = platform::ToUtf8(yes.messages[0].text);
  EXPECT_NE(text.find("line 21: 1 values\n... and 5 more"), std::string::npos) << text;
  EXPECT_EQ(text.find("line 22:"), std::string::npos);

  // Our own rows whose kinds are not kinds.
  r = ImportAll("Folder,Card,Form,Label 1,Value 1\n,A,7,x,y\n,B,99,x,y\n,C,1 1,x,y\n,D,,x,y\n", CsvFormat::Own);
  EXPECT_EQ(r.imported, 2);
  ASSERT_EQ(r.skipped.size(), 2u);
  EXPECT_EQ(r.skipped[0].reason, CsvSkipReason::BadKinds);
  EXPECT_EQ(r.skipped[1].line, 4u);
}

TEST_F(CsvImport, QuestionsPreviewTheCardWithItsPasswordMasked) {
  test::ScriptedPrompter prompter;
  test::WriteFile(file, "Title,Username,Password\nMail,ann,s3cr3t\nBank,bob,pw\n");
  prompter.Queue(Answer::No);
  prompter.Queue(Answer::Yes);
  const CsvImportResult r = ImportCsv(w.wallet(), file, CsvFormat::KeePassXC, prompter);
  EXPECT_EQ(r.imported, 1);
  ASSERT_GE(prompter.messages.size(), 2u);
  EXPECT_EQ(platform::ToUtf8(prompter.messages[0].text),
            "Import this card?\n\nCard Name: Mail\nUser name: ann\nPassword: ********\n");
  EXPECT_EQ(CardsBelow(w.wallet(), r.folder).size(), 1u);

  // No to every card: no folder at all.
  const int before = Records();
  test::ScriptedPrompter no;
  no.Queue(Answer::No);
  no.Queue(Answer::No);
  EXPECT_EQ(ImportCsv(w.wallet(), file, CsvFormat::KeePassXC, no).status, ImportStatus::NothingTaken);
  EXPECT_EQ(Records(), before);

  // Ten cards: the fifth asks once for all the rest.
  std::string many = "Title,Password\n";
  for (int i = 0; i < 10; ++i) many += "C" + std::to_string(i) + ",p\n";
  test::WriteFile(file, many);
  test::ScriptedPrompter bulk;
  for (int i = 0; i < 4; ++i) bulk.Queue(Answer::Yes);
  bulk.Queue(Answer::Yes);
  EXPECT_EQ(ImportCsv(w.wallet(), file, CsvFormat::KeePassXC, bulk).imported, 10);
  EXPECT_EQ(bulk.messages[4].textNumber, import_text::kBulkQuestion);
  EXPECT_EQ(platform::ToUtf8(bulk.messages[4].text), "6 cards are left to import. Import all?");
}

TEST(CsvFormats, RecognisedByTheirFirstRow) {
  const struct {
    const char* header;
    std::optional<CsvFormat> format;
  } cases[] = {
      {"\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last "
       "Modified\",\"Created\"",
       CsvFormat::KeePassXC},
      {"folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp",
       CsvFormat::Bitwarden},
      {"\"Folder\",\"Card\",\"Form\",\"Label 1\",\"Value 1\"", CsvFormat::Own},
      {"folder,card,form", CsvFormat::Own},
      {"Card,Folder,Form", std::nullopt},
      {"url,username,password", std::nullopt},
  };
  for (const auto& c : cases) {
    CsvTable t;
    ASSERT_EQ(t.LoadBytes(std::string(c.header) + "\n"), CsvStatus::Ok);
    EXPECT_EQ(DetectCsvFormat(t), c.format) << c.header;
  }
}

TEST(CsvValues, KindsDatesAndFolderPaths) {
  std::vector<uint16_t> kinds;
  EXPECT_TRUE(ParseKinds(u"3 1  7", &kinds));
  EXPECT_EQ(kinds, (std::vector<uint16_t>{3, 1, 7}));
  EXPECT_EQ(KindsText(kinds), u"3 1 7");
  for (const char16_t* bad : {u"0", u"17", u"1,2", u"x", u"1 2a", u"9999"}) EXPECT_FALSE(ParseKinds(bad, &kinds));
  platform::SystemTime t;
  EXPECT_FALSE(ParseIsoDateTimeText(8, u"2025-02-30", &t));
  EXPECT_FALSE(ParseIsoDateTimeText(9, u"25:00", &t));
  EXPECT_FALSE(ParseIsoDateTimeText(8, u"14:30", &t));
  ASSERT_TRUE(ParseIsoDateTimeText(10, u"2031-01-02T03:04", &t));
  EXPECT_EQ(IsoDateTimeText(10, t), u"2031-01-02T03:04:00");
  const std::vector<std::u16string> names = {u"a/b", u"c\\d", u"e"};
  EXPECT_EQ(JoinFolderPath(names), u"a\\/b/c\\\\d/e");
  EXPECT_EQ(SplitFolderPath(JoinFolderPath(names)), names);
  EXPECT_EQ(SplitFolderPath(u"//x//"), std::vector<std::u16string>{u"x"});
}

TEST_F(CsvImport, EveryFailurePointLeavesTheWalletOldOrNew) {
  w.AddFolder(u"Existing");
  ASSERT_EQ(w.wallet().SaveHeaders(), storage::SaveStatus::Ok);
  w.wallet().Close();
  test::WriteFile(file, "Group,Title,Username,Password\nRoot/A,Bank,alice,pw\nRoot/B,Mail,bob,\n");
  test::FaultLoopSpec spec;
  spec.walletPath = w.path();
  spec.startBytes = ReadFile(w.path());
  auto open = [this](storage::Wallet& wallet) {
    wallet.SetTextSource(&texts);
    test::AgreeToAll agree;
    return wallet.Open(w.path(), w.password(), false, &agree);
  };
  spec.prepare = [open](storage::Wallet& wallet) { EXPECT_EQ(open(wallet), storage::OpenStatus::Ok); };
  spec.run = [this](storage::Wallet& wallet) {
    uint32_t n = 0;
    platform::ScopedRandomSource ids([&n] { return ++n; });
    YesToAll agree;
    return ImportCsv(wallet, file, CsvFormat::KeePassXC, agree).status == ImportStatus::Imported;
  };
  spec.reopen = [open](storage::Wallet& wallet, std::string* label) {
    *label = "old";
    return open(wallet);
  };
  test::RunFaultLoopAllModes("CSV import", spec);
}

}  // namespace
}  // namespace tb::interchange
