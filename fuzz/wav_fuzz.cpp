// Fuzz target: a card's sound. Whatever the reader accepts must be a format
// it can play, and its samples whole frames inside the input.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_targets.h"
#include "platform/core/wav_reader.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "wav fuzz: %s\n", what);
  std::abort();
}

}  // namespace

int FuzzWav(const uint8_t* data, size_t size) {
  using namespace tb::platform;
  const auto sound = ReadWav(data, size);
  if (!sound) return 0;
  const WavFormat& f = sound->format;
  if (f.channels == 0 || f.channels > kWavMaxChannels) Broken("channels out of range");
  if (f.sampleRate < kWavMinRate || f.sampleRate > kWavMaxRate) Broken("rate out of range");
  if (f.FrameBytes() == 0) Broken("empty frames");
  if (sound->length == 0 || sound->length % f.FrameBytes() != 0) Broken("samples are not whole frames");
  if (sound->samples < data || sound->samples + sound->length > data + size) Broken("samples outside the input");
  // Touch every byte, so that a sanitizer sees a read past the input.
  static volatile unsigned sink;
  unsigned sum = 0;
  for (size_t i = 0; i < sound->length; ++i) sum += sound->samples[i];
  sink = sum;
  return 0;
}
