#pragma once
// The program's command numbers: what menu entries, soft keys, buttons and
// accelerators send, and what every window's Dispatch takes. One table for
// all windows; the menu tables in resources/menus use the same numbers.
namespace tb::shell {

inline constexpr int kCmdOk = 1;  // the caption's OK button
inline constexpr int kCmdCancel = 2;
inline constexpr int kCmdManagerNew = 10;  // left key of the wallets manager: New
inline constexpr int kCmdExit = 802;
inline constexpr int kCmdNew = 803;
inline constexpr int kCmdProperties = 804;
inline constexpr int kCmdDelete = 805;
inline constexpr int kCmdChangePassword = 807;
inline constexpr int kCmdAbout = 808;
inline constexpr int kCmdMenuCancel = 809;  // "Cancel" of a menu bar (leaves find mode, ends a dialog)
inline constexpr int kCmdWallets = 810;
inline constexpr int kCmdOpen = 812;
inline constexpr int kCmdDone = 814;  // also Ctrl+Q
inline constexpr int kCmdNewCard = 821;
inline constexpr int kCmdNewFolder = 822;
inline constexpr int kCmdFind = 823;
inline constexpr int kCmdGo = 824;
inline constexpr int kCmdCut = 825;
inline constexpr int kCmdCopy = 827;
inline constexpr int kCmdPaste = 828;
inline constexpr int kCmdDisplay = 829;
inline constexpr int kCmdSecurity = 830;
inline constexpr int kCmdSaveToMyForms = 831;
inline constexpr int kCmdAddToFavourites = 832;
inline constexpr int kCmdExport = 833;
inline constexpr int kCmdImport = 834;
inline constexpr int kCmdClear = 857;
inline constexpr int kCmdSelectAll = 858;  // Ctrl+A
inline constexpr int kCmdImportForm = 859;
inline constexpr int kCmdRemove = 860;
inline constexpr int kCmdRename = 861;
inline constexpr int kCmdUpdates = 875;
inline constexpr int kCmdHelp = 876;
inline constexpr int kCmdSeekToSource = 877;
inline constexpr int kCmdPasswordReport = 879;
inline constexpr int kCmdExpandedMenus = 40096;
inline constexpr int kCmdNone = 40100;  // "None" of menu bar 955

}  // namespace tb::shell
