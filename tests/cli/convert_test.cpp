// tbwallet convert: an old ".wal" wallet into a new wallet beside it.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_harness.h"
#include "legacy/legacy_fixture.h"
#include "platform/core/file.h"
#include "platform/core/registry.h"
#include "platform/core/text_convert.h"

namespace tb::test {
namespace {

class ConvertCommand : public ::testing::Test {
 protected:
  ConvertCommand() {
    old.records = {WalFolder{1, 500, 0, u"Gym things"},
                   WalCard{1, 1, 1000, 0, u"gym", {TextEntry(601, u"A-17"), TextEntry(602, u"4711")}},
                   WalCard{2, 1, 500, 0, u"plain", {TextEntry(501, u"N-1")}}};
    old.usesCustomForms = true;
    old.customFormFile = u"\\Program Files\\Tamberlock\\gym.ccd";
  }

  void WriteOld() {
    const std::string bytes = old.Bytes();
    platform::RemoveFile(walPath);
    ASSERT_TRUE(platform::WriteNewFile(walPath, bytes.data(), bytes.size()));
  }

  // Registers the old installation in the test's registry, with the
  // definition text in its folder.
  void InstallOldProduct(const std::string& definitions) {
    const std::string folder = h.dir.File("Old Tamberlock");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(platform::WriteNewFile(folder + "/gym.ccd", definitions.data(), definitions.size()));
    platform::Registry registry(h.env.registryPath);
    registry.SetString("HKEY_CLASSES_ROOT\\ostreltamberlockfile\\DefaultIcon", u"",
                       platform::FromUtf8(folder) + u"/tbpro.exe,-201");
    ASSERT_TRUE(registry.Save());
  }

  CliHarness h;
  WalWriter old;
  std::string walPath = h.dir.File("Old.wal");
  std::string newPath = h.dir.File("Old.tb5");
};

const char kDefinitions[] =
    "<QuillimarstenTamberlockCustomForms.1>\r\n"
    "<MyForm>\r\n"
    "Gym\r\n"
    "1000\r\n"
    "8\r\n"
    "601 TBF_DEFAULT Member ; the number on the card\r\n"
    "602 TBF_PIN Locker code\r\n"
    "<EndForm>\r\n";

TEST_F(ConvertCommand, PrintsTheNewWalletWithItsCards) {
  WriteOld();
  InstallOldProduct(kDefinitions);
  const std::string before = old.Bytes();
  const CliResult r = h.Exec({"convert", walPath}, "oldpass\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, newPath + "\n");

  const CliResult shown = h.Exec({"show", newPath, "Gym things/gym", "--reveal"}, "oldpass\n");
  ASSERT_EQ(shown.rc, 0) << shown.err;
  EXPECT_TRUE(Contains(shown.out, "Member"));
  EXPECT_TRUE(Contains(shown.out, "A-17"));
  EXPECT_TRUE(Contains(shown.out, "Locker code"));
  EXPECT_TRUE(Contains(shown.out, "4711"));
  const CliResult plain = h.Exec({"show", newPath, "Gym things/plain"}, "oldpass\n");
  ASSERT_EQ(plain.rc, 0) << plain.err;
  EXPECT_TRUE(Contains(plain.out, "N-1"));

  std::string after;
  ASSERT_TRUE(platform::ReadWholeFile(walPath, &after, 1 << 20));
  EXPECT_EQ(after, before);

  // Again: the new wallet's namesake is there now.
  const CliResult again = h.Exec({"convert", walPath}, "oldpass\n");
  EXPECT_EQ(again.rc, 1);
  EXPECT_TRUE(Contains(again.err, "A wallet file with the new name may already exist"));
  EXPECT_TRUE(Contains(again.err, "status 4"));
}

TEST_F(ConvertCommand, RefusalsSayWhy) {
  WriteOld();
  {
    const CliResult r = h.Exec({"convert", walPath}, "oldpass\n");
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(Contains(r.err, "Could not find associated custom form (*.ccd) definition file"));
    EXPECT_TRUE(Contains(r.err, "status 10"));
  }
  InstallOldProduct(kDefinitions);
  {
    const CliResult r = h.Exec({"convert", walPath}, "wrong\n");
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(Contains(r.err, "The password is wrong"));
  }
  {
    const std::string notOld = "just some text, long enough to be read as a file";
    ASSERT_TRUE(platform::WriteNewFile(h.dir.File("text.wal"), notOld.data(), notOld.size()));
    const CliResult r = h.Exec({"convert", h.dir.File("text.wal")}, "oldpass\n");
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(Contains(r.err, "This file is not a wallet of the earlier Tamberlock version"));
  }
  EXPECT_FALSE(platform::FileExists(newPath));
  EXPECT_EQ(h.Exec({"convert"}).rc, 2);
}

}  // namespace
}  // namespace tb::test
