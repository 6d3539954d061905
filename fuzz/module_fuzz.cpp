// Fuzz target: the bytes of a language module, checked in memory, then
// loaded from a file and looked up the way the program looks texts up.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "shell/core/language_module.h"
#include "shell/core/language_module_format.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "module fuzz: %s\n", what);
  std::abort();
}

unsigned Use(std::u16string_view text) {
  // Every text is promised a terminating 0 unit right after it.
  if (text.data()[text.size()] != 0) Broken("a text is not followed by a terminator");
  unsigned s = unsigned(text.size());
  for (char16_t c : text) s += c;
  // Module texts are formats: fill one with more and fewer arguments.
  s += unsigned(tb::shell::FormatMessage(text, u"name", 42, -7).size());
  s += unsigned(tb::shell::FormatMessage(text).size());
  return s;
}

}  // namespace

int FuzzModule(const uint8_t* data, size_t size) {
  namespace fmt = tb::shell::module_format;
  using tb::shell::LanguageModule;
  using tb::shell::ModuleStatus;
  const bool valid = LanguageModule::Validate(data, size);

  const std::string path = tb::fuzz::ScratchFolder::Get().File("ostreltbpro2006.exe.0409.mui");
  if (!tb::fuzz::WriteScratchFile(path, data, size)) return 0;
  LanguageModule module;
  const ModuleStatus status = module.Load(path);
  if ((status == ModuleStatus::Ok) != valid) Broken("Load and Validate disagree");
  if (status != ModuleStatus::Ok) {
    if (module.IsLoaded() || module.Text(20001) != u"*") Broken("a refused module stays loaded");
    return 0;
  }
  unsigned sum = module.LanguageId();
  for (uint32_t n : {0u, 1u, 20001u, 20200u, 22164u, 65535u, 0xFFFFFFFFu}) sum += Use(module.Text(n));
  // Every number the table holds is found, first, last and a few between.
  const size_t count = module.Count();
  if (count > 0) {
    for (size_t i : {size_t(0), count / 3, count / 2, count - 1}) {
      const uint32_t number = fmt::GetU32(data + fmt::kHeaderSize + i * fmt::kEntrySize);
      const std::u16string_view text = module.Text(number);
      const uint32_t length = fmt::GetU32(data + fmt::kHeaderSize + i * fmt::kEntrySize + fmt::kEntryOffLength);
      if (length != 0 && text.size() != length) Broken("a listed number is not found");
      sum += Use(text);
    }
  }
  // Moving the module hands the mapping over whole.
  LanguageModule moved(std::move(module));
  if (module.IsLoaded() || !moved.IsLoaded()) Broken("a moved module is in two places");
  sum += Use(moved.Text(20001));
  volatile unsigned sink = sum;
  (void)sink;
  return 0;
}
