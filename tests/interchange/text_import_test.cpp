// Importing tab-separated tables: the three encodings, the table's shape
// (short and long rows, quotes, line ends), the questions, refused files
// that leave the wallet as it was, and every failure point of the write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "interchange/text_import.h"
#include "platform/core/file.h"
#include "platform/core/text_convert.h"
#include "support/fault_loop.h"
#include "text_fixture.h"

namespace tb::interchange {
namespace {

using storage::Answer;
using test::ReadFile;
using test::Utf16;

// A card as "name|label=value|label=value".
using CardLines = std::vector<std::string>;

class TextImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.Ok());
    w.wallet().SetTextSource(&texts);
    file = dir.File("table.txt");
  }

  ImportResult Import(const std::string& bytes, std::initializer_list<Answer> answers = {}) {
    test::WriteFile(file, bytes);
    for (Answer a : answers) prompter.Queue(a);
    return ImportText(w.wallet(), file, prompter);
  }

  ImportResult ImportAll(const std::string& bytes) {
    YesToAll yes;
    test::WriteFile(file, bytes);
    return ImportText(w.wallet(), file, yes);
  }

  CardLines CardsIn(const storage::RecordId& folder) {
    CardLines out;
    storage::Wallet& wallet = w.wallet();
    for (int i = 0; i < wallet.Count(); ++i) {
      const storage::RecordHeader* h = wallet.At(i);
      if (!h->IsCard() || h->Parent() != folder) continue;
      storage::Card card;
      EXPECT_TRUE(wallet.LoadCard(h->Id(), &card));
      EXPECT_EQ(h->Icon(), kImportCardIcon);
      std::string line = platform::ToUtf8(storage::ToU16(h->Name()));
      for (const storage::Field& f : card.fields) {
        EXPECT_EQ(f.kind, 15);
        line += "|" + platform::ToUtf8(storage::ToU16(f.label)) + "=" + platform::ToUtf8(storage::ToU16(f.value));
      }
      out.push_back(line);
    }
    return out;
  }

  struct YesToAll : storage::Prompter {
    Answer Show(const storage::Message& m) override {
      return m.buttons == storage::Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
  };

  static std::string Rows(int n) {
    std::string s = "Card Name\tUser\r\n";
    for (int i = 1; i <= n; ++i) s += "Row" + std::to_string(i) + "\tu" + std::to_string(i) + "\r\n";
    return s;
  }

  int Questions() const {
    int n = 0;
    for (const auto& m : prompter.messages) n += m.buttons == storage::Buttons::YesNoCancel;
    return n;
  }

  test::FixedMoment moment;
  test::ExchangeTexts texts;
  test::TestWallet w;
  test::TempDir dir;
  test::ScriptedPrompter prompter;
  std::string file;
};

TEST_F(TextImport, EachEncodingGivesTheSameCards) {
  const std::u16string table = u"Card Name\tUser\tPass\r\nBank\tal\u00E9\t\"x\"y\"\r\n";
  const std::string ansi = "Card Name\tUser\tPass\r\nBank\tal\xE9\t\"x\"y\"\r\n";
  for (const std::string& bytes : {Utf16(table), Utf16(table, true), ansi}) {
    const ImportResult r = ImportAll(bytes);
    ASSERT_EQ(r.status, ImportStatus::Imported);
    EXPECT_EQ(r.imported, 1);
    EXPECT_EQ(CardsIn(r.folder), CardLines{"Bank|User=al\u00E9|Pass=x\"y"});
  }
  // The new folder sits at the top level with the import's name and icon,
  // and survives reopening the wallet.
  ASSERT_EQ(w.Reopen(), storage::OpenStatus::Ok);
  w.wallet().SetTextSource(&texts);
  int folders = 0;
  for (int i = 0; i < w.wallet().Count(); ++i) {
    const storage::RecordHeader* h = w.wallet().At(i);
    if (h->Kind() != storage::RecordKind::Folder) continue;
    ++folders;
    EXPECT_EQ(storage::ToU16(h->Name()), u"Imported Cards 12/6/2026");
    EXPECT_EQ(h->Icon(), kImportFolderIcon);
    EXPECT_TRUE(h->Parent().IsZero());
    EXPECT_EQ(CardsIn(h->Id()).size(), 1u);
  }
  EXPECT_EQ(folders, 3);
}

TEST_F(TextImport, TableShapes) {
  struct Case {
    const char* what;
    std::string bytes;
    CardLines want;
    size_t surplus = 0;
  } cases[] = {
      {"lower-case header", "card name\tA\r\nr\tx\r\n", {"r|A=x"}},
      {"header without space", "CARDNAME\tA\r\nr\tx", {"r|A=x"}},
      {"no line end after the last row", "Card Name\tA\r\nr1\tx\r\nr2\ty", {"r1|A=x", "r2|A=y"}},
      {"rows ending in LF alone", "Card Name\tA\nr1\tx\nr2\ty\n", {"r1|A=x", "r2|A=y"}},
      {"short row keeps the next row's cells", "Card Name\tA\tB\r\nr1\tx\r\nr2\t1\t2\r\n", {"r1|A=x|B=", "r2|A=1|B=2"}},
      {"long row loses its extra cells", "Card Name\tA\r\nr1\tx\textra\tmore\r\nr2\ty\r\n", {"r1|A=x", "r2|A=y"}, 1},
      {"one pair of quotes goes", "\"Card Name\"\t\"A\"\r\n\"r\"\t\"say \"hi\"\"\r\n", {"r|A=say \"hi\""}},
      {"empty values stay fields", "Card Name\tA\tB\r\nr\t\t\r\n", {"r|A=|B="}},
      {"a NUL ends the text", std::string("Card Name\tA\r\nr\tx\r\n\0q\tz\r\n", 25), {"r|A=x"}},
      {"a CR alone ends a row", "Card Name\tA\rr\tx", {"r|A=x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScriptedPrompter yes;
    for (int i = 0; i < 4; ++i) yes.Queue(Answer::Yes);
    test::WriteFile(file, c.bytes);
    const ImportResult r = ImportText(w.wallet(), file, yes);
    ASSERT_EQ(r.status, ImportStatus::Imported);
    EXPECT_EQ(CardsIn(r.folder), c.want);
    EXPECT_EQ(r.rowsWithSurplus, c.surplus);
    const std::u16string& note = yes.messages.back().text;
    EXPECT_EQ(note.find(u"rows had extra cells") != std::u16string::npos, c.surplus > 0) << platform::ToUtf8(note);
  }
}

TEST_F(TextImport, RefusedFilesLeaveTheWalletAsItWas) {
  const std::string before = ReadFile(w.path());
  std::filesystem::create_directory(dir.File("folder"));
  struct Case {
    const char* what;
    std::string path;
    std::string bytes;  // written to path unless empty
    ImportStatus status;
    uint32_t message;
  } cases[] = {
      {"missing file", dir.File("none.txt"), "", ImportStatus::Unreadable, 22070},
      {"empty file", dir.File("empty.txt"), "", ImportStatus::Unreadable, 22070},
      {"a folder", dir.File("folder"), "", ImportStatus::Unreadable, 22070},
      {"wrong header", file, "Name\tA\r\nr\tx\r\n", ImportStatus::WrongLayout, 22071},
      {"header only", file, "Card Name\tA\r\n", ImportStatus::NothingTaken, 0},
      {"one row", file, "Card Name\tA", ImportStatus::WrongLayout, 22071},
      {"one column", file, "Card Name\r\nr\r\n", ImportStatus::WrongLayout, 22071},
      {"UTF-8 mark", file,
       "\xEF\xBB\xBF"
       "Card Name\tA\r\nr\tx",
       ImportStatus::WrongLayout, 22071},
  };
  test::WriteFile(dir.File("empty.txt"), "");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.bytes.empty()) test::WriteFile(c.path, c.bytes);
    test::ScriptedPrompter yes;
    yes.Queue(Answer::Yes);
    const ImportResult r = ImportText(w.wallet(), c.path, yes);
    EXPECT_EQ(r.status, c.status);
    if (c.message) {
      ASSERT_EQ(yes.messages.size(), 1u);
      EXPECT_EQ(yes.messages[0].textNumber, c.message);
      EXPECT_EQ(yes.messages[0].icon, storage::MessageIcon::Stop);
    }
    EXPECT_EQ(ReadFile(w.path()) == before, true);
  }
  // Too large to read: refused before anything is allocated for it.
  const std::string big = dir.File("big.txt");
  test::WriteFile(big, "Card Name\tA\r\n");
  ASSERT_EQ(::truncate(big.c_str(), off_t(kMaxImportFileBytes + 1)), 0);
  TabTable table;
  EXPECT_EQ(table.Load(big), TabTable::kTooLarge);
  EXPECT_EQ(ImportText(w.wallet(), big, prompter).status, ImportStatus::Unreadable);
  EXPECT_EQ(ReadFile(w.path()), before);
}

TEST_F(TextImport, LongTablesAskOnceForAllFromTheFifthRow) {
  // Eleven rows: four asked one by one, then the bulk question naming 7.
  ImportResult r = Import(Rows(11), {Answer::Yes, Answer::No, Answer::Yes, Answer::Yes, Answer::Yes});
  EXPECT_EQ(r.imported, 10);
  ASSERT_EQ(prompter.messages.size(), 6u);
  EXPECT_EQ(prompter.messages[4].textNumber, 22074u);
  EXPECT_EQ(prompter.messages[4].text, u"7 cards are left to import. Import all?");
  EXPECT_EQ(prompter.messages[5].text, u"10 cards were imported.");
  EXPECT_EQ(CardsIn(r.folder).front(), "Row1|User=u1");
  EXPECT_EQ(CardsIn(r.folder)[1], "Row3|User=u3");

  // Nine rows: every row is asked, never in bulk.
  prompter = {};
  r = Import(Rows(9), {Answer::Yes, Answer::Yes, Answer::Yes, Answer::Yes, Answer::Yes, Answer::Yes, Answer::Yes,
                       Answer::Yes, Answer::Yes});
  EXPECT_EQ(r.imported, 9);
  EXPECT_EQ(Questions(), 9);

  // No to the bulk question goes on asking; Cancel there ends the import
  // and keeps the cards taken so far.
  prompter = {};
  r = Import(Rows(10), {Answer::Yes, Answer::Yes, Answer::Yes, Answer::Yes, Answer::No, Answer::Yes, Answer::Cancel});
  EXPECT_EQ(r.imported, 5);
  EXPECT_EQ(Questions(), 7);
  prompter = {};
  r = Import(Rows(10), {Answer::No, Answer::No, Answer::No, Answer::Yes, Answer::Cancel});
  EXPECT_EQ(r.imported, 1);
  EXPECT_EQ(CardsIn(r.folder), CardLines{"Row4|User=u4"});
}

TEST_F(TextImport, DecliningEveryCardMakesNoFolder) {
  const std::string before = ReadFile(w.path());
  const ImportResult r = Import(Rows(3), {Answer::No, Answer::No, Answer::No});
  EXPECT_EQ(r.status, ImportStatus::NothingTaken);
  EXPECT_EQ(prompter.messages.size(), 3u);  // no closing note
  EXPECT_EQ(ReadFile(w.path()), before);
  EXPECT_EQ(w.wallet().Count(), 1);
}

TEST_F(TextImport, PreviewShowsFiveColumnsAndCutsLongTexts) {
  const std::string label(51, 'L'), value(111, 'v');
  TabTable table;
  const std::string bytes = "Card Name\t" + label + "\tB\tC\tD\tE\r\nr\t" + value + "\t2\t3\t4\t5\r\n";
  ASSERT_EQ(table.LoadBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
  const std::u16string want = u"Import this card?\n\nCard Name: r\n" + std::u16string(50, u'L') + u"...: " +
                              std::u16string(110, u'v') + u"...\nB: 2\nC: 3\nD: 4\n(1 more columns not shown)";
  EXPECT_EQ(PreviewText(table, 1, &texts), want);
}

TEST_F(TextImport, ColumnsPastTheFieldsACardHoldsAreLeftOutAndTold) {
  // 10,000 columns: a card holds 255 fields.
  std::string table = "Card Name";
  for (int c = 1; c < 10000; ++c) table += "\tF" + std::to_string(c);
  table += "\r\nwide";
  for (int c = 1; c < 10000; ++c) table += "\tv" + std::to_string(c);
  test::WriteFile(file, table + "\r\n");
  test::ScriptedPrompter yes;
  yes.Queue(Answer::Yes);
  const ImportResult r = ImportText(w.wallet(), file, yes);
  ASSERT_EQ(r.status, ImportStatus::Imported);
  EXPECT_EQ(r.columnsLeftOut, 9999u - 255u);
  EXPECT_NE(yes.messages.front().text.find(u"(9995 more columns not shown)"), std::u16string::npos);
  EXPECT_NE(yes.messages.back().text.find(u"9744 columns were left out."), std::u16string::npos);
  storage::Card card;
  ASSERT_TRUE(w.wallet().LoadCard(w.wallet().At(w.wallet().Count() - 1)->Id(), &card));
  ASSERT_EQ(card.fields.size(), 255u);
  EXPECT_EQ(storage::ToU16(card.fields.back().label), u"F255");
}

TEST(TabTableReader, CellsAndLimits) {
  auto load = [](TabTable& t, const std::string& s) {
    return t.LoadBytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  TabTable t;
  ASSERT_EQ(load(t, "a\tb\tc\r\nd\r\ne\tf\tg\th\r\n"), 0);
  EXPECT_EQ(t.Columns(), 3u);
  EXPECT_EQ(t.Rows(), 4u);
  EXPECT_EQ(t.Cell(2, 1), u"f");
  EXPECT_EQ(t.Cell(2 * 3 + 2), u"g");  // cell number row × columns + column
  EXPECT_EQ(t.Cell(1, 1), u"");        // the short row's missing cell
  EXPECT_EQ(t.Cell(3, 0), u"");        // after the last line end
  EXPECT_EQ(t.Cell(99, 0), u"");
  EXPECT_TRUE(t.RowHadSurplus(2));
  EXPECT_EQ(t.RowsWithSurplus(), 1u);

  // An odd last byte of UTF-16 text is half a unit and left out.
  ASSERT_EQ(load(t, Utf16(u"x\ty") + "z"), 0);
  EXPECT_EQ(t.Text(), u"x\ty");
  EXPECT_EQ(load(t, ""), TabTable::kCannotOpen);
  // More cells than the table may keep: refused, not allocated.
  EXPECT_EQ(load(t, std::string(kMaxImportCells + 1, '\t')), TabTable::kTooLarge);
  EXPECT_FALSE(t.Loaded());
  // Rows of nothing but line ends cost one cell each.
  ASSERT_EQ(load(t, std::string(100000, '\r')), 0);
  EXPECT_EQ(t.Rows(), 100001u);
}

TEST_F(TextImport, EveryFailurePointLeavesTheWalletOldOrNew) {
  w.AddFolder(u"Existing");
  ASSERT_EQ(w.wallet().SaveHeaders(), storage::SaveStatus::Ok);
  w.wallet().Close();
  test::WriteFile(file, "Card Name\tUser\tPass\r\nBank\talice\tpw\r\nMail\tbob\t\r\n");
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
    // The same record ids in every run, so that runs can be compared.
    uint32_t n = 0;
    platform::ScopedRandomSource ids([&n] { return ++n; });
    test::AgreeToAll agree;
    return ImportText(wallet, file, agree).status == ImportStatus::Imported;
  };
  spec.reopen = [open](storage::Wallet& wallet, std::string* label) {
    *label = "old";
    return open(wallet);
  };
  test::RunFaultLoopAllModes("text import", spec);
}

}  // namespace
}  // namespace tb::interchange
