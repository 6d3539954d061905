#pragma once
// A folder's properties: its name, icon and default card form, and whether
// it sits at the main level; also the name of a special view.
#include <cstdint>
#include <string>

#include "platform/ui/modal_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tb::storage {
class RecordHeader;
class Wallet;
}  // namespace tb::storage
namespace tb::ui {
class IconLists;
}

namespace tb::dialogs {

inline constexpr int kFolderPropertiesTemplate = 106;
inline constexpr int kFolderPropertiesSmartphoneTemplate = 107;
inline constexpr int kFolderNameEditId = 1100;
inline constexpr int kFolderNameLabelId = 1117;
inline constexpr int kFolderIconLabelId = 1116;
inline constexpr int kFolderFormLabelId = 1115;
inline constexpr int kMainLevelId = 1118;
inline constexpr int kFolderIconId = 1053;
inline constexpr int kFolderIconMoreId = 1047;  // Smartphone
inline constexpr int kFolderFormMoreId = 1045;
inline constexpr int kFolderFormNameId = 1052;
inline constexpr size_t kMaxFolderNameLength = 255;
inline constexpr size_t kMaxViewNameLength = 63;

struct FolderProperties {
  bool formsFolder = false;  // its name shows string 28706
  storage::Wallet* wallet = nullptr;
  storage::RecordHeader* folder = nullptr;  // edited in place; the caller writes it
  bool mainLevel = false;
  bool offerMainLevel = false;  // the check box shows only when set
  bool specialView = false;     // a special view instead of a folder
  int viewNumber = 0;           // 100, 200 or 300
  std::u16string viewName;      // at most 63 units
  // An icon or default form was assigned while the dialog showed; it stays
  // even when the dialog is cancelled, so the caller writes the folder.
  bool iconOrFormChanged = false;
};

class FolderPropertiesDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  FolderPropertiesDialog(QWidget* owner, FolderProperties& record, ui::IconLists& lists, bool smartphone);

  QLineEdit* NameEdit() const { return name_; }

  void Dispatch(int commandId) override;
  void accept() override { Dispatch(ui::kCmdOk); }

 protected:
  void OnInitDialog() override;
  void OnEndDialog(int result) override;

 private:
  void ChooseIcon();
  void ChooseForm();
  void ShowIcon();
  void ShowFormName();

  FolderProperties& record_;
  ui::IconLists& lists_;
  bool smartphone_;
  QLineEdit* name_ = nullptr;
  QPushButton* icon_ = nullptr;
  QLabel* formName_ = nullptr;
  QCheckBox* mainLevel_ = nullptr;
};

// True on OK, with the name (and main-level state) put into record.
bool RunFolderProperties(QWidget* owner, FolderProperties& record, ui::IconLists& lists, bool smartphone);

}  // namespace tb::dialogs
