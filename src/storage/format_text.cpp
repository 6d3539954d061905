#include "storage/format_text.h"

#include <vector>

namespace tb::storage {

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args) {
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
    int width = 0;
    if (format[j] == u'0') {
      zero = true;
      ++j;
    }
    while (j < format.size() && format[j] >= u'0' && format[j] <= u'9') width = width * 10 + (format[j++] - u'0');
    if (j >= format.size()) {
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
    std::u16string piece;
    if (const auto* text = std::get_if<std::u16string_view>(&arg)) {
      piece.assign(text->data(), text->size());
    } else {
      const int64_t v = std::get<int64_t>(arg);
      const std::string digits = std::to_string(v);
      piece.assign(digits.begin(), digits.end());
    }
    while (int(piece.size()) < width) piece.insert(piece.begin(), zero ? u'0' : u' ');
    out += piece;
  }
  return out;
}

}  // namespace tb::storage
