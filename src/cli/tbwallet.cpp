// The command table of tbwallet: each command's arguments, options and
// help, the parsing of the command line, and the dispatch.
#include "cli/tbwallet.h"

#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "cli/generated_values.h"

namespace tb::cli {

namespace {

struct CommandSpec {
  const char* name;
  const char* synopsis;  // after "tbwallet "
  const char* summary;
  const char* details;  // more help, may be empty
  size_t minPositional;
  size_t maxPositional;  // SIZE_MAX: any number
  std::vector<std::string> flags;
  std::vector<std::string> valued;
  int (*run)(Session&, const ParsedArgs&);
  bool needsTexts = true;
};

constexpr size_t kAny = SIZE_MAX;

std::vector<std::string> GeneratorFlags() { return kGeneratorFlags; }
// The options of a command that stores generated values: its own, --generate
// and the generator's.
std::vector<std::string> WithGeneratorOptions(std::vector<std::string> valued) {
  valued.push_back("--generate");
  valued.insert(valued.end(), kGeneratorValued.begin(), kGeneratorValued.end());
  return valued;
}

const char kAnswers[] =
    "The password is read from the terminal without echo. When standard input is\n"
    "not a terminal, every answer (password, new password, confirmation, hint,\n"
    "yes/no, secret value) is the next line of standard input: UTF-8, ending at\n"
    "LF, a CR before the LF dropped. Passwords are never taken from arguments.\n";

const char kProtection[] =
    "Protected: without the password, record names and card contents cannot be\n"
    "read. Not protected: the wallet format enciphers with RC4 under MD5-derived\n"
    "keys and has no MAC (the format's, kept for other copies of the program),\n"
    "so whoever can write the wallet file can damage or alter it; the hint is\n"
    "readable without the password. A journal beside a wallet is used only when\n"
    "sealed with the wallet's key and verified with its password; any other is\n"
    "set aside and reported. Writes follow links to the real file; a file with\n"
    "other names (hard links) is changed only with --break-links.\n";

const char kItems[] =
    "Items are named by record id (32 hexadecimal digits) or by path from the top\n"
    "level, \"Folder/Sub/Card\"; write a \"/\" inside a name as \"\\/\" and a\n"
    "backslash as \"\\\\\". A path that names several records is an error that\n"
    "lists their ids.\n";

// The commands that change the wallet; they take --break-links.
bool Writes(const std::string& command) {
  static const char* const kWriting[] = {"mkdir",     "new-card", "set",    "rename", "mv",          "cp",     "rm",
                                         "save-form", "passwd",   "repair", "import", "form-import", "upgrade"};
  for (const char* c : kWriting)
    if (command == c) return true;
  return false;
}

const char kBreakLinks[] =
    "--break-links  open a wallet file that has other names (hard links) too. A\n"
    "               change replaces the file: this name gets a file of its own\n"
    "               and the other names keep the wallet as it is now. Without it\n"
    "               such a wallet is refused and nothing is written.\n";

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {"create",
       "create WALLET [--hint TEXT] [--starter-folder]",
       "create a new wallet file",
       "Asks for the new password (3 to 23 characters); on a terminal twice.\n"
       "--hint TEXT       the password hint stored in the wallet\n"
       "--starter-folder  add the starter folder at the top level\n",
       1,
       1,
       {"--starter-folder"},
       {"--hint"},
       CmdCreate},
      {"info", "info WALLET", "show the hint, counts, options and favourites", "", 1, 1, {}, {}, CmdInfo},
      {"ls",
       "ls WALLET [--json]",
       "list the tree in the browser's order",
       "Each line is an item's path and its record id, separated by a tab. The\n"
       "favourites view comes first, as in the program: its own line (no id) and\n"
       "the cards it shows carry a third column \"view\". A view's paths name no\n"
       "item; use the card's folder path or id.\n"
       "--json  a list of {id, kind, path, name}; kind 1 card, 2 folder, 3 forms\n"
       "        folder, 100 the favourites view; view lines add \"view\": true\n",
       1,
       1,
       {"--json"},
       {},
       CmdLs},
      {"show",
       "show WALLET CARD [--json] [--reveal]",
       "show a card's fields",
       "Password fields show as \"********\" unless --reveal is given.\n"
       "--json    an object {id, path, name, fields: [{label, kind, value}]}\n"
       "--reveal  show passwords in clear\n",
       2,
       2,
       {"--json", "--reveal"},
       {},
       CmdShow},
      {"clip",
       "clip WALLET CARD [LABEL] [--seconds N]",
       "copy a field's value to the desktop clipboard",
       "Copies the first Password field of the card, or the field LABEL names (as\n"
       "'tbwallet set' names fields), through wl-copy (Wayland) or xclip (X11); the\n"
       "value goes to the tool on its standard input, never in an argument, marked\n"
       "as a secret where the tool can. After N seconds (default: the program's\n"
       "setting Clipboard.ClearSeconds, else 30; 0 never) the clipboard is cleared\n"
       "if it still holds the value. Needs a display and one of the tools (Debian\n"
       "packages wl-clipboard, xclip).\n",
       2,
       3,
       {},
       {"--seconds"},
       CmdClip},
      {"mkdir",
       "mkdir WALLET PATH",
       "make a folder (its parent must exist)",
       "Prints the new folder's id.\n",
       2,
       2,
       {},
       {},
       CmdMkdir},
      {"new-card",
       "new-card WALLET FOLDER NAME [--form N|--form-name NAME] [--field LABEL=VALUE ...] [--generate LABEL ...]",
       "make a card from a form",
       "The form is --form N (a built-in form, 0 to 42), --form-name NAME (a name\n"
       "that 'tbwallet forms' lists), else the folder's default form, else form 0.\n"
       "--field values are set as by 'tbwallet set', and --generate LABEL stores a\n"
       "new password in that Password field as 'tbwallet set' does. Prints the new\n"
       "card's id.\n",
       3, 3, GeneratorFlags(), WithGeneratorOptions({"--form", "--form-name", "--field"}), CmdNewCard},
      {"set", "set WALLET CARD [LABEL=VALUE ...] [--generate LABEL ...]", "set field values",
       "LABEL#k names the k-th of several fields with that label. LABEL=- reads the\n"
       "value as a secret answer; a password field takes its value only that way\n"
       "(arguments show in the process list and the shell's history). Dates and\n"
       "times are ISO 8601: 2026-12-10, 14:30, 14:30:05, 2026-12-10T14:30:00. Check\n"
       "boxes take yes, no, 1 or 0. An empty value clears the field.\n"
       "--generate LABEL  store a new password (as 'tbwallet generate' makes it) in\n"
       "                  that Password field; it is never printed. The options of\n"
       "                  'tbwallet generate' choose its kind.\n",
       2, kAny, GeneratorFlags(), WithGeneratorOptions({}), CmdSet},
      {"rename", "rename WALLET ITEM NAME", "rename a card, folder or the forms folder", "", 3, 3, {}, {}, CmdRename},
      {"mv",
       "mv WALLET ITEM FOLDER",
       "move a card or folder into a folder",
       "FOLDER \"/\" is the top level (folders only). A folder cannot move into\n"
       "itself or below itself.\n",
       3,
       3,
       {},
       {},
       CmdMv},
      {"cp",
       "cp WALLET CARD FOLDER",
       "copy a card into a folder",
       "The copy gets a new id and \"*\" after its name; prints its id.\n",
       3,
       3,
       {},
       {},
       CmdCp},
      {"rm", "rm WALLET ITEM", "delete a card, or a folder with everything below it", "", 2, 2, {}, {}, CmdRm},
      {"save-form",
       "save-form WALLET CARD",
       "save a card as a custom form (values cleared)",
       "Prints the new form's id.\n",
       2,
       2,
       {},
       {},
       CmdSaveForm},
      {"forms",
       "forms WALLET",
       "list the card types, custom forms first",
       "Each line is the form (a built-in form's number, a custom form's id) and its\n"
       "name, separated by a tab.\n",
       1,
       1,
       {},
       {},
       CmdForms},
      {"find",
       "find WALLET TERM [--json]",
       "find cards by text",
       "Looks for the term (trimmed, at least 2 characters, without regard to case)\n"
       "in card names, field labels and field texts; at most 48 hits. Each line is a\n"
       "card's path and id.\n"
       "--json  a list of {id, path, name}\n",
       2,
       2,
       {"--json"},
       {},
       CmdFind},
      {"generate", "generate [--length N] [--classes luds] [--no-lookalike] [--words N] [--separator C] [--capitalise]",
       "print a new random password or passphrase",
       "Prints one password drawn from the system's random source. Needs no wallet.\n", 0, 0, GeneratorFlags(),
       kGeneratorValued, CmdGenerate, false},
      {"audit",
       "audit WALLET [--json]",
       "report weak, reused, empty and old passwords",
       "Looks at every Password field of the wallet's cards (forms left out) and lists\n"
       "those whose value is empty, very weak or weak (estimated as zxcvbn does, on\n"
       "the first 100 characters), the same as on another card (\"reused\"), or on a\n"
       "card not changed for more than 365 days (\"old\"). Values are never shown;\n"
       "reused ones are listed as groups of cards. Exit status 0 when nothing was\n"
       "found, 1 when something was.\n"
       "--json  {\"counts\":{...},\"cards\":[{\"id\",\"path\",\"field\",\"findings\":[...],\n"
       "        \"strength\",\"reused_with\":[ids]}]}\n",
       1,
       1,
       {"--json"},
       {},
       CmdAudit},
      {"passwd",
       "passwd WALLET",
       "change the password",
       "Asks for the current password, the new one (3 to 23 characters), its\n"
       "confirmation and the new hint (an empty answer stores no hint).\n",
       1,
       1,
       {},
       {},
       CmdPasswd},
      {"repair",
       "repair WALLET [--yes]",
       "repair a damaged wallet file",
       "Asks the two repair questions (answer yes or ok), or takes --yes for both,\n"
       "and reports how many repairs were made.\n",
       1,
       1,
       {"--yes"},
       {},
       CmdRepair},
      {"dump",
       "dump WALLET",
       "print everything as JSON (SECRETS IN CLEAR)",
       "Prints one JSON object with the signature, header, options and every live\n"
       "record in file order, including passwords and every other field value IN\n"
       "CLEAR. Pictures, sounds and attachments are given by size and SHA-256.\n",
       1,
       1,
       {},
       {},
       CmdDump},
      {"export",
       "export WALLET [ITEM] --out DIR [--format text|csv] [--passwords] [--attachments]",
       "write the wallet, a folder or a card to a text file or a CSV table",
       "Text (the default): writes DIR/<wallet name>/<item name>_<DDMMYYYY>.txt\n"
       "(UTF-16 text; an export of the same item on the same day is replaced).\n"
       "--format csv: writes DIR/<wallet or item name>.csv (an older file of that\n"
       "name is replaced): UTF-8 with a byte-order mark, RFC 4180 quoting, one row\n"
       "per card: \"Folder\", \"Card\", \"Form\" (the field kinds), then \"Label 1\",\n"
       "\"Value 1\", ... in the card's order. Forms are left out of a whole-wallet\n"
       "table. 'tbwallet import --from csv' reads it back.\n"
       "Prints the file's path. Without ITEM the whole wallet is written. The files\n"
       "hold SECRETS IN CLEAR and are readable by you only. A card that cannot be\n"
       "read or an attachment that cannot be saved is left out of a text file, said\n"
       "so, and the exit status is 1 although the file was written.\n"
       "--passwords    write passwords in clear (else \"********\" in text, empty in CSV)\n"
       "--attachments  save the card attachments beside the text file as NNN_<name>\n",
       1,
       2,
       {"--passwords", "--attachments"},
       {"--out", "--format"},
       CmdExport},
      {"import",
       "import WALLET FILE [--from tsv|keepassxc|bitwarden|csv] [--yes]",
       "add cards from a tab-separated text file or a CSV table",
       "--from tsv (the default): the first row is \"Card Name\" and the field labels;\n"
       "every further row is a card (UTF-16 with a byte-order mark, or Windows-1252\n"
       "text; rows end with CR LF). A row's cells beyond the first row's are left out.\n"
       "--from keepassxc, bitwarden: the CSV export of KeePassXC or of Bitwarden; each\n"
       "row becomes a Web Login card (title, user name, password, URL, notes to\n"
       "Comments, TOTP to a Password field \"TOTP\", every other column with a value\n"
       "to a field of its name), groups and folders become folders.\n"
       "--from csv: a table 'tbwallet export --format csv' wrote; every card comes\n"
       "back with its labels, values and kinds.\n"
       "CSV tables are RFC 4180 (UTF-8, with or without a byte-order mark); columns\n"
       "are found by their names in the first row. Rows that cannot be read are\n"
       "reported by line and left out (exit status 1).\n"
       "The cards go to a new folder at the top level. Each card is asked for\n"
       "(yes, no or cancel), and from the fifth of ten or more once for all the\n"
       "rest; --yes answers yes to every question. The accepted cards are written\n"
       "in one step; a refused file changes nothing.\n",
       2,
       2,
       {"--yes"},
       {"--from"},
       CmdImport},
      {"form-export",
       "form-export WALLET CARD --out DIR [--description TEXT] [--author TEXT] [--with-data]",
       "export a card as a form file (.tbx)",
       "Writes DIR/<card name>_<DDMMYYYY>.tbx, readable by you only, and prints its\n"
       "path; an existing file is never replaced. The file holds the card's name,\n"
       "icon, colours and sizes, every field's label, kind and choices, and the\n"
       "card's picture and sound. Field values (dates and times included) and\n"
       "attachments are left out unless --with-data is given. A form file is\n"
       "enciphered under a key every copy of the program knows: anyone who gets\n"
       "it can read it. The description keeps 127 characters, the author 63.\n"
       "--with-data  include the field values and the attachments\n",
       2,
       2,
       {"--with-data"},
       {"--out", "--description", "--author"},
       CmdFormExport},
      {"form-import",
       "form-import WALLET FILE.tbx [--yes]",
       "add the form of a form file to the forms folder",
       "Shows the form's name, description, author and export date and asks whether\n"
       "to add it (--yes answers yes). Prints the new form's id. A damaged or foreign\n"
       "file is refused and nothing is written.\n",
       2,
       2,
       {"--yes"},
       {},
       CmdFormImport},
      {"upgrade",
       "upgrade WALLET [--yes]",
       "upgrade a version-5 wallet to the current format",
       "Asks whether to upgrade (answer ok, or give --yes), removes the deleted\n"
       "records, enciphers every record again under the password's key and shows a\n"
       "progress bar on a terminal. Until the last record is done the version-5 file\n"
       "stays as it was; a failed upgrade leaves it, and it can be upgraded again.\n",
       1,
       1,
       {"--yes"},
       {},
       CmdUpgrade},
      {"convert",
       "convert FILE.wal",
       "convert a wallet of the older generation into a new wallet",
       "Asks for the old wallet's password, writes the new wallet beside it with the\n"
       "same name and the extension .tb5 (under the same password) and prints its\n"
       "path. The old file is only read. Custom-form definitions (*.ccd) are looked\n"
       "for beside the program, then in the old installation's folder.\n",
       1,
       1,
       {},
       {},
       CmdConvert},
  };
  return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& c : Commands())
    if (name == c.name) return &c;
  return nullptr;
}

void TopHelp(std::ostream& out) {
  out << "Usage: tbwallet COMMAND WALLET [ARGS]\n\n"
         "Commands:\n";
  for (const CommandSpec& c : Commands()) {
    std::string name = c.name;
    name.resize(std::max<size_t>(name.size() + 1, 13), ' ');
    out << "  " << name << c.summary << "\n";
  }
  out << "\n'tbwallet COMMAND --help' shows a command's arguments.\n\n"
      << kItems << "\n"
      << kAnswers << "\n"
      << kProtection << "\nExit status: 0 success, 1 the operation failed, 2 usage error.\n";
}

bool Contains(const std::vector<std::string>& list, const std::string& s) {
  return std::find(list.begin(), list.end(), s) != list.end();
}

void CommandHelp(const CommandSpec& c, std::ostream& out) {
  out << "Usage: tbwallet " << c.synopsis << "\n\n" << c.summary << ".\n";
  if (*c.details) out << "\n" << c.details;
  if (Contains(c.valued, "--length")) out << "\n" << kGeneratorHelp;
  if (Writes(c.name)) out << "\n" << kBreakLinks;
  if (!c.needsTexts) return;
  out << "\n" << kItems << "\n" << kAnswers;
}

// Splits the arguments after the command word. "--" ends the options;
// "--name=value" and "--name value" are both taken.
bool Parse(Session& s, const CommandSpec& c, const std::vector<std::string>& args, ParsedArgs* parsed, int* rc) {
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg == "-") {
      parsed->positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed->help = true;
      continue;
    }
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    if (name == "--break-links" && eq == std::string::npos && Writes(c.name)) {
      s.breakLinks = true;
    } else if (Contains(c.flags, name) && eq == std::string::npos) {
      parsed->flags.insert(name);
    } else if (Contains(c.valued, name)) {
      if (eq != std::string::npos) {
        parsed->values[name].push_back(arg.substr(eq + 1));
      } else if (i + 1 < args.size()) {
        parsed->values[name].push_back(args[++i]);
      } else {
        *rc = s.Usage(name + " needs a value");
        return false;
      }
    } else {
      *rc = s.Usage("unknown option " + name);
      return false;
    }
  }
  if (parsed->help) return true;
  const size_t n = parsed->positional.size();
  if (n < c.minPositional || n > c.maxPositional) {
    *rc = s.Usage(n < c.minPositional ? "missing arguments; usage: tbwallet " + std::string(c.synopsis)
                                      : "too many arguments; usage: tbwallet " + std::string(c.synopsis));
    return false;
  }
  return true;
}

}  // namespace

int RunTbwallet(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                const CliEnvironment& env) {
  if (args.empty()) {
    err << "Usage: tbwallet COMMAND WALLET [ARGS]\nTry 'tbwallet --help'.\n";
    return kExitUsage;
  }
  const std::string& word = args[0];
  if (word == "--help" || word == "-h" || word == "help") {
    if (word == "help" && args.size() > 1) {
      if (const CommandSpec* c = FindCommand(args[1])) {
        CommandHelp(*c, out);
        return kExitOk;
      }
    }
    TopHelp(out);
    return kExitOk;
  }
  const CommandSpec* command = FindCommand(word);
  if (!command) {
    err << "tbwallet: unknown command " << word << "\nTry 'tbwallet --help'.\n";
    return kExitUsage;
  }
  Session session(in, out, err, env, command->name);
  ParsedArgs parsed;
  int rc = kExitOk;
  if (!Parse(session, *command, args, &parsed, &rc)) return rc;
  if (parsed.help) {
    CommandHelp(*command, out);
    return kExitOk;
  }
  if (command->needsTexts && !session.LoadTexts()) return kExitFailed;
  return command->run(session, parsed);
}

}  // namespace tb::cli
