#pragma once
// Converting a wallet of the older product generation (".wal") into a new
// wallet beside it, with the same base name and the extension ".tb5": its
// folders, cards, field values, notes, card pictures and sounds. The old
// file is only ever read.
//
// Choices of this implementation:
//  - The new wallet is filled under a name of its own and given its real
//    name only when complete: a conversion that fails or is cut off leaves
//    no half-filled wallet behind, and can simply be run again.
//  - A card goes into the first folder carrying its folder number only, so
//    that a file with many folders of one number cannot multiply its cards.
//  - Negative icon numbers (which would claim an icon picture the old file
//    cannot hold) become icon 0.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/registry.h"
#include "storage/cipher/secure.h"
#include "storage/services.h"
#include "storage/statuses.h"

namespace tb::storage {

// One field of a custom form of the old product.
struct LegacyCustomField {
  int32_t number = 0;  // the legacy field number its value is tagged with
  int formKind = 0;    // see form_kinds.h
  bool masked = false;
  Text label;  // up to 63 characters
};

// One custom form of the old product's definition file.
struct LegacyCustomForm {
  int32_t number = 0;  // 1000 or more
  Text name;
  int32_t icon = 0;
  std::vector<LegacyCustomField> fields;  // at most 50
};

// Turns the bytes of a custom-form definition file into its forms. The
// definition text is read by the interchange layer; the caller hands its
// reader in. Forms it could not read are simply not in the list.
using LegacyCustomFormReader = std::function<void(std::string_view fileBytes, std::vector<LegacyCustomForm>* forms)>;

struct LegacyConvertOptions {
  // Looked in first for the custom-form definition file named in the old
  // wallet's head, then the old installation's folder (see
  // LegacyInstallFolder); either may be empty.
  std::string programFolder;
  std::string oldInstallFolder;
  LegacyCustomFormReader readCustomForms;  // unset: no custom forms are known
  bool pictures = true;
  bool sounds = true;
  const TextSource* texts = nullptr;  // labels, the notes label, default names
};

// What the conversion gave. number() is the status the program's messages
// go by: 0 converted, 3 the old file cannot be opened, 7 not an old wallet,
// 9 wrong password, 10 no custom-form definition file found; otherwise
// CreateWallet's status for the new file (writing the new wallet's records
// failing counts as its 5, the file cannot be created).
enum class LegacyStatus : int {
  Converted = 0,
  CannotOpen = 3,
  NotALegacyWallet = 7,
  WrongPassword = 9,
  NoCustomFormFile = 10,
  CreateFailed = -1,  // see create
};

struct LegacyConversion {
  LegacyStatus status = LegacyStatus::Converted;
  CreateStatus create = CreateStatus::Ok;  // when status is CreateFailed
  int number() const { return status == LegacyStatus::CreateFailed ? int(create) : int(status); }
  bool ok() const { return status == LegacyStatus::Converted; }
};

// "X.wal" -> "X.tb5": the extension after the last separator replaced, or
// ".tb5" added when there is none.
std::string LegacyConvertedPath(const std::string& walPath);

// Converts the old wallet at walPath (opened for reading only) into the
// new wallet at LegacyConvertedPath(walPath), with the same password.
// newPathOut gets the new wallet's path whatever the outcome.
LegacyConversion ConvertLegacyWallet(const std::string& walPath, std::u16string_view password,
                                     const LegacyConvertOptions& options, std::string* newPathOut);

// The old installation's folder: the folder of the document icon the old
// product registered (the default value of
// HKEY_CLASSES_ROOT\ostreltamberlockfile\DefaultIcon, "path,-index").
// Empty when it is not registered.
std::string LegacyInstallFolder(const platform::Registry& registry);

const char* Describe(LegacyStatus s);

}  // namespace tb::storage
