#include "storage/forms/builtin_forms.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>

#include "storage/forms/form_kinds.h"

namespace tb::storage {
namespace {

struct ExpectedHead {
  uint32_t legacyNumber, nameString, icon, fieldCount, word5;
};

// The heads as stored wallets and the conversion of old wallets rely on them.
constexpr ExpectedHead kHeads[kBuiltInFormCount] = {
    {500, 39000, 110, 16, 2},  // form 0
    {501, 39001, 44, 10, 1},   // form 1
    {502, 39002, 44, 20, 1},   // form 2
    {503, 39003, 30, 33, 3},   // form 3
    {504, 39004, 20, 13, 0},   // form 4
    {505, 39005, 57, 25, 1},   // form 5
    {506, 39006, 67, 22, 1},   // form 6
    {507, 39007, 79, 16, 1},   // form 7
    {508, 39008, 48, 17, 5},   // form 8
    {509, 39009, 76, 10, 2},   // form 9
    {510, 39010, 74, 5, 1},    // form 10
    {512, 39011, 50, 3, 0},    // form 11
    {513, 39012, 107, 11, 1},  // form 12
    {514, 39013, 108, 17, 0},  // form 13
    {515, 39014, 5, 8, 0},     // form 14
    {516, 39015, 50, 13, 2},   // form 15
    {517, 39016, 109, 18, 4},  // form 16
    {518, 39017, 47, 12, 1},   // form 17
    {519, 39018, 48, 8, 1},    // form 18
    {520, 39019, 79, 3, 2},    // form 19
    {521, 39020, 51, 15, 2},   // form 20
    {522, 39021, 71, 16, 3},   // form 21
    {523, 39024, 1, 27, 4},    // form 22
    {524, 39025, 1, 24, 2},    // form 23
    {529, 39028, 2, 16, 2},    // form 24
    {525, 39022, 1, 26, 5},    // form 25
    {526, 39023, 1, 38, 4},    // form 26
    {527, 39026, 2, 15, 0},    // form 27
    {528, 39027, 78, 13, 0},   // form 28
    {530, 39029, 2, 13, 3},    // form 29
    {531, 39030, 73, 14, 2},   // form 30
    {532, 39031, 2, 17, 1},    // form 31
    {533, 39034, 2, 17, 2},    // form 32
    {534, 39035, 131, 31, 1},  // form 33
    {535, 39036, 68, 10, 1},   // form 34
    {536, 39037, 98, 13, 1},   // form 35
    {537, 39038, 100, 27, 1},  // form 36
    {538, 39039, 100, 29, 1},  // form 37
    {539, 39040, 112, 15, 2},  // form 38
    {540, 39041, 85, 23, 0},   // form 39
    {511, 39033, 89, 21, 0},   // form 40
    {541, 39042, 68, 15, 0},   // form 41
    {542, 39043, 30, 40, 0},   // form 42
};

TEST(BuiltInForms, HeadsAreTheFixedTable) {
  for (int n = 0; n < kBuiltInFormCount; ++n) {
    SCOPED_TRACE(n);
    const BuiltInForm* form = BuiltInFormAt(n);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->head.legacyNumber, kHeads[n].legacyNumber);
    EXPECT_EQ(form->head.nameString, kHeads[n].nameString);
    EXPECT_EQ(form->head.icon, kHeads[n].icon);
    EXPECT_EQ(form->head.zero, 0u);
    EXPECT_EQ(form->head.fieldCount, kHeads[n].fieldCount);
    EXPECT_EQ(form->head.word5, kHeads[n].word5);
    EXPECT_EQ(form->fields.size(), form->head.fieldCount);
  }
  EXPECT_EQ(BuiltInFormAt(-1), nullptr);
  EXPECT_EQ(BuiltInFormAt(kBuiltInFormCount), nullptr);
}

TEST(BuiltInForms, FormZeroFieldsAreFixed) {
  struct Def {
    uint32_t legacy, label, kind, masked;
  };
  constexpr Def kExpected[] = {
      {501, 31000, 1, 0}, {502, 31001, 5, 0},  {503, 31002, 0, 1},  {504, 31003, 2, 0},
      {505, 31004, 5, 0}, {506, 31005, 5, 0},  {507, 31006, 0, 0},  {508, 31007, 0, 0},
      {509, 31008, 0, 0}, {510, 31009, 11, 0}, {511, 31010, 11, 0}, {512, 31011, 0, 0},
      {513, 31012, 0, 0}, {514, 31013, 0, 0},  {515, 31014, 0, 0},  {516, 31015, 0, 0},
  };
  const BuiltInForm* form = BuiltInFormAt(0);
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(form->fields.size(), std::size(kExpected));
  for (size_t i = 0; i < std::size(kExpected); ++i) {
    SCOPED_TRACE(i);
    const FormFieldDef& f = form->fields[i];
    EXPECT_EQ(f.legacyNumber, kExpected[i].legacy);
    EXPECT_EQ(f.labelString, kExpected[i].label);
    EXPECT_EQ(f.formKind, kExpected[i].kind);
    EXPECT_EQ(f.masked, kExpected[i].masked);
  }
}

TEST(BuiltInForms, DefinitionTotals) {
  std::map<uint32_t, int> perKind;
  int total = 0, masked = 0;
  for (int n = 0; n < kBuiltInFormCount; ++n) {
    for (const FormFieldDef& f : BuiltInFormAt(n)->fields) {
      ++total;
      ++perKind[f.formKind];
      if (f.masked) ++masked;
      EXPECT_LE(f.masked, 1u);
      EXPECT_EQ(f.reserved1, 0u);
      EXPECT_EQ(f.reserved2, 0u);
    }
  }
  EXPECT_EQ(total, 755);
  EXPECT_EQ(masked, 19);
  const std::map<uint32_t, int> expected = {
      {0, 308}, {1, 130}, {2, 118}, {11, 97}, {5, 26}, {8, 25}, {15, 19}, {3, 18}, {9, 9}, {17, 3}, {18, 2},
  };
  EXPECT_EQ(perKind, expected);
}

TEST(BuiltInForms, FieldNumbersAndLabelsPerForm) {
  std::map<uint32_t, std::set<int>> formsUsingSharedLabel;
  for (int n = 0; n < kBuiltInFormCount; ++n) {
    SCOPED_TRACE(n);
    const BuiltInForm& form = *BuiltInFormAt(n);
    std::set<uint32_t> labels;
    for (size_t i = 0; i < form.fields.size(); ++i) {
      const FormFieldDef& f = form.fields[i];
      EXPECT_EQ(f.legacyNumber, 501 + i);
      EXPECT_TRUE(labels.insert(f.labelString).second) << "label repeated: " << f.labelString;
      const uint32_t ownBase = 31000 + 100 * static_cast<uint32_t>(n);
      if (f.labelString >= 30000 && f.labelString < 31000) {
        formsUsingSharedLabel[f.labelString].insert(n);
      } else {
        EXPECT_GE(f.labelString, ownBase);
        EXPECT_LT(f.labelString, ownBase + 100);
      }
      if (f.masked) {
        EXPECT_EQ(f.formKind, 0u) << "secret fields are plain text";
      }
    }
  }
  // A label numbered as shared that only one form uses is a numbering slip.
  for (const auto& [label, forms] : formsUsingSharedLabel) {
    EXPECT_GE(forms.size(), 2u) << "shared label " << label;
  }
  EXPECT_TRUE(formsUsingSharedLabel.count(30002));
}

TEST(BuiltInForms, LookupByLegacyNumbers) {
  // Form numbers are not in table order: 511 is form 40, 529 is form 24.
  const struct {
    uint32_t legacy;
    int form;
  } kCases[] = {
      {500, 0}, {511, 40}, {512, 11}, {529, 24}, {523, 22}, {542, 42},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(BuiltInFormByLegacyNumber(c.legacy), BuiltInFormAt(c.form)) << c.legacy;
  }
  for (uint32_t absent : {0u, 499u, 543u, 0xFFFFFFFFu}) {
    EXPECT_EQ(BuiltInFormByLegacyNumber(absent), nullptr) << absent;
  }

  const BuiltInForm& general = *BuiltInFormAt(0);
  EXPECT_EQ(FieldByLegacyNumber(general, 501), &general.fields[0]);
  EXPECT_EQ(FieldByLegacyNumber(general, 516), &general.fields[15]);
  EXPECT_EQ(FieldByLegacyNumber(general, 500), nullptr);
  EXPECT_EQ(FieldByLegacyNumber(general, 517), nullptr);
  EXPECT_EQ(FieldByLegacyNumber(general, 400), nullptr);  // the notes tag is no field

  const BuiltInForm& last = *BuiltInFormAt(42);
  EXPECT_EQ(FieldByLegacyNumber(last, 540), &last.fields[39]);
}

TEST(BuiltInForms, NewCardKindsOfDefinitions) {
  // Every built-in definition turns into a kind the designer can show.
  for (int n = 0; n < kBuiltInFormCount; ++n) {
    for (const FormFieldDef& f : BuiltInFormAt(n)->fields) {
      const FieldKind kind = BuiltInFieldKind(static_cast<int>(f.formKind), f.masked != 0);
      EXPECT_NE(FieldKindNameString(kind), 0u);
    }
  }
}

}  // namespace
}  // namespace tb::storage
