#include "storage/forms/form_kinds.h"

#include <array>

namespace tb::storage {

FieldKind BuiltInFieldKind(int formKind, bool masked) {
  if (masked) return FieldKind::Password;
  switch (formKind) {
    case form_kind::kWebAddress: return FieldKind::WebAddress;
    case form_kind::kEmail: return FieldKind::Email;
    case form_kind::kTelephone: return FieldKind::Telephone;
    case form_kind::kDate: return FieldKind::Date;
    case form_kind::kTime: return FieldKind::Time;
    case form_kind::kDateTime: return FieldKind::DateTime;
    default: return FieldKind::Text;
  }
}

FieldKind LegacyFieldKind(int formKind, bool masked) {
  if (masked) return FieldKind::Password;
  switch (formKind) {
    case form_kind::kPlain: return FieldKind::Text;
    case form_kind::kWebAddress: return FieldKind::WebAddress;
    case form_kind::kTelephone: return FieldKind::Telephone;
    case form_kind::kEmail: return FieldKind::Email;
    default: return FieldKind::TextCapFirst;
  }
}

namespace {

struct Keyword {
  std::u16string_view word;
  int kind;
  bool masked;
};

// Search order matters: the first keyword found in the line wins.
constexpr std::array<Keyword, 11> kKeywords{{
    {u"TBF_DEFAULT", form_kind::kPlain, false},
    {u"TBF_PIN", form_kind::kPlain, true},
    {u"TBF_UPPERALL", form_kind::kCapitals, false},
    {u"TBF_UPPERFIRST", form_kind::kFirstCapital, false},
    {u"TBF_URL", form_kind::kWebAddress, false},
    {u"TBF_EMAIL", form_kind::kEmail, false},
    {u"TBF_TEL", form_kind::kTelephone, false},
    {u"TBF_LINK", form_kind::kLink, false},
    {u"TBF_DATE", form_kind::kDate, false},
    {u"TBF_TIME", form_kind::kTime, false},
    {u"TBF_YESNO", form_kind::kYesNo, false},
}};

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// The keywords are upper-case ASCII, so folding the line's letters is enough.
bool ContainsFolded(std::u16string_view line, std::u16string_view word) {
  if (word.size() > line.size()) return false;
  for (size_t start = 0; start + word.size() <= line.size(); ++start) {
    size_t i = 0;
    while (i < word.size() && FoldAscii(line[start + i]) == word[i]) ++i;
    if (i == word.size()) return true;
  }
  return false;
}

}  // namespace

ParsedFormKind FormKindFromKeywordLine(std::u16string_view line) {
  for (const Keyword& keyword : kKeywords) {
    if (ContainsFolded(line, keyword.word)) return {keyword.kind, keyword.masked};
  }
  return {};
}

std::u16string_view KeywordFor(int formKind, bool masked) {
  if (masked) return u"TBF_PIN";
  for (const Keyword& keyword : kKeywords) {
    if (!keyword.masked && keyword.kind == formKind) return keyword.word;
  }
  return {};
}

}  // namespace tb::storage
