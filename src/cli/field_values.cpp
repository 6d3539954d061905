#include "cli/field_values.h"

#include <ostream>

#include "cli/session.h"
#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "storage/forms/field_kinds.h"

namespace tb::cli {

namespace {

bool Digits(std::string_view text, size_t at, size_t count, int* value) {
  if (at + count > text.size()) return false;
  int v = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  *value = v;
  return true;
}

bool ParseDate(std::string_view text, platform::SystemTime* t) {
  int y, m, d;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, &y) || !Digits(text, 5, 2, &m) ||
      !Digits(text, 8, 2, &d))
    return false;
  t->year = uint16_t(y);
  t->month = uint16_t(m);
  t->day = uint16_t(d);
  return true;
}

bool ParseTime(std::string_view text, platform::SystemTime* t) {
  int h, mi, se = 0;
  if (text.size() != 5 && text.size() != 8) return false;
  if (text[2] != ':' || !Digits(text, 0, 2, &h) || !Digits(text, 3, 2, &mi)) return false;
  if (text.size() == 8 && (text[5] != ':' || !Digits(text, 6, 2, &se))) return false;
  if (h > 23 || mi > 59 || se > 59) return false;
  t->hour = uint16_t(h);
  t->minute = uint16_t(mi);
  t->second = uint16_t(se);
  return true;
}

// Fills the day of the week; false when the date is not a real one.
bool Complete(platform::SystemTime* t) {
  t->milliseconds = 0;
  if (!platform::IsValidSystemTime(*t)) return false;
  t->dayOfWeek = platform::FromEpochSeconds(platform::ToEpochSeconds(*t)).dayOfWeek;
  return true;
}

struct Assignment {
  std::string labelArg;  // as written, for messages
  std::u16string label;
  std::u16string value;
  bool fromAnswer = false;
};

std::u16string Lowered(std::u16string text) {
  platform::ToLowerInPlace(text);
  return text;
}

std::vector<size_t> FieldsLabelled(const storage::Card& card, std::u16string_view label, bool foldCase) {
  std::vector<size_t> found;
  const std::u16string wanted = foldCase ? Lowered(std::u16string(label)) : std::u16string(label);
  for (size_t i = 0; i < card.fields.size(); ++i) {
    std::u16string have(card.fields[i].label.data(), card.fields[i].label.size());
    if (foldCase) have = Lowered(std::move(have));
    if (have == wanted) found.push_back(i);
  }
  return found;
}

// The field an assignment names: exact label, then "LABEL#k", then the
// label without regard to case.
int FindField(Session& s, storage::Card& card, const Assignment& a, storage::Field** field) {
  std::vector<size_t> found = FieldsLabelled(card, a.label, false);
  size_t occurrence = 0;
  if (found.empty()) {
    const size_t hash = a.label.rfind(u'#');
    if (hash != std::u16string::npos && hash + 1 < a.label.size()) {
      size_t k = 0;
      bool number = a.label.size() - hash - 1 <= 4;
      for (size_t i = hash + 1; number && i < a.label.size(); ++i) {
        if (a.label[i] < u'0' || a.label[i] > u'9') number = false;
        else k = k * 10 + size_t(a.label[i] - u'0');
      }
      if (number && k >= 1) {
        const std::u16string base = a.label.substr(0, hash);
        found = FieldsLabelled(card, base, false);
        if (found.empty()) found = FieldsLabelled(card, base, true);
        if (found.empty()) return s.Fail("the card has no field labelled " + Utf8(base));
        if (k > found.size())
          return s.Fail("the card has " + std::to_string(found.size()) + " fields labelled " + Utf8(base) + ", not " +
                        std::to_string(k));
        occurrence = k;
      }
    }
  }
  if (found.empty()) found = FieldsLabelled(card, a.label, true);
  if (found.empty()) return s.Fail("the card has no field labelled " + a.labelArg);
  if (occurrence == 0 && found.size() > 1)
    return s.Fail(std::to_string(found.size()) + " fields are labelled " + a.labelArg + "; write " + a.labelArg +
                  "#1 to " + a.labelArg + "#" + std::to_string(found.size()) + " for one of them");
  *field = &card.fields[occurrence == 0 ? found.front() : found[occurrence - 1]];
  return kExitOk;
}

int SetFieldValue(Session& s, storage::Field& field, const Assignment& a) {
  using storage::FieldKind;
  const FieldKind kind = FieldKind(field.kind);
  if (a.value.empty()) {
    field.SetValue(u"");
    return kExitOk;
  }
  if (storage::IsDateTimeKind(kind)) {
    IsoForm form;
    std::optional<platform::SystemTime> t = ParseIsoDateTime(Utf8(a.value), &form);
    const bool fits = t && ((kind == FieldKind::Date && form != IsoForm::Time) ||
                            (kind == FieldKind::Time && form != IsoForm::Date) ||
                            (kind == FieldKind::DateTime && form != IsoForm::Time));
    if (!fits) {
      const char* wanted = kind == FieldKind::Date   ? "a date such as 2026-12-10"
                           : kind == FieldKind::Time ? "a time such as 14:30 or 14:30:05"
                                                     : "a date and time such as 2026-12-10T14:30:00";
      return s.Usage("the value for " + a.labelArg + " must be " + wanted);
    }
    if (form == IsoForm::Time) {
      // A time picker keeps today's date with the time it shows.
      const platform::SystemTime today = platform::LocalTime();
      t->year = today.year;
      t->month = today.month;
      t->day = today.day;
      Complete(&*t);
    }
    field.SetDateTime(*t);
    return kExitOk;
  }
  if (kind == FieldKind::CheckBox) {
    const std::string v = Utf8(a.value);
    if (IsYesAnswer(v, s.Texts())) field.SetValue(u"1");
    else if (IsNoAnswer(v, s.Texts())) field.SetValue(u"0");
    else return s.Usage("the value for " + a.labelArg + " must be yes, no, 1 or 0");
    return kExitOk;
  }
  field.SetValue(a.value);
  return kExitOk;
}

}  // namespace

std::optional<platform::SystemTime> ParseIsoDateTime(std::string_view text, IsoForm* form) {
  platform::SystemTime t;
  IsoForm f;
  if (text.size() == 10 && ParseDate(text, &t)) {
    f = IsoForm::Date;
  } else if ((text.size() == 5 || text.size() == 8) && ParseTime(text, &t)) {
    f = IsoForm::Time;
    if (form) *form = f;
    return t;  // no date: the caller supplies one
  } else if (text.size() > 11 && (text[10] == 'T' || text[10] == 't' || text[10] == ' ') &&
             ParseDate(text.substr(0, 10), &t) && ParseTime(text.substr(11), &t)) {
    f = IsoForm::DateTime;
  } else {
    return std::nullopt;
  }
  if (!Complete(&t)) return std::nullopt;
  if (form) *form = f;
  return t;
}

int ApplyAssignments(Session& s, storage::Card& card, const std::vector<std::string>& assignments) {
  for (const std::string& arg : assignments) {
    const size_t eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) return s.Usage("expected LABEL=VALUE, not " + arg);
    Assignment a;
    a.labelArg = arg.substr(0, eq);
    const std::string value = arg.substr(eq + 1);
    if (!ArgumentText(a.labelArg, &a.label) || !ArgumentText(value, &a.value))
      return s.Usage("the argument " + a.labelArg + " is not UTF-8");
    storage::Field* field = nullptr;
    if (int rc = FindField(s, card, a, &field); rc != kExitOk) return rc;
    if (field->kind == uint16_t(storage::FieldKind::Password) && value != "-" && !value.empty())
      return s.Usage(
          "a password written in an argument can be read by every user of this machine in the "
          "process list, and stays in the shell's history; write " +
          a.labelArg +
          "=- and give the value as an answer (at the prompt, or as the next line of standard "
          "input)");
    if (value == "-") {
      storage::Text secret;
      if (!s.ReadSecret("Value for " + a.labelArg + ": ", &secret)) return kExitFailed;
      a.value.assign(secret.data(), secret.size());
      a.fromAnswer = true;
    }
    const int rc = SetFieldValue(s, *field, a);
    if (a.fromAnswer) storage::SecureWipe(a.value.data(), a.value.size() * sizeof(char16_t));
    if (rc != kExitOk) return rc;
  }
  return kExitOk;
}

int FindFieldByLabel(Session& s, storage::Card& card, const std::string& labelArg, storage::Field** field) {
  Assignment a;
  a.labelArg = labelArg;
  if (labelArg.empty()) return s.Usage("a field label is empty");
  if (!ArgumentText(labelArg, &a.label)) return s.Usage("the label " + labelArg + " is not UTF-8");
  return FindField(s, card, a, field);
}

}  // namespace tb::cli
