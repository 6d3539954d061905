#include "shell/core/command_line.h"

#include <gtest/gtest.h>

#include <set>

#include "shell/core/platform_info.h"

namespace tb::shell {
namespace {

// Files that "exist" for a case.
FileExistsFn Existing(std::set<std::u16string> files) {
  return [files = std::move(files)](const std::u16string& path) { return files.count(path) > 0; };
}

struct ParseCase {
  const char* name;
  std::u16string commandLine;
  bool openLast;
  int result;
  bool syncStart;
  bool syncEnd;
  std::u16string commandText;
  std::u16string fileToOpen;
  std::u16string startWallet;
};

TEST(ParseCommandLineTest, FollowsTheCommandLineRules) {
  const std::u16string mine = u"/home/me/Documents/Mine.tb5";
  const std::u16string last = u"/home/me/Documents/Last.tb5";
  const ParseCase cases[] = {
      {"existing file", mine, true, int(mine.size()), false, false, mine, mine, mine},
      {"missing file wins over the MRU wallet", u"/nowhere/Gone.tb5", true, 0, false, false, u"", u"", u""},
      {"empty with OpenLast", u"", true, int(last.size()), false, false, u"", last, last},
      {"empty without OpenLast", u"", false, 0, false, false, u"", u"", u""},
      // A form file is imported once a wallet is open: the wallet is chosen
      // as for an empty command line.
      {"form file in any case", u"/x/Forms.TbX", true, -1, false, false, u"/x/Forms.TbX", u"", last},
      {"form file without OpenLast", u"/x/Forms.TbX", false, -1, false, false, u"/x/Forms.TbX", u"", u""},
      {"sync start after other text", u"/x/activesync SYNC_START", true, 0, true, false, u"", u"", u""},
      {"sync start in lower case", u"sync_start", true, 0, true, false, u"", u"", u""},
      {"sync end in mixed case", u"Sync_End", true, 0, false, true, u"", u"", u""},
      {"four characters are never keywords", u".tbx", true, 0, false, false, u"", u"", u""},
      {"quotes are kept", u"\"" + mine + u"\"", true, 0, false, false, u"", u"", u""},
  };
  Settings settings;
  settings.mru = last;
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    settings.openLast = c.openLast;
    const FileExistsFn exists = Existing({mine, last, u"/x/Forms.TbX"});
    StartupRequest request;
    request.syncEnd = true;  // left over from before: the parse clears it
    EXPECT_EQ(ParseCommandLine(request, c.commandLine, settings, exists), c.result);
    EXPECT_EQ(request.syncStart, c.syncStart);
    EXPECT_EQ(request.syncEnd, c.syncEnd);
    EXPECT_EQ(request.commandText, c.commandText);
    EXPECT_EQ(request.fileToOpen, c.fileToOpen);
    EXPECT_EQ(request.formFile, c.result == -1 ? c.commandText : u"");
    EXPECT_EQ(StartWalletPath(request, settings, exists), c.startWallet);
  }
}

TEST(ParseCommandLineTest, CutsLongTextAndSeesTheKeywordOnlyWithinIt) {
  Settings settings;
  StartupRequest request;
  const std::u16string longText = std::u16string(300, u'a') + u"SYNC_END";
  EXPECT_EQ(ParseCommandLine(request, longText, settings, Existing({})), 0);
  EXPECT_FALSE(request.syncEnd);  // the keyword was cut off
  EXPECT_TRUE(request.commandText.empty());

  const std::u16string path = u"/" + std::u16string(290, u'p');
  EXPECT_EQ(ParseCommandLine(request, path, settings, Existing({path.substr(0, kMaxCommandText)})),
            int(kMaxCommandText));
}

TEST(SplitProgramArgumentsTest, TakesTheProgramsOwnOptionsOut) {
  const ProgramArguments a =
      SplitProgramArguments({"--platform", "Smartphone", "/home/me/My", "Wallet.tb5", "--screenshot", "/tmp/pics"});
  EXPECT_EQ(a.platform, "Smartphone");
  EXPECT_EQ(a.screenshotDir, "/tmp/pics");
  EXPECT_EQ(a.commandText, u"/home/me/My Wallet.tb5");

  const ProgramArguments b = SplitProgramArguments({"Wallet.tb5", "--platform"});
  EXPECT_FALSE(b.platform);
  EXPECT_EQ(b.commandText, u"Wallet.tb5 --platform");
  EXPECT_EQ(SplitProgramArguments({"Grüße.tb5"}).commandText, u"Grüße.tb5");

  const ProgramArguments c = SplitProgramArguments({"--close"});
  EXPECT_TRUE(c.close);
  EXPECT_EQ(c.commandText, u"");
  EXPECT_FALSE(SplitProgramArguments({"Wallet.tb5"}).close);
}

TEST(DetectPlatformTest, OnlySmartphoneRunsKeysOnly) {
  const struct {
    std::u16string type;
    bool smartphone;
  } cases[] = {{u"PocketPC", false},  {u"Pocket PC", false}, {u"Smartphone", true},
               {u"SMARTPHONE", true}, {u"Toaster", false},   {u"", false}};
  for (const auto& c : cases) {
    PlatformFacts facts;
    facts.platformType = c.type;
    PlatformInfo info;
    DetectPlatform(info, facts);
    EXPECT_EQ(info.isSmartphone, c.smartphone) << std::string(c.type.begin(), c.type.end());
    EXPECT_NE(info.isPocketPC, info.isSmartphone);
  }
}

TEST(DetectPlatformTest, EastAsianLanguagesByPrimaryLanguage) {
  const struct {
    uint16_t langId;
    bool eastAsian;
    bool japanese;
  } cases[] = {{0x0804, true, false},
               {0x0411, true, true},
               {0x0412, true, false},
               {0x0409, false, false},
               {0x0407, false, false}};
  for (const auto& c : cases) {
    PlatformFacts facts;
    facts.defaultLanguageId = c.langId;
    PlatformInfo info;
    DetectPlatform(info, facts);
    EXPECT_EQ(info.isEastAsian, c.eastAsian) << c.langId;
    EXPECT_EQ(info.isJapanese, c.japanese) << c.langId;
  }
}

TEST(DetectPlatformTest, OptionBeatsTheEnvironment) {
  setenv("TB_PLATFORM", "Smartphone", 1);
  EXPECT_EQ(SystemPlatformFacts(std::nullopt).platformType, u"Smartphone");
  EXPECT_EQ(SystemPlatformFacts(std::string("PocketPC")).platformType, u"PocketPC");
  unsetenv("TB_PLATFORM");
  EXPECT_EQ(SystemPlatformFacts(std::nullopt).platformType, u"PocketPC");
}

}  // namespace
}  // namespace tb::shell
