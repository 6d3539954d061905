#pragma once
// Conversions between the UTF-16 texts of the wallet and the UTF-8 of the
// terminal, file names and JSON, and the single-byte Windows-1252 code page.
#include <string>
#include <string_view>

namespace tb::platform {

// Ill-formed input (lone surrogates, bad UTF-8) becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// True when text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF, no cut-off sequence).
bool IsValidUtf8(std::string_view text);
// The same two conversions into a buffer of the caller's: at most capacity
// units are written, and the length of the whole conversion is returned.
// Secrets are converted straight into wiping storage this way (size it
// with a first call), so no copy is left behind in a temporary string.
size_t ToUtf8Into(std::u16string_view text, char* out, size_t capacity);
size_t FromUtf8Into(std::string_view text, char16_t* out, size_t capacity);
std::u16string FromWindows1252(std::string_view bytes);
// Characters without a Windows-1252 form become '?'.
std::string ToWindows1252(std::u16string_view text);

// Lower-cases a UTF-16 text (Latin, Latin-1 supplement, Latin Extended-A,
// Greek and Cyrillic; everything else as it is).
char16_t ToLowerChar(char16_t c);
void ToLowerInPlace(std::u16string& text);

}  // namespace tb::platform
