#pragma once
// The open-wallet flow: the old wallet's conversion for a ".wal" path, the
// open wallet written back and closed, a first look at the file without its
// password, the password prompt, the open with the password (repair and
// upgrade questions go through the program's prompter), and the messages
// when a step fails. The window it runs in supplies the rest.
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

#include "storage/cipher/secure.h"
#include "storage/statuses.h"

class QWidget;

namespace tb::storage {
class Wallet;
}

namespace tb::shell {

struct AppContext;

// What the password prompt is asked with.
struct WalletPrompt {
  std::u16string displayName;
  std::string path;
  tb::storage::Wallet* wallet = nullptr;  // open for reading, not yet unlocked
};

// What the flow needs of the window it runs in.
class OpenWalletHost {
 public:
  virtual ~OpenWalletHost() = default;
  // Owns the messages and takes the posted MSG_WALLET_SHOWN and MSG_SHOW_WALLETS.
  virtual QWidget* FlowWindow() = 0;
  // The first step: the watcher stopped, the window hidden.
  virtual void BeginOpen() = 0;
  // An old ".wal" wallet converted: the new wallet's path, or empty.
  virtual std::string ConvertLegacy(const std::string& path) = 0;
  // The inactivity checks stopped, and started again for the open wallet.
  virtual void StopChecks() = 0;
  virtual void StartChecks() = 0;
  // Writes back and closes the open wallet; false when it could not be
  // written and stays open (the user has been told).
  virtual bool CloseCurrentWallet() = 0;
  // The wallet's password; none when the user cancelled.
  virtual std::optional<tb::storage::Text> AskPassword(const WalletPrompt& prompt) = 0;
  // Right before the open with the password: the tree emptied and the icon
  // lists made afresh for the wallet's own icon pictures.
  virtual void PrepareForRecords() = 0;
  // The wallet is open: the tree filled, the window shown.
  virtual void ShowOpenedWallet() = 0;
};

// The file name without folder and extension, as the messages and the
// password prompt name a wallet.
std::u16string WalletDisplayName(const std::string& path);

// The string that says why an open with the password failed: 23013 for no
// wallet (or a declined repair), 23014 for a wrong password, 23002 for a
// lack of memory, 23040 for a wallet another program has open for
// changes, nothing (0) for a declined upgrade, 23015 otherwise.
uint32_t OpenFailureReason(tb::storage::OpenStatus status);

// "%s\n%s\n(%02d)": a file that is no usable wallet at the first look.
QString UnusableFileText(const std::u16string& name, tb::storage::OpenStatus status);
// "%s\n%s\n(%s:%d)": an open with the password that failed for reason.
QString OpenFailedText(const std::u16string& name, uint32_t reason, tb::storage::OpenStatus status);

// Opens the wallet at path; true when it is open. On failure the wallets
// manager is asked for again (MSG_SHOW_WALLETS) when reshowWalletsOnFailure,
// except when the open wallet could not be closed.
bool RunOpenWalletFlow(OpenWalletHost& host, AppContext& context, const std::string& path, bool reshowWalletsOnFailure);

}  // namespace tb::shell
