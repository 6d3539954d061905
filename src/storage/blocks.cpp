#include "storage/blocks.h"

#include <cstring>

#include "platform/core/system.h"
#include "storage/bytes.h"
#include "storage/cipher/keys.h"

namespace tb::storage {

namespace Sg = layout::signature;
namespace H = layout::header;
namespace O = layout::options;

// --- FileSignature -------------------------------------------------------

void FileSignature::SetNew() {
  raw.fill(0);
  std::memcpy(raw.data() + Sg::kTextOffset, Sg::kText, sizeof Sg::kText - 1);
  SetCurrentVersion();
  changed = true;
}

bool FileSignature::TextIsValid() const {
  // The whole 64-byte text area is compared: the maker text, then zeros.
  uint8_t expected[Sg::kTextSize] = {};
  std::memcpy(expected, Sg::kText, sizeof Sg::kText - 1);
  return std::memcmp(raw.data() + Sg::kTextOffset, expected, Sg::kTextSize) == 0;
}

FormatVersion FileSignature::Version() const {
  const std::string_view v(reinterpret_cast<const char*>(raw.data() + Sg::kVersionOffset), Sg::kVersionSize);
  const std::string_view text = v.substr(0, v.find('\0'));
  if (text.find("6.") != std::string_view::npos) return FormatVersion::Current;
  if (text.find("5.") != std::string_view::npos) return FormatVersion::Five;
  return FormatVersion::Unsupported;
}

void FileSignature::SetCurrentVersion() {
  std::memset(raw.data() + Sg::kVersionOffset, 0, Sg::kVersionSize);
  std::memcpy(raw.data() + Sg::kVersionOffset, Sg::kCurrentVersion, sizeof Sg::kCurrentVersion - 1);
  std::memcpy(raw.data() + Sg::kTagOffset, Sg::kTag, Sg::kTagSize);
}

// --- WalletHeader --------------------------------------------------------

void WalletHeader::SetNew(const platform::SystemTime& now) {
  raw.fill(0);
  std::memcpy(raw.data() + H::kSignature1, H::kSig1.data(), 16);
  std::memcpy(raw.data() + H::kSignature2, H::kSig2.data(), 16);
  now.StoreTo(raw.data() + H::kCreated);
  now.StoreTo(raw.data() + H::kModified);
  changed = true;
}

bool WalletHeader::SignaturesValid() const {
  return std::memcmp(raw.data() + H::kSignature1, H::kSig1.data(), 16) == 0 &&
         std::memcmp(raw.data() + H::kSignature2, H::kSig2.data(), 16) == 0;
}

uint32_t WalletHeader::Flags() const { return LoadU32(raw.data() + H::kFlags); }
void WalletHeader::AddFlags(uint32_t f) { StoreU32(raw.data() + H::kFlags, Flags() | f); }
platform::SystemTime WalletHeader::Created() const { return platform::SystemTime::LoadFrom(raw.data() + H::kCreated); }
void WalletHeader::Touch() {
  platform::LocalTime().StoreTo(raw.data() + H::kModified);
  changed = true;
}

void WalletHeader::DeriveHeaderKey() { headerKey.SetKey(DeriveHeaderKeyBytes(Created())); }

void WalletHeader::FillRandomFields() {
  // Offset 56 holds the old data key in a version-5 file until it is upgraded;
  // in the current format it is random like the rest.
  for (size_t i = 0; i < 4; ++i) StoreU32(raw.data() + H::kLegacyKey + 4 * i, platform::Random32());
  StoreU32(raw.data() + H::kRandom72, platform::Random32());
  StoreU32(raw.data() + H::kRandom108, platform::Random32());
  StoreU32(raw.data() + H::kRandom124, platform::Random32());
  for (size_t i = 0; i < 8; ++i) StoreU32(raw.data() + H::kRandom400 + 4 * i, platform::Random32());
}

Key128 WalletHeader::Verifier() const {
  Key128 v;
  std::memcpy(v.data(), raw.data() + H::kVerifier, 16);
  return v;
}
void WalletHeader::SetVerifier(const Key128& v) { std::memcpy(raw.data() + H::kVerifier, v.data(), 16); }
bool WalletHeader::HasVerifier() const { return !AllZero(raw.data() + H::kVerifier, 16); }

namespace {

// A fixed text buffer enciphered whole with the header key.
std::optional<Text> ReadBuffer(const uint8_t* buffer, size_t size, const KeyContext& key) {
  if (AllZero(buffer, size)) return std::nullopt;
  SecureBytes clear(size);
  if (!key.Apply(buffer, size, clear.data())) return std::nullopt;
  const size_t maxUnits = size / 2 - 1;
  size_t units = 0;
  while (units < maxUnits && LoadU16(clear.data() + 2 * units) != 0) ++units;
  Text t(units, u'\0');
  for (size_t i = 0; i < units; ++i) t[i] = char16_t(LoadU16(clear.data() + 2 * i));
  return t;
}

void WriteBuffer(uint8_t* buffer, size_t size, std::optional<std::u16string_view> text, const KeyContext& key) {
  std::memset(buffer, 0, size);
  if (!text) return;
  std::u16string_view t = *text;
  if (t.size() > size / 2 - 1) t = t.substr(0, size / 2 - 1);
  SecureBytes clear(size, 0);
  for (size_t i = 0; i < t.size(); ++i) StoreU16(clear.data() + 2 * i, t[i]);
  key.Apply(clear.data(), size, buffer);
}

}  // namespace

std::optional<Text> WalletHeader::Hint() const { return ReadBuffer(raw.data() + H::kHint, H::kHintSize, headerKey); }

void WalletHeader::SetHint(std::optional<std::u16string_view> hint) {
  WriteBuffer(raw.data() + H::kHint, H::kHintSize, hint, headerKey);
  AddFlags(H::kFlagHintSet);
  Touch();
}

std::optional<Text> WalletHeader::ViewName(int n) const {
  if (n < 0 || n > 2) return std::nullopt;
  return ReadBuffer(raw.data() + H::kViewName[n], H::kViewNameSize, headerKey);
}

void WalletHeader::SetViewName(int n, std::optional<std::u16string_view> name) {
  if (n < 0 || n > 2) return;
  WriteBuffer(raw.data() + H::kViewName[n], H::kViewNameSize, name, headerKey);
  AddFlags(H::kFlagViewChanged);
  Touch();
}

int32_t WalletHeader::ViewIcon(int n) const { return (n < 0 || n > 2) ? 0 : LoadI32(raw.data() + H::kViewIcon[n]); }

void WalletHeader::SetViewIcon(int n, int32_t icon) {
  if (n < 0 || n > 2 || icon == -1) return;
  StoreI32(raw.data() + H::kViewIcon[n], icon);
  AddFlags(H::kFlagViewChanged);
  Touch();
}

void WalletHeader::Wipe() {
  SecureWipe(raw.data(), raw.size());
  SecureWipe(legacyKey.data(), legacyKey.size());
  headerKey.Clear();
  dataKey.Clear();
  changed = false;
  passwordVerified = false;
}

// --- WalletOptions -------------------------------------------------------

void WalletOptions::SetNew(const platform::SystemTime& now) {
  raw.fill(0);
  std::memcpy(raw.data() + O::kSignature1, O::kSig1.data(), 16);
  std::memcpy(raw.data() + O::kSignature2, O::kSig2.data(), 16);
  now.StoreTo(raw.data() + O::kModified);
  for (size_t i = 0; i < 16; ++i)
    StoreU32(raw.data() + O::kDefaultAttributes + 4 * i, layout::attributes::kDefaults[i]);
  StoreU32(raw.data() + O::kValue100, 5);
  StoreU32(raw.data() + O::kValue104, 5);
  StoreU32(raw.data() + O::kAutoCloseMinutes, 5);
  StoreU32(raw.data() + O::kFolderNameColour, 0xFF0000);
  changed = true;
}

bool WalletOptions::SignaturesValid() const {
  return std::memcmp(raw.data() + O::kSignature1, O::kSig1.data(), 16) == 0 &&
         std::memcmp(raw.data() + O::kSignature2, O::kSig2.data(), 16) == 0;
}

uint32_t WalletOptions::Flags() const { return LoadU32(raw.data() + O::kFlags); }
void WalletOptions::AddFlags(uint32_t f) { StoreU32(raw.data() + O::kFlags, Flags() | f); }
void WalletOptions::Touch() {
  platform::LocalTime().StoreTo(raw.data() + O::kModified);
  changed = true;
}

std::array<uint32_t, 16> WalletOptions::DefaultAttributes() const {
  std::array<uint32_t, 16> a;
  for (size_t i = 0; i < 16; ++i) a[i] = LoadU32(raw.data() + O::kDefaultAttributes + 4 * i);
  return a;
}

uint32_t WalletOptions::FolderNameColour() const { return LoadU32(raw.data() + O::kFolderNameColour); }
uint32_t WalletOptions::CardNameColour() const { return LoadU32(raw.data() + O::kCardNameColour); }
uint32_t WalletOptions::AutoCloseMinutes() const { return LoadU32(raw.data() + O::kAutoCloseMinutes); }
void WalletOptions::SetAutoCloseMinutes(uint32_t m) {
  if (m == AutoCloseMinutes()) return;
  StoreU32(raw.data() + O::kAutoCloseMinutes, m);
  AddFlags(O::kFlagAutoCloseChanged);
  Touch();
}

void WalletOptions::SetFolderNameColour(uint32_t colour) {
  if (colour == FolderNameColour()) return;
  StoreU32(raw.data() + O::kFolderNameColour, colour);
  Touch();
}

void WalletOptions::SetCardNameColour(uint32_t colour) {
  if (colour == CardNameColour()) return;
  StoreU32(raw.data() + O::kCardNameColour, colour);
  Touch();
}

void WalletOptions::SetDefaultAttributes(const std::array<uint32_t, 16>& attributes) {
  if (attributes == DefaultAttributes()) return;
  for (size_t i = 0; i < 16; ++i) StoreU32(raw.data() + O::kDefaultAttributes + 4 * i, attributes[i]);
  Touch();
}

}  // namespace tb::storage
