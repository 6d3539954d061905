#pragma once
// The sound of a card is a RIFF/WAVE file held in memory. ReadWav finds its
// format and its PCM samples without trusting a single length in it: every
// chunk must lie inside the bytes, and only plain PCM (integer samples of
// 8, 16, 24 or 32 bits, or 32-bit float) of 1 to 8 channels at a sane rate
// is accepted. Anything else gives nothing, and nothing is played.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tb::platform {

struct WavFormat {
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;
  bool floatingPoint = false;
  // Bytes of one frame (one sample of every channel).
  uint32_t FrameBytes() const { return uint32_t(channels) * (bitsPerSample / 8u); }
};

struct WavSound {
  WavFormat format;
  // The samples inside the bytes given to ReadWav, cut to whole frames.
  const uint8_t* samples = nullptr;
  size_t length = 0;
};

inline constexpr uint32_t kWavMinRate = 1000;
inline constexpr uint32_t kWavMaxRate = 384000;
inline constexpr uint16_t kWavMaxChannels = 8;

std::optional<WavSound> ReadWav(const uint8_t* data, size_t size);

}  // namespace tb::platform
