#pragma once
// Choosing the icon of a card or folder: one of the built-in icons, an own
// picture already in the wallet, or an ".ico" file.
#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/modal_dialog.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace tb::storage {
class RecordHeader;
class Wallet;
}  // namespace tb::storage
namespace tb::ui {
class IconLists;
}

namespace tb::dialogs {

inline constexpr int kIconPickerTemplate = 125;
inline constexpr int kIconPickerSmartphoneTemplate = 145;
inline constexpr int kCurrentIconLabelId = 1540;
inline constexpr int kNewIconLabelId = 1106;
inline constexpr int kImportIconId = 1103;
inline constexpr int kIconListId = 1010;
inline constexpr int kCurrentIconPictureId = 1541;
inline constexpr int kNewIconPictureId = 1107;
inline constexpr int kOwnIcon = -1;
// An own picture file larger than this is not taken.
inline constexpr uint64_t kMaxIconFileBytes = 256 * 1024;

// The picker's entries: 0..143 the built-in icons, then from 144 the own
// pictures of the icon lists' table.
inline constexpr int kFirstOwnPictureEntry = 144;

struct IconChoice {
  int entry = -1;              // the list entry, or kOwnIcon for a file
  std::string filePath;        // the ".ico" file for kOwnIcon
  std::vector<uint8_t> bytes;  // its contents as read when it was chosen
};

class IconPickerDialog : public ui::ModalDialog {
  Q_OBJECT

 public:
  // currentEntry: the list entry of the record's icon (-1 when unknown).
  IconPickerDialog(QWidget* owner, ui::IconLists& lists, int currentEntry, bool smartphone);

  QListWidget* List() const { return list_; }
  const IconChoice& Choice() const { return choice_; }
  // Takes an ".ico" file as the new icon (what Import Icon does after its
  // file picker); false when the file is no icon picture.
  bool ImportFile(const std::string& path);

  void Dispatch(int commandId) override;
  void accept() override { Dispatch(ui::kCmdOk); }

 protected:
  void OnInitDialog() override;

 private:
  void Import();
  void ShowNew(const QImage& large, const QImage& small);
  void Confirm();

  ui::IconLists& lists_;
  int current_;
  bool smartphone_;
  QListWidget* list_ = nullptr;
  QLabel* newPicture_ = nullptr;
  QPushButton* import_ = nullptr;
  IconChoice choice_;
  bool ownFile_ = false;
};

// The choice, or nullopt for Cancel (the same icon chosen again counts as
// Cancel).
std::optional<IconChoice> RunIconPicker(QWidget* owner, ui::IconLists& lists, int currentEntry, bool smartphone);

// The picker entry that shows the record's icon, -1 when none does.
int CurrentIconEntry(const ui::IconLists& lists, const storage::RecordHeader& record);

// Puts the choice into the record (not yet written): a built-in icon
// number, a copy of an own picture the wallet already holds, or the
// picture of the file. False when the picture could not be had.
bool ApplyIconChoice(storage::Wallet& wallet, ui::IconLists& lists, storage::RecordHeader& record,
                     const IconChoice& choice);

// The picker for a card's or folder's record, applying what was chosen.
// True when the record changed.
bool RunRecordIcon(QWidget* owner, storage::Wallet& wallet, ui::IconLists& lists, storage::RecordHeader& record,
                   bool smartphone);

}  // namespace tb::dialogs
