#pragma once
// Text export: the whole wallet, a folder with everything below it, or one
// card written to a readable UTF-16 text file (little-endian, with a
// byte-order mark, CR LF line ends), optionally with the card attachments
// saved beside it. The file holds secrets in clear: it and every attachment
// file are made readable by the owner only, and a file of the same name is
// replaced by renaming the finished file over it, never written through.
//
// Names that become file names (wallet, folder, card and attachment names)
// come from the wallet, which may be hostile: they are made safe to use as
// one file name inside the export folder before anything is created.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/file.h"
#include "storage/card.h"
#include "storage/cipher/secure.h"
#include "storage/record_id.h"
#include "storage/services.h"
#include "storage/wallet.h"

namespace tb::interchange {

struct ExportOptions {
  // The folder under which the wallet's export folder is made.
  std::string outputPlace;
  bool includePasswords = false;
  bool includeAttachments = false;
};

// What an export left out of the file it wrote: the user must hear of it,
// since the file looks whole.
struct ExportReport {
  int cardsLeftOut = 0;        // cards that could not be read from the wallet
  int attachmentsLeftOut = 0;  // attachments whose file could not be written whole
  bool Complete() const { return cardsLeftOut == 0 && attachmentsLeftOut == 0; }
};

// Module strings of the export file.
namespace export_text {
inline constexpr uint32_t kSeparator = 22138, kTitle = 22142, kWalletLine = 22143, kFileLine = 22144, kDateLine = 22145,
                          kFolderCaption = 20516, kNoData = 22149, kAttachmentLine = 22150;
}

inline constexpr std::u16string_view kMaskedPassword = u"********";
// Longest folder path written in a folder block, in UTF-16 units.
inline constexpr size_t kMaxFolderPath = 2048;
// Ancestors named in a folder path before the folder's own name.
inline constexpr int kMaxPathAncestors = 8;
// The longest file name the file systems we write to accept, in bytes.
inline constexpr size_t kMaxFileNameBytes = 255;

// The name with each of \ / : * ? " < > | replaced by an underscore.
std::u16string ReplaceNameCharacters(std::u16string_view name);
// A name safe as one file name: the replacements above, control characters
// also replaced, leading dots removed; fallback when nothing is left.
std::u16string SafeFileName(std::u16string_view name, std::u16string_view fallback);
// prefix + name + suffix in UTF-8, the name cut (at a character boundary)
// so that the whole stays within kMaxFileNameBytes.
std::string FitFileName(std::u16string_view prefix, std::u16string_view name, std::u16string_view suffix);
// Writes bytes to a new private file in folder and renames it to path (in
// the same folder), replacing a file of that name without ever writing
// through it. False, with nothing left behind, when it cannot.
bool WriteReplacing(const std::string& folder, const std::string& path, const uint8_t* data, size_t size);
// The wallet name: the wallet file's name without folder and extension.
std::u16string WalletName(const std::string& walletPath);
// The user's time picture without its seconds (and the separator before
// them): "h:mm:ss tt" gives "h:mm tt", "HH:mm:ss" gives "HH:mm".
std::u16string WithoutSeconds(std::u16string_view timePicture);

// One export file being written. Lines are collected in wiped memory and
// written to a private temporary file, which Finish renames to its name.
class ExportFile {
 public:
  ExportFile() = default;
  ~ExportFile();
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  // Makes the export folder (outputPlace/<wallet name>) and the file
  // <base>_<ddmmyyyy>.txt in it, and writes the byte-order mark and the
  // header. firstNumber starts the attachment numbering (0 for a card
  // export, 1 otherwise). False when the folder or file cannot be made.
  bool Create(const storage::Wallet& wallet, const ExportOptions& options, std::u16string_view baseName,
              int firstNumber);
  void WriteLine(std::u16string_view text);
  // Writes what is left and gives the file its name; false (and nothing
  // left behind) when any write failed.
  bool Finish(std::string* writtenPath);

  // Saves bytes as the next attachment file "%03d_<name>"; the file's name
  // when written whole, else empty (the number is then not used up).
  std::string SaveAttachment(const storage::SecureBytes& bytes, std::u16string_view name);

  const ExportOptions& Options() const { return options_; }
  const storage::TextSource* Texts() const { return texts_; }
  std::u16string_view TextOf(uint32_t number) const;
  const std::string& Folder() const { return folder_; }
  int NextNumber() const { return nextNumber_; }
  // What was left out so far.
  ExportReport& Report() { return report_; }

 private:
  void Flush();
  void Abandon();

  ExportOptions options_;
  const storage::TextSource* texts_ = nullptr;
  platform::File file_;
  std::string folder_;
  std::string temporaryPath_;
  std::string finalPath_;
  storage::SecureBytes buffer_;
  uint64_t written_ = 0;
  bool failed_ = false;
  int nextNumber_ = 0;
  std::vector<std::string> attachmentFiles_;
  ExportReport report_;
};

// One card's block: separator, name, separator, the field lines, an empty
// line (or the no-data line), and the attachment lines.
void WriteCardText(ExportFile& file, const storage::Card& card);

// Each writes its file and gives its full path; false when the file could
// not be written, or the card or folder is not in the wallet. *report (may
// be null) says what a written file left out.
bool ExportWallet(storage::Wallet& wallet, const ExportOptions& options, std::string* writtenPath,
                  ExportReport* report = nullptr);
bool ExportFolder(storage::Wallet& wallet, const storage::RecordId& folder, const ExportOptions& options,
                  std::string* writtenPath, ExportReport* report = nullptr);
bool ExportCard(storage::Wallet& wallet, const storage::RecordId& card, const ExportOptions& options,
                std::string* writtenPath, ExportReport* report = nullptr);

}  // namespace tb::interchange
