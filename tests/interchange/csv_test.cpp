// The CSV reader and writer: RFC 4180 quoting, every kind of line end,
// rows that break the rules kept as errors with their line, and the limits
// that keep a hostile file from costing much.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fcntl.h>

#include "interchange/csv.h"
#include "platform/core/text_convert.h"
#include "support/temp_dir.h"
#include "text_fixture.h"

namespace tb::interchange {
namespace {

using Values = std::vector<std::string>;

Values Utf8Values(const std::vector<storage::Text>& values) {
  Values out;
  for (const storage::Text& v : values) out.push_back(platform::ToUtf8(storage::ToU16(v)));
  return out;
}

// The rows of a table as "line:value|value" or "line:!error".
std::vector<std::string> Shown(const CsvTable& t) {
  std::vector<std::string> out;
  for (const CsvRow& row : t.Rows()) {
    std::string s = std::to_string(row.line) + ":";
    if (row.error != CsvRowError::None) {
      s += "!" + std::to_string(int(row.error));
    } else {
      for (size_t i = 0; i < row.values.size(); ++i)
        s += (i ? "|" : "") + platform::ToUtf8(storage::ToU16(row.values[i]));
    }
    out.push_back(s);
  }
  return out;
}

TEST(CsvReader, QuotingAndLineEnds) {
  const struct {
    const char* name;
    std::string bytes;
    Values header;
    std::vector<std::string> rows;
  } cases[] = {
      {"plain, LF", "a,b\n1,2\n", {"a", "b"}, {"2:1|2"}},
      {"CRLF, no final line end", "a,b\r\n1,2", {"a", "b"}, {"2:1|2"}},
      {"BOM",
       "\xEF\xBB\xBF"
       "a,b\r\n1,2\r\n",
       {"a", "b"},
       {"2:1|2"}},
      {"quoted comma and doubled quotes", "\"a,x\",b\n\"say \"\"hi\"\"\",\"\"\n", {"a,x", "b"}, {"2:say \"hi\"|"}},
      {"line breaks inside quotes kept as they are",
       "a,b\n\"one\r\ntwo\",\"x\ny\"\n3,4\n",
       {"a", "b"},
       {"2:one\r\ntwo|x\ny", "5:3|4"}},
      {"mixed line ends", "a,b\r\n1,2\n3,4\r5,6\r\n", {"a", "b"}, {"2:1|2", "3:3|4", "4:5|6"}},
      {"blank lines are no rows", "\n\na,b\n\n1,2\n  \n\n", {"a", "b"}, {"5:1|2"}},
      {"empty values", "a,b,c\n,,\n\"\",,\"\"\n", {"a", "b", "c"}, {"2:||", "3:||"}},
      {"a quote inside an unquoted value is text", "a,b\nx\"y,2\n", {"a", "b"}, {"2:x\"y|2"}},
      {"UTF-8",
       "Name,Wert\nGr\xC3\xBC\xC3\x9F"
       "e,\xF0\x9F\x94\x91\n",
       {"Name", "Wert"},
       {"2:Grüße|🔑"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CsvTable t;
    ASSERT_EQ(t.LoadBytes(c.bytes), CsvStatus::Ok);
    EXPECT_EQ(Utf8Values(t.Header()), c.header);
    EXPECT_EQ(Shown(t), c.rows);
  }
}

TEST(CsvReader, BrokenRowsAreKeptAsErrorsByLine) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> rows;
  } cases[] = {
      {"text after a closing quote; the next row is read", "a,b\n\"x\"y,2\n3,4\n", {"2:!2", "3:3|4"}},
      {"NUL", std::string("a,b\n1,x\0y\n3,4\n", 14), {"2:!3", "3:3|4"}},
      {"byte-order mark in the middle",
       "a,b\n1,2\n\xEF\xBB\xBF"
       "a,b\n3,4\n",
       {"2:1|2", "3:!4", "4:3|4"}},
      {"not UTF-8", "a,b\n\xFF\xFE,2\n3,4\n", {"2:!5", "3:3|4"}},
      {"too few and too many values", "a,b\n1\n1,2,3\n\"1,2\"\n3,4\n", {"2:!6", "3:!6", "4:!6", "5:3|4"}},
      {"a quote never closed runs to the end", "a,b\n1,2\n\"3,4\n5,6\n", {"2:1|2", "3:!1"}},
      {"line numbers count the breaks inside values",
       "a,b\n\"1\n\n\",2\nx\"y\"z\"w,\"\n\"\n\"q\"r,s\n",
       {"2:1\n\n|2", "5:x\"y\"z\"w|\n", "7:!2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CsvTable t;
    ASSERT_EQ(t.LoadBytes(c.bytes), CsvStatus::Ok);
    EXPECT_EQ(Shown(t), c.rows);
  }
  CsvTable t;
  ASSERT_EQ(t.LoadBytes("a,b\n1\n"), CsvStatus::Ok);
  EXPECT_EQ(t.Rows()[0].width, 1u);
}

TEST(CsvReader, RefusedTables) {
  CsvTable t;
  EXPECT_EQ(t.LoadBytes(""), CsvStatus::Empty);
  EXPECT_EQ(t.LoadBytes("\xEF\xBB\xBF\r\n\r\n"), CsvStatus::Empty);
  EXPECT_EQ(t.LoadBytes("\"a,b\n1,2\n"), CsvStatus::BadHeader);
  EXPECT_EQ(t.LoadBytes(std::string("a\0,b\n", 5)), CsvStatus::BadHeader);

  std::string wide(kMaxCsvColumns - 1, ',');
  EXPECT_EQ(t.LoadBytes(wide + "\n" + wide + "\n"), CsvStatus::Ok);
  EXPECT_EQ(t.Header().size(), kMaxCsvColumns);
  EXPECT_EQ(t.LoadBytes(std::string(9999, ',') + "\n1\n"), CsvStatus::TooManyColumns);
  EXPECT_TRUE(t.Header().empty());

  // Rows far wider than the header keep no more values than it has.
  ASSERT_EQ(t.LoadBytes("a\n" + std::string(500000, ',') + "\n"), CsvStatus::Ok);
  EXPECT_EQ(t.Rows()[0].error, CsvRowError::WrongWidth);
  EXPECT_TRUE(t.Rows()[0].values.empty());

  std::string many = "a,b\n";
  for (size_t i = 0; i <= kMaxCsvValues / 2; ++i) many += ",\n";
  EXPECT_EQ(t.LoadBytes(many), CsvStatus::TooLarge);
  EXPECT_TRUE(t.Rows().empty());
  // Broken rows keep no values but count all the same.
  std::string broken = "a,b\n";
  for (size_t i = 0; i <= kMaxCsvValues; ++i) broken += "\xFF\n";
  EXPECT_EQ(t.LoadBytes(broken), CsvStatus::TooLarge);
  EXPECT_EQ(t.LoadBytes(std::string(kMaxCsvFileBytes + 1, 'a')), CsvStatus::TooLarge);
}

TEST(CsvReader, FilesAreCheckedBeforeTheyAreRead) {
  test::TempDir dir;
  CsvTable t;
  EXPECT_EQ(t.Load(dir.File("missing.csv")), CsvStatus::CannotOpen);
  EXPECT_EQ(t.Load(dir.Path()), CsvStatus::CannotOpen);
  // 100 MB that are never read: a sparse file costs nothing to make.
  const std::string big = dir.File("big.csv");
  const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, 100 << 20), 0);
  ::close(fd);
  EXPECT_EQ(t.Load(big), CsvStatus::TooLarge);
  test::WriteFile(dir.File("ok.csv"), "a\n1\n");
  EXPECT_EQ(t.Load(dir.File("ok.csv")), CsvStatus::Ok);
  EXPECT_EQ(t.Column(u" A "), 0);
  EXPECT_EQ(t.Column(u"b"), -1);
}

TEST(CsvWriter, QuotesEverythingAndReadsBack) {
  const std::vector<std::u16string> values = {
      u"plain", u"", u"a,b", u"say \"hi\"", u"\"", u"one\r\ntwo\nthree", u"Grüße 🔑", u" spaced "};
  CsvWriter w;
  for (size_t i = 0; i < values.size(); ++i) w.Value(u"c" + std::u16string(1, char16_t(u'0' + i)));
  w.EndRow();
  for (const auto& v : values) w.Value(v);
  w.EndRow();
  const std::string bytes(w.Bytes().begin(), w.Bytes().end());
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find(",\"say \"\"hi\"\"\",\"\"\"\",\"one\r\ntwo\nthree\","), std::string::npos) << bytes;
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  CsvTable t;
  ASSERT_EQ(t.LoadBytes(bytes), CsvStatus::Ok);
  ASSERT_EQ(t.Rows().size(), 1u);
  ASSERT_EQ(t.Rows()[0].values.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(storage::ToU16(t.Rows()[0].values[i]), values[i]);
}

}  // namespace
}  // namespace tb::interchange
