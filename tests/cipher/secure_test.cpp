// Secrets do not outlive their holders: texts short enough to live inside
// the string object are wiped by the destructor, longer ones by the
// allocator when their buffer goes back to the heap.
#include <gtest/gtest.h>

#include <new>

#include "storage/cipher/secure.h"

namespace tb::storage {
namespace {

TEST(SecureText, ShortTextIsWipedWhenDestroyed) {
  alignas(Text) unsigned char storage[sizeof(Text)];
  Text* pin = new (storage) Text(u"4711");
  const auto* inside = reinterpret_cast<const unsigned char*>(pin->data());
  ASSERT_GE(inside, storage);
  ASSERT_LT(inside, storage + sizeof storage);   // held inside the object
  pin->~Text();
  for (size_t i = 0; i < 4 * sizeof(char16_t); ++i) EXPECT_EQ(inside[i], 0) << i;
}

TEST(SecureText, BehavesAsAString) {
  Text t = u"pass";
  t += u"word";
  const Text copy = t;
  EXPECT_EQ(copy, u"password");
  EXPECT_EQ(ToU16(t.substr(0, 4)), u"pass");
}

}  // namespace
}  // namespace tb::storage
