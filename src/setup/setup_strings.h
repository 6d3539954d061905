#pragma once
// The setup library's own texts: the caption (101) and the short product
// name (104) once, and the installation and removal texts with the
// samples' localised names (224 to 229) in nine languages, each language a
// block of 32 numbers from English's 224 on. The product strings it
// builds in code are here too.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tb::setup {

inline constexpr uint32_t kStrCaption = 101;
inline constexpr uint32_t kStrShortProduct = 104;
inline constexpr uint32_t kStrInstallConfirm = 224;  // product name, version line, build year
inline constexpr uint32_t kStrRemoveQuestion = 225;  // short product name, version line, short product name
inline constexpr uint32_t kStrRemoved = 226;         // short product name
inline constexpr uint32_t kStrSampleWallet = 227;
inline constexpr uint32_t kStrSampleForm = 228;
inline constexpr uint32_t kStrSampleImport = 229;
inline constexpr uint16_t kEnglish = 0x0409;

// What is added to an English number for a language (by its primary
// language): German 32, French 64, Dutch 96, Italian 128, Spanish 192,
// Norwegian 288, Russian 320, Swedish 384; 0 for English and every other.
uint32_t LanguageOffset(uint16_t languageId);

// The text of number for a language (0: the user's interface language).
// Numbers above 198 are looked up at the language's offset, then in
// English; an empty text when neither exists.
std::u16string SetupText(uint32_t number, uint16_t languageId = 0);
// Whether the table holds exactly this number (offset included).
bool HasSetupText(uint32_t number);

// "Tamberlock® Pro 2006", "Version 6.62", and the year the library was
// built (from the build date).
std::u16string ProductName();
std::u16string VersionLine();
int BuildYear();

// printf-like: each %s takes the next text, each %d the next number, %%
// is a percent sign.
using FormatValue = std::variant<std::u16string_view, int64_t>;
std::u16string FormatSetupText(std::u16string_view format, std::initializer_list<FormatValue> values);

}  // namespace tb::setup
