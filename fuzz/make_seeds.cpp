// Writes the seed inputs of the fuzz targets, one folder per target:
//   tb_make_fuzz_seeds OUT [SOURCE_DIR] [MODULE_FILE...]
// Wallets are made by the storage itself with the fuzz password, so that
// the fuzzer starts past the password check; registry files are written by
// the registry; modules are compiled from small sources and, from
// SOURCE_DIR, the head of the shipped string sources. Module files named on
// the line are copied in as they are ("full_" + their name).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"
#include "platform/core/file.h"
#include "platform/core/registry.h"
#include "shell/core/string_table_compiler.h"
#include "storage/bytes.h"
#include "storage/card.h"
#include "storage/layout.h"
#include "storage/record.h"
#include "storage/services.h"
#include "storage/wallet.h"
#include "support/fixed_services.h"

namespace fs = std::filesystem;
using namespace tb::storage;

namespace {

using Bytes = std::string;
namespace R = layout::record;

bool failed = false;

void Fail(const std::string& what) {
  std::fprintf(stderr, "make_seeds: %s\n", what.c_str());
  failed = true;
}

void WriteSeed(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  fs::create_directories(folder);
  const fs::path path = folder / name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) Fail("cannot write " + path.string());
  if (f) std::fclose(f);
}

Bytes ReadFile(const std::string& path) {
  Bytes out;
  if (!tb::platform::ReadWholeFile(path, &out, 64u << 20)) Fail("cannot read " + path);
  return out;
}

// --- wallets ---------------------------------------------------------------

// Makes a wallet in the work folder, lets fill change it while open, and
// returns the file's bytes.
Bytes MakeWallet(const fs::path& work, bool starter, const std::function<void(Wallet&)>& fill) {
  static int n = 0;
  const std::string path = (work / ("seed" + std::to_string(++n) + ".tbw")).string();
  tb::test::FixedTexts texts;
  Wallet w;
  w.SetTextSource(&texts);
  if (w.Create(path, tb::fuzz::kWalletPassword, u"the usual one", starter) != CreateStatus::Ok) {
    Fail("cannot create " + path);
    return {};
  }
  if (w.Open(path, tb::fuzz::kWalletPassword, false, nullptr) != OpenStatus::Ok) {
    Fail("cannot open " + path);
    return {};
  }
  fill(w);
  if (w.SaveHeaders() != SaveStatus::Ok) Fail("cannot save the headers of " + path);
  w.Close();
  return ReadFile(path);
}

int AddFolder(Wallet& w, std::u16string_view name, const RecordId& parent = {}) {
  RecordHeader folder = NewFolderRecord(parent, false, &w.DataKey());
  folder.SetName(name);
  folder.SetIconRaw(72);
  return w.AppendRecord(std::move(folder));
}

Field MakeField(uint16_t kind, std::u16string_view label, std::u16string_view value, const TextSource* texts) {
  Field f;
  f.SetKind(kind, texts);
  f.SetLabel(label);
  if (kind >= 8 && kind <= 10) f.SetDateTime({2026, 5, 0, 17, 13, 45, 30, 0});
  else f.SetValue(value);
  return f;
}

RecordId IdAt(const Wallet& w, int position) {
  const RecordHeader* h = w.At(position);
  return h ? h->Id() : RecordId{};
}

// A card with one field of every kind, selections with items.
Card EveryKindCard(Wallet& w, const RecordId& folder) {
  Card card = w.NewEmptyCard(folder);
  card.record.SetName(u"Bank account");
  for (uint16_t kind = 1; kind <= 16; ++kind) {
    std::u16string label = u"Label ";
    label += char16_t(u'a' + kind);
    Field f = MakeField(kind, label, kind == 13 ? u"1" : u"about ab value", w.Texts());
    if (kind == 11 || kind == 12) {
      f.AddItem(u"first");
      f.AddItem(u"sec^ond");
    }
    card.AddField(std::move(f));
  }
  return card;
}

void MakeWalletSeeds(const fs::path& out, const fs::path& work) {
  const fs::path folder = out / "wallet";
  std::vector<std::pair<std::string, Bytes>> made;

  made.push_back({"starter", MakeWallet(work, true, [](Wallet&) {})});

  made.push_back({"fields", MakeWallet(work, true, [](Wallet& w) {
                    const int top = AddFolder(w, u"Banking");
                    const int inner = AddFolder(w, u"Cards abroad", IdAt(w, top));
                    Card card = EveryKindCard(w, IdAt(w, inner));
                    const int pos = w.AppendCard(card);
                    Card other = w.NewEmptyCard(IdAt(w, top));
                    other.record.SetName(u"Abacus");
                    other.AddField(MakeField(7, u"PIN", u"0000", w.Texts()));
                    w.AppendCard(other);
                    w.AddFavourite(IdAt(w, pos));
                    w.SetSpecialView(1, u"Starred", 90);
                    if (w.SaveCardAsForm(pos) < 0) Fail("cannot save a card as a form");
                  })});

  made.push_back({"media", MakeWallet(work, false, [](Wallet& w) {
                    RecordHeader folder = NewFolderRecord(RecordId{}, false, &w.DataKey());
                    folder.SetName(u"Pictures");
                    const uint8_t icon[42] = {'B', 'M', 42, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, 12};
                    folder.SetIconPicture(icon, sizeof icon);
                    const int pos = w.AppendRecord(folder);
                    Card card = w.NewEmptyCard(IdAt(w, pos));
                    card.record.SetName(u"Passport");
                    card.record.SetIconPicture(icon, 17);
                    card.AddField(MakeField(1, u"Number", u"X1234567", w.Texts()));
                    card.SetPicture(SecureBytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, u"/photos/me.gif", 4);
                    card.SetSound(SecureBytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, u"beep.wav", true);
                    for (int k = 0; k < 3; ++k) {
                      Attachment a;
                      a.bytes = SecureBytes(size_t(40 + k * 7), uint8_t(0x30 + k));
                      a.fileName = ToText(k == 1 ? u"scan.pdf" : u"notes.txt");
                      a.fileTime = {2025, 2, 0, 3, 4, 5, 6, 0};
                      a.timeAdded = {2026, 1, 0, 1, 0, 0, 0, 0};
                      card.AddAttachment(std::move(a));
                    }
                    w.AppendCard(card);
                  })});

  made.push_back({"tombstones", MakeWallet(work, true, [](Wallet& w) {
                    const int keep = AddFolder(w, u"Kept");
                    const int gone = AddFolder(w, u"Gone");
                    for (int k = 0; k < 3; ++k) {
                      Card card = w.NewEmptyCard(IdAt(w, keep));
                      card.record.SetName(k == 0 ? u"About to go" : u"Staying");
                      card.AddField(MakeField(1, u"Note", u"a b ab", w.Texts()));
                      const int pos = w.AppendCard(card);
                      if (k == 0) w.DeleteRecord(pos);
                      // The last one twice: a live copy left behind by a
                      // replacement that never finished.
                      if (k == 2) {
                        card.AddField(MakeField(6, u"Phone", u"555", w.Texts()));
                        w.AppendCard(card);
                      }
                    }
                    w.DeleteRecord(gone);
                  })});

  for (const auto& [name, bytes] : made) {
    if (bytes.empty()) continue;
    WriteSeed(folder, "ro_" + name, char(0) + bytes);
  }

  // Damaged files for the repair mode, from the wallet with tombstones.
  const Bytes base = made[3].second;
  if (base.size() < layout::kFirstRecordOffset + 3 * R::kSize) {
    Fail("the base wallet is too small");
    return;
  }
  // Record starts, walked by their stated extents.
  std::vector<size_t> starts;
  for (size_t c = layout::kFirstRecordOffset; c + R::kSize <= base.size();) {
    starts.push_back(c);
    c += R::kSize + LoadU32(reinterpret_cast<const uint8_t*>(base.data()) + c + R::kPayloadLength) +
         LoadU32(reinterpret_cast<const uint8_t*>(base.data()) + c + R::kBodyLength);
  }
  const auto put32 = [](Bytes& b, size_t at, uint32_t v) { StoreU32(reinterpret_cast<uint8_t*>(b.data()) + at, v); };
  const auto get32 = [](const Bytes& b, size_t at) { return LoadU32(reinterpret_cast<const uint8_t*>(b.data()) + at); };
  const char repair = char(tb::fuzz::kWalletModeRepair);

  WriteSeed(folder, "repair_intact", repair + base);
  Bytes b = base;
  for (size_t k = 0; k < 4; ++k) b[starts[2] + k] = char(0x5A ^ k);
  WriteSeed(folder, "repair_scribbled_kind", repair + b);
  b = base;
  put32(b, starts[3] + R::kBodyLength, get32(b, starts[3] + R::kBodyLength) + 100);
  WriteSeed(folder, "repair_body_too_long", repair + b);
  b = base;
  put32(b, starts[4] + R::kBodyLength, get32(b, starts[4] + R::kBodyLength) - 40);
  WriteSeed(folder, "repair_body_too_short", repair + b);
  b = base + Bytes(300, '\x7f');
  WriteSeed(folder, "repair_trailing_bytes", repair + b);
  b = base.substr(0, base.size() - 200);
  WriteSeed(folder, "repair_cut_short", repair + b);
  // The same damage read-only: the opening refuses it.
  WriteSeed(folder, "ro_cut_short", char(0) + b);
}

// --- language modules and string sources -------------------------------------

// Up to limit bytes of a source, cut after a whole line.
std::string HeadOf(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text;
  const size_t nl = text.rfind('\n', limit);
  return text.substr(0, nl == std::string::npos ? 0 : nl + 1);
}

const char* const kSmallSources[][2] = {
    {"escapes",
     "\xEF\xBB\xBF# a comment\n"
     "#lang 0407\n"
     "[Group heading]\r\n"
     "20001 = Tamberlock Pro\r\n"
     "22164 = The wallet file %s is damaged.\\nRepair it now?\n"
     "22166   =   %d records were repaired in %s.\t\n"
     "100=\\sleading and trailing\\s\n"
     "101 = tab\\there \\\\ back\\r\n"
     "65535 = gr\xC3\xBC\xC3\x9F"
     "e \xE2\x82\xAC \xF0\x9F\x94\x91\n"
     "0 =\n"},
    {"formats", "#lang 0409\n20580 = %02d:%02d %s %u%% %5d %032d %33d %\n20581 = %s%s%s\n"},
    {"empty", "#lang 0409\n"},
};

void MakeModuleSeeds(const fs::path& out, const std::string& sourceDir, const std::vector<std::string>& modules) {
  using namespace tb::shell;
  std::vector<std::pair<std::string, std::string>> sources;
  for (const auto& s : kSmallSources) sources.push_back({s[0], s[1]});
  if (!sourceDir.empty()) {
    for (const char* lang : {"0409", "0407"}) {
      const std::string text = ReadFile(sourceDir + "/resources/strings/" + lang + ".txt");
      sources.push_back({std::string("head_") + lang, HeadOf(text, 6000)});
    }
  }
  for (const auto& [name, text] : sources) {
    WriteSeed(out / "string_table", name + ".txt", text);
    StringTable table;
    CompileError error;
    if (!ParseStringTable(text, uint16_t(0x0409), &table, &error)) {
      Fail("seed source " + name + ":" + std::to_string(error.line) + ": " + error.message);
      continue;
    }
    WriteSeed(out / "module", name + ".mui", BuildModule(table));
  }
  WriteSeed(out / "string_table", "bad_escape.txt", "#lang 0409\n1 = a\\q\n");
  for (const std::string& m : modules)
    WriteSeed(out / "module", "full_" + fs::path(m).filename().string(), ReadFile(m));
}

// --- registry files ----------------------------------------------------------

void MakeRegistrySeeds(const fs::path& out) {
  using tb::platform::Registry;
  const std::string app = "HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 5";
  Registry r("");
  r.SetDword(app, u"Count6", 1);
  r.SetDword(app, u"LangPref", 0x0407);
  r.SetString(app, u"MRU", u"/home/me/Documents/Mine.tb5");
  r.SetString(app, u"", u"the default value");
  r.SetString(app, u"Quote \"and\" back\\slash", u"C:\\x \"y\"");
  r.SetString(app, u"Lines", u"one\r\ntwo\nthree");
  r.SetString(app, u"Gr\u00fc\u00dfe", u"\u20ac \U0001F511");
  std::vector<uint8_t> keys(60);
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = uint8_t(i * 37);
  r.SetBinary(app, u"Keys", keys);
  r.SetBinary(app, u"Empty", {});
  r.SetDword(app + "\\Settings", u"AutoClose", 0xFFFFFFFF);
  r.CreateKey(app + "\\Empty key");
  WriteSeed(out / "registry", "written.reg", r.Serialise());

  WriteSeed(out / "registry", "handmade.reg",
            "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
            "\r\n"
            "; written by hand\r\n"
            "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
            "\"Small\"=DWORD:0000002a\r\n"
            "\"Four\"=hex(4):01,02,03,04\r\n"
            "\"Str\"=hex(1):41,00,0a,00,42,00,00,00\r\n"
            "\"Long\"=hex:00,01,02,03,\\\r\n"
            "  04,05,06,\\\r\n"
            "  07\r\n"
            "@=\"\"\r\n"
            "[hkey_current_user\\software\\test]\r\n"
            "\"small\"=dword:1\r\n");
  WriteSeed(out / "registry", "header_only.reg", "Windows Registry Editor Version 5.00\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT [SOURCE_DIR] [MODULE_FILE...]\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  const std::string sourceDir = argc > 2 ? argv[2] : "";
  std::vector<std::string> modules(argv + std::min(argc, 3), argv + argc);
  const fs::path work = out / "work";
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::create_directories(work);
  MakeWalletSeeds(out, work);
  MakeModuleSeeds(out, sourceDir, modules);
  MakeRegistrySeeds(out);
  fs::remove_all(work, ec);
  return failed ? 1 : 0;
}
