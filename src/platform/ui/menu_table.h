#pragma once
// The program's menu bars and popup menus as data: parsed from the menu
// table text (resources/menus/menus.txt, compiled into the program) and
// turned into soft-key bars by SoftKeyBar.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tb::ui {

struct MenuEntry {
  enum class Kind { Command, Check, Separator, Submenu };
  Kind kind = Kind::Command;
  int command = 0;                  // Command, Check
  std::string text;                 // English; Separator has none
  std::vector<MenuEntry> children;  // Submenu
};

struct MenuDef {
  int id = 0;
  std::vector<MenuEntry> entries;
};

struct MenuBarButton {
  enum class Kind { Command, Popup, Icon };
  Kind kind = Kind::Command;
  int command = 0;  // Command, Icon
  int menu = 0;     // Popup: the menu it drops down
  int bitmap = 0;   // Icon: bitmap resource and image index in it
  int image = 0;
  std::string text;
};

struct MenuBarDef {
  int id = 0;
  std::vector<MenuBarButton> keys;   // one or two soft keys, left first
  std::vector<MenuBarButton> icons;  // icon buttons between them
};

class MenuTables {
 public:
  // Replaces the tables with those of text. False (tables left empty, the
  // first fault in error as "line N: ...") when the text is malformed or a
  // bar names a menu that does not exist.
  bool Parse(std::string_view text, std::string* error = nullptr);

  const MenuBarDef* Bar(int id) const;
  const MenuDef* Menu(int id) const;

  // The program's own tables, parsed once from the compiled-in text.
  static const MenuTables& Program();

 private:
  std::map<int, MenuBarDef> bars_;
  std::map<int, MenuDef> menus_;
};

}  // namespace tb::ui
