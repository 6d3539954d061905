#pragma once
// Writes small ".ico" files for the tests: every image carries a known
// pattern, so a decoded pixel can be checked against ExpectedPixel.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tb::test {

struct IcoImage {
  int width = 16;
  int height = 16;
  int bits = 24;
  bool withMask = true;      // 32-bit images may leave it out
  std::vector<uint8_t> png;  // when set, stored in place of a bitmap
};

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void Set16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  Set16(out, at, v & 0xFFFF);
  Set16(out, at + 2, v >> 16);
}

inline int PaletteSize(int bits) { return bits <= 8 ? 1 << bits : 0; }
inline uint32_t PaletteEntry(int i) {
  return (static_cast<uint32_t>(i * 37 % 256) << 16) | (static_cast<uint32_t>(255 - i * 11 % 256) << 8) |
         static_cast<uint32_t>(i * 5 % 256);
}
inline int PatternIndex(int bits, int x, int y) { return (x + 3 * y) % PaletteSize(bits); }
// The left column is transparent through the mask.
inline bool PatternClear(int x, int y) { return x == 0; }
inline uint32_t PatternAlpha(int x, int y) { return (x * 16 + y) % 256 == 0 ? 0 : 128 + (x + y) % 128; }

// The colour (0xAARRGGBB) the reader must give for a pixel of the image.
inline uint32_t ExpectedPixel(const IcoImage& image, int x, int y) {
  if (image.bits == 32) {
    const uint32_t a = PatternAlpha(x, y);
    if (a == 0 || (image.withMask && PatternClear(x, y))) return 0;
    return (a << 24) | (static_cast<uint32_t>(x * 8 % 256) << 16) | (static_cast<uint32_t>(y * 8 % 256) << 8) | 90;
  }
  if (PatternClear(x, y)) return 0;
  uint32_t rgb = 0;
  switch (image.bits) {
    case 1:
    case 4:
    case 8: rgb = PaletteEntry(PatternIndex(image.bits, x, y)); break;
    case 16: {
      // Five bits a channel, widened the way the reader widens them.
      const uint32_t r = static_cast<uint32_t>(x % 32), g = static_cast<uint32_t>(y % 32), b = 7;
      rgb = (((r * 255 + 15) / 31) << 16) | (((g * 255 + 15) / 31) << 8) | ((b * 255 + 15) / 31);
      break;
    }
    case 24: rgb = (static_cast<uint32_t>(x * 8 % 256) << 16) | (static_cast<uint32_t>(y * 8 % 256) << 8) | 90; break;
  }
  return 0xFF000000u | rgb;
}

inline std::vector<uint8_t> Bitmap(const IcoImage& image) {
  std::vector<uint8_t> out;
  const int w = image.width, h = image.height, bits = image.bits;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(w));
  Put32(out, static_cast<uint32_t>(2 * h));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  for (int i = 0; i < 6; ++i) Put32(out, 0);  // compression .. important colours
  for (int i = 0; i < PaletteSize(bits); ++i) Put32(out, PaletteEntry(i));
  const size_t row = static_cast<size_t>((w * bits + 31) / 32 * 4);
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> line(row, 0);
    for (int x = 0; x < w; ++x) {
      switch (bits) {
        case 1: line[x / 8] |= static_cast<uint8_t>(PatternIndex(1, x, y) << (7 - x % 8)); break;
        case 4: line[x / 2] |= static_cast<uint8_t>(PatternIndex(4, x, y) << (x % 2 == 0 ? 4 : 0)); break;
        case 8: line[x] = static_cast<uint8_t>(PatternIndex(8, x, y)); break;
        case 16:
          Set16(line, 2 * x, (static_cast<uint32_t>(x % 32) << 10) | (static_cast<uint32_t>(y % 32) << 5) | 7);
          break;
        case 24:
          line[3 * x] = 90;
          line[3 * x + 1] = static_cast<uint8_t>(y * 8);
          line[3 * x + 2] = static_cast<uint8_t>(x * 8);
          break;
        case 32:
          line[4 * x] = 90;
          line[4 * x + 1] = static_cast<uint8_t>(y * 8);
          line[4 * x + 2] = static_cast<uint8_t>(x * 8);
          line[4 * x + 3] = static_cast<uint8_t>(PatternAlpha(x, y));
          break;
      }
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  if (image.withMask) {
    const size_t maskRow = static_cast<size_t>((w + 31) / 32 * 4);
    for (int y = h - 1; y >= 0; --y) {
      std::vector<uint8_t> line(maskRow, 0);
      for (int x = 0; x < w; ++x)
        if (PatternClear(x, y)) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      out.insert(out.end(), line.begin(), line.end());
    }
  }
  return out;
}

// Header, directory and images in order. Offsets of the directory entry of
// image i: 6 + 16 * i (+8 byte size, +12 offset).
inline std::vector<uint8_t> WriteIco(const std::vector<IcoImage>& images, uint16_t type = 1) {
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, type);
  Put16(out, static_cast<uint32_t>(images.size()));
  std::vector<std::vector<uint8_t>> bodies;
  for (const IcoImage& image : images) bodies.push_back(image.png.empty() ? Bitmap(image) : image.png);
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const IcoImage& image = images[i];
    out.push_back(static_cast<uint8_t>(image.width >= 256 ? 0 : image.width));
    out.push_back(static_cast<uint8_t>(image.height >= 256 ? 0 : image.height));
    out.push_back(static_cast<uint8_t>(PaletteSize(image.bits) % 256));
    out.push_back(0);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(image.bits));
    Put32(out, static_cast<uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace tb::test
