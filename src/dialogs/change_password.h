#pragma once
// The Change Password command: the current password (with the prompt's
// retries and hint), the new one with its hint, then the wallet re-keyed.
#include <string>

class QWidget;

namespace tb::shell {
class Settings;
}
namespace tb::storage {
class Wallet;
}

namespace tb::dialogs {

enum class ChangePasswordOutcome {
  Changed,    // re-keyed and the message shown; the caller saves the headers and reopens the wallet
  Cancelled,  // a dialog was cancelled: nothing changed
  Failed,     // the wallet refused (not open, read-only, re-key failed): it stays as it was
};

// The name the prompt shows: the path's last part without its extension.
std::u16string WalletDisplayName(const std::string& path);

ChangePasswordOutcome ChangePasswordFlow(QWidget* owner, tb::storage::Wallet& wallet, tb::shell::Settings& settings);

}  // namespace tb::dialogs
