#pragma once
// Rules about records that the program and tbwallet both follow, kept once
// here: which index entry is a live record, where a record may move, and
// what a delete takes with it (and in which order). The icon a new folder
// starts with is kNewFolderIcon (record.h).
#include <cstdint>

#include "storage/statuses.h"
#include "storage/wallet.h"

namespace tb::storage {

// A live record at its own position: not a tombstone, and the entry the
// index finds for its id (an older copy of a record is not live).
bool IsLiveAt(const Wallet& wallet, int position);

// Whether the record at moved may be moved into the folder at destination
// (-1: the top level). Cards may go into folders; nothing goes into the
// forms folder (a card is saved as a form instead) and the forms folder
// itself stays where it is; a folder never goes into itself or a folder
// below it.
MoveStatus CanMoveInto(const Wallet& wallet, int moved, int destination);
// Moves it when CanMoveInto allows: the record's parent is set and its
// header written in place. Moving a record where it is already is Ok.
MoveStatus MoveInto(Wallet& wallet, int moved, int destination);

// The folders (the record itself included when it is one) and the cards of
// a record and everything below it.
struct SubtreeCounts {
  int folders = 0;
  int cards = 0;
};
SubtreeCounts CountSubtree(const Wallet& wallet, int position);

// Deletes a record and everything below it, deepest records first, so that
// a delete that stops part way never leaves a record whose folder is gone.
// The forms folder is never deleted.
struct DeleteResult {
  DeleteStatus status = DeleteStatus::Ok;
  int deleted = 0;  // records deleted
  int total = 0;    // records the delete took in
};
DeleteResult DeleteSubtree(Wallet& wallet, int position);

}  // namespace tb::storage
