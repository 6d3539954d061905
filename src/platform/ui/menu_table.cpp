#include "platform/ui/menu_table.h"

#include <QFile>

#include <charconv>
#include <optional>

namespace tb::ui {
namespace {

// One line cut into words; a double-quoted text is one word.
bool SplitWords(std::string_view line, std::vector<std::string>* words, std::string* fault) {
  words->clear();
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
    } else if (line[i] == '#') {
      break;
    } else if (line[i] == '"') {
      const size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) {
        *fault = "unterminated text";
        return false;
      }
      words->emplace_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      size_t end = i;
      while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') ++end;
      words->emplace_back(line.substr(i, end - i));
      i = end;
    }
  }
  return true;
}

std::optional<int> Number(const std::string& word) {
  int value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size() || value < 0) return std::nullopt;
  return value;
}

class Parser {
 public:
  bool Run(std::string_view text, std::map<int, MenuBarDef>* bars, std::map<int, MenuDef>* menus) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      ++line_;
      if (!SplitWords(text.substr(start, end - start), &words_, &fault_)) return false;
      if (!words_.empty() && !Line(bars, menus)) return false;
      start = end + 1;
    }
    if (bar_ || !open_.empty()) return Fail("missing \"end\"");
    for (const auto& [id, bar] : *bars) {
      if (bar.keys.empty()) return Fail("bar " + std::to_string(id) + " has no key");
      for (const MenuBarButton& key : bar.keys) {
        if (key.kind == MenuBarButton::Kind::Popup && !menus->count(key.menu)) {
          return Fail("bar " + std::to_string(id) + " names menu " + std::to_string(key.menu) + " that does not exist");
        }
      }
    }
    return true;
  }

  std::string Error() const { return "line " + std::to_string(line_) + ": " + fault_; }

 private:
  bool Fail(std::string fault) {
    fault_ = std::move(fault);
    return false;
  }

  bool Line(std::map<int, MenuBarDef>* bars, std::map<int, MenuDef>* menus) {
    const std::string& word = words_[0];
    if (word == "end") return End(menus);
    if (bar_) return BarLine();
    if (!open_.empty()) return MenuLine();
    if ((word == "bar" || word == "menu") && words_.size() == 2) {
      const auto id = Number(words_[1]);
      if (!id) return Fail("bad number \"" + words_[1] + "\"");
      if (word == "bar") {
        if (bars->count(*id)) return Fail("bar " + words_[1] + " given twice");
        bar_ = &(*bars)[*id];
        bar_->id = *id;
      } else {
        if (menus->count(*id)) return Fail("menu " + words_[1] + " given twice");
        MenuDef& menu = (*menus)[*id];
        menu.id = *id;
        open_.push_back(&menu.entries);
      }
      return true;
    }
    return Fail("expected \"bar ID\" or \"menu ID\"");
  }

  bool End(std::map<int, MenuDef>*) {
    if (bar_) {
      bar_ = nullptr;
    } else if (!open_.empty()) {
      open_.pop_back();
    } else {
      return Fail("\"end\" without a bar or menu");
    }
    return true;
  }

  bool BarLine() {
    MenuBarButton button;
    const std::string& word = words_[0];
    if (word == "key" && words_.size() == 3) {
      const auto command = Number(words_[1]);
      if (!command) return Fail("bad number \"" + words_[1] + "\"");
      button.command = *command;
      button.text = words_[2];
    } else if (word == "key" && words_.size() == 4 && words_[1] == "popup") {
      const auto menu = Number(words_[2]);
      if (!menu) return Fail("bad number \"" + words_[2] + "\"");
      button.kind = MenuBarButton::Kind::Popup;
      button.menu = *menu;
      button.text = words_[3];
    } else if (word == "icon" && words_.size() == 5) {
      const auto command = Number(words_[1]);
      const auto bitmap = Number(words_[2]);
      const auto image = Number(words_[3]);
      if (!command || !bitmap || !image) return Fail("bad number in icon");
      button.kind = MenuBarButton::Kind::Icon;
      button.command = *command;
      button.bitmap = *bitmap;
      button.image = *image;
      button.text = words_[4];
      bar_->icons.push_back(std::move(button));
      return true;
    } else {
      return Fail("expected \"key\" or \"icon\" in a bar");
    }
    if (bar_->keys.size() == 2) return Fail("a bar has at most two keys");
    bar_->keys.push_back(std::move(button));
    return true;
  }

  bool MenuLine() {
    const std::string& word = words_[0];
    MenuEntry entry;
    if ((word == "item" || word == "check") && words_.size() == 3) {
      const auto command = Number(words_[1]);
      if (!command) return Fail("bad number \"" + words_[1] + "\"");
      entry.kind = word == "item" ? MenuEntry::Kind::Command : MenuEntry::Kind::Check;
      entry.command = *command;
      entry.text = words_[2];
    } else if (word == "separator" && words_.size() == 1) {
      entry.kind = MenuEntry::Kind::Separator;
    } else if (word == "popup" && words_.size() == 2) {
      entry.kind = MenuEntry::Kind::Submenu;
      entry.text = words_[1];
      open_.back()->push_back(std::move(entry));
      open_.push_back(&open_.back()->back().children);
      return true;
    } else {
      return Fail("expected \"item\", \"check\", \"separator\" or \"popup\" in a menu");
    }
    open_.back()->push_back(std::move(entry));
    return true;
  }

  int line_ = 0;
  std::vector<std::string> words_;
  std::string fault_;
  MenuBarDef* bar_ = nullptr;
  // The entry lists being filled: the menu, then each open submenu. The
  // vectors above stay put while a deeper one grows.
  std::vector<std::vector<MenuEntry>*> open_;
};

}  // namespace

bool MenuTables::Parse(std::string_view text, std::string* error) {
  bars_.clear();
  menus_.clear();
  Parser parser;
  if (!parser.Run(text, &bars_, &menus_)) {
    bars_.clear();
    menus_.clear();
    if (error) *error = parser.Error();
    return false;
  }
  return true;
}

const MenuBarDef* MenuTables::Bar(int id) const {
  const auto it = bars_.find(id);
  return it == bars_.end() ? nullptr : &it->second;
}

const MenuDef* MenuTables::Menu(int id) const {
  const auto it = menus_.find(id);
  return it == menus_.end() ? nullptr : &it->second;
}

const MenuTables& MenuTables::Program() {
  static const MenuTables tables = [] {
    MenuTables parsed;
    QFile file(QStringLiteral(":/menus/menus.txt"));
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray bytes = file.readAll();
      std::string error;
      if (!parsed.Parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), &error)) {
        qWarning("menu tables: %s", error.c_str());
      }
    } else {
      qWarning("menu tables: the compiled-in table is missing");
    }
    return parsed;
  }();
  return tables;
}

}  // namespace tb::ui
