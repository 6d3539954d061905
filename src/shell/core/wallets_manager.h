#pragma once
// What the wallets manager does, without its window: the list of wallet
// files in the documents folder and on the storage cards, the choice to
// open, the name and place of a new wallet and its creation, copying a
// wallet beside itself and deleting one. The window shows the list and the
// messages; everything it asks or shows comes back from here as a status
// or a message by string number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/services.h"
#include "storage/statuses.h"
#include "storage/string_numbers.h"

namespace tb::shell {

// Pictures of the list entries.
inline constexpr uint32_t kWalletFileIcon = 201;
inline constexpr uint32_t kLegacyWalletFileIcon = 202;

// String numbers the manager's messages use.
inline constexpr uint32_t kDeleteWalletQuestion = 22011;  // "%s": the full path
inline constexpr uint32_t kDeleteWalletCaption = storage::kStrCaptionProgram;
inline constexpr uint32_t kCreateWalletFailed = 23001;
inline constexpr uint32_t kCreateWalletFailedCaption = storage::kStrCaptionError;
inline constexpr uint32_t kManagerTitleText = 25001;
inline constexpr uint32_t kManagerWindowText = 25004;
// The new-wallet name dialog.
inline constexpr uint32_t kNewWalletTitle = 25002;
inline constexpr uint32_t kNewWalletNameLabel = 30002;
inline constexpr uint32_t kSaveInDocuments = 20850;
inline constexpr uint32_t kSaveInStorageCard = 20851;
inline constexpr uint32_t kNameHasForbiddenCharacter = 23007;
inline constexpr uint32_t kNameHasForbiddenCharacterCaption = 23012;
inline constexpr uint32_t kNameTakenOnStorageCard = 23010;
inline constexpr uint32_t kNameTakenInDocuments = 23011;
// The caption of messages that name no caption string.
inline constexpr const char16_t* kProgramCaption = u"Tamberlock Pro 6";

inline constexpr size_t kMaxNewWalletNameLength = 200;  // UTF-16 units
inline constexpr int kFirstCopyNumber = 2;
inline constexpr int kLastCopyNumber = 32;

struct WalletEntry {
  std::string path;            // full path, the file system's bytes
  std::u16string displayName;  // the file name without folder and extension
  uint32_t icon = kWalletFileIcon;
  bool legacy = false;    // a ".wal" file: converted before it is opened
  bool readOnly = false;  // the user may not write the file
};

// The entries as the list shows them: every ".wal" and every ".tb5" file
// of the document places, each file once, wallets before legacy files,
// then by display name without regard to case.
std::vector<WalletEntry> ListWalletFiles();

// True for a path the manager converts before opening: a legacy file.
bool IsLegacyWalletPath(std::string_view path);

// What confirming the manager leads to.
enum class ManagerChoice {
  Cancel,         // nothing chosen: the manager ends as cancelled
  Open,           // open ChosenPath() (the open-wallet flow)
  ConvertLegacy,  // convert the legacy file ChosenPath() first, then open the result
  Create,         // ask for the new wallet's password, then CreateNewWallet (ChosenPath())
  Gone,           // the chosen file is no longer there; its entry has been dropped
};

enum class CopyStatus {
  Copied,
  NoSelection,
  SourceGone,     // the selected file is no longer there
  AllNamesTaken,  // Name(2) .. Name(32) all exist
  Failed,         // reading or writing failed; errorCode says why
};
struct CopyOutcome {
  CopyStatus status = CopyStatus::NoSelection;
  std::string path;   // the copy, when made
  int errorCode = 0;  // the system's error number for the failure
};

enum class DeleteStatus {
  Deleted,
  NoSelection,
  Gone,    // the file was already gone; its entry has been dropped
  Failed,  // the file stays, and so does its entry (no message)
};

// The system's text for an error number (shown after a failed copy with
// kProgramCaption and the information icon).
std::u16string SystemErrorText(int errorCode);

class WalletsManager {
 public:
  // Empties and fills the list again. The selection is dropped. Returns the
  // paths that were listed before and are not now (deleted meanwhile).
  std::vector<std::string> Fill();
  bool Filled() const { return filled_; }
  const std::vector<WalletEntry>& Entries() const { return entries_; }
  size_t Count() const { return entries_.size(); }

  // -1 (or anything out of range) selects nothing. The chosen path follows
  // the selection.
  void Select(int index);
  int Selected() const { return selected_; }
  const WalletEntry* SelectedEntry() const;
  // Open, Delete and Copy act on the selected entry only.
  bool SelectionCommandsEnabled() const { return SelectedEntry() != nullptr; }

  const std::string& ChosenPath() const { return chosenPath_; }
  bool IsNew() const { return isNew_; }

  // Open or activating an entry: the selected entry becomes the choice.
  // Nothing selected: nullopt (nothing happens). Otherwise as Confirm.
  std::optional<ManagerChoice> Open();
  // OK: what the choice made so far leads to.
  ManagerChoice Confirm();
  // The new-wallet name dialog gave this path: the choice is a new wallet.
  ManagerChoice ChooseNewWallet(const std::string& path);
  // Cancel: nothing chosen.
  void Cancel();

  // The question to ask before deleting the selected entry (yes/no,
  // warning icon), or nullopt without a selection.
  std::optional<storage::Message> DeleteQuestion(const storage::TextSource& texts) const;
  // After a yes: deletes the selected file and drops its entry.
  DeleteStatus DeleteSelected();

  // Copies the selected file beside itself as "Name(k).ext", k the first
  // of 2..32 whose name is free. The copy is the owner's alone, appears
  // whole or not at all and never replaces a file. The list is filled
  // again after a copy.
  CopyOutcome CopySelected();

 private:
  void DropEntry(size_t index);

  std::vector<WalletEntry> entries_;
  int selected_ = -1;
  std::string chosenPath_;
  bool isNew_ = false;
  bool filled_ = false;
};

// --- the new-wallet name dialog ---

// One entry of its "Save in" list.
struct SaveInPlace {
  uint32_t textNumber = kSaveInDocuments;
  std::string folder;  // where the wallet file goes
  bool storageCard = false;
};
// The documents folder, and, when a storage card is present and the
// system's major version is 5 or more, the documents folder on the first
// card. The list is enabled only with two entries.
std::vector<SaveInPlace> NewWalletPlaces(uint32_t osMajorVersion);

enum class NameStatus {
  Ok,         // path is the new wallet's file
  Empty,      // the dialog ends as cancelled
  Forbidden,  // a character a file name cannot hold; the dialog stays
  TooLong,    // more than kMaxNewWalletNameLength units; the dialog stays
  Taken,      // the file exists or the name cannot be used there; the dialog stays
};
struct NameCheck {
  NameStatus status = NameStatus::Empty;
  std::string path;
  storage::Message message;  // for Forbidden, TooLong and Taken (stop icon)
};
// Checks a typed name for the chosen place and builds the path
// "folder/name.tb5". The place's folder is made when it is missing.
NameCheck CheckNewWalletName(std::u16string_view name, const SaveInPlace& place);

// Creates the wallet file with the password and hint the new-password
// dialog collected; it is closed again afterwards, to be opened through the
// open-wallet flow. On failure show kCreateWalletFailed.
storage::CreateStatus CreateNewWallet(const std::string& path, std::u16string_view password,
                                      std::optional<std::u16string_view> hint, const storage::TextSource* texts,
                                      bool withStarterFolder = true);

}  // namespace tb::shell
