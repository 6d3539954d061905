// The export file, byte for byte, on a small wallet: header, folder paths in
// the browser's order, masked passwords, attachment numbering and names
// that must not become paths, and files only the owner may read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <initializer_list>

#include "interchange/text_export.h"
#include "platform/core/text_convert.h"
#include "text_fixture.h"

namespace tb::interchange {
namespace {

using test::FieldSpec;
using test::ReadFile;
using test::Utf16;

std::u16string Lines(std::initializer_list<std::u16string_view> lines) {
  std::u16string out;
  for (std::u16string_view line : lines) {
    out += line;
    out += u"\r\n";
  }
  return out;
}

storage::Attachment MakeAttachment(std::u16string_view name, const std::string& bytes) {
  storage::Attachment a;
  a.fileName = storage::ToText(name);
  a.bytes.assign(bytes.begin(), bytes.end());
  return a;
}

class TextExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.Ok());
    storage::Wallet& wallet = w.wallet();
    wallet.SetTextSource(&texts);
    const int a = w.AddFolder(u"A");
    b = w.AddFolder(u"B", w.IdAt(a));
    const int c = w.AddFolder(u"C", w.IdAt(b));
    const int z = w.AddFolder(u"Z bank");
    const int login = w.AddCard(w.IdAt(a), u"Login",
                                {{u"User", u"alice"},
                                 {u"Password", u"hunter2", 7},
                                 {u"Empty", u""},
                                 {u"Member", u"1", 13},
                                 {u"Since", u"", 8, platform::SystemTime{2020, 3, 0, 4, 0, 0, 0, 0}}});
    wallet.AddFavourite(w.IdAt(login));  // the favourites view is not exported
    w.AddCard(w.IdAt(c), u"Nothing", {{u"Blank", u""}});
    storage::Card files = w.MakeCard(w.IdAt(z), u"a/b:c", {{u"Note", u"n"}, {u"PIN", u"12345678901", 7}});
    files.AddAttachment(MakeAttachment(u"../../evil.sh", "x"));
    files.AddAttachment(MakeAttachment(u".hidden", "yy"));
    filesCard = wallet.AppendCard(files);
    ASSERT_GE(filesCard, 0);
    ASSERT_EQ(wallet.SaveHeaders(), storage::SaveStatus::Ok);
    options.outputPlace = out.Path();
    folder = out.File("test");
  }

  std::u16string Header() const {
    return Lines({u"Wallet Export", u"Wallet: test", u"File: " + platform::FromUtf8(w.path()),
                  u"Exported: 12/6/2026  2:05 PM", u"", u""});
  }

  test::FixedMoment moment;
  test::ExchangeTexts texts;
  test::TestWallet w;
  test::TempDir out;
  ExportOptions options;
  std::string folder;
  int filesCard = -1;
  int b = -1;
};

TEST_F(TextExport, WholeWalletIsWrittenByteForByte) {
  options.includeAttachments = true;
  std::string path;
  ASSERT_TRUE(ExportWallet(w.wallet(), options, &path));
  EXPECT_EQ(path, folder + "/test_06122026.txt");
  const std::u16string want = Header() + Lines({u"",
                                                u"----",
                                                u"Folder: A",
                                                u"----",
                                                u"----",
                                                u"Login",
                                                u"----",
                                                u"User: alice",
                                                u"Password: ********",
                                                u"Member: Yes",
                                                u"Since: 3/4/2020",
                                                u"",
                                                u"",
                                                u"",
                                                u"----",
                                                u"Folder: A > B",
                                                u"----",
                                                u"",
                                                u"----",
                                                u"Folder: A > B > C",
                                                u"----",
                                                u"----",
                                                u"Nothing",
                                                u"----",
                                                u"(no data)",
                                                u"",
                                                u"",
                                                u"----",
                                                u"Folder: Z bank",
                                                u"----",
                                                u"----",
                                                u"a/b:c",
                                                u"----",
                                                u"Note: n",
                                                u"PIN: ********",
                                                u"",
                                                u"Attachment saved as: 001__.._evil.sh",
                                                u"Attachment saved as: 002_hidden",
                                                u"",
                                                u"----",
                                                u"Folder: My Forms",
                                                u"----"});
  EXPECT_EQ(ReadFile(path), Utf16(want));
  EXPECT_EQ(ReadFile(folder + "/001__.._evil.sh"), "x");
  EXPECT_EQ(ReadFile(folder + "/002_hidden"), "yy");
  for (const std::string& file : {path, folder + "/001__.._evil.sh", folder + "/002_hidden"})
    EXPECT_EQ(test::PermissionsOf(file), 0600u) << file;
  EXPECT_EQ(test::PermissionsOf(folder), 0700u);
  // Nothing was written outside the export folder, nor left behind in it.
  EXPECT_FALSE(std::filesystem::exists(out.File("evil.sh")));
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) entries += e.is_regular_file();
  EXPECT_EQ(entries, 3);
}

TEST_F(TextExport, CardExportNumbersFromZeroAndShowsPasswordsWhenAsked) {
  options.includeAttachments = true;
  options.includePasswords = true;
  std::string path;
  ASSERT_TRUE(ExportCard(w.wallet(), w.IdAt(filesCard), options, &path));
  EXPECT_EQ(path, folder + "/a_b_c_06122026.txt");
  const std::u16string want =
      Header() + Lines({u"----", u"a/b:c", u"----", u"Note: n", u"PIN: 12345678901", u"",
                        u"Attachment saved as: 000__.._evil.sh", u"Attachment saved as: 001_hidden"});
  EXPECT_EQ(ReadFile(path), Utf16(want));
}

TEST_F(TextExport, FolderExportWalksOnlyItsSubtreeWithFullPaths) {
  std::string path;
  ASSERT_TRUE(ExportFolder(w.wallet(), w.IdAt(b), options, &path));
  EXPECT_EQ(path, folder + "/B_06122026.txt");
  const std::u16string want =
      Header() + Lines({u"", u"----", u"Folder: A > B", u"----", u"", u"----", u"Folder: A > B > C", u"----", u"----",
                        u"Nothing", u"----", u"(no data)"});
  EXPECT_EQ(ReadFile(path), Utf16(want));
}

TEST_F(TextExport, FolderPathNamesAtMostEightAncestors) {
  storage::RecordId parent;
  int top = -1, last = -1;
  for (int i = 0; i < 11; ++i) {
    last = w.AddFolder(u"F" + std::u16string(1, char16_t(u'0' + i % 10)) + (i >= 10 ? u"x" : u""), parent);
    if (i == 0) top = last;
    parent = w.IdAt(last);
  }
  std::string path;
  ASSERT_TRUE(ExportFolder(w.wallet(), w.IdAt(top), options, &path));
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find(Utf16(u"Folder: F2 > F3 > F4 > F5 > F6 > F7 > F8 > F9 > F0x\r\n").substr(2)), std::string::npos);
}

TEST_F(TextExport, SameDayExportReplacesTheFileWithoutWritingThroughIt) {
  // A link planted where the export goes must not lead the secrets away.
  std::filesystem::create_directory(folder);
  const std::string victim = out.File("victim");
  test::WriteFile(victim, "keep");
  ASSERT_EQ(::symlink(victim.c_str(), (folder + "/test_06122026.txt").c_str()), 0);
  std::string first, second;
  ASSERT_TRUE(ExportWallet(w.wallet(), options, &first));
  EXPECT_EQ(ReadFile(victim), "keep");
  EXPECT_FALSE(std::filesystem::is_symlink(first));
  options.includePasswords = true;
  ASSERT_TRUE(ExportWallet(w.wallet(), options, &second));
  EXPECT_EQ(first, second);
  EXPECT_NE(ReadFile(second).find(Utf16(u"hunter2").substr(2)), std::string::npos);
}

TEST_F(TextExport, NothingIsWrittenWhenTheFileCannotBeMadeOrTheItemIsMissing) {
  std::string path = "unchanged";
  options.outputPlace = out.File("no/such/place");
  EXPECT_FALSE(ExportWallet(w.wallet(), options, &path));
  options.outputPlace = out.Path();
  EXPECT_FALSE(ExportCard(w.wallet(), storage::RecordId{}, options, &path));
  EXPECT_FALSE(ExportFolder(w.wallet(), w.IdAt(filesCard), options, &path));  // a card, not a folder
  EXPECT_EQ(path, "unchanged");
  EXPECT_FALSE(std::filesystem::exists(folder) && !std::filesystem::is_empty(folder));
}

TEST_F(TextExport, WhatAWrittenExportLeftOutIsReported) {
  // The last record's body is cut off the file: that card cannot be read.
  const int last = w.AddCard(w.IdAt(b), u"Last", {{u"Note", u"gone"}});
  ASSERT_GE(last, 0);
  ASSERT_EQ(::truncate(w.path().c_str(), std::filesystem::file_size(w.path()) - 4), 0);
  // A folder stands where the first attachment file would go.
  std::filesystem::create_directories(folder + "/001__.._evil.sh/inside");
  options.includeAttachments = true;
  std::string path;
  ExportReport report;
  ASSERT_TRUE(ExportWallet(w.wallet(), options, &path, &report));
  EXPECT_EQ(report.cardsLeftOut, 1);
  EXPECT_EQ(report.attachmentsLeftOut, 1);
  EXPECT_FALSE(report.Complete());
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.find(Utf16(u"Last").substr(2)), std::string::npos);
  // The number the failed file would have had goes to the next one.
  EXPECT_NE(text.find(Utf16(u"Attachment saved as: 001_hidden").substr(2)), std::string::npos);

  ExportReport whole;
  ASSERT_TRUE(ExportFolder(w.wallet(), w.IdAt(w.wallet().ParentFolderPosition(filesCard)), options, &path, &whole));
  EXPECT_EQ(whole.cardsLeftOut, 0);
  EXPECT_EQ(whole.attachmentsLeftOut, 1);
  options.includeAttachments = false;
  ASSERT_TRUE(ExportWallet(w.wallet(), options, &path, &whole));
  EXPECT_EQ(whole.attachmentsLeftOut, 0);
  EXPECT_EQ(whole.cardsLeftOut, 1);
}

TEST(ExportNames, HostileNamesBecomeOneFileName) {
  struct Case {
    std::u16string name;
    std::u16string want;
  } cases[] = {
      {u"../../etc/passwd", u"_.._etc_passwd"}, {u"...", u"attachment"}, {u"a\\b:c*d?e\"f<g>h|i", u"a_b_c_d_e_f_g_h_i"},
      {u"line\nbreak\x7F", u"line_break_"},     {u"", u"attachment"},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeFileName(c.name, u"attachment"), c.want) << platform::ToUtf8(c.name);
  // Long names are cut to what a file system takes, never inside a character.
  const std::u16string euros(300, u'\u20AC');
  const std::string fitted = FitFileName(u"001_", euros, u".txt");
  EXPECT_LE(fitted.size(), kMaxFileNameBytes);
  EXPECT_TRUE(platform::IsValidUtf8(fitted));
  EXPECT_EQ(fitted.substr(fitted.size() - 4), ".txt");
  std::u16string pairs;
  for (int i = 0; i < 100; ++i) pairs += u"\U0001F600";
  EXPECT_TRUE(platform::IsValidUtf8(FitFileName(u"", pairs, u"_06122026.txt")));
  EXPECT_EQ(platform::FromUtf8(FitFileName(u"", pairs, u"")).find(u'\uFFFD'), std::u16string::npos);
}

TEST(ExportNames, TimeWithoutSeconds) {
  for (auto [picture, want] : {std::pair<std::u16string, std::u16string>{u"h:mm:ss tt", u"h:mm tt"},
                               {u"HH:mm:ss", u"HH:mm"},
                               {u"HH.mm.ss 'Uhr'", u"HH.mm 'Uhr'"},
                               {u"tt h:mm:ss", u"tt h:mm"}})
    EXPECT_EQ(WithoutSeconds(picture), want) << platform::ToUtf8(picture);
  EXPECT_EQ(WalletName("/home/me/My.Wallet.tb5"), u"My.Wallet");
}

}  // namespace
}  // namespace tb::interchange
