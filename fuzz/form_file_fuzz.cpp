// Fuzz target: a form exchange file from outside. Whatever is read must
// hold no more than a card may, and writing it out again must give a file
// that reads back as the same form.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "interchange/form_file.h"
#include "platform/core/file.h"
#include "storage/card.h"

namespace tb::fuzz {
namespace {

using namespace tb::storage;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "form file fuzz: %s\n", what);
  std::abort();
}

// A wallet's data key stands in for the wallet the form is read into.
const KeyContext& ReadingKey() {
  static const KeyContext key = [] {
    KeyContext k;
    k.SetKey({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    return k;
  }();
  return key;
}

std::u16string Of(const Text& t) { return std::u16string(t.data(), t.size()); }

// What the form keeps when it is written again: item lists belong to the
// choice kinds only, and media without bytes are not written.
std::u16string Summary(const Card& card) {
  std::u16string s = Of(card.record.Name()) + u'|' + char16_t(card.record.Icon() & 0xFFFF);
  for (uint32_t a : card.attributes) s += char16_t(a & 0xFFFF);
  for (const Field& f : card.fields) {
    s += u"|F" + std::u16string(1, char16_t(f.kind)) + Of(f.label) + u'=' + Of(f.value);
    if (f.kind == 11 || f.kind == 12)
      for (const Text& item : f.items) s += u'^' + Of(item);
  }
  if (card.picture && !card.picture->bytes.empty())
    s += u"|P" + std::u16string(1, char16_t(card.picture->bytes.size() & 0xFFFF)) + Of(card.picture->fileName);
  if (card.sound && !card.sound->bytes.empty())
    s += u"|S" + std::u16string(1, char16_t(card.sound->bytes.size() & 0xFFFF)) + Of(card.sound->fileName);
  for (const auto& a : card.attachments)
    if (a && a->InUse()) s += u"|A" + std::u16string(1, char16_t(a->bytes.size() & 0xFFFF)) + Of(a->fileName);
  return s;
}

interchange::FormReadStatus Read(const std::string& path, Card* card, interchange::FormFileHeader* header) {
  platform::File file;
  if (file.Open(path, platform::OpenMode::ReadOnly) != platform::OpenResult::Ok) Broken("a scratch file does not open");
  return interchange::ReadFormFile(card, &file, ReadingKey(), header);
}

}  // namespace
}  // namespace tb::fuzz

int FuzzFormFile(const uint8_t* data, size_t size) {
  using namespace tb::fuzz;
  using tb::interchange::FormReadStatus;
  ScratchFolder& scratch = ScratchFolder::Get();
  const std::string path = scratch.File("form.tbx");
  if (!WriteScratchFile(path, data, size)) return 0;
  Card card;
  tb::interchange::FormFileHeader header;
  if (Read(path, &card, &header) != FormReadStatus::Ok) {
    if (card.loaded || !card.fields.empty()) Broken("a refused file left a card behind");
    return 0;
  }
  if (card.fields.size() > kMaxFields) Broken("more fields than a card holds");
  if (card.record.Name().size() > 255) Broken("a name longer than its buffer");
  if (header.description.size() > 127 || header.author.size() > 63) Broken("a header text longer than its buffer");
  if (card.record.Key() != &ReadingKey()) Broken("the name is not under the reading key");

  const std::string again = scratch.File("again.tbx");
  tb::platform::RemoveFile(again);
  {
    tb::platform::File out;
    if (out.Open(again, tb::platform::OpenMode::CreateNew) != tb::platform::OpenResult::Ok) return 0;
    if (tb::interchange::WriteFormFile(&card, &out, true, header.author, header.description) !=
        tb::interchange::FormWriteStatus::Ok)
      Broken("a form read cannot be written again");
  }
  Card reread;
  tb::interchange::FormFileHeader rereadHeader;
  if (Read(again, &reread, &rereadHeader) != FormReadStatus::Ok) Broken("a written form is refused");
  if (Summary(reread) != Summary(card)) Broken("a written form reads back differently");
  if (rereadHeader.author != header.author || rereadHeader.description != header.description)
    Broken("the header texts changed on the way");
  return 0;
}
