#include "platform/core/icon_file.h"

#include <algorithm>
#include <new>

#include "platform/core/file.h"

namespace tb::platform {

namespace {

constexpr size_t kHeaderBytes = 6;
constexpr size_t kEntryBytes = 16;
constexpr uint32_t kInfoHeaderMin = 40;   // BITMAPINFOHEADER
constexpr uint32_t kInfoHeaderMax = 124;  // BITMAPV5HEADER
constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t RowBytes(uint64_t width, uint64_t bits) { return (width * bits + 31) / 32 * 4; }

// Where each part of one image's bitmap lies, all inside the image's bytes.
struct Layout {
  IconEntryInfo info;
  const uint8_t* image = nullptr;  // the image's bytes (info.length of them)
  uint32_t compression = kRgb;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue for bit fields
  const uint8_t* palette = nullptr;
  uint32_t paletteCount = 0;
  const uint8_t* colour = nullptr;   // colour rows, bottom-up
  const uint8_t* andMask = nullptr;  // mask rows, bottom-up; none for some 32-bit images
};

bool IsPng(const uint8_t* p, size_t n) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return n >= 8 && std::equal(kSignature, kSignature + 8, p);
}

// Reads and checks one image's bitmap header and finds its parts. False for
// anything that does not add up; the image is then not offered.
bool LayOut(const uint8_t* image, uint32_t length, Layout* layout) {
  layout->image = image;
  if (length < kInfoHeaderMin) return false;
  const uint32_t headerSize = U32(image);
  if (headerSize < kInfoHeaderMin || headerSize > kInfoHeaderMax || headerSize > length) return false;
  const int32_t width = static_cast<int32_t>(U32(image + 4));
  const int32_t fullHeight = static_cast<int32_t>(U32(image + 8));
  const uint16_t bits = U16(image + 14);
  const uint32_t compression = U32(image + 16);
  const uint32_t coloursUsed = U32(image + 32);
  // Icons are stored bottom-up with the mask below the colours: a negative
  // height is no icon.
  if (width <= 0 || width > kIconMaxSide || fullHeight < 2 || fullHeight > 2 * kIconMaxSide) return false;
  const int height = fullHeight / 2;
  switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (compression != kRgb) return false;
      break;
    case 16:
    case 32:
      if (compression != kRgb && compression != kBitFields) return false;
      break;
    default: return false;
  }
  uint64_t at = headerSize;
  layout->compression = compression;
  if (compression == kBitFields) {
    // The three masks sit inside a larger header, or follow a short one.
    const uint64_t masksAt = 40;
    if (headerSize == kInfoHeaderMin) at += 12;
    if (masksAt + 12 > length) return false;
    for (int i = 0; i < 3; ++i) layout->masks[i] = U32(image + masksAt + 4 * i);
  } else if (bits == 16) {
    layout->masks[0] = 0x7C00;
    layout->masks[1] = 0x03E0;
    layout->masks[2] = 0x001F;
  }
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    const uint32_t count = coloursUsed == 0 ? most : coloursUsed;
    if (count > most) return false;
    if (at + uint64_t{count} * 4 > length) return false;
    layout->palette = image + at;
    layout->paletteCount = count;
    at += uint64_t{count} * 4;
  }
  const uint64_t colourBytes = RowBytes(static_cast<uint64_t>(width), bits) * static_cast<uint64_t>(height);
  const uint64_t maskBytes = RowBytes(static_cast<uint64_t>(width), 1) * static_cast<uint64_t>(height);
  if (at + colourBytes > length) return false;
  layout->colour = image + at;
  at += colourBytes;
  if (at + maskBytes <= length) {
    layout->andMask = image + at;
  } else if (bits != 32) {
    // Only images with their own alpha may leave the mask out.
    return false;
  }
  layout->info.width = width;
  layout->info.height = height;
  layout->info.bitsPerPixel = bits;
  return true;
}

IconStatus CheckHeader(const uint8_t* bytes, size_t size, uint16_t* count) {
  if (bytes == nullptr || size == 0) return IconStatus::MissingInput;
  if (size < kHeaderBytes) return IconStatus::BadHeader;
  if (U16(bytes) != 0 || U16(bytes + 2) != 1) return IconStatus::BadHeader;
  *count = U16(bytes + 4);
  if (*count == 0) return IconStatus::NoImages;
  return IconStatus::Ok;
}

// The usable entries with their layouts, in directory order.
IconStatus Survey(const uint8_t* bytes, size_t size, std::vector<Layout>* layouts) {
  uint16_t count = 0;
  const IconStatus header = CheckHeader(bytes, size, &count);
  if (header != IconStatus::Ok) return header;
  const int looked = std::min<int>(count, kIconEntriesLooked);
  try {
    layouts->reserve(static_cast<size_t>(looked));
    for (int i = 0; i < looked; ++i) {
      const uint64_t entryAt = kHeaderBytes + kEntryBytes * static_cast<uint64_t>(i);
      if (entryAt + kEntryBytes > size) break;  // the directory runs past the file
      const uint8_t* entry = bytes + entryAt;
      const uint32_t length = U32(entry + 8);
      const uint32_t offset = U32(entry + 12);
      if (uint64_t{offset} + length > size || offset < kHeaderBytes) continue;
      Layout layout;
      layout.info.offset = offset;
      layout.info.length = length;
      if (IsPng(bytes + offset, length)) {
        // Sizes of a PNG stream come from the directory (0 means 256).
        layout.info.png = true;
        layout.info.width = entry[0] == 0 ? 256 : entry[0];
        layout.info.height = entry[1] == 0 ? 256 : entry[1];
        layout.info.bitsPerPixel = U16(entry + 6) == 0 ? 32 : U16(entry + 6);
        layouts->push_back(layout);
        continue;
      }
      if (LayOut(bytes + offset, length, &layout)) layouts->push_back(layout);
    }
  } catch (const std::bad_alloc&) {
    return IconStatus::OutOfMemory;
  }
  return IconStatus::Ok;
}

uint32_t Bgr(const uint8_t* p) {
  return 0xFF000000u | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
}

// Scales a masked field of a pixel to 8 bits.
uint32_t Channel(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const uint64_t field = mask >> shift;
  const uint64_t v = (value >> shift) & field;
  return static_cast<uint32_t>((v * 255 + field / 2) / field);
}

uint32_t Masked(uint32_t value, const uint32_t masks[3]) {
  return 0xFF000000u | (Channel(value, masks[0]) << 16) | (Channel(value, masks[1]) << 8) | Channel(value, masks[2]);
}

uint32_t PaletteColour(const Layout& l, uint32_t index) {
  // An index beyond a short colour table is drawn black.
  if (index >= l.paletteCount) return 0xFF000000u;
  return Bgr(l.palette + 4 * index);
}

IconStatus Decode(const Layout& l, IconImage* out) {
  const int w = l.info.width;
  const int h = l.info.height;
  const int bits = l.info.bitsPerPixel;
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
  try {
    out->pixels.assign(n, 0);
    out->mask.assign(n, 0);
  } catch (const std::bad_alloc&) {
    out->pixels.clear();
    out->mask.clear();
    return IconStatus::OutOfMemory;
  }
  const uint64_t colourRow = RowBytes(static_cast<uint64_t>(w), static_cast<uint64_t>(bits));
  const uint64_t maskRow = RowBytes(static_cast<uint64_t>(w), 1);
  bool anyAlpha = false;
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = l.colour + colourRow * static_cast<uint64_t>(h - 1 - y);
    uint32_t* target = out->pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
    for (int x = 0; x < w; ++x) {
      uint32_t argb = 0;
      switch (bits) {
        case 1: argb = PaletteColour(l, (row[x / 8] >> (7 - x % 8)) & 1u); break;
        case 4: argb = PaletteColour(l, (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xFu); break;
        case 8: argb = PaletteColour(l, row[x]); break;
        case 16: argb = Masked(U16(row + 2 * x), l.masks); break;
        case 24: argb = Bgr(row + 3 * x); break;
        case 32: {
          const uint8_t* p = row + 4 * x;
          if (l.compression == kBitFields) {
            argb = (Masked(U32(p), l.masks) & 0x00FFFFFFu) | (static_cast<uint32_t>(p[3]) << 24);
          } else {
            argb = (static_cast<uint32_t>(p[3]) << 24) | (static_cast<uint32_t>(p[2]) << 16) |
                   (static_cast<uint32_t>(p[1]) << 8) | p[0];
          }
          if (p[3] != 0) anyAlpha = true;
          break;
        }
      }
      target[x] = argb;
    }
  }
  // The mask: a set bit is transparent. A 32-bit image whose alpha is all
  // zero is an old-style one that relies on the mask alone.
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = l.andMask ? l.andMask + maskRow * static_cast<uint64_t>(h - 1 - y) : nullptr;
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
      bool clear = row != nullptr && ((row[x / 8] >> (7 - x % 8)) & 1u) != 0;
      uint32_t& p = out->pixels[i];
      if (bits == 32 && anyAlpha) {
        clear = clear || (p >> 24) == 0;
      } else {
        p |= 0xFF000000u;
      }
      if (clear) p = 0;
      out->mask[i] = clear ? 1 : 0;
    }
  }
  out->width = w;
  out->height = h;
  out->bitsPerPixel = bits;
  return IconStatus::Ok;
}

}  // namespace

IconStatus ListIconEntries(const uint8_t* bytes, size_t size, std::vector<IconEntryInfo>* entries) {
  if (entries == nullptr) return IconStatus::MissingInput;
  entries->clear();
  std::vector<Layout> layouts;
  const IconStatus status = Survey(bytes, size, &layouts);
  if (status != IconStatus::Ok) return status;
  try {
    for (const Layout& l : layouts) entries->push_back(l.info);
  } catch (const std::bad_alloc&) {
    return IconStatus::OutOfMemory;
  }
  return IconStatus::Ok;
}

IconStatus ReadIconFile(const uint8_t* bytes, size_t size, int requestedPixels, int preferredBits, IconImage* out) {
  if (out == nullptr) return IconStatus::MissingInput;
  *out = IconImage{};
  std::vector<Layout> layouts;
  const IconStatus status = Survey(bytes, size, &layouts);
  if (status != IconStatus::Ok) return status;
  const Layout* chosen = nullptr;
  for (const Layout& l : layouts) {
    if (l.info.png || l.info.height != requestedPixels) continue;
    if (l.info.bitsPerPixel == preferredBits) {
      chosen = &l;
      break;
    }
    if (chosen == nullptr || l.info.bitsPerPixel > chosen->info.bitsPerPixel) chosen = &l;
  }
  if (chosen == nullptr) return IconStatus::NoImageOfSize;
  return Decode(*chosen, out);
}

IconStatus ReadIconFromPath(const std::string& path, int requestedPixels, int preferredBits, IconImage* out) {
  if (out == nullptr || path.size() < 5) return IconStatus::MissingInput;
  *out = IconImage{};
  std::string bytes;
  try {
    if (!ReadWholeFile(path, &bytes, kIconFileMaxBytes)) return IconStatus::MissingInput;
  } catch (const std::bad_alloc&) {
    return IconStatus::OutOfMemory;
  }
  return ReadIconFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), requestedPixels, preferredBits,
                      out);
}

}  // namespace tb::platform
