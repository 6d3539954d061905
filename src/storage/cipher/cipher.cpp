#include "storage/cipher/cipher.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace tb::storage {
namespace {

// The keystream cache starts at one page and doubles; beyond the limit the
// rest of a very long piece is generated on the fly from a copy of the saved
// state, so no piece can make the cache grow without bound.
constexpr size_t kMinimumCache = 4096;
constexpr size_t kCacheLimit = size_t{16} << 20;

// destination = source XOR keystream, eight bytes at a time. Every word is
// loaded before it is stored, so source and destination may be one buffer.
void XorInto(const uint8_t* source, const uint8_t* keystream, size_t n, uint8_t* destination) {
  size_t k = 0;
  for (; k + 32 <= n; k += 32) {
    uint64_t s[4], t[4];
    std::memcpy(s, source + k, 32);
    std::memcpy(t, keystream + k, 32);
    s[0] ^= t[0];
    s[1] ^= t[1];
    s[2] ^= t[2];
    s[3] ^= t[3];
    std::memcpy(destination + k, s, 32);
  }
  for (; k + 8 <= n; k += 8) {
    uint64_t s, t;
    std::memcpy(&s, source + k, 8);
    std::memcpy(&t, keystream + k, 8);
    s ^= t;
    std::memcpy(destination + k, &s, 8);
  }
  for (; k < n; ++k) destination[k] = static_cast<uint8_t>(source[k] ^ keystream[k]);
}

// Generates the keystream straight into the XOR, byte by byte; used by the
// one-shot call and for the uncached tail of very long pieces.
void XorGenerate(Rc4State& state, const uint8_t* source, size_t n, uint8_t* destination) {
  uint8_t i = static_cast<uint8_t>(state.i), j = static_cast<uint8_t>(state.j);
  uint8_t* s = state.s;
  auto next = [&]() -> uint64_t {
    i = static_cast<uint8_t>(i + 1);
    const uint8_t si = s[i];
    j = static_cast<uint8_t>(j + si);
    const uint8_t sj = s[j];
    s[i] = sj;
    s[j] = si;
    return s[static_cast<uint8_t>(si + sj)];
  };
  size_t k = 0;
  // Eight keystream bytes gathered into one word, then one XOR and store.
  for (; k + 8 <= n; k += 8) {
    uint64_t w = next();
    w |= next() << 8;
    w |= next() << 16;
    w |= next() << 24;
    w |= next() << 32;
    w |= next() << 40;
    w |= next() << 48;
    w |= next() << 56;
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    uint64_t v;
    std::memcpy(&v, source + k, 8);
    v ^= w;
    std::memcpy(destination + k, &v, 8);
  }
  for (; k < n; ++k) destination[k] = static_cast<uint8_t>(source[k] ^ next());
  state.i = i;
  state.j = j;
}

}  // namespace

void Rc4State::Schedule(const uint8_t* key, size_t keyLength) {
  for (int n = 0; n < 256; ++n) s[n] = static_cast<uint8_t>(n);
  if (keyLength != 0) {
    uint8_t jj = 0;
    size_t k = 0;
    for (int n = 0; n < 256; ++n) {
      const uint8_t sn = s[n];
      jj = static_cast<uint8_t>(jj + sn + key[k]);
      if (++k == keyLength) k = 0;
      s[n] = s[jj];
      s[jj] = sn;
    }
  }
  i = 0;
  j = 0;
}

void Rc4State::Generate(uint8_t* out, size_t n) {
  uint8_t ii = static_cast<uint8_t>(i), jj = static_cast<uint8_t>(j);
  for (size_t k = 0; k < n; ++k) {
    ii = static_cast<uint8_t>(ii + 1);
    const uint8_t si = s[ii];
    jj = static_cast<uint8_t>(jj + si);
    const uint8_t sj = s[jj];
    s[ii] = sj;
    s[jj] = si;
    out[k] = s[static_cast<uint8_t>(si + sj)];
  }
  i = ii;
  j = jj;
}

void Encipher(const Key128& key, const void* source, size_t length, void* destination) {
  Rc4State state;
  state.Schedule(key.data(), key.size());
  XorGenerate(state, static_cast<const uint8_t*>(source), length, static_cast<uint8_t*>(destination));
  SecureWipe(&state, sizeof state);
}

KeyContext::KeyContext() { LockSecretMemory(this, sizeof *this); }

KeyContext::~KeyContext() {
  Clear();
  UnlockSecretMemory(this, sizeof *this);
}

KeyContext::KeyContext(const KeyContext& other)
    : set_(other.set_), key_(other.key_), state_(other.state_), keystream_(other.keystream_) {
  LockSecretMemory(this, sizeof *this);
}

KeyContext& KeyContext::operator=(const KeyContext& other) {
  if (this != &other) {
    Clear();
    set_ = other.set_;
    key_ = other.key_;
    state_ = other.state_;
    keystream_ = other.keystream_;
  }
  return *this;
}

void KeyContext::SetKey(const Key128& key) {
  Clear();
  key_ = key;
  state_.Schedule(key_.data(), key_.size());
  set_ = true;
}

void KeyContext::Clear() {
  SecureWipe(key_.data(), key_.size());
  SecureWipe(&state_, sizeof state_);
  // The wiping allocator clears the buffer when it is released; clearing the
  // bytes here as well covers a capacity kept by the vector.
  SecureWipe(keystream_.data(), keystream_.size());
  SecureBytes().swap(keystream_);
  set_ = false;
}

void KeyContext::Extend(size_t length) const {
  const size_t have = keystream_.size();
  if (length <= have) return;
  size_t want = std::max({length, have * 2, kMinimumCache});
  want = std::min(want, std::max(length, kCacheLimit));
  // Grow into a fresh buffer so that a failed allocation leaves the cache
  // and the saved state as they were.
  SecureBytes grown(want);
  if (have != 0) std::memcpy(grown.data(), keystream_.data(), have);
  state_.Generate(grown.data() + have, want - have);
  keystream_.swap(grown);
}

bool KeyContext::Apply(const void* source, size_t length, void* destination) const {
  if (!set_) return false;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(destination);
  try {
    Extend(std::min(length, kCacheLimit));
  } catch (const std::bad_alloc&) {
    // No memory for the cache: the same bytes, generated afresh.
    Encipher(key_, source, length, destination);
    return true;
  }
  const size_t cached = std::min(length, keystream_.size());
  XorInto(in, keystream_.data(), cached, out);
  if (cached < length) {
    Rc4State tail = state_;
    XorGenerate(tail, in + cached, length - cached, out + cached);
    SecureWipe(&tail, sizeof tail);
  }
  return true;
}

}  // namespace tb::storage
