#pragma once
// What the browser's selection allows: the capability set of a selected
// tree item from its kind, its parent's kind and the kind of the item
// marked by Cut or Copy; and the main menu's enabling rules built on it.
// Kinds are record kinds (1 card, 2 folder, 3 forms folder) or the
// SpecialView numbers of the views; 0 for none.
#include <map>
#include <vector>

#include "storage/wallet_views.h"

namespace tb::shell {

inline constexpr int kKindCard = 1;
inline constexpr int kKindFolder = 2;
inline constexpr int kKindFormsFolder = 3;
inline constexpr int kKindFavourites = int(storage::SpecialView::Favourites);
inline constexpr int kKindFindResults = int(storage::SpecialView::FindResults);

enum class DeleteText { Delete, Remove, Clear };

struct Capabilities {
  bool newCard = false;
  bool newFolder = true;
  bool addToFavourites = false;
  bool cut = false;
  bool copy = false;
  bool paste = false;
  DeleteText deleteText = DeleteText::Delete;
  bool deleteEnabled = false;
  bool exportable = true;
  bool saveToMyForms = false;
  bool drag = false;
};

Capabilities CapabilitiesOf(int kind, int parentKind, int markedKind);

// What a popup of the main menu bar is opened with.
struct MenuInputs {
  bool walletOpen = false;
  bool smartphone = false;
  bool exitMenu = false;       // the ExitMenu setting (Smartphone keeps Exit only with it)
  bool menusExpanded = false;  // the Menus.Expanded setting
  int selectedKind = 0;        // 0: nothing selected
  int parentKind = 0;
  Capabilities caps;  // of the selection
};

// What the popup shows: entries to enable or gray, entries to take out,
// the text of the delete entry, the Expanded Menus check, and whether the
// main "Menu" popup offers Seek to Source.
struct MenuRules {
  std::map<int, bool> enabled;  // command -> enabled; commands not named stay as they are
  std::vector<int> removed;
  DeleteText deleteText = DeleteText::Delete;
  bool expandedMenusChecked = false;
  bool seekToSource = false;
};

MenuRules MenuRulesFor(const MenuInputs& in);

}  // namespace tb::shell
