#pragma once
// The 43 built-in forms compiled into the program. A form is a template: a
// new card copies its fields from the form's definitions, and the conversion
// of old wallets matches old cards and their values to the forms by the
// legacy form and field numbers kept here.
#include <cstdint>
#include <span>

namespace tb::storage {

struct FormFieldDef {
  uint32_t legacyNumber;  // 501 upward within each form
  uint32_t labelString;   // language string of the label
  uint32_t formKind;      // see form_kinds.h
  uint32_t masked;        // 1: a secret field
  uint32_t reserved1;     // 0
  uint32_t reserved2;     // 0
};

struct FormHead {
  uint32_t legacyNumber;  // 500..542, the old product's form number
  uint32_t nameString;    // language string of the form's name
  uint32_t icon;          // icon given to new cards of the form
  uint32_t zero;
  uint32_t fieldCount;  // number of field definitions
  uint32_t word5;       // a small number 0..5 kept with the form
};

struct BuiltInForm {
  FormHead head;
  std::span<const FormFieldDef> fields;
};

inline constexpr int kBuiltInFormCount = 43;

// Form n of the table; nullptr when n is outside 0..42.
const BuiltInForm* BuiltInFormAt(int n);

// The form whose head carries this legacy form number; nullptr when none.
const BuiltInForm* BuiltInFormByLegacyNumber(uint32_t legacyNumber);

// The form's definition with this legacy field number; nullptr when none.
const FormFieldDef* FieldByLegacyNumber(const BuiltInForm& form, uint32_t legacyNumber);

}  // namespace tb::storage
