#include "storage/cipher/cipher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cipher/hex.h"

namespace tb::storage {
namespace {

using testing::FromHex;
using testing::ToHex;

const Key128 kRfcKey = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10};

// Keystream of kRfcKey at offsets on both sides of the first cache page.
struct StreamCase {
  size_t offset;
  const char* bytes;
};
const StreamCase kRfcStream[] = {
    {0, "9ac7cc9a609d1ef7b2932899cde41b97"},    {16, "5248c4959014126a6e8a84f11d1a9e1c"},
    {240, "065902e4b620f6cc36c8589f66432f2b"},  {1008, "e7a72574f8782ae26aabcf9ebcd66065"},
    {4080, "ff38265c1642c1abe8d3c2fe5e572bf8"}, {4096, "a36a4c301ae8ac13610ccbc12256cacc"},
};

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t k = 0; k < n; ++k) v[k] = static_cast<uint8_t>(k * 131 + 7);
  return v;
}

TEST(Rc4State, ClassicVectorsWithShortKeys) {
  struct Case {
    std::string key, plain;
    const char* cipher;
  };
  const Case cases[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
  };
  for (const Case& c : cases) {
    Rc4State state;
    state.Schedule(reinterpret_cast<const uint8_t*>(c.key.data()), c.key.size());
    std::vector<uint8_t> stream(c.plain.size());
    state.Generate(stream.data(), stream.size());
    for (size_t k = 0; k < stream.size(); ++k) stream[k] ^= static_cast<uint8_t>(c.plain[k]);
    EXPECT_EQ(ToHex(stream), c.cipher) << c.key;
  }
}

TEST(Rc4State, GeneratingInPiecesContinuesTheStream) {
  Rc4State whole, pieces;
  whole.Schedule(kRfcKey.data(), kRfcKey.size());
  pieces.Schedule(kRfcKey.data(), kRfcKey.size());
  std::vector<uint8_t> a(1000), b(1000);
  whole.Generate(a.data(), a.size());
  pieces.Generate(b.data(), 1);
  pieces.Generate(b.data() + 1, 400);
  pieces.Generate(b.data() + 401, 599);
  EXPECT_EQ(a, b);
}

TEST(Encipher, KeystreamMatchesReferenceAtSeveralOffsets) {
  std::vector<uint8_t> zeros(4112, 0), stream(4112);
  Encipher(kRfcKey, zeros.data(), zeros.size(), stream.data());
  KeyContext context;
  context.SetKey(kRfcKey);
  for (const StreamCase& c : kRfcStream) {
    EXPECT_EQ(ToHex(stream.data() + c.offset, 16), c.bytes) << "Encipher at " << c.offset;
    // Each call starts at keystream position 0, so reading up to an offset
    // through the context must give the same bytes, whatever was cached by
    // the calls before.
    std::vector<uint8_t> out(c.offset + 16);
    ASSERT_TRUE(context.Apply(zeros.data(), out.size(), out.data()));
    EXPECT_EQ(ToHex(out.data() + c.offset, 16), c.bytes) << "Apply at " << c.offset;
  }
}

TEST(Encipher, InPlaceAndSelfInverse) {
  const std::vector<uint8_t> plain = Pattern(777);
  std::vector<uint8_t> copy(plain.size()), buffer = plain;
  Encipher(kRfcKey, plain.data(), plain.size(), copy.data());
  Encipher(kRfcKey, buffer.data(), buffer.size(), buffer.data());
  EXPECT_EQ(buffer, copy);
  EXPECT_NE(buffer, plain);
  Encipher(kRfcKey, buffer.data(), buffer.size(), buffer.data());
  EXPECT_EQ(buffer, plain);
}

TEST(KeyContext, ApplyEqualsEncipherForEveryLength) {
  KeyContext context;
  context.SetKey(kRfcKey);
  // Long first, then short, then across the cache growth steps again on a
  // fresh context, so both a warm and a cold cache are covered.
  for (bool fresh : {false, true}) {
    for (size_t n : {100000u, 0u, 1u, 4095u, 4096u, 4097u, 100000u}) {
      if (fresh) context.SetKey(kRfcKey);
      const std::vector<uint8_t> plain = Pattern(n);
      std::vector<uint8_t> expected(n), actual(n, 0xEE);
      Encipher(kRfcKey, plain.data(), n, expected.data());
      ASSERT_TRUE(context.Apply(plain.data(), n, actual.data()));
      EXPECT_EQ(actual, expected) << "length " << n;

      std::vector<uint8_t> inPlace = plain;
      ASSERT_TRUE(context.Apply(inPlace.data(), n, inPlace.data()));
      EXPECT_EQ(inPlace, expected) << "in place, length " << n;
    }
  }
}

TEST(KeyContext, PieceLongerThanTheCacheLimit) {
  // Beyond the cache's upper bound the tail is generated on the fly; the
  // bytes must still be the one keystream from position 0.
  const size_t n = (size_t{16} << 20) + 12345;
  std::vector<uint8_t> plain(n, 0x5A), expected(n), actual(n);
  Encipher(kRfcKey, plain.data(), n, expected.data());
  KeyContext context;
  context.SetKey(kRfcKey);
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(context.Apply(plain.data(), n, actual.data()));
    ASSERT_TRUE(actual == expected) << "pass " << pass;
  }
}

TEST(KeyContext, UnsetOrClearedContextRefusesAndLeavesDestination) {
  const std::vector<uint8_t> plain = Pattern(64);
  std::vector<uint8_t> out(64, 0xAB);
  KeyContext context;
  EXPECT_FALSE(context.IsSet());
  EXPECT_FALSE(context.Apply(plain.data(), plain.size(), out.data()));
  EXPECT_EQ(out, std::vector<uint8_t>(64, 0xAB));

  context.SetKey(kRfcKey);
  ASSERT_TRUE(context.Apply(plain.data(), plain.size(), out.data()));
  context.Clear();
  EXPECT_FALSE(context.IsSet());
  EXPECT_EQ(context.Key(), Key128{});
  std::vector<uint8_t> again(64, 0xAB);
  EXPECT_FALSE(context.Apply(plain.data(), plain.size(), again.data()));
  EXPECT_EQ(again, std::vector<uint8_t>(64, 0xAB));
}

TEST(KeyContext, CopiesAreIndependentAndComplete) {
  const std::vector<uint8_t> plain = Pattern(9000);
  std::vector<uint8_t> expected(plain.size()), out(plain.size());
  Encipher(kRfcKey, plain.data(), plain.size(), expected.data());

  KeyContext original;
  original.SetKey(kRfcKey);
  ASSERT_TRUE(original.Apply(plain.data(), 100, out.data()));  // warm a small cache
  KeyContext copy(original);
  KeyContext assigned;
  assigned = original;
  Key128 other = kRfcKey;
  other[0] ^= 1;
  original.SetKey(other);  // re-keying the original must not touch the copies

  for (KeyContext* c : {&copy, &assigned}) {
    EXPECT_EQ(c->Key(), kRfcKey);
    ASSERT_TRUE(c->Apply(plain.data(), plain.size(), out.data()));
    EXPECT_EQ(out, expected);
  }
  ASSERT_TRUE(original.Apply(plain.data(), plain.size(), out.data()));
  EXPECT_NE(out, expected);
}

}  // namespace
}  // namespace tb::storage
