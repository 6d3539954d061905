#include "platform/core/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "platform/core/file.h"
#include "platform/core/text_convert.h"

namespace tb::platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
// The settings of one program are a few kilobytes; anything near this is
// not our file, and reading it is refused rather than allocated.
constexpr uint64_t kMaxFileBytes = 16u << 20;
// Bytes of a binary value per line before it is continued on the next.
constexpr size_t kHexBytesPerLine = 24;

std::string FoldKey(const std::string& key) {
  std::u16string wide = FromUtf8(key);
  ToLowerInPlace(wide);
  return ToUtf8(wide);
}

std::u16string FoldName(std::u16string name) {
  ToLowerInPlace(name);
  return name;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }
bool HasLineBreak(std::u16string_view s) { return s.find_first_of(u"\r\n") != std::u16string_view::npos; }

// A key name must fit in one "[...]" line of the file.
bool IsUsableKey(const std::string& key) { return !key.empty() && !HasLineBreak(key); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (a != prefix[i]) return false;
  }
  return true;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string_view Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// Reads a quoted text at the start of *s (escapes \\ and \"), leaving *s
// after the closing quote.
bool ParseQuoted(std::string_view* s, std::string* out) {
  if (s->empty() || s->front() != '"') return false;
  size_t i = 1;
  out->clear();
  while (i < s->size()) {
    const char c = (*s)[i];
    if (c == '"') {
      s->remove_prefix(i + 1);
      return true;
    }
    if (c == '\\') {
      if (i + 1 >= s->size()) return false;
      const char next = (*s)[i + 1];
      if (next != '\\' && next != '"') return false;
      out->push_back(next);
      i += 2;
      continue;
    }
    out->push_back(c);
    ++i;
  }
  return false;  // no closing quote
}

// "01,02,ab" (possibly empty) into bytes.
bool ParseHexBytes(std::string_view s, std::vector<uint8_t>* out) {
  out->clear();
  s = Trim(s);
  if (s.empty()) return true;
  out->reserve(s.size() / 3 + 1);
  for (;;) {
    const size_t comma = s.find(',');
    const std::string_view token = Trim(s.substr(0, comma));
    if (token.size() != 2) return false;
    const int hi = HexDigit(token[0]), lo = HexDigit(token[1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<uint8_t>(hi * 16 + lo));
    if (comma == std::string_view::npos) return true;
    s.remove_prefix(comma + 1);
  }
}

// Strings that one quoted line cannot carry faithfully: line breaks, NULs
// and unpaired surrogates go out as hex(1), the UTF-16 bytes themselves.
bool NeedsHexString(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n' || c == 0) return true;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return true;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

void AppendHex(std::string& out, const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) {
      out.push_back(',');
      if (i % kHexBytesPerLine == 0) out.append("\\\n  ");
    }
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 15]);
  }
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  passwd pw{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &pw, buffer, sizeof(buffer), &found) == 0 && found != nullptr && found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return ".";
}

// Creates the folder and its parents, for the owner only.
bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return true;
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i < folder.size() && folder[i] != '/') continue;
    const std::string part = folder.substr(0, i);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    done += static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

Registry::Registry(std::string path) : path_(std::move(path)) {
  struct stat st {};
  if (stat(path_.c_str(), &st) != 0) {
    // Missing: an empty registry. Anything else: we cannot know what the
    // file holds, so it must not be replaced.
    if (errno != ENOENT && errno != ENOTDIR) loadFailed_ = true;
    return;
  }
  std::string text;
  if (!ReadWholeFile(path_, &text, kMaxFileBytes) || !Parse(text)) loadFailed_ = true;
}

std::string Registry::DefaultPath() {
  const char* explicitPath = std::getenv("TB_REGISTRY_FILE");
  if (explicitPath != nullptr && *explicitPath != '\0') return explicitPath;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is to be ignored.
  const std::string config = (xdg != nullptr && xdg[0] == '/') ? std::string(xdg) : HomeFolder() + "/.config";
  return config + "/tamberlock/registry.reg";
}

bool Registry::KeyExists(const std::string& key) const {
  if (key.empty()) return false;
  const std::string folded = FoldKey(key);
  if (keys_.count(folded) != 0) return true;
  // A key with subkeys exists even when it holds no values of its own.
  const std::string prefix = folded + "\\";
  auto it = keys_.lower_bound(prefix);
  return it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

void Registry::CreateKey(const std::string& key) {
  if (!IsUsableKey(key)) return;
  const std::string folded = FoldKey(key);
  if (keys_.count(folded) != 0) return;
  keys_[folded];
  names_[folded] = key;
}

bool Registry::KeyIsEmpty(const std::string& key) const {
  const std::string folded = FoldKey(key);
  if (auto own = keys_.find(folded); own != keys_.end() && !own->second.values.empty()) return false;
  const std::string prefix = folded + "\\";
  auto it = keys_.lower_bound(prefix);
  return it == keys_.end() || it->first.compare(0, prefix.size(), prefix) != 0;
}

void Registry::DeleteKey(const std::string& key) {
  if (key.empty()) return;
  const std::string folded = FoldKey(key);
  keys_.erase(folded);
  names_.erase(folded);
  const std::string prefix = folded + "\\";
  for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
    names_.erase(it->first);
    it = keys_.erase(it);
  }
}

std::optional<RegistryValue> Registry::Get(const std::string& key, const std::u16string& name) const {
  if (key.empty()) return std::nullopt;
  auto k = keys_.find(FoldKey(key));
  if (k == keys_.end()) return std::nullopt;
  auto v = k->second.values.find(FoldName(name));
  if (v == k->second.values.end()) return std::nullopt;
  return v->second.value;
}

void Registry::Set(const std::string& key, const std::u16string& name, RegistryValue value) {
  // A value name must fit in its quoted form on one line.
  if (!IsUsableKey(key) || HasLineBreak(name)) return;
  CreateKey(key);
  auto& values = keys_[FoldKey(key)].values;
  std::u16string folded = FoldName(name);
  auto it = values.find(folded);
  if (it != values.end()) {
    it->second.value = std::move(value);
  } else {
    values.emplace(std::move(folded), Entry{name, std::move(value)});
  }
}

void Registry::SetDword(const std::string& key, const std::u16string& name, uint32_t v) {
  RegistryValue value;
  value.type = RegistryValue::Type::Dword;
  value.dword = v;
  Set(key, name, std::move(value));
}

void Registry::SetString(const std::string& key, const std::u16string& name, std::u16string v) {
  RegistryValue value;
  value.type = RegistryValue::Type::String;
  value.text = std::move(v);
  Set(key, name, std::move(value));
}

void Registry::SetBinary(const std::string& key, const std::u16string& name, std::vector<uint8_t> v) {
  RegistryValue value;
  value.type = RegistryValue::Type::Binary;
  value.bytes = std::move(v);
  Set(key, name, std::move(value));
}

void Registry::DeleteValue(const std::string& key, const std::u16string& name) {
  if (key.empty()) return;
  auto k = keys_.find(FoldKey(key));
  if (k != keys_.end()) k->second.values.erase(FoldName(name));
}

std::string Registry::Serialise() const {
  std::string out(kHeader);
  out.append("\n\n");
  for (const auto& [folded, key] : keys_) {
    out.push_back('[');
    out.append(names_.at(folded));
    out.append("]\n");
    for (const auto& [foldedName, entry] : key.values) {
      if (entry.name.empty()) {
        out.push_back('@');
      } else {
        out.push_back('"');
        out.append(Escape(ToUtf8(entry.name)));
        out.push_back('"');
      }
      out.push_back('=');
      const RegistryValue& v = entry.value;
      switch (v.type) {
        case RegistryValue::Type::Dword: {
          char buffer[16];
          std::snprintf(buffer, sizeof(buffer), "dword:%08x", static_cast<unsigned>(v.dword));
          out.append(buffer);
          break;
        }
        case RegistryValue::Type::String:
          if (NeedsHexString(v.text)) {
            std::vector<uint8_t> bytes;
            bytes.reserve(v.text.size() * 2 + 2);
            for (char16_t c : v.text) {
              bytes.push_back(static_cast<uint8_t>(c & 0xFF));
              bytes.push_back(static_cast<uint8_t>(c >> 8));
            }
            bytes.push_back(0);
            bytes.push_back(0);
            out.append("hex(1):");
            AppendHex(out, bytes);
          } else {
            out.push_back('"');
            out.append(Escape(ToUtf8(v.text)));
            out.push_back('"');
          }
          break;
        case RegistryValue::Type::Binary:
          out.append("hex:");
          AppendHex(out, v.bytes);
          break;
      }
      out.push_back('\n');
    }
    out.push_back('\n');
  }
  return out;
}

bool Registry::Parse(const std::string& input) {
  keys_.clear();
  names_.clear();
  const auto fail = [this] {
    keys_.clear();
    names_.clear();
    return false;
  };
  if (input.size() > kMaxFileBytes) return fail();
  std::string_view text = input;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (!IsValidUtf8(text)) return fail();

  // Lines, one at a time; a CR before the LF is dropped by the trimming.
  size_t pos = 0;
  const auto nextLine = [&](std::string_view* line) {
    if (pos >= text.size()) return false;
    const size_t end = text.find('\n', pos);
    *line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    pos = end == std::string_view::npos ? text.size() : end + 1;
    return true;
  };

  std::string_view line;
  bool sawHeader = false;
  while (nextLine(&line)) {
    line = Trim(line);
    if (line.empty()) continue;
    if (line != kHeader) return fail();
    sawHeader = true;
    break;
  }
  if (!sawHeader) return fail();

  std::string current;  // the key the following values belong to
  std::string scratch;
  while (nextLine(&line)) {
    line = Trim(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.size() < 3 || line.back() != ']') return fail();
      const std::string name(line.substr(1, line.size() - 2));
      // "[-KEY]" deletes a key when imported; we never write it and do not
      // pretend to understand it.
      if (name.front() == '-') return fail();
      current = name;
      CreateKey(current);
      continue;
    }
    if (current.empty()) return fail();

    std::u16string valueName;
    std::string_view rest = line;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else {
      if (!ParseQuoted(&rest, &scratch) || scratch.empty()) return fail();
      valueName = FromUtf8(scratch);
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=') return fail();
    rest = TrimLeft(rest.substr(1));

    RegistryValue value;
    if (!rest.empty() && rest.front() == '"') {
      if (!ParseQuoted(&rest, &scratch) || !Trim(rest).empty()) return fail();
      value.type = RegistryValue::Type::String;
      value.text = FromUtf8(scratch);
    } else if (StartsWithNoCase(rest, "dword:")) {
      const std::string_view digits = Trim(rest.substr(6));
      if (digits.empty() || digits.size() > 8) return fail();
      uint32_t v = 0;
      for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return fail();
        v = v * 16 + static_cast<uint32_t>(d);
      }
      value.type = RegistryValue::Type::Dword;
      value.dword = v;
    } else {
      int kind;  // 0 binary, 1 string, 4 dword
      if (StartsWithNoCase(rest, "hex:")) {
        kind = 0;
        rest.remove_prefix(4);
      } else if (StartsWithNoCase(rest, "hex(1):")) {
        kind = 1;
        rest.remove_prefix(7);
      } else if (StartsWithNoCase(rest, "hex(4):")) {
        kind = 4;
        rest.remove_prefix(7);
      } else {
        return fail();
      }
      // A long hex value goes on over lines that end with a backslash.
      std::string joined(rest);
      while (!joined.empty() && joined.back() == '\\') {
        joined.pop_back();
        std::string_view more;
        if (!nextLine(&more)) return fail();
        joined.append(Trim(more));
      }
      std::vector<uint8_t> bytes;
      if (!ParseHexBytes(joined, &bytes)) return fail();
      if (kind == 0) {
        value.type = RegistryValue::Type::Binary;
        value.bytes = std::move(bytes);
      } else if (kind == 1) {
        if (bytes.size() % 2 != 0) return fail();
        value.type = RegistryValue::Type::String;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
          value.text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        }
        // The stored form ends with one terminating NUL.
        if (!value.text.empty() && value.text.back() == 0) value.text.pop_back();
      } else {
        if (bytes.size() != 4) return fail();
        value.type = RegistryValue::Type::Dword;
        value.dword = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                      (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
      }
    }
    Set(current, valueName, std::move(value));
  }
  return true;
}

bool Registry::Save() const {
  if (loadFailed_ || path_.empty()) return false;
  const size_t slash = path_.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path_.substr(0, slash == 0 ? 1 : slash);
  if (!MakeFolders(folder)) return false;

  // Written beside the file and renamed over it: a crash leaves either the
  // old settings or the new ones, never half of them.
  std::string temp = path_ + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);  // mode 0600
  if (fd < 0) return false;
  const std::string text = Serialise();
  bool ok = WriteAll(fd, text);
  if (ok) {
    int r;
    do {
      r = fsync(fd);
    } while (r != 0 && errno == EINTR);
    ok = r == 0;
  }
  if (::close(fd) != 0) ok = false;
  if (ok) ok = ::rename(temp.c_str(), path_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

}  // namespace tb::platform
