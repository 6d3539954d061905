#pragma once
// The resource language module: the compiled string table of one language,
// mapped read-only for the life of the program. Texts are handed out in place
// as views over the mapping; each view's data() is followed by a 0 unit, so
// it may be used as a terminated string.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/core/mapped_file.h"
#include "storage/services.h"

namespace tb::shell {

enum class ModuleStatus {
  Ok,
  NotFound,    // no such file
  Unreadable,  // the file exists but cannot be opened or mapped
  Malformed,   // not a module, cut short, or inconsistent: refused
};

class LanguageModule : public tb::storage::TextSource {
 public:
  LanguageModule() = default;
  ~LanguageModule() override;
  LanguageModule(LanguageModule&& other) noexcept;
  LanguageModule& operator=(LanguageModule&& other) noexcept;
  LanguageModule(const LanguageModule&) = delete;
  LanguageModule& operator=(const LanguageModule&) = delete;

  // Maps and checks a module file. On any failure nothing stays loaded (a
  // module loaded before is released first).
  ModuleStatus Load(const std::string& path);
  void Unload();

  bool IsLoaded() const { return base_ != nullptr; }
  uint16_t LanguageId() const { return languageId_; }
  const std::string& Path() const { return path_; }
  size_t Count() const { return count_; }

  // "*" when no module is loaded, "?" for a number the module lacks or holds
  // empty; otherwise the module's text in place.
  std::u16string_view Text(uint32_t number) const override;

  // Checks bytes laid out as a module, as Load does with a file.
  static bool Validate(const uint8_t* data, size_t size);

 private:
  platform::MappedFile mapping_;
  const uint8_t* base_ = nullptr;
  size_t size_ = 0;
  size_t count_ = 0;
  uint16_t languageId_ = 0;
  std::string path_;
};

// Texts of the module-choosing failure; the caller shows them with the error
// icon and ends.
inline constexpr std::u16string_view kLoadFailureText = u"Failed to load resources.  Please re-install.";
inline constexpr std::u16string_view kProductTitle = u"Tamberlock Pro 2006";

// What the choice of module starts from.
struct ModuleRequest {
  uint32_t langPref = 0;  // the LangPref setting; only its low 16 bits count
  std::string folder;     // where the modules sit; empty: the program's folder
  std::string baseName = "ostreltbpro2006";
};

struct ModuleChoice {
  bool loaded = false;
  std::string path;            // the module that loaded
  std::u16string failureText;  // when nothing loaded
  std::u16string failureCaption;
};

// "<folder>/<base>.exe.<langid as %04x>.mui".
std::string ModulePath(const std::string& folder, const std::string& baseName, uint16_t langId);

// Chooses and loads the module: LangPref, then the user's language
// (tb::platform::UserLanguageId()), then
// English (US); then the user's language and English again; then the first
// "<base>.exe.????.mui" the folder listing returns. A candidate that fails to
// load (missing, cut short, malformed) passes to the next one. A module that
// is already loaded is kept.
ModuleChoice LoadLanguageModule(LanguageModule& module, const ModuleRequest& request);

// One argument of FormatMessage: a text or a number.
class FormatArg {
 public:
  FormatArg(std::u16string_view text) : isText_(true), text_(text) {}
  FormatArg(const std::u16string& text) : isText_(true), text_(text) {}
  FormatArg(const char16_t* text) : isText_(true), text_(text ? text : u"") {}
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  FormatArg(T value) : isText_(false), number_(static_cast<int64_t>(value)) {}

  bool IsText() const { return isText_; }
  std::u16string_view Text() const { return text_; }
  int64_t Number() const { return number_; }

 private:
  bool isText_;
  std::u16string_view text_;
  int64_t number_ = 0;
};

// Fills a module format: %s (a text), %d, %u, %02d (zero-padded to width 2;
// any width up to 32 with or without the 0), %% (a percent sign). A
// placeholder with no argument left prints nothing; arguments beyond the
// placeholders are ignored; a number given for %s prints in decimal and a
// text given for %d prints as it is. Anything else after '%' is kept as it
// stands.
std::u16string FormatMessageArgs(std::u16string_view format, std::initializer_list<FormatArg> args);

template <typename... Args>
std::u16string FormatMessage(std::u16string_view format, const Args&... args) {
  return FormatMessageArgs(format, {FormatArg(args)...});
}

}  // namespace tb::shell
