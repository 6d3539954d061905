#pragma once
// The kinds of card field. The number is stored in every field (u16) and
// decides how the value is kept, shown and edited.
#include <cstdint>

namespace tb::storage {

enum class FieldKind : uint16_t {
  Text = 1,
  UnofferedText = 2,  // never offered in the designer; behaves as text
  WebAddress = 3,     // tapping opens the browser
  Link = 4,           // telephone, web or e-mail, told apart by its text
  Email = 5,          // tapping starts a message
  Telephone = 6,      // tapping dials
  Password = 7,       // shown masked
  Date = 8,           // value kept as a SYSTEMTIME
  Time = 9,           // value kept as a SYSTEMTIME
  DateTime = 10,      // value kept as a SYSTEMTIME
  YesNo = 11,         // items: the yes word and the no word
  Selection = 12,     // items: up to 128 choices, free text allowed
  CheckBox = 13,      // "1" yes, "0" no, "2" or empty undecided
  Numbers = 14,       // never offered; numbers input mode on keypads
  TextCapFirst = 15,  // input capitalises the first letter
  TextCapWords = 16,  // input capitalises every word
};

// Bit of a field's flag word marking the notes field that the conversion of
// old wallets adds; the designer then keeps that field to text-like kinds.
inline constexpr uint16_t kNotesFieldFlag = 8;

// Label string of that notes field.
inline constexpr uint32_t kNotesLabelString = 24516;

// Kinds whose value is free text edited in one edit control.
constexpr bool IsTextLike(FieldKind kind) {
  switch (kind) {
    case FieldKind::Text:
    case FieldKind::WebAddress:
    case FieldKind::Link:
    case FieldKind::Email:
    case FieldKind::Telephone:
    case FieldKind::Password:
    case FieldKind::Numbers:
    case FieldKind::TextCapFirst:
    case FieldKind::TextCapWords: return true;
    default: return false;
  }
}

// Kinds whose value is a date/time record instead of text.
constexpr bool IsDateTimeKind(FieldKind kind) {
  return kind == FieldKind::Date || kind == FieldKind::Time || kind == FieldKind::DateTime;
}

// Kinds that keep a list of items ("^" between them in the file).
constexpr bool HasItemList(FieldKind kind) { return kind == FieldKind::YesNo || kind == FieldKind::Selection; }

// A kind number as a field stores it. A number no kind has compares unequal
// to every name and behaves as text.
constexpr FieldKind AsFieldKind(uint16_t number) { return FieldKind(number); }

// Language string naming the kind in the designer's kind list; 0 for the
// kinds that are never offered there (2, 14) and for unknown numbers.
constexpr uint32_t FieldKindNameString(FieldKind kind) {
  switch (kind) {
    case FieldKind::Text: return 24500;
    case FieldKind::TextCapFirst: return 24501;
    case FieldKind::TextCapWords: return 24502;
    case FieldKind::WebAddress: return 24504;
    case FieldKind::Email: return 24505;
    case FieldKind::Telephone: return 24506;
    case FieldKind::Password: return 24507;
    case FieldKind::Date: return 24508;
    case FieldKind::Time: return 24509;
    case FieldKind::DateTime: return 24510;
    case FieldKind::YesNo: return 24511;
    case FieldKind::Selection: return 24512;
    case FieldKind::CheckBox: return 24513;
    case FieldKind::Link: return 24515;
    default: return 0;
  }
}

}  // namespace tb::storage
