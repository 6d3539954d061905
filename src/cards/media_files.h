#pragma once
// Files a card's pictures, sounds and attachments are written to in the
// documents folder, and the files they are read from. Names come from the
// wallet and may be hostile: only their last part is used, made safe as
// one file name and cut to fit, so a copy always lands in the documents
// folder itself.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/system_time.h"
#include "storage/cipher/secure.h"

class QWidget;

namespace tb::cards {

// The name a picture or sound is exported under: year, month and day
// without a leading zero ("2007035_"), then the safe file name.
std::string ExportFileName(const platform::SystemTime& today, std::u16string_view fileName);
// The name an attachment copy is written under ("20070305_" and the name).
std::string CopyFileName(const platform::SystemTime& today, std::u16string_view fileName);

// Writes a picture or sound export into the documents folder (made when
// missing): owner-only, never over an existing file. The full path, or
// nothing when it could not be written.
std::optional<std::string> ExportToDocuments(const storage::SecureBytes& bytes, std::u16string_view fileName);

// The most a picture, sound or attachment read from a file may have: what
// a card's 32-bit lengths can hold with padding, and no more than the
// memory available.
uint64_t MediaReadLimit();

// Tells the user where a file was saved (22010 and the path).
void ShowSaved(QWidget* owner, const std::string& path);
// Tells the user a chosen file could not be read or kept.
void ShowUnreadable(QWidget* owner);

}  // namespace tb::cards
