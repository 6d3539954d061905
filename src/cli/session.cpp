#include "cli/session.h"

#include <algorithm>
#include <filesystem>
#include <istream>
#include <ostream>

#include "cli/terminal_input.h"
#include "platform/core/file.h"
#include "platform/core/registry.h"
#include "platform/core/text_convert.h"
#include "shell/core/settings.h"
#include "storage/string_numbers.h"

namespace tb::cli {

namespace {

std::string Trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

std::u16string Lowered(std::u16string text) {
  platform::ToLowerInPlace(text);
  return text;
}

bool MatchesWord(std::string_view answer, std::initializer_list<const char*> words, std::u16string_view moduleWord) {
  const std::u16string a = Lowered(platform::FromUtf8(Trimmed(answer)));
  if (a.empty()) return false;
  for (const char* w : words)
    if (a == platform::FromUtf8(w)) return true;
  return moduleWord != u"?" && moduleWord != u"*" && a == Lowered(std::u16string(moduleWord));
}

}  // namespace

namespace {
// Control characters become '?': the C0 set and DEL, and the C1 set
// (U+0080..U+009F, two bytes in UTF-8), which some terminals obey as
// escape sequences too.
template <typename Out>
void AppendPrintableTo(Out& out, std::string_view utf8, bool keepLineBreaks) {
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const unsigned char u = static_cast<unsigned char>(c);
    if (u == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F &&
        static_cast<unsigned char>(utf8[i + 1]) >= 0x80) {
      out.push_back('?');
      ++i;
    } else if (keepLineBreaks && c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
      // A CR LF line break (as module texts write them) is a line break.
    } else if ((u < 0x20 || u == 0x7F) && !(keepLineBreaks && (c == '\n' || c == '\t'))) {
      out.push_back('?');
    } else {
      out.push_back(c);
    }
  }
}
}  // namespace

std::string Printable(std::string_view utf8, bool keepLineBreaks) {
  std::string out;
  out.reserve(utf8.size());
  AppendPrintableTo(out, utf8, keepLineBreaks);
  return out;
}

void AppendPrintable(storage::SecureString& out, std::string_view utf8, bool keepLineBreaks) {
  out.reserve(out.size() + utf8.size());
  AppendPrintableTo(out, utf8, keepLineBreaks);
}

void WriteInPieces(std::ostream& out, std::string_view text) {
  constexpr size_t kPiece = 4096;
  for (size_t at = 0; at < text.size(); at += kPiece)
    out.write(text.data() + at, std::streamsize(std::min(kPiece, text.size() - at)));
}

storage::SecureString SecretUtf8(std::u16string_view text) {
  storage::SecureString out;
  out.resize(platform::ToUtf8Into(text, nullptr, 0));
  platform::ToUtf8Into(text, out.data(), out.size());
  return out;
}

storage::Text SecretFromUtf8(std::string_view utf8) {
  storage::Text out;
  out.resize(platform::FromUtf8Into(utf8, nullptr, 0));
  platform::FromUtf8Into(utf8, out.data(), out.size());
  return out;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.string();
}

const std::string* ParsedArgs::Value(const std::string& option) const {
  const auto it = values.find(option);
  return it == values.end() || it->second.empty() ? nullptr : &it->second.back();
}

std::vector<std::string> ParsedArgs::Values(const std::string& option) const {
  const auto it = values.find(option);
  return it == values.end() ? std::vector<std::string>{} : it->second;
}

Session::Session(std::istream& in_, std::ostream& out_, std::ostream& err_, const CliEnvironment& env_,
                 std::string command_)
    : in(in_), out(out_), err(err_), env(env_), command(std::move(command_)) {}

bool Session::LoadTexts() {
  platform::Registry registry(env.registryPath.empty() ? platform::Registry::DefaultPath() : env.registryPath);
  shell::Settings settings;
  shell::LoadOptions options;
  options.writeRegistrations = false;
  settings.Load(registry, options);  // a missing or unreadable file keeps the defaults
  shell::ModuleRequest request;
  request.langPref = settings.langPref;
  request.folder = env.moduleFolder;
  const shell::ModuleChoice choice = shell::LoadLanguageModule(module_, request);
  if (!choice.loaded) {
    const std::u16string text =
        choice.failureText.empty() ? std::u16string(shell::kLoadFailureText) : choice.failureText;
    err << "tbwallet: " << Utf8(text) << "\n";
    return false;
  }
  return true;
}

bool Session::ReadLine(storage::SecureString* line) {
  if (env.inputFd >= 0) return ReadLineFrom(env.inputFd, line);
  line->clear();
  bool any = false;
  char c;
  while (in.get(c)) {
    any = true;
    if (c == '\n') break;
    line->push_back(c);
  }
  return any;
}

bool Session::ReadAnswer(const std::string& prompt, bool secret, storage::SecureString* line) {
  bool ok = false;
  if (env.stdinIsTerminal) {
    err << prompt << std::flush;
    if (secret && env.inputFd >= 0) {
      HiddenInput hidden(env.inputFd);
      ok = ReadLine(line);
    } else {
      ok = ReadLine(line);
    }
  } else {
    ok = ReadLine(line);
  }
  if (!ok) {
    Fail("no answer on standard input for \"" + Trimmed(prompt) + "\"");
    return false;
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  if (!platform::IsValidUtf8(*line)) {
    line->clear();
    Fail("the answer for \"" + Trimmed(prompt) + "\" is not UTF-8");
    return false;
  }
  return true;
}

bool Session::ReadSecret(const std::string& prompt, storage::Text* secret) {
  storage::SecureString line;
  if (!ReadAnswer(prompt, true, &line)) return false;
  *secret = SecretFromUtf8(line);
  return true;
}

int Session::Fail(const std::string& message) {
  err << "tbwallet: " << message << "\n";
  return kExitFailed;
}

int Session::Usage(const std::string& message) {
  err << "tbwallet " << command << ": " << message << "\n"
      << "Try 'tbwallet " << command << " --help'.\n";
  return kExitUsage;
}

bool ArgumentText(const std::string& arg, std::u16string* text) {
  if (!platform::IsValidUtf8(arg)) return false;
  *text = platform::FromUtf8(arg);
  return true;
}

std::string Utf8(std::u16string_view text) { return platform::ToUtf8(text); }

std::string SignatureVersionText(const storage::Wallet& wallet) {
  namespace S = storage::layout::signature;
  const auto& raw = wallet.Signature().raw;
  std::string text;
  for (size_t i = S::kVersionOffset; i < S::kVersionOffset + S::kVersionSize && raw[i]; ++i)
    text.push_back(char(raw[i]));
  return Utf8(platform::FromWindows1252(text));
}

bool IsYesAnswer(std::string_view answer, const shell::LanguageModule& texts) {
  return MatchesWord(answer, {"y", "yes", "ok", "1", "true"}, texts.Text(storage::kStrYes));
}

bool IsNoAnswer(std::string_view answer, const shell::LanguageModule& texts) {
  return MatchesWord(answer, {"n", "no", "0", "false"}, texts.Text(storage::kStrNo));
}

bool HasPreviousFormat(const std::string& path) {
  platform::File file;
  if (file.Open(path, platform::OpenMode::ReadOnly) != platform::OpenResult::Ok) return false;
  storage::FileSignature signature;
  size_t got = 0;
  if (!file.ReadAt(0, signature.raw.data(), signature.raw.size(), &got) || got != signature.raw.size()) return false;
  return signature.TextIsValid() && signature.Version() == storage::FormatVersion::Five;
}

namespace {
// A journal beside the wallet that was not used: the wallet is as it was,
// and the user learns where the journal went.
void ReportJournal(Session& s, const std::string& walletArg, const storage::Wallet& wallet) {
  const storage::JournalReport& report = wallet.LastJournalReport();
  if (!storage::IsRefusal(report.status)) return;
  s.err << "tbwallet: warning: journal status " << int(report.status) << ": " << storage::Describe(report.status) << " "
        << Printable(walletArg) << "; it was not used, and the wallet "
        << "was not changed by it; "
        << (report.setAsidePath.empty() ? std::string("it could not be moved aside")
                                        : "it was moved aside to " + Printable(report.setAsidePath))
        << "\n";
}
}  // namespace

int OpenWallet(Session& s, const std::string& walletArg, bool readOnly, storage::Wallet& wallet,
               storage::Prompter* prompter, storage::Text* passwordOut) {
  wallet.SetTextSource(&s.Texts());
  wallet.SetBreakLinksAllowed(s.breakLinks);
  // Only 'tbwallet upgrade' offers the upgrade of a version-5 wallet; for
  // every other command the storage refuses it before writing anything.
  if (prompter && s.command != "upgrade" && HasPreviousFormat(AbsolutePath(walletArg))) prompter = nullptr;
  storage::Text password;
  if (!s.ReadSecret("Password for " + walletArg + ": ", &password)) return kExitFailed;
  if (passwordOut) *passwordOut = password;
  const storage::OpenStatus status =
      wallet.Open(AbsolutePath(walletArg), std::u16string_view(password.data(), password.size()), readOnly, prompter);
  ReportJournal(s, walletArg, wallet);
  if (status == storage::OpenStatus::Ok && !readOnly && wallet.IsReadOnly()) {
    // A version-5 wallet without a password: it can be read, but neither
    // written nor upgraded (there is no password to upgrade to).
    wallet.Close();
    return s.Fail("cannot open " + walletArg +
                  " for writing: it has the previous format (version 5) and no password, so "
                  "'tbwallet upgrade' cannot upgrade it either; nothing was written");
  }
  if (status == storage::OpenStatus::Ok) return kExitOk;
  std::string message =
      "cannot open " + walletArg + ": status " + std::to_string(int(status)) + " (" + storage::Describe(status) + ")";
  if (status == storage::OpenStatus::Damaged && !prompter)
    message += "\ntbwallet: run 'tbwallet repair " + walletArg + "' to repair it";
  if (status == storage::OpenStatus::NeedsUpgrade)
    message +=
        "\ntbwallet: nothing was written; run 'tbwallet upgrade " + walletArg + "' to upgrade it to the current format";
  if (status == storage::OpenStatus::HardLinked)
    message +=
        "\ntbwallet: nothing was written. A change replaces the file: this name would get a file of "
        "its own, and the wallet's other names would keep the wallet as it is now. Give --break-links "
        "to do that";
  return s.Fail(message);
}

int CloseWallet(Session& s, const std::string& walletArg, storage::Wallet& wallet) {
  if (!wallet.IsOpen()) return kExitOk;
  const bool changed = wallet.Signature().changed || wallet.Header().changed || wallet.Options().changed;
  if (changed && !wallet.IsReadOnly()) {
    const storage::SaveStatus status = wallet.SaveHeaders();
    if (status != storage::SaveStatus::Ok) {
      wallet.Close();
      return s.Fail("cannot save " + walletArg + ": status " + std::to_string(int(status)) + " (" +
                    storage::Describe(status) + ")");
    }
  }
  wallet.Close();
  return kExitOk;
}

storage::Answer AnswerPrompter::Show(const storage::Message& message) {
  // Questions may quote a file's texts (a form's description): never let
  // them steer the terminal.
  const std::string text = Printable(Utf8(message.text), true);
  if (message.buttons == storage::Buttons::Ok) {
    s_.out << text << "\n";
    return storage::Answer::Ok;
  }
  asked_ = true;
  const bool yesNo = message.buttons == storage::Buttons::YesNo;
  const storage::Answer yes = yesNo ? storage::Answer::Yes : storage::Answer::Ok;
  const storage::Answer no = yesNo ? storage::Answer::No : storage::Answer::Cancel;
  s_.err << text << "\n";
  if (assumeYes_) return yes;
  storage::SecureString line;
  if (noAnswer_ || !s_.ReadAnswer(yesNo ? "[yes/no] " : "[ok/cancel] ", false, &line)) {
    noAnswer_ = true;
    declined_ = true;
    return no;
  }
  if (IsYesAnswer(line, s_.Texts())) return yes;
  declined_ = true;
  return no;
}

}  // namespace tb::cli
