#pragma once
// Reader of ".ico" icon files: a 6-byte header (reserved 0, type 1, image
// count), 16-byte directory entries (width, height, colours, reserved,
// planes, bits, byte size, offset), and for each image a device-independent
// bitmap (header, colour table, colour rows bottom-up, mask rows bottom-up).
// The bytes come from records and files of unknown origin: every size and
// offset is checked against the bytes at hand before it is used, and nothing
// is allocated beyond what the chosen image's own bytes justify.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tb::platform {

enum class IconStatus : int {
  Ok = 0,
  OutOfMemory = 2,
  NoImageOfSize = 3,  // no readable image of the requested size
  MissingInput = 4,   // no bytes, no output, or an unusable path
  BadHeader = 5,      // reserved word not 0, type not 1 (cursors are 2)
  NoImages = 6,       // image count 0
};

// One decoded image: top row first, pixels as 0xAARRGGBB.
struct IconImage {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;          // of the image it was read from
  std::vector<uint32_t> pixels;  // width * height
  std::vector<uint8_t> mask;     // width * height; 1 where transparent
};

// What one directory entry's bitmap header says, for entries whose image
// lies wholly inside the file and can be decoded.
struct IconEntryInfo {
  int width = 0;
  int height = 0;  // the header's height / 2 (it covers image and mask)
  int bitsPerPixel = 0;
  uint32_t offset = 0;
  uint32_t length = 0;
  bool png = false;  // a PNG stream in place of a bitmap (not decoded here)
};

// Directory entries looked at per file; later ones are ignored.
inline constexpr int kIconEntriesLooked = 20;
// The largest side an icon image may have.
inline constexpr int kIconMaxSide = 256;
// Icon files larger than this are refused before reading.
inline constexpr uint64_t kIconFileMaxBytes = 4u << 20;

// Checks the header and lists the usable entries (at most 20). Entries that
// lie about their sizes or lie outside the file are left out.
IconStatus ListIconEntries(const uint8_t* bytes, size_t size, std::vector<IconEntryInfo>* entries);

// Reads the image of requestedPixels height: the first of preferredBits
// depth, else the deepest other one of that height.
IconStatus ReadIconFile(const uint8_t* bytes, size_t size, int requestedPixels, int preferredBits, IconImage* out);

// The same for a whole file; paths shorter than 5 characters are refused.
IconStatus ReadIconFromPath(const std::string& path, int requestedPixels, int preferredBits, IconImage* out);

}  // namespace tb::platform
