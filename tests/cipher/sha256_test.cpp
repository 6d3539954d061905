#include "storage/cipher/sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "cipher/hex.h"

namespace tb::storage {
namespace {

using testing::ToHex;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(Sha256Test, KnownDigests) {
  const struct {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 56 bytes: the length no longer fits the first block.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Sha256Hex(Bytes(c.input), c.input.size()), c.digest) << c.input.size();
}

TEST(Sha256Test, HmacKnownValues) {
  // The published test vectors, with short, block-sized and hashed keys.
  const std::string longKey(131, '\xaa');
  const struct {
    std::string key, data;
    const char* mac;
  } cases[] = {
      {std::string(20, '\x0b'), "Hi There", "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {"Jefe", "what do ya want for nothing?", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {longKey, "Test Using Larger Than Block-Size Key - Hash Key First",
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
      {longKey,
       "This is a test using a larger than block-size key and a larger than block-size data. The key needs to "
       "be hashed before being used by the HMAC algorithm.",
       "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToHex(HmacSha256Of(Bytes(c.key), c.key.size(), Bytes(c.data), c.data.size())), c.mac);
    // Fed in pieces, the same value.
    HmacSha256 mac(Bytes(c.key), c.key.size());
    for (char ch : c.data) mac.Update(reinterpret_cast<const uint8_t*>(&ch), 1);
    EXPECT_EQ(ToHex(mac.Finish()), c.mac);
  }
}

}  // namespace
}  // namespace tb::storage
