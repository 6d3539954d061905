#pragma once
// The name and place of a new wallet file: a name and a "Save in" choice
// between the documents folder and the one on the storage card.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/modal_dialog.h"
#include "shell/core/wallets_manager.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace tb::dialogs {

inline constexpr int kNewWalletNameTemplate = 111;
inline constexpr int kNewWalletNameLabelId = 1527;
inline constexpr int kNewWalletNameEditId = 1011;
inline constexpr int kSaveInListId = 1043;
inline constexpr int kSaveInLabelId = 1042;

class NewWalletNameDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  NewWalletNameDialog(QWidget* owner, uint32_t osMajorVersion);

  QLineEdit* NameEdit() const { return name_; }
  QComboBox* SaveIn() const { return saveIn_; }
  // The new wallet's full path after OK.
  const std::string& Path() const { return path_; }

  void Dispatch(int commandId) override;
  void accept() override { Dispatch(ui::kCmdOk); }

 protected:
  void OnInitDialog() override;

 private:
  void Confirm();

  std::vector<shell::SaveInPlace> places_;
  QLineEdit* name_ = nullptr;
  QComboBox* saveIn_ = nullptr;
  std::string path_;
};

// The full path of the wallet file to create (".tb5"); nullopt when the
// user cancelled or left the name empty.
std::optional<std::string> RunNewWalletName(QWidget* owner, uint32_t osMajorVersion);

}  // namespace tb::dialogs
