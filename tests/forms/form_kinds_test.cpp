#include "storage/forms/form_kinds.h"

#include <gtest/gtest.h>

#include <string>

namespace tb::storage {
namespace {

TEST(FormKinds, MappingsToFieldKinds) {
  const struct {
    int formKind;
    FieldKind builtIn, legacy;
  } kCases[] = {
      {0, FieldKind::Text, FieldKind::Text},
      {1, FieldKind::Text, FieldKind::TextCapFirst},
      {2, FieldKind::Text, FieldKind::TextCapFirst},
      {3, FieldKind::WebAddress, FieldKind::WebAddress},
      {5, FieldKind::Text, FieldKind::TextCapFirst},
      {8, FieldKind::Date, FieldKind::TextCapFirst},
      {9, FieldKind::Text, FieldKind::TextCapFirst},  // yes/no is plain text on new cards
      {11, FieldKind::Telephone, FieldKind::Telephone},
      {15, FieldKind::Email, FieldKind::Email},
      {16, FieldKind::Text, FieldKind::TextCapFirst},
      {17, FieldKind::Time, FieldKind::TextCapFirst},
      {18, FieldKind::DateTime, FieldKind::TextCapFirst},
      {-1, FieldKind::Text, FieldKind::TextCapFirst},
      {4, FieldKind::Text, FieldKind::TextCapFirst},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.formKind);
    EXPECT_EQ(BuiltInFieldKind(c.formKind, false), c.builtIn);
    EXPECT_EQ(LegacyFieldKind(c.formKind, false), c.legacy);
    // A secret definition is a password whatever its kind number says.
    EXPECT_EQ(BuiltInFieldKind(c.formKind, true), FieldKind::Password);
    EXPECT_EQ(LegacyFieldKind(c.formKind, true), FieldKind::Password);
  }
}

TEST(FormKinds, KeywordLines) {
  const struct {
    const char16_t* line;
    int kind;
    bool masked;
  } kCases[] = {
      {u"501 TBF_DEFAULT Name", 0, false},
      {u"5 TBF_PIN Code", 0, true},
      {u"502 TBF_UPPERALL Plate", 1, false},
      {u"503 TBF_UPPERFIRST City", 2, false},
      {u"504 TBF_URL Site", 3, false},
      {u"505 TBF_EMAIL Mail", 15, false},
      {u"506 TBF_TEL Phone", 11, false},
      {u"507 TBF_LINK Contact", 16, false},
      {u"508 TBF_DATE Expires", 8, false},
      {u"509 TBF_TIME Opens", 17, false},
      {u"510 TBF_YESNO Active", 9, false},
      // Both plain keywords: DEFAULT is searched first, so not secret.
      {u"511 TBF_PIN TBF_DEFAULT", 0, false},
      // The label's keyword is earlier in the search order than the line's.
      {u"512 TBF_TEL Home page TBF_URL", 3, false},
      {u"513 TBF_DATE TBF_EMAIL", 15, false},
      {u"514 TBF_YESNO TBF_TIME", 17, false},
      {u"515 tbf_pin lower case", 0, true},
      {u"", -1, false},
      {u"516 TBF_ Name", -1, false},
      {u"517 TBF_PI Name", -1, false},
      {u"518 DEFAULT Name", -1, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.line, c.line + std::char_traits<char16_t>::length(c.line)));
    const ParsedFormKind parsed = FormKindFromKeywordLine(c.line);
    EXPECT_EQ(parsed.kind, c.kind);
    EXPECT_EQ(parsed.masked, c.masked);
  }
}

TEST(FormKinds, KeywordsReadBackAsWritten) {
  for (int kind : {0, 1, 2, 3, 8, 9, 11, 15, 16, 17}) {
    SCOPED_TRACE(kind);
    const std::u16string_view word = KeywordFor(kind, false);
    ASSERT_FALSE(word.empty());
    const ParsedFormKind parsed = FormKindFromKeywordLine(u"501 " + std::u16string(word) + u" Label");
    EXPECT_EQ(parsed.kind, kind);
    EXPECT_FALSE(parsed.masked);
  }
  for (int kind : {0, 1, 11}) {
    EXPECT_EQ(KeywordFor(kind, true), u"TBF_PIN");
  }
  for (int kind : {5, 18, 4, -1, 99}) {
    EXPECT_TRUE(KeywordFor(kind, false).empty()) << kind;
  }
}

TEST(FieldKinds, Classes) {
  const struct {
    uint16_t kind;
    bool textLike, dateTime;
    uint32_t nameString;
  } kCases[] = {
      {1, true, false, 24500},   {2, false, false, 0},     {3, true, false, 24504},   {4, true, false, 24515},
      {5, true, false, 24505},   {6, true, false, 24506},  {7, true, false, 24507},   {8, false, true, 24508},
      {9, false, true, 24509},   {10, false, true, 24510}, {11, false, false, 24511}, {12, false, false, 24512},
      {13, false, false, 24513}, {14, true, false, 0},     {15, true, false, 24501},  {16, true, false, 24502},
      {0, false, false, 0},      {17, false, false, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.kind);
    const FieldKind kind = static_cast<FieldKind>(c.kind);
    EXPECT_EQ(IsTextLike(kind), c.textLike);
    EXPECT_EQ(IsDateTimeKind(kind), c.dateTime);
    EXPECT_EQ(FieldKindNameString(kind), c.nameString);
  }
}

}  // namespace
}  // namespace tb::storage
