#pragma once
// printf-style filling of module strings: %s takes the next text, %d the
// next number; %% is a percent sign. A placeholder without an argument
// prints nothing, and arguments without a placeholder are ignored.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tb::storage {

using FormatArg = std::variant<std::u16string_view, int64_t>;

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args);

}  // namespace tb::storage
