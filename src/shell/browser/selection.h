#pragma once
// What the browser's selection allows: the capability set of a selected
// tree item from its kind, its parent's kind and the kind of the item
// marked by Cut or Copy. Kinds are record kinds (1 card, 2 folder, 3 forms
// folder) or 100 / 200 / 300 for the views; 0 for none.
namespace tb::shell {

inline constexpr int kKindCard = 1;
inline constexpr int kKindFolder = 2;
inline constexpr int kKindFormsFolder = 3;
inline constexpr int kKindFavourites = 100;
inline constexpr int kKindFindResults = 200;

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

}  // namespace tb::shell
