#pragma once
// Numbers of the language module's strings that the storage names and the
// layers above it share: default names, the yes and no words, the message
// captions and the old-wallet conversion's messages. Strings only the
// program shows are in shell/core/string_numbers.h.
#include <cstdint>

namespace tb::storage {

// Names a new wallet's folders start with.
inline constexpr uint32_t kStrFormsFolderName = 20203;  // "My Forms"
inline constexpr uint32_t kStrStarterFolderName = 20510;

// How a yes/no or check-box field shows its value.
inline constexpr uint32_t kStrYes = 20204;
inline constexpr uint32_t kStrNo = 20205;

// Message captions: the program's name (information and questions), the
// error caption and the confirmation caption.
inline constexpr uint32_t kStrCaptionProgram = 20001;
inline constexpr uint32_t kStrCaptionError = 20500;
inline constexpr uint32_t kStrCaptionConfirm = 20504;

// Converting a wallet of the earlier version.
inline constexpr uint32_t kStrConvertNeedsPassword = 22014;
inline constexpr uint32_t kStrNotConverted = 22015;
inline constexpr uint32_t kStrNotALegacyWallet = 22017;
inline constexpr uint32_t kStrConvertWrongPassword = 22018;
inline constexpr uint32_t kStrNoDefinitionFile = 22022;

}  // namespace tb::storage
