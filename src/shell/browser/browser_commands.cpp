// The browser's item commands: new folder, open, properties, cut, copy,
// paste, drop, delete, clear, favourites, save to my forms, seek to source
// and the top button. Changes of records go through the storage's
// operations; the tree follows what they did.
#include "shell/browser/browser.h"

#include <QTreeWidget>

#include <QCoreApplication>
#include <QLineEdit>

#include "cards/card_window.h"
#include "dialogs/card_type_dialog.h"
#include "dialogs/properties_dialog.h"
#include "platform/core/system.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/message_boxes.h"
#include "platform/ui/private_messages.h"
#include "shell/core/language_module.h"
#include "shell/core/string_numbers.h"
#include "shell/startup/startup.h"
#include "storage/card_text.h"
#include "storage/layout.h"
#include "storage/record_ops.h"

#include "shell/browser/browser_internal.h"

namespace tb::shell {

using namespace browser_detail;

bool Browser::WriteHeader(const storage::RecordHeader& header) {
  if (context_.wallet.IsReadOnly()) return false;
  return context_.wallet.RewriteRecordInPlace(header);
}

void Browser::NewFolder() {
  if (!context_.wallet.IsOpen()) return;
  const SelectionInfo s = SelectionOf();
  if (s.selected.item && !s.caps.newFolder) return;
  storage::RecordId parent{};
  if (s.selected.kind == kKindFolder) parent = s.selected.id;
  if (s.selected.kind == kKindCard && s.parent.kind == kKindFolder) parent = s.parent.id;
  storage::RecordHeader folder = storage::NewFolderRecord(parent, false, &context_.wallet.DataKey());
  folder.SetIconRaw(storage::kNewFolderIcon);
  dialogs::FolderProperties properties;
  properties.wallet = &context_.wallet;
  properties.folder = &folder;
  properties.offerMainLevel = !parent.IsZero();
  if (!dialogs::RunFolderProperties(owner_, properties, icons_, context_.platform.isSmartphone)) return;
  if (properties.mainLevel && !parent.IsZero()) {
    folder.ClearParent();
    folder.SetModified(platform::LocalTime());
  }
  if (context_.wallet.IsReadOnly() || context_.wallet.ReplaceFolder(folder) < 0) {
    ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
    return;
  }
  InsertOrUpdate(folder.Id(), true);
}

void Browser::NewCard() {
  if (!context_.wallet.IsOpen()) return;
  const SelectionInfo s = SelectionOf();
  if (!s.selected.item) return;
  if (s.parent.kind == kKindFavourites || s.parent.kind == kKindFindResults) {
    Beep();
    return;
  }
  const ItemInfo& target = s.selected.kind == kKindCard ? s.parent : s.selected;
  if ((target.kind != kKindFolder && target.kind != kKindFormsFolder) || !target.record) return;
  const std::optional<dialogs::CardTypeChoice> choice =
      dialogs::RunCardTypePicker(owner_, context_.wallet, icons_, target.record->DefaultForm());
  if (!choice) return;
  auto card = std::make_unique<storage::Card>();
  if (!context_.wallet.NewCardFromForm(target.id, choice->form, card.get())) {
    Beep();
    return;
  }
  RunCardWindow(std::move(card), true);
}

void Browser::OpenCard(const storage::RecordId& id) {
  if (cardWindowOpen_ || !context_.wallet.IsOpen()) return;
  // An outcome still on its way is handled before another card is taken.
  QCoreApplication::sendPostedEvents(owner_, ui::kMsgUserActivity);
  auto card = std::make_unique<storage::Card>();
  if (!context_.wallet.LoadCard(id, card.get())) {
    Beep();
    return;
  }
  RunCardWindow(std::move(card), false);
}

void Browser::RunCardWindow(std::unique_ptr<storage::Card> card, bool isNew) {
  if (cardWindowOpen_ || !card) return;
  openedCard_ = std::move(card);
  openedNew_ = isNew;
  outcomeHandled_ = false;
  cardWindowOpen_ = true;
  cards::CardWindowSetup setup;
  setup.settings = &context_.settings;
  setup.icons = &icons_;
  setup.wallet = &context_.wallet;
  setup.smartphone = context_.platform.isSmartphone;
  setup.startInEdit = isNew;
  setup.readOnly = context_.wallet.IsReadOnly();
  setup.notify = owner_;
  setup.message = ui::kMsgUserActivity;
  {
    cards::CardWindow window(owner_, *openedCard_, setup);
    window.RunModal();
  }
  cardWindowOpen_ = false;
  // Handled while the window still ran (the program closing it): the card goes now.
  if (outcomeHandled_) openedCard_.reset();
}

void Browser::CardWindowOutcome(int code) {
  if (!openedCard_ || outcomeHandled_) return;
  outcomeHandled_ = true;
  storage::Wallet& wallet = context_.wallet;
  storage::Card& card = *openedCard_;
  const storage::RecordId id = card.record.Id();
  if (wallet.IsOpen()) {
    if (code == cards::kOutcomeStore) {
      // Nothing counts as stored unless it is in the file.
      int position = -1;
      if (!wallet.IsReadOnly()) {
        if (openedNew_) {
          position = wallet.AppendCard(card);
        } else {
          card.record.MarkChanged(storage::layout::record::kFlagContentsChanged);
          position = wallet.ReplaceCard(card);
        }
      }
      if (position < 0) {
        ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
      } else {
        InsertOrUpdate(id, openedNew_);
        if (openedNew_) {
          if (QTreeWidgetItem* item = FindItemById(id)) tree_->scrollToItem(item);
        } else {
          RebuildBothViews();
        }
      }
    } else if (code == cards::kOutcomeDelete && !openedNew_) {
      if (QTreeWidgetItem* item = FindItemById(id)) {
        const int position = wallet.FindRecord(id);
        if (wallet.IsReadOnly() || position < 0 || !wallet.DeleteRecord(position)) {
          ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
        } else {
          RemoveItem(item);
          RebuildBothViews();
        }
      }
    }
  }
  if (!cardWindowOpen_) openedCard_.reset();
  if (QLineEdit* editor = editor_) emit delegate_->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void Browser::Open(QTreeWidgetItem* item, bool doubleTap) {
  const ItemInfo info = ItemInfoOf(item);
  if (!info.item || !storage::IsLiveAt(context_.wallet, info.position)) return;
  if (info.kind == kKindCard) {
    tree_->setCurrentItem(info.item);
    if (openCard) openCard(info.id);
    return;
  }
  if (!doubleTap && !context_.platform.isSmartphone) info.item->setExpanded(!info.item->isExpanded());
}

void Browser::Properties() {
  // From the card window's popup: its card is open already.
  if (cardWindowOpen_) return;
  const ItemInfo info = ItemInfoOf();
  if (!info.item) return;
  storage::Wallet& wallet = context_.wallet;
  if (storage::IsSpecialViewKind(info.kind)) {
    const int n = ViewNumber(info.position);
    dialogs::FolderProperties properties;
    properties.wallet = &wallet;
    properties.specialView = true;
    properties.viewNumber = info.kind;
    const storage::Text name = wallet.SpecialViewDisplayName(n);
    properties.viewName = std::u16string(name.data(), name.size());
    if (!dialogs::RunFolderProperties(owner_, properties, icons_, context_.platform.isSmartphone)) return;
    if (properties.viewName.empty()) return;
    wallet.SetSpecialView(n, properties.viewName, wallet.GetSpecialViewIcon(n));
    RebuildView(info.position, false);
    return;
  }
  if (info.kind == kKindCard) {
    Open(info.item, false);
    return;
  }
  if (!info.record) return;
  storage::RecordHeader folder = *info.record;
  dialogs::FolderProperties properties;
  properties.wallet = &wallet;
  properties.folder = &folder;
  properties.formsFolder = info.kind == kKindFormsFolder;
  properties.offerMainLevel = info.kind == kKindFolder && !folder.Parent().IsZero();
  const bool ok = dialogs::RunFolderProperties(owner_, properties, icons_, context_.platform.isSmartphone);
  if (!ok && !properties.iconOrFormChanged) return;
  if (ok && properties.mainLevel && info.kind == kKindFolder && !folder.Parent().IsZero()) {
    folder.ClearParent();
    folder.SetModified(platform::LocalTime());
  }
  if (wallet.IsReadOnly() || wallet.ReplaceFolder(folder) < 0) {
    ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
    RefreshItem(info.item);
    return;
  }
  InsertOrUpdate(folder.Id(), true);
}

void Browser::Cut() {
  const SelectionInfo s = SelectionOf();
  if (!s.selected.item || !s.caps.cut) return;
  ClearMarks();
  clipboard_.mode = BrowserClipboard::Cut;
  clipboard_.marked = clipboard_.cutItem = s.selected.item;
  SetCutLook(s.selected.item, true);
}

void Browser::Copy() {
  const SelectionInfo s = SelectionOf();
  if (!s.selected.item || !s.caps.copy) return;
  ClearMarks();
  clipboard_.mode = BrowserClipboard::Copy;
  clipboard_.marked = s.selected.item;
  if (s.selected.kind != kKindCard) return;
  storage::Card card;
  storage::Text text;
  if (context_.wallet.LoadCard(s.selected.id, &card) && storage::CardAsText(card, context_.wallet.Texts(), &text))
    if (ui::ClipboardService* clipboard = ui::ClipboardService::Instance()) clipboard->CopySecret(ui::ToQString(text));
}

void Browser::Paste() {
  const SelectionInfo s = SelectionOf();
  if (!s.selected.item || !s.caps.paste) return;
  QTreeWidgetItem* destination = s.selected.kind == kKindCard ? s.selected.parentItem : s.selected.item;
  if (clipboard_.mode == BrowserClipboard::Cut) {
    Drop(destination);
    return;
  }
  if (clipboard_.mode != BrowserClipboard::Copy || s.marked.kind != kKindCard || !destination) return;
  const int destinationKind = KindOfItem(destination);
  if (destinationKind == kKindFavourites) {
    // A copied card pasted on the favourites becomes a favourite.
    AddToFavourites(clipboard_.marked);
    return;
  }
  if (destinationKind != kKindFolder && destinationKind != kKindFormsFolder) return;
  const int copy =
      context_.wallet.IsReadOnly() ? -1 : context_.wallet.CopyCardInto(s.marked.position, PositionOf(destination));
  if (copy < 0) {
    ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
    return;
  }
  InsertOrUpdate(context_.wallet.At(copy)->Id(), true);
}

void Browser::Drop(QTreeWidgetItem* target) {
  QTreeWidgetItem* moved = clipboard_.marked;
  const int movedKind = KindOfItem(moved);
  auto nothing = [&] {
    SetDropHighlight(nullptr);
    ClearMarks();
    if (moved) Select(moved);
  };
  // A folder goes neither among the forms nor among the favourites: the
  // user is told so rather than left wondering why nothing happened.
  if (target && movedKind == kKindFolder) {
    const int targetKind = KindOfItem(target);
    const int placeKind = targetKind == kKindCard ? KindOfItem(target->parent()) : targetKind;
    if (placeKind == kKindFormsFolder || placeKind == kKindFavourites) {
      SetDropHighlight(nullptr);
      ClearMarks();
      ui::ShowMessage(owner_, kStrFolderNotAllowed, ui::kCaptionInformation, ui::MessageIcon::Information);
      Select(moved);
      return;
    }
  }
  const SelectionInfo s = SelectionOf(target);
  if (!s.caps.paste || !target || !moved || target == moved || target == moved->parent() || moved == target->parent() ||
      (KindOfItem(target) == kKindCard && target->parent() == moved->parent())) {
    nothing();
    return;
  }
  QTreeWidgetItem* destination = KindOfItem(target) == kKindCard ? target->parent() : target;
  const int destinationKind = KindOfItem(destination);
  if (!destination ||
      (destinationKind != kKindFolder && destinationKind != kKindFormsFolder && destinationKind != kKindFavourites)) {
    nothing();
    return;
  }
  SetDropHighlight(nullptr);
  ClearMarks();
  const ItemInfo info = ItemInfoOf(moved);
  if (destinationKind == kKindFolder) {
    if (!info.record) return;
    switch (storage::MoveInto(context_.wallet, info.position, PositionOf(destination))) {
      case storage::MoveStatus::Ok: break;
      case storage::MoveStatus::IntoItself: Beep(); return;
      case storage::MoveStatus::WriteFailed:
        ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
        Select(moved);
        return;
      default: return;
    }
    std::vector<QTreeWidgetItem*> expanded;
    CollectExpanded(moved, &expanded);
    (moved->parent() ? moved->parent() : tree_->invisibleRootItem())->removeChild(moved);
    destination->addChild(moved);
    for (QTreeWidgetItem* open : expanded) open->setExpanded(true);
    PlaceSorted(moved);
    Select(moved);
    return;
  }
  if (movedKind != kKindCard) {
    ui::ShowMessage(owner_, kStrFolderNotAllowed, ui::kCaptionInformation, ui::MessageIcon::Information);
    Select(moved);
    return;
  }
  if (destinationKind == kKindFormsFolder) {
    Select(SaveToMyForms(moved));
  } else {
    Select(AddToFavourites(moved));
  }
}

void Browser::Delete() {
  const SelectionInfo s = SelectionOf();
  const ItemInfo& info = s.selected;
  if (!info.item) return;
  storage::Wallet& wallet = context_.wallet;
  auto ask = [&](const QString& text) {
    return ui::ShowMessageText(owner_, text, ui::kCaptionInformation, ui::MessageIcon::Question, ui::Buttons::YesNo) ==
           ui::Answer::Yes;
  };
  auto askAbout = [&](uint32_t number) {
    return ask(QStringLiteral("%1\n\n(%2)").arg(ui::Text(number), info.item->text(0)));
  };
  if (info.kind == kKindFavourites || info.kind == kKindFindResults) {
    Clear(info.position);
    return;
  }
  if (info.kind == kKindFormsFolder) {
    ui::ShowMessage(owner_, kStrFormsFolderStays, ui::kCaptionInformation, ui::MessageIcon::Information);
    return;
  }
  if (info.kind == kKindCard && (info.parentKind == kKindFavourites || info.parentKind == kKindFindResults)) {
    if (!askAbout(kStrRemoveReference)) return;
    if (info.parentKind == kKindFavourites) {
      wallet.RemoveFavourite(info.id);
      wallet.Options().changed = true;
      RebuildFavouritesView();
    } else {
      wallet.RemoveFindResult(info.position);
      RebuildFindResultsView(true);
    }
    return;
  }
  if (info.kind == kKindCard && (info.parentKind == kKindFormsFolder || info.parentKind == kKindFolder)) {
    if (!askAbout(info.parentKind == kKindFormsFolder ? kStrDeleteForm : kStrDeleteCard)) return;
    if (storage::DeleteSubtree(wallet, info.position).status != storage::DeleteStatus::Ok) {
      ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
      return;
    }
    RemoveItem(info.item);
    RebuildBothViews();
    return;
  }
  if (info.kind == kKindFolder) {
    const storage::SubtreeCounts counts = storage::CountSubtree(wallet, info.position);
    if (!ask(ui::ToQString(FormatMessage(ui::ToU16(ui::Text(kStrDeleteFolder)), counts.folders, counts.cards)))) return;
    if (storage::DeleteSubtree(wallet, info.position).status != storage::DeleteStatus::Ok) {
      ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
      // Whatever went is gone from the file: show the tree as the file has it.
      FillTree();
      return;
    }
    RemoveItem(info.item);
    RebuildBothViews();
  }
}

void Browser::Clear(int marker) {
  storage::Wallet& wallet = context_.wallet;
  if (!wallet.IsOpen()) return;
  if (marker == storage::kFindResultsMarker) {
    wallet.ClearFindResults();
    RebuildFindResultsView(false);
  } else if (marker == storage::kFavouritesMarker) {
    wallet.ClearFavourites();
    wallet.Options().changed = true;
    RebuildFavouritesView();
  }
}

QTreeWidgetItem* Browser::AddToFavourites(QTreeWidgetItem* item) {
  const ItemInfo info = ItemInfoOf(item);
  if (!info.item || info.kind != kKindCard || !info.parentItem || !info.record) return nullptr;
  storage::Wallet& wallet = context_.wallet;
  if (wallet.AddFavourite(info.id)) wallet.Options().changed = true;
  RebuildView(storage::kFavouritesMarker, true);
  QTreeWidgetItem* view = ViewItem(storage::kFavouritesMarker);
  if (!view) return nullptr;
  tree_->setCurrentItem(view);
  QTreeWidgetItem* child = FindItemByPosition(info.position, false, view);
  if (child) tree_->setCurrentItem(child);
  return child;
}

QTreeWidgetItem* Browser::SaveToMyForms(QTreeWidgetItem* item) {
  const ItemInfo info = ItemInfoOf(item);
  if (!info.item || info.kind != kKindCard || !info.record) return nullptr;
  storage::Wallet& wallet = context_.wallet;
  const int position = wallet.IsReadOnly() ? -1 : wallet.SaveCardAsForm(info.position);
  if (position < 0) {
    ui::ShowMessage(owner_, kStrNotChanged, ui::kCaptionError, ui::MessageIcon::Stop);
    return nullptr;
  }
  const storage::RecordHeader* form = wallet.At(position);
  QTreeWidgetItem* forms = FindItemByPosition(wallet.FormsFolderPosition(), true);
  if (!form || !forms) return nullptr;
  storage::TreeNode node;
  node.position = position;
  node.kind = kKindCard;
  node.name = form->Name();
  node.icon = form->Icon();
  QTreeWidgetItem* added = MakeItem(node, nullptr);
  forms->addChild(added);
  PlaceSorted(added);
  return added;
}

void Browser::SeekToSource() {
  const ItemInfo info = ItemInfoOf();
  if (info.kind != kKindCard || (info.parentKind != kKindFavourites && info.parentKind != kKindFindResults)) return;
  Select(FindItemByPosition(info.position, true));
}

void Browser::ToggleTopLevel() {
  bool anyExpanded = false;
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) anyExpanded |= tree_->topLevelItem(i)->isExpanded();
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) tree_->topLevelItem(i)->setExpanded(!anyExpanded);
  if (!tree_->currentItem() && tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
  tree_->setFocus();
}

}  // namespace tb::shell
