// Repair of a damaged record sequence: walks the records from the first,
// finds where the next one really starts, and cuts out what lies between.
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/bytes.h"
#include "storage/format_text.h"
#include "storage/record_scanner.h"
#include "storage/string_numbers.h"
#include "storage/wallet.h"

namespace tb::storage {

namespace R = layout::record;

namespace {
constexpr uint32_t kRepairQuestion = 22164;
constexpr uint32_t kRepairQuestionAgain = 22165;
constexpr uint32_t kRepairDone = 22166;
constexpr uint32_t kReparentedNotice = 23043;
// The next record is usually a few kilobytes on: the search window starts
// small and grows, up to 1 MiB, when nothing turns up.
constexpr size_t kFirstSearchWindow = 64 << 10;
constexpr size_t kSearchChunk = 1 << 20;

// Only these bytes can start a kind signature.
bool CanStartRecord(uint8_t b) { return b == R::kCardSig[0] || b == R::kFolderSig[0] || b == R::kFormsFolderSig[0]; }

// The first position at or after p where 748 bytes look like a record; the
// search stops 748 bytes before the end of the file. A read that fails is
// not "no record": *failed tells it apart, so that the walk never cuts the
// file short because the disk said no.
std::optional<uint64_t> NextStart(platform::File& file, uint64_t p, bool* failed) {
  *failed = false;
  uint64_t size = 0;
  if (!file.Size(&size)) {
    *failed = true;
    return std::nullopt;
  }
  if (size < R::kSize) return std::nullopt;
  const uint64_t last = size - R::kSize;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kSearchChunk + R::kSize]);
  size_t window = kFirstSearchWindow;
  for (uint64_t pos = p; pos <= last; window = std::min(window * 2, kSearchChunk)) {
    const uint64_t candidates = std::min<uint64_t>(window, last + 1 - pos);
    const size_t want = size_t(candidates + R::kSize - 1);
    size_t got = 0;
    if (!file.ReadAt(pos, buffer.get(), want, &got) || got < want) {
      *failed = true;
      return std::nullopt;
    }
    for (size_t i = 0; i < candidates; ++i)
      if (CanStartRecord(buffer[i]) && LooksLikeRecord(buffer.get() + i)) return pos + i;
    pos += candidates;
  }
  return std::nullopt;
}

std::u16string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return platform::FromUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
}
}  // namespace

int Wallet::ReparentOrphans() {
  // The later copy of an id wins, as everywhere: the folders that are
  // there are the live folders of the last copies.
  struct Seen {
    uint64_t offset;
    RecordHeader header;
  };
  std::vector<Seen> live;
  std::unordered_map<RecordId, bool, RecordIdHash> isFolder;
  RecordScanner scan(file_, layout::kFirstRecordOffset);
  RecordHeader h;
  uint64_t offset = 0;
  while (scan.Next(&h, &offset) == RecordScanner::Step::Record) {
    scan.SkipBody(h.BodyLength());
    if (h.IsDeleted()) continue;
    isFolder[h.Id()] = h.Kind() == RecordKind::Folder || h.Kind() == RecordKind::FormsFolder;
    live.push_back({offset, h});
  }
  std::vector<InPlaceWrite> moves;
  const platform::SystemTime now = platform::LocalTime();
  for (Seen& s : live) {
    const RecordId parent = s.header.Parent();
    if (parent.IsZero()) continue;
    const auto it = isFolder.find(parent);
    if (it != isFolder.end() && it->second) continue;
    // Moved to the top level, recorded as a move would be.
    uint8_t* raw = s.header.MutableBytes().data();
    std::memset(raw + R::kParent, 0, 16);
    StoreU32(raw + R::kChangeFlags, LoadU32(raw + R::kChangeFlags) | R::kFlagParentChanged);
    now.StoreTo(raw + R::kModified);
    moves.push_back({s.offset, std::vector<uint8_t>(raw, raw + R::kSize)});
  }
  if (moves.empty()) return 0;
  const int count = int(moves.size());
  return WriteInPlace(std::move(moves)) ? count : -1;
}

RepairStatus Wallet::Repair(Prompter* prompter, int* repairCount, int* reparented) {
  if (repairCount) *repairCount = 0;
  if (reparented) *reparented = 0;
  if (!prompter || path_.empty()) return RepairStatus::Declined;
  const std::u16string name = FileNameOf(path_);

  Message first;
  first.textNumber = kRepairQuestion;
  first.text = FormatText(TextOf(kRepairQuestion), {std::u16string_view(name)});
  first.captionNumber = kStrCaptionProgram;
  first.caption = std::u16string(TextOf(kStrCaptionProgram));
  first.buttons = Buttons::YesNo;
  first.icon = MessageIcon::Stop;
  if (prompter->Show(first) != Answer::Yes) return RepairStatus::Declined;
  Message second = first;
  second.textNumber = kRepairQuestionAgain;
  second.text = FormatText(TextOf(kRepairQuestionAgain), {std::u16string_view(name)});
  second.buttons = Buttons::OkCancel;
  second.icon = MessageIcon::Question;
  if (prompter->Show(second) != Answer::Ok) return RepairStatus::Declined;

  // Repair writes: the file must be open for writing.
  if (!file_.IsOpen() || file_.IsReadOnly()) {
    const std::string real = realPath_;
    file_.Close();
    if (file_.Open(real, platform::OpenMode::ReadWrite, platform::Links::Refuse) != platform::OpenResult::Ok)
      return RepairStatus::Failed;
  }

  // The walk reads the file as it is and collects its changes as edits; a
  // cut never changes the bytes after it, so walking on in the original
  // offsets finds exactly what walking the cut file would, and one rewrite
  // at the end makes all the changes at once.
  uint64_t size = 0;
  if (!file_.Size(&size)) return RepairStatus::Failed;
  int count = 0;
  std::vector<FileEdit> edits;
  uint64_t c = layout::kFirstRecordOffset;
  std::optional<uint64_t> end;
  uint8_t head[R::kSize];
  for (;;) {
    size_t got = 0;
    if (!file_.ReadAt(c, head, R::kSize, &got)) return RepairStatus::Failed;
    if (got == 0) break;
    if (got < R::kSize) {
      end = c;
      break;
    }
    bool failed = false;
    if (LooksLikeRecord(head)) {
      const uint64_t e = uint64_t(LoadU32(head + R::kPayloadLength)) + LoadU32(head + R::kBodyLength);
      const std::optional<uint64_t> n = NextStart(file_, c + R::kSize, &failed);
      if (failed) return RepairStatus::Failed;
      if (!n) {
        // The last record. One that claims more bytes than the file has is
        // a write that never finished (a power cut in an append): it goes,
        // and the file is never made longer.
        end = (c + R::kSize + e <= size) ? c + R::kSize + e : c;
        break;
      }
      const uint64_t distance = *n - c;
      if (distance > R::kSize + e) {
        edits.push_back({c + R::kSize + e, distance - R::kSize - e, {}, 0});  // the gap after it
        ++count;
      } else if (distance < R::kSize) {
        edits.push_back({c, distance, {}, 0});
        ++count;
      } else if (distance != R::kSize + e) {
        // The stated extent runs into the next record: keep the header
        // alone, without payload or body, and drop what lies between.
        std::memset(head + R::kExtentFieldsBegin, 0, R::kExtentFieldsEnd - R::kExtentFieldsBegin);
        edits.push_back({c, distance, std::vector<uint8_t>(head, head + R::kSize), 0});
        ++count;
      }
      c = *n;
      continue;
    }
    const std::optional<uint64_t> n = NextStart(file_, c + 1, &failed);
    if (failed) return RepairStatus::Failed;
    if (!n || *n <= c) {
      end = c;
      break;
    }
    edits.push_back({c, *n - c, {}, 0});  // bytes that are no record (not counted)
    c = *n;
  }
  // Only an end that shortens the file is a repair; a file is never made
  // longer.
  if (end && *end < size) {
    edits.push_back({*end, size - *end, {}, 0});
    ++count;
  }
  if (!edits.empty() && !RewriteFile(edits)) return RepairStatus::Failed;
  const int moved = ReparentOrphans();
  if (moved < 0) return RepairStatus::Failed;
  file_.Flush();
  Close();
  if (repairCount) *repairCount = count;
  if (reparented) *reparented = moved;

  Message done;
  done.textNumber = kRepairDone;
  done.text = FormatText(TextOf(kRepairDone), {int64_t(count), std::u16string_view(name)});
  if (moved > 0) done.text += u"\n\n" + FormatText(TextOf(kReparentedNotice), {int64_t(moved)});
  done.captionNumber = kStrCaptionProgram;
  done.caption = std::u16string(TextOf(kStrCaptionProgram));
  done.buttons = Buttons::Ok;
  done.icon = MessageIcon::Information;
  prompter->Show(done);
  return RepairStatus::Repaired;
}

}  // namespace tb::storage
