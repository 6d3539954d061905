#pragma once
// The plain-text custom form definitions of the old program, which the
// conversion of old wallets reads. The text is single-byte (Windows-1252)
// or UTF-16LE without a byte-order mark, told apart by its header line:
//
//   <QuillimarstenTamberlockCustomForms.1>
//   ; a comment runs from ';' to the end of the line
//   <MyForm>
//   Web accounts          the form's name
//   1001                  its number (forms below 1000 are not taken)
//   12                    its built-in icon
//   1 TBF_DEFAULT User    field lines: number, keyword, label
//   2 TBF_PIN Password
//   <EndForm>
//
// The text comes from outside: lines are bounded, every number is checked
// for its length, and nothing is allocated beyond the text's own size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/legacy_wallet.h"

namespace tb::interchange {

inline constexpr char kCustomFormsHeader[] = "<QuillimarstenTamberlockCustomForms.1>";
inline constexpr size_t kMaxDefinitionFields = 50;
inline constexpr size_t kMaxDefinitionTextUnits = 63;  // names and labels
inline constexpr int32_t kFirstCustomFormNumber = 1000;

struct CustomFormFieldDefinition {
  int32_t number = 0;
  int formKind = 0;  // FormKind; see storage/forms/form_kinds.h
  bool pin = false;  // a secret field
  std::u16string label;
};

struct CustomFormDefinition {
  int32_t number = 0;
  std::u16string name;
  int32_t icon = 0;
  std::vector<CustomFormFieldDefinition> fields;  // 1 to 50, in text order
};

enum class DefinitionTextStatus : int {
  Ok = 0,
  NoHeader = 2,   // the text does not begin with the header line
  Malformed = 3,  // parsing stopped at a malformed line; forms before it stay
};

// Reads the definitions of a whole text. Forms numbered 1000 or more with
// at least one field are appended to *forms (may be null) and counted in
// *count (may be null). With countOnly nothing is stored, only counted.
DefinitionTextStatus ParseCustomFormText(std::string_view bytes, std::vector<CustomFormDefinition>* forms,
                                         bool countOnly = false, int* count = nullptr);

// The old product's custom forms from its definition file, as the legacy
// conversion takes them (the reader it is handed).
void ReadLegacyCustomForms(std::string_view bytes, std::vector<storage::LegacyCustomForm>* forms);

}  // namespace tb::interchange
