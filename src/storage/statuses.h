#pragma once
// The numeric statuses of the storage operations. The numbers are what the
// program's messages and the command line report; Describe gives the
// command line's words for them (statuses.cpp).
#include <cstdint>

namespace tb::storage {

// Reading and writing one of the leading blocks.
enum class BlockStatus : int {
  Ok = 0,
  IoFailed = 1,  // the platform read or write call failed
  NoBuffer = 2,
  Short = 3,      // fewer bytes than the block size
  EndOfFile = 4,  // zero bytes
  NoFile = 5,
  BadSignature = 6,
};

enum class CreateStatus : int {
  Ok = 0,
  BadPath = 1,  // no path, or shorter than 6 characters
  NoPassword = 2,
  BadPasswordLength = 3,  // shorter than 3 or longer than 23
  Exists = 4,
  CannotCreate = 5,
  SignatureWriteFailed = 6,
  HeaderWriteFailed = 7,
  OptionsWriteFailed = 8,
  HeaderSetupFailed = 9,
};

enum class OpenStatus : int {
  Ok = 0,
  BadPath = 1,
  CannotOpen = 2,  // missing, unreadable, or not permitted
  RecordsUnreadable = 3,
  BadHeader = 4,
  BadOptions = 5,
  NotAWallet = 7,  // or a repair was declined
  UnsupportedVersion = 8,
  WrongPassword = 10,
  OutOfMemory = 12,
  Damaged = 13,          // the record sequence is damaged and was not repaired
  UpgradeAccepted = 14,  // internal: a version-5 file whose upgrade was accepted
  NeedsUpgrade = 15,     // a version-5 file; this build opens it only to upgrade
  UpgradeDeclined = 16,
  UpgradeFailed = 17,  // the conversion did not finish; the file keeps the previous format
  InUse = 18,          // another program holds the wallet open for writing
  NotAFile = 19,       // a folder, pipe, device or socket, not a wallet file
  HardLinked = 20,     // the file has other names and the caller did not agree to break them
};

// LoadAllRecords: 0, 3, 12 or 13 as OpenStatus values.

enum class SaveStatus : int {
  Ok = 0,
  SignatureWriteFailed = 2,
  HeaderWriteFailed = 3,
  OptionsWriteFailed = 4,
  NotOpen = 5,
  ReadOnly = 6,
};

// Changing the password.
enum class PasswordChangeStatus : int {
  Ok = 0,
  WrongPassword = 1,
  BadNewPassword = 2,  // not 3 to 23 UTF-16 units
  NotOpen = 3,
  ReadOnly = 4,
  RekeyFailed = 5,  // the file was put back as it was
};

// The record conversion of a format upgrade. Reading errors carry the
// number of the piece that could not be read.
enum class UpgradeStatus : int {
  Done = 0,
  OutOfMemory = 1,
  RecordUnreadable = 2,  // a record header, or its extent runs past the end
  WriteFailed = 3,       // the converted file could not be written
  BodyTooShort = 4,      // a card body of 1 to 63 bytes
  AttributesUnreadable = 5,
  FieldHeadUnreadable = 7,
  FieldLabelUnreadable = 10,
  FieldValueUnreadable = 20,
  FieldItemsUnreadable = 30,
  PictureUnreadable = 40,
  SoundUnreadable = 50,
  AttachmentUnreadable = 60,
  NotStarted = 80,   // the converted file could not be created
  NotReplaced = 81,  // it could not take the wallet's place
  Interrupted = 90,  // stopped on purpose (tests)
};

// Moving a record into a folder or to the top level (CanMoveInto).
enum class MoveStatus : int {
  Ok = 0,
  NotFound = 1,         // the record or the folder is not a live record
  FormsFolder = 2,      // the forms folder stays where it is
  IntoFormsFolder = 3,  // nothing moves into the forms folder; cards are saved as forms
  NotAFolder = 4,       // the destination is a card
  IntoItself = 5,       // a folder into itself or a folder below it
  WriteFailed = 6,
};

// Deleting a record with everything below it (DeleteSubtree).
enum class DeleteStatus : int {
  Ok = 0,
  NotFound = 1,
  FormsFolder = 2,  // the forms folder is never deleted
  WriteFailed = 3,  // stopped part way; what was deleted stays deleted
};

// Repair.
enum class RepairStatus : int {
  Repaired = 0,
  Declined = 7,
  Failed = 3,
};

const char* Describe(CreateStatus s);
const char* Describe(OpenStatus s);
const char* Describe(SaveStatus s);
const char* Describe(PasswordChangeStatus s);
const char* Describe(UpgradeStatus s);
const char* Describe(MoveStatus s);
const char* Describe(DeleteStatus s);

}  // namespace tb::storage
