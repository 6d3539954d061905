#pragma once
// Storage for secrets (passwords, key contexts, deciphered card texts) that
// is overwritten with zeros before it is given back to the heap.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tb::storage {

void SecureWipe(void* data, size_t n);

template <typename T>
struct WipingAllocator {
  using value_type = T;
  WipingAllocator() noexcept = default;
  template <typename U>
  WipingAllocator(const WipingAllocator<U>&) noexcept {}
  T* allocate(size_t n) { return std::allocator<T>{}.allocate(n); }
  void deallocate(T* p, size_t n) noexcept {
    SecureWipe(p, n * sizeof(T));
    std::allocator<T>{}.deallocate(p, n);
  }
  template <typename U>
  bool operator==(const WipingAllocator<U>&) const noexcept { return true; }
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

using SecureBytes = std::vector<uint8_t, WipingAllocator<uint8_t>>;

inline Text ToText(std::u16string_view s) { return Text(s.data(), s.size()); }
inline std::u16string ToU16(const Text& t) { return std::u16string(t.data(), t.size()); }

}  // namespace tb::storage
