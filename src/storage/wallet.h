#pragma once
// The open wallet: its file, its three leading blocks and keys, and the
// index of every live record header. Card contents are read from the file
// only when asked for. Every change of a record goes to the file at once;
// the leading blocks are written by SaveHeaders.
//
// Sound-behaviour notes kept by this implementation:
//  - Two live records with the same id may exist after an interrupted
//    replacement; the later one in the file wins everywhere.
//  - Replacing a card appends the new version before the old one is cut
//    out, so that the file always holds one of the two as a live record.
//  - Changing the password keeps a copy of the file until every record is
//    under the new key, and puts it back if the re-key fails.
//  - Upgrading a version-5 file writes the converted file beside it and
//    renames it over the wallet when complete; the version-5 file stays
//    whole (and upgradeable) until then. A version-5 file whose verifier
//    names the current key, not the old one, is refused as damaged when its
//    upgrade is tried: its records' key is unknown. One without a verifier opens for reading only,
//    under its old key, since writing its header would drop that key.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/file.h"
#include "storage/blocks.h"
#include "storage/bytes.h"
#include "storage/card.h"
#include "storage/journal.h"
#include "storage/record.h"
#include "storage/record_id_table.h"
#include "storage/record_index.h"
#include "storage/services.h"
#include "storage/statuses.h"
#include "storage/upgrade.h"
#include "storage/wallet_views.h"

namespace tb::storage {

inline constexpr int kMaxFindResults = 48;
inline constexpr size_t kMaxFavourites = 32;

// One entry of the card-type list.
struct CardType {
  FormId form;
  Text name;
  int32_t icon;
  bool custom;
};

struct FoundRecord {
  RecordHeader header;
  uint64_t offset = 0;  // where its header starts
  uint64_t extent = 0;  // header + payload + body
};

class Wallet {
 public:
  Wallet();
  ~Wallet();
  Wallet(const Wallet&) = delete;
  Wallet& operator=(const Wallet&) = delete;

  // --- what the caller hands in ---
  void SetTextSource(const TextSource* texts) { texts_ = texts; }
  void SetIconObserver(IconObserver* observer) { iconObserver_ = observer; }
  const TextSource* Texts() const { return texts_; }
  std::u16string_view TextOf(uint32_t number) const;

  // --- lifecycle ---
  CreateStatus Create(const std::string& path, std::u16string_view password, std::optional<std::u16string_view> hint,
                      bool withStarterFolder);
  // Prompter: Repair's questions and the format upgrade's; may be null (no
  // repair is offered, and a version-5 file is refused with NeedsUpgrade, as
  // it is by a read-only open).
  //
  // The path is resolved once (every link followed) and everything written
  // goes beside the real file: partial files, the journal, the lock. A file
  // with more than one name (hard links) opens for writing only when the
  // caller agreed (SetBreakLinksAllowed): writing replaces the file, so its
  // other names keep the wallet as it was.
  OpenStatus Open(const std::string& path, std::u16string_view password, bool readOnly, Prompter* prompter);
  void SetBreakLinksAllowed(bool allowed) { breakLinksAllowed_ = allowed; }
  // What the last Open did with a journal beside the wallet (None when
  // there was none or it opened read-only).
  const JournalReport& LastJournalReport() const { return journalReport_; }
  // Progress of the format upgrade an Open runs (see UpgradeProgress).
  void SetUpgradeProgress(UpgradeProgress progress) { upgradeProgress_ = std::move(progress); }
  // The conversion's status and counts of the last upgrade Open ran.
  UpgradeStatus LastUpgradeStatus() const { return lastUpgradeStatus_; }
  const UpgradeCounts& LastUpgradeCounts() const { return lastUpgradeCounts_; }
  // Writes the changed leading blocks. A failed write closes the wallet,
  // unless the caller asks to keep it open (the desktop program does, so
  // that the user is told and can try again; the changes stay marked and
  // the file keeps its former blocks).
  enum class AfterFailedSave { Close, StayOpen };
  SaveStatus SaveHeaders(AfterFailedSave onFailure = AfterFailedSave::Close);
  void Close();
  bool IsOpen() const { return open_; }
  bool IsReadOnly() const { return readOnly_; }
  // The path the wallet was opened by, and the file it names.
  const std::string& Path() const { return path_; }
  const std::string& RealPath() const { return realPath_; }

  bool CheckPassword(std::u16string_view password);
  std::optional<Text> GetHint() const;
  void SetHint(std::optional<std::u16string_view> hint);
  // n = 1, 2, 3; none when the view has no name of its own.
  std::optional<Text> GetSpecialViewName(int n) const;
  // The name to show: its own, else the default string.
  Text SpecialViewDisplayName(int n) const;
  int32_t GetSpecialViewIcon(int n) const;
  void SetSpecialView(int n, std::optional<std::u16string_view> name, int32_t icon);
  PasswordChangeStatus ChangePassword(std::u16string_view oldPassword, std::u16string_view newPassword,
                                      std::optional<std::u16string_view> hint);

  // --- blocks ---
  const FileSignature& Signature() const { return signature_; }
  WalletHeader& Header() { return header_; }
  const WalletHeader& Header() const { return header_; }
  WalletOptions& Options() { return options_; }
  const WalletOptions& Options() const { return options_; }
  const KeyContext& DataKey() const { return header_.dataKey; }

  // --- record index ---
  int Count() const { return int(index_.size()); }
  RecordHeader* At(int position);
  const RecordHeader* At(int position) const;
  // Quick reads of the record at a position that leave its header packed
  // (At unpacks it); zero, false or empty for a position out of range.
  RecordId IdAt(int position) const;
  RecordId ParentIdAt(int position) const;
  bool IsDeletedAt(int position) const;
  int32_t IconAt(int position) const;
  uint64_t FileOffsetAt(int position) const;
  bool NameAt(int position, Text* name) const;
  int FindRecord(const RecordId& id) const;  // live records only
  const RecordHeader* ParentOf(int position) const;
  int ParentFolderPosition(int position) const;
  // RecordKind value, or the SpecialView number for a view marker; 0 otherwise.
  int KindAt(int position) const;
  const RecordHeader* FormsFolder() const;
  int FormsFolderPosition() const;
  int AddOrReplace(const RecordHeader& header);

  // --- file operations ---
  // The live record with this id, the later one when two share it.
  bool FindRecordInFile(const RecordId& id, FoundRecord* found);
  int AppendRecord(RecordHeader header);
  int AppendCard(Card& card, const KeyContext* key = nullptr);
  // Appends the records, then the cards, in one step: the file holds all
  // of them or, when this fails, none. The cards are written under the data key.
  bool AppendAllAtomically(std::vector<RecordHeader>& records, std::vector<Card>& cards);
  bool RewriteRecordInPlace(const RecordHeader& header);
  int ReplaceFolder(RecordHeader header);
  int ReplaceCard(Card& card);
  bool DeleteRecord(int position);
  bool LoadCard(const RecordId& id, Card* card);
  OpenStatus LoadAllRecords();
  bool FileCut(uint64_t position, uint64_t length);

  // One change of the file's layout: the bytes at [offset, offset + remove)
  // give way to insert.
  struct FileEdit {
    uint64_t offset = 0;
    uint64_t remove = 0;
    std::vector<uint8_t> insert;
    uint64_t newOffset = 0;  // where insert begins in the new file (set when applied)
  };
  // Writes the file's new layout beside the wallet and renames it over the
  // wallet once it is complete and on the disk, so that at every moment
  // the wallet file is either the old one or the new one. Edits are sorted
  // and do not overlap. The lock on the wallet holds throughout.
  bool RewriteFile(std::vector<FileEdit>& edits);
  int PurgeTombstones();
  // After the cuts, every live record whose folder is gone is moved to the
  // top level (the tree could not show it otherwise); *reparented says how
  // many, and so does the closing notice.
  RepairStatus Repair(Prompter* prompter, int* repairCount = nullptr, int* reparented = nullptr);

  // Walks the records in file order, tombstones included. For each, visit
  // gets the header and a way to read its body in place (valid during the
  // call only); returning false stops the walk. False when the walk ended
  // on damage or a read error rather than at the end of the file.
  using BodyReader = std::function<bool(ByteSpan*)>;
  bool WalkRecords(const std::function<bool(const RecordHeader&, const BodyReader&)>& visit);

  // Sees the records as the open reads them, so that work over every
  // record (a search) shares the open's one pass over the file. Not owned;
  // set before Open, and cleared (nullptr) before the observer goes.
  class LoadObserver {
   public:
    virtual ~LoadObserver() = default;
    // A pass over the records begins; anything seen before is void (an
    // open may load the records again after a repair or an upgrade).
    virtual void LoadStarted() = 0;
    // Every live record in file order, its key set, with a way to read its
    // body in place (valid during the call only). False: no more records
    // in this pass.
    virtual bool RecordLoaded(const RecordHeader& header, const BodyReader& body) = 0;
  };
  void SetLoadObserver(LoadObserver* observer) { loadObserver_ = observer; }

  // --- favourites ---
  size_t FavouritesCount() const;
  std::vector<RecordId> Favourites() const;
  bool IsFavourite(const RecordId& id) const;
  bool AddFavourite(const RecordId& id);  // false when full or already listed
  void RemoveFavourite(const RecordId& id);
  void ClearFavourites();

  // --- find results (never stored) ---
  std::vector<int> findResults;
  Text searchText;
  void RemoveFindResult(int position);
  void ClearFindResults();

  // --- cards and forms ---
  // Copies a card into a folder (new id, "*" appended); the new position or -1.
  int CopyCardInto(int cardPosition, int folderPosition);
  int SaveCardAsForm(int cardPosition);
  // A new card from a form, not yet written; false when there is no such form.
  bool NewCardFromForm(const RecordId& folderId, const FormId& form, Card* card);
  std::optional<Text> FormName(const FormId& form) const;
  std::vector<CardType> CardTypeList() const;
  // A new loaded card in the folder with the wallet's default attributes.
  Card NewEmptyCard(const RecordId& folderId);

 private:
  // upgradeAccepted: the upgrade question of a version-5 file was answered
  // already (its tombstones are gone); UpgradeAccepted leaves the file open.
  OpenStatus OpenOnce(const std::string& path, std::u16string_view password, bool readOnly, Prompter* prompter,
                      bool upgradeAccepted);
  OpenStatus ReadHeaders(std::u16string_view password, bool readOnly, Prompter* prompter, bool upgradeAccepted);
  // The version-5 file is open with its headers read: loads (repairing if
  // needed), converts and replaces it. Closed afterwards; Ok when replaced.
  OpenStatus UpgradeOpenFile(const std::string& path, std::u16string_view password, Prompter* prompter);
  BlockStatus ReadBlock(uint8_t* data, size_t size);
  bool WriteBlocks(bool signature, bool header, bool options, bool journaled, SaveStatus* status);
  // Writes over bytes the file already has, through the journal.
  bool WriteInPlace(std::vector<InPlaceWrite> writes);
  // Writes a whole record at the end of the file, taking back a partial one.
  bool AppendBytes(const std::vector<uint8_t>& bytes, uint64_t* offset);
  // Header, payload and body of a card as AppendCard writes them.
  bool CardRecordBytes(Card& card, const KeyContext& key, std::vector<uint8_t>* bytes);
  void ShiftOffsets(const std::vector<FileEdit>& edits);
  void RecordWritten(Card& card, uint64_t offset);
  void IndexLoadedRecord(const RecordHeader& header);
  void NotifyIcon(const RecordHeader& header);
  bool ReadBody(uint64_t offset, uint32_t length, std::vector<uint8_t>* body);
  bool RekeyRecords(const KeyContext& oldKey);
  // Repair's last step; the number moved, or -1 when the writes failed.
  int ReparentOrphans();

  const TextSource* texts_ = nullptr;
  IconObserver* iconObserver_ = nullptr;
  LoadObserver* loadObserver_ = nullptr;
  UpgradeProgress upgradeProgress_;
  UpgradeStatus lastUpgradeStatus_ = UpgradeStatus::Done;
  UpgradeCounts lastUpgradeCounts_;

  platform::File file_;
  std::string path_;
  std::string realPath_;
  bool breakLinksAllowed_ = false;
  JournalReport journalReport_;
  bool open_ = false;
  bool readOnly_ = false;
  FileSignature signature_;
  WalletHeader header_;
  WalletOptions options_;
  RecordIndex index_;
  RecordIdTable byId_{index_};
};

// The files written beside a wallet before they take its place (or, on
// create, its name) are "<wallet>.<tag>-XXXXXXXX" with a random part.
inline constexpr const char* kCreatingTag = "creating";
inline constexpr const char* kCutTag = "cut";
inline constexpr const char* kRekeyTag = "rekey";
inline constexpr const char* kUpgradeTag = "upgrade";
inline constexpr const char* kConvertingTag = "converting";

// Password rules for new passwords: 3 to 23 UTF-16 units.
bool IsAcceptableNewPassword(std::u16string_view password);

}  // namespace tb::storage
