// The texts of the built-in forms live in the language sources (30000 and
// up); every name and label the table uses must be there, in every language,
// and nothing else in that range.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "storage/forms/builtin_forms.h"

namespace tb::storage {
namespace {

using Texts = std::map<uint32_t, std::string>;

// Reads "number = text" lines; headings and comments are skipped. A
// malformed or repeated number fails the test.
Texts ReadPart(const std::string& name) {
  Texts texts;
  std::ifstream in(std::string(TB_SOURCE_DIR) + "/resources/strings/" + name);
  EXPECT_TRUE(in) << name;
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#' || line[start] == '[') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      ADD_FAILURE() << name << ":" << lineNumber << ": no '='";
      continue;
    }
    uint32_t number = 0;
    std::istringstream(line.substr(start, eq - start)) >> number;
    std::string text = line.substr(eq + 1);
    text.erase(0, text.find_first_not_of(' '));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
    EXPECT_NE(number, 0u) << name << ":" << lineNumber;
    EXPECT_FALSE(text.empty()) << name << ":" << lineNumber;
    EXPECT_TRUE(texts.emplace(number, text).second) << name << ": " << number << " repeated";
  }
  return texts;
}

std::set<uint32_t> StringsTheTableUses() {
  std::set<uint32_t> used;
  for (int n = 0; n < kBuiltInFormCount; ++n) {
    const BuiltInForm& form = *BuiltInFormAt(n);
    used.insert(form.head.nameString);
    for (const FormFieldDef& f : form.fields) used.insert(f.labelString);
  }
  return used;
}

std::set<uint32_t> FormNumbers(const Texts& texts) {
  std::set<uint32_t> numbers;
  for (const auto& entry : texts)
    if (entry.first >= 30000 && entry.first < 40000) numbers.insert(entry.first);
  return numbers;
}

TEST(FormStrings, EveryLanguageDefinesExactlyTheStringsTheTableUses) {
  const std::set<uint32_t> used = StringsTheTableUses();
  for (const char* part : {"0409.txt", "0407.txt"}) {
    SCOPED_TRACE(part);
    EXPECT_EQ(FormNumbers(ReadPart(part)), used);
  }
}

TEST(FormStrings, NameLabelIsThePlainName) {
  // Dialogs show 30002 as the label of a card's name, too.
  EXPECT_EQ(ReadPart("0409.txt")[30002], "Name");
  EXPECT_EQ(ReadPart("0407.txt")[30002], "Name");
}

TEST(FormStrings, FormNamesAreDistinct) {
  for (const char* part : {"0409.txt", "0407.txt"}) {
    Texts texts = ReadPart(part);
    std::set<std::string> names;
    for (int n = 0; n < kBuiltInFormCount; ++n) {
      EXPECT_TRUE(names.insert(texts[BuiltInFormAt(n)->head.nameString]).second) << part << " form " << n;
    }
  }
}

}  // namespace
}  // namespace tb::storage
