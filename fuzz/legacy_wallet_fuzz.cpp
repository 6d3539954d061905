// Fuzz target: an old ".wal" wallet from outside, converted with the seeds'
// password into a new wallet, which is then opened and read through. The
// old file must come out unchanged, and the new wallet must be there whole
// (and open) exactly when the conversion says it converted.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_targets.h"
#include "platform/core/file.h"
#include "storage/card.h"
#include "storage/legacy_wallet.h"
#include "storage/services.h"
#include "storage/wallet.h"

namespace tb::fuzz {
namespace {

using namespace tb::storage;

class LegacyTexts : public TextSource {
 public:
  std::u16string_view Text(uint32_t number) const override {
    switch (number) {
      case 20203: return u"My Forms";
      case 20204: return u"Yes";
      case 20205: return u"No";
      case 24516: return u"Notes";
      default: return u"?";
    }
  }
};

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "legacy wallet fuzz: %s\n", what);
  std::abort();
}

// The custom forms the definition file stands for: one of every kind, one
// masked, and one form of the most fields a definition may have.
void ReadForms(std::string_view, std::vector<LegacyCustomForm>* forms) {
  LegacyCustomForm small{1000, ToText(u"Small"), 3, {}};
  const int kinds[] = {0, 1, 2, 3, 8, 9, 11, 15, 16, 17};
  for (int i = 0; i < int(std::size(kinds)); ++i) small.fields.push_back({501 + i, kinds[i], i == 1, ToText(u"f")});
  LegacyCustomForm wide{1001, ToText(u"Wide"), 4, {}};
  for (int i = 0; i < 50; ++i) wide.fields.push_back({501 + i, 0, false, ToText(u"w")});
  forms->push_back(std::move(small));
  forms->push_back(std::move(wide));
}

unsigned Touch(const Text& t) {
  unsigned s = unsigned(t.size());
  for (char16_t c : t) s += c;
  return s;
}

}  // namespace
}  // namespace tb::fuzz

int FuzzLegacyWallet(const uint8_t* data, size_t size) {
  using namespace tb::fuzz;
  using namespace tb::storage;
  if (size < 1) return 0;
  ScratchFolder& scratch = ScratchFolder::Get();
  const std::string walPath = scratch.File("legacy.wal");
  const std::string program = scratch.File("legacy_program");
  if (walPath.empty()) return 0;
  std::error_code ec;
  std::filesystem::create_directories(program, ec);
  const std::string definitions = program + "/forms.ccd";
  tb::platform::RemoveFile(definitions);
  if (data[0] & kLegacyModeDefinitions) WriteScratchFile(definitions, reinterpret_cast<const uint8_t*>("x"), 1);
  if (!WriteScratchFile(walPath, data + 1, size - 1)) return 0;

  LegacyTexts texts;
  LegacyConvertOptions options;
  options.programFolder = program;
  options.readCustomForms = ReadForms;
  options.pictures = options.sounds = (data[0] & kLegacyModeNoMedia) == 0;
  options.texts = &texts;
  std::string newPath;
  tb::platform::RemoveFile(LegacyConvertedPath(walPath));
  const LegacyConversion result = ConvertLegacyWallet(walPath, kWalletPassword, options, &newPath);

  std::string after;
  if (!tb::platform::ReadWholeFile(walPath, &after, size) || after.size() != size - 1 ||
      std::memcmp(after.data(), data + 1, size - 1) != 0)
    Broken("the old wallet was changed");
  if (tb::platform::FileExists(newPath + ".converting")) Broken("a partly made wallet was left behind");
  if (result.ok() != tb::platform::FileExists(newPath)) Broken("the new wallet's presence disagrees with the status");
  if (!result.ok()) return 0;

  Wallet w;
  w.SetTextSource(&texts);
  if (w.Open(newPath, kWalletPassword, true, nullptr) != OpenStatus::Ok) Broken("the new wallet does not open");
  unsigned sum = 0;
  for (int i = 0; i < w.Count(); ++i) {
    const RecordHeader* h = w.At(i);
    sum += Touch(h->Name());
    if (!h->IsCard()) continue;
    Card card;
    if (!w.LoadCard(h->Id(), &card)) Broken("a converted card does not load");
    for (const Field& f : card.fields) sum += Touch(f.label) + Touch(f.value) + f.kind + f.flags;
    if (card.picture) sum += unsigned(card.picture->bytes.size()) + card.picture->type;
    if (card.sound) sum += unsigned(card.sound->bytes.size());
  }
  w.Close();
  tb::platform::RemoveFile(newPath);
  volatile unsigned sink = sum;
  (void)sink;
  return 0;
}
