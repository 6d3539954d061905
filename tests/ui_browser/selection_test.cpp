// The main menu's enabling rules for each kind of selection, as a table.
#include <QTest>

#include <algorithm>

#include "shell/browser/selection.h"
#include "shell/core/command_ids.h"
#include "ui_support/qt_test.h"

using namespace tb::shell;

namespace {

constexpr int kNone = 0;

MenuRules RulesFor(int kind, int parentKind, int markedKind = 0, bool smartphone = false, bool exitMenu = false) {
  MenuInputs in;
  in.walletOpen = true;
  in.smartphone = smartphone;
  in.exitMenu = exitMenu;
  in.menusExpanded = true;
  in.selectedKind = kind;
  in.parentKind = parentKind;
  in.caps = CapabilitiesOf(kind, parentKind, markedKind);
  return MenuRulesFor(in);
}

bool Removed(const MenuRules& r, int command) {
  return std::find(r.removed.begin(), r.removed.end(), command) != r.removed.end();
}

}  // namespace

class SelectionTest : public QObject {
  Q_OBJECT

 private slots:
  void enablingRulesBySelection() {
    const struct {
      const char* what;
      int kind, parentKind, markedKind;
      bool newCard, newFolder, properties, favourites, cut, copy, paste, del, saveToMyForms, seek;
      DeleteText text;
    } cases[] = {
        {"nothing", kNone, kNone, kNone, false, true, false, false, false, false, false, false, false, false,
         DeleteText::Delete},
        {"card in a folder", kKindCard, kKindFolder, kNone, true, true, true, true, true, true, false, true, true,
         false, DeleteText::Delete},
        {"card in a folder, a card marked", kKindCard, kKindFolder, kKindCard, true, true, true, true, true, true, true,
         true, true, false, DeleteText::Delete},
        {"custom form", kKindCard, kKindFormsFolder, kNone, true, true, true, false, false, true, false, true, false,
         false, DeleteText::Delete},
        {"favourite", kKindCard, kKindFavourites, kNone, false, true, true, false, false, true, false, true, true, true,
         DeleteText::Remove},
        {"found card", kKindCard, kKindFindResults, kNone, false, true, true, true, false, false, false, true, true,
         true, DeleteText::Remove},
        {"card at the top", kKindCard, kNone, kNone, false, true, true, true, false, false, false, false, true, false,
         DeleteText::Delete},
        {"folder, a folder marked", kKindFolder, kNone, kKindFolder, true, true, true, false, true, false, true, true,
         false, false, DeleteText::Delete},
        {"forms folder", kKindFormsFolder, kNone, kKindCard, true, false, true, false, false, false, true, false, false,
         false, DeleteText::Delete},
        {"favourites view", kKindFavourites, kNone, kKindCard, false, true, true, false, false, false, true, true,
         false, false, DeleteText::Clear},
        {"find-results view", kKindFindResults, kNone, kNone, false, true, true, false, false, false, false, true,
         false, false, DeleteText::Clear},
    };
    for (const auto& c : cases) {
      const MenuRules r = RulesFor(c.kind, c.parentKind, c.markedKind);
      QVERIFY2(r.enabled.at(kCmdNewCard) == c.newCard, c.what);
      QVERIFY2(r.enabled.at(kCmdNewFolder) == c.newFolder, c.what);
      QVERIFY2(r.enabled.at(kCmdProperties) == c.properties, c.what);
      QVERIFY2(r.enabled.at(kCmdAddToFavourites) == c.favourites, c.what);
      QVERIFY2(r.enabled.at(kCmdCut) == c.cut, c.what);
      QVERIFY2(r.enabled.at(kCmdCopy) == c.copy, c.what);
      QVERIFY2(r.enabled.at(kCmdPaste) == c.paste, c.what);
      QVERIFY2(r.enabled.at(kCmdDelete) == c.del, c.what);
      QVERIFY2(r.enabled.at(kCmdSaveToMyForms) == c.saveToMyForms, c.what);
      QVERIFY2(r.enabled.at(kCmdExport), c.what);
      QVERIFY2(r.seekToSource == c.seek, c.what);
      QVERIFY2(r.deleteText == c.text, c.what);
      QVERIFY2(r.removed.empty() && r.expandedMenusChecked, c.what);
    }
  }

  void platformAndNoWallet() {
    // Smartphone: no Export, Import or Import Form, and Exit only with ExitMenu.
    for (const bool exitMenu : {false, true}) {
      const MenuRules r = RulesFor(kKindFolder, kNone, kNone, true, exitMenu);
      for (int gone : {kCmdExport, kCmdImport, kCmdImportForm}) QVERIFY(Removed(r, gone));
      QCOMPARE(Removed(r, kCmdExit), !exitMenu);
      QVERIFY(!r.expandedMenusChecked);
    }
    // No wallet: New Card and New Folder grayed, nothing else touched.
    MenuInputs closed;
    const MenuRules r = MenuRulesFor(closed);
    QCOMPARE(r.enabled.size(), size_t(2));
    QVERIFY(!r.enabled.at(kCmdNewCard) && !r.enabled.at(kCmdNewFolder));
    QVERIFY(r.removed.empty() && !r.seekToSource);
  }
};

TB_QT_TEST(SelectionTest)

#include "selection_test.moc"
