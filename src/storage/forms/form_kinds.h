#pragma once
// Kind numbers of form definitions (the built-in table and custom-form
// definition text), their keywords in that text, and how they become field
// kinds. A definition also carries a masked flag: a secret field, which
// always becomes a password field whatever its kind number says.
#include <cstdint>
#include <string_view>

#include "storage/forms/field_kinds.h"

namespace tb::storage {

namespace form_kind {
inline constexpr int kInvalid = -1;      // a definition line without a keyword
inline constexpr int kPlain = 0;         // TBF_DEFAULT, or TBF_PIN when masked
inline constexpr int kCapitals = 1;      // TBF_UPPERALL
inline constexpr int kFirstCapital = 2;  // TBF_UPPERFIRST
inline constexpr int kWebAddress = 3;    // TBF_URL
inline constexpr int kText = 5;          // built-in table only
inline constexpr int kDate = 8;          // TBF_DATE
inline constexpr int kYesNo = 9;         // TBF_YESNO
inline constexpr int kTelephone = 11;    // TBF_TEL
inline constexpr int kEmail = 15;        // TBF_EMAIL
inline constexpr int kLink = 16;         // TBF_LINK
inline constexpr int kTime = 17;         // TBF_TIME
inline constexpr int kDateTime = 18;     // built-in table only
}  // namespace form_kind

// Field kind of a new card's field made from a built-in definition.
FieldKind BuiltInFieldKind(int formKind, bool masked);

// Field kind of a field made when an old wallet's card is converted.
FieldKind LegacyFieldKind(int formKind, bool masked);

struct ParsedFormKind {
  int kind = form_kind::kInvalid;
  bool masked = false;
};

// Finds the kind keyword anywhere in a definition line. The keywords are
// tried in a fixed order and the first one the line contains decides, so a
// line holding both TBF_DEFAULT and TBF_PIN is plain text, and a label that
// happens to contain an earlier keyword overrides the line's own keyword.
// Letters are compared without regard to case, as every keyword of the
// definition text is. No keyword: kind form_kind::kInvalid.
ParsedFormKind FormKindFromKeywordLine(std::u16string_view line);

// The keyword that writes a definition of this kind back as text: TBF_PIN
// for every masked definition (its kind does not matter once it is secret),
// empty for kinds the text has no word for (5, 18 and unknown numbers).
std::u16string_view KeywordFor(int formKind, bool masked);

}  // namespace tb::storage
