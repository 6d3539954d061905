#pragma once
// Numbers of the language module's strings that the main window, the
// browser and start-up show. Captions are in platform/ui/message_boxes.h.
#include <cstdint>

namespace tb::shell {

// Start-up.
inline constexpr uint32_t kStrFirstRun = 20580;
inline constexpr uint32_t kStrSettingsUnreadable = 20590;

// The main window.
inline constexpr uint32_t kStrFindPrompt = 20100;
inline constexpr uint32_t kStrNoWalletOpen = 20530;
inline constexpr uint32_t kStrTooShort = 22007;
inline constexpr uint32_t kStrNothingFound = 22155;
inline constexpr uint32_t kStrSeekToSource = 62895;

// Opening a wallet.
inline constexpr uint32_t kStrNotAWallet = 23013;
inline constexpr uint32_t kStrWrongPassword = 23014;
inline constexpr uint32_t kStrOpenFailed = 23015;
inline constexpr uint32_t kStrCannotOpen = 23016;
inline constexpr uint32_t kStrInUse = 23040;
inline constexpr uint32_t kStrBreakLinksQuestion = 23041;
inline constexpr uint32_t kStrJournalSetAside = 23042;

// Not enough memory, or the wallet file could not be changed: what the
// program says when a write fails, and when an open runs out of memory.
inline constexpr uint32_t kStrNotChanged = 23002;

// The browser's questions and refusals.
inline constexpr uint32_t kStrFolderNotAllowed = 22000;
inline constexpr uint32_t kStrRemoveReference = 22001;
inline constexpr uint32_t kStrDeleteForm = 22002;
inline constexpr uint32_t kStrDeleteCard = 22003;
inline constexpr uint32_t kStrDeleteFolder = 22004;
inline constexpr uint32_t kStrFormsFolderStays = 22005;

}  // namespace tb::shell
