#include "storage/format_text.h"

#include <vector>

namespace tb::storage {

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args) {
  // Module strings come from files beside the program: a width is at most
  // kMaxWidth (as in the program's own formatter), so "%0999999d" cannot
  // make a text of a million characters, and padding is appended once.
  constexpr size_t kMaxWidth = 32;
  std::vector<FormatArg> list(args);
  size_t next = 0;
  std::u16string out;
  out.reserve(format.size() + 32);
  for (size_t i = 0; i < format.size(); ++i) {
    const char16_t c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    // Optional zero-padded width, as in %02d.
    size_t j = i + 1;
    bool zero = false;
    size_t width = 0;
    if (format[j] == u'0') {
      zero = true;
      ++j;
    }
    while (j < format.size() && format[j] >= u'0' && format[j] <= u'9' && width <= kMaxWidth)
      width = width * 10 + size_t(format[j++] - u'0');
    if (j >= format.size() || width > kMaxWidth) {
      // Not a placeholder of ours: the text stays as written.
      out += c;
      continue;
    }
    const char16_t conv = format[j];
    if (conv == u'%') {
      out += u'%';
      i = j;
      continue;
    }
    if (conv != u's' && conv != u'd' && conv != u'u') {
      out += c;
      continue;
    }
    i = j;
    if (next >= list.size()) continue;
    const FormatArg& arg = list[next++];
    if (const auto* text = std::get_if<std::u16string_view>(&arg)) {
      if (text->size() < width) out.append(width - text->size(), zero ? u'0' : u' ');
      out.append(*text);
    } else {
      const int64_t v = std::get<int64_t>(arg);
      const std::string digits = std::to_string(v);
      const bool negative = v < 0;
      const size_t pad = digits.size() < width ? width - digits.size() : 0;
      if (!zero) out.append(pad, u' ');
      if (negative) out += u'-';
      if (zero) out.append(pad, u'0');
      out.append(digits.begin() + (negative ? 1 : 0), digits.end());
    }
  }
  return out;
}

}  // namespace tb::storage
