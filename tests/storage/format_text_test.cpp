// Filling module strings: widths, padding, and strings that are not
// placeholders of ours (an absurd width is one of those).
#include <gtest/gtest.h>

#include "storage/format_text.h"

namespace tb::storage {
namespace {

TEST(FormatTextTest, FillsPlaceholdersAndLeavesTheRestAsWritten) {
  using Args = std::initializer_list<FormatArg>;
  const struct {
    std::u16string_view format;
    Args args;
    std::u16string_view expected;
  } cases[] = {
      {u"%s has %d cards", {std::u16string_view(u"Bank"), int64_t(3)}, u"Bank has 3 cards"},
      {u"_%02d%02d%d.txt", {int64_t(6), int64_t(12), int64_t(2026)}, u"_06122026.txt"},
      {u"[%5s]", {std::u16string_view(u"ab")}, u"[   ab]"},
      {u"[%05d]", {int64_t(-42)}, u"[-0042]"},
      {u"[%5d]", {int64_t(-42)}, u"[  -42]"},
      {u"100%% [%32d]", {int64_t(7)}, u"100% [                               7]"},
      {u"[%33d]", {int64_t(7)}, u"[%33d]"},
      {u"[%0999999d]", {int64_t(7)}, u"[%0999999d]"},
      {u"[%99999999999999999999999d]", {int64_t(7)}, u"[%99999999999999999999999d]"},
      {u"%x %s %", {std::u16string_view(u"a")}, u"%x a %"},
      {u"%s and %s", {std::u16string_view(u"one")}, u"one and "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatText(c.format, c.args), c.expected) << std::string(c.format.begin(), c.format.end());
}

// Many huge widths in one string: the result is the string itself, made
// in one pass.
TEST(FormatTextTest, HugeWidthsCostNothing) {
  std::u16string format;
  for (int i = 0; i < 20000; ++i) format += u"%0999999d";
  EXPECT_EQ(FormatText(format, {int64_t(1)}), format);
}

}  // namespace
}  // namespace tb::storage
