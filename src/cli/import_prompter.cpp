#include "cli/import_prompter.h"

#include <ostream>

namespace tb::cli {

namespace {

bool IsCancelAnswer(std::string_view answer) {
  std::string a;
  for (char c : answer)
    if (c != ' ' && c != '\t') a += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return a == "c" || a == "cancel";
}

}  // namespace

storage::Answer ImportPrompter::Show(const storage::Message& message) {
  const std::string text = Printable(Utf8(message.text), true);
  if (message.buttons == storage::Buttons::Ok) {
    if (message.icon == storage::MessageIcon::Stop) s_.err << "tbwallet: " << text << "\n";
    else if (message.icon == storage::MessageIcon::Warning) s_.err << text << "\n";
    else s_.out << text << "\n";
    return storage::Answer::Ok;
  }
  const bool withCancel = message.buttons == storage::Buttons::YesNoCancel;
  const storage::Answer stop = withCancel ? storage::Answer::Cancel : storage::Answer::No;
  if (assumeYes_) return storage::Answer::Yes;
  s_.err << text << "\n";
  for (;;) {
    storage::SecureString line;
    if (ranOut_ || !s_.ReadAnswer(withCancel ? "[yes/no/cancel] " : "[yes/no] ", false, &line)) {
      ranOut_ = true;
      return stop;
    }
    if (IsYesAnswer(line, s_.Texts())) return storage::Answer::Yes;
    if (IsNoAnswer(line, s_.Texts())) return storage::Answer::No;
    if (IsCancelAnswer(line) || !s_.env.stdinIsTerminal) return stop;
  }
}

}  // namespace tb::cli
