#include "cards/media_files.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "interchange/text_export.h"
#include "platform/core/documents.h"
#include "platform/core/system.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/texts.h"
#include "storage/card.h"

namespace tb::cards {
namespace {

constexpr uint32_t kStrSaved = 22010;
constexpr uint32_t kStrUnreadable = 40110;
constexpr uint32_t kCaptionInformation = 20001;
constexpr uint32_t kCaptionError = 20500;
constexpr char16_t kFallbackName[] = u"file";
// Stored lengths are 32 bits and include up to four bytes of padding.
constexpr uint64_t kRecordLimit = std::numeric_limits<uint32_t>::max() - 8;

std::string Prefixed(const char* prefix, std::u16string_view fileName) {
  const std::u16string safe = interchange::SafeFileName(storage::BaseName(fileName), kFallbackName);
  std::u16string wide;
  for (const char* p = prefix; *p; ++p) wide.push_back(char16_t(*p));
  return interchange::FitFileName(wide, safe, u"");
}

}  // namespace

std::string ExportFileName(const platform::SystemTime& today, std::u16string_view fileName) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "%02d%02d%d_", today.year, today.month, today.day);
  return Prefixed(prefix, fileName);
}

std::string CopyFileName(const platform::SystemTime& today, std::u16string_view fileName) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "%04d%02d%02d_", today.year, today.month, today.day);
  return Prefixed(prefix, fileName);
}

std::optional<std::string> ExportToDocuments(const storage::SecureBytes& bytes, std::u16string_view fileName) {
  const std::string folder = platform::CurrentDocumentPlaces().documents;
  if (folder.empty() || !platform::EnsureFolder(folder)) return std::nullopt;
  const std::string path = folder + "/" + ExportFileName(platform::LocalTime(), fileName);
  if (!storage::CopyOut(bytes, path)) return std::nullopt;
  return path;
}

uint64_t MediaReadLimit() { return std::min(kRecordLimit, platform::AvailablePhysicalMemory()); }

void ShowSaved(QWidget* owner, const std::string& path) {
  const QString text = ui::Text(kStrSaved) + QStringLiteral("\n") + QString::fromStdString(path);
  ui::ShowMessageText(owner, text, kCaptionInformation, ui::MessageIcon::Information);
}

void ShowUnreadable(QWidget* owner) { ui::ShowMessage(owner, kStrUnreadable, kCaptionError, ui::MessageIcon::Stop); }

}  // namespace tb::cards
