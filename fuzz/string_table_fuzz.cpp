// Fuzz target: the text of a string-table source, parsed and compiled, and
// the module it makes read back: whatever the parser accepts must become a
// module that loads and gives back every text.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "shell/core/language_module.h"
#include "shell/core/string_table_compiler.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "string table fuzz: %s\n", what);
  std::abort();
}

}  // namespace

int FuzzStringTable(const uint8_t* data, size_t size) {
  using namespace tb::shell;
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  // The language from a file name, or none so that a #lang line must give it.
  const std::optional<uint16_t> fromName =
      size > 0 && (data[size - 1] & 1) ? std::optional<uint16_t>(0x0409) : std::nullopt;
  StringTable table;
  CompileError error;
  if (!ParseStringTable(source, fromName, &table, &error)) {
    if (error.message.empty()) Broken("a refused source gives no reason");
    return 0;
  }
  for (size_t i = 1; i < table.entries.size(); ++i)
    if (table.entries[i - 1].number >= table.entries[i].number) Broken("entries are not strictly ascending");

  const std::string module = BuildModule(table);
  const auto* bytes = reinterpret_cast<const uint8_t*>(module.data());
  if (!LanguageModule::Validate(bytes, module.size())) Broken("a compiled module does not validate");
  // The module as the program reads it, mapped from a file: every text
  // back as it was parsed.
  const std::string path = tb::fuzz::ScratchFolder::Get().File("0409.mui");
  if (!tb::fuzz::WriteScratchFile(path, bytes, module.size())) return 0;
  LanguageModule loaded;
  if (loaded.Load(path) != ModuleStatus::Ok) Broken("a compiled module does not load");
  if (loaded.LanguageId() != table.languageId || loaded.Count() != table.entries.size())
    Broken("the module's language or count differs from the table");
  for (const StringEntry& e : table.entries) {
    const std::u16string_view text = loaded.Text(e.number);
    if (e.text.empty() ? text != u"?" : text != e.text) Broken("a text does not come back as parsed");
  }
  return 0;
}
