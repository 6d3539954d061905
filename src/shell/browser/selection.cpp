#include "shell/browser/selection.h"

#include "shell/core/command_ids.h"

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
      default: c.addToFavourites = c.saveToMyForms = true; break;
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

namespace tb::shell {

MenuRules MenuRulesFor(const MenuInputs& in) {
  MenuRules r;
  if (!in.walletOpen) {
    r.enabled = {{kCmdNewCard, false}, {kCmdNewFolder, false}};
    return r;
  }
  if (in.smartphone) {
    r.removed = {kCmdExport, kCmdImport, kCmdImportForm};
    if (!in.exitMenu) r.removed.push_back(kCmdExit);
  } else {
    r.expandedMenusChecked = in.menusExpanded;
  }
  const Capabilities& caps = in.caps;
  r.deleteText = caps.deleteText;
  r.enabled[kCmdDelete] = caps.deleteText != DeleteText::Delete || caps.deleteEnabled;
  // The selection's own kind overrides New Card and New Folder for the
  // cases the capability table leaves open.
  const int kind = in.selectedKind;
  if (kind == 0) {
    r.enabled[kCmdNewFolder] = true;
    r.enabled[kCmdNewCard] = false;
  } else if (storage::IsSpecialViewKind(kind)) {
    r.enabled[kCmdNewCard] = false;
    r.enabled[kCmdNewFolder] = true;
  } else if (kind == kKindFormsFolder) {
    r.enabled[kCmdNewFolder] = false;
    r.enabled[kCmdNewCard] = true;
  } else {
    r.enabled[kCmdNewCard] = caps.newCard;
    r.enabled[kCmdNewFolder] = caps.newFolder;
  }
  r.enabled[kCmdProperties] = kind != 0;
  r.enabled[kCmdAddToFavourites] = caps.addToFavourites;
  r.enabled[kCmdCut] = caps.cut;
  r.enabled[kCmdCopy] = caps.copy;
  r.enabled[kCmdPaste] = caps.paste;
  r.enabled[kCmdExport] = caps.exportable;
  r.enabled[kCmdSaveToMyForms] = caps.saveToMyForms;
  r.seekToSource = kind == kKindCard && (in.parentKind == kKindFavourites || in.parentKind == kKindFindResults);
  return r;
}

}  // namespace tb::shell
