#include "platform/ui/icons/icon_lists.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/core/icon_file.h"

// The compiled-in pictures live in a static library: their registration
// must be asked for by name or the linker leaves it out.
static void InitIconResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(tb_icons);
    return true;
  }();
  (void)done;
}

namespace tb::ui {

namespace {

constexpr int kNativeSizes[] = {16, 24, 32, 48, 64};
constexpr qsizetype kGrowStep = 512;

QImage LoadNative(int number, int size) {
  InitIconResources();
  QImage image(QString(":/tbicons/%1_%2.png").arg(number).arg(size));
  if (image.isNull()) return image;
  return image.convertToFormat(QImage::Format_ARGB32);
}

QImage FromIconImage(const platform::IconImage& icon) {
  QImage image(icon.width, icon.height, QImage::Format_ARGB32);
  if (image.isNull()) return image;
  for (int y = 0; y < icon.height; ++y) {
    std::memcpy(image.scanLine(y), icon.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(icon.width),
                static_cast<size_t>(icon.width) * 4);
  }
  return image;
}

// A transparent square keeps the image numbers of the pictures behind a
// missing one where the tree expects them.
QImage Blank(int pixels) {
  QImage image(pixels, pixels, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

}  // namespace

int SmallIconSize(int dpi) {
  const int s = (dpi + 3) * 16 / 96;
  if (s > 16 && s < 32) return 24;
  return std::max(s, 1);
}

int LargeIconSize(int dpi) { return std::max((dpi * 32 + 48) / 96, 1); }

int OnDemandIconSize(int pixels) { return pixels > 16 && pixels < 32 ? 24 : pixels; }

QImage Redraw(const QImage& image, int pixels) {
  if (image.isNull() || pixels <= 0) return QImage();
  if (image.width() == pixels && image.height() == pixels && image.format() == QImage::Format_ARGB32) return image;
  QImage out(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  out.fill(Qt::transparent);
  QPainter p(&out);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(QRect(0, 0, pixels, pixels), image);
  p.end();
  return out.convertToFormat(QImage::Format_ARGB32);
}

QImage IconResource(int number, int pixels) {
  if (pixels <= 0) return QImage();
  // The native size itself, else the smallest larger one (drawing down
  // keeps detail), else the largest.
  const int* native = std::find(std::begin(kNativeSizes), std::end(kNativeSizes), pixels);
  if (native != std::end(kNativeSizes)) return LoadNative(number, pixels);
  const int* larger =
      std::find_if(std::begin(kNativeSizes), std::end(kNativeSizes), [pixels](int s) { return s > pixels; });
  const int source = larger != std::end(kNativeSizes) ? *larger : kNativeSizes[std::size(kNativeSizes) - 1];
  return Redraw(LoadNative(number, source), pixels);
}

bool IsMenuBarBitmap(int bitmap) { return bitmap == kMenuBarBitmapSmall || bitmap == kMenuBarBitmapLarge; }

int MenuBarBitmapFor(int dpi) { return dpi < 97 ? kMenuBarBitmapSmall : kMenuBarBitmapLarge; }

QImage MenuBarBitmapPicture(int bitmap, int index) {
  if (!IsMenuBarBitmap(bitmap) || index < 0 || index >= kMenuBarBitmapPictures) return QImage();
  const int pixels = bitmap == kMenuBarBitmapSmall ? 16 : 32;
  // A card and a folder, each with the "new" marker; the magnifier.
  constexpr int kPictures[kMenuBarBitmapPictures] = {228, 229, kFindIcon};
  constexpr int kNewMarker = kFirstOverlayResource + 3;
  QImage picture = IconResource(kPictures[index], pixels);
  if (picture.isNull() || index == 2) return picture;
  const QImage marker = IconResource(kNewMarker, pixels);
  if (!marker.isNull()) {
    QPainter painter(&picture);
    painter.drawImage(0, 0, marker);
  }
  return picture;
}

QList<QImage> LockedWalletIconList(int pixels) {
  QList<QImage> list;
  const QImage image = IconResource(kLockedWalletIcon, OnDemandIconSize(pixels));
  if (!image.isNull()) list.append(image);
  return list;
}

QList<QImage> FourIconList(int pixels) {
  QList<QImage> list;
  for (const int number : kFourIconTable) {
    const QImage image = IconResource(number, OnDemandIconSize(pixels));
    if (!image.isNull()) list.append(image);
  }
  return list;
}

QImage ReadIconImage(const uint8_t* bytes, size_t size, int pixels, int preferredBits) {
  platform::IconImage icon;
  const platform::IconStatus status = platform::ReadIconFile(bytes, size, pixels, preferredBits, &icon);
  if (status == platform::IconStatus::Ok) return FromIconImage(icon);
  if (status != platform::IconStatus::NoImageOfSize) return QImage();
  // Newer icon files hold their large images as PNG streams; the reader has
  // checked that each lies inside the file.
  std::vector<platform::IconEntryInfo> entries;
  if (platform::ListIconEntries(bytes, size, &entries) != platform::IconStatus::Ok) return QImage();
  for (const platform::IconEntryInfo& entry : entries) {
    if (!entry.png || entry.height != pixels) continue;
    QImage image;
    if (!image.loadFromData(bytes + entry.offset, static_cast<int>(entry.length), "PNG")) continue;
    if (image.width() != entry.width || image.height() != entry.height) continue;
    return image.convertToFormat(QImage::Format_ARGB32);
  }
  return QImage();
}

int CustomIconTable::Find(const storage::Digest& digest) const {
  for (int i = 0; i < count_; ++i) {
    if (digests_[static_cast<size_t>(i)] == digest) return i;
  }
  return -1;
}

bool CustomIconTable::Append(const storage::Digest& digest) {
  if (Full()) return false;
  digests_[static_cast<size_t>(count_++)] = digest;
  return true;
}

void IconLists::Build() {
  if (built_) return;
  built_ = true;
  const int smallSize = SmallSize();
  const int largeSize = LargeSize();
  small_.reserve(kGrowStep);
  large_.reserve(kGrowStep);
  for (int i = 0; i < kOverlayCount + kBuiltInIconCount; ++i) {
    const int number = i < kOverlayCount ? kFirstOverlayResource + i : kFirstBuiltInResource + (i - kOverlayCount);
    const QImage small = IconResource(number, smallSize);
    const QImage large = IconResource(number, largeSize);
    small_.append(small.isNull() ? Blank(smallSize) : small);
    large_.append(large.isNull() ? Blank(largeSize) : large);
  }
}

const QList<QImage>& IconLists::Small() {
  Build();
  return small_;
}

const QList<QImage>& IconLists::Large() {
  Build();
  return large_;
}

int IconLists::BuiltInImage(int icon) {
  if (icon < 0 || icon >= kBuiltInIconCount) return -1;
  return kFirstBuiltInImage + icon;
}

int IconLists::FindCustomIcon(const storage::Digest& digest) const {
  const int i = table_.Find(digest);
  return i < 0 ? -1 : kFirstCustomImage + i;
}

int IconLists::FindCustomIconOf(const uint8_t* bytes, size_t size) const {
  if (bytes == nullptr || size == 0) return -1;
  return FindCustomIcon(storage::Md5(bytes, size));
}

int IconLists::AddCustomIcon(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size == 0) return -1;
  const storage::Digest digest = storage::Md5(bytes, size);
  const int known = FindCustomIcon(digest);
  if (known >= 0) return known;
  // The lists' image numbers for own pictures end with the table.
  if (table_.Full()) return -1;
  QImage small = ReadIconImage(bytes, size, 16, 24);
  QImage large = ReadIconImage(bytes, size, 32, 24);
  if (small.isNull() && large.isNull()) return -1;
  if (small.isNull()) small = Redraw(large, 16);
  if (large.isNull()) large = Redraw(small, 32);
  Build();
  small_.append(Redraw(small, SmallSize()));
  large_.append(Redraw(large, LargeSize()));
  table_.Append(digest);
  return kFirstCustomImage + table_.Count() - 1;
}

void IconLists::Destroy() {
  small_.clear();
  large_.clear();
  built_ = false;
  table_.Clear();
}

void IconListsObserver::OwnIconPicture(const uint8_t*, const uint8_t* bytes, size_t length) {
  lists_.AddCustomIcon(bytes, length);
}

}  // namespace tb::ui
