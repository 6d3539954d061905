// Build-time tool: writes tbwallet's manual page and its bash completion
// from tbwallet's own help, so that both list every command and option the
// program has, and nothing it lacks.
//
//   tb_cli_docs MANPAGE COMPLETION
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tbwallet.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "tb_cli_docs: %s\n", what.c_str());
  std::exit(1);
}

std::string Help(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out, err;
  tb::cli::CliEnvironment env;
  if (tb::cli::RunTbwallet(args, in, out, err, env) != 0) Fail("tbwallet " + args[0] + " failed: " + err.str());
  return out.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Option {
  std::string name;
  std::string value;  // the value's name, empty for a flag
};

struct Command {
  std::string name, summary, synopsis;
  std::vector<std::string> details;  // the command's own lines of help
  std::vector<Option> options;
  std::vector<std::string> positional;  // WALLET, [ITEM], FILE.tbx, ...
};

// "--out DIR", "[--form N|--form-name NAME]", "[--passwords]": an option
// whose bracket closes on it is a flag; otherwise the word after it, when
// no option itself, is the name of its value.
void ReadSynopsis(Command& c) {
  struct Token {
    std::string text;
    bool closes = false;  // a bracket or an alternative ends here
  };
  std::vector<Token> tokens;
  std::istringstream words(c.synopsis);
  std::string word;
  words >> word;  // the command
  while (words >> word) {
    while (!word.empty() && word.front() == '[') word.erase(0, 1);
    bool closes = false;
    while (!word.empty() && word.back() == ']') {
      word.pop_back();
      closes = true;
    }
    for (size_t bar; (bar = word.find('|')) != std::string::npos; word.erase(0, bar + 1))
      tokens.push_back({word.substr(0, bar), true});
    if (!word.empty()) tokens.push_back({word, closes});
  }
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (t.text == "...") continue;
    if (t.text.rfind("--", 0) != 0) {
      c.positional.push_back(t.text);
      continue;
    }
    Option option{t.text, ""};
    if (!t.closes && i + 1 < tokens.size() && tokens[i + 1].text.rfind("--", 0) != 0 && tokens[i + 1].text != "...")
      option.value = tokens[++i].text;
    c.options.push_back(option);
  }
}

std::string Roff(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '\\') out += "\\e";
    else if (ch == '-') out += "\\-";
    else out += ch;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string Bold(const std::string& text) { return "\\fB" + Roff(text) + "\\fR"; }

std::string ManPage(const std::vector<Command>& commands, const std::vector<std::string>& common,
                    const std::string& exitLine) {
  std::ostringstream m;
  m << ".TH TBWALLET 1 \"\" \"Tamberlock Pro 6.62\" \"User Commands\"\n"
    << ".SH NAME\ntbwallet \\- work with Tamberlock Pro wallets on the command line\n"
    << ".SH SYNOPSIS\n.B tbwallet\n.I COMMAND WALLET\n.RI [ ARGS ]\n.br\n.B tbwallet\n.I COMMAND\n.B \\-\\-help\n"
    << ".SH DESCRIPTION\n"
    << "tbwallet lists, shows, changes, exports and imports the folders and cards of a Tamberlock Pro wallet "
       "file (.tb5), without a display.\n";
  for (const std::string& line : common) {
    if (line.empty()) {
      m << ".PP\n";
    } else {
      m << Roff(line) << "\n";
    }
  }
  m << ".SH COMMANDS\n";
  for (const Command& c : commands) {
    m << ".TP\n" << Bold("tbwallet " + c.synopsis) << "\n" << Roff(c.summary) << ".\n";
    bool paragraph = false;
    for (const std::string& line : c.details) {
      if (line.empty()) {
        m << ".IP\n";
        paragraph = false;
        continue;
      }
      if (line.rfind("--", 0) == 0) {
        // An option's own line: the option in bold, its text after it.
        const size_t gap = line.find("  ");
        m << ".br\n" << Bold(line.substr(0, gap));
        if (gap != std::string::npos) {
          const size_t text = line.find_first_not_of(' ', gap);
          m << "  " << Roff(line.substr(text));
        }
        m << "\n";
        paragraph = true;
        continue;
      }
      if (paragraph && line.rfind("  ", 0) == 0) {
        m << Roff(line.substr(line.find_first_not_of(' '))) << "\n";
        continue;
      }
      m << (paragraph ? ".br\n" : "") << Roff(line) << "\n";
      paragraph = false;
    }
    if (!c.options.empty()) {
      m << ".IP\nOptions:";
      for (const Option& o : c.options) m << " " << Bold(o.name) << (o.value.empty() ? "" : " \\fI" + o.value + "\\fR");
      m << "\n";
    }
  }
  m << ".SH OPTIONS\n.TP\n"
    << Bold("--help") << ", " << Bold("-h") << "\nShow the commands, or with a command its arguments and options.\n"
    << ".TP\n"
    << Bold("--") << "\nEnd the options: every later word is an argument.\n"
    << ".SH EXIT STATUS\n";
  // "Exit status: 0 success, 1 the operation failed, 2 usage error."
  const std::string list = exitLine.substr(exitLine.find(':') + 1);
  std::istringstream parts(list);
  for (std::string part; std::getline(parts, part, ',');) {
    while (!part.empty() && (part.front() == ' ')) part.erase(0, 1);
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    const size_t space = part.find(' ');
    m << ".TP\n.B " << part.substr(0, space) << "\n" << Roff(part.substr(space + 1)) << "\n";
  }
  m << ".SH FILES\n.TP\n.I ~/.config/tamberlock/registry.reg\n"
    << "The settings of Tamberlock Pro; tbwallet reads the preferred language from it.\n"
    << ".SH SEE ALSO\n.BR ostreltbpro2006 (1),\n.BR tbsetup (1)\n";
  return m.str();
}

// The kind of completion a positional argument or an option's value takes.
std::string CompletionFor(const std::string& argument) {
  std::string a = argument;
  while (!a.empty() && a.front() == '[') a.erase(0, 1);
  while (!a.empty() && a.back() == ']') a.pop_back();
  if (a == "WALLET") return "tb5";
  if (a == "FILE.tbx") return "tbx";
  if (a == "FILE.wal") return "wal";
  if (a == "FILE") return "txt";
  if (a == "DIR") return "dir";
  return "";
}

std::string Completion(const std::vector<Command>& commands) {
  std::ostringstream s;
  s << "# bash completion for tbwallet, written from tbwallet's own help.\n"
    << "# Needs nothing but bash: source it, or put it where bash-completion looks.\n\n"
    << "_tbwallet_files() {\n"
    << "  # Files with the extension $1 (any case), and folders to go into.\n"
    << "  local IFS=$'\\n' cur=$2\n"
    << "  COMPREPLY+=( $(compgen -d -- \"$cur\") )\n"
    << "  COMPREPLY+=( $(compgen -f -X \"!*.@($1|${1^^})\" -- \"$cur\") )\n"
    << "}\n\n"
    << "_tbwallet() {\n"
    << "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
    << "  local commands=\"";
  for (size_t i = 0; i < commands.size(); ++i) s << (i ? " " : "") << commands[i].name;
  s << "\"\n"
    << "  COMPREPLY=()\n"
    << "  if (( COMP_CWORD == 1 )); then\n"
    << "    COMPREPLY=( $(compgen -W \"$commands --help\" -- \"$cur\") )\n"
    << "    return 0\n"
    << "  fi\n"
    << "  local command=${COMP_WORDS[1]} options=\"\" valued=\"\" kinds=\"\"\n"
    << "  case $command in\n";
  for (const Command& c : commands) {
    std::string options = "--help", valued, kinds;
    for (const Option& o : c.options) {
      options += " " + o.name;
      if (!o.value.empty()) {
        valued += (valued.empty() ? "" : " ") + o.name;
        if (CompletionFor(o.value) == "dir") kinds += (kinds.empty() ? "" : " ") + o.name + "=dir";
      }
    }
    std::string positional;
    for (const std::string& p : c.positional) {
      const std::string kind = CompletionFor(p);
      positional += (positional.empty() ? "" : " ") + (kind.empty() ? std::string("-") : kind);
    }
    s << "    " << c.name << ") options=\"" << options << "\"; valued=\"" << valued << "\"; kinds=\"" << kinds
      << "\"; positional=\"" << positional << "\" ;;\n";
  }
  s << "    *) return 0 ;;\n"
    << "  esac\n"
    << "  # The value of an option that takes one.\n"
    << "  if [[ \" $valued \" == *\" $prev \"* ]]; then\n"
    << "    [[ \" $kinds \" == *\" $prev=dir \"* ]] && COMPREPLY=( $(compgen -d -- \"$cur\") )\n"
    << "    return 0\n"
    << "  fi\n"
    << "  if [[ $cur == -* ]]; then\n"
    << "    COMPREPLY=( $(compgen -W \"$options\" -- \"$cur\") )\n"
    << "    return 0\n"
    << "  fi\n"
    << "  # Which argument this is: the words before it that are not options\n"
    << "  # or their values.\n"
    << "  local i n=0 word\n"
    << "  for (( i = 2; i < COMP_CWORD; i++ )); do\n"
    << "    word=${COMP_WORDS[i]}\n"
    << "    if [[ $word == -* ]]; then\n"
    << "      [[ \" $valued \" == *\" $word \"* ]] && (( i++ ))\n"
    << "      continue\n"
    << "    fi\n"
    << "    (( n++ ))\n"
    << "  done\n"
    << "  local -a kindsOf=( $positional )\n"
    << "  case ${kindsOf[n]} in\n"
    << "    tb5|txt|tbx|wal) _tbwallet_files \"${kindsOf[n]}\" \"$cur\" ;;\n"
    << "  esac\n"
    << "  return 0\n"
    << "}\n"
    << "shopt -s extglob\n"
    << "complete -o filenames -F _tbwallet tbwallet\n";
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) Fail("usage: tb_cli_docs MANPAGE COMPLETION");
  const std::vector<std::string> top = Lines(Help({"--help"}));
  std::vector<Command> commands;
  size_t at = 0;
  while (at < top.size() && top[at] != "Commands:") ++at;
  for (++at; at < top.size() && top[at].rfind("  ", 0) == 0; ++at) {
    const std::string line = top[at].substr(2);
    const size_t gap = line.find(' ');
    Command c;
    c.name = line.substr(0, gap);
    c.summary = line.substr(line.find_first_not_of(' ', gap));
    commands.push_back(c);
  }
  if (commands.empty()) Fail("no commands in tbwallet --help");
  // What every command's help ends with (items and answers) goes once into
  // the description; the top help's lines after the command list hold it too.
  std::vector<std::string> common;
  std::string exitLine;
  for (++at; at < top.size(); ++at) {
    if (top[at].rfind("Exit status:", 0) == 0) exitLine = top[at];
    else if (top[at].rfind("'tbwallet COMMAND --help'", 0) != 0) common.push_back(top[at]);
  }
  while (!common.empty() && common.front().empty()) common.erase(common.begin());
  while (!common.empty() && common.back().empty()) common.pop_back();
  if (exitLine.empty()) Fail("no exit status in tbwallet --help");

  for (Command& c : commands) {
    std::vector<std::string> lines = Lines(Help({c.name, "--help"}));
    if (lines.empty() || lines[0].rfind("Usage: tbwallet ", 0) != 0) Fail("no usage line for " + c.name);
    c.synopsis = lines[0].substr(16);
    ReadSynopsis(c);
    // Usage, empty, summary, empty, details..., then the common tail.
    std::vector<std::string> body(lines.begin() + std::min<size_t>(4, lines.size()), lines.end());
    size_t keep = body.size();
    for (size_t i = 0; i < body.size(); ++i) {
      if (!common.empty() && body[i] == common.front()) {
        keep = i;
        break;
      }
    }
    body.resize(keep);
    while (!body.empty() && body.back().empty()) body.pop_back();
    c.details = body;
  }

  std::ofstream man(argv[1], std::ios::trunc);
  man << ManPage(commands, common, exitLine);
  std::ofstream completion(argv[2], std::ios::trunc);
  completion << Completion(commands);
  if (!man.flush() || !completion.flush()) Fail("cannot write the files");
  return 0;
}
