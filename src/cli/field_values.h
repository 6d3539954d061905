#pragma once
// Setting card fields from "LABEL=VALUE" arguments: fields are found by
// label ("LABEL#k" for the k-th of several with that label), "LABEL=-"
// reads the value as a secret answer, and the value is taken as the
// field's kind wants it (ISO 8601 dates and times, yes/no for check boxes).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/system_time.h"
#include "storage/card.h"

namespace tb::cli {

class Session;

enum class IsoForm { Date, Time, DateTime };
// "2026-12-10", "14:30" or "14:30:05", "2026-12-10T14:30[:05]" (a space in
// place of the T is taken too). The day of the week is filled in.
std::optional<platform::SystemTime> ParseIsoDateTime(std::string_view text, IsoForm* form = nullptr);

// Applies each assignment to the card. kExitOk, or the error printed and
// kExitUsage (malformed argument or value) or kExitFailed (no such field,
// no answer on standard input).
int ApplyAssignments(Session& s, storage::Card& card, const std::vector<std::string>& assignments);

// The field a label argument names, found as an assignment's label is.
// kExitOk with *field set, or the error printed and kExitFailed.
int FindFieldByLabel(Session& s, storage::Card& card, const std::string& labelArg, storage::Field** field);

}  // namespace tb::cli
