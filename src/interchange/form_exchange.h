#pragma once
// Sharing custom forms: a card of the wallet exported as a form exchange
// file, and a form exchange file imported as a new form in the wallet's
// forms folder.
#include <string>
#include <string_view>

#include "interchange/form_file.h"
#include "platform/core/system_time.h"
#include "storage/services.h"
#include "storage/string_numbers.h"
#include "storage/wallet.h"

namespace tb::interchange {

// Language strings of the two commands.
namespace form_strings {
inline constexpr uint32_t kExported = 22020;  // folder, file name
inline constexpr uint32_t kAddQuestion = 22025;
inline constexpr uint32_t kNameLabel = 22026;
inline constexpr uint32_t kDescriptionLabel = 22027;
inline constexpr uint32_t kAuthorLabel = 22028;
inline constexpr uint32_t kExportedOnLabel = 22029;
inline constexpr uint32_t kExportFailed = 23017;
inline constexpr uint32_t kErrorCaption = storage::kStrCaptionError;
inline constexpr uint32_t kConfirmCaption = storage::kStrCaptionConfirm;
inline constexpr uint32_t kExportCaption = 20505;
}  // namespace form_strings

struct FormExportOptions {
  std::string folder;          // created when missing; empty: the documents folder
  std::u16string description;  // at most 127 units are kept
  std::u16string author;       // at most 63 units are kept
  bool includeData = false;    // keep the field values
};

enum class FormExportStatus : int {
  Ok = 0,
  NotACard,        // the position holds no live card
  CardUnreadable,  // the card could not be loaded from the wallet
  FolderUnusable,  // the folder is not there and could not be made
  FileExists,      // a file of that name is there; it is never replaced
  FileNotCreated,
  WriteFailed,
};
const char* Describe(FormExportStatus status);

// The user's documents folder: $XDG_DOCUMENTS_DIR, else ~/Documents.
std::string DocumentsFolder();

// "<name>_<DD><MM><YYYY>.tbx" with \ / : * ? " < > | and control
// characters of the name replaced by '_', the name cut so that the whole
// file name fits 255 bytes.
std::string FormFileName(std::u16string_view cardName, const platform::SystemTime& today);

// Writes the card at cardPosition as a new form file in the folder;
// *writtenPath gets its path. The file appears whole or not at all,
// readable by the owner only. With notices, the outcome is also shown as
// the program shows it (the written folder and name, or the failure).
FormExportStatus ExportAsForm(storage::Wallet& wallet, int cardPosition, const FormExportOptions& options,
                              std::string* writtenPath, storage::Prompter* notices = nullptr);

enum class FormImportStatus : int {
  Imported = 0,
  Declined,    // the question was answered No (or there was nobody to ask)
  Unreadable,  // not opened, or not a readable form file (see readStatus)
  NoFormsFolder,
  NotWritable,  // the wallet is not open, or open read-only
  WriteFailed,  // appending the form failed; the wallet is as it was
};
const char* Describe(FormImportStatus status);

struct FormImportResult {
  FormImportStatus status = FormImportStatus::Unreadable;
  FormReadStatus readStatus = FormReadStatus::Ok;
  int position = -1;   // the new form's index position when imported
  storage::Text name;  // the form's name, once read
  FormFileHeader header;
};

// The import question: whether to add the form, then its name (cut to 28
// units and "..."), description, author and export date, each only when
// it has one.
std::u16string FormImportQuestion(const storage::Wallet& wallet, std::u16string_view name,
                                  const FormFileHeader& header);

// Reads the form file, asks the question through prompter, and on Yes
// appends the form to the forms folder under a new id. Nothing is written
// to the wallet before the file has been read whole and accepted.
FormImportResult ImportForm(storage::Wallet& wallet, const std::string& path, storage::Prompter* prompter);

}  // namespace tb::interchange
