#include "shell/browser/selection.h"

namespace tb::shell {

Capabilities CapabilitiesOf(int kind, int parentKind, int markedKind) {
  Capabilities c;
  const bool cardMarked = markedKind == kKindCard;
  const bool cardOrFolderMarked = cardMarked || markedKind == kKindFolder;
  if (kind == kKindCard) {
    switch (parentKind) {
      case kKindFolder:
        c.newCard = c.addToFavourites = c.cut = c.copy = c.saveToMyForms = c.drag = true;
        c.paste = cardOrFolderMarked;
        c.deleteEnabled = true;
        break;
      case kKindFormsFolder:
        c.newCard = c.copy = c.drag = true;
        c.paste = cardMarked;
        c.deleteEnabled = true;
        break;
      case kKindFavourites:
        c.copy = c.saveToMyForms = true;
        c.paste = cardMarked;
        c.deleteText = DeleteText::Remove;
        c.deleteEnabled = true;
        break;
      case kKindFindResults:
        c.addToFavourites = c.saveToMyForms = true;
        c.deleteText = DeleteText::Remove;
        c.deleteEnabled = true;
        break;
      default:
        c.addToFavourites = c.saveToMyForms = true;
        break;
    }
  } else if (kind == kKindFolder) {
    c.newCard = c.cut = c.drag = true;
    c.paste = cardOrFolderMarked;
    c.deleteEnabled = true;
  } else if (kind == kKindFormsFolder) {
    c.newCard = true;
    c.paste = cardMarked;
  } else if (kind == kKindFavourites) {
    c.paste = cardMarked;
    c.deleteText = DeleteText::Clear;
    c.deleteEnabled = true;
  } else if (kind == kKindFindResults) {
    c.deleteText = DeleteText::Clear;
    c.deleteEnabled = true;
  }
  return c;
}

}  // namespace tb::shell
