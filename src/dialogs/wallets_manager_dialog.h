#pragma once
// The wallets manager: the full-screen list of the wallet files on the
// device, from which the user opens, creates, copies or deletes one.
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/ui/modal_dialog.h"
#include "shell/core/command_ids.h"
#include "shell/core/wallets_manager.h"
#include "storage/cipher/secure.h"

class QListWidget;
class QMenu;

namespace tb::dialogs {

inline constexpr int kWalletsManagerTemplate = 115;
inline constexpr int kWalletsListId = 1002;
// Exit ends the dialog with its command number; the caller treats it as cancel.
inline constexpr int kResultExit = shell::kCmdExit;

// Commands of menu bar 966.
using shell::kCmdAbout;
using shell::kCmdCopy;
using shell::kCmdDelete;
using shell::kCmdExit;
using shell::kCmdManagerNew;
using shell::kCmdNew;
using shell::kCmdOpen;

struct NewWalletPassword {
  tb::storage::Text password;
  std::optional<std::u16string> hint;
};

// What the manager needs of the program around it.
struct WalletsManagerInputs {
  bool exitMenu = false;                       // the Menu popup offers Exit
  uint32_t osMajorVersion = 5;                 // the storage card is offered from 5 on
  const storage::TextSource* texts = nullptr;  // nullptr: the interface's texts
  // The new-password dialog (password, confirmation and hint); nullopt
  // when it was cancelled.
  std::function<std::optional<NewWalletPassword>(QWidget* owner)> askNewPassword;
  // Converts a legacy ".wal" file; the converted wallet's path, or nullopt
  // when the conversion was declined or failed (it says why itself).
  std::function<std::optional<std::string>(QWidget* owner, const std::string& legacyPath)> convertLegacy;
  std::function<void(QWidget* owner)> showAbout;
};

enum class WalletsManagerOutcome {
  Open,       // run the open-wallet flow on path (re-show the manager if it fails)
  ShowAgain,  // the new wallet was not made: show the manager again
};
struct WalletsManagerResult {
  WalletsManagerOutcome outcome = WalletsManagerOutcome::Open;
  std::string path;
  bool created = false;  // path is the wallet just made
};

class WalletsManagerDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  WalletsManagerDialog(QWidget* owner, WalletsManagerInputs inputs);

  // Fills (again) the list from the document places.
  void Fill();
  QListWidget* List() const { return list_; }
  shell::WalletsManager& Manager() { return manager_; }
  // After a legacy file was converted, the converted wallet.
  const std::string& ChosenPath() const { return converted_.empty() ? manager_.ChosenPath() : converted_; }
  bool IsNew() const { return converted_.empty() && manager_.IsNew(); }
  // The popup of the list's tap-and-hold: Open, Delete and Copy.
  QMenu* ContextMenu();

  void Dispatch(int commandId) override;
  void OnInitMenuPopup(QMenu* menu) override;
  void accept() override { Dispatch(ui::kCmdOk); }
  void reject() override { Dispatch(ui::kCmdCancel); }

 protected:
  void OnInitDialog() override;
  void showEvent(QShowEvent* event) override;

 private:
  void ShowEntries();
  void Act(shell::ManagerChoice choice);
  void NewWallet();
  void DeleteSelected();
  void CopySelected();
  void SayGone();
  const storage::TextSource& Texts() const;

  WalletsManagerInputs inputs_;
  shell::WalletsManager manager_;
  QListWidget* list_ = nullptr;
  QMenu* context_ = nullptr;
  std::string converted_;
  bool fillPosted_ = false;
};

// Runs the manager and, for a new wallet, asks for its password and makes
// it. nullopt: cancelled or Exit (with no wallet open the program ends).
// The caller closes the open wallet before and runs the open-wallet flow
// after.
std::optional<WalletsManagerResult> RunWalletsManager(QWidget* owner, const WalletsManagerInputs& inputs);

}  // namespace tb::dialogs
