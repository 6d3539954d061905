#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <functional>

#include "dialogs/properties_dialog.h"
#include "platform/core/system.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/controls.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/test_doubles.h"
#include "platform/ui/texts.h"
#include "shell/window/main_window.h"
#include "support/wallet_fixture.h"
#include "ui/ui_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/png_check.h"
#include "ui_support/qt_test.h"

using namespace tb::shell;
using tb::storage::RecordId;
using tb::ui::ScriptedMessageBoxes;

namespace {

// A wallet of two folders (one with a subfolder) and a few cards, opened
// in a main window whose error beeps are counted.
//
//   Bank (icon 10): A-card, b-card, Inner folder: Deep
//   Home: Lamp
//   forms folder
struct Fixture {
  tb::test::TestWallet file;
  AppContext context;
  std::unique_ptr<MainWindow> window;
  RecordId bank, home, inner, aCard, bCard, deep, lamp;
  int beeps = 0;

  explicit Fixture(bool smartphone = false) {
    if (smartphone) {
      context.platform.isSmartphone = true;
      context.platform.isPocketPC = false;
      context.settings = Settings(PlatformVariant::Smartphone);
    }
    bank = file.IdAt(file.AddFolder(u"Bank", {}, 10));
    home = file.IdAt(file.AddFolder(u"Home"));
    inner = file.IdAt(file.AddFolder(u"Inner", bank));
    aCard = file.IdAt(file.AddCard(bank, u"A-card", {{u"Number", u"4711"}}, 5));
    bCard = file.IdAt(file.AddCard(bank, u"b-card", {}, 7));
    deep = file.IdAt(file.AddCard(inner, u"Deep"));
    lamp = file.IdAt(file.AddCard(home, u"Lamp"));
    file.wallet().Close();
    tb::ui::SetTextSource(&file.texts());
    context.wallet.SetTextSource(&file.texts());
    window = std::make_unique<MainWindow>(context);
    window->SetMenuBar(kBarBrowse);
    window->passwordPrompt = [this](const WalletPrompt&) -> std::optional<tb::storage::Text> {
      return tb::storage::ToText(file.password());
    };
    window->resize(MainWindow::StartSize());
  }
  ~Fixture() { tb::ui::SetTextSource(nullptr); }

  // More records before the window opens the file.
  template <typename Fn>
  void Add(Fn add) {
    file.Reopen();
    add(file);
    file.wallet().Close();
  }

  bool Open() {
    if (!window->OpenWalletFlow(file.path(), false)) return false;
    B().errorBeep = [this] { ++beeps; };
    return true;
  }
  tb::shell::Browser& B() { return window->TreeBrowser(); }
  QTreeWidget* Tree() { return window->Tree(); }
  QTreeWidgetItem* Item(const RecordId& id) { return B().FindItemById(id); }
  void Select(const RecordId& id) { Tree()->setCurrentItem(Item(id)); }
  QTreeWidgetItem* Forms() { return B().FindItemByPosition(context.wallet.FormsFolderPosition(), false); }
  const tb::storage::RecordHeader* Record(const RecordId& id) {
    return context.wallet.At(context.wallet.FindRecord(id));
  }
  QStringList Children(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
  }
  // Closes the window's wallet and opens the file again, to see what was written.
  tb::storage::Wallet& Reread() {
    window->CloseWallet();
    file.Reopen();
    return file.wallet();
  }
  QPoint Centre(QTreeWidgetItem* item) {
    Tree()->scrollToItem(item);
    const QRect r = Tree()->visualItemRect(item);
    return QPoint(r.left() + Tree()->iconSize().width() + 6, r.center().y());
  }
};

}  // namespace

class BrowserTest : public QObject {
  Q_OBJECT

 private slots:
  void copyPasteAndCutPaste() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    QApplication::clipboard()->clear();
    // Copy puts the card's text on the clipboard and marks it for copying.
    f.Select(f.aCard);
    f.window->Dispatch(kCmdCopy);
    QVERIFY(QApplication::clipboard()->text().contains("4711"));
    QCOMPARE(QApplication::clipboard()->mimeData()->data("x-kde-passwordManagerHint"), QByteArray("secret"));
    QCOMPARE(f.B().Clipboard().mode, int(BrowserClipboard::Copy));
    f.Select(f.lamp);  // a card stands for its folder
    f.window->Dispatch(kCmdPaste);
    const QStringList home = f.Children(f.Item(f.home));
    QCOMPARE(home, QStringList({"A-card*", "Lamp"}));
    QCOMPARE(f.Tree()->currentItem()->text(0), QString("A-card*"));
    // Paste after Copy keeps the copy mark.
    QCOMPARE(f.B().Clipboard().mode, int(BrowserClipboard::Copy));

    // Cut then Paste moves the card and keeps its name; the mark goes.
    f.Select(f.bCard);
    f.window->Dispatch(kCmdCut);
    QVERIFY(f.Item(f.bCard)->font(0).italic());
    f.Select(f.home);
    f.window->Dispatch(kCmdPaste);
    QCOMPARE(f.Children(f.Item(f.home)), QStringList({"A-card*", "b-card", "Lamp"}));
    QCOMPARE(f.B().Clipboard().mode, int(BrowserClipboard::None));
    QVERIFY(!f.Item(f.bCard)->font(0).italic());

    // Any other command drops a pending cut, and a copy mark too.
    f.Select(f.lamp);
    f.window->Dispatch(kCmdCut);
    f.window->Dispatch(kCmdFind);
    QCOMPARE(f.B().Clipboard().mode, int(BrowserClipboard::None));
    QVERIFY(!f.Item(f.lamp)->font(0).italic());
    f.window->Dispatch(kCmdCopy);
    f.window->Dispatch(kCmdFind);
    QCOMPARE(f.B().Clipboard().mode, int(BrowserClipboard::None));

    tb::storage::Wallet& w = f.Reread();
    QCOMPARE(w.At(w.FindRecord(f.bCard))->Parent(), f.home);
    int copies = 0;
    for (int p = 0; p < w.Count(); ++p)
      if (w.At(p) && !w.At(p)->IsDeleted() && w.At(p)->Name() == tb::storage::Text(u"A-card*")) ++copies;
    QCOMPARE(copies, 1);
    QCOMPARE(boxes.Count(), 0u);
  }

  void marksGoWithTheirItems() {
    // A copied card that leaves the tree (itself, with its folder, or a
    // copied custom form) takes its mark along: the next menu and Paste
    // must not read the deleted item (AddressSanitizer watches).
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.Select(f.bCard);
    f.window->Dispatch(kCmdSaveToMyForms);
    QMenu* menu = f.window->MenuBar()->RightMenu();
    auto pasteOffered = [&] {
      f.window->OnInitMenuPopup(menu);
      for (QMenu* m : menu->findChildren<QMenu*>()) f.window->OnInitMenuPopup(m);
      return f.window->MenuBar()->FindAction(kCmdPaste)->isEnabled();
    };
    const struct {
      const char* what;
      std::function<QTreeWidgetItem*()> copied, deleted;
    } cases[] = {
        {"the card", [&] { return f.Item(f.aCard); }, [&] { return f.Item(f.aCard); }},
        {"its folder", [&] { return f.Item(f.deep); }, [&] { return f.Item(f.inner); }},
        {"a custom form", [&] { return f.Forms()->child(0); }, [&] { return f.Forms()->child(0); }},
    };
    for (const auto& c : cases) {
      f.Tree()->setCurrentItem(c.copied());
      f.B().Copy();
      QCOMPARE(f.B().Clipboard().mode, int(BrowserClipboard::Copy));
      // Straight to the browser, as a card window's delete arrives: no
      // command in between empties the marks.
      f.Tree()->setCurrentItem(c.deleted());
      f.B().Delete();
      QCOMPARE(f.B().Clipboard().mode, int(BrowserClipboard::None));
      f.Select(f.home);
      QVERIFY2(!pasteOffered(), c.what);
      f.B().Paste();
      QCOMPARE(f.Children(f.Item(f.home)), QStringList({"Lamp"}));
    }
    // Through the commands: Copy, Delete, the menu, Paste.
    f.Select(f.lamp);
    f.window->Dispatch(kCmdCopy);
    f.window->Dispatch(kCmdDelete);
    QVERIFY(!f.Item(f.lamp));
    f.Select(f.home);
    QVERIFY(!pasteOffered());
    f.window->Dispatch(kCmdPaste);
    QCOMPARE(f.Item(f.home)->childCount(), 0);
  }

  void copiedCardFollowsTheClearPeriodAndLeavesWithTheWallet() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    f.context.settings.clipboardClearSeconds = 5;
    tb::platform::TestClock clock({2024, 6, 0, 3, 10, 0, 0, 0});
    QVERIFY(f.Open());
    f.Select(f.aCard);
    f.window->Dispatch(kCmdCopy);
    QVERIFY(QApplication::clipboard()->text().contains("4711"));
    clock.AdvanceSeconds(5);
    tb::ui::ClipboardService::Instance()->CheckExpiry();
    QVERIFY(QApplication::clipboard()->text().isEmpty());

    f.window->Dispatch(kCmdCopy);
    QVERIFY(QApplication::clipboard()->text().contains("4711"));
    f.window->CloseWallet();
    QVERIFY(QApplication::clipboard()->text().isEmpty());
  }

  void dragAndDropWithTheMouse() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.Tree()->expandAll();
    QWidget* viewport = f.Tree()->viewport();
    auto drag = [&](const RecordId& from, QTreeWidgetItem* to) {
      const QPoint start = f.Centre(f.Item(from));
      QTest::mousePress(viewport, Qt::LeftButton, {}, start);
      QMouseEvent move(QEvent::MouseMove, start + QPoint(0, 30), viewport->mapToGlobal(start + QPoint(0, 30)),
                       Qt::NoButton, Qt::LeftButton, {});
      QApplication::sendEvent(viewport, &move);
      const QPoint end = f.Centre(to);
      QMouseEvent over(QEvent::MouseMove, end, viewport->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, {});
      QApplication::sendEvent(viewport, &over);
      const bool highlighted = f.B().DropHighlight() == to;
      QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
      QCoreApplication::sendPostedEvents(f.window.get());
      return highlighted;
    };

    // A card dragged onto another folder moves there.
    QVERIFY(drag(f.lamp, f.Item(f.bank)));
    QVERIFY(!f.B().Dragging());
    QCOMPARE(f.Item(f.lamp)->parent(), f.Item(f.bank));
    QCOMPARE(f.Record(f.lamp)->Parent(), f.bank);

    // A folder dragged below itself (onto a card of its subfolder): a beep,
    // nothing moves. Onto its direct child nothing happens either, silently.
    f.Tree()->expandAll();
    QVERIFY(drag(f.bank, f.Item(f.inner)));
    QCOMPARE(f.beeps, 0);
    f.Tree()->expandAll();
    QVERIFY(drag(f.bank, f.Item(f.deep)));
    QCOMPARE(f.beeps, 1);
    QVERIFY(f.Record(f.bank)->Parent().IsZero());

    // A card dragged onto the favourites becomes a favourite and stays in its folder.
    f.Select(f.aCard);
    f.window->Dispatch(kCmdAddToFavourites);
    QTreeWidgetItem* favourites = f.B().ViewItem(tb::storage::kFavouritesMarker);
    QVERIFY(favourites);
    f.Tree()->expandAll();
    QVERIFY(drag(f.deep, favourites));
    QCOMPARE(f.context.wallet.FavouritesCount(), size_t(2));
    QCOMPARE(f.Record(f.deep)->Parent(), f.inner);

    // A folder dropped on the favourites is refused with a message.
    f.Tree()->expandAll();
    drag(f.inner, f.B().ViewItem(tb::storage::kFavouritesMarker));
    QCOMPARE(boxes.Count(), 1u);
    QCOMPARE(boxes.Last().textNumber, 22000u);
    QCOMPARE(f.Record(f.inner)->Parent(), f.bank);

    // Released outside any item: the marks go, nothing moves.
    const QPoint start = f.Centre(f.Item(f.bCard));
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, start + QPoint(0, 30), viewport->mapToGlobal(start + QPoint(0, 30)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &move);
    QVERIFY(f.B().Dragging());
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(viewport->width() / 2, viewport->height() - 2));
    QCOMPARE(f.B().Clipboard().mode, int(BrowserClipboard::None));
    QCOMPARE(f.Record(f.bCard)->Parent(), f.bank);
  }

  void dragNearAnEdgeScrollsTheTree() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    f.Add([&](tb::test::TestWallet& w) {
      for (int i = 0; i < 60; ++i) w.AddCard(f.home, u"Filler " + std::u16string(1, char16_t(u'A' + i % 26)));
    });
    QVERIFY(f.Open());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.Tree()->expandAll();
    QScrollBar* bar = f.Tree()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QVERIFY(f.B().BeginDrag(f.Item(f.lamp)));
    // Far below the bottom edge: one line every tick (6 - d/20 < 1).
    f.B().DragMove(QPoint(5, f.Tree()->viewport()->height() + 200));
    const int before = bar->value();
    for (int i = 0; i < 4; ++i) f.B().DragScrollTick();
    QCOMPARE(bar->value(), before + 4);
    QVERIFY(f.B().DropHighlight() != nullptr);
    // Just inside the top edge (d = 10 - 8 ... ): one line every sixth tick.
    f.B().DragMove(QPoint(5, 8));
    const int top = bar->value();
    const int ticks = f.B().DragTicks();
    for (int i = 0; i < 12; ++i) f.B().DragScrollTick();
    int expected = 0;
    for (int t = ticks + 1; t <= ticks + 12; ++t) expected += t % 6 == 0;
    QCOMPARE(bar->value(), top - expected);
    f.B().EndDrag(QPoint(-50, -50));
    QVERIFY(!f.B().Dragging());
  }

  void deleteAsksAndRemoves() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    // A card in a folder: asked with its name; No keeps it.
    f.Select(f.bCard);
    boxes.Queue(tb::ui::Answer::No);
    f.window->Dispatch(kCmdDelete);
    QVERIFY(boxes.Last().text.startsWith(tb::ui::Text(22003)));
    QVERIFY(boxes.Last().text.endsWith("(b-card)"));
    QVERIFY(f.Item(f.bCard));
    f.window->Dispatch(kCmdDelete);  // Yes
    QVERIFY(!f.Item(f.bCard));
    QCOMPARE(f.context.wallet.FindRecord(f.bCard), -1);

    // A favourite: removed from the favourites only.
    f.Select(f.lamp);
    f.window->Dispatch(kCmdAddToFavourites);
    QTreeWidgetItem* favourites = f.B().ViewItem(tb::storage::kFavouritesMarker);
    f.Tree()->setCurrentItem(favourites->child(0));
    f.window->Dispatch(kCmdRemove);
    QVERIFY(boxes.Last().text.startsWith(tb::ui::Text(22001)));
    QVERIFY(!f.B().ViewItem(tb::storage::kFavouritesMarker));
    QVERIFY(f.Item(f.lamp));

    // A folder: asked with the folders (itself included) and cards below it.
    f.Select(f.bank);
    f.window->Dispatch(kCmdDelete);
    QCOMPARE(boxes.Last().buttons, tb::ui::Buttons::YesNo);
    QVERIFY(!f.Item(f.bank));
    for (const RecordId& gone : {f.bank, f.inner, f.aCard, f.deep}) QCOMPARE(f.context.wallet.FindRecord(gone), -1);

    // The forms folder stays, with a message.
    f.Tree()->setCurrentItem(f.Forms());
    const size_t shown = boxes.Count();
    f.window->Dispatch(kCmdDelete);
    QCOMPARE(boxes.Count(), shown + 1);
    QCOMPARE(boxes.Last().textNumber, 22005u);

    tb::storage::Wallet& w = f.Reread();
    QCOMPARE(w.FindRecord(f.deep), -1);
    QVERIFY(w.FindRecord(f.lamp) >= 0);
  }

  void deleteFolderQuestionCounts() {
    // The question's numbers, with a language text that shows them.
    ScriptedMessageBoxes boxes;
    Fixture f;
    tb::ui::test::FakeTexts texts({{22004, u"Delete %d folders and %d cards?"}});
    QVERIFY(f.Open());
    tb::ui::SetTextSource(&texts);
    f.Select(f.bank);
    boxes.Queue(tb::ui::Answer::No);
    f.window->Dispatch(kCmdDelete);
    QCOMPARE(boxes.Last().text, QString("Delete 2 folders and 3 cards?"));
    QVERIFY(f.Item(f.bank));
    tb::ui::SetTextSource(&f.file.texts());
  }

  void renameInPlace() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.window->show();
    f.Select(f.lamp);
    f.window->Dispatch(kCmdRename);
    auto* editor = f.B().LabelEditor();
    QVERIFY(editor);
    QCOMPARE(editor->maxLength(), kMaxLabelLength);
    editor->setText("Anglepoise");
    // The title-bar OK ends the edit, keeping its text.
    f.window->Dispatch(kCmdOk);
    QTRY_COMPARE(f.Tree()->currentItem(), f.Item(f.lamp));  // sorted in and selected
    QVERIFY(!f.B().RenameRequested());
    QCOMPARE(f.Item(f.lamp)->text(0), QString("Anglepoise"));
    QCOMPARE(f.Record(f.lamp)->Name(), tb::storage::Text(u"Anglepoise"));

    // Inside a view no edit starts; the view itself takes a new name.
    f.window->Dispatch(kCmdAddToFavourites);
    QTreeWidgetItem* favourites = f.B().ViewItem(tb::storage::kFavouritesMarker);
    f.Tree()->setCurrentItem(favourites->child(0));
    f.window->Dispatch(kCmdRename);
    QVERIFY(!f.B().LabelEditOpen());
    QVERIFY(!f.B().RenameRequested());
    f.Tree()->setCurrentItem(favourites);
    f.window->Dispatch(kCmdRename);
    editor = f.B().LabelEditor();
    QVERIFY(editor);
    editor->setText("Best");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCOMPARE(f.B().ViewItem(tb::storage::kFavouritesMarker)->text(0), QString("Best"));
    QCOMPARE(f.context.wallet.SpecialViewDisplayName(1), tb::storage::Text(u"Best"));

    tb::storage::Wallet& w = f.Reread();
    QCOMPARE(w.At(w.FindRecord(f.lamp))->Name(), tb::storage::Text(u"Anglepoise"));
    QCOMPARE(w.SpecialViewDisplayName(1), tb::storage::Text(u"Best"));
  }

  void favouritesFormsAndSeek() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    // 32 favourites fill the list; the 33rd is ignored.
    std::vector<RecordId> cards;
    f.Add([&](tb::test::TestWallet& w) {
      for (int i = 0; i < 33; ++i) {
        const std::u16string name = u"Card " + std::u16string(1, char16_t(u'a' + i / 10)) + char16_t(u'0' + i % 10);
        cards.push_back(w.IdAt(w.AddCard(f.home, name)));
      }
    });
    QVERIFY(f.Open());
    for (const RecordId& id : cards) {
      f.Select(id);
      f.window->Dispatch(kCmdAddToFavourites);
    }
    QCOMPARE(f.context.wallet.FavouritesCount(), size_t(32));
    QVERIFY(!f.context.wallet.IsFavourite(cards.back()));
    QCOMPARE(f.B().ViewItem(tb::storage::kFavouritesMarker)->childCount(), 32);

    // Seek to Source selects the card's own item in its folder.
    QTreeWidgetItem* favourite = f.B().ViewItem(tb::storage::kFavouritesMarker)->child(3);
    f.Tree()->setCurrentItem(favourite);
    const QString name = favourite->text(0);
    // The main menu offers it as its fourth entry.
    QMenu* menu = f.window->MenuBar()->RightMenu();
    f.window->OnInitMenuPopup(menu);
    QCOMPARE(menu->actions().at(3)->data().toInt(), kCmdSeekToSource);
    f.window->Dispatch(kCmdSeekToSource);
    QCOMPARE(f.Tree()->currentItem()->text(0), name);
    QCOMPARE(f.Tree()->currentItem()->parent(), f.Item(f.home));
    f.window->OnInitMenuPopup(menu);
    QVERIFY(menu->actions().at(3)->data().toInt() != kCmdSeekToSource);

    // Save to My Forms: a form with the card's name in the forms folder.
    f.Select(f.aCard);
    f.window->Dispatch(kCmdSaveToMyForms);
    QCOMPARE(f.Children(f.Forms()), QStringList({"A-card"}));
    QCOMPARE(f.Record(f.aCard)->Parent(), f.bank);
  }

  void propertiesAndNewFolderThroughTheDialog() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    using tb::dialogs::test::WhenDialogShows;
    // New Folder under a selected card's folder, placed at the main level.
    f.Select(f.aCard);
    WhenDialogShows(tb::dialogs::kFolderPropertiesTemplate, [](tb::ui::ModalDialog& d) {
      auto* name = tb::ui::FindControl<QLineEdit>(&d, tb::dialogs::kFolderNameEditId);
      name->setText("Cars");
      auto* top = tb::ui::FindControl<QAbstractButton>(&d, tb::dialogs::kMainLevelId);
      QVERIFY(top && top->isVisible());
      top->click();
      d.Dispatch(tb::ui::kCmdOk);
    });
    f.window->Dispatch(kCmdNewFolder);
    QTreeWidgetItem* cars = f.Tree()->currentItem();
    QVERIFY(cars);
    QCOMPARE(cars->text(0), QString("Cars"));
    QVERIFY(!cars->parent());
    // The folders in order, the forms folder last.
    QCOMPARE(f.Tree()->topLevelItem(0)->text(0), QString("Bank"));
    QCOMPARE(f.Tree()->topLevelItem(1)->text(0), QString("Cars"));

    // Properties of a folder: the new name is stored and sorted in.
    f.Select(f.inner);
    WhenDialogShows(tb::dialogs::kFolderPropertiesTemplate, [](tb::ui::ModalDialog& d) {
      tb::ui::FindControl<QLineEdit>(&d, tb::dialogs::kFolderNameEditId)->setText("Alpha");
      d.Dispatch(tb::ui::kCmdOk);
    });
    f.window->Dispatch(kCmdProperties);
    QCOMPARE(f.Item(f.inner)->text(0), QString("Alpha"));
    QCOMPARE(f.Children(f.Item(f.bank)), QStringList({"A-card", "b-card", "Alpha"}));

    tb::storage::Wallet& w = f.Reread();
    QCOMPARE(w.At(w.FindRecord(f.inner))->Name(), tb::storage::Text(u"Alpha"));
    bool found = false;
    for (int p = 0; p < w.Count(); ++p)
      if (w.At(p) && w.At(p)->Name() == tb::storage::Text(u"Cars"))
        found = w.At(p)->Parent().IsZero() && w.At(p)->Icon() == 72;
    QVERIFY(found);
  }

  void contextMenusByItem() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.window->show();
    f.Select(f.aCard);
    f.window->Dispatch(kCmdAddToFavourites);
    f.Tree()->expandAll();
    QTreeWidgetItem* favourites = f.B().ViewItem(tb::storage::kFavouritesMarker);
    int shownMenu = 0;
    QStringList entries;
    bool pasteEnabled = true;
    f.B().runPopup = [&](QMenu& menu, int id, const QPoint&) {
      shownMenu = id;
      entries.clear();
      pasteEnabled = false;
      for (QAction* a : menu.actions()) {
        entries << a->text();
        if (a->data().toInt() == kCmdPaste) pasteEnabled = a->isEnabled();
      }
      return 0;
    };
    const struct {
      QTreeWidgetItem* item;
      int menu;
      int entries;
    } cases[] = {
        {favourites, kMenuFavouritesView, 4}, {favourites->child(0), kMenuFavouriteCard, 4},
        {f.Item(f.bCard), kMenuCard, 10},     {f.Item(f.bank), kMenuFolder, 8},
        {f.Forms(), kMenuFormsFolder, 6},
    };
    for (const auto& c : cases) {
      f.B().ShowContextMenu(f.Centre(c.item));
      QVERIFY(!pasteEnabled);  // nothing is marked: the enabling rules hold here too
      QCOMPARE(shownMenu, c.menu);
      QCOMPARE(entries.size(), c.entries);
      QCOMPARE(f.Tree()->currentItem(), c.item);
    }
    f.Tree()->collapseAll();
    const QPoint empty(5, f.Tree()->viewport()->height() - 2);
    QVERIFY(!f.Tree()->itemAt(empty));
    f.B().ShowContextMenu(empty);
    QCOMPARE(shownMenu, kMenuNothing);

    // The chosen entry arrives as a command: Delete on a card, answered No.
    f.B().runPopup = [&](QMenu& menu, int, const QPoint&) {
      for (QAction* a : menu.actions())
        if (a->data().toInt() == kCmdDelete) return kCmdDelete;
      return 0;
    };
    boxes.Queue(tb::ui::Answer::No);
    f.B().ShowContextMenu(f.Centre(f.Item(f.bCard)));
    QVERIFY(boxes.Last().text.endsWith("(b-card)"));
  }

  void keysAndTaps() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QTreeWidgetItem* bank = f.Item(f.bank);
    f.Tree()->setCurrentItem(bank);
    f.Tree()->setFocus();
    bank->setExpanded(false);
    QTest::keyClick(f.Tree(), Qt::Key_Right);
    QVERIFY(bank->isExpanded());
    QTest::keyClick(f.Tree(), Qt::Key_Left);
    QVERIFY(!bank->isExpanded());
    QTest::keyClick(f.Tree(), Qt::Key_Return);  // a folder opens by Enter
    QVERIFY(bank->isExpanded());
    // A tap on a folder toggles it; a tap on a card opens it.
    QTest::mouseClick(f.Tree()->viewport(), Qt::LeftButton, {}, f.Centre(bank));
    QCoreApplication::processEvents();
    QVERIFY(!bank->isExpanded());
    RecordId opened;
    f.B().openCard = [&](const RecordId& id) { opened = id; };
    QTreeWidgetItem* lamp = f.Item(f.lamp);
    f.Item(f.home)->setExpanded(true);
    QTest::mouseClick(f.Tree()->viewport(), Qt::LeftButton, {}, f.Centre(lamp));
    QCoreApplication::processEvents();
    QCOMPARE(opened, f.lamp);
    // Delete asks for the selected card.
    f.Tree()->setCurrentItem(lamp);
    boxes.Queue(tb::ui::Answer::No);
    QTest::keyClick(f.Tree(), Qt::Key_Delete);
    QCoreApplication::processEvents();
    QVERIFY(boxes.Count() > 0 && boxes.Last().text.endsWith("(Lamp)"));
    // Up on the first item enters find mode.
    f.Tree()->setCurrentItem(f.Tree()->topLevelItem(0));
    QTest::keyClick(f.Tree(), Qt::Key_Up);
    QVERIFY(f.window->InFindMode());
  }

  void smartphoneWorksByKeys() {
    ScriptedMessageBoxes boxes;
    Fixture f(true);
    QVERIFY(f.Open());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QCOMPARE(f.window->MenuBar()->MenuBarId(), kBarBrowseSmartphone);
    RecordId opened;
    f.B().openCard = [&](const RecordId& id) { opened = id; };
    QTreeWidgetItem* bank = f.Item(f.bank);
    bank->setExpanded(true);
    // No taps and no popups: a tap selects only.
    QTest::mouseClick(f.Tree()->viewport(), Qt::LeftButton, {}, f.Centre(f.Item(f.aCard)));
    QCoreApplication::processEvents();
    QVERIFY(opened.IsZero());
    QVERIFY(bank->isExpanded());
    QContextMenuEvent menu(QContextMenuEvent::Mouse, f.Centre(bank));
    int popups = 0;
    f.B().runPopup = [&](QMenu&, int, const QPoint&) { return ++popups, 0; };
    QApplication::sendEvent(f.Tree()->viewport(), &menu);
    QCOMPARE(popups, 0);
    // Enter opens the selected card; Left and Right fold a folder.
    f.Tree()->setFocus();
    f.Select(f.aCard);
    QTest::keyClick(f.Tree(), Qt::Key_Return);
    QCOMPARE(opened, f.aCard);
    f.Tree()->setCurrentItem(bank);
    QTest::keyClick(f.Tree(), Qt::Key_Left);
    QVERIFY(!bank->isExpanded());
    // Cut and Paste from the menu move a card as on Pocket PC.
    f.Select(f.lamp);
    f.window->Dispatch(kCmdCut);
    f.Tree()->setCurrentItem(bank);
    f.window->Dispatch(kCmdPaste);
    QCOMPARE(f.Record(f.lamp)->Parent(), f.bank);
  }

  void iconPastTheBuiltInOnesIsMended() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    RecordId odd;
    f.Add([&](tb::test::TestWallet& w) { odd = w.IdAt(w.AddFolder(u"Odd", {}, 200)); });
    QVERIFY(f.Open());
    QCOMPARE(f.Record(odd)->Icon(), 0);
    const QImage expected = f.window->Icons().Small()[4];
    QCOMPARE(f.Item(odd)->icon(0).pixmap(expected.size()).toImage().convertToFormat(expected.format()), expected);
    tb::storage::Wallet& w = f.Reread();
    QCOMPARE(w.At(w.FindRecord(odd))->Icon(), 0);
  }

  void pictures() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.Select(f.aCard);
    f.window->Dispatch(kCmdAddToFavourites);
    f.Tree()->expandAll();
    f.Select(f.lamp);
    f.window->Dispatch(kCmdCut);
    f.B().BeginDrag(f.Item(f.deep));
    f.B().DragMove(f.Centre(f.Item(f.home)) + QPoint(10, 4));
    // The drop target's highlight, at the right end of its row.
    const QRect target = f.Tree()->visualItemRect(f.Item(f.home));
    TB_VERIFY_PNG(f.window.get(), tb::dialogs::test::ScreenshotPath("browser-drag"), f.Tree()->viewport(),
                  QPoint(f.Tree()->viewport()->width() - 4, target.center().y()));
    f.B().EndDrag(QPoint(-9, -9));
    // The popup of a card, as a tap-and-hold shows it.
    bool popupShown = false;
    f.B().runPopup = [&](QMenu& menu, int, const QPoint& at) {
      menu.popup(at);
      QTest::qWait(20);
      const QString path = tb::dialogs::test::ScreenshotPath("browser-card-popup");
      popupShown = tb::ui::GrabToPng(&menu, path);
      // The picture has the menu's size and the first item's text in it.
      const QImage picture(path);
      popupShown = popupShown && picture.size() == menu.size() * menu.devicePixelRatioF();
      const QRect first = menu.actionGeometry(menu.actions().first());
      int dark = 0;
      for (int y = first.top(); y <= first.bottom(); ++y)
        for (int x = first.left(); x <= first.right(); ++x) dark += qGray(picture.pixel(x, y)) < 100;
      popupShown = popupShown && dark > 10;
      menu.hide();
      return 0;
    };
    f.B().ShowContextMenu(f.Centre(f.Item(f.bCard)));
    QVERIFY2(popupShown, "no picture of the popup with its first item's text");
  }
};

TB_QT_TEST(BrowserTest)

#include "browser_test.moc"
