// Secrets do not outlive their holders: texts short enough to live inside
// the string object are wiped by the destructor, longer ones by the
// allocator when their buffer goes back to the heap. While they live, their
// pages are kept out of swap where the system allows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <memory>
#include <new>

#include "storage/cipher/cipher.h"
#include "storage/cipher/secure.h"

namespace tb::storage {
namespace {

TEST(SecureText, ShortTextIsWipedWhenDestroyed) {
  alignas(Text) unsigned char storage[sizeof(Text)];
  Text* pin = new (storage) Text(u"4711");
  const auto* inside = reinterpret_cast<const unsigned char*>(pin->data());
  ASSERT_GE(inside, storage);
  ASSERT_LT(inside, storage + sizeof storage);  // held inside the object
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

namespace tb::storage {
namespace {

// The system's lock calls, recorded instead of made.
struct LockLog {
  static inline std::vector<uintptr_t> locked, unlocked;
  static inline bool refuse = false;
  static int Lock(const void* p, size_t) {
    if (refuse) return -1;
    locked.push_back(reinterpret_cast<uintptr_t>(p));
    return 0;
  }
  static int Unlock(const void* p, size_t) {
    unlocked.push_back(reinterpret_cast<uintptr_t>(p));
    return 0;
  }
};

class SecretMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LockLog::locked.clear();
    LockLog::unlocked.clear();
    LockLog::refuse = false;
    SetMemoryLockCallsForTesting(LockLog::Lock, LockLog::Unlock);
  }
  void TearDown() override { SetMemoryLockCallsForTesting(nullptr, nullptr); }
  static uintptr_t Page() { return uintptr_t(sysconf(_SC_PAGESIZE)); }
};

TEST_F(SecretMemoryTest, APageStaysLockedUntilItsLastSecretGoes) {
  const uintptr_t page = Page();
  alignas(4096) static unsigned char area[3 * 65536];
  const uintptr_t base = (reinterpret_cast<uintptr_t>(area) + page - 1) & ~(page - 1);
  const auto* p = reinterpret_cast<const unsigned char*>(base);
  LockSecretMemory(p + 10, 20);
  LockSecretMemory(p + 100, 20);       // the same page: no second call
  LockSecretMemory(p + page - 8, 16);  // across into the next page
  EXPECT_EQ(LockLog::locked, (std::vector<uintptr_t>{base, base + page}));
  EXPECT_EQ(SecretMemory().lockedPages, 2u);
  UnlockSecretMemory(p + 10, 20);
  EXPECT_TRUE(LockLog::unlocked.empty());
  UnlockSecretMemory(p + page - 8, 16);
  EXPECT_EQ(LockLog::unlocked, (std::vector<uintptr_t>{base + page}));
  UnlockSecretMemory(p + 100, 20);
  EXPECT_EQ(LockLog::unlocked, (std::vector<uintptr_t>{base + page, base}));
  EXPECT_EQ(SecretMemory().lockedPages, 0u);
}

TEST_F(SecretMemoryTest, ARefusalIsToleratedAndNotAskedAgain) {
  LockLog::refuse = true;
  SecureBytes first(100, 7);
  const uint64_t calls = SecretMemory().lockCalls;
  EXPECT_EQ(calls, 1u);
  EXPECT_TRUE(SecretMemory().refused);
  Text second(u"a password long enough for the heap");
  SecureBytes third(3 * Page(), 1);
  EXPECT_EQ(SecretMemory().lockCalls, calls);
  EXPECT_EQ(first[99], 7);
  EXPECT_EQ(ToU16(second), u"a password long enough for the heap");
  EXPECT_EQ(SecretMemory().lockedPages, 0u);
}

TEST_F(SecretMemoryTest, KeysAndKeystreamsAreLockedWhileTheyLive) {
  {
    KeyContext key;
    key.SetKey(Key128{1, 2, 3});
    uint8_t buffer[5000] = {};
    key.Apply(buffer, sizeof buffer, buffer);  // a keystream of 5000 bytes
    EXPECT_GE(SecretMemory().lockedPages, 3u);
  }
  EXPECT_EQ(SecretMemory().lockedPages, 0u);
  EXPECT_EQ(LockLog::locked.size(), LockLog::unlocked.size());
}

// With the system's own calls: the locked memory of the process grows by
// a secret's pages and shrinks when it goes (unless this system refuses).
long LockedKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmLck:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

TEST(SecretMemorySystem, SecretsAreLockedAgainstSwapping) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer makes mlock do nothing";
#endif
  const long before = LockedKilobytes();
  auto secret = std::make_unique<SecureBytes>(64 * 1024, 1);
  if (SecretMemory().refused) GTEST_SKIP() << "this system refuses to lock memory";
  EXPECT_GE(LockedKilobytes() - before, 64);
  secret.reset();
  EXPECT_LE(LockedKilobytes(), before + 8);
}

}  // namespace
}  // namespace tb::storage
