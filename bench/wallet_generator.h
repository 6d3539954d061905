#pragma once
// Wallets for the benchmarks: made from a fixed random sequence and a fixed
// clock, so that every run measures the same file. A process makes each
// wallet once, in a scratch folder that is removed when the process ends.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/services.h"

namespace tb::bench {

// The few module strings a wallet asks for while it is made, opened and
// repaired; "?" for every other number.
class FixedTexts : public storage::TextSource {
 public:
  std::u16string_view Text(uint32_t number) const override;
};
const FixedTexts& Texts();

// Answers Yes and OK to every question (the repair's two questions).
class AgreeingPrompter : public storage::Prompter {
 public:
  storage::Answer Show(const storage::Message& message) override;
  int questions = 0;
};

inline constexpr std::u16string_view kPassword = u"Bench-Pass-1";
inline constexpr std::u16string_view kOtherPassword = u"Bench-Pass-2";

struct WalletShape {
  int cards = 10000;
  int folders = 200;           // the first tenth at the top, the rest under them
  size_t attachmentBytes = 0;  // when non-zero, every card carries one attachment
};

// Writes a new wallet of that shape at path (which must not exist). Each
// card has twelve fields of the usual kinds with values of varied lengths.
// False when the wallet could not be made.
bool GenerateWallet(const std::string& path, const WalletShape& shape);

// The scratch folder of this process (made on first use, removed at exit).
const std::string& ScratchFolder();
std::string ScratchFile(const std::string& name);

// The wallet of this shape under this name in the scratch folder, made on
// the first call. Ends the process with a message when it cannot be made.
const std::string& SharedWallet(const std::string& name, const WalletShape& shape);

// Byte-for-byte copy, written through to the disk so that the copy's own
// write-back is not charged to whatever runs next.
bool CopyFile(const std::string& from, const std::string& to);

uint64_t FileSizeOf(const std::string& path);

}  // namespace tb::bench
