#pragma once
// What every tbwallet command works with: the streams, the language
// module, the answers read from standard input, and opening and closing
// the wallet with the error lines every command prints the same way.
#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/tbwallet.h"
#include "shell/core/language_module.h"
#include "storage/cipher/secure.h"
#include "storage/services.h"
#include "storage/wallet.h"

namespace tb::cli {

// A command's arguments after the command word, split by its option table.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> values;  // options taking a value
  std::set<std::string> flags;
  bool help = false;

  bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
  // The last value given for an option, or null.
  const std::string* Value(const std::string& option) const;
  std::vector<std::string> Values(const std::string& option) const;
};

class Session {
 public:
  Session(std::istream& in, std::ostream& out, std::ostream& err, const CliEnvironment& env, std::string command);

  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  const CliEnvironment& env;
  const std::string command;
  // --break-links: a wallet with other names (hard links) may be opened
  // for changes, which gives this name a file of its own.
  bool breakLinks = false;

  // Loads the language module by the usual choice (LangPref from the
  // registry, read without writing anything). False, with the failure text
  // printed, when no module can be loaded.
  bool LoadTexts();
  const shell::LanguageModule& Texts() const { return module_; }
  std::u16string_view Text(uint32_t number) const { return module_.Text(number); }

  // One answer: on a terminal the prompt is shown first (and a secret is
  // read without echo); otherwise the next line of standard input (UTF-8,
  // ending at LF, one CR before it dropped). False, with an error printed,
  // when there is no line or it is not UTF-8. Answers may be secrets, so
  // they are only ever held in wiping storage.
  bool ReadAnswer(const std::string& prompt, bool secret, storage::SecureString* line);
  bool ReadSecret(const std::string& prompt, storage::Text* secret);

  // "tbwallet: message" on standard error; returns kExitFailed.
  int Fail(const std::string& message);
  // "tbwallet COMMAND: message" and a pointer to --help; returns kExitUsage.
  int Usage(const std::string& message);

 private:
  bool ReadLine(storage::SecureString* line);
  shell::LanguageModule module_;
};

// A wallet text for a terminal: control characters (C0, DEL and C1, which
// could steer the terminal) become '?'; line breaks and tabs stay when
// asked for.
std::string Printable(std::string_view utf8, bool keepLineBreaks = false);
// The same, appended to output that may hold secrets.
void AppendPrintable(storage::SecureString& out, std::string_view utf8, bool keepLineBreaks = false);

// Output that may hold secrets is built in wiping storage and handed to
// the stream in pieces of a few kilobytes.
void WriteInPieces(std::ostream& out, std::string_view text);

// The wallet remembers its path; a relative one would also fall foul of
// the shortest path a wallet may have.
std::string AbsolutePath(const std::string& path);

inline std::u16string_view View(const storage::Text& t) { return std::u16string_view(t.data(), t.size()); }

// UTF-8 argument to wallet text; false when the argument is not UTF-8.
bool ArgumentText(const std::string& arg, std::u16string* text);
std::string Utf8(std::u16string_view text);
inline std::string Utf8(const storage::Text& text) { return Utf8(std::u16string_view(text.data(), text.size())); }
// Conversions of secrets, with no copy outside wiping storage.
storage::SecureString SecretUtf8(std::u16string_view text);
storage::Text SecretFromUtf8(std::string_view utf8);

// True for the answers that mean yes: y, yes, ok, 1 and the module's yes
// word, without regard to case or surrounding spaces.
bool IsYesAnswer(std::string_view answer, const shell::LanguageModule& texts);
bool IsNoAnswer(std::string_view answer, const shell::LanguageModule& texts);

// The version text of the signature block as stored ("(6.50) "): single
// bytes up to the first NUL.
std::string SignatureVersionText(const storage::Wallet& wallet);

// Whether the file's signature names the previous format (version 5), read
// without opening the wallet; false for anything unreadable.
bool HasPreviousFormat(const std::string& path);

// Opens the wallet named by the argument after asking for its password.
// kExitOk when open; otherwise the error is printed and the exit status
// returned. Damage is repaired only through a prompter (the repair command).
int OpenWallet(Session& s, const std::string& walletArg, bool readOnly, storage::Wallet& wallet,
               storage::Prompter* prompter = nullptr, storage::Text* passwordOut = nullptr);
// Saves the leading blocks when anything in them changed, then closes.
int CloseWallet(Session& s, const std::string& walletArg, storage::Wallet& wallet);

// The answers of standard input (or --yes) for the questions the storage
// asks; notices are printed on standard output.
class AnswerPrompter : public storage::Prompter {
 public:
  AnswerPrompter(Session& s, bool assumeYes) : s_(s), assumeYes_(assumeYes) {}
  storage::Answer Show(const storage::Message& message) override;
  bool Asked() const { return asked_; }
  bool NoAnswer() const { return noAnswer_; }
  bool Declined() const { return declined_; }

 private:
  Session& s_;
  bool assumeYes_;
  bool asked_ = false;
  bool noAnswer_ = false;
  bool declined_ = false;
};

}  // namespace tb::cli
