#include "storage/cipher/md5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cipher/hex.h"

namespace tb::storage {
namespace {

using testing::ToHex;

struct Md5Case {
  std::string message;
  const char* digest;
};

std::vector<Md5Case> Cases() {
  return {
      // The reference suite of the algorithm's definition.
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      // Padding boundaries: the length still fits the last block at 55, needs
      // an extra block at 56, and a whole block of padding at 64.
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
      {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
  };
}

TEST(Md5, MatchesReferenceDigests) {
  for (const Md5Case& c : Cases()) {
    EXPECT_EQ(ToHex(Md5(c.message.data(), c.message.size())), c.digest) << "length " << c.message.size();
  }
}

std::vector<uint8_t> AllByteValues(size_t repeats) {
  std::vector<uint8_t> data;
  for (size_t r = 0; r < repeats; ++r)
    for (int v = 0; v < 256; ++v) data.push_back(static_cast<uint8_t>(v));
  return data;
}

TEST(Md5, LongMessageOfEveryByteValue) {
  const std::vector<uint8_t> data = AllByteValues(40);
  EXPECT_EQ(ToHex(Md5(data.data(), data.size())), "c3cd26e07e555c0116db237fbc06d99c");
}

TEST(Md5, StreamingInOddPiecesEqualsOneShot) {
  const std::vector<uint8_t> data = AllByteValues(40);
  const Digest whole = Md5(data.data(), data.size());
  for (size_t piece : {1u, 3u, 7u, 63u, 65u, 127u, 1000u}) {
    Md5Hasher hasher;
    for (size_t at = 0; at < data.size(); at += piece)
      hasher.Update(data.data() + at, std::min(piece, data.size() - at));
    EXPECT_EQ(hasher.Final(), whole) << "pieces of " << piece;
  }
  Md5Hasher withEmpty;
  withEmpty.Update(data.data(), 10);
  withEmpty.Update(nullptr, 0);
  withEmpty.Update(data.data() + 10, data.size() - 10);
  EXPECT_EQ(withEmpty.Final(), whole);
}

}  // namespace
}  // namespace tb::storage
