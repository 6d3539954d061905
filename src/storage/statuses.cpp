#include "storage/statuses.h"

namespace tb::storage {

const char* Describe(CreateStatus s) {
  switch (s) {
    case CreateStatus::Ok: return "created";
    case CreateStatus::BadPath: return "no path, or a path shorter than 6 characters";
    case CreateStatus::NoPassword: return "no password";
    case CreateStatus::BadPasswordLength: return "the password must have 3 to 23 characters";
    case CreateStatus::Exists: return "a file with this path already exists";
    case CreateStatus::CannotCreate: return "the file cannot be created";
    case CreateStatus::SignatureWriteFailed: return "writing the file signature failed";
    case CreateStatus::HeaderWriteFailed: return "writing the wallet header failed";
    case CreateStatus::OptionsWriteFailed: return "writing the wallet options failed";
    case CreateStatus::HeaderSetupFailed: return "the wallet header could not be set up";
  }
  return "unknown status";
}

const char* Describe(OpenStatus s) {
  switch (s) {
    case OpenStatus::Ok: return "open";
    case OpenStatus::BadPath: return "no path, or a path shorter than 6 characters";
    case OpenStatus::CannotOpen: return "the file cannot be opened (missing or not permitted)";
    case OpenStatus::RecordsUnreadable: return "the records cannot be read";
    case OpenStatus::BadHeader: return "the wallet header is missing or damaged";
    case OpenStatus::BadOptions: return "the wallet options block is missing or damaged";
    case OpenStatus::NotAWallet: return "not a wallet file";
    case OpenStatus::UnsupportedVersion: return "the file has an unsupported format version";
    case OpenStatus::WrongPassword: return "wrong password";
    case OpenStatus::OutOfMemory: return "out of memory while loading the records";
    case OpenStatus::Damaged: return "the record sequence is damaged and was not repaired";
    case OpenStatus::UpgradeAccepted: return "the format upgrade was accepted";
    case OpenStatus::NeedsUpgrade: return "the wallet has the previous format (version 5) and must be upgraded first";
    case OpenStatus::UpgradeDeclined: return "the format upgrade was declined";
    case OpenStatus::UpgradeFailed: return "the format upgrade did not finish; the wallet keeps the previous format";
    case OpenStatus::InUse: return "the wallet is in use by another program, which has it open for changes";
    case OpenStatus::NotAFile: return "not a regular file (a folder, a pipe or a device)";
    case OpenStatus::HardLinked: return "the wallet file has other names (hard links)";
  }
  return "unknown status";
}

const char* Describe(SaveStatus s) {
  switch (s) {
    case SaveStatus::Ok: return "saved";
    case SaveStatus::SignatureWriteFailed: return "writing the file signature failed";
    case SaveStatus::HeaderWriteFailed: return "writing the wallet header failed";
    case SaveStatus::OptionsWriteFailed: return "writing the wallet options failed";
    case SaveStatus::NotOpen: return "no wallet is open";
    case SaveStatus::ReadOnly: return "the wallet is open read-only";
  }
  return "unknown status";
}

const char* Describe(PasswordChangeStatus s) {
  switch (s) {
    case PasswordChangeStatus::Ok: return "the password was changed";
    case PasswordChangeStatus::WrongPassword: return "the current password is wrong";
    case PasswordChangeStatus::BadNewPassword: return "the new password must have 3 to 23 characters";
    case PasswordChangeStatus::NotOpen: return "no wallet is open";
    case PasswordChangeStatus::ReadOnly: return "the wallet is open read-only";
    case PasswordChangeStatus::RekeyFailed: return "re-enciphering failed; the wallet was left as it was";
  }
  return "unknown status";
}

const char* Describe(UpgradeStatus s) {
  switch (s) {
    case UpgradeStatus::Done: return "upgraded";
    case UpgradeStatus::OutOfMemory: return "out of memory";
    case UpgradeStatus::RecordUnreadable: return "a record could not be read";
    case UpgradeStatus::WriteFailed: return "the converted file could not be written";
    case UpgradeStatus::BodyTooShort: return "a card body is shorter than 64 bytes";
    case UpgradeStatus::AttributesUnreadable: return "a card's attributes could not be read";
    case UpgradeStatus::FieldHeadUnreadable: return "a field could not be read";
    case UpgradeStatus::FieldLabelUnreadable: return "a field label could not be read";
    case UpgradeStatus::FieldValueUnreadable: return "a field value could not be read";
    case UpgradeStatus::FieldItemsUnreadable: return "a field's item list could not be read";
    case UpgradeStatus::PictureUnreadable: return "a card picture could not be read";
    case UpgradeStatus::SoundUnreadable: return "a card sound could not be read";
    case UpgradeStatus::AttachmentUnreadable: return "an attachment could not be read";
    case UpgradeStatus::NotStarted: return "the converted file could not be created";
    case UpgradeStatus::NotReplaced: return "the converted file could not take the wallet's place";
    case UpgradeStatus::Interrupted: return "the conversion was stopped";
  }
  return "unknown status";
}

const char* Describe(MoveStatus s) {
  switch (s) {
    case MoveStatus::Ok: return "moved";
    case MoveStatus::NotFound: return "no such record";
    case MoveStatus::FormsFolder: return "the forms folder cannot be moved";
    case MoveStatus::IntoFormsFolder: return "nothing moves into the forms folder; a card is saved as a form instead";
    case MoveStatus::NotAFolder: return "the destination is a card, not a folder";
    case MoveStatus::IntoItself: return "a folder cannot move into itself or a folder below it";
    case MoveStatus::WriteFailed: return "the record could not be written";
  }
  return "unknown status";
}

const char* Describe(DeleteStatus s) {
  switch (s) {
    case DeleteStatus::Ok: return "deleted";
    case DeleteStatus::NotFound: return "no such record";
    case DeleteStatus::FormsFolder: return "the forms folder cannot be deleted";
    case DeleteStatus::WriteFailed: return "a record could not be deleted";
  }
  return "unknown status";
}

}  // namespace tb::storage
