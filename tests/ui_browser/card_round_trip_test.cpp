// Cards opened from the browser and taken back: New Card from a built-in
// and a custom form, editing and storing, deleting, Cancel and "nothing
// changed" leaving the file as it was, a store the file refuses, one window
// per card, and the auto-close that keeps what was typed. Each is checked
// on the file read back.
#include <QApplication>
#include <QComboBox>
#include <QDBusMessage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

#include <fstream>
#include <iterator>

#include "cards/card_editor.h"
#include "cards/card_viewer.h"
#include "cards/card_window.h"
#include "cards/editor_controls.h"
#include "dialogs/card_type_dialog.h"
#include "platform/core/system.h"
#include "platform/ui/private_messages.h"
#include "platform/ui/test_doubles.h"
#include "platform/ui/texts.h"
#include "shell/window/main_window.h"
#include "storage/forms/builtin_forms.h"
#include "support/fault_plan.h"
#include "support/wallet_fixture.h"
#include "ui_dialogs/dialogs_fixture.h"
#include "ui_support/private_bus.h"
#include "ui_support/qt_test.h"

using namespace tb::shell;
using tb::cards::CardWindow;
using tb::dialogs::CardTypeDialog;
using tb::dialogs::test::English;
using tb::dialogs::test::WhenShown;
using tb::storage::RecordId;
using tb::ui::ScriptedMessageBoxes;

namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

QString Q(const tb::storage::Text& text) { return tb::ui::ToQString(std::u16string_view(text.data(), text.size())); }

// A wallet of a folder "Bank" with one card and a custom form, in a main
// window over the English texts.
struct Fixture {
  tb::test::TestWallet file;
  AppContext context;
  std::unique_ptr<MainWindow> window;
  RecordId bank, card, form;
  int beeps = 0;

  explicit Fixture(bool smartphone = false) {
    if (smartphone) {
      context.platform.isSmartphone = true;
      context.platform.isPocketPC = false;
      context.settings = Settings(PlatformVariant::Smartphone);
    }
    bank = file.IdAt(file.AddFolder(u"Bank"));
    card = file.IdAt(file.AddCard(bank, u"Giro", {{u"Number", u"4711", 1}, {u"PIN", u"1234", 7}}, 5));
    const RecordId forms = file.wallet().FormsFolder()->Id();
    tb::storage::Card custom = file.MakeCard(forms, u"Locker", {{u"Code", u"", 7}, {u"Size", u"", 12}});
    custom.fields[1].SetItemsFromJoined(u"Small^Large");
    form = custom.record.Id();
    file.wallet().AppendCard(custom);
    file.wallet().Close();
    tb::ui::SetTextSource(&English());
    context.wallet.SetTextSource(&English());
    window = std::make_unique<MainWindow>(context);
    window->SetMenuBar(kBarBrowse);
    window->passwordPrompt = [this](const WalletPrompt&) -> std::optional<tb::storage::Text> {
      return tb::storage::ToText(file.password());
    };
    window->resize(MainWindow::StartSize());
  }
  ~Fixture() {
    window.reset();
    tb::ui::SetTextSource(nullptr);
  }
  bool Open() {
    if (!window->OpenWalletFlow(file.path(), false)) return false;
    B().errorBeep = [this] { ++beeps; };
    return true;
  }
  Browser& B() { return window->TreeBrowser(); }
  QTreeWidgetItem* Item(const RecordId& id) { return B().FindItemById(id); }
  void Select(const RecordId& id) { window->Tree()->setCurrentItem(Item(id)); }
  // Runs act on the card window once it shows, then lets its outcome arrive.
  void WithCardWindow(std::function<void(CardWindow*)> act) {
    WhenShown<CardWindow>([act](CardWindow* w) { act(w); });
  }
  void Settle() { QCoreApplication::sendPostedEvents(window.get(), tb::ui::kMsgUserActivity); }
  tb::storage::Wallet& Reread() {
    window->CloseWallet();
    file.Reopen();
    return file.wallet();
  }
};

void Type(CardWindow* w, const QString& text) {
  QTest::keyClicks(w->Controls()->Control(w->Controls()->Active()), text);
}

}  // namespace

class CardRoundTripTest : public QObject {
  Q_OBJECT

 private slots:
  void newCardFromABuiltInForm() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.Select(f.card);  // a card stands for its folder
    RecordId made;
    WhenShown<CardTypeDialog>([&](CardTypeDialog* picker) {
      // Built-in form 1, whatever its place in the list.
      for (size_t i = 0; i < picker->Types().size(); ++i) {
        uint32_t n = 0;
        if (tb::storage::IsBuiltInForm(picker->Types()[i].form, &n) && n == 1) picker->List()->setCurrentRow(int(i));
      }
      f.WithCardWindow([&](CardWindow* w) {
        QCOMPARE(w->Mode(), tb::cards::kModeEdit);  // a new card opens on its name
        QCOMPARE(w->Editor()->ActiveLine(), 1);
        made = w->Card().record.Id();
        Type(w, "visa");  // replaces the selected name
        w->Editor()->NextLine();
        Type(w, "4111");
        w->Dispatch(tb::cards::kCmdCardDone);
        w->Dispatch(tb::cards::kCmdCardDone);
      });
      picker->Dispatch(tb::ui::kCmdOk);
    });
    f.window->Dispatch(kCmdNewCard);
    f.Settle();
    QTreeWidgetItem* item = f.Item(made);
    QVERIFY(item);
    QCOMPARE(item->parent(), f.Item(f.bank));
    QCOMPARE(f.window->Tree()->currentItem(), item);

    tb::storage::Wallet& wallet = f.Reread();
    tb::storage::Card back;
    QVERIFY(wallet.LoadCard(made, &back));
    QCOMPARE(Q(back.record.Name()), QString("Visa"));
    QCOMPARE(back.record.Parent(), f.bank);
    const tb::storage::BuiltInForm* form = tb::storage::BuiltInFormAt(1);
    QVERIFY(form);
    QCOMPARE(back.fields.size(), size_t(form->head.fieldCount));
    QCOMPARE(Q(back.fields[0].value), QString("4111"));
    QCOMPARE(Q(back.fields[0].label), tb::ui::Text(form->fields[0].labelString));
    for (size_t i = 1; i < back.fields.size(); ++i) QVERIFY(back.fields[i].value.empty());
    QCOMPARE(back.attributes, wallet.Options().DefaultAttributes());
    QCOMPARE(boxes.Count(), 0u);
  }

  void newCardFromACustomForm() {
    ScriptedMessageBoxes boxes;
    Fixture f(true);
    QVERIFY(f.Open());
    f.Select(f.bank);
    RecordId made;
    WhenShown<CardTypeDialog>([&](CardTypeDialog* picker) {
      for (size_t i = 0; i < picker->Types().size(); ++i)
        if (picker->Types()[i].custom) picker->List()->setCurrentRow(int(i));
      f.WithCardWindow([&](CardWindow* w) {
        made = w->Card().record.Id();
        w->Editor()->NextLine();
        Type(w, "9876");
        w->Editor()->NextLine();
        auto* list = static_cast<QListWidget*>(w->Controls()->Control(tb::cards::kControlList));
        QCOMPARE(list->count(), 3);  // "none", Small, Large
        list->setCurrentRow(2);
        w->Dispatch(tb::cards::kCmdCardDone);
        w->Dispatch(tb::cards::kCmdCardDone);
      });
      picker->Dispatch(tb::ui::kCmdOk);
    });
    f.window->Dispatch(kCmdNewCard);
    f.Settle();
    tb::storage::Wallet& wallet = f.Reread();
    tb::storage::Card back;
    QVERIFY(wallet.LoadCard(made, &back));
    QCOMPARE(Q(back.record.Name()), QString("Locker*"));
    QCOMPARE(back.fields.size(), size_t(2));
    QCOMPARE(back.fields[0].kind, uint16_t(7));
    QCOMPARE(Q(back.fields[0].value), QString("9876"));
    QCOMPARE(back.fields[1].kind, uint16_t(12));
    QCOMPARE(Q(back.fields[1].value), QString("Large"));
    QCOMPARE(back.fields[1].ItemCount(), size_t(2));
    // The form itself is untouched.
    tb::storage::Card form;
    QVERIFY(wallet.LoadCard(f.form, &form));
    QVERIFY(form.fields[1].value.empty());
  }

  void newCardUnderAViewBeeps() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.B().AddToFavourites(f.Item(f.card));
    QTreeWidgetItem* view = f.B().ViewItem(tb::storage::kFavouritesMarker);
    f.window->Tree()->setCurrentItem(view->child(0));
    f.B().NewCard();
    QCOMPARE(f.beeps, 1);
  }

  void editStoreAndDeleteExistingCards() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.B().AddToFavourites(f.Item(f.card));
    f.WithCardWindow([](CardWindow* w) {
      QCOMPARE(w->Mode(), tb::cards::kModeView);
      w->Dispatch(tb::cards::kCmdEditCard);
      Type(w, "1");
      w->Dispatch(tb::cards::kCmdCardDone);
      w->Dispatch(tb::cards::kCmdCardDone);
    });
    f.B().Open(f.Item(f.card), false);
    f.Settle();
    tb::storage::Card back;
    QVERIFY(f.context.wallet.LoadCard(f.card, &back));
    QCOMPARE(Q(back.fields[0].value), QString("47111"));
    QVERIFY(back.record.ChangeFlags() & 32);
    QCOMPARE(f.B().ViewItem(tb::storage::kFavouritesMarker)->childCount(), 1);

    // Delete: the record and its items go.
    boxes.Queue(tb::ui::Answer::Yes);
    f.WithCardWindow([](CardWindow* w) { w->Dispatch(tb::cards::kCmdDeleteCard); });
    f.B().Open(f.Item(f.card), false);
    f.Settle();
    QVERIFY(!f.Item(f.card));
    QCOMPARE(f.context.wallet.FindRecord(f.card), -1);
    QVERIFY(!f.B().ViewItem(tb::storage::kFavouritesMarker));
    QCOMPARE(f.Reread().FindRecord(f.card), -1);
  }

  void nothingChangedAndCancelLeaveTheFileAsItWas() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.window->CloseWallet();
    const std::string before = Bytes(f.file.path());
    QVERIFY(f.Open());
    const std::function<void(CardWindow*)> ways[] = {
        [](CardWindow* w) { w->Dispatch(tb::cards::kCmdCardDone); },
        [](CardWindow* w) {
          w->Dispatch(tb::cards::kCmdEditCard);
          w->Editor()->NextLine();  // moving stores nothing that changed
          w->Dispatch(tb::cards::kCmdCardDone);
          w->Dispatch(tb::cards::kCmdCardDone);
        },
        [](CardWindow* w) {
          w->Dispatch(tb::cards::kCmdEditCard);
          Type(w, "changed");
          w->Dispatch(tb::cards::kCmdCardCancel);  // asks; the script says Yes
        },
    };
    for (const auto& way : ways) {
      f.WithCardWindow(way);
      f.B().Open(f.Item(f.card), false);
      f.Settle();
    }
    QCOMPARE(boxes.Count(), 1u);
    f.window->CloseWallet();
    QVERIFY(Bytes(f.file.path()) == before);
  }

  void aStoreTheFileRefusesSaysSo() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.WithCardWindow([](CardWindow* w) {
      w->Dispatch(tb::cards::kCmdEditCard);
      Type(w, "9");
      w->Dispatch(tb::cards::kCmdCardDone);
      w->Dispatch(tb::cards::kCmdCardDone);
    });
    f.B().Open(f.Item(f.card), false);
    {
      // The outcome arrives after the window closed: every write fails then.
      tb::test::FaultPlan plan(tb::test::FaultPlan::Mode::FailFromThenOn, 1);
      tb::test::ScopedFaults faults(&plan);
      f.Settle();
      QVERIFY(plan.Fired());
    }
    QCOMPARE(boxes.Count(), 1u);
    QCOMPARE(boxes.Last().textNumber, 23002u);
    QCOMPARE(boxes.Last().captionNumber, 20500u);
    QCOMPARE(int(boxes.Last().icon), int(tb::ui::MessageIcon::Stop));
    tb::storage::Card back;
    QVERIFY(f.Reread().LoadCard(f.card, &back));
    QCOMPARE(Q(back.fields[0].value), QString("4711"));
  }

  void propertiesFromTheCardOpensNoSecondWindow() {
    ScriptedMessageBoxes boxes;
    Fixture f;
    QVERIFY(f.Open());
    f.Item(f.bank)->setExpanded(true);
    int windows = 0;
    f.WithCardWindow([&](CardWindow* w) {
      // The popup's 804 reaches the main window, whose Properties would open the card.
      w->runPopup = [](QMenu&, const QPoint&) { return tb::cards::kCmdProperties; };
      QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10));
      QApplication::sendEvent(w->CardBodyWidget()->List()->viewport(), &menu);
      for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<CardWindow*>(top) && top->isVisible()) ++windows;
      w->Dispatch(tb::cards::kCmdCardDone);
    });
    f.B().Open(f.Item(f.card), false);
    f.Settle();
    QCOMPARE(windows, 1);
    QVERIFY(!f.B().CardWindowOpen());
  }

  void autoCloseStoresWhatWasTyped() {
    ScriptedMessageBoxes boxes;
    tb::platform::TestClock clock({2026, 3, 0, 7, 9, 0, 0, 0});
    Fixture f;
    QVERIFY(f.Open());
    f.window->show();
    const uint32_t period = f.context.wallet.Options().AutoCloseMinutes();
    QVERIFY(period > 0);
    f.WithCardWindow([&](CardWindow* w) {
      w->Dispatch(tb::cards::kCmdEditCard);
      Type(w, "0");  // typed, the line not left
      clock.AdvanceSeconds(int64_t(period) * 60 + 60);
      f.window->CheckAutoClose();
    });
    f.B().Open(f.Item(f.card), false);
    QTRY_VERIFY(!f.context.wallet.IsOpen());
    f.file.Reopen();
    tb::storage::Card back;
    QVERIFY(f.file.wallet().LoadCard(f.card, &back));
    QCOMPARE(Q(back.fields[0].value), QString("47110"));
  }

  // The screen saver starting closes the wallet as the auto-close does,
  // the card window storing what was typed; with Security.CloseOnLock 0
  // nothing happens.
  void sessionLockStoresWhatWasTypedUnlessTurnedOff() {
    tb::test::PrivateBus bus;
    QVERIFY2(!bus.Address().isEmpty(), "dbus-daemon could not be started");
    QDBusConnection saver = bus.Connect("saver");
    QVERIFY(saver.registerService(QString::fromLatin1(tb::ui::kScreenSaverService)));
    const auto lock = [&saver] {
      QDBusMessage active = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                       QString::fromLatin1(tb::ui::kScreenSaverInterface),
                                                       QStringLiteral("ActiveChanged"));
      active << true;
      QVERIFY(saver.send(active));
    };
    for (const uint32_t closeOnLock : {0u, 1u}) {
      ScriptedMessageBoxes boxes;
      Fixture f;
      f.context.settings.securityCloseOnLock = closeOnLock;
      f.window->SessionLockWatcher().Start(bus.Connect(QStringLiteral("system%1").arg(closeOnLock)),
                                           bus.Connect(QStringLiteral("session%1").arg(closeOnLock)));
      QVERIFY(f.Open());
      f.window->show();
      bool stillOpen = false;
      f.WithCardWindow([&](CardWindow* w) {
        w->Dispatch(tb::cards::kCmdEditCard);
        Type(w, "0");  // typed, the line not left
        lock();
        if (closeOnLock == 0) {
          QTest::qWait(300);
          stillOpen = w->isVisible();
          w->Dispatch(tb::cards::kCmdCardCancel);
        }
      });
      f.B().Open(f.Item(f.card), false);
      if (closeOnLock == 0) {
        QVERIFY(stillOpen);
        QTest::qWait(100);
        QVERIFY(f.context.wallet.IsOpen());
        continue;
      }
      QTRY_VERIFY(!f.context.wallet.IsOpen());
      f.file.Reopen();
      tb::storage::Card back;
      QVERIFY(f.file.wallet().LoadCard(f.card, &back));
      QCOMPARE(Q(back.fields[0].value), QString("47110"));
    }
  }
};

TB_QT_TEST(CardRoundTripTest)
#include "card_round_trip_test.moc"
