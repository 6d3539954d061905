#pragma once
// Connects the main window to the dialogs of the other parts of the
// program: the password prompt, the wallets manager, the conversion of old
// ".wal" wallets, the format upgrade's progress, and the security and
// change-password commands.
namespace tb::shell {

class MainWindow;

void WireDialogs(MainWindow& window);

}  // namespace tb::shell
