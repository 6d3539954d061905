#include "cards/attachments.h"

#include <cstdio>

#include "cards/media_files.h"
#include "interchange/text_export.h"
#include "platform/core/documents.h"
#include "platform/core/file.h"
#include "platform/core/system.h"
#include "platform/ui/launcher.h"
#include "platform/ui/message_boxes.h"

namespace tb::cards {
namespace {

constexpr uint32_t kStrDeleteCopies = 28206;
constexpr uint32_t kCaptionQuestion = 20001;

}  // namespace

OpenedCopies& OpenedCopies::Instance() {
  static OpenedCopies copies;
  return copies;
}

void OpenedCopies::Add(const std::string& path) {
  const QString wanted = QString::fromStdString(path);
  for (const std::string& kept : paths_)
    if (QString::fromStdString(kept).compare(wanted, Qt::CaseInsensitive) == 0) return;
  paths_.push_back(path);
}

void OpenedCopies::OfferDeletion(QWidget* owner) {
  if (paths_.empty()) return;
  if (ui::ShowMessage(owner, kStrDeleteCopies, kCaptionQuestion, ui::MessageIcon::Question, ui::Buttons::YesNo) ==
      ui::Answer::Yes) {
    for (const std::string& path : paths_) platform::RemoveFile(path);
  }
  paths_.clear();
}

QString FormatSize(uint64_t bytes) {
  constexpr uint64_t kKilo = 1024;
  if (bytes < kKilo) return QStringLiteral("%1 bytes").arg(bytes);
  const char* units[] = {"KB", "MB", "GB"};
  double value = double(bytes) / double(kKilo);
  int unit = 0;
  while (value >= double(kKilo) && unit < 2) {
    value /= double(kKilo);
    ++unit;
  }
  return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

std::optional<std::string> WriteAttachmentCopy(const storage::Attachment& attachment) {
  const std::string folder = platform::CurrentDocumentPlaces().documents;
  if (folder.empty() || !platform::EnsureFolder(folder)) return std::nullopt;
  const std::u16string_view name(attachment.fileName.data(), attachment.fileName.size());
  const std::string path = folder + "/" + CopyFileName(platform::LocalTime(), name);
  if (!interchange::WriteReplacing(folder, path, attachment.bytes.data(), attachment.bytes.size())) return std::nullopt;
  return path;
}

bool OpenAttachment(const storage::Card& card, size_t slot, OpenedFrom from) {
  if (slot >= card.attachments.size() || !card.attachments[slot] || !card.attachments[slot]->InUse()) return false;
  const auto path = WriteAttachmentCopy(*card.attachments[slot]);
  if (!path) return false;
  const QString written = QString::fromStdString(*path);
  const QString looked = from == OpenedFrom::Dialog ? written.toLower() : written;
  if (looked.contains(QLatin1String(".wal")) || looked.contains(QLatin1String(".tb5"))) return false;
  OpenedCopies::Instance().Add(*path);
  return ui::OpenDocument(written);
}

}  // namespace tb::cards
