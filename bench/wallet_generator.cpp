#include "wallet_generator.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/core/system.h"
#include "storage/card.h"
#include "storage/record.h"
#include "storage/wallet.h"

namespace tb::bench {

namespace {

using storage::Text;

// splitmix64: small, fast and the same on every machine.
class Sequence {
 public:
  explicit Sequence(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t n) { return uint32_t(Next() % n); }
  template <size_t N>
  const char* Pick(const std::array<const char*, N>& from) {
    return from[Below(N)];
  }

 private:
  uint64_t state_;
};

constexpr std::array<const char*, 24> kCompanies = {"Northwind",
                                                    "Contoso",
                                                    "Fabrikam",
                                                    "Adventure Works",
                                                    "Tailspin",
                                                    "Wingtip",
                                                    "Litware",
                                                    "Proseware",
                                                    "Lucerne",
                                                    "Margie's Travel",
                                                    "Alpine Ski House",
                                                    "Blue Yonder",
                                                    "Coho Winery",
                                                    "Fourth Coffee",
                                                    "Graphic Design Institute",
                                                    "Humongous Insurance",
                                                    "Southridge Video",
                                                    "Trey Research",
                                                    "Woodgrove Bank",
                                                    "Wide World Importers",
                                                    "City Power & Light",
                                                    "Datum",
                                                    "Consolidated Messenger",
                                                    "Relecloud"};
constexpr std::array<const char*, 16> kServices = {"Online Banking", "Mail",      "Shop",           "Travel Account",
                                                   "Insurance",      "Broadband", "Phone Contract", "Credit Card",
                                                   "Savings",        "Forum",     "Cloud Storage",  "Library Card",
                                                   "Loyalty Club",   "Pension",   "Streaming",      "Tax Portal"};
constexpr std::array<const char*, 20> kFirstNames = {"anna", "ben",  "carla", "david",  "eva",   "frank", "greta",
                                                     "hugo", "ines", "jonas", "karin",  "lukas", "maria", "niklas",
                                                     "olga", "paul", "rosa",  "stefan", "tanja", "ulrich"};
constexpr std::array<const char*, 16> kLastNames = {"meyer",    "schmidt",    "fischer", "weber",  "wagner", "becker",
                                                    "hoffmann", "koch",       "richter", "klein",  "wolf",   "neumann",
                                                    "schwarz",  "zimmermann", "braun",   "krueger"};
constexpr std::array<const char*, 10> kQuestions = {"Name of your first pet?",
                                                    "City you were born in?",
                                                    "Your mother's maiden name?",
                                                    "Favourite teacher?",
                                                    "First car?",
                                                    "Street you grew up on?",
                                                    "Favourite book?",
                                                    "Name of your best friend at school?",
                                                    "Where did you meet your partner?",
                                                    "Childhood hero?"};
constexpr std::array<const char*, 12> kNoteSentences = {
    "Renew before the end of the year.",
    "The support line is open on weekdays from eight to six.",
    "Two-factor login is set up on the old phone; move it to the new one.",
    "Contract number is on the letter from March.",
    "Ask about the loyalty discount when renewing.",
    "Shared with the family; do not change the password without telling everyone.",
    "Security token is in the desk drawer.",
    "Monthly statement arrives by e-mail on the third.",
    "Cancelled once in 2019 and reopened later.",
    "The branch moved to the high street.",
    "Direct debit from the joint account.",
    "Check the fees again after the first year; they said the introductory rate ends."};
constexpr std::array<const char*, 12> kFolderNames = {"Banking", "Shopping",   "E-mail",        "Work",
                                                      "Travel",  "Insurance",  "Utilities",     "Health",
                                                      "Clubs",   "Government", "Entertainment", "Family"};

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string Digits(Sequence& r, int n) {
  std::string s;
  for (int k = 0; k < n; ++k) s += char('0' + r.Below(10));
  return s;
}

std::string PasswordText(Sequence& r, int n) {
  static const char kChars[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789!$%&*+-=?@";
  std::string s;
  for (int k = 0; k < n; ++k) s += kChars[r.Below(sizeof(kChars) - 1)];
  return s;
}

storage::Field MakeField(uint16_t kind, const char* label, const std::string& value) {
  storage::Field f;
  f.SetKind(kind, &Texts());
  f.SetLabel(Widen(label));
  f.SetValue(Widen(value));
  return f;
}

void FillCard(Sequence& r, int number, storage::Card* card) {
  const std::string company = r.Pick(kCompanies);
  const std::string first = r.Pick(kFirstNames);
  const std::string last = r.Pick(kLastNames);
  const std::string domain = [&] {
    std::string d;
    for (char c : company)
      if (c >= 'A' && c <= 'Z') d += char(c + 32);
      else if (c >= 'a' && c <= 'z') d += c;
    return d;
  }();
  card->record.SetName(Widen(company + " " + r.Pick(kServices) + " " + std::to_string(number)));
  card->record.SetIconRaw(int32_t(r.Below(140)));

  auto& f = card->fields;
  f.push_back(MakeField(1, "User name", first + "." + last + std::to_string(r.Below(1000))));
  f.push_back(MakeField(7, "Password", PasswordText(r, 8 + int(r.Below(17)))));
  f.push_back(
      MakeField(3, "Web address",
                "https://www." + domain + ".example.com/" + (r.Below(2) ? "login" : "account/sign-in?lang=en")));
  f.push_back(MakeField(5, "E-mail", first + "." + last + "@" + r.Pick(kLastNames) + "-mail.example"));
  f.push_back(
      MakeField(6, "Telephone", "+49 " + Digits(r, 2 + int(r.Below(3))) + " " + Digits(r, 5 + int(r.Below(4)))));
  f.push_back(MakeField(1, "Account number", Digits(r, 6 + int(r.Below(17)))));
  storage::Field date;
  date.SetKind(8, &Texts());
  date.SetLabel(u"Valid until");
  platform::SystemTime t{};
  t.year = uint16_t(2024 + r.Below(8));
  t.month = uint16_t(1 + r.Below(12));
  t.day = uint16_t(1 + r.Below(28));
  date.SetDateTime(t);
  f.push_back(std::move(date));
  f.push_back(MakeField(7, "PIN", Digits(r, 4 + int(r.Below(3)))));
  f.push_back(MakeField(1, "Security question", r.Pick(kQuestions)));
  f.push_back(MakeField(7, "Answer", r.Pick(kLastNames) + std::string(" ") + r.Pick(kFirstNames)));
  f.push_back(MakeField(1, "Customer number", "C-" + Digits(r, 3) + "-" + Digits(r, 4 + int(r.Below(5)))));
  std::string notes;
  for (uint32_t k = r.Below(5); k > 0; --k) notes += std::string(notes.empty() ? "" : " ") + r.Pick(kNoteSentences);
  f.push_back(MakeField(1, "Notes", notes));
  card->changed = true;
}

std::string& FolderPath() {
  static std::string path;
  return path;
}

void RemoveScratch() {
  if (FolderPath().empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(FolderPath(), ignored);
}

}  // namespace

std::u16string_view FixedTexts::Text(uint32_t number) const {
  switch (number) {
    case 20200: return u"Favorites";
    case 20201: return u"Find Results";
    case 20202: return u"Recent Cards";
    case 20203: return u"My Forms";
    case 20204: return u"Yes";
    case 20205: return u"No";
    case 20509: return u"New Card";
    case 20510: return u"Personal";
    case 22164: return u"The wallet file %s is damaged.\nRepair it now?";
    case 22165: return u"Repairing removes the damaged parts of the file.\n\nStart the repair?";
    case 22166: return u"%d repairs were made to the wallet file %s.";
    default: return u"?";
  }
}

const FixedTexts& Texts() {
  static const FixedTexts texts;
  return texts;
}

storage::Answer AgreeingPrompter::Show(const storage::Message& message) {
  ++questions;
  switch (message.buttons) {
    case storage::Buttons::YesNo: return storage::Answer::Yes;
    default: return storage::Answer::Ok;
  }
}

bool GenerateWallet(const std::string& path, const WalletShape& shape) {
  Sequence ids(0x7A3B5C1D2E4F6071ull);
  platform::ScopedRandomSource random([&ids] { return uint32_t(ids.Next()); });
  platform::TestClock clock(platform::SystemTime{2024, 5, 1, 6, 10, 30, 0, 0});
  Sequence r(0x1234ABCD5678EF09ull);

  storage::Wallet wallet;
  wallet.SetTextSource(&Texts());
  if (wallet.Create(path, kPassword, u"the usual one", true) != storage::CreateStatus::Ok) return false;
  if (wallet.Open(path, kPassword, false, nullptr) != storage::OpenStatus::Ok) return false;

  std::vector<storage::RecordId> folders;
  const int top = std::max(1, shape.folders / 10);
  for (int k = 0; k < shape.folders; ++k) {
    const storage::RecordId parent = k < top ? storage::RecordId{} : folders[size_t(k % top)];
    storage::RecordHeader folder = storage::NewFolderRecord(parent, false, &wallet.DataKey());
    folder.SetName(Widen(std::string(kFolderNames[size_t(k) % kFolderNames.size()]) + " " + std::to_string(k)));
    folder.SetIconRaw(int32_t(r.Below(140)));
    folders.push_back(folder.Id());
    if (wallet.AppendRecord(std::move(folder)) < 0) return false;
  }

  std::vector<uint8_t> attachment(shape.attachmentBytes);
  for (int n = 0; n < shape.cards; ++n) {
    const storage::RecordId folder = folders.empty() ? storage::RecordId{} : folders[r.Below(uint32_t(folders.size()))];
    storage::Card card = wallet.NewEmptyCard(folder);
    FillCard(r, n, &card);
    if (!attachment.empty()) {
      for (size_t k = 0; k < attachment.size(); k += 8) {
        const uint64_t v = r.Next();
        for (size_t b = 0; b < 8 && k + b < attachment.size(); ++b) attachment[k + b] = uint8_t(v >> (8 * b));
      }
      storage::Attachment a;
      a.fileTime = platform::SystemTime{2023, 11, 2, 14, 9, 15, 0, 0};
      a.timeAdded = platform::SystemTime{2024, 5, 1, 6, 10, 30, 0, 0};
      a.bytes.assign(attachment.begin(), attachment.end());
      const std::string name = "scan-" + std::to_string(n) + ".pdf";
      a.fileName.assign(name.begin(), name.end());
      card.AddAttachment(std::move(a));
    }
    if (wallet.AppendCard(card) < 0) return false;
  }
  if (wallet.SaveHeaders() != storage::SaveStatus::Ok) return false;
  wallet.Close();
  return true;
}

const std::string& ScratchFolder() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::string pattern = "/tmp/tb-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
      std::fprintf(stderr, "cannot create a scratch folder under /tmp\n");
      std::exit(1);
    }
    FolderPath() = pattern;
    std::atexit(RemoveScratch);
  });
  return FolderPath();
}

std::string ScratchFile(const std::string& name) { return ScratchFolder() + "/" + name; }

const std::string& SharedWallet(const std::string& name, const WalletShape& shape) {
  static std::mutex lock;
  static std::map<std::string, std::string> made;
  std::lock_guard<std::mutex> guard(lock);
  auto it = made.find(name);
  if (it != made.end()) return it->second;
  const std::string path = ScratchFile(name);
  if (!GenerateWallet(path, shape)) {
    std::fprintf(stderr, "cannot generate the wallet %s\n", path.c_str());
    std::exit(1);
  }
  return made.emplace(name, path).first->second;
}

bool CopyFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) {
    ::close(in);
    return false;
  }
  std::vector<char> buffer(1 << 20);
  bool ok = true;
  for (;;) {
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(out, buffer.data() + done, size_t(got - done));
      if (put <= 0) {
        ok = false;
        break;
      }
      done += put;
    }
    if (!ok) break;
  }
  if (ok && ::fsync(out) != 0) ok = false;
  ::close(in);
  if (::close(out) != 0) ok = false;
  return ok;
}

uint64_t FileSizeOf(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : uint64_t(size);
}

}  // namespace tb::bench
