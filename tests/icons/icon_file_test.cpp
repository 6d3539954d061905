// The ".ico" reader: the pixels of every depth, the choice among images,
// and files that lie about themselves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "icons/ico_writer.h"
#include "platform/core/icon_file.h"
#include "support/temp_dir.h"

namespace {

using tb::platform::IconImage;
using tb::platform::IconStatus;
using tb::platform::ReadIconFile;
using tb::test::IcoImage;
using tb::test::WriteIco;

IconStatus Read(const std::vector<uint8_t>& bytes, int pixels, int bits, IconImage* out) {
  return ReadIconFile(bytes.data(), bytes.size(), pixels, bits, out);
}

void ExpectPattern(const IcoImage& spec, const IconImage& got) {
  ASSERT_EQ(got.width, spec.width);
  ASSERT_EQ(got.height, spec.height);
  EXPECT_EQ(got.bitsPerPixel, spec.bits);
  for (int y = 0; y < spec.height; ++y) {
    for (int x = 0; x < spec.width; ++x) {
      const size_t i = static_cast<size_t>(y * spec.width + x);
      ASSERT_EQ(got.pixels[i], tb::test::ExpectedPixel(spec, x, y)) << "pixel " << x << "," << y;
      ASSERT_EQ(got.mask[i] != 0, got.pixels[i] == 0) << "mask " << x << "," << y;
    }
  }
}

TEST(IconFile, DecodesEveryDepthTopRowFirst) {
  // Widths that are not a multiple of 32 bits a row exercise the row padding.
  const IcoImage cases[] = {{16, 16, 1}, {16, 16, 4}, {16, 16, 8}, {16, 16, 16}, {16, 16, 24},        {16, 16, 32},
                            {24, 24, 1}, {24, 24, 4}, {32, 32, 8}, {48, 48, 24}, {20, 20, 32, false}, {13, 13, 24}};
  for (const IcoImage& spec : cases) {
    SCOPED_TRACE(testing::Message() << spec.width << " px, " << spec.bits << " bits, mask " << spec.withMask);
    IconImage got;
    ASSERT_EQ(Read(WriteIco({spec}), spec.height, spec.bits, &got), IconStatus::Ok);
    ExpectPattern(spec, got);
  }
}

TEST(IconFile, ChoosesBySizeThenPreferredDepthThenDeepest) {
  const std::vector<uint8_t> file =
      WriteIco({{32, 32, 8}, {16, 16, 4}, {16, 16, 32}, {16, 16, 24}, {16, 16, 8}, {32, 32, 4}});
  IconImage got;
  ASSERT_EQ(Read(file, 16, 24, &got), IconStatus::Ok);
  EXPECT_EQ(got.bitsPerPixel, 24);
  ASSERT_EQ(Read(file, 16, 4, &got), IconStatus::Ok);
  EXPECT_EQ(got.bitsPerPixel, 4);
  ASSERT_EQ(Read(file, 32, 24, &got), IconStatus::Ok);  // no 24-bit one: the deepest
  EXPECT_EQ(got.bitsPerPixel, 8);
  EXPECT_EQ(got.height, 32);
  EXPECT_EQ(Read(file, 48, 24, &got), IconStatus::NoImageOfSize);
  EXPECT_TRUE(got.pixels.empty());
}

TEST(IconFile, HeaderStatuses) {
  std::vector<uint8_t> good = WriteIco({{16, 16, 24}});
  IconImage got;
  EXPECT_EQ(ReadIconFile(nullptr, 10, 16, 24, &got), IconStatus::MissingInput);
  EXPECT_EQ(ReadIconFile(good.data(), 0, 16, 24, &got), IconStatus::MissingInput);
  EXPECT_EQ(ReadIconFile(good.data(), good.size(), 16, 24, nullptr), IconStatus::MissingInput);
  EXPECT_EQ(Read(WriteIco({{16, 16, 24}}, 2), 16, 24, &got), IconStatus::BadHeader);  // a cursor
  std::vector<uint8_t> reserved = good;
  reserved[0] = 1;
  EXPECT_EQ(Read(reserved, 16, 24, &got), IconStatus::BadHeader);
  std::vector<uint8_t> none = good;
  none[4] = 0;
  EXPECT_EQ(Read(none, 16, 24, &got), IconStatus::NoImages);
}

TEST(IconFile, EntriesThatLieAreNotOffered) {
  const std::vector<uint8_t> good = WriteIco({{16, 16, 8}});
  // Patches of the first directory entry (+14 byte size, +18 offset) and the
  // bitmap header (at 22: +4 width, +8 height, +14 bits, +16 compression,
  // +32 colours used).
  struct Lie {
    const char* what;
    size_t at;
    uint32_t value;
    bool word;
  } lies[] = {
      {"size past the end", 14, 0xFFFFFFF0u, false},
      {"offset past the end", 18, 0x7FFFFFFFu, false},
      {"offset into the header", 18, 2, false},
      {"size too small for its header", 14, 20, false},
      {"header size huge", 22, 0x10000000u, false},
      {"header size short", 22, 12, false},
      {"width huge", 26, 0x40000000u, false},
      {"width negative", 26, 0xFFFFFFF0u, false},
      {"height huge", 30, 0x7FFFFFFEu, false},
      {"height negative (top-down)", 30, 0xFFFFFFE0u, false},
      {"depth 7", 36, 7, true},
      {"compressed", 38, 1, false},
      {"more colours than the depth holds", 54, 257, false},
      {"colours used huge", 54, 0xFFFFFFFFu, false},
  };
  for (const Lie& lie : lies) {
    SCOPED_TRACE(lie.what);
    std::vector<uint8_t> file = good;
    if (lie.word) tb::test::Set16(file, lie.at, lie.value);
    else tb::test::Set32(file, lie.at, lie.value);
    IconImage got;
    EXPECT_EQ(Read(file, 16, 24, &got), IconStatus::NoImageOfSize);
  }
  // A lying entry does not hide an honest one after it.
  std::vector<uint8_t> two = WriteIco({{16, 16, 24}, {16, 16, 8}});
  tb::test::Set32(two, 6 + 8, 0xFFFFFF00u);
  IconImage got;
  ASSERT_EQ(Read(two, 16, 24, &got), IconStatus::Ok);
  EXPECT_EQ(got.bitsPerPixel, 8);
}

TEST(IconFile, ShortPaletteAndExtraColoursUsed) {
  // A colour table shorter than the depth: indices beyond it are black.
  std::vector<uint8_t> file = WriteIco({{16, 16, 8}});
  const size_t palette = 22 + 40;
  file.erase(file.begin() + palette + 16, file.begin() + palette + 1024);
  tb::test::Set32(file, 22 + 32, 4);
  tb::test::Set32(file, 14, static_cast<uint32_t>(file.size() - 22));
  IconImage got;
  ASSERT_EQ(Read(file, 16, 8, &got), IconStatus::Ok);
  // Pixel (1,0) has index 1 and reads palette entry 1; pixel (5,0) has
  // index 5, beyond the four entries.
  EXPECT_EQ(got.pixels[1], 0xFF000000u | tb::test::PaletteEntry(1));
  EXPECT_EQ(got.pixels[5], 0xFF000000u);
}

TEST(IconFile, EveryTruncationAndEveryByteFlipGivesAStatus) {
  const std::vector<uint8_t> file = WriteIco({{16, 16, 4}, {32, 32, 32}, {16, 16, 24}});
  for (size_t n = 0; n < file.size(); ++n) {
    std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
    IconImage got;
    const IconStatus status = ReadIconFile(cut.data(), cut.size(), 16, 24, &got);
    if (status == IconStatus::Ok) ASSERT_EQ(got.pixels.size(), static_cast<size_t>(got.width * got.height));
    else ASSERT_TRUE(got.pixels.empty()) << n;
  }
  for (size_t i = 0; i < 200 && i < file.size(); ++i) {
    std::vector<uint8_t> flipped = file;
    flipped[i] ^= 0xFF;
    IconImage got;
    (void)Read(flipped, 32, 32, &got);
    ASSERT_EQ(got.pixels.size(), static_cast<size_t>(got.width) * static_cast<size_t>(got.height));
  }
}

TEST(IconFile, ManyEntriesLookAtTheFirstTwentyOnly) {
  std::vector<IcoImage> images(21, IcoImage{16, 16, 4});
  images[20] = {32, 32, 24};
  IconImage got;
  EXPECT_EQ(Read(WriteIco(images), 32, 24, &got), IconStatus::NoImageOfSize);
  // A count larger than the directory the file holds.
  std::vector<uint8_t> file = WriteIco({{16, 16, 24}});
  tb::test::Set16(file, 4, 0xFFFF);
  EXPECT_EQ(Read(file, 16, 24, &got), IconStatus::Ok);
}

TEST(IconFile, FromPath) {
  tb::test::TempDir dir;
  const std::string path = (std::filesystem::path(dir.Path()) / "own.ico").string();
  const std::vector<uint8_t> bytes = WriteIco({{32, 32, 24}});
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  IconImage got;
  EXPECT_EQ(tb::platform::ReadIconFromPath(path, 32, 24, &got), IconStatus::Ok);
  EXPECT_EQ(got.width, 32);
  EXPECT_EQ(tb::platform::ReadIconFromPath("a.ic", 32, 24, &got), IconStatus::MissingInput);
  EXPECT_EQ(tb::platform::ReadIconFromPath(path + ".gone", 32, 24, &got), IconStatus::MissingInput);
}

}  // namespace
