// Fuzz target: a custom form definition text from outside. Every form
// taken must keep to the limits of a definition, and counting must agree
// with reading.
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_targets.h"
#include "interchange/custom_form_text.h"
#include "storage/forms/form_kinds.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "custom form text fuzz: %s\n", what);
  std::abort();
}

}  // namespace

int FuzzCustomFormText(const uint8_t* data, size_t size) {
  using namespace tb::interchange;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<CustomFormDefinition> forms;
  int count = -1;
  const DefinitionTextStatus status = ParseCustomFormText(text, &forms, false, &count);
  if (status != DefinitionTextStatus::Ok && status != DefinitionTextStatus::NoHeader &&
      status != DefinitionTextStatus::Malformed)
    Broken("a result other than 0, 2 or 3");
  if (status == DefinitionTextStatus::NoHeader && !forms.empty()) Broken("forms from a text without its header");
  if (count != int(forms.size())) Broken("the count differs from the forms stored");
  for (const CustomFormDefinition& f : forms) {
    if (f.number < kFirstCustomFormNumber) Broken("a form numbered below 1000 was taken");
    if (f.fields.empty() || f.fields.size() > kMaxDefinitionFields) Broken("a form with 0 or over 50 fields");
    if (f.name.size() > kMaxDefinitionTextUnits) Broken("a name over 63 units");
    for (const CustomFormFieldDefinition& d : f.fields) {
      if (d.label.size() > kMaxDefinitionTextUnits) Broken("a label over 63 units");
      if (d.formKind == tb::storage::form_kind::kInvalid) Broken("a field without a kind");
    }
  }
  std::vector<CustomFormDefinition> none;
  int counted = -1;
  if (ParseCustomFormText(text, &none, true, &counted) != status || counted != count || !none.empty())
    Broken("counting does not agree with reading");
  return 0;
}
