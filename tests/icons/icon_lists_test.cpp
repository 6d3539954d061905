// The icon image lists and the program's icon pictures.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QGuiApplication>
#include <QPainter>
#include <QSet>
#include <cstdlib>

#include "icons/ico_writer.h"
#include "platform/ui/icons/icon_lists.h"

namespace {

using namespace tb::ui;
using tb::test::IcoImage;
using tb::test::WriteIco;

// Pixels that are not fully transparent.
int Painted(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) != 0;
  return n;
}

int AddIco(IconLists& lists, const std::vector<uint8_t>& bytes) {
  return lists.AddCustomIcon(bytes.data(), bytes.size());
}

TEST(IconLists, SizesFollowTheScreenDensity) {
  struct Case {
    int dpi, small, large;
  } cases[] = {{96, 16, 32}, {130, 24, 43}, {192, 32, 64}, {110, 24, 37}, {120, 24, 40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(SmallIconSize(c.dpi), c.small);
    EXPECT_EQ(LargeIconSize(c.dpi), c.large);
    IconLists lists(c.dpi);
    ASSERT_EQ(lists.Small().size(), kFirstCustomImage);
    ASSERT_EQ(lists.Large().size(), kFirstCustomImage);
    for (int i = 0; i < kFirstCustomImage; ++i) {
      ASSERT_EQ(lists.Small()[i].size(), QSize(c.small, c.small)) << i;
      ASSERT_EQ(lists.Large()[i].size(), QSize(c.large, c.large)) << i;
    }
  }
  EXPECT_EQ(OnDemandIconSize(22), 24);
  EXPECT_EQ(OnDemandIconSize(16), 16);
  EXPECT_EQ(OnDemandIconSize(32), 32);
}

TEST(IconLists, ImageOrderOverlaysThenBuiltInsThenOwnPictures) {
  IconLists lists(96);
  for (int i = 0; i < kOverlayCount; ++i) EXPECT_EQ(lists.Small()[i], IconResource(296 + i, 16)) << i;
  for (int n = 0; n < kBuiltInIconCount; ++n) {
    ASSERT_EQ(IconLists::BuiltInImage(n), 4 + n);
    ASSERT_EQ(lists.Small()[4 + n], IconResource(300 + n, 16)) << n;
    ASSERT_EQ(lists.Large()[4 + n], IconResource(300 + n, 32)) << n;
  }
  EXPECT_EQ(IconLists::BuiltInImage(-1), -1);
  EXPECT_EQ(IconLists::BuiltInImage(144), -1);
  const std::vector<uint8_t> own = WriteIco({{16, 16, 24}, {32, 32, 24}});
  EXPECT_EQ(AddIco(lists, own), 148);
  EXPECT_EQ(lists.Small().size(), 149);
}

TEST(IconLists, SamePictureTwiceIsOneImage) {
  IconLists lists(96);
  const std::vector<uint8_t> a = WriteIco({{16, 16, 24}, {32, 32, 8}});
  const std::vector<uint8_t> b = WriteIco({{16, 16, 4}, {32, 32, 4}});
  EXPECT_EQ(AddIco(lists, a), 148);
  EXPECT_EQ(AddIco(lists, b), 149);
  EXPECT_EQ(AddIco(lists, a), 148);
  EXPECT_EQ(lists.Table().Count(), 2);
  EXPECT_EQ(lists.Small().size(), 150);
  EXPECT_EQ(lists.Large().size(), 150);
  EXPECT_EQ(lists.FindCustomIcon(tb::storage::Md5(b.data(), b.size())), 149);
  EXPECT_EQ(lists.FindCustomIconOf(a.data(), a.size()), 148);
  const std::vector<uint8_t> other = WriteIco({{16, 16, 1}});
  EXPECT_EQ(lists.FindCustomIconOf(other.data(), other.size()), -1);
  // The 8-bit 32-pixel image is read as it is, not scaled from the 16.
  const QImage large = lists.Large()[148];
  EXPECT_EQ(large.pixel(1, 0), tb::test::ExpectedPixel({32, 32, 8}, 1, 0));
}

TEST(IconLists, OneSizeIsDrawnFromTheOther) {
  for (const int dpi : {96, 192}) {
    SCOPED_TRACE(dpi);
    IconLists lists(dpi);
    // Only 32 pixels, only 16 pixels.
    ASSERT_EQ(AddIco(lists, WriteIco({{32, 32, 24}})), 148);
    ASSERT_EQ(AddIco(lists, WriteIco({{16, 16, 32}})), 149);
    for (const int i : {148, 149}) {
      EXPECT_EQ(lists.Small()[i].width(), lists.SmallSize());
      EXPECT_EQ(lists.Large()[i].width(), lists.LargeSize());
      EXPECT_GT(Painted(lists.Small()[i]), lists.SmallSize() * lists.SmallSize() / 2);
      EXPECT_GT(Painted(lists.Large()[i]), lists.LargeSize() * lists.LargeSize() / 2);
    }
    // The transparent left column is kept where no redraw happens.
    if (dpi == 96) {
      EXPECT_EQ(qAlpha(lists.Large()[148].pixel(0, 5)), 0);
    }
  }
}

TEST(IconLists, UnreadablePicturesAreNotAdded) {
  IconLists lists(96);
  const std::vector<uint8_t> cursor = WriteIco({{16, 16, 24}}, 2);
  const std::vector<uint8_t> wrongSizes = WriteIco({{48, 48, 24}});
  std::vector<uint8_t> lying = WriteIco({{16, 16, 24}});
  tb::test::Set32(lying, 14, 0x00FFFFFFu);
  for (const std::vector<uint8_t>* bytes : {&cursor, &wrongSizes, static_cast<const std::vector<uint8_t>*>(&lying)})
    EXPECT_EQ(AddIco(lists, *bytes), -1);
  EXPECT_EQ(lists.AddCustomIcon(nullptr, 10), -1);
  EXPECT_EQ(lists.Table().Count(), 0);
  EXPECT_EQ(lists.Small().size(), kFirstCustomImage);
}

TEST(IconLists, TableHoldsFiveHundredTwelvePictures) {
  IconLists lists(96);
  std::vector<uint8_t> bytes = WriteIco({{16, 16, 24}});
  // Distinct pictures: one colour byte of the first row differs.
  const size_t pixel = bytes.size() - 16 * 4 - 16 * 48 + 3;
  for (int i = 0; i < kCustomIconLimit; ++i) {
    tb::test::Set16(bytes, pixel, static_cast<uint32_t>(i));
    ASSERT_EQ(AddIco(lists, bytes), 148 + i);
  }
  tb::test::Set16(bytes, pixel, 0xFFFF);
  EXPECT_EQ(AddIco(lists, bytes), -1);
  EXPECT_EQ(lists.Table().Count(), kCustomIconLimit);
  EXPECT_EQ(lists.Small().size(), kFirstCustomImage + kCustomIconLimit);
  EXPECT_EQ(lists.Large().size(), kFirstCustomImage + kCustomIconLimit);
  // One already in the table is still found.
  tb::test::Set16(bytes, pixel, 7);
  EXPECT_EQ(AddIco(lists, bytes), 155);

  lists.Destroy();
  EXPECT_EQ(lists.Table().Count(), 0);
  EXPECT_EQ(lists.FindCustomIconOf(bytes.data(), bytes.size()), -1);
  EXPECT_EQ(lists.Small().size(), kFirstCustomImage);
  EXPECT_EQ(AddIco(lists, bytes), 148);
}

TEST(IconLists, ObserverAddsTheStoragesPictures) {
  IconLists lists(96);
  IconListsObserver observer(lists);
  const uint8_t id[16] = {};
  const std::vector<uint8_t> bytes = WriteIco({{32, 32, 32}});
  tb::storage::IconObserver& asStorageSeesIt = observer;
  asStorageSeesIt.OwnIconPicture(id, bytes.data(), bytes.size());
  asStorageSeesIt.OwnIconPicture(id, bytes.data(), bytes.size());
  EXPECT_EQ(lists.Table().Count(), 1);
  EXPECT_EQ(lists.FindCustomIconOf(bytes.data(), bytes.size()), 148);
}

TEST(IconLists, PngImagesInsideAnIconFileAreRead) {
  QImage picture(32, 32, QImage::Format_ARGB32);
  picture.fill(QColor(10, 200, 30));
  QByteArray png;
  {
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "PNG"));
  }
  IcoImage entry{32, 32, 32};
  entry.png.assign(png.begin(), png.end());
  const std::vector<uint8_t> file = WriteIco({entry});
  const QImage got = ReadIconImage(file.data(), file.size(), 32, 24);
  ASSERT_EQ(got.size(), QSize(32, 32));
  EXPECT_EQ(got.pixel(5, 5), QColor(10, 200, 30).rgba());
  // A PNG stream that is not the size its entry claims is refused.
  std::vector<uint8_t> lying = file;
  lying[6] = 16;
  lying[7] = 16;
  EXPECT_TRUE(ReadIconImage(lying.data(), lying.size(), 16, 24).isNull());
}

// Every picture the program names exists at every native size, is drawn
// (not blank) and the built-in ones are told apart from each other.
// With TB_ICON_SHEET set, a contact sheet of all of them is written there.
TEST(IconPictures, AllExistDrawnAndDistinct) {
  std::vector<int> numbers = {200, 201, 202, 203, 214, 217, 218, 219, 220, 223, 224, 225, 227, 232};
  for (const int n : kFourIconTable) numbers.push_back(n);
  for (int n = 296; n < 300; ++n) numbers.push_back(n);
  for (int n = 300; n < 444; ++n) numbers.push_back(n);
  QSet<QByteArray> seen;
  for (const int n : numbers) {
    for (const int size : {16, 24, 32, 48, 64}) {
      const QImage image = IconResource(n, size);
      ASSERT_EQ(image.size(), QSize(size, size)) << n << " at " << size;
      ASSERT_GT(Painted(image), n >= 296 && n < 300 ? size * size / 12 : size * size / 4) << n << " at " << size;
    }
    if (n >= 300) {
      const QImage big = IconResource(n, 32);
      const QByteArray key(reinterpret_cast<const char*>(big.constBits()), big.sizeInBytes());
      EXPECT_FALSE(seen.contains(key)) << "icon " << n - 300 << " looks like another";
      seen.insert(key);
    }
  }
  EXPECT_EQ(LockedWalletIconList(22).size(), 1);
  EXPECT_EQ(LockedWalletIconList(22).front().width(), 24);
  // The card view's four: web, e-mail, telephone, attachment, each its own picture.
  const QList<QImage> four = FourIconList(16);
  ASSERT_EQ(four.size(), 4);
  EXPECT_EQ(four[3], IconResource(kAttachmentsIcon, 16));
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) EXPECT_NE(four[i], four[j]) << i << " and " << j;
  EXPECT_EQ(FourIconList(22).front().width(), 24);
  EXPECT_TRUE(IconResource(444, 16).isNull());
  EXPECT_TRUE(IconResource(200, 0).isNull());

  if (const char* sheetPath = std::getenv("TB_ICON_SHEET")) {
    // The labels need fonts, and fonts need the application.
    static int argc = 1;
    static char name[] = "icon_tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = QGuiApplication::instance() ? nullptr : new QGuiApplication(argc, argv);
    (void)app;
    // Each cell: the picture at 64, 32, 24 and 16 pixels, and its number
    // ("r" for program resources outside the built-in icons).
    const int cellWidth = 132, cellHeight = 88, columns = 12;
    const int rows = static_cast<int>((numbers.size() + columns - 1) / columns);
    QImage sheet(columns * cellWidth, rows * cellHeight, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    for (size_t i = 0; i < numbers.size(); ++i) {
      const int x = static_cast<int>(i % columns) * cellWidth, y = static_cast<int>(i / columns) * cellHeight;
      p.drawImage(x + 2, y + 2, IconResource(numbers[i], 64));
      p.drawImage(x + 68, y + 2, IconResource(numbers[i], 32));
      p.drawImage(x + 68, y + 38, IconResource(numbers[i], 24));
      p.drawImage(x + 100, y + 2, IconResource(numbers[i], 16));
      p.setPen(Qt::black);
      p.drawText(QRect(x, y + 66, cellWidth, 20), Qt::AlignCenter,
                 numbers[i] >= 300 ? QString("%1").arg(numbers[i] - 300) : QString("r%1").arg(numbers[i]));
    }
    p.end();
    EXPECT_TRUE(sheet.save(sheetPath));
  }
}

}  // namespace
