// tbwallet commands end to end, in-process: what they print, what they
// store, and how they refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/field_values.h"
#include "cli_harness.h"
#include "json_reader.h"
#include "platform/core/system.h"
#include "support/wallet_fixture.h"

namespace tb::test {
namespace {

bool IsId(const std::string& s) {
  return s.size() == 32 &&
         std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class CommandsTest : public ::testing::Test, public CliHarness {
 protected:
  void SetUp() override {
    const CliResult r = Exec({"create", wallet, "--hint", "the usual"}, password + "\n");
    ASSERT_EQ(r.rc, 0) << r.err;
  }
  // A new item's id, or a failed test.
  std::string Make(const std::string& command, std::vector<std::string> rest, const std::string& more = "") {
    const CliResult r = On(command, std::move(rest), more);
    EXPECT_EQ(r.rc, 0) << r.err;
    const std::string id = PrintedId(r);
    EXPECT_TRUE(IsId(id)) << r.out;
    return id;
  }
  platform::ScopedDateTimeFormats formats_{{u"yyyy-MM-dd", u"HH:mm:ss"}};
};

TEST_F(CommandsTest, RoundTripFromCreateToFind) {
  const std::string bank = Make("mkdir", {"Bank"});
  const std::string visa = Make("new-card", {"Bank", "Visa", "--form", "0", "--field", "Number=4111 1111"});
  // The secret value comes from standard input, not from the argument list.
  CliResult r = On("set", {"Bank/Visa", "Password=-", "Type=Gold"}, "s3cr3t\n");
  ASSERT_EQ(r.rc, 0) << r.err;

  r = On("show", {"Bank/Visa"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "Name: Visa\n"));
  EXPECT_TRUE(Contains(r.out, "Path: Bank/Visa\n"));
  EXPECT_TRUE(Contains(r.out, "Number: 4111 1111\n"));
  EXPECT_TRUE(Contains(r.out, "Type: Gold\n"));
  EXPECT_TRUE(Contains(r.out, "Password: ********\n"));
  EXPECT_FALSE(Contains(r.out, "s3cr3t"));
  r = On("show", {visa, "--reveal"});
  EXPECT_TRUE(Contains(r.out, "Password: s3cr3t\n"));

  Json shown;
  r = On("show", {"Bank/Visa", "--json"});
  ASSERT_TRUE(JsonReader::Parse(r.out, &shown)) << r.out;
  EXPECT_EQ(shown.Keys(), (std::vector<std::string>{"id", "path", "name", "fields"}));
  EXPECT_EQ(shown["id"].string, visa);
  ASSERT_GE(shown["fields"].items.size(), 3u);
  EXPECT_EQ(shown["fields"][2]["label"].string, "Password");
  EXPECT_EQ(shown["fields"][2]["value"].string, "********");

  r = On("find", {"  4111 "});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "Bank/Visa\t" + visa + "\n");
  Json hits;
  r = On("find", {"gold", "--json"});
  ASSERT_TRUE(JsonReader::Parse(r.out, &hits)) << r.out;
  ASSERT_EQ(hits.items.size(), 1u);
  EXPECT_EQ(hits[0].Keys(), (std::vector<std::string>{"id", "path", "name"}));
  EXPECT_EQ(hits[0]["name"].string, "Visa");
  EXPECT_EQ(On("find", {"nowhere"}).out, "");

  // The browser's order: cards before folders, the forms folder last.
  Make("new-card", {"Bank", "amex"});
  Make("mkdir", {"Bank/Archive"});
  Make("mkdir", {"Alpha"});
  r = On("ls");
  ASSERT_EQ(r.rc, 0) << r.err;
  std::vector<std::string> paths;
  for (const std::string& line : Lines(r.out)) paths.push_back(line.substr(0, line.find('\t')));
  EXPECT_EQ(paths, (std::vector<std::string>{"Alpha", "Bank", "Bank/amex", "Bank/Visa", "Bank/Archive", "My Forms"}));
  EXPECT_TRUE(Contains(r.out, "Bank\t" + bank + "\n"));
  Json listed;
  ASSERT_TRUE(JsonReader::Parse(On("ls", {"--json"}).out, &listed));
  ASSERT_EQ(listed.items.size(), 6u);
  EXPECT_EQ(listed[5].Keys(), (std::vector<std::string>{"id", "kind", "path", "name"}));
  EXPECT_EQ(listed[5]["kind"].number, 3);
}

TEST_F(CommandsTest, ValuesFollowTheFieldKind) {
  // The passport form has date fields.
  Make("mkdir", {"Web"});
  Make("new-card", {"Web", "Shop", "--form-name", "passport"});
  CliResult r = On("set", {"Web/Shop", "Date of issue=2026-12-10"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(On("show", {"Web/Shop"}).out, "Date of issue: 2026-12-10\n"));
  Json dump;
  ASSERT_TRUE(JsonReader::Parse(On("dump").out, &dump));
  const Json* field = nullptr;
  for (const Json& rec : dump["records"].items)
    if (rec["name"].string == "Shop")
      for (const Json& f : rec["card"]["fields"].items)
        if (f["label"].string == "Date of issue") field = &f;
  ASSERT_NE(field, nullptr);
  ASSERT_EQ(field->items.size(), 0u);
  ASSERT_EQ((*field)["datetime"].items.size(), 8u);
  EXPECT_EQ((*field)["datetime"][0].number, 2026);
  EXPECT_EQ((*field)["datetime"][2].number, 4);  // a Thursday
  EXPECT_EQ((*field)["datetime"][3].number, 10);

  EXPECT_EQ((*field)["kind"].number, 8);
  for (const char* bad : {"Date of issue=2026-13-01", "Date of issue=10.12.2026", "Date of issue=14:30"})
    EXPECT_EQ(On("set", {"Web/Shop", bad}).rc, 2) << bad;
  EXPECT_EQ(On("set", {"Web/Shop", "No such label=1"}).rc, 1);
  EXPECT_EQ(On("set", {"Web/Shop", "missing-equals"}).rc, 2);
}

// A password in an argument shows in the process list and the shell's
// history: it is refused, nothing is written, and the message shows the
// way that works (LABEL=-, the value as an answer).
TEST_F(CommandsTest, PasswordsAreNeverTakenFromArguments) {
  Make("mkdir", {"Bank"});
  Make("new-card", {"Bank", "Visa", "--form", "0"});
  const std::string before = On("dump").out;
  CliResult r = On("set", {"Bank/Visa", "Type=Gold", "Password=abc"});
  EXPECT_EQ(r.rc, 2);
  EXPECT_TRUE(Contains(r.err, "Password=-"));
  r = On("new-card", {"Bank", "Amex", "--form", "0", "--field", "password=abc"});
  EXPECT_EQ(r.rc, 2);
  EXPECT_TRUE(Contains(r.err, "password=-"));
  EXPECT_EQ(On("dump").out, before);

  const std::string amex = Make("new-card", {"Bank", "Amex", "--form", "0", "--field", "Password=-"}, "open sesame\n");
  EXPECT_TRUE(Contains(On("show", {amex, "--reveal"}).out, "Password: open sesame\n"));
  // Clearing a password gives nothing away.
  ASSERT_EQ(On("set", {amex, "Password="}).rc, 0);
  EXPECT_TRUE(Contains(On("show", {amex, "--reveal"}).out, "Password: \n"));
}

TEST(CommandsFixtureTest, SharedLabelsAndCheckBoxes) {
  TestWallet tw;
  ASSERT_TRUE(tw.Ok());
  const int folder = tw.AddFolder(u"Home");
  ASSERT_GE(tw.AddCard(tw.IdAt(folder), u"Alarm", {{u"Phone", u"1", 6}, {u"Phone", u"2", 6}, {u"Armed", u"", 13}}), 0);
  tw.wallet().Close();
  CliHarness h;
  h.wallet = tw.path();
  h.password = "secret";
  CliResult r = h.On("set", {"Home/Alarm", "Phone=9"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "Phone#2"));
  r = h.On("set", {"Home/Alarm", "Phone#2=22", "Armed=yes"});
  ASSERT_EQ(r.rc, 0) << r.err;
  r = h.On("show", {"Home/Alarm"});
  EXPECT_TRUE(Contains(r.out, "Phone: 1\nPhone: 22\nArmed: Yes\n"));
  EXPECT_EQ(h.On("set", {"Home/Alarm", "Phone#3=x"}).rc, 1);
  EXPECT_EQ(h.On("set", {"Home/Alarm", "Armed=maybe"}).rc, 2);
  ASSERT_EQ(h.On("set", {"Home/Alarm", "Armed=0"}).rc, 0);
  EXPECT_TRUE(Contains(h.On("show", {"Home/Alarm"}).out, "Armed: No\n"));
}

TEST(IsoDateTimeTest, Forms) {
  struct Case {
    const char* text;
    bool ok;
    cli::IsoForm form = cli::IsoForm::Date;
    uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  };
  const Case cases[] = {
      {"2026-12-10", true, cli::IsoForm::Date, 2026, 12, 10, 0, 0, 0},
      {"14:30", true, cli::IsoForm::Time, 0, 0, 0, 14, 30, 0},
      {"14:30:05", true, cli::IsoForm::Time, 0, 0, 0, 14, 30, 5},
      {"2026-12-10T14:30:00", true, cli::IsoForm::DateTime, 2026, 12, 10, 14, 30, 0},
      {"2024-02-29 23:59", true, cli::IsoForm::DateTime, 2024, 2, 29, 23, 59, 0},
      {"2025-02-29", false},
      {"2026-12-1", false},
      {"24:00", false},
      {"14:60", false},
      {"2026-12-10T", false},
      {"2026-12-10X14:30", false},
      {"", false},
      {"12/10/2026", false},
  };
  for (const Case& c : cases) {
    cli::IsoForm form;
    const auto t = cli::ParseIsoDateTime(c.text, &form);
    ASSERT_EQ(t.has_value(), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(form, c.form) << c.text;
    EXPECT_EQ(t->year, c.year) << c.text;
    EXPECT_EQ(t->month, c.month) << c.text;
    EXPECT_EQ(t->day, c.day) << c.text;
    EXPECT_EQ(t->hour, c.hour) << c.text;
    EXPECT_EQ(t->minute, c.minute) << c.text;
    EXPECT_EQ(t->second, c.second) << c.text;
  }
}

TEST_F(CommandsTest, PathThatNamesSeveralRecordsListsTheirIds) {
  Make("mkdir", {"Bank"});
  const std::string first = Make("new-card", {"Bank", "Dup"});
  const std::string second = Make("new-card", {"Bank", "Dup"});
  const CliResult r = On("show", {"Bank/Dup"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, first));
  EXPECT_TRUE(Contains(r.err, second));
  EXPECT_EQ(On("rm", {"Bank/Dup"}).rc, 1);
  EXPECT_EQ(On("show", {second}).rc, 0);  // the id still names one
}

TEST_F(CommandsTest, SlashInsideANameIsEscaped) {
  const std::string joined = Make("mkdir", {"A\\/B"});
  Make("mkdir", {"A"});
  const std::string nested = Make("mkdir", {"A/B"});
  // A card's NAME is a name, not a path: taken as it stands.
  const std::string inJoined = Make("new-card", {"A\\/B", "C\\D"});
  const CliResult r = On("ls");
  EXPECT_TRUE(Contains(r.out, "A\\/B\t" + joined + "\n"));
  EXPECT_TRUE(Contains(r.out, "A\\/B/C\\\\D\t" + inJoined + "\n"));
  EXPECT_TRUE(Contains(r.out, "A/B\t" + nested + "\n"));
  Json dump;
  ASSERT_TRUE(JsonReader::Parse(On("dump").out, &dump));
  bool sawJoined = false;
  for (const Json& rec : dump["records"].items)
    if (rec["id"].string == joined) sawJoined = rec["name"].string == "A/B";
  EXPECT_TRUE(sawJoined);
  EXPECT_TRUE(Contains(On("show", {"A\\/B/C\\\\D"}).out, "Name: C\\D\n"));
}

TEST_F(CommandsTest, NamesCannotSteerTheTerminal) {
  const std::string id = Make("mkdir", {"Bad\x1b[2J\nName"});
  EXPECT_TRUE(Contains(On("ls").out, "Bad?[2J?Name\t" + id + "\n"));
  EXPECT_TRUE(Contains(On("dump").out, "\"name\":\"Bad\\u001b[2J\\u000aName\""));
}

TEST_F(CommandsTest, RemovingAFolderRemovesEverythingBelowIt) {
  Make("mkdir", {"Keep"});
  const std::string kept = Make("new-card", {"Keep", "Stays"});
  Make("mkdir", {"Gone"});
  const std::string card = Make("new-card", {"Gone", "Card"});
  Make("mkdir", {"Gone/Sub"});
  Make("new-card", {"Gone/Sub", "Deep"});
  Make("mkdir", {"Gone/Sub/Deeper"});
  {
    // A favourite below the folder has to leave the list, and the list is
    // in the options block that only SaveHeaders writes.
    storage::Wallet w;
    FixedTexts texts;
    w.SetTextSource(&texts);
    ASSERT_EQ(w.Open(wallet, u"pass-word", false, nullptr), storage::OpenStatus::Ok);
    ASSERT_TRUE(w.AddFavourite(*storage::RecordId::FromHex(card)));
    ASSERT_TRUE(w.AddFavourite(*storage::RecordId::FromHex(kept)));
    ASSERT_EQ(w.SaveHeaders(), storage::SaveStatus::Ok);
    w.Close();
  }
  ASSERT_EQ(On("rm", {"Gone"}).rc, 0);
  std::vector<std::string> paths;
  for (const std::string& line : Lines(On("ls").out)) paths.push_back(line.substr(0, line.find('\t')));
  EXPECT_EQ(paths, (std::vector<std::string>{"Favorites", "Favorites/Stays", "Keep", "Keep/Stays", "My Forms"}));
  Json dump;
  ASSERT_TRUE(JsonReader::Parse(On("dump").out, &dump));
  EXPECT_EQ(dump["records"].items.size(), 3u);
  ASSERT_EQ(dump["options"]["favourites"].items.size(), 1u);
  EXPECT_EQ(dump["options"]["favourites"][0].string, kept);

  const CliResult forms = On("rm", {"My Forms"});
  EXPECT_EQ(forms.rc, 1);
  EXPECT_TRUE(Contains(forms.err, "forms folder"));
  ASSERT_EQ(On("rm", {"Keep/Stays"}).rc, 0);
  EXPECT_EQ(On("show", {kept}).rc, 1);
}

TEST_F(CommandsTest, LsShowsTheFavouritesViewMarked) {
  // A folder named like the view: only the marks tell the two apart.
  const std::string folder = Make("mkdir", {"Favorites"});
  const std::string inFolder = Make("new-card", {"Favorites", "Lamp"});
  const std::string bank = Make("mkdir", {"Bank"});
  const std::string visa = Make("new-card", {"Bank", "Visa"});
  {
    storage::Wallet w;
    FixedTexts texts;
    w.SetTextSource(&texts);
    ASSERT_EQ(w.Open(wallet, u"pass-word", false, nullptr), storage::OpenStatus::Ok);
    ASSERT_TRUE(w.AddFavourite(*storage::RecordId::FromHex(visa)));
    ASSERT_EQ(w.SaveHeaders(), storage::SaveStatus::Ok);
    w.Close();
  }
  CliResult r = On("ls");
  ASSERT_EQ(r.rc, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 7u) << r.out;
  EXPECT_EQ(lines[0], "Favorites\t\tview");
  EXPECT_EQ(lines[1], "Favorites/Visa\t" + visa + "\tview");
  EXPECT_EQ(lines[2], "Bank\t" + bank);
  EXPECT_TRUE(Contains(r.out, "\nFavorites\t" + folder + "\n"));
  EXPECT_TRUE(Contains(r.out, "\nFavorites/Lamp\t" + inFolder + "\n"));

  Json listed;
  ASSERT_TRUE(JsonReader::Parse(On("ls", {"--json"}).out, &listed));
  ASSERT_EQ(listed.items.size(), 7u);
  EXPECT_EQ(listed[0].Keys(), (std::vector<std::string>{"kind", "path", "name", "view"}));
  EXPECT_EQ(listed[0]["kind"].number, 100);
  EXPECT_TRUE(listed[0]["view"].boolean);
  EXPECT_EQ(listed[1].Keys(), (std::vector<std::string>{"id", "kind", "path", "name", "view"}));
  EXPECT_EQ(listed[1]["id"].string, visa);
  EXPECT_EQ(listed[2].Keys(), (std::vector<std::string>{"id", "kind", "path", "name"}));

  // A view's path names no item; the folder of the same name still works.
  EXPECT_TRUE(Contains(On("show", {"Favorites/Lamp"}).out, "Name: Lamp\n"));
  r = On("show", {"Favorites/Visa"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "is a view")) << r.err;
  EXPECT_EQ(On("rm", {"Favorites/Visa"}).rc, 1);
  EXPECT_EQ(On("show", {visa}).rc, 0);
}

TEST_F(CommandsTest, MoveCopyRenameAndSaveForm) {
  const std::string a = Make("mkdir", {"A"});
  Make("mkdir", {"A/B"});
  Make("mkdir", {"A/B/C"});
  const std::string card = Make("new-card", {"A", "Note"});
  const std::string before = On("ls").out;
  for (const char* into : {"A", "A/B", "A/B/C"}) {
    const CliResult r = On("mv", {"A", into});
    EXPECT_EQ(r.rc, 1) << into;
    EXPECT_TRUE(Contains(r.err, "itself")) << into;
  }
  EXPECT_EQ(On("ls").out, before);

  ASSERT_EQ(On("mv", {"A/B/C", "/"}).rc, 0);
  ASSERT_EQ(On("mv", {"A/Note", "C"}).rc, 0);
  EXPECT_EQ(On("mv", {"C/Note", "/"}).rc, 1);  // a card needs a folder
  const std::string copy = Make("cp", {"C/Note", "A/B"});
  ASSERT_EQ(On("rename", {"A", "Renamed"}).rc, 0);
  const std::string form = Make("save-form", {"C/Note"});
  CliResult r = On("ls");
  EXPECT_TRUE(Contains(r.out, "C/Note\t" + card + "\n"));
  EXPECT_TRUE(Contains(r.out, "Renamed\t" + a + "\n"));
  EXPECT_TRUE(Contains(r.out, "Renamed/B/Note*\t" + copy + "\n"));
  EXPECT_TRUE(Contains(r.out, "My Forms/Note\t" + form + "\n"));
  r = On("forms");
  EXPECT_EQ(Lines(r.out).front(), form + "\tNote");  // custom forms first
  EXPECT_EQ(Lines(r.out).size(), 44u);
  const std::string fromForm = Make("new-card", {"C", "Made", "--form-name", "Note"});
  EXPECT_TRUE(Contains(On("show", {fromForm}).out, "Name: Made\n"));
  EXPECT_EQ(On("mv", {"My Forms/Note", "C"}).rc, 1);
  EXPECT_EQ(On("save-form", {"My Forms/Note"}).rc, 1);
}

TEST_F(CommandsTest, PasswdChangesThePasswordAndHint) {
  Make("mkdir", {"Bank"});
  // Confirmation that differs and a too-short password change nothing.
  EXPECT_EQ(On("passwd", {}, "new-pass\nother\n\n").rc, 1);
  EXPECT_EQ(On("passwd", {}, "ab\nab\n\n").rc, 1);
  EXPECT_EQ(On("info").rc, 0);

  CliResult r = On("passwd", {}, "new-pass\nnew-pass\nnew hint\n");
  ASSERT_EQ(r.rc, 0) << r.err;
  r = On("info");
  EXPECT_EQ(r.rc, 1);
  EXPECT_TRUE(Contains(r.err, "status 10 (wrong password)"));
  password = "new-pass";
  r = On("info");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "Hint: new hint\n"));
  EXPECT_TRUE(Contains(On("ls").out, "Bank\t"));
  ASSERT_EQ(On("passwd", {}, "pass-word\npass-word\n\n").rc, 0);
  password = "pass-word";
  EXPECT_TRUE(Contains(On("info").out, "Hint: (none)\n"));
}

TEST_F(CommandsTest, UsageErrorsExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"bogus", wallet},
      {"show", wallet},
      {"ls", wallet, "extra"},
      {"ls", wallet, "--bogus"},
      {"find", wallet, " a "},
      {"create", wallet, "--hint"},
      {"new-card", wallet, "Bank", "Card", "--form", "43"},
      {"new-card", wallet, "Bank", "Card", "--form", "1", "--form-name", "General"},
      {"rename", wallet, "My Forms", ""},
  };
  for (const auto& args : cases) {
    const CliResult r = Exec(args, password + "\n");
    EXPECT_EQ(r.rc, 2) << ::testing::PrintToString(args);
    EXPECT_FALSE(r.err.empty());
  }
}

TEST_F(CommandsTest, HelpEverywhere) {
  CliResult r = Exec({"--help"});
  ASSERT_EQ(r.rc, 0);
  for (const char* command : {"create", "info", "ls", "show", "mkdir", "new-card", "set", "rename", "mv", "cp", "rm",
                              "save-form", "forms", "find", "passwd", "repair", "dump"}) {
    EXPECT_TRUE(Contains(r.out, "  " + std::string(command) + " ")) << command;
    const CliResult one = Exec({command, "--help"});
    EXPECT_EQ(one.rc, 0) << command;
    EXPECT_TRUE(Contains(one.out, "Usage: tbwallet " + std::string(command))) << command;
  }
  EXPECT_TRUE(Contains(Exec({"dump", "--help"}).out, "SECRETS IN CLEAR"));
}

}  // namespace
}  // namespace tb::test
