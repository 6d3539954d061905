// The card sound reader: which files give samples (and exactly which bytes),
// and which lies about lengths and formats give nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/wav_reader.h"

namespace {

using tb::platform::ReadWav;

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(tag[i]));
}

struct Fmt {
  uint16_t tag = 1, channels = 1;
  uint32_t rate = 8000;
  uint16_t bits = 8;
  int blockAlign = -1;  // -1: right for channels and bits
  int subFormat = -1;   // >= 0: the extensible form naming this format
};

Bytes FmtBody(const Fmt& f) {
  Bytes b;
  const uint16_t align = f.blockAlign >= 0 ? uint16_t(f.blockAlign) : uint16_t(f.channels * f.bits / 8);
  Put16(b, f.tag);
  Put16(b, f.channels);
  Put32(b, f.rate);
  Put32(b, f.rate * align);
  Put16(b, align);
  Put16(b, f.bits);
  if (f.subFormat >= 0) {
    Put16(b, 22);
    Put16(b, f.bits);
    Put32(b, 0);
    Put16(b, uint16_t(f.subFormat));
    b.resize(b.size() + 14);
  }
  return b;
}

// A chunk; claimed replaces the true length in its header.
Bytes Chunk(const char* tag, const Bytes& body, int64_t claimed = -1) {
  Bytes b;
  PutTag(b, tag);
  Put32(b, claimed >= 0 ? uint32_t(claimed) : uint32_t(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() % 2) b.push_back(0);
  return b;
}

Bytes Riff(const std::vector<Bytes>& chunks, int64_t claimed = -1) {
  Bytes body;
  PutTag(body, "WAVE");
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, claimed >= 0 ? uint32_t(claimed) : uint32_t(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Samples(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + 1);
  return b;
}

TEST(WavReader, FindsFormatAndExactlyTheSamples) {
  struct Case {
    const char* what;
    Bytes file;
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    bool floating;
    size_t samples;  // bytes expected, whole frames
  };
  const Bytes odd = Samples(7);
  const Case cases[] = {
      {"8-bit mono", Riff({Chunk("fmt ", FmtBody({})), Chunk("data", Samples(10))}), 1, 8000, 8, false, 10},
      {"16-bit stereo after a LIST chunk of odd length",
       Riff({Chunk("fmt ", FmtBody({1, 2, 22050, 16})), Chunk("LIST", odd), Chunk("data", Samples(40))}), 2, 22050, 16,
       false, 40},
      {"extensible 24-bit", Riff({Chunk("fmt ", FmtBody({0xFFFE, 2, 44100, 24, -1, 1})), Chunk("data", Samples(30))}),
       2, 44100, 24, false, 30},
      {"float", Riff({Chunk("fmt ", FmtBody({3, 1, 48000, 32})), Chunk("data", Samples(16))}), 1, 48000, 32, true, 16},
      {"a partial last frame is cut", Riff({Chunk("fmt ", FmtBody({1, 2, 8000, 16})), Chunk("data", Samples(10))}), 2,
       8000, 16, false, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto sound = ReadWav(c.file.data(), c.file.size());
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->format.channels, c.channels);
    EXPECT_EQ(sound->format.sampleRate, c.rate);
    EXPECT_EQ(sound->format.bitsPerSample, c.bits);
    EXPECT_EQ(sound->format.floatingPoint, c.floating);
    ASSERT_EQ(sound->length, c.samples);
    // The samples are the data chunk's body, in the caller's bytes.
    const Bytes expected = Samples(c.samples);
    EXPECT_EQ(std::memcmp(sound->samples, expected.data(), c.samples), 0);
    EXPECT_GE(sound->samples, c.file.data());
    EXPECT_LE(sound->samples + sound->length, c.file.data() + c.file.size());
  }
}

TEST(WavReader, RefusesWhatCannotBePlayedOrLiesAboutItsLengths) {
  const Bytes fmt = Chunk("fmt ", FmtBody({}));
  const Bytes data = Chunk("data", Samples(8));
  Bytes notRiff = Riff({fmt, data});
  notRiff[3] = 'X';
  Bytes notWave = Riff({fmt, data});
  notWave[8] = 'w';
  const Bytes whole = Riff({fmt, data});
  const Bytes extensible = FmtBody({0xFFFE, 1, 8000, 8, -1, 1});
  const struct {
    const char* what;
    Bytes file;
  } cases[] = {
      {"nothing", {}},
      {"not RIFF", notRiff},
      {"not WAVE", notWave},
      {"only the header", Bytes(whole.begin(), whole.begin() + 12)},
      {"cut inside the data", Bytes(whole.begin(), whole.end() - 3)},
      {"RIFF length past the end", Riff({fmt, data}, 100000)},
      {"RIFF length 0xFFFFFFFF", Riff({fmt, data}, 0xFFFFFFFF)},
      {"data length past the end", Riff({fmt, Chunk("data", Samples(8), 4000)})},
      {"data length 0xFFFFFFFF", Riff({fmt, Chunk("data", Samples(8), 0xFFFFFFFF)})},
      {"other chunk past the end", Riff({fmt, Chunk("junk", Samples(4), 0xFFFFFFF0), data})},
      {"no data", Riff({fmt})},
      {"empty data", Riff({fmt, Chunk("data", {})})},
      {"data before the format", Riff({data, fmt})},
      {"two formats", Riff({fmt, fmt, data})},
      {"format too short", Riff({Chunk("fmt ", Bytes(14)), data})},
      {"zero channels", Riff({Chunk("fmt ", FmtBody({1, 0})), data})},
      {"nine channels", Riff({Chunk("fmt ", FmtBody({1, 9, 8000, 8})), Chunk("data", Samples(18))})},
      {"zero rate", Riff({Chunk("fmt ", FmtBody({1, 1, 0})), data})},
      {"absurd rate", Riff({Chunk("fmt ", FmtBody({1, 1, 4000000})), data})},
      {"ADPCM", Riff({Chunk("fmt ", FmtBody({2, 1, 8000, 4, 256})), data})},
      {"12 bits", Riff({Chunk("fmt ", FmtBody({1, 1, 8000, 12, 2})), data})},
      {"64-bit float", Riff({Chunk("fmt ", FmtBody({3, 1, 8000, 64})), Chunk("data", Samples(16))})},
      {"block align lies", Riff({Chunk("fmt ", FmtBody({1, 2, 8000, 16, 1})), data})},
      {"extensible cut short", Riff({Chunk("fmt ", Bytes(extensible.begin(), extensible.begin() + 30)), data})},
      {"extensible naming ADPCM", Riff({Chunk("fmt ", FmtBody({0xFFFE, 1, 8000, 8, -1, 2})), data})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(ReadWav(c.file.data(), c.file.size()).has_value());
  }
  EXPECT_FALSE(ReadWav(nullptr, 100).has_value());
}

}  // namespace
