// Fuzz target: the text of a registry file. Whatever is accepted must write
// out as a file that reads back to the same registry, and the written form
// must be stable.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_targets.h"
#include "platform/core/registry.h"

namespace {

[[noreturn]] void Broken(const char* what, const std::string& text) {
  std::fprintf(stderr, "registry fuzz: %s\n--- written form ---\n%s\n---\n", what, text.c_str());
  std::abort();
}

}  // namespace

int FuzzRegistry(const uint8_t* data, size_t size) {
  using tb::platform::Registry;
  const std::string text(reinterpret_cast<const char*>(data), size);
  Registry first("");
  const bool parsed = first.Parse(text);
  const std::string written = first.Serialise();
  if (!parsed) {
    // A refused text leaves nothing behind.
    Registry empty("");
    if (written != empty.Serialise()) Broken("a refused text left keys behind", written);
    return 0;
  }
  Registry second("");
  if (!second.Parse(written)) Broken("the written form is refused", written);
  if (second.Serialise() != written) Broken("the written form does not read back the same", written);
  return 0;
}
