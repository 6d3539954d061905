#include "platform/core/wav_reader.h"

#include <cstring>

namespace tb::platform {
namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr size_t kFmtMinimum = 16;
constexpr size_t kFmtExtensible = 40;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
bool Tag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

std::optional<WavFormat> ReadFormat(const uint8_t* p, size_t length) {
  if (length < kFmtMinimum) return std::nullopt;
  uint16_t tag = U16(p);
  WavFormat f;
  f.channels = U16(p + 2);
  f.sampleRate = U32(p + 4);
  const uint16_t blockAlign = U16(p + 12);
  f.bitsPerSample = U16(p + 14);
  if (tag == kFormatExtensible) {
    // The sub-format's first two bytes name the real format.
    if (length < kFmtExtensible) return std::nullopt;
    tag = U16(p + 24);
  }
  if (tag == kFormatFloat) {
    if (f.bitsPerSample != 32) return std::nullopt;
    f.floatingPoint = true;
  } else if (tag != kFormatPcm) {
    return std::nullopt;
  } else if (f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 24 && f.bitsPerSample != 32) {
    return std::nullopt;
  }
  if (f.channels == 0 || f.channels > kWavMaxChannels) return std::nullopt;
  if (f.sampleRate < kWavMinRate || f.sampleRate > kWavMaxRate) return std::nullopt;
  if (blockAlign != f.FrameBytes()) return std::nullopt;
  return f;
}

}  // namespace

std::optional<WavSound> ReadWav(const uint8_t* data, size_t size) {
  if (!data || size < 12 || !Tag(data, "RIFF") || !Tag(data + 8, "WAVE")) return std::nullopt;
  const uint64_t riffEnd = uint64_t{U32(data + 4)} + 8;
  if (riffEnd > size || riffEnd < 12) return std::nullopt;
  std::optional<WavFormat> format;
  size_t at = 12;
  while (riffEnd - at >= 8) {
    const uint8_t* chunk = data + at;
    const uint64_t length = U32(chunk + 4);
    const uint64_t bodyAt = at + 8;
    if (length > riffEnd - bodyAt) return std::nullopt;  // past the end
    if (Tag(chunk, "fmt ")) {
      if (format) return std::nullopt;  // a second format is a lie about one of them
      format = ReadFormat(data + bodyAt, size_t(length));
      if (!format) return std::nullopt;
    } else if (Tag(chunk, "data")) {
      if (!format) return std::nullopt;
      WavSound sound;
      sound.format = *format;
      sound.samples = data + bodyAt;
      sound.length = size_t(length - length % format->FrameBytes());
      if (sound.length == 0) return std::nullopt;
      return sound;
    }
    // Chunks are padded to an even length.
    at = size_t(bodyAt + length + (length & 1));
    if (at > riffEnd) break;
  }
  return std::nullopt;
}

}  // namespace tb::platform
