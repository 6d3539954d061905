#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "platform/core/file.h"
#include "support/temp_dir.h"

namespace tb::platform {
namespace {

class FileTest : public ::testing::Test {
 protected:
  void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  test::TempDir dir_;
};

TEST_F(FileTest, CreateNewIsExclusiveAndOwnerOnly) {
  const std::string path = dir_.File("w.tb5");
  File f;
  ASSERT_EQ(OpenResult::Ok, f.Open(path, OpenMode::CreateNew));
  struct stat st {};
  ASSERT_EQ(0, stat(path.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);
  f.Close();

  File again;
  EXPECT_EQ(OpenResult::Exists, again.Open(path, OpenMode::CreateNew));
  EXPECT_FALSE(again.IsOpen());
}

TEST_F(FileTest, OpenFailuresAreReportedByKind) {
  File f;
  EXPECT_EQ(OpenResult::NotFound, f.Open(dir_.File("missing"), OpenMode::ReadOnly));
  EXPECT_EQ(OpenResult::NotFound, f.Open(dir_.File("missing"), OpenMode::ReadWrite));
  EXPECT_EQ(OpenResult::NotFound, f.Open(dir_.File("no/such/folder"), OpenMode::CreateNew));
  EXPECT_EQ(OpenResult::NotRegular, f.Open(dir_.Path(), OpenMode::ReadOnly));
  EXPECT_EQ(OpenResult::NotRegular, f.Open(dir_.Path(), OpenMode::ReadWrite));
  EXPECT_FALSE(f.IsOpen());
}

TEST_F(FileTest, SecondWriterIsRefusedWhileTheFirstLives) {
  const std::string path = dir_.File("w.tb5");
  File first;
  ASSERT_EQ(OpenResult::Ok, first.Open(path, OpenMode::CreateNew));
  {
    // Same process, separate open: the lock must still refuse it.
    File second;
    EXPECT_EQ(OpenResult::Locked, second.Open(path, OpenMode::ReadWrite));
    EXPECT_FALSE(second.IsOpen());
    File reader;
    EXPECT_EQ(OpenResult::Ok, reader.Open(path, OpenMode::ReadOnly));
  }
  // Moving the file keeps the lock with it.
  File moved = std::move(first);
  EXPECT_FALSE(first.IsOpen());
  File third;
  EXPECT_EQ(OpenResult::Locked, third.Open(path, OpenMode::ReadWrite));
  moved.Close();
  EXPECT_EQ(OpenResult::Ok, third.Open(path, OpenMode::ReadWrite));
}

TEST_F(FileTest, ReadOnlyRefusesEveryWrite) {
  const std::string path = dir_.File("r");
  WriteFile(path, "content");
  File f;
  ASSERT_EQ(OpenResult::Ok, f.Open(path, OpenMode::ReadOnly));
  EXPECT_TRUE(f.IsReadOnly());
  EXPECT_FALSE(f.Write("x", 1));
  EXPECT_FALSE(f.WriteAt(0, "x", 1));
  EXPECT_FALSE(f.Truncate(0));
  EXPECT_EQ(0u, f.Tell());
  f.Close();
  std::string back;
  ASSERT_TRUE(ReadWholeFile(path, &back, 100));
  EXPECT_EQ("content", back);
}

TEST_F(FileTest, ReadsWritesSeeksAndTracksPosition) {
  File f;
  ASSERT_EQ(OpenResult::Ok, f.Open(dir_.File("f"), OpenMode::CreateNew));
  ASSERT_TRUE(f.Write("0123456789", 10));
  EXPECT_EQ(10u, f.Tell());
  ASSERT_TRUE(f.Seek(2));
  char buf[16] = {};
  size_t got = 0;
  ASSERT_TRUE(f.Read(buf, 3, &got));
  EXPECT_EQ(3u, got);
  EXPECT_EQ("234", std::string(buf, 3));
  EXPECT_EQ(5u, f.Tell());
  ASSERT_TRUE(f.SeekRelative(-4));
  EXPECT_EQ(1u, f.Tell());
  EXPECT_FALSE(f.SeekRelative(-2));
  EXPECT_EQ(1u, f.Tell());
  ASSERT_TRUE(f.Write("ab", 2));
  EXPECT_EQ(3u, f.Tell());

  // Positioned calls leave the position alone.
  ASSERT_TRUE(f.WriteAt(8, "XYZ", 3));
  ASSERT_TRUE(f.ReadAt(0, buf, 16, &got));
  EXPECT_EQ("0ab34567XYZ", std::string(buf, got));
  EXPECT_EQ(3u, f.Tell());
  uint64_t size = 0;
  ASSERT_TRUE(f.Size(&size));
  EXPECT_EQ(11u, size);
  EXPECT_TRUE(f.Flush());
}

TEST_F(FileTest, ShortReadsAtTheEnd) {
  const std::string path = dir_.File("s");
  WriteFile(path, "abcde");
  File f;
  ASSERT_EQ(OpenResult::Ok, f.Open(path, OpenMode::ReadOnly));
  ASSERT_TRUE(f.Seek(3));
  char buf[8];
  size_t got = 99;
  EXPECT_TRUE(f.Read(buf, 8, &got));  // a short read is not an error
  EXPECT_EQ(2u, got);
  EXPECT_EQ(5u, f.Tell());
  EXPECT_TRUE(f.Read(buf, 8, &got));
  EXPECT_EQ(0u, got);

  ASSERT_TRUE(f.Seek(1));
  EXPECT_FALSE(f.ReadExact(buf, 8, &got));  // ...but it is for ReadExact
  EXPECT_EQ(4u, got);
  ASSERT_TRUE(f.Seek(1));
  EXPECT_TRUE(f.ReadExact(buf, 4, &got));
  EXPECT_EQ("bcde", std::string(buf, 4));

  ASSERT_TRUE(f.Seek(1000));  // past the end reads nothing
  EXPECT_TRUE(f.Read(buf, 8, &got));
  EXPECT_EQ(0u, got);
  EXPECT_TRUE(f.ReadAt(4, buf, 8, &got));
  EXPECT_EQ(1u, got);
}

TEST_F(FileTest, TruncateShortensAndLengthens) {
  File f;
  ASSERT_EQ(OpenResult::Ok, f.Open(dir_.File("t"), OpenMode::CreateNew));
  ASSERT_TRUE(f.Write("0123456789", 10));
  ASSERT_TRUE(f.Truncate(4));
  uint64_t size = 0;
  ASSERT_TRUE(f.Size(&size));
  EXPECT_EQ(4u, size);
  ASSERT_TRUE(f.Truncate(6));
  ASSERT_TRUE(f.Size(&size));
  EXPECT_EQ(6u, size);
  char buf[8];
  size_t got = 0;
  ASSERT_TRUE(f.ReadAt(0, buf, 8, &got));
  EXPECT_EQ(std::string("0123\0\0", 6), std::string(buf, got));
}

TEST_F(FileTest, ClosedFileRefusesEverything) {
  File f;
  char buf[4];
  size_t got = 7;
  uint64_t size;
  EXPECT_FALSE(f.Read(buf, 4, &got));
  EXPECT_EQ(0u, got);
  EXPECT_FALSE(f.Write("x", 1));
  EXPECT_FALSE(f.Seek(0));
  EXPECT_FALSE(f.Size(&size));
  EXPECT_FALSE(f.Flush());
}

TEST_F(FileTest, ReadWholeFileRefusesOversizedFiles) {
  const std::string path = dir_.File("big");
  WriteFile(path, std::string(1000, 'x'));
  std::string out = "stale";
  EXPECT_FALSE(ReadWholeFile(path, &out, 999));
  EXPECT_TRUE(out.empty());
  ASSERT_TRUE(ReadWholeFile(path, &out, 1000));
  EXPECT_EQ(1000u, out.size());
  EXPECT_FALSE(ReadWholeFile(dir_.File("missing"), &out, 1000));
  // A file that reports no size but has content is still bounded.
  EXPECT_FALSE(ReadWholeFile("/proc/self/maps", &out, 16));
}

TEST_F(FileTest, ExistsAndRemove) {
  const std::string path = dir_.File("e");
  EXPECT_FALSE(FileExists(path));
  WriteFile(path, "1");
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(FileExists(dir_.Path()));
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(RemoveFile(path));
}

TEST_F(FileTest, PipesDevicesAndUnexpectedLinksAreRefusedWithoutWaiting) {
  alarm(20);  // a pipe that is waited on would hang the test: end it instead
  const std::string pipe = dir_.File("pipe"), target = dir_.File("target"), link = dir_.File("link");
  ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));
  WriteFile(target, "x");
  ASSERT_EQ(0, symlink(target.c_str(), link.c_str()));
  File f;
  for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
    EXPECT_EQ(OpenResult::NotRegular, f.Open(pipe, mode));
    EXPECT_EQ(OpenResult::NotRegular, f.Open("/dev/null", mode));
    EXPECT_EQ(OpenResult::Ok, f.Open(link, mode)) << "links are followed unless refused";
    EXPECT_EQ(OpenResult::NotRegular, f.Open(link, mode, Links::Refuse));
  }
  f.Close();
  std::string out;
  EXPECT_FALSE(ReadWholeFile(pipe, &out, 100));
  alarm(0);
}

TEST_F(FileTest, PartialFilesArePrivateUnguessableAndCleanedOnlyWhenOurs) {
  const std::string wallet = dir_.File("w.tb5");
  File a, b;
  std::string pa, pb;
  ASSERT_TRUE(CreatePartialFile(wallet, "cut", &a, &pa));
  ASSERT_TRUE(CreatePartialFile(wallet, "cut", &b, &pb));
  EXPECT_NE(pa, pb);
  EXPECT_EQ(pa.rfind(wallet + ".cut-", 0), 0u);
  EXPECT_EQ(pa.size(), wallet.size() + 5 + 8);
  struct stat st {};
  ASSERT_EQ(0, stat(pa.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);
  File other;
  EXPECT_EQ(OpenResult::Locked, other.Open(pa, OpenMode::ReadWrite));

  // a and b are held; one left by a crash is not; the others are not of
  // our pattern, or are no regular files.
  b.Close();
  WriteFile(wallet + ".cut", "old name");
  WriteFile(wallet + ".cut-ABCDEF01", "capitals: not ours");
  WriteFile(wallet + ".cutting-01234567", "another tag");
  WriteFile(dir_.File("x.tb5.cut-01234567"), "another wallet");
  ASSERT_EQ(0, mkdir((wallet + ".rekey-01234567").c_str(), 0700));
  ASSERT_EQ(0, symlink(pa.c_str(), (wallet + ".rekey-76543210").c_str()));
  EXPECT_EQ(2, RemoveLeftoverPartialFiles(wallet, {"cut", "rekey"}));
  EXPECT_TRUE(FileExists(pa));
  EXPECT_FALSE(FileExists(pb));
  EXPECT_FALSE(FileExists(wallet + ".cut"));
  for (const char* kept : {".cut-ABCDEF01", ".cutting-01234567", ".rekey-76543210"})
    EXPECT_TRUE(FileExists(wallet + kept)) << kept;
  EXPECT_TRUE(FileExists(dir_.File("x.tb5.cut-01234567")));
}

TEST_F(FileTest, SetAsideMovesWhateverHasTheNameWithoutFollowingIt) {
  const std::string path = dir_.File("w.tb5.journal"), target = dir_.File("target");
  WriteFile(target, "t");
  ASSERT_EQ(0, symlink(target.c_str(), path.c_str()));
  std::string moved;
  ASSERT_TRUE(SetAside(path, "refused", &moved));
  EXPECT_EQ(moved.rfind(path + ".refused-", 0), 0u);
  struct stat st {};
  EXPECT_NE(0, lstat(path.c_str(), &st));
  ASSERT_EQ(0, lstat(moved.c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_FALSE(SetAside(path, "refused", &moved));  // nothing there any more
}

}  // namespace
}  // namespace tb::platform
