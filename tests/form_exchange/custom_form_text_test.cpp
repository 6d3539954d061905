// The old program's custom form definition text: its results, which forms
// are taken, and which keyword decides a field's kind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interchange/custom_form_text.h"

namespace tb::interchange {
namespace {

using Status = DefinitionTextStatus;

const std::string kHead = "<QuillimarstenTamberlockCustomForms.1>\r\n";

std::string Ascii(const std::u16string& t) {
  std::string s;
  for (char16_t c : t) s += c < 128 ? char(c) : '?';
  return s;
}

// "number name icon: field field ..." with each field "number/kind[p]/label".
std::string Summary(const std::vector<CustomFormDefinition>& forms) {
  std::string s;
  for (const CustomFormDefinition& f : forms) {
    if (!s.empty()) s += " | ";
    s += std::to_string(f.number) + " " + Ascii(f.name) + " " + std::to_string(f.icon) + ":";
    for (const CustomFormFieldDefinition& d : f.fields)
      s +=
          " " + std::to_string(d.number) + "/" + std::to_string(d.formKind) + (d.pin ? "p" : "") + "/" + Ascii(d.label);
  }
  return s;
}

std::string Form(const std::string& name, const std::string& number, const std::string& icon,
                 const std::vector<std::string>& fields) {
  std::string s = "<MyForm>\r\n" + name + "\r\n" + number + "\r\n" + icon + "\r\n";
  for (const std::string& f : fields) s += f + "\r\n";
  return s + "<EndForm>\r\n";
}

struct Case {
  const char* what;
  std::string text;
  Status status;
  std::string forms;
};

TEST(CustomFormText, ResultsAndForms) {
  const Case cases[] = {
      {"no header", Form("Web", "1001", "3", {"1 TBF_URL Site"}), Status::NoHeader, ""},
      {"header not at the start", "\r\n" + kHead, Status::NoHeader, ""},
      {"header alone", kHead, Status::Ok, ""},
      {"one form", kHead + Form("Web", "1001", "3", {"1 TBF_URL Site", "2 TBF_PIN Password"}), Status::Ok,
       "1001 Web 3: 1/3/Site 2/0p/Password"},
      {"comments, blank lines and trailing spaces",
       kHead + "; forms of mine\r\n\r\n<myform>   \r\n  \r\nMail ; the name\r\n1002\r\n\r\n7\r\n"
               "3   tbf_email    Work address  \r\n<ENDFORM>\r\n",
       Status::Ok, "1002 Mail 7: 3/15/Work address"},
      {"leading spaces stay", kHead + Form("  Spaced", "1003", "1", {"4 TBF_TEL Home"}), Status::Ok,
       "1003   Spaced 1: 4/11/Home"},
      {"numbered below 1000, or without fields",
       kHead + Form("Low", "999", "1", {"1 TBF_DATE Day"}) + Form("Empty", "1500", "1", {}) +
           Form("Kept", "1000", "2", {"1 TBF_TIME At"}),
       Status::Ok, "1000 Kept 2: 1/17/At"},
      {"a form that never ends is dropped", kHead + "<MyForm>\r\nOpen\r\n1004\r\n1\r\n1 TBF_LINK L\r\n", Status::Ok,
       ""},
      {"lines outside forms are ignored", kHead + "stray words\r\n" + Form("A", "1005", "0", {"9 TBF_YESNO Ok"}),
       Status::Ok, "1005 A 0: 9/9/Ok"},
      {"ten-character numbers are fine", kHead + Form("Big", "2147483647", "99", {"1234567890 TBF_UPPERALL Up"}),
       Status::Ok, "2147483647 Big 99: 1234567890/1/Up"},
      {"an eleven-character field number stops with 3, earlier forms stay",
       kHead + Form("First", "1006", "1", {"1 TBF_DEFAULT Plain"}) +
           Form("Second", "1007", "1", {"12345678901 TBF_DEFAULT X", "2 TBF_DEFAULT Y"}),
       Status::Malformed, "1006 First 1: 1/0/Plain"},
      {"an eleven-character form number", kHead + Form("N", "10000000000", "1", {"1 TBF_PIN P"}), Status::Malformed,
       ""},
      {"a three-character icon", kHead + Form("I", "1008", "100", {"1 TBF_PIN P"}), Status::Malformed, ""},
      {"no keyword", kHead + Form("K", "1009", "1", {"1 TBF_NOTHING Label"}), Status::Malformed, ""},
      {"no label after the keyword", kHead + Form("S", "1010", "1", {"5 TBF_PIN"}), Status::Malformed, ""},
      {"no space at all", kHead + Form("S", "1011", "1", {"TBF_PIN"}), Status::Malformed, ""},
      {"a malformed last line", kHead + "<MyForm>\r\nLast\r\n1012\r\n1\r\n1 nothing here", Status::Malformed, ""},
      {"a line longer than 512 bytes goes on as the next line",
       kHead + Form("Long", "1013", "1", {"1 TBF_DEFAULT " + std::string(600, 'x')}), Status::Malformed, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<CustomFormDefinition> forms;
    int count = -1;
    EXPECT_EQ(ParseCustomFormText(c.text, &forms, false, &count), c.status);
    EXPECT_EQ(Summary(forms), c.forms);
    EXPECT_EQ(count, int(forms.size()));
  }
}

// The kind comes from the first keyword of this order found anywhere in
// the line, whatever the line's own keyword says.
TEST(CustomFormText, KeywordOrderDecidesTheKind) {
  struct Line {
    const char* line;
    const char* field;
  };
  const Line lines[] = {
      {"1 TBF_DEFAULT Plain", "1/0/Plain"},
      {"5 TBF_PIN Secret", "5/0p/Secret"},
      {"1 TBF_UPPERALL Caps", "1/1/Caps"},
      {"1 TBF_UPPERFIRST First", "1/2/First"},
      {"1 TBF_URL Site", "1/3/Site"},
      {"1 TBF_EMAIL Mail", "1/15/Mail"},
      {"1 TBF_TEL Phone", "1/11/Phone"},
      {"1 TBF_LINK Link", "1/16/Link"},
      {"1 TBF_DATE Day", "1/8/Day"},
      {"1 TBF_TIME Hour", "1/17/Hour"},
      {"1 TBF_YESNO Sure", "1/9/Sure"},
      {"2 TBF_PIN TBF_DEFAULT", "2/0/TBF_DEFAULT"},
      {"3 TBF_TEL Call TBF_URL", "3/3/Call TBF_URL"},
      {"4 TBF_YESNO When TBF_DATE", "4/8/When TBF_DATE"},
      {"6 anything Has tbf_email inside", "6/15/Has tbf_email inside"},
      {"-7 TBF_DEFAULT Negative", "-7/0/Negative"},
      {"x TBF_DEFAULT Not a number", "0/0/Not a number"},
  };
  for (const Line& l : lines) {
    SCOPED_TRACE(l.line);
    std::vector<CustomFormDefinition> forms;
    ASSERT_EQ(ParseCustomFormText(kHead + Form("F", "1000", "1", {l.line}), &forms), Status::Ok);
    EXPECT_EQ(Summary(forms), std::string("1000 F 1: ") + l.field);
  }
}

TEST(CustomFormText, LimitsCountingAndUtf16) {
  std::vector<std::string> many;
  for (int i = 1; i <= 51; ++i) many.push_back(std::to_string(i) + " TBF_DEFAULT Field");
  const std::string longName(70, 'n'), longLabel(70, 'l');
  const std::string text =
      kHead + Form(longName, "1000", "1", many) + Form("Caf\xE9", "1001", "2", {"1 TBF_PIN " + longLabel});

  std::vector<CustomFormDefinition> forms;
  ASSERT_EQ(ParseCustomFormText(text, &forms), Status::Ok);
  ASSERT_EQ(forms.size(), 2u);
  EXPECT_EQ(forms[0].fields.size(), 50u);
  EXPECT_EQ(forms[0].name.size(), 63u);
  EXPECT_EQ(forms[1].name, u"Caf\u00e9");  // single-byte text is Windows-1252
  EXPECT_EQ(forms[1].fields[0].label.size(), 63u);

  // Counting stores nothing.
  std::vector<CustomFormDefinition> none;
  int count = 0;
  EXPECT_EQ(ParseCustomFormText(text, &none, true, &count), Status::Ok);
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(none.empty());

  // The same text as UTF-16LE without a byte-order mark reads the same; with
  // a mark the header is not at the start.
  std::string wide;
  for (unsigned char c : text) {
    const char16_t u = c == 0xE9 ? u'\u00e9' : char16_t(c);
    wide.push_back(char(u & 0xFF));
    wide.push_back(char(u >> 8));
  }
  std::vector<CustomFormDefinition> fromWide;
  ASSERT_EQ(ParseCustomFormText(wide, &fromWide), Status::Ok);
  EXPECT_EQ(Summary(fromWide), Summary(forms));
  EXPECT_EQ(ParseCustomFormText("\xFF\xFE" + wide, &fromWide), Status::NoHeader);
}

}  // namespace
}  // namespace tb::interchange
