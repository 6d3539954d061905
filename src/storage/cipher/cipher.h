#pragma once
// RC4 under a 16-byte key. Every stored piece is enciphered on its own from
// the first keystream byte, so one key always produces the same keystream:
// a KeyContext computes it once and serves every piece by XOR with its
// prefix, growing it on demand for longer pieces.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "storage/cipher/secure.h"

namespace tb::storage {

using Key128 = std::array<uint8_t, 16>;

// Plain RC4 state, for callers that need the textbook generator.
struct Rc4State {
  uint32_t i = 0, j = 0;
  uint8_t s[256];
  void Schedule(const uint8_t* key, size_t keyLength);
  void Generate(uint8_t* out, size_t n);
};

// One-shot RC4: destination = source XOR keystream(key) from position 0.
// Source and destination may be the same buffer.
void Encipher(const Key128& key, const void* source, size_t length, void* destination);

// The key and the generator state live in the object itself, whose pages
// are locked against swapping for its lifetime like the keystream's.
class KeyContext {
 public:
  KeyContext();
  ~KeyContext();
  KeyContext(const KeyContext& other);
  KeyContext& operator=(const KeyContext& other);

  void SetKey(const Key128& key);
  void Clear();  // zeroes key and keystream; IsSet() becomes false
  bool IsSet() const { return set_; }
  const Key128& Key() const { return key_; }

  // destination = source XOR keystream; false (destination untouched) when
  // no key is set.
  bool Apply(const void* source, size_t length, void* destination) const;

 private:
  void Extend(size_t length) const;
  bool set_ = false;
  Key128 key_{};
  mutable Rc4State state_{};
  mutable SecureBytes keystream_;
};

}  // namespace tb::storage
