#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/core/file.h"
#include "platform/core/registry.h"
#include "support/temp_dir.h"

namespace tb::platform {
namespace {

const std::string kKey = "HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 5";
const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

class RegistryTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.File("registry.reg"); }
  void WriteFile(const std::string& text) { std::ofstream(Path(), std::ios::binary) << text; }
  std::string ReadBack() {
    std::string text;
    EXPECT_TRUE(ReadWholeFile(Path(), &text, 1 << 20));
    return text;
  }
  test::TempDir dir_;
};

TEST_F(RegistryTest, AllTypesAndDefaultValuesSurviveSaveAndLoad) {
  std::vector<uint8_t> keys(48);
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<uint8_t>(i * 7);
  {
    Registry r(Path());
    EXPECT_FALSE(r.LoadFailed());
    r.SetDword(kKey, u"Count6", 10);
    r.SetDword(kKey, u"Max", 0xFFFFFFFF);
    r.SetString(kKey, u"MRU", u"/home/me/Documents/Mine \"1\" \\ \u00FC\u20AC.tb5");
    r.SetString(kKey, u"Empty", u"");
    r.SetString(kKey, u"Lines", u"one\r\ntwo\nthree");
    r.SetBinary(kKey, u"Keys", keys);
    r.SetBinary(kKey, u"None", {});
    r.SetString("HKEY_CLASSES_ROOT\\.tb5", u"", u"tamberlockfile");
    r.SetDword("HKEY_CLASSES_ROOT\\.tbx", u"", 3);
    ASSERT_TRUE(r.Save());
  }
  const std::string text = ReadBack();
  EXPECT_EQ(0u, text.find(kHeader));
  EXPECT_NE(std::string::npos, text.find("\"Count6\"=dword:0000000a\n"));
  EXPECT_NE(std::string::npos, text.find("[HKEY_CLASSES_ROOT\\.tb5]\n@=\"tamberlockfile\"\n"));
  EXPECT_NE(std::string::npos, text.find("\"Keys\"=hex:00,07,0e,"));
  EXPECT_NE(std::string::npos, text.find(",\\\n  "));  // the long value goes on over lines
  EXPECT_NE(std::string::npos, text.find("\"MRU\"=\"/home/me/Documents/Mine \\\"1\\\" \\\\ "));

  Registry r(Path());
  ASSERT_FALSE(r.LoadFailed());
  EXPECT_EQ(text, r.Serialise());
  const auto count = r.Get(kKey, u"Count6");
  ASSERT_TRUE(count);
  EXPECT_EQ(RegistryValue::Type::Dword, count->type);
  EXPECT_EQ(10u, count->dword);
  EXPECT_EQ(0xFFFFFFFFu, r.Get(kKey, u"Max")->dword);
  EXPECT_EQ(u"/home/me/Documents/Mine \"1\" \\ \u00FC\u20AC.tb5", r.Get(kKey, u"MRU")->text);
  EXPECT_EQ(RegistryValue::Type::String, r.Get(kKey, u"Empty")->type);
  EXPECT_EQ(u"one\r\ntwo\nthree", r.Get(kKey, u"Lines")->text);
  EXPECT_EQ(keys, r.Get(kKey, u"Keys")->bytes);
  EXPECT_EQ(RegistryValue::Type::Binary, r.Get(kKey, u"None")->type);
  EXPECT_TRUE(r.Get(kKey, u"None")->bytes.empty());
  EXPECT_EQ(u"tamberlockfile", r.Get("HKEY_CLASSES_ROOT\\.tb5", u"")->text);
  EXPECT_EQ(3u, r.Get("HKEY_CLASSES_ROOT\\.tbx", u"")->dword);
  EXPECT_FALSE(r.Get(kKey, u"Absent"));
  EXPECT_FALSE(r.Get("HKEY_CURRENT_USER\\Nothing", u"Count6"));

  struct stat st {};
  ASSERT_EQ(0, stat(Path().c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCaseAndKeepTheFirstSpelling) {
  Registry r(Path());
  r.SetDword(kKey, u"LangPref", 0x407);
  r.SetDword("hkey_current_user\\software\\QUILLIMARSTEN\\tamberlock pro 5", u"langpref", 0x409);
  EXPECT_TRUE(r.KeyExists("HKEY_CURRENT_USER\\Software\\Quillimarsten\\Tamberlock PRO 5"));
  EXPECT_EQ(0x409u, r.Get(kKey, u"LANGPREF")->dword);
  const std::string text = r.Serialise();
  EXPECT_EQ(kHeader + "[" + kKey + "]\n\"LangPref\"=dword:00000409\n\n", text);
}

TEST_F(RegistryTest, KeysExistWithTheirSubkeysAndDeleteWithThem) {
  Registry r(Path());
  EXPECT_FALSE(r.KeyExists(kKey));
  r.CreateKey(kKey);
  r.SetDword(kKey + "\\Sub", u"x", 1);
  r.SetDword("HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 50", u"y", 2);
  EXPECT_TRUE(r.KeyExists(kKey));
  EXPECT_TRUE(r.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten"));  // a parent
  EXPECT_FALSE(r.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\Quill"));
  r.DeleteValue(kKey + "\\Sub", u"X");
  EXPECT_FALSE(r.Get(kKey + "\\Sub", u"x"));
  EXPECT_TRUE(r.KeyExists(kKey + "\\Sub"));
  r.DeleteKey(kKey);
  EXPECT_FALSE(r.KeyExists(kKey));
  EXPECT_FALSE(r.KeyExists(kKey + "\\Sub"));
  EXPECT_EQ(2u, r.Get("HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 50", u"y")->dword);

  // Empty: no values and no subkeys; a sibling of a similar name is no subkey.
  const std::string parent = "HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten";
  EXPECT_FALSE(r.KeyIsEmpty(parent));
  r.DeleteKey(parent + "\\Tamberlock Pro 50");
  r.CreateKey(parent);
  r.CreateKey(parent + " Other");
  EXPECT_TRUE(r.KeyIsEmpty(parent));
  r.SetDword(parent, u"v", 1);
  EXPECT_FALSE(r.KeyIsEmpty(parent));
  EXPECT_TRUE(r.KeyIsEmpty(parent + "\\Missing"));
}

TEST_F(RegistryTest, ReadsWhatOtherWritersProduce) {
  // CRLF lines, a byte order mark, comments, upper-case hex, a hex value
  // continued over lines, hex(1) and hex(4) forms, a repeated section.
  WriteFile(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "; written by hand\r\n"
      "[" +
      kKey +
      "]\r\n"
      "\"Keys\"=hex:01,02,\\\r\n"
      "  AB,cd,\\\r\n"
      "  ef\r\n"
      "\"Name\"=hex(1):41,00,42,00,00,00\r\n"
      "\"Count\"=hex(4):0a,00,00,01\r\n"
      "\"Short\"=dword:1F\r\n"
      "@=\"def\"\r\n"
      "\r\n"
      "[" +
      kKey +
      "]\r\n"
      "\"More\"=\"\"\r\n");
  Registry r(Path());
  ASSERT_FALSE(r.LoadFailed());
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 0xAB, 0xCD, 0xEF}), r.Get(kKey, u"Keys")->bytes);
  EXPECT_EQ(u"AB", r.Get(kKey, u"Name")->text);
  EXPECT_EQ(0x0100000Au, r.Get(kKey, u"Count")->dword);
  EXPECT_EQ(0x1Fu, r.Get(kKey, u"Short")->dword);
  EXPECT_EQ(u"def", r.Get(kKey, u"")->text);
  EXPECT_EQ(u"", r.Get(kKey, u"More")->text);
}

TEST_F(RegistryTest, MissingFileIsAnEmptyRegistryAndSaveCreatesTheFolder) {
  const std::string path = dir_.File("deep/er/registry.reg");
  Registry r(path);
  EXPECT_FALSE(r.LoadFailed());
  EXPECT_FALSE(r.KeyExists(kKey));
  r.SetDword(kKey, u"a", 1);
  ASSERT_TRUE(r.Save());
  EXPECT_EQ(1u, Registry(path).Get(kKey, u"a")->dword);
  struct stat st {};
  ASSERT_EQ(0, stat(dir_.File("deep").c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);
}

TEST_F(RegistryTest, MalformedFilesAreRefusedAndNeverOverwritten) {
  const std::string bodies[] = {
      "",
      "REGEDIT4\n\n[" + kKey + "]\n",
      kHeader + "\"x\"=dword:1\n",  // value before any key
      kHeader + "[" + kKey + "\n",  // unclosed section
      kHeader + "[]\n",
      kHeader + "[-" + kKey + "]\n",  // deletion syntax
      kHeader + "[" + kKey + "]\n\"x\"=dword:123456789\n",
      kHeader + "[" + kKey + "]\n\"x\"=dword:\n",
      kHeader + "[" + kKey + "]\n\"x\"=dword:12g4\n",
      kHeader + "[" + kKey + "]\n\"x\"=\"open\n",
      kHeader + "[" + kKey + "]\n\"x\"=\"a\\qb\"\n",  // unknown escape
      kHeader + "[" + kKey + "]\n\"x\"=\"a\" junk\n",
      kHeader + "[" + kKey + "]\n\"x\"=hex:1,02\n",
      kHeader + "[" + kKey + "]\n\"x\"=hex:01,,02\n",
      kHeader + "[" + kKey + "]\n\"x\"=hex:01,02,\n",
      kHeader + "[" + kKey + "]\n\"x\"=hex:01,\\\n",  // continued past the end
      kHeader + "[" + kKey + "]\n\"x\"=hex(1):41\n",  // odd UTF-16 length
      kHeader + "[" + kKey + "]\n\"x\"=hex(4):01,02\n",
      kHeader + "[" + kKey + "]\n\"x\"=hex(b):01,02,03,04,05,06,07,08\n",
      kHeader + "[" + kKey + "]\n\"x\"=-\n",
      kHeader + "[" + kKey + "]\n\"x\"\n",
      kHeader + "[" + kKey + "]\nx=dword:1\n",
      kHeader + "[" + kKey + "]\n\"x=dword:1\n",
      kHeader + "[" + kKey + "]\n\"\"=dword:1\n",
      kHeader + "[" + kKey + "]\n\"x\"=\"\xC3\x28\"\n",  // not UTF-8
  };
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body);
    WriteFile(body);
    Registry r(Path());
    EXPECT_TRUE(r.LoadFailed());
    EXPECT_FALSE(r.KeyExists(kKey));
    r.SetDword(kKey, u"Count6", 1);
    EXPECT_FALSE(r.Save());
    EXPECT_EQ(body, ReadBack());
  }
}

TEST_F(RegistryTest, OversizedFileIsRefusedUnread) {
  WriteFile(kHeader + "[" + kKey + "]\n\"x\"=\"" + std::string(17 << 20, 'a') + "\"\n");
  Registry r(Path());
  EXPECT_TRUE(r.LoadFailed());
  EXPECT_FALSE(r.Save());
}

TEST_F(RegistryTest, ParseReplacesContentAndSaveLeavesNoTemporaryFiles) {
  Registry r(Path());
  r.SetDword(kKey, u"old", 1);
  ASSERT_TRUE(r.Parse(kHeader + "[HKEY_CLASSES_ROOT\\.tbx]\n@=\"x\"\n"));
  EXPECT_FALSE(r.KeyExists(kKey));
  EXPECT_TRUE(r.KeyExists("HKEY_CLASSES_ROOT\\.tbx"));
  EXPECT_FALSE(r.Parse("garbage"));
  EXPECT_FALSE(r.KeyExists("HKEY_CLASSES_ROOT\\.tbx"));

  r.SetDword(kKey, u"a", 1);
  ASSERT_TRUE(r.Save());
  r.SetDword(kKey, u"a", 2);
  ASSERT_TRUE(r.Save());
  EXPECT_EQ(2u, Registry(Path()).Get(kKey, u"a")->dword);
  // Only the registry file itself is left in the folder.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(std::vector<std::string>{"registry.reg"}, names);
}

TEST(RegistryPath, EnvironmentChoosesTheFile) {
  const char* savedFile = getenv("TB_REGISTRY_FILE");
  const char* savedXdg = getenv("XDG_CONFIG_HOME");
  const std::string file = savedFile ? savedFile : "";
  const std::string xdg = savedXdg ? savedXdg : "";

  setenv("TB_REGISTRY_FILE", "/tmp/elsewhere.reg", 1);
  EXPECT_EQ("/tmp/elsewhere.reg", Registry::DefaultPath());
  unsetenv("TB_REGISTRY_FILE");
  setenv("XDG_CONFIG_HOME", "/x/config", 1);
  EXPECT_EQ("/x/config/tamberlock/registry.reg", Registry::DefaultPath());
  setenv("XDG_CONFIG_HOME", "relative", 1);  // ignored, as the XDG rules ask
  EXPECT_NE(std::string::npos, Registry::DefaultPath().find("/.config/tamberlock/registry.reg"));

  if (savedFile) setenv("TB_REGISTRY_FILE", file.c_str(), 1);
  if (savedXdg) setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace tb::platform
