// Fuzz target: the bytes of an own ".ico" picture. Every size the lists ask
// for is read; whatever is read must be a whole image of the requested
// height whose mask agrees with its pixels, and the listing of usable
// entries must only name images that lie inside the input.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_targets.h"
#include "platform/core/icon_file.h"

namespace {

[[noreturn]] void Broken(const char* what, int pixels) {
  std::fprintf(stderr, "icon file fuzz: %s (at %d pixels)\n", what, pixels);
  std::abort();
}

}  // namespace

int FuzzIconFile(const uint8_t* data, size_t size) {
  using namespace tb::platform;
  std::vector<IconEntryInfo> entries;
  const IconStatus listed = ListIconEntries(data, size, &entries);
  if (listed != IconStatus::Ok && !entries.empty()) Broken("a refused file listed entries", 0);
  for (const IconEntryInfo& entry : entries) {
    if (uint64_t{entry.offset} + entry.length > size) Broken("an entry lies outside the file", entry.height);
    if (entry.width <= 0 || entry.height <= 0 || entry.width > kIconMaxSide || entry.height > kIconMaxSide)
      Broken("an entry has an impossible size", entry.height);
  }
  for (const int pixels : {16, 24, 32, 48, 64, 256}) {
    for (const int bits : {24, 32, 4}) {
      IconImage image;
      const IconStatus status = ReadIconFile(data, size, pixels, bits, &image);
      if (status != IconStatus::Ok) {
        if (!image.pixels.empty() || !image.mask.empty()) Broken("a refused read left pixels behind", pixels);
        continue;
      }
      if (image.height != pixels || image.width <= 0 || image.width > kIconMaxSide) Broken("wrong size", pixels);
      const size_t n = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
      if (image.pixels.size() != n || image.mask.size() != n) Broken("pixels and size disagree", pixels);
      for (size_t i = 0; i < n; ++i) {
        if (image.mask[i] != 0 && image.pixels[i] != 0) Broken("a masked pixel is drawn", pixels);
      }
    }
  }
  return 0;
}
