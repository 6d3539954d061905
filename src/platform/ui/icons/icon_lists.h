#pragma once
// The two application-wide icon image lists (small and large) that the tree,
// the card title bar and the pickers draw from, and the table of own icon
// pictures already in them.
//
// Image order in both lists:
//   0..3     the four overlay markers (icon resources 296..299),
//   4..147   built-in icon n as image 4 + n (icon resources 300..443),
//   148 + i  own icon picture i of the custom-icon table.
// Every image of a list has the list's size; transparency is the alpha.
#include <QImage>
#include <QList>
#include <array>
#include <cstddef>
#include <cstdint>

#include "storage/cipher/md5.h"
#include "storage/services.h"

namespace tb::ui {

inline constexpr int kOverlayCount = 4;
inline constexpr int kBuiltInIconCount = 144;
inline constexpr int kFirstBuiltInImage = kOverlayCount;
inline constexpr int kFirstCustomImage = kOverlayCount + kBuiltInIconCount;  // 148
inline constexpr int kFirstOverlayResource = 296;
inline constexpr int kFirstBuiltInResource = 300;
inline constexpr int kCustomIconLimit = 512;

// Icon resources of the program outside the lists.
inline constexpr int kProgramIcon = 200;
inline constexpr int kWalletFileIcon = 201;
inline constexpr int kLegacyWalletFileIcon = 202;
inline constexpr int kFormFileIcon = 203;
inline constexpr int kAttachmentsIcon = 214;
inline constexpr int kFindIcon = 217;
inline constexpr int kClearFindIcon = 218;
inline constexpr int kTopIcon = 219;
inline constexpr int kGoIcon = 220;
inline constexpr int kTextEditorIcon = 223;
inline constexpr int kPictureIcon = 224;
inline constexpr int kSoundIcon = 225;
inline constexpr int kLockedWalletIcon = 227;
inline constexpr int kSelectionListIcon = 232;
// The pictures of the four-icon list, in list order: the card view's web,
// e-mail, telephone and attachment lines.
inline constexpr int kWebIcon = 228;
inline constexpr int kEmailIcon = 229;
inline constexpr int kTelephoneIcon = 230;
inline constexpr std::array<int, 4> kFourIconTable = {kWebIcon, kEmailIcon, kTelephoneIcon, kAttachmentsIcon};

// The menu bar's strip of icon-button pictures, in two densities: bitmap
// 184 (16-pixel pictures) for screens below 97 dots per inch, 185 (32-pixel
// pictures) otherwise. Picture 0 is New Card, 1 New Folder, 2 Find.
inline constexpr int kMenuBarBitmapSmall = 184;
inline constexpr int kMenuBarBitmapLarge = 185;
inline constexpr int kMenuBarBitmapPictures = 3;
bool IsMenuBarBitmap(int bitmap);
// The strip for a screen of the given dots per inch.
int MenuBarBitmapFor(int dpi);
// Picture index of the strip bitmap; null for another number or index.
QImage MenuBarBitmapPicture(int bitmap, int index);

// Small icon size for a screen of the given logical dots per inch: 16 at
// 96, sizes 17 to 31 become 24, 32 at 192.
int SmallIconSize(int dpi);
// Large icon size: 32 at 96, 64 at 192.
int LargeIconSize(int dpi);
// The size of an on-demand list: 24 replaces sizes from 17 to 31.
int OnDemandIconSize(int pixels);

// One of the program's icon resources at the given size (drawn from the
// nearest native size when it is not one); null when there is none.
QImage IconResource(int number, int pixels);
// The on-demand small lists: icon resource 227, and the four of
// kFourIconTable; resources that are missing are left out.
QList<QImage> LockedWalletIconList(int pixels);
QList<QImage> FourIconList(int pixels);

// Reads an ".ico" picture at one size, preferring the given colour depth;
// a PNG image inside the file is decoded too. Null when there is no image
// of that size or the bytes are damaged.
QImage ReadIconImage(const uint8_t* bytes, size_t size, int pixels, int preferredBits);
// Redraws an image at a square size, keeping its transparency.
QImage Redraw(const QImage& image, int pixels);

// Digests of the own icon pictures in the lists, in the order added.
class CustomIconTable {
 public:
  int Count() const { return count_; }
  bool Full() const { return count_ == kCustomIconLimit; }
  const storage::Digest& At(int i) const { return digests_[static_cast<size_t>(i)]; }
  int Find(const storage::Digest& digest) const;
  bool Append(const storage::Digest& digest);  // false when full
  void Clear() { count_ = 0; }

 private:
  std::array<storage::Digest, kCustomIconLimit> digests_{};
  int count_ = 0;
};

class IconLists {
 public:
  explicit IconLists(int dpi = 96) : dpi_(dpi) {}

  int Dpi() const { return dpi_; }
  int SmallSize() const { return SmallIconSize(dpi_); }
  int LargeSize() const { return LargeIconSize(dpi_); }

  // The lists, built on first use from the program's icon resources.
  const QList<QImage>& Small();
  const QList<QImage>& Large();

  // Adds an own icon picture unless its digest is already in the table.
  // Returns its image (148 + table index), or -1 when the picture cannot
  // be read at either size or the table is full.
  int AddCustomIcon(const uint8_t* bytes, size_t size);
  // 148 + the table index of the digest, or -1.
  int FindCustomIcon(const storage::Digest& digest) const;
  int FindCustomIconOf(const uint8_t* bytes, size_t size) const;
  // The image of built-in icon n (0..143), or -1 for other numbers.
  static int BuiltInImage(int icon);

  const CustomIconTable& Table() const { return table_; }

  // Drops both lists and empties the table; the next use builds afresh.
  void Destroy();

 private:
  void Build();

  int dpi_;
  bool built_ = false;
  QList<QImage> small_;
  QList<QImage> large_;
  CustomIconTable table_;
};

// Hands every own icon picture the storage loads or appends to the lists.
class IconListsObserver : public storage::IconObserver {
 public:
  explicit IconListsObserver(IconLists& lists) : lists_(lists) {}
  void OwnIconPicture(const uint8_t* id16, const uint8_t* bytes, size_t length) override;

 private:
  IconLists& lists_;
};

}  // namespace tb::ui
