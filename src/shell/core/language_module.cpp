#include "shell/core/language_module.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/core/system.h"
#include "shell/core/language_module_format.h"

namespace tb::shell {
namespace {

namespace fmt = module_format;

// Texts are handed out as char16_t over the file's bytes.
static_assert(std::endian::native == std::endian::little, "module texts are UTF-16LE");

struct Entry {
  uint32_t number, offset, length;
};

Entry EntryAt(const uint8_t* base, size_t index) {
  const uint8_t* p = base + fmt::kHeaderSize + index * fmt::kEntrySize;
  return {fmt::GetU32(p + fmt::kEntryOffNumber), fmt::GetU32(p + fmt::kEntryOffText),
          fmt::GetU32(p + fmt::kEntryOffLength)};
}

}  // namespace

bool LanguageModule::Validate(const uint8_t* data, size_t size) {
  if (data == nullptr || size < fmt::kHeaderSize || size > fmt::kMaxFileSize) return false;
  if (std::memcmp(data + fmt::kOffMagic, fmt::kMagic, sizeof fmt::kMagic) != 0) return false;
  if (fmt::GetU16(data + fmt::kOffVersion) != fmt::kVersion) return false;
  if (fmt::GetU32(data + fmt::kOffFileSize) != size) return false;
  const uint64_t count = fmt::GetU32(data + fmt::kOffCount);
  if (count > (size - fmt::kHeaderSize) / fmt::kEntrySize) return false;
  const uint64_t tableEnd = fmt::kHeaderSize + count * fmt::kEntrySize;

  for (uint64_t i = 0; i < count; ++i) {
    const Entry e = EntryAt(data, static_cast<size_t>(i));
    if (i > 0 && EntryAt(data, static_cast<size_t>(i - 1)).number >= e.number) return false;
    if (e.offset % 2 != 0 || e.offset < tableEnd) return false;
    // The text and its terminator, in 64 bits so nothing wraps.
    const uint64_t end = uint64_t{e.offset} + (uint64_t{e.length} + 1) * 2;
    if (end > size) return false;
    if (fmt::GetU16(data + end - 2) != 0) return false;
  }
  return true;
}

LanguageModule::~LanguageModule() { Unload(); }

LanguageModule::LanguageModule(LanguageModule&& other) noexcept { *this = std::move(other); }

LanguageModule& LanguageModule::operator=(LanguageModule&& other) noexcept {
  if (this != &other) {
    Unload();
    mapping_ = std::move(other.mapping_);
    base_ = other.base_;
    size_ = other.size_;
    count_ = other.count_;
    languageId_ = other.languageId_;
    path_ = std::move(other.path_);
    other.base_ = nullptr;
    other.size_ = other.count_ = 0;
    other.languageId_ = 0;
    other.path_.clear();
  }
  return *this;
}

void LanguageModule::Unload() {
  mapping_.Unmap();
  base_ = nullptr;
  size_ = count_ = 0;
  languageId_ = 0;
  path_.clear();
}

ModuleStatus LanguageModule::Load(const std::string& path) {
  Unload();
  platform::MappedFile mapping;
  switch (mapping.Map(path, fmt::kHeaderSize, fmt::kMaxFileSize)) {
    case platform::MappedFile::Result::Ok: break;
    case platform::MappedFile::Result::NotFound: return ModuleStatus::NotFound;
    case platform::MappedFile::Result::Unreadable: return ModuleStatus::Unreadable;
    case platform::MappedFile::Result::BadSize: return ModuleStatus::Malformed;
  }
  const uint8_t* base = mapping.Data();
  const size_t size = mapping.Size();
  if (!Validate(base, size)) return ModuleStatus::Malformed;
  mapping_ = std::move(mapping);
  base_ = base;
  size_ = size;
  count_ = fmt::GetU32(base + fmt::kOffCount);
  languageId_ = fmt::GetU16(base + fmt::kOffLanguage);
  path_ = path;
  return ModuleStatus::Ok;
}

std::u16string_view LanguageModule::Text(uint32_t number) const {
  if (base_ == nullptr) return u"*";
  size_t lo = 0, hi = count_;
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const Entry e = EntryAt(base_, mid);
    if (e.number < number) {
      lo = mid + 1;
    } else if (e.number > number) {
      hi = mid;
    } else {
      if (e.length == 0) return u"?";
      return {reinterpret_cast<const char16_t*>(base_ + e.offset), e.length};
    }
  }
  return u"?";
}

std::string ModulePath(const std::string& folder, const std::string& baseName, uint16_t langId) {
  char id[8];
  std::snprintf(id, sizeof id, "%04x", static_cast<unsigned>(langId));
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + baseName + ".exe." + id + ".mui";
}

namespace {

// The first "<base>.exe.????.mui" of the folder in listing order.
std::optional<std::string> FirstModuleInFolder(const std::string& folder, const std::string& baseName) {
  const std::string prefix = baseName + ".exe.";
  const std::string suffix = ".mui";
  std::error_code ec;
  std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() == prefix.size() + 4 + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      std::string path = folder;
      if (!path.empty() && path.back() != '/') path += '/';
      // The program's own name with the found file's language part.
      return path + baseName + ".exe" + name.substr(name.size() - 9);
    }
  }
  return std::nullopt;
}

}  // namespace

ModuleChoice LoadLanguageModule(LanguageModule& module, const ModuleRequest& request) {
  ModuleChoice choice;
  if (module.IsLoaded()) {
    choice.loaded = true;
    choice.path = module.Path();
    return choice;
  }

  const std::string folder = request.folder.empty() ? tb::platform::ProgramDirectory() : request.folder;
  const uint16_t user = tb::platform::UserLanguageId();
  const auto pref = static_cast<uint16_t>(request.langPref & 0xFFFF);
  std::vector<uint16_t> languages;
  if (pref != 0) languages = {pref, user, 0x0409};
  languages.push_back(user);
  languages.push_back(0x0409);

  std::vector<std::string> candidates;
  for (uint16_t id : languages)
    if (id != 0) candidates.push_back(ModulePath(folder, request.baseName, id));  // 0: language unknown

  for (const auto& path : candidates) {
    if (module.Load(path) == ModuleStatus::Ok) {
      choice.loaded = true;
      choice.path = path;
      return choice;
    }
  }
  if (auto found = FirstModuleInFolder(folder, request.baseName)) {
    if (module.Load(*found) == ModuleStatus::Ok) {
      choice.loaded = true;
      choice.path = *found;
      return choice;
    }
  }
  choice.failureText = std::u16string(kLoadFailureText);
  choice.failureCaption = std::u16string(kProductTitle);
  return choice;
}

namespace {

void AppendDecimal(std::u16string* out, bool negative, uint64_t magnitude, size_t width, bool zeroPad) {
  char16_t digits[24];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const size_t used = n + (negative ? 1 : 0);
  const size_t pad = width > used ? width - used : 0;
  if (!zeroPad) out->append(pad, u' ');
  if (negative) out->push_back(u'-');
  if (zeroPad) out->append(pad, u'0');
  while (n > 0) out->push_back(digits[--n]);
}

void AppendPadded(std::u16string* out, std::u16string_view text, size_t width) {
  if (width > text.size()) out->append(width - text.size(), u' ');
  out->append(text);
}

}  // namespace

std::u16string FormatMessageArgs(std::u16string_view format, std::initializer_list<FormatArg> args) {
  constexpr size_t kMaxWidth = 32;
  std::u16string out;
  auto next = args.begin();
  size_t i = 0;
  while (i < format.size()) {
    const char16_t c = format[i];
    if (c != u'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t j = i + 1;
    if (j < format.size() && format[j] == u'%') {
      out.push_back(u'%');
      i = j + 1;
      continue;
    }
    bool zeroPad = false;
    if (j < format.size() && format[j] == u'0') {
      zeroPad = true;
      ++j;
    }
    size_t width = 0;
    while (j < format.size() && format[j] >= u'0' && format[j] <= u'9' && width <= kMaxWidth) {
      width = width * 10 + static_cast<size_t>(format[j] - u'0');
      ++j;
    }
    const char16_t kind = j < format.size() ? format[j] : u'\0';
    if ((kind != u's' && kind != u'd' && kind != u'u') || width > kMaxWidth) {
      // Not a placeholder of ours: the text stays as written.
      out.push_back(u'%');
      ++i;
      continue;
    }
    i = j + 1;
    if (next == args.end()) continue;  // nothing to fill it with
    const FormatArg& arg = *next++;
    if (arg.IsText()) {
      AppendPadded(&out, arg.Text(), width);
    } else if (kind == u'u') {
      // A negative number shows as its 32-bit unsigned form, as callers expect.
      const int64_t v = arg.Number();
      AppendDecimal(&out, false, v < 0 ? static_cast<uint32_t>(v) : static_cast<uint64_t>(v), width, zeroPad);
    } else {
      const int64_t v = arg.Number();
      const uint64_t magnitude = v < 0 ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
      AppendDecimal(&out, v < 0, magnitude, width, zeroPad && kind != u's');
    }
  }
  return out;
}

}  // namespace tb::shell
