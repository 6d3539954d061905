#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTreeWidget>
#include <QWheelEvent>

#include "dialogs/password_entry_dialog.h"
#include "platform/core/system.h"
#include "platform/ui/activity_clock.h"
#include "platform/ui/controls.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "platform/ui/screenshot.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/test_doubles.h"
#include "platform/ui/texts.h"
#include "shell/window/main_window.h"
#include "support/fault_plan.h"
#include "support/wallet_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/qt_test.h"

#include <atomic>
#include <functional>

using namespace tb::shell;
using tb::ui::ScriptedMessageBoxes;

namespace {

// A small wallet on disk, closed, and a main window with a scripted
// password prompt over it.
struct Fixture {
  tb::test::TestWallet file;
  AppContext context;
  std::unique_ptr<MainWindow> window;
  std::vector<std::optional<std::u16string>> answers;  // password answers, in order
  int prompts = 0;

  explicit Fixture(bool smartphone = false) {
    if (smartphone) {
      context.platform.isSmartphone = true;
      context.platform.isPocketPC = false;
      context.settings = Settings(PlatformVariant::Smartphone);
    }
    const int bank = file.AddFolder(u"Z-folder", {}, 10);
    const int a = file.AddFolder(u"a-folder");
    file.AddCard(file.IdAt(bank), u"b-card", {{u"Number", u"4711 kestrel"}}, 5);
    file.AddCard(file.IdAt(bank), u"A-card", {}, 7);
    file.AddCard(file.IdAt(a), u"Inner", {{u"Note", u"kestrel too"}});
    file.wallet().Close();
    tb::ui::SetTextSource(&file.texts());
    context.wallet.SetTextSource(&file.texts());
    window = std::make_unique<MainWindow>(context);
    window->SetMenuBar(kBarBrowse);
    window->passwordPrompt = [this](const WalletPrompt& prompt) -> std::optional<tb::storage::Text> {
      ++prompts;
      if (prompt.wallet == nullptr || prompt.displayName.empty()) return std::nullopt;
      if (answers.empty()) return std::nullopt;
      auto answer = answers.front();
      answers.erase(answers.begin());
      if (!answer) return std::nullopt;
      return tb::storage::ToText(*answer);
    };
  }
  ~Fixture() { tb::ui::SetTextSource(nullptr); }

  bool Open() {
    answers = {file.password()};
    return window->OpenWalletFlow(file.path(), false);
  }
  // Stores an auto-close period in the (closed) file.
  void SetPeriod(uint32_t minutes) {
    file.Reopen();
    file.wallet().Options().SetAutoCloseMinutes(minutes);
    file.wallet().Options().changed = true;
    file.wallet().SaveHeaders();
    file.wallet().Close();
  }
  // Makes another window active, then the main window again.
  bool Reactivate() {
    QWidget other;
    other.resize(50, 50);
    other.show();
    other.activateWindow();
    if (!QTest::qWaitForWindowActive(&other)) return false;
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
  }
  QTreeWidget* Tree() { return window->Tree(); }
  QTreeWidgetItem* Top(const QString& text) {
    const auto found = Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
  }
};

QStringList Texts(QTreeWidgetItem* parent, QTreeWidget* tree) {
  QStringList out;
  const int n = parent ? parent->childCount() : tree->topLevelItemCount();
  for (int i = 0; i < n; ++i) out << (parent ? parent->child(i) : tree->topLevelItem(i))->text(0);
  return out;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void openFlowRightWrongAndCancelledPassword() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    // Cancelled: no message, nothing open.
    QVERIFY(!f.window->OpenWalletFlow(f.file.path(), false));
    QCOMPARE(f.prompts, 1);
    QCOMPARE(boxes.Count(), 0u);
    QVERIFY(!f.context.wallet.IsOpen());
    // Wrong: the reason message with the result number.
    f.answers = {std::u16string(u"nope")};
    QVERIFY(!f.window->OpenWalletFlow(f.file.path(), false));
    QCOMPARE(boxes.Count(), 1u);
    QCOMPARE(boxes.Last().captionNumber, tb::ui::kCaptionError);
    QVERIFY(boxes.Last().text.endsWith(":10)"));
    QVERIFY(!f.context.wallet.IsOpen());
    // A file that is no wallet is refused before the prompt.
    const std::string junk = f.file.path() + ".junk.tb5";
    QFile out(QString::fromStdString(junk));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(QByteArray(3000, 'x'));
    out.close();
    QVERIFY(!f.window->OpenWalletFlow(junk, false));
    QCOMPARE(f.prompts, 2);
    QCOMPARE(boxes.Count(), 2u);
    QVERIFY(boxes.Last().text.contains("tb5.junk") || boxes.Last().text.contains(".junk"));
    // Right: open, shown, remembered as the last wallet.
    QVERIFY(f.Open());
    QVERIFY(f.context.wallet.IsOpen());
    QVERIFY(f.window->isVisible());
    QVERIFY(f.Tree()->isVisible());
    QCOMPARE(QString::fromStdU16String(f.context.settings.mru), QString::fromStdString(f.file.path()));
    // Exit writes back and closes.
    f.window->Dispatch(kCmdExit);
    QVERIFY(!f.context.wallet.IsOpen());
  }

  void openFlowThroughTheRealPasswordPrompt() {
    // The prompt checks what is typed against the file's first look:
    // five wrong passwords, the hint, then the right one opens the wallet.
    ScriptedMessageBoxes boxes;
    Fixture f;
    f.file.Reopen();
    f.file.wallet().SetHint(u"the cat");
    f.file.wallet().SaveHeaders();
    f.file.wallet().Close();
    f.window->passwordPrompt = [&](const WalletPrompt& prompt) -> std::optional<tb::storage::Text> {
      return tb::dialogs::AskWalletPassword(f.window.get(), prompt.wallet, f.context.settings, {});
    };
    int attempts = 0;
    std::function<void(tb::ui::ModalDialog&)> type = [&](tb::ui::ModalDialog& d) {
      auto& dialog = static_cast<tb::dialogs::PasswordEntryDialog&>(d);
      dialog.Edit()->setText(++attempts <= 5 ? "wrong" : "secret");
      dialog.Dispatch(tb::ui::kCmdDone);
      if (attempts <= 5) type(d);
    };
    tb::dialogs::test::WhenDialogShows(tb::dialogs::kTemplatePasswordPocketPC, type);
    QVERIFY(f.window->OpenWalletFlow(f.file.path(), false));
    QVERIFY(f.context.wallet.IsOpen());
    QCOMPARE(attempts, 6);
    bool hinted = false;
    for (const auto& shown : boxes.Shown()) hinted |= shown.text.contains("the cat");
    QVERIFY(hinted);
  }

  void treeOrderIconsAndViewColours() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    QTreeWidget* tree = f.Tree();
    const QStringList top = Texts(nullptr, tree);
    QCOMPARE(top.size(), 3);
    QCOMPARE(top.mid(0, 2), QStringList({"a-folder", "Z-folder"}));  // forms folder last
    QTreeWidgetItem* z = f.Top("Z-folder");
    QCOMPARE(Texts(z, tree), QStringList({"A-card", "b-card"}));
    // Built-in icon n is image n + 4 of the icon lists.
    const QImage expected = f.window->Icons().Small()[10 + 4];
    const QImage shown = z->icon(0).pixmap(expected.size()).toImage().convertToFormat(expected.format());
    QCOMPARE(shown, expected);
    QCOMPARE(tree->topLevelItem(2)->foreground(0).color(), QColor(0x00, 0x80, 0x00));

    // Favourites arrive as a view on top, in the special colour, with the overlay.
    tree->setCurrentItem(z->child(0));
    f.window->Dispatch(kCmdAddToFavourites);
    QTreeWidgetItem* favourites = tree->topLevelItem(0);
    QCOMPARE(favourites->data(0, kRolePosition).toInt(), tb::storage::kFavouritesMarker);
    QCOMPARE(favourites->foreground(0).color(), QColor(0xFF, 0x33, 0x99));
    QCOMPARE(favourites->childCount(), 1);
    const QImage plain = z->child(0)->icon(0).pixmap(16, 16).toImage();
    QVERIFY(favourites->child(0)->icon(0).pixmap(16, 16).toImage() != plain);
  }

  void enablingRulesFollowTheSelection() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QMenu* menu = f.window->MenuBar()->RightMenu();
    QVERIFY(menu);
    auto enabled = [&](int id) {
      f.window->OnInitMenuPopup(menu);
      for (QMenu* m : menu->findChildren<QMenu*>()) f.window->OnInitMenuPopup(m);
      return f.window->MenuBar()->FindAction(id)->isEnabled();
    };
    QVERIFY(!enabled(kCmdNewFolder));  // no wallet open
    QVERIFY(f.Open());
    QTreeWidget* tree = f.Tree();
    const struct {
      QTreeWidgetItem* item;
      bool newCard, newFolder, cut, favourites;
      QString deleteText;
    } cases[] = {
        {nullptr, false, true, false, false, "Delete"},
        {f.Top("Z-folder"), true, true, true, false, "Delete"},
        {f.Top("A-card"), true, true, true, true, "Delete"},
        {tree->topLevelItem(2), true, false, false, false, "Delete"},  // forms folder
    };
    for (const auto& c : cases) {
      tree->setCurrentItem(c.item);
      QCOMPARE(enabled(kCmdNewCard), c.newCard);
      QCOMPARE(enabled(kCmdNewFolder), c.newFolder);
      QCOMPARE(enabled(kCmdCut), c.cut);
      QCOMPARE(enabled(kCmdAddToFavourites), c.favourites);
      QCOMPARE(f.window->MenuBar()->FindAction(kCmdDelete)->text(), c.deleteText);
    }
    // A found card says Remove; the view says Clear.
    f.window->FindBox()->setText("kestrel");
    f.window->RunFind();
    QTreeWidgetItem* view = tree->topLevelItem(0);
    tree->setCurrentItem(view->child(0));
    QVERIFY(!enabled(kCmdNewCard));
    QCOMPARE(f.window->MenuBar()->FindAction(kCmdDelete)->text(), QString("Remove"));
    tree->setCurrentItem(view);
    QVERIFY(enabled(kCmdDelete));
    QCOMPARE(f.window->MenuBar()->FindAction(kCmdDelete)->text(), QString("Clear"));
    f.window->Dispatch(kCmdClear);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("a-folder"));
  }

  void findMessagesAndHits() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.window->Dispatch(kCmdFind);
    QVERIFY(f.window->InFindMode());
    QCOMPARE(f.window->MenuBar()->MenuBarId(), kBarFind);
    QLineEdit* box = tb::ui::FindControl<QLineEdit>(f.window.get(), kIdFindBox);
    QCOMPARE(box, f.window->FindBox());
    QCOMPARE(box->maxLength(), kFindBoxLimit);
    const struct {
      QString text;
      uint32_t message;
    } misses[] = {{"k", 22007}, {"  k  ", 22155}, {"zzzz", 22155}};
    for (const auto& miss : misses) {
      box->setText(miss.text);
      f.window->Dispatch(kCmdGo);
      QCOMPARE(boxes.Last().textNumber, miss.message);
      QVERIFY(f.window->InFindMode());
    }
    // Go and clear show only while the text holds more than spaces.
    box->setText("   ");
    QVERIFY(tb::ui::FindControl<QAbstractButton>(f.window.get(), kIdGoButton)->isHidden());
    box->setText("  KESTREL ");
    QVERIFY(!tb::ui::FindControl<QAbstractButton>(f.window.get(), kIdGoButton)->isHidden());
    const size_t before = boxes.Count();
    f.window->Dispatch(kIdGoButton);
    QCOMPARE(boxes.Count(), before);
    QVERIFY(!f.window->InFindMode());
    QTreeWidgetItem* view = f.Tree()->topLevelItem(0);
    QCOMPARE(view->data(0, kRolePosition).toInt(), tb::storage::kFindResultsMarker);
    QCOMPARE(view->text(0), tb::ui::ToQString(tb::storage::FindResultsViewText(f.context.wallet)));
    QVERIFY(view->text(0).contains("KESTREL"));
    QCOMPARE(Texts(view, f.Tree()), QStringList({"b-card", "Inner"}));
    QCOMPARE(f.Tree()->currentItem(), view);

    // A hidden command is carried out, not searched for.
    f.context.settings.openLast = 1;
    box->setText("::OpenLast");
    f.window->Dispatch(kCmdGo);
    QCOMPARE(f.context.settings.openLast, 0u);
    QCOMPARE(boxes.Count(), before);
  }

  void autoCloseAfterThePeriod() {
    ScriptedMessageBoxes boxes;
    tb::platform::TestClock clock(tb::platform::FromEpochSeconds(1700000000));
    Fixture f;
    const struct {
      uint32_t period;
      int idleSeconds;
      bool closes;
    } cases[] = {{0, 7200, false}, {1, 50, false}, {1, 61, true}, {5, 240, false}, {5, 300, true}};
    for (const auto& c : cases) {
      {
        tb::storage::Wallet& w = f.file.wallet();
        QCOMPARE(f.file.Reopen(), tb::storage::OpenStatus::Ok);
        w.Options().SetAutoCloseMinutes(c.period);
        w.Options().changed = true;
        QCOMPARE(w.SaveHeaders(), tb::storage::SaveStatus::Ok);
        w.Close();
      }
      QVERIFY(f.Open());
      QCOMPARE(f.window->AutoCloseRunning(), c.period != 0);
      QCOMPARE(f.window->WatcherRunning(), c.period != 0);
      clock.AdvanceSeconds(c.idleSeconds);
      f.window->CheckAutoClose();
      QTest::qWait(20);
      QCOMPARE(!f.context.wallet.IsOpen(), c.closes);
      f.window->Dispatch(kCmdExit);
      QVERIFY(!f.window->WatcherRunning());
    }
  }

  void mouseInTheTreeCountsAsActivity() {
    // Browsing with the mouse alone is activity: the tree's viewport gets
    // the mouse and wheel events, and a drag its moves.
    ScriptedMessageBoxes boxes;
    tb::platform::TestClock clock(tb::platform::FromEpochSeconds(1700000000));
    Fixture f;
    f.SetPeriod(1);
    QVERIFY(f.Open());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QWidget* viewport = f.Tree()->viewport();
    const QPoint empty(5, viewport->height() - 5);
    const struct {
      const char* what;
      std::function<void()> act;
    } cases[] = {
        {"press", [&] { QTest::mousePress(viewport, Qt::LeftButton, {}, empty); }},
        {"release", [&] { QTest::mouseRelease(viewport, Qt::LeftButton, {}, empty); }},
        {"move",
         [&] {
           QMouseEvent move(QEvent::MouseMove, empty, viewport->mapToGlobal(empty), Qt::NoButton, Qt::NoButton, {});
           QApplication::sendEvent(viewport, &move);
         }},
        {"wheel",
         [&] {
           QWheelEvent wheel(empty, viewport->mapToGlobal(empty), QPoint(), QPoint(0, -120), Qt::NoButton, {},
                             Qt::NoScrollPhase, false);
           QApplication::sendEvent(viewport, &wheel);
         }},
        {"drag",
         [&] {
           QVERIFY(f.window->TreeBrowser().BeginDrag(f.Top("A-card")));
           clock.AdvanceSeconds(61);
           f.window->TreeBrowser().DragMove(empty);
           f.window->TreeBrowser().EndDrag(QPoint(-5, -5));
         }},
    };
    for (const auto& c : cases) {
      f.Tree()->expandAll();
      clock.AdvanceSeconds(61);
      c.act();
      f.window->CheckAutoClose();
      QTest::qWait(20);
      QVERIFY2(f.context.wallet.IsOpen(), c.what);
    }
    clock.AdvanceSeconds(61);
    f.window->CheckAutoClose();
    QTest::qWait(20);
    QVERIFY(!f.context.wallet.IsOpen());
  }

  void activationChecksThePeriod() {
    // Deactivation changes nothing; coming back after the period closes.
    ScriptedMessageBoxes boxes;
    tb::platform::TestClock clock(tb::platform::FromEpochSeconds(1700000000));
    Fixture f;
    f.SetPeriod(5);
    QVERIFY(f.Open());
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    clock.AdvanceSeconds(4 * 60);
    QVERIFY(f.Reactivate());
    QTest::qWait(20);
    QVERIFY(f.context.wallet.IsOpen());
    clock.AdvanceSeconds(6 * 60);
    QVERIFY(f.Reactivate());
    QTRY_VERIFY(!f.context.wallet.IsOpen());
  }

  void autoCloseCancelsTheDialogsAbove() {
    // Due while two dialogs are open, one over the other: both are
    // cancelled, innermost first, and the wallet closes.
    ScriptedMessageBoxes boxes;
    tb::platform::TestClock clock(tb::platform::FromEpochSeconds(1700000000));
    Fixture f;
    f.SetPeriod(1);
    QVERIFY(f.Open());
    using tb::dialogs::test::WhenDialogShows;
    using tb::ui::ModalDialog;
    std::vector<int> ended;
    ModalDialog outer(f.window.get(), 9001);
    outer.resize(100, 100);  // an empty window of no size is never mapped
    WhenDialogShows(9001, [&](ModalDialog& shown) {
      ModalDialog inner(&shown, 9002);
      inner.resize(80, 80);
      WhenDialogShows(9002, [&](ModalDialog&) {
        clock.AdvanceSeconds(120);
        f.window->CheckAutoClose();
      });
      ended.push_back(inner.RunModal());
    });
    ended.push_back(outer.RunModal());
    QCOMPARE(ended, (std::vector<int>{tb::ui::kResultCancel, tb::ui::kResultCancel}));
    QTRY_VERIFY(!f.context.wallet.IsOpen());
    // With nothing above the window there is nothing to cancel.
    f.window->show();
    f.window->CloseOtherWindows();
    QVERIFY(f.window->isVisible());
  }

  void watcherCatchesASleptDevice() {
    // The watcher checks only when the clock jumped (the device slept);
    // an idle wallet then closes within about 1.2 seconds of waking.
    tb::platform::TestClock clock(tb::platform::FromEpochSeconds(1700000000));
    const struct {
      const char* what;
      int idleBefore, jump;
      uint32_t period;
      bool due;
    } cases[] = {
        {"slept past the period", 0, 3600, 5, true},
        {"slept, never closes", 0, 3600, 0, false},
        {"slept less than the period", 0, 120, 5, false},
        {"ran on, idle long", 600, 1, 5, false},
    };
    for (const auto& c : cases) {
      std::atomic<bool> open{true};
      std::atomic<uint32_t> period{c.period};
      std::atomic<int> due{0};
      tb::ui::ActivityClock::Set(clock.Now());
      clock.AdvanceSeconds(c.idleBefore);
      InactivityWatcher watcher(open, period, [&] { ++due; });
      watcher.Start();
      QTest::qWait(100);
      clock.AdvanceSeconds(c.jump);
      QTest::qWait(1500);
      QVERIFY2((due.load() > 0) == c.due, c.what);
      watcher.Stop();
      QVERIFY(!watcher.Running());
    }
  }

  void failedSaveOnCloseKeepsTheWalletOpen() {
    // A write-back that fails is told (23002, caption 20500) and the wallet
    // stays open with its change, whichever way it was being closed; once
    // the file can be written again, Exit saves the change.
    const struct {
      const char* what;
      std::function<void(Fixture&)> close;
    } ways[] = {
        {"Exit", [](Fixture& f) { f.window->Dispatch(kCmdExit); }},
        {"window closed", [](Fixture& f) { f.window->close(); }},
        {"another wallet", [](Fixture& f) { QVERIFY(!f.Open()); }},
        {"wallets manager", [](Fixture& f) { f.window->Dispatch(kCmdWallets); }},
    };
    for (const auto& way : ways) {
      ScriptedMessageBoxes boxes;
      Fixture f;
      int managers = 0;
      f.window->walletsManager = [&](MainWindow&) { return ++managers, -1; };
      QVERIFY(f.Open());
      f.Tree()->setCurrentItem(f.Top("A-card"));
      f.window->Dispatch(kCmdAddToFavourites);
      {
        tb::test::FaultPlan plan(tb::test::FaultPlan::Mode::FailFromThenOn, 1);
        tb::test::ScopedFaults faults(&plan);
        way.close(f);
      }
      QCoreApplication::processEvents();
      QVERIFY2(boxes.Count() == 1 && boxes.Last().textNumber == 23002u, way.what);
      QCOMPARE(boxes.Last().captionNumber, tb::ui::kCaptionError);
      QVERIFY2(f.context.wallet.IsOpen(), way.what);
      QVERIFY2(f.window->isVisible() && f.Tree()->isVisible(), way.what);
      QCOMPARE(managers, 0);
      QVERIFY(f.window->AutoCloseRunning());
      f.window->Dispatch(kCmdExit);
      QVERIFY(!f.context.wallet.IsOpen());
      QCOMPARE(f.file.Reopen(), tb::storage::OpenStatus::Ok);
      QCOMPARE(f.file.wallet().FavouritesCount(), size_t(1));
      f.file.wallet().Close();
    }
  }

  void iconFindBoxFocusAndUpdatesPage() {
    ScriptedMessageBoxes boxes;
    tb::ui::RecordingLauncher launcher;
    Fixture f;
    // Icon resource 200 is the window's icon.
    const QImage expected = tb::ui::IconResource(tb::ui::kProgramIcon, 32);
    QVERIFY(!expected.isNull());
    const auto premultiplied = QImage::Format_ARGB32_Premultiplied;
    QCOMPARE(f.window->windowIcon().pixmap(32, 32).toImage().convertToFormat(premultiplied),
             expected.convertToFormat(premultiplied));
    QVERIFY(f.Open());
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));

    // The find box is in font 7, and taking the focus puts its caret at the end.
    QLineEdit* box = f.window->FindBox();
    QCOMPARE(box->font(), *tb::ui::FontService::Font(tb::ui::kFont9Bold));
    f.window->Dispatch(kCmdFind);
    box->setText("kestrel");
    box->setCursorPosition(0);
    f.Tree()->setFocus();
    QVERIFY(!f.window->InFindMode());
    f.window->Dispatch(kCmdFind);
    QTRY_COMPARE(box->cursorPosition(), 7);
    QVERIFY(!box->hasSelectedText());

    // A new size leaves the focus in the find box, else gives it to the tree.
    f.window->resize(f.window->size() + QSize(0, 10));
    QCoreApplication::processEvents();
    QVERIFY(box->hasFocus());
    f.window->Dispatch(kCmdMenuCancel);
    f.Tree()->clearFocus();
    QVERIFY(!f.Tree()->hasFocus());
    f.window->resize(f.window->size() + QSize(0, 10));
    QTRY_VERIFY(f.Tree()->hasFocus());

    // Check for Updates opens the maker's page.
    f.window->Dispatch(kCmdUpdates);
    QCOMPARE(launcher.opened.size(), 1);
    QVERIFY(launcher.opened.first().toString().startsWith("https://www.quillimarsten.example/"));
  }

  void smartphoneBackDeletesInTheFindBox() {
    ScriptedMessageBoxes boxes;
    Fixture f(true);
    QVERIFY(f.Open());
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.window->Dispatch(kCmdFind);
    QLineEdit* box = f.window->FindBox();
    QTRY_VERIFY(box->hasFocus());
    QTest::keyClicks(box, "abc");
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(box->text(), QString("ab"));
    QVERIFY(f.window->InFindMode());
  }

  void mainWindowPicture() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.window->resize(MainWindow::StartSize());
    f.Tree()->expandAll();
    QTest::qWait(10);
    const QString dir = qEnvironmentVariableIsSet("TB_KEEP_SCREENSHOTS") ? qEnvironmentVariable("TB_KEEP_SCREENSHOTS")
                                                                         : QDir::tempPath();
    const QString picture = QDir(dir).filePath("main-window-open.png");
    QVERIFY(tb::ui::GrabToPng(f.window.get(), picture));
    const QImage image(picture);
    QCOMPARE(image.size(), f.window->size());
    // The band starts in Color.BarStart at the left.
    const QColor left = image.pixelColor(1, f.window->HeaderRect().height() / 2);
    QVERIFY(qAbs(left.blue() - 0xFE) < 12);
    if (!qEnvironmentVariableIsSet("TB_KEEP_SCREENSHOTS")) QFile::remove(picture);
  }
};

TB_QT_TEST(MainWindowTest)
#include "main_window_test.moc"
