#pragma once
// Turns a language's string source (resources/strings/<langid>.txt) into the
// compiled module the program maps at start (layout in
// language_module_format.h).
//
// Source format, UTF-8, one entry a line:
//   # a comment (the first non-blank character is '#')
//   #lang 0407          optional: the language identifier in hexadecimal;
//                       without it the file name must be <4 hex digits>.txt
//   [Main window]       a group heading naming where the strings show; skipped
//   20001 = Tamberlock Pro
//   22164 = The wallet file %s is damaged.\nRepair it now?
// The number is decimal, 0..65535. Blanks around '=' and at the line's end are
// dropped; the escapes \n \r \t \\ and \s (a space, for a text that must
// begin or end with one) are the only ones. A repeated number, a line of any
// other shape, an unknown escape or bad UTF-8 stops the compile with the line
// number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::shell {

struct StringEntry {
  uint32_t number = 0;
  std::u16string text;
};

struct StringTable {
  uint16_t languageId = 0;
  std::vector<StringEntry> entries;  // ascending by number
};

struct CompileError {
  size_t line = 0;  // 1-based; 0 when the error is not tied to a line
  std::string message;
};

// Parses a whole source. languageFromName is the identifier taken from the
// file name, if it has one; a "#lang" line overrides it. False with *error
// filled when the source is not acceptable.
bool ParseStringTable(std::string_view source, std::optional<uint16_t> languageFromName, StringTable* out,
                      CompileError* error);

// "0409.txt", "/x/y/0407.txt" -> the identifier; nullopt for other names.
std::optional<uint16_t> LanguageIdFromFileName(std::string_view path);

// The module bytes of a parsed table.
std::string BuildModule(const StringTable& table);

// Reads sourcePath, compiles it and writes outPath (through a temporary file,
// so a failed compile never leaves a half-written module). On failure
// *message reads "SOURCE:LINE: what".
bool CompileStringTableFile(const std::string& sourcePath, const std::string& outPath, std::string* message);

}  // namespace tb::shell
