#pragma once
// A card's attached files: the copies written to the documents folder to be
// opened (and the application-wide list of them, offered for deletion when
// the card window closes), opening one through the launcher, and the size
// shown for one.
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/card.h"

class QWidget;

namespace tb::cards {

// The copies written to be opened since the card window opened. A path is
// kept once (compared without regard to case); there is no limit, so every
// copy is offered for deletion.
class OpenedCopies {
 public:
  static OpenedCopies& Instance();
  void Add(const std::string& path);
  void Clear() { paths_.clear(); }
  bool Empty() const { return paths_.empty(); }
  const std::vector<std::string>& Paths() const { return paths_; }
  // Asks whether to delete the copies (28206) when there are any; Yes
  // deletes them. The list is empty afterwards.
  void OfferDeletion(QWidget* owner);

 private:
  std::vector<std::string> paths_;
};

// "512 bytes", "1.5 KB", "2.0 MB", "1.1 GB".
QString FormatSize(uint64_t bytes);

// Writes the attachment to the documents folder (made when missing) as
// "yyyymmdd_" and its safe name, replacing an earlier copy by renaming a
// finished file over it. The full path, or nothing when it failed.
std::optional<std::string> WriteAttachmentCopy(const storage::Attachment& attachment);

// Writes slot's copy and opens it, unless its path names a wallet (".wal"
// or ".tb5": compared lower-cased from the dialog, as written from the
// view). True when the launcher took the file.
enum class OpenedFrom { Dialog, View };
bool OpenAttachment(const storage::Card& card, size_t slot, OpenedFrom from);

}  // namespace tb::cards
