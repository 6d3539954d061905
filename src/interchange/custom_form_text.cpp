#include "interchange/custom_form_text.h"

#include <algorithm>
#include <cstring>

#include "platform/core/text_convert.h"
#include "storage/forms/form_kinds.h"

namespace tb::interchange {

namespace {

constexpr size_t kMaxLineBytes = 512;
constexpr size_t kMaxNumberLength = 10;  // "fewer than 11 characters"
constexpr size_t kMaxIconLength = 2;     // "fewer than 3 characters"

// Hands out the text's lines: each up to its LF, at most 512 bytes (a
// longer line goes on as the next one), without its CR LF.
class LineReader {
 public:
  LineReader(std::string_view bytes, bool utf16) : bytes_(bytes), utf16_(utf16) {}

  bool Next(std::u16string* line) {
    const size_t unit = utf16_ ? 2 : 1;
    if (pos_ + unit > bytes_.size()) return false;
    const size_t limit = pos_ + std::min(kMaxLineBytes, bytes_.size() - pos_) / unit * unit;
    std::string single;
    line->clear();
    while (pos_ + unit <= limit) {
      const char16_t c =
          utf16_ ? char16_t(uint8_t(bytes_[pos_]) | (uint8_t(bytes_[pos_ + 1]) << 8)) : char16_t(uint8_t(bytes_[pos_]));
      pos_ += unit;
      if (c == u'\n') break;
      if (utf16_) line->push_back(c);
      else single.push_back(char(c));
    }
    if (!utf16_) *line = platform::FromWindows1252(single);
    if (!line->empty() && line->back() == u'\r') line->pop_back();
    return true;
  }

 private:
  std::string_view bytes_;
  bool utf16_;
  size_t pos_ = 0;
};

// Comment and trailing spaces off; leading spaces stay.
void Clean(std::u16string& line) {
  const size_t semicolon = line.find(u';');
  if (semicolon != std::u16string::npos) line.resize(semicolon);
  while (!line.empty() && line.back() == u' ') line.pop_back();
}

bool EqualsFolded(std::u16string_view line, std::string_view word) {
  if (line.size() != word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (platform::ToLowerChar(line[i]) != platform::ToLowerChar(char16_t(uint8_t(word[i])))) return false;
  return true;
}

// A decimal number read as the old program read it: leading spaces, a sign,
// then digits up to the first other character; no digits give 0. The
// callers bound the length, so the value is clamped only to be safe.
int32_t DecimalValue(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  return int32_t(value);
}

std::u16string Cut(std::u16string_view text, size_t units) {
  return std::u16string(text.substr(0, std::min(text.size(), units)));
}

size_t SkipSpaces(std::u16string_view line, size_t p) {
  while (p < line.size() && line[p] == u' ') ++p;
  return p;
}

// "number keyword label": false when the line is malformed.
bool ParseFieldLine(std::u16string_view line, CustomFormFieldDefinition* field) {
  const size_t firstSpace = line.find(u' ');
  if (firstSpace == std::u16string_view::npos || firstSpace > kMaxNumberLength) return false;
  const size_t keyword = SkipSpaces(line, firstSpace);
  const size_t secondSpace = line.find(u' ', keyword);
  if (secondSpace == std::u16string_view::npos) return false;
  const storage::ParsedFormKind kind = storage::FormKindFromKeywordLine(line);
  if (kind.kind == storage::form_kind::kInvalid) return false;
  field->number = DecimalValue(line.substr(0, firstSpace));
  field->formKind = kind.kind;
  field->pin = kind.masked;
  field->label = Cut(line.substr(SkipSpaces(line, secondSpace)), kMaxDefinitionTextUnits);
  return true;
}

bool StartsWithSingleByte(std::string_view bytes, std::string_view header) {
  return bytes.size() >= header.size() && std::memcmp(bytes.data(), header.data(), header.size()) == 0;
}

bool StartsWithUtf16(std::string_view bytes, std::string_view header) {
  if (bytes.size() / 2 < header.size()) return false;
  for (size_t i = 0; i < header.size(); ++i)
    if (bytes[2 * i] != header[i] || bytes[2 * i + 1] != 0) return false;
  return true;
}

}  // namespace

DefinitionTextStatus ParseCustomFormText(std::string_view bytes, std::vector<CustomFormDefinition>* forms,
                                         bool countOnly, int* count) {
  if (count) *count = 0;
  const std::string_view header(kCustomFormsHeader);
  bool utf16 = false;
  if (!StartsWithSingleByte(bytes, header)) {
    if (!StartsWithUtf16(bytes, header)) return DefinitionTextStatus::NoHeader;
    utf16 = true;
  }

  enum class Expect { Outside, Name, Number, Icon, Fields };
  Expect expect = Expect::Outside;
  CustomFormDefinition current;
  bool malformed = false;
  LineReader reader(bytes, utf16);
  std::u16string line;
  while (reader.Next(&line)) {
    Clean(line);
    if (line.empty()) continue;
    // A malformed line ends the parse once the line after it has been read.
    if (malformed) return DefinitionTextStatus::Malformed;
    switch (expect) {
      case Expect::Outside:
        if (EqualsFolded(line, "<MyForm>")) {
          current = {};
          expect = Expect::Name;
        }
        break;
      case Expect::Name:
        current.name = Cut(line, kMaxDefinitionTextUnits);
        expect = Expect::Number;
        break;
      case Expect::Number:
        if (line.size() > kMaxNumberLength) malformed = true;
        current.number = DecimalValue(line);
        expect = Expect::Icon;
        break;
      case Expect::Icon:
        if (line.size() > kMaxIconLength) malformed = true;
        current.icon = DecimalValue(line);
        expect = Expect::Fields;
        break;
      case Expect::Fields:
        if (EqualsFolded(line, "<EndForm>")) {
          if (!current.fields.empty() && current.number >= kFirstCustomFormNumber) {
            if (count) ++*count;
            if (forms && !countOnly) forms->push_back(std::move(current));
          }
          current = {};
          expect = Expect::Outside;
        } else if (EqualsFolded(line, "<MyForm>")) {
          current = {};
          expect = Expect::Name;
        } else if (current.fields.size() < kMaxDefinitionFields) {
          CustomFormFieldDefinition field;
          if (ParseFieldLine(line, &field)) current.fields.push_back(std::move(field));
          else malformed = true;
        }
        break;
    }
  }
  // A malformed last line is still a malformed text.
  return malformed ? DefinitionTextStatus::Malformed : DefinitionTextStatus::Ok;
}

void ReadLegacyCustomForms(std::string_view bytes, std::vector<storage::LegacyCustomForm>* forms) {
  std::vector<CustomFormDefinition> definitions;
  ParseCustomFormText(bytes, &definitions);
  for (CustomFormDefinition& d : definitions) {
    storage::LegacyCustomForm form;
    form.number = d.number;
    form.name = storage::ToText(d.name);
    form.icon = d.icon;
    for (const CustomFormFieldDefinition& f : d.fields)
      form.fields.push_back({f.number, f.formKind, f.pin, storage::ToText(f.label)});
    forms->push_back(std::move(form));
  }
}

}  // namespace tb::interchange
