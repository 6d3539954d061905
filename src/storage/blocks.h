#pragma once
// The three leading blocks of a wallet file. Each keeps its bytes exactly as
// read (ranges this program does not interpret are written back unchanged)
// and a changed flag; the header also owns the wallet's two key contexts.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/core/system_time.h"
#include "storage/cipher/cipher.h"
#include "storage/cipher/secure.h"
#include "storage/layout.h"

namespace tb::storage {

enum class FormatVersion { Current, Five, Unsupported };

struct FileSignature {
  std::array<uint8_t, layout::signature::kSize> raw{};
  bool changed = false;

  void SetNew();                  // the maker text, "(6.50) ", "WM"
  bool TextIsValid() const;       // the maker text, exactly
  FormatVersion Version() const;  // "6." current, else "5." five
  void SetCurrentVersion();       // "(6.50) " and "WM"
};

struct WalletHeader {
  std::array<uint8_t, layout::header::kSize> raw{};
  bool changed = false;
  bool passwordVerified = false;
  KeyContext headerKey;
  KeyContext dataKey;
  // Version-5 files keep their old data key enciphered at offset 56.
  Key128 legacyKey{};

  void SetNew(const platform::SystemTime& now);  // zeros, signatures, times
  bool SignaturesValid() const;
  uint32_t Flags() const;
  void AddFlags(uint32_t flags);
  platform::SystemTime Created() const;
  void Touch();  // modified = now, changed
  void DeriveHeaderKey();
  // Fresh random numbers in the random ranges, done at every write.
  void FillRandomFields();

  Key128 Verifier() const;
  void SetVerifier(const Key128& v);
  bool HasVerifier() const;

  std::optional<Text> Hint() const;
  void SetHint(std::optional<std::u16string_view> hint);
  // n = 0, 1, 2 for the views numbered 100, 200, 300.
  std::optional<Text> ViewName(int n) const;
  void SetViewName(int n, std::optional<std::u16string_view> name);
  int32_t ViewIcon(int n) const;
  void SetViewIcon(int n, int32_t icon);

  void Wipe();  // zeroes everything, both keys included
};

struct WalletOptions {
  std::array<uint8_t, layout::options::kSize> raw{};
  bool changed = false;

  void SetNew(const platform::SystemTime& now);
  bool SignaturesValid() const;
  uint32_t Flags() const;
  void AddFlags(uint32_t flags);
  void Touch();  // modified = now, changed
  std::array<uint32_t, 16> DefaultAttributes() const;
  uint32_t AutoCloseMinutes() const;
  // Colours of folder and card names in the tree, 0x00BBGGRR.
  uint32_t FolderNameColour() const;
  uint32_t CardNameColour() const;
  void SetAutoCloseMinutes(uint32_t minutes);
  // The display values; each marks the options changed (and touches them)
  // only when the value differs.
  void SetFolderNameColour(uint32_t colour);
  void SetCardNameColour(uint32_t colour);
  void SetDefaultAttributes(const std::array<uint32_t, 16>& attributes);
};

}  // namespace tb::storage
