#pragma once
// The files attached to a card: add one (into the first free of ten
// slots), remove one at once, export one to the documents folder, or open
// a copy of it. Changes go straight into the card.
#include <functional>
#include <optional>
#include <string>

#include "platform/ui/modal_dialog.h"
#include "storage/card.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace tb::shell {
class Settings;
}
namespace tb::dialogs {
class TitleBar;
struct FilePickerOptions;
}  // namespace tb::dialogs

namespace tb::cards {

inline constexpr int kTemplateAttachmentsPocketPC = 124;
inline constexpr int kTemplateAttachmentsSmartphone = 147;
inline constexpr int kIdAddFile = 1102;
inline constexpr int kIdRemoveFile = 1096;
inline constexpr int kIdExportFile = 1097;
inline constexpr int kIdOpenFile = 1098;
inline constexpr int kIdAttachmentList = 1010;
inline constexpr int kIdAttachmentInfo = 1101;

class AttachmentsDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  AttachmentsDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card);

  // The file picker. Default: the program's own.
  std::function<std::optional<std::string>(QWidget*, const dialogs::FilePickerOptions&)> pickFile;

  QListWidget* List() const { return list_; }
  QLabel* Info() const { return info_; }
  // The slot of the selected entry, -1 for none.
  int SelectedSlot() const;
  bool CanRun(int command) const;

  void Dispatch(int commandId) override;
  void OnInitMenuPopup(QMenu* menu) override;

 protected:
  void OnInitDialog() override;

 private:
  void Fill();
  void SelectionChanged();
  void Add();
  void Remove();
  void Export();
  void Open();
  int UsedSlots() const;

  storage::Card& card_;
  bool smartphone_;
  dialogs::TitleBar* title_ = nullptr;
  QListWidget* list_ = nullptr;
  QLabel* info_ = nullptr;
  QPushButton* buttons_[4] = {};
};

// True when closed with Done.
bool RunAttachmentsDialog(QWidget* owner, const shell::Settings& settings, storage::Card& card);

}  // namespace tb::cards
