#pragma once
// Storage for secrets (passwords, key contexts, deciphered card texts) that
// is kept out of swap where the system allows it and overwritten with zeros
// before it is given back to the heap.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tb::storage {

void SecureWipe(void* data, size_t n);

// Locks the pages under [data, data + n) into memory so that they are never
// written to swap. Pages are counted: a page shared by several secrets is
// unlocked when the last of them is released. When the system refuses (a
// locked-memory limit, no permission) secrets are kept unlocked from then
// on, without asking again.
void LockSecretMemory(const void* data, size_t n) noexcept;
void UnlockSecretMemory(const void* data, size_t n) noexcept;

struct SecretMemoryState {
  uint64_t lockCalls = 0;  // times the system was asked to lock pages
  size_t lockedPages = 0;  // pages locked now
  bool refused = false;    // the system said no; nothing is asked any more
};
SecretMemoryState SecretMemory() noexcept;

// Tests stand in for the system's lock and unlock calls (nullptr restores
// them); the page counts and the refusal start afresh.
using MemoryLockCall = int (*)(const void* address, size_t length);
void SetMemoryLockCallsForTesting(MemoryLockCall lock, MemoryLockCall unlock) noexcept;

template <typename T>
struct WipingAllocator {
  using value_type = T;
  WipingAllocator() noexcept = default;
  template <typename U>
  WipingAllocator(const WipingAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    T* p = std::allocator<T>{}.allocate(n);
    LockSecretMemory(p, n * sizeof(T));
    return p;
  }
  void deallocate(T* p, size_t n) noexcept {
    SecureWipe(p, n * sizeof(T));
    UnlockSecretMemory(p, n * sizeof(T));
    std::allocator<T>{}.deallocate(p, n);
  }
  template <typename U>
  bool operator==(const WipingAllocator<U>&) const noexcept {
    return true;
  }
};

// A string whose heap buffer comes from the wiping allocator and whose
// inline (short-string) storage the destructor wipes.
template <typename CharT>
class WipedString : public std::basic_string<CharT, std::char_traits<CharT>, WipingAllocator<CharT>> {
  using Base = std::basic_string<CharT, std::char_traits<CharT>, WipingAllocator<CharT>>;

 public:
  using Base::Base;
  WipedString() = default;
  WipedString(const Base& other) : Base(other) {}
  WipedString(Base&& other) noexcept : Base(std::move(other)) {}
  WipedString(const WipedString&) = default;
  WipedString(WipedString&&) noexcept = default;
  WipedString& operator=(const WipedString&) = default;
  WipedString& operator=(WipedString&&) noexcept = default;
  using Base::operator=;
  ~WipedString() { SecureWipe(this->data(), this->capacity() * sizeof(CharT)); }
};

using SecureU16Base = std::basic_string<char16_t, std::char_traits<char16_t>, WipingAllocator<char16_t>>;

// UTF-16 wallet text. Every deciphered text lives in one of these. Heap
// buffers are wiped by the allocator when given back; short texts live
// inside the object itself, so the destructor wipes that storage too.
class Text : public SecureU16Base {
 public:
  using SecureU16Base::SecureU16Base;
  Text() = default;
  Text(const SecureU16Base& other) : SecureU16Base(other) {}
  Text(SecureU16Base&& other) noexcept : SecureU16Base(std::move(other)) {}
  Text(const Text&) = default;
  Text(Text&&) noexcept = default;
  Text& operator=(const Text&) = default;
  Text& operator=(Text&&) noexcept = default;
  using SecureU16Base::operator=;
  ~Text() { SecureWipe(data(), capacity() * sizeof(char16_t)); }
};

// UTF-8 or single-byte text that may hold a secret: an answer read from
// standard input, output being built with passwords in it.
using SecureString = WipedString<char>;

using SecureBytes = std::vector<uint8_t, WipingAllocator<uint8_t>>;

inline Text ToText(std::u16string_view s) { return Text(s.data(), s.size()); }
inline std::u16string ToU16(const Text& t) { return std::u16string(t.data(), t.size()); }

}  // namespace tb::storage
