// Build-time tool: writes the samples the installation places in the
// user's documents folder, with the program's own storage and interchange
// code, so that they always match the program that reads them.
//
//   tb_samples MODULE OUT_DIR
//
// MODULE is the English language module (form names and labels come from
// it). Writes OUT_DIR/"Sample Wallet.tb5" (password "1234"),
// OUT_DIR/"Import Sample.txt" and OUT_DIR/"Form Sample.tbx". The clock and
// the random source are fixed: every build writes the same bytes.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "interchange/form_file.h"
#include "platform/core/file.h"
#include "platform/core/system.h"
#include "platform/core/text_convert.h"
#include "shell/core/language_module.h"
#include "storage/card.h"
#include "storage/forms/field_kinds.h"
#include "storage/record_id.h"
#include "storage/wallet.h"

namespace {

using tb::storage::Card;
using tb::storage::RecordId;
using tb::storage::Wallet;

constexpr char16_t kPassword[] = u"1234";
constexpr char16_t kHint[] = u"The sample wallet's password is 1234.";

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "tb_samples: %s\n", what.c_str());
  std::exit(1);
}

std::u16string U(const char* utf8) { return tb::platform::FromUtf8(utf8); }

std::u16string Lower(std::u16string s) {
  for (char16_t& c : s) c = tb::platform::ToLowerChar(c);
  return s;
}

// Sets the field of the card whose label is label; the build stops when the
// form has no such field (the samples must say what the forms hold).
void Set(Card& card, const char* label, const char* value) {
  const std::u16string wanted = Lower(U(label));
  for (tb::storage::Field& field : card.fields) {
    if (Lower(tb::storage::ToU16(field.label)) != wanted) continue;
    const auto kind = tb::storage::FieldKind(field.kind);
    if (tb::storage::IsDateTimeKind(kind)) {
      tb::platform::SystemTime t{};
      if (std::sscanf(value, "%hu-%hu-%hu", &t.year, &t.month, &t.day) != 3 || !field.SetDateTime(t))
        Fail(std::string("bad date ") + value);
    } else {
      field.SetValue(U(value));
    }
    return;
  }
  std::string labels;
  for (const tb::storage::Field& f : card.fields)
    labels += " \"" + tb::platform::ToUtf8(tb::storage::ToU16(f.label)) + "\"";
  Fail(std::string("no field \"") + label + "\" on " + tb::platform::ToUtf8(tb::storage::ToU16(card.record.Name())) +
       "; its fields:" + labels);
}

Card FromForm(Wallet& wallet, const RecordId& folder, const tb::storage::FormId& form, const char* name) {
  Card card;
  if (!wallet.NewCardFromForm(folder, form, &card)) Fail(std::string("no form for ") + name);
  card.record.SetName(U(name));
  card.changed = true;
  return card;
}

int Append(Wallet& wallet, Card& card) {
  const int position = wallet.AppendCard(card);
  if (position < 0) Fail("cannot write a card");
  return position;
}

RecordId Folder(Wallet& wallet, const char* name, const RecordId& parent = {}, int32_t icon = 72) {
  tb::storage::RecordHeader folder = tb::storage::NewFolderRecord(parent, false, &wallet.DataKey());
  folder.SetName(U(name));
  folder.SetIconRaw(icon);
  const RecordId id = folder.Id();
  if (wallet.AppendRecord(std::move(folder)) < 0) Fail("cannot write a folder");
  return id;
}

// A small drawn picture: a 96 x 64 bitmap of a sky, a hill and a sun.
tb::storage::SecureBytes DrawnPicture() {
  const int w = 96, h = 64, row = w * 3;
  const uint32_t size = 54 + uint32_t(row * h);
  tb::storage::SecureBytes b(size, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  b[26] = 1;
  b[28] = 24;
  put32(34, uint32_t(row * h));
  for (int y = 0; y < h; ++y) {  // bottom row first
    for (int x = 0; x < w; ++x) {
      uint8_t r = uint8_t(120 + y), g = uint8_t(170 + y / 2), bl = 250;  // sky, lighter near the top
      const int hill = 18 + (x - 48) * (x - 48) / 160;
      const int sx = x - 72, sy = y - 46;
      if (y < 40 - hill / 2) r = 60, g = uint8_t(150 - y), bl = 60;  // the hill
      else if (sx * sx + sy * sy < 64) r = 255, g = 210, bl = 40;    // the sun
      const size_t at = 54 + size_t(y) * row + size_t(x) * 3;
      b[at] = bl;
      b[at + 1] = g;
      b[at + 2] = r;
    }
  }
  return b;
}

void WriteWallet(const std::string& path, const tb::storage::TextSource& texts) {
  Wallet wallet;
  wallet.SetTextSource(&texts);
  if (wallet.Create(path, kPassword, kHint, false) != tb::storage::CreateStatus::Ok) Fail("cannot create " + path);
  if (wallet.Open(path, kPassword, false, nullptr) != tb::storage::OpenStatus::Ok) Fail("cannot open " + path);
  using tb::storage::BuiltInFormId;

  const RecordId banking = Folder(wallet, "Banking", {}, 44);
  const RecordId shopping = Folder(wallet, "Shopping", {}, 2);
  const RecordId online = Folder(wallet, "Online", shopping);
  const RecordId travel = Folder(wallet, "Travel", {}, 71);
  const RecordId home = Folder(wallet, "Home", {}, 131);

  Card visa = FromForm(wallet, banking, BuiltInFormId(1), "Visa Classic");
  Set(visa, "Card number", "4111 1111 1111 1111");
  Set(visa, "Name on card", "Alex Sample");
  Set(visa, "Security code", "123");
  Set(visa, "PIN", "4321");
  Set(visa, "Issuing bank", "Sample Bank");
  Append(wallet, visa);

  Card account = FromForm(wallet, banking, BuiltInFormId(2), "Current account");
  Set(account, "Bank", "Sample Bank");
  Set(account, "Account holder", "Alex Sample");
  Set(account, "Account number", "12345678");
  Set(account, "IBAN", "DE89 3704 0044 0532 0130 00");
  Set(account, "PIN", "9876");
  Append(wallet, account);

  Card banking24 = FromForm(wallet, banking, BuiltInFormId(27), "Sample Bank online");
  Set(banking24, "Bank", "Sample Bank");
  Set(banking24, "Web site", "https://bank.example.com");
  Set(banking24, "User name", "alex.sample");
  Set(banking24, "Password", "river-stone-42");
  Set(banking24, "Security question", "Name of your first pet?");
  Set(banking24, "Security answer", "Biscuit");
  Append(wallet, banking24);

  Card mail = FromForm(wallet, {}, BuiltInFormId(5), "Mail account");
  Set(mail, "E-mail address", "alex@example.com");
  Set(mail, "User name", "alex@example.com");
  Set(mail, "Password", "kettle-on-7");
  Set(mail, "Incoming server", "imap.example.com");
  Set(mail, "Outgoing server", "smtp.example.com");
  Set(mail, "Web mail", "https://mail.example.com");
  Append(wallet, mail);

  Card shop = FromForm(wallet, online, BuiltInFormId(24), "Bookshop");
  Set(shop, "Shop", "The Sample Bookshop");
  Set(shop, "Web site", "https://books.example.com");
  Set(shop, "User name", "alex.sample");
  Set(shop, "Password", "chapter-one");
  Set(shop, "Customer number", "BK-70331");
  Append(wallet, shop);

  Card coffee = FromForm(wallet, shopping, BuiltInFormId(19), "Coffee club");
  Set(coffee, "Shop", "Corner Coffee");
  Set(coffee, "Card number", "6035 0000 1234");
  Set(coffee, "Points", "120");
  Append(wallet, coffee);

  Card passport = FromForm(wallet, travel, BuiltInFormId(8), "Passport");
  Set(passport, "Passport number", "C01X00T47");
  Set(passport, "Surname", "Sample");
  Set(passport, "Given names", "Alex");
  Set(passport, "Date of birth", "1990-04-12");
  Set(passport, "Expiry date", "2031-06-30");
  passport.SetPicture(DrawnPicture(), u"holiday.bmp", 9);
  Append(wallet, passport);

  Card flyer = FromForm(wallet, travel, BuiltInFormId(13), "Frequent flyer");
  Set(flyer, "Airline", "Sample Air");
  Set(flyer, "Membership number", "SA 123 456 789");
  Set(flyer, "PIN", "2580");
  Set(flyer, "Seat preference", "Window");
  Append(wallet, flyer);

  Card hotel = FromForm(wallet, travel, BuiltInFormId(38), "Hotel by the sea");
  Set(hotel, "Hotel", "Hotel Seaview");
  Set(hotel, "City", "Sampleton-on-Sea");
  Set(hotel, "Confirmation number", "HS-2026-0815");
  Set(hotel, "Arrival date", "2026-07-20");
  Set(hotel, "Departure date", "2026-07-27");
  Append(wallet, hotel);

  Card wifi = FromForm(wallet, home, BuiltInFormId(32), "Home Wi-Fi");
  Set(wifi, "Network name (SSID)", "SampleHome");
  Set(wifi, "Network key", "correct horse battery");
  Set(wifi, "Security type", "WPA2");
  Set(wifi, "Router address", "192.168.1.1");
  Append(wallet, wifi);

  Card alarm = FromForm(wallet, home, BuiltInFormId(30), "Alarm system");
  Set(alarm, "Security company", "Sample Security");
  Set(alarm, "Alarm code", "1357");
  Set(alarm, "Verbal password", "blue teapot");
  Append(wallet, alarm);

  Card lock = FromForm(wallet, home, BuiltInFormId(10), "Bike lock");
  Set(lock, "Location", "Garden shed");
  Set(lock, "Combination", "3-1-4-1");
  tb::storage::Attachment receipt;
  const std::string text = "Receipt: bike lock, 24.90\r\nBought at the sample shop.\r\n";
  receipt.bytes.assign(text.begin(), text.end());
  receipt.fileName = tb::storage::ToText(u"bike-lock-receipt.txt");
  receipt.fileTime = tb::platform::LocalTime();
  receipt.timeAdded = tb::platform::LocalTime();
  lock.AddAttachment(std::move(receipt));
  Append(wallet, lock);

  // A custom form of the wallet's own, and a card made from it.
  const tb::storage::RecordHeader* forms = wallet.FormsFolder();
  if (!forms) Fail("no forms folder");
  Card gymForm = wallet.NewEmptyCard(forms->Id());
  gymForm.record.SetName(u"Gym membership");
  gymForm.record.SetIconRaw(79);
  for (const auto& [label, kind] : {std::pair{u"Member number", tb::storage::FieldKind::Text},
                                    std::pair{u"Locker code", tb::storage::FieldKind::Password},
                                    std::pair{u"Opening hours", tb::storage::FieldKind::Text}}) {
    tb::storage::Field field;
    field.SetKind(uint16_t(kind), &texts);
    field.SetLabel(label);
    gymForm.AddField(std::move(field));
  }
  gymForm.changed = true;
  const int gymPosition = Append(wallet, gymForm);
  Card gym = FromForm(wallet, {}, wallet.At(gymPosition)->Id(), "City gym");
  Set(gym, "Member number", "G-0042");
  Set(gym, "Locker code", "0815");
  Set(gym, "Opening hours", "Mon-Fri 6-22, Sat-Sun 8-20");
  Append(wallet, gym);

  if (wallet.SaveHeaders() != tb::storage::SaveStatus::Ok) Fail("cannot save " + path);
  wallet.Close();
}

void WriteImportTable(const std::string& path) {
  const std::u16string table =
      u"Card Name\tUser name\tPassword\tWeb site\tNotes\r\n"
      u"Photo club\talex.sample\tsnapshot-77\thttps://photos.example.com\tMeets on Tuesdays\r\n"
      u"Music streaming\talex@example.com\tla-la-land\thttps://music.example.com\tFamily plan\r\n"
      u"Library card\t0012345\t4711\thttps://library.example.org\tRenew in March\r\n"
      u"Recipe site\tasample\tcrumble!\thttps://recipes.example.net\t\r\n"
      u"Garden centre\talex.sample\tgreen-thumb\thttps://garden.example.com\tLoyalty points on the card\r\n";
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : table) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) Fail("cannot write " + path);
}

void WriteFormSample(const std::string& path, const std::string& walletPath, const tb::storage::TextSource& texts) {
  Wallet wallet;
  wallet.SetTextSource(&texts);
  if (wallet.Open(walletPath, kPassword, true, nullptr) != tb::storage::OpenStatus::Ok)
    Fail("cannot reopen the wallet");
  Card card;
  for (int p = 0; p < wallet.Count() && !card.loaded; ++p) {
    const tb::storage::RecordHeader* h = wallet.At(p);
    if (h && h->IsCard() && tb::storage::ToU16(h->Name()) == u"City gym" && !wallet.LoadCard(h->Id(), &card))
      Fail("cannot read the gym card");
  }
  if (!card.loaded) Fail("no gym card");
  tb::platform::File file;
  if (file.Open(path, tb::platform::OpenMode::CreateNew) != tb::platform::OpenResult::Ok) Fail("cannot create " + path);
  if (tb::interchange::WriteFormFile(&card, &file, false, u"Quillimarsten",
                                     u"A gym membership: member number, locker code and opening hours.") !=
      tb::interchange::FormWriteStatus::Ok)
    Fail("cannot write " + path);
  file.Close();
  wallet.Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) Fail("usage: tb_samples MODULE OUT_DIR");
  tb::shell::LanguageModule english;
  if (english.Load(argv[1]) != tb::shell::ModuleStatus::Ok)
    Fail(std::string("cannot load the language module ") + argv[1]);
  const std::string out = argv[2];
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  const std::string wallet = out + "/Sample Wallet.tb5", table = out + "/Import Sample.txt",
                    form = out + "/Form Sample.tbx";
  for (const std::string& path : {wallet, table, form}) std::filesystem::remove(path, ec);

  uint64_t state = 0x5A4D504C45u;
  tb::platform::ScopedRandomSource random([&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state >> 33);
  });
  tb::platform::TestClock clock(tb::platform::SystemTime{2026, 1, 4, 15, 10, 0, 0, 0});
  WriteWallet(wallet, english);
  WriteImportTable(table);
  WriteFormSample(form, wallet, english);
  std::printf("tb_samples: wrote the samples in %s\n", out.c_str());
  return 0;
}
