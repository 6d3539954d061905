// tbwallet generate, set/new-card --generate and audit: what they print,
// what they store, and that stored values are never printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "cli_harness.h"
#include "json_reader.h"
#include "platform/core/system.h"

namespace tb::test {
namespace {

class PasswordsCliTest : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    ASSERT_EQ(Exec({"create", wallet}, password + "\n").rc, 0);
    ASSERT_EQ(On("mkdir", {"Web"}).rc, 0);
  }
  // The value of a field as 'show --reveal' prints it.
  std::string Revealed(const std::string& card, const std::string& label) {
    const CliResult r = On("show", {card, "--reveal"});
    EXPECT_EQ(r.rc, 0) << r.err;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
      if (line.rfind(label + ": ", 0) == 0) return line.substr(label.size() + 2);
    return "(no field " + label + ")";
  }
  std::string Card(const std::string& name, const std::string& password) {
    const CliResult r = On("new-card", {"Web", name, "--form", "4"});
    EXPECT_EQ(r.rc, 0) << r.err;
    if (!password.empty()) {
      EXPECT_EQ(On("set", {"Web/" + name, "Password=-"}, password + "\n").rc, 0);
    }
    return PrintedId(r);
  }
};

TEST_F(PasswordsCliTest, GeneratePrintsOnePasswordAsAsked) {
  const struct {
    std::vector<std::string> args;
    size_t length;         // 0: a passphrase
    const char* alphabet;  // every character from here
  } cases[] = {
      {{"generate"}, 20, nullptr},
      {{"generate", "--length", "4", "--classes", "d"}, 4, "0123456789"},
      {{"generate", "--length=128", "--classes", "ul", "--no-lookalike"},
       128,
       "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ"},
      {{"generate", "--words", "4", "--separator", "+", "--capitalise"}, 0, nullptr},
  };
  for (const auto& c : cases) {
    const CliResult r = Exec(c.args);
    ASSERT_EQ(r.rc, 0) << r.err;
    ASSERT_EQ(r.out.back(), '\n');
    const std::string p = r.out.substr(0, r.out.size() - 1);
    ASSERT_EQ(p.find('\n'), std::string::npos);
    if (c.alphabet) {
      EXPECT_EQ(p.find_first_not_of(c.alphabet), std::string::npos) << p;
    }
    if (c.length) {
      EXPECT_EQ(p.size(), c.length) << p;
    } else {
      EXPECT_EQ(std::count(p.begin(), p.end(), '+'), 3) << p;
      EXPECT_TRUE(p[0] >= 'A' && p[0] <= 'Z') << p;
    }
  }
}

TEST_F(PasswordsCliTest, GenerateRefusesImpossibleRequests) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"generate", "--length", "0"}, "4 to 128"},
      {{"generate", "--length", "100000"}, "4 to 128"},
      {{"generate", "--length", "99999999999999999999"}, "from 4 to 128"},
      {{"generate", "--length", "-5"}, "from 4 to 128"},
      {{"generate", "--classes", ""}, "letters l, u, d and s"},
      {{"generate", "--classes", "ldx"}, "letters l, u, d and s"},
      {{"generate", "--words", "0"}, "3 to 12 words"},
      {{"generate", "--words", "13"}, "3 to 12 words"},
      {{"generate", "--separator", "ab"}, "one printable character"},
      {{"generate", "--words", "5", "--length", "9"}, "options of one kind"},
      {{"generate", "extra"}, "too many arguments"},
  };
  for (const auto& c : cases) {
    const CliResult r = Exec(c.args);
    EXPECT_EQ(r.rc, 2) << c.args.back();
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_TRUE(Contains(r.err, c.message));
  }
}

TEST_F(PasswordsCliTest, GeneratedValuesAreStoredNeverPrinted) {
  // new-card --generate: the id is all that is printed.
  CliResult r = On("new-card", {"Web", "Shop", "--form", "4", "--field", "User name=ann", "--generate", "Password",
                                "--length", "32", "--classes", "lud"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, PrintedId(r) + "\n");
  const std::string first = Revealed("Web/Shop", "Password");
  EXPECT_EQ(first.size(), 32u);
  EXPECT_EQ(first.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"),
            std::string::npos);
  EXPECT_EQ(Revealed("Web/Shop", "User name"), "ann");

  // set --generate (case-insensitive label, as set names fields) replaces it.
  r = On("set", {"Web/Shop", "--generate", "password", "--words", "3", "--separator", " "});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
  const std::string phrase = Revealed("Web/Shop", "Password");
  EXPECT_NE(phrase, first);
  EXPECT_EQ(std::count(phrase.begin(), phrase.end(), ' '), 2) << phrase;

  // Only Password fields take a generated value; nothing is changed otherwise.
  r = On("set", {"Web/Shop", "Customer number=77", "--generate", "User name"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "not a Password field"));
  r = On("set", {"Web/Shop", "--generate", "No such"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "no field labelled No such"));
  EXPECT_EQ(Revealed("Web/Shop", "Customer number"), "");
  EXPECT_EQ(Revealed("Web/Shop", "Password"), phrase);
  // A bad generator option is refused before the password is asked.
  r = Exec({"set", wallet, "Web/Shop", "--generate", "Password", "--length", "2"});
  EXPECT_EQ(r.rc, 2);
  EXPECT_EQ(r.err.find("no answer"), std::string::npos) << r.err;
  r = On("set", {"Web/Shop"});
  EXPECT_EQ(r.rc, 2);
}

TEST_F(PasswordsCliTest, AuditReportsWithoutShowingValues) {
  CliResult r = On("audit");
  EXPECT_EQ(r.rc, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "0 password fields on 0 cards"));

  const std::string shared = "Kq8#vL2!mZ7@xR4$";
  const std::string shop = Card("Shop", shared);
  const std::string mail = Card("Mail", shared);
  const std::string forum = Card("Forum", "password");
  const std::string blank = Card("Blank", "");
  const std::string fine = Card("Fine", "Zt5^Wq9&Lp3*Hn7!");

  r = On("audit");
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.out, "5 password fields on 5 cards; 4 cards need attention."));
  EXPECT_TRUE(Contains(r.out, "empty 1, very weak 1, weak 0, reused 2, old 0\n"));
  EXPECT_TRUE(Contains(r.out, "Web/Forum\tPassword\tvery weak\n"));
  EXPECT_TRUE(Contains(r.out, "Web/Blank\tPassword\tempty\n"));
  EXPECT_TRUE(Contains(r.out, "  Web/Mail (Password), Web/Shop (Password)\n"));
  EXPECT_EQ(r.out.find(shared), std::string::npos);
  EXPECT_EQ(r.out.find("Fine"), std::string::npos);

  r = On("audit", {"--json"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.out.find(shared), std::string::npos);
  Json j;
  ASSERT_TRUE(JsonReader::Parse(r.out, &j)) << r.out;
  EXPECT_EQ(j.Keys(), (std::vector<std::string>{"counts", "cards"}));
  EXPECT_EQ(j["counts"]["fields"].number, 5);
  EXPECT_EQ(j["counts"]["flagged_cards"].number, 4);
  EXPECT_EQ(j["counts"]["reused"].number, 2);
  EXPECT_EQ(j["counts"]["very_weak"].number, 1);
  ASSERT_EQ(j["cards"].items.size(), 4u);
  // Browser order: cards by name.
  const Json& b = j["cards"][0];
  EXPECT_EQ(b["id"].string, blank);
  EXPECT_EQ(b["path"].string, "Web/Blank");
  EXPECT_EQ(b["field"].string, "Password");
  ASSERT_EQ(b["findings"].items.size(), 1u);
  EXPECT_EQ(b["findings"][0].string, "empty");
  EXPECT_TRUE(b["reused_with"].items.empty());
  const Json& m = j["cards"][2];
  EXPECT_EQ(m["path"].string, "Web/Mail");
  EXPECT_EQ(m["findings"][0].string, "reused");
  EXPECT_EQ(m["strength"].string, "strong");
  ASSERT_EQ(m["reused_with"].items.size(), 1u);
  EXPECT_EQ(m["reused_with"][0].string, shop);
  EXPECT_EQ(j["cards"][3]["reused_with"][0].string, mail);
  (void)forum;
  (void)fine;
}

}  // namespace
}  // namespace tb::test
