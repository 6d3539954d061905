// dump: the exact structure scripts rely on, secrets in clear, digests of
// the binary parts, and only the records that count.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <streambuf>

#include "cli/json_writer.h"
#include "cli_harness.h"
#include "json_reader.h"
#include "support/wallet_fixture.h"

namespace tb::test {
namespace {

using Keys = std::vector<std::string>;

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

storage::SecureBytes Bytes(const std::string& s) { return storage::SecureBytes(s.begin(), s.end()); }

bool IsId(const Json& v) {
  return v.type == Json::Type::String && v.string.size() == 32 &&
         std::all_of(v.string.begin(), v.string.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

TEST(JsonWriterTest, EscapesEveryControlCharacter) {
  cli::JsonWriter json;
  json.BeginObject().Key("k").String(u"q\"b\\\n\x01\x1f\u00e9\xd800").Key("n").Null().EndObject();
  EXPECT_EQ(json.Text(), "{\"k\":\"q\\\"b\\\\\\u000a\\u0001\\u001f\xc3\xa9\xef\xbf\xbd\",\"n\":null}");
}

class DumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tw.Ok());
    cli.wallet = tw.path();
    cli.password = "secret";
  }
  Json Dump() {
    const CliResult r = cli.On("dump");
    EXPECT_EQ(r.rc, 0) << r.err;
    Json dump;
    EXPECT_TRUE(JsonReader::Parse(r.out, &dump)) << r.out;
    return dump;
  }
  TestWallet tw;
  CliHarness cli;
};

TEST_F(DumpTest, HasExactlyTheDocumentedKeys) {
  const int home = tw.AddFolder(u"Home");
  storage::Card card = tw.MakeCard(tw.IdAt(home), u"Safe", {{u"Pin", u"1234", 7}, {u"Odd\x01", u"a\"b\\c\nd", 1}});
  card.SetPicture(Bytes("abc"), u"photo.JPG", 3);
  card.SetSound(Bytes("wave!"), u"ring.wav", true);
  for (const char* name : {"one.txt", "two.txt"}) {
    storage::Attachment att;
    att.bytes = Bytes(name);
    att.fileName = storage::ToText(name == std::string("one.txt") ? u"one.txt" : u"two.txt");
    ASSERT_TRUE(card.AddAttachment(std::move(att)));
  }
  ASSERT_GE(tw.wallet().AppendCard(card), 0);
  const std::string cardId = card.record.Id().Hex();
  ASSERT_TRUE(tw.wallet().AddFavourite(card.record.Id()));
  ASSERT_EQ(tw.wallet().SaveHeaders(), storage::SaveStatus::Ok);
  tw.wallet().Close();

  const Json d = Dump();
  EXPECT_EQ(d.Keys(), (Keys{"signature", "header", "options", "records"}));
  EXPECT_EQ(d["signature"].Keys(), Keys{"version"});
  EXPECT_EQ(d["signature"]["version"].string, "(6.50) ");
  EXPECT_EQ(d["header"].Keys(), (Keys{"flags", "hint", "special_views"}));
  EXPECT_TRUE(d["header"]["hint"].IsNull());
  ASSERT_EQ(d["header"]["special_views"].items.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const Json& view = d["header"]["special_views"][i];
    EXPECT_EQ(view.Keys(), (Keys{"number", "name", "icon"}));
    EXPECT_EQ(view["number"].number, 100.0 * double(i + 1));
  }
  EXPECT_EQ(d["options"].Keys(), (Keys{"flags", "auto_close_minutes", "favourites", "default_attributes"}));
  ASSERT_EQ(d["options"]["favourites"].items.size(), 1u);
  EXPECT_EQ(d["options"]["favourites"][0].string, cardId);
  EXPECT_EQ(d["options"]["default_attributes"].items.size(), 16u);

  const Json& records = d["records"];
  ASSERT_EQ(records.items.size(), 3u);
  const Keys recordKeys{"offset", "kind", "id", "parent", "name", "icon", "change_flags", "default_form", "card"};
  double lastOffset = 0;
  for (const Json& rec : records.items) {
    EXPECT_EQ(rec.Keys(), recordKeys);
    EXPECT_GT(rec["offset"].number, lastOffset);
    lastOffset = rec["offset"].number;
    EXPECT_TRUE(IsId(rec["id"]) && IsId(rec["parent"]) && IsId(rec["default_form"]));
  }
  EXPECT_EQ(records[0]["offset"].number, 4980);
  EXPECT_EQ(records[0]["kind"].number, 3);
  EXPECT_TRUE(records[1]["card"].IsNull());
  const Json& safe = records[2];
  EXPECT_EQ(safe["id"].string, cardId);
  EXPECT_EQ(safe["parent"].string, records[1]["id"].string);
  const Json& c = safe["card"];
  EXPECT_EQ(c.Keys(), (Keys{"attributes", "fields", "picture", "sound", "attachments"}));
  EXPECT_EQ(c["attributes"].items.size(), 16u);
  ASSERT_EQ(c["fields"].items.size(), 2u);
  const Keys fieldKeys{"kind", "flags", "label", "value", "items", "datetime", "label_colour", "value_colour"};
  EXPECT_EQ(c["fields"][0].Keys(), fieldKeys);
  EXPECT_EQ(c["fields"][0]["value"].string, "1234");  // secrets in clear
  EXPECT_EQ(c["fields"][0]["label_colour"].number, -1);
  EXPECT_EQ(c["fields"][1]["label"].string, "Odd\x01");
  EXPECT_EQ(c["fields"][1]["value"].string, "a\"b\\c\nd");
  EXPECT_EQ(c["picture"].Keys(), (Keys{"placement", "type", "name", "size", "sha256"}));
  EXPECT_EQ(c["picture"]["type"].number, 2);
  EXPECT_EQ(c["picture"]["size"].number, 3);  // without the padding
  EXPECT_EQ(c["picture"]["sha256"].string, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(c["sound"].Keys(), (Keys{"type", "play", "name", "size", "sha256"}));
  EXPECT_EQ(c["sound"]["size"].number, 5);
  ASSERT_EQ(c["attachments"].items.size(), 2u);
  EXPECT_EQ(c["attachments"][0].Keys(), (Keys{"slot", "name", "size", "sha256"}));
  EXPECT_EQ(c["attachments"][0]["slot"].number, 0);
  EXPECT_EQ(c["attachments"][1]["slot"].number, 1);
  EXPECT_EQ(c["attachments"][1]["name"].string, "two.txt");
}

TEST_F(DumpTest, LeavesOutTombstonesAndOutrankedCopies) {
  const int home = tw.AddFolder(u"Home");
  const int gone = tw.AddCard(tw.IdAt(home), u"Gone");
  ASSERT_GE(gone, 0);
  ASSERT_TRUE(tw.wallet().DeleteRecord(gone));
  tw.wallet().Close();
  Json d = Dump();
  ASSERT_EQ(d["records"].items.size(), 2u);
  const size_t homeOffset = size_t(d["records"][1]["offset"].number);

  // A second live copy of the folder at the end, as an interrupted
  // replacement leaves it: the later copy is the one that counts.
  std::vector<uint8_t> bytes = ReadAll(tw.path());
  const size_t end = bytes.size();
  std::vector<uint8_t> copy(bytes.begin() + long(homeOffset), bytes.begin() + long(homeOffset) + 748);
  std::ofstream(tw.path(), std::ios::binary | std::ios::app).write(reinterpret_cast<const char*>(copy.data()), 748);
  d = Dump();
  ASSERT_EQ(d["records"].items.size(), 2u);
  EXPECT_EQ(d["records"][1]["name"].string, "Home");
  EXPECT_EQ(size_t(d["records"][1]["offset"].number), end);
}

// Output with secrets in clear reaches the stream in pieces of a few
// kilobytes, never as one copy of the whole.
class PieceRecorder : public std::streambuf {
 public:
  std::string text;
  size_t largest = 0;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    largest = std::max(largest, size_t(n));
    text.append(s, size_t(n));
    return n;
  }
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) xsputn(reinterpret_cast<const char*>(&c), 1);
    return c;
  }
};

TEST_F(DumpTest, SecretsReachTheStreamInPieces) {
  const int home = tw.AddFolder(u"Home");
  const std::u16string longValue(30000, u'k');
  ASSERT_GE(tw.AddCard(tw.IdAt(home), u"Vault", {{u"Password", longValue, 4}}), 0);
  tw.wallet().Close();
  for (const std::vector<std::string>& command : {std::vector<std::string>{"dump", cli.wallet},
                                                  {"show", cli.wallet, "Home/Vault", "--reveal"},
                                                  {"show", cli.wallet, "Home/Vault", "--reveal", "--json"}}) {
    PieceRecorder recorder;
    std::ostream out(&recorder);
    std::istringstream in(cli.password + "\n");
    std::ostringstream err;
    ASSERT_EQ(cli::RunTbwallet(command, in, out, err, cli.env), 0) << err.str();
    EXPECT_NE(recorder.text.find(std::string(30000, 'k')), std::string::npos) << command[0];
    EXPECT_LE(recorder.largest, 4096u) << command[0];
  }
}

}  // namespace
}  // namespace tb::test
