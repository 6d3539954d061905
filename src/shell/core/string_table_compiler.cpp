#include "shell/core/string_table_compiler.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "shell/core/language_module_format.h"

namespace tb::shell {
namespace {

namespace fmt = module_format;

constexpr size_t kMaxSourceBytes = 16u * 1024 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::optional<uint16_t> ParseHex4(std::string_view s) {
  if (s.size() != 4) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return std::nullopt;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return static_cast<uint16_t>(v);
}

// Strict UTF-8 to UTF-16: no overlong forms, no surrogates, nothing past
// U+10FFFF, no NUL (a NUL would cut the text short when it is read).
bool DecodeUtf8(std::string_view in, std::u16string* out) {
  size_t i = 0;
  while (i < in.size()) {
    const auto b0 = static_cast<uint8_t>(in[i]);
    uint32_t cp;
    size_t extra;
    if (b0 < 0x80) {
      cp = b0;
      extra = 0;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      cp = b0 & 0x1Fu;
      extra = 1;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      cp = b0 & 0x0Fu;
      extra = 2;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      cp = b0 & 0x07u;
      extra = 3;
    } else return false;
    if (in.size() - i - 1 < extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto b = static_cast<uint8_t>(in[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    if (cp == 0) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += 1 + extra;
  }
  return true;
}

bool Unescape(std::string_view raw, std::string* out, std::string* why) {
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\') {
      out->push_back(raw[i]);
      continue;
    }
    if (i + 1 == raw.size()) {
      *why = "a backslash ends the line";
      return false;
    }
    switch (raw[++i]) {
      case 'n': out->push_back('\n'); break;
      case 'r': out->push_back('\r'); break;
      case 't': out->push_back('\t'); break;
      case 's': out->push_back(' '); break;
      case '\\': out->push_back('\\'); break;
      default: *why = std::string("unknown escape \\") + raw[i]; return false;
    }
  }
  return true;
}

bool ParseNumber(std::string_view s, uint32_t* number) {
  if (s.empty() || s.size() > 5) return false;
  uint32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  if (v > 0xFFFF) return false;
  *number = v;
  return true;
}

bool Fail(CompileError* error, size_t line, std::string message) {
  if (error) {
    error->line = line;
    error->message = std::move(message);
  }
  return false;
}

}  // namespace

std::optional<uint16_t> LanguageIdFromFileName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.size() != 8 || name.substr(4) != ".txt") return std::nullopt;
  return ParseHex4(name.substr(0, 4));
}

bool ParseStringTable(std::string_view source, std::optional<uint16_t> languageFromName, StringTable* out,
                      CompileError* error) {
  StringTable table;
  std::optional<uint16_t> language = languageFromName;
  std::set<uint32_t> seen;
  if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);

  size_t lineNo = 0;
  size_t pos = 0;
  while (pos < source.size()) {
    ++lineNo;
    const size_t nl = source.find('\n', pos);
    const size_t end = nl == std::string_view::npos ? source.size() : nl;
    std::string_view line = source.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trim(line);
    if (line.empty()) continue;

    if (line.front() == '#') {
      std::string_view rest = line.substr(1);
      if (rest.substr(0, 4) == "lang" && (rest.size() == 4 || IsBlank(rest[4]))) {
        auto id = ParseHex4(Trim(rest.substr(4)));
        if (!id) return Fail(error, lineNo, "#lang wants four hexadecimal digits");
        language = id;
      }
    } else if (line.front() == '[') {
      if (line.back() != ']') return Fail(error, lineNo, "a group heading must end with ']'");
    } else {
      const size_t eq = line.find('=');
      if (eq == std::string_view::npos) return Fail(error, lineNo, "expected NUMBER = TEXT");
      uint32_t number = 0;
      if (!ParseNumber(Trim(line.substr(0, eq)), &number))
        return Fail(error, lineNo, "the string number must be 0..65535");
      if (!seen.insert(number).second)
        return Fail(error, lineNo, "string " + std::to_string(number) + " is defined twice");
      std::string bytes, why;
      if (!Unescape(Trim(line.substr(eq + 1)), &bytes, &why)) return Fail(error, lineNo, why);
      StringEntry entry;
      entry.number = number;
      if (!DecodeUtf8(bytes, &entry.text)) return Fail(error, lineNo, "the text is not valid UTF-8");
      table.entries.push_back(std::move(entry));
    }
  }

  if (!language) return Fail(error, 0, "no language: name the file <langid>.txt or add a #lang line");
  table.languageId = *language;
  std::sort(table.entries.begin(), table.entries.end(),
            [](const StringEntry& a, const StringEntry& b) { return a.number < b.number; });
  *out = std::move(table);
  return true;
}

std::string BuildModule(const StringTable& table) {
  const size_t count = table.entries.size();
  size_t textBytes = 0;
  for (const auto& e : table.entries) textBytes += (e.text.size() + 1) * 2;
  const size_t tableEnd = fmt::kHeaderSize + count * fmt::kEntrySize;
  std::string bytes(tableEnd + textBytes, '\0');
  auto* p = reinterpret_cast<uint8_t*>(bytes.data());

  std::copy(std::begin(fmt::kMagic), std::end(fmt::kMagic), bytes.begin());
  fmt::PutU16(p + fmt::kOffVersion, fmt::kVersion);
  fmt::PutU16(p + fmt::kOffLanguage, table.languageId);
  fmt::PutU32(p + fmt::kOffCount, static_cast<uint32_t>(count));
  fmt::PutU32(p + fmt::kOffFileSize, static_cast<uint32_t>(bytes.size()));

  size_t at = tableEnd;  // even: the header and entries are even-sized
  for (size_t i = 0; i < count; ++i) {
    const auto& e = table.entries[i];
    uint8_t* entry = p + fmt::kHeaderSize + i * fmt::kEntrySize;
    fmt::PutU32(entry + fmt::kEntryOffNumber, e.number);
    fmt::PutU32(entry + fmt::kEntryOffText, static_cast<uint32_t>(at));
    fmt::PutU32(entry + fmt::kEntryOffLength, static_cast<uint32_t>(e.text.size()));
    for (char16_t c : e.text) {
      fmt::PutU16(p + at, static_cast<uint16_t>(c));
      at += 2;
    }
    at += 2;  // the terminator, already zero
  }
  return bytes;
}

bool CompileStringTableFile(const std::string& sourcePath, const std::string& outPath, std::string* message) {
  auto fail = [&](const std::string& what) {
    if (message) *message = what;
    return false;
  };
  std::ifstream in(sourcePath, std::ios::binary);
  if (!in) return fail(sourcePath + ": cannot be read");
  std::string source;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    source.append(buffer, static_cast<size_t>(in.gcount()));
    if (source.size() > kMaxSourceBytes) return fail(sourcePath + ": too large for a string table");
  }
  if (in.bad()) return fail(sourcePath + ": read failed");

  StringTable table;
  CompileError error;
  if (!ParseStringTable(source, LanguageIdFromFileName(sourcePath), &table, &error)) {
    std::string where = sourcePath;
    if (error.line) where += ":" + std::to_string(error.line);
    return fail(where + ": " + error.message);
  }

  const std::string bytes = BuildModule(table);
  const std::string temp = outPath + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temp.c_str());
      return fail(outPath + ": cannot be written");
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, outPath, ec);
  if (ec) {
    std::remove(temp.c_str());
    return fail(outPath + ": " + ec.message());
  }
  return true;
}

}  // namespace tb::shell
