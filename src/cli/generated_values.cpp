#include "cli/generated_values.h"

#include "cli/field_values.h"
#include "cli/session.h"
#include "storage/forms/field_kinds.h"

namespace tb::cli {

namespace {

// A whole number of at most six digits; anything else is no number here.
bool SmallNumber(const std::string& text, int* value) {
  if (text.empty() || text.size() > 6) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

}  // namespace

const std::vector<std::string> kGeneratorFlags = {"--no-lookalike", "--capitalise"};
const std::vector<std::string> kGeneratorValued = {"--length", "--classes", "--words", "--separator"};

const char kGeneratorHelp[] =
    "Characters (the default):\n"
    "--length N       4 to 128 characters (default 20)\n"
    "--classes luds   the classes to draw from: l lower case, u upper case, d digits,\n"
    "                 s symbols (default all four); each chosen class appears at least once\n"
    "--no-lookalike   leave out I, l, 1, O and 0\n"
    "Passphrase (from the EFF large word list, 7776 words):\n"
    "--words N        3 to 12 words (default 6)\n"
    "--separator C    one character between the words (default \"-\"; \"\" for none)\n"
    "--capitalise     begin every word with a capital letter\n";

int GeneratorOptions(Session& s, const ParsedArgs& a, generator::GeneratorSettings* settings) {
  using generator::GeneratorMode;
  *settings = generator::GeneratorSettings{};
  const std::string* length = a.Value("--length");
  const std::string* classes = a.Value("--classes");
  const std::string* words = a.Value("--words");
  const std::string* separator = a.Value("--separator");
  const bool passphrase = words || separator || a.Has("--capitalise");
  if (passphrase && (length || classes || a.Has("--no-lookalike")))
    return s.Usage(
        "--length, --classes and --no-lookalike make a password of characters; --words, "
        "--separator and --capitalise a passphrase: give options of one kind");
  if (passphrase) {
    settings->mode = GeneratorMode::Passphrase;
    if (words && !SmallNumber(*words, &settings->words)) return s.Usage("--words takes a number from 3 to 12");
    if (separator && !ArgumentText(*separator, &settings->separator)) return s.Usage("the separator is not UTF-8");
    settings->capitalise = a.Has("--capitalise");
  } else {
    if (length && !SmallNumber(*length, &settings->length)) return s.Usage("--length takes a number from 4 to 128");
    if (classes && !generator::ParseClasses(*classes, &settings->classes))
      return s.Usage("--classes takes one or more of the letters l, u, d and s, each once");
    settings->excludeLookalikes = a.Has("--no-lookalike");
  }
  const generator::GeneratorStatus status = generator::CheckSettings(*settings);
  if (status != generator::GeneratorStatus::Ok) return s.Usage(std::string(generator::Describe(status)));
  return kExitOk;
}

int ApplyGenerated(Session& s, storage::Card& card, const ParsedArgs& a, const generator::GeneratorSettings& settings) {
  for (const std::string& label : a.Values("--generate")) {
    storage::Field* field = nullptr;
    if (int rc = FindFieldByLabel(s, card, label, &field); rc != kExitOk) return rc;
    if (field->kind != uint16_t(storage::FieldKind::Password))
      return s.Fail(label + " is not a Password field; a generated value is only stored where it is masked");
    storage::Text value;
    if (generator::Generate(settings, &value) != generator::GeneratorStatus::Ok)
      return s.Fail("cannot generate a password");
    field->SetValue(std::u16string_view(value.data(), value.size()));
  }
  return kExitOk;
}

}  // namespace tb::cli
