// The card window: what it tells its owner when it closes by Done, Cancel,
// Delete, Escape, the close request and a close by the program; the
// questions it asks; title bar, menu bars and the icon command.
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "cards_fixture.h"
#include "dialogs/icon_picker_dialog.h"
#include "dialogs/title_bar.h"
#include "platform/ui/private_messages.h"
#include "platform/ui/soft_key_bar.h"
#include "platform/ui/test_doubles.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::storage::Answer;
using tb::ui::ScriptedMessageBoxes;

namespace {

// Records the outcomes posted to it.
class Owner : public QObject {
 public:
  std::vector<qintptr> outcomes;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == tb::ui::kMsgUserActivity) {
      outcomes.push_back(static_cast<tb::ui::PrivateMessage*>(event)->WParam());
      return true;
    }
    return QObject::event(event);
  }
};

QString Value(const tb::storage::Field& field) {
  return tb::ui::ToQString(std::u16string_view(field.value.data(), field.value.size()));
}

}  // namespace

class CardWindowTest : public QObject {
  Q_OBJECT

 private:
  // A window over a stored card that posts its outcome to owner.
  CardWindow& Open(CardFixture& f, Owner& owner, bool edit = false) {
    CardWindowSetup setup;
    setup.settings = &f.settings;
    setup.icons = &f.icons;
    setup.wallet = &f.file.wallet();
    setup.smartphone = f.smartphone;
    setup.startInEdit = edit;
    setup.notify = &owner;
    f.window = std::make_unique<CardWindow>(nullptr, f.card, setup);
    f.window->informationBeep = [&f] { ++f.beeps; };
    f.window->show();
    QTest::qWaitForWindowExposed(f.window.get());
    return *f.window;
  }

 private slots:
  void doneReportsWhetherTheCardChanged() {
    ScriptedMessageBoxes boxes;
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}});
    Owner owner;
    CardWindow& w = Open(f, owner);
    w.Dispatch(kCmdCardDone);
    QCOMPARE(w.Outcome(), kOutcomeNothing);
    QVERIFY(!w.isVisible());
    QCoreApplication::sendPostedEvents(&owner);
    QCOMPARE(owner.outcomes, std::vector<qintptr>{0});

    CardWindow& again = Open(f, owner);
    again.Dispatch(kCmdEditCard);
    QCOMPARE(again.Mode(), kModeEdit);
    QTest::keyClicks(f.Controls().Control(kControlText), "e");
    again.Dispatch(kCmdCardDone);  // edit to view, storing the line
    QCOMPARE(again.Mode(), kModeView);
    QCOMPARE(Value(f.card.fields[0]), QString("anne"));
    QCOMPARE(f.ItemOf("anne"), 1);
    again.Dispatch(kCmdCardDone);
    QCOMPARE(again.Outcome(), kOutcomeStore);
    QCoreApplication::sendPostedEvents(&owner);
    QCOMPARE(owner.outcomes, (std::vector<qintptr>{0, 3}));
    QCOMPARE(boxes.Count(), 0u);
  }

  void cancelAsksOnlyAfterChangesAndNoKeepsTheWindow() {
    ScriptedMessageBoxes boxes;
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}});
    Owner owner;
    CardWindow& w = Open(f, owner);
    w.Dispatch(kCmdCardCancel);
    QCOMPARE(w.Outcome(), kOutcomeNothing);
    QCOMPARE(boxes.Count(), 0u);

    CardWindow& again = Open(f, owner);
    again.Dispatch(kCmdEditCard);
    QTest::keyClicks(f.Controls().Control(kControlText), "e");
    boxes.Queue(Answer::No);
    again.Dispatch(kCmdCardCancel);
    QCOMPARE(boxes.Count(), 1u);
    QCOMPARE(boxes.Last().textNumber, 25900u);
    QCOMPARE(boxes.Last().captionNumber, 20504u);
    QCOMPARE(int(boxes.Last().icon), int(tb::storage::MessageIcon::Question));
    QCOMPARE(int(boxes.Last().buttons), int(tb::storage::Buttons::YesNo));
    QCOMPARE(again.Outcome(), -1);
    QVERIFY(again.isVisible());
    QCOMPARE(again.Mode(), kModeEdit);  // the line was stored and editing goes on
    boxes.Queue(Answer::Yes);
    again.Dispatch(kCmdCardCancel);
    QCOMPARE(again.Outcome(), kOutcomeNothing);
    QCoreApplication::sendPostedEvents(&owner);
    QCOMPARE(owner.outcomes, (std::vector<qintptr>{0, 0}));
  }

  void deleteAsksAndReportsFour() {
    ScriptedMessageBoxes boxes;
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}});
    Owner owner;
    CardWindow& w = Open(f, owner);
    boxes.Queue(Answer::No);
    w.Dispatch(kCmdDeleteCard);
    QCOMPARE(boxes.Last().textNumber, 22003u);
    QCOMPARE(boxes.Last().captionNumber, 20504u);
    QCOMPARE(int(boxes.Last().icon), int(tb::storage::MessageIcon::Warning));
    QCOMPARE(w.Outcome(), -1);
    boxes.Queue(Answer::Yes);
    w.Dispatch(kCmdDeleteCard);
    QCOMPARE(w.Outcome(), kOutcomeDelete);
    QCoreApplication::sendPostedEvents(&owner);
    QCOMPARE(owner.outcomes, std::vector<qintptr>{4});
  }

  void escapeIsCancelOnPocketPcAndBackOnSmartphone() {
    ScriptedMessageBoxes boxes;
    {
      CardFixture f;
      f.Stored(u"Card", {{u"User", u"ann", 1}});
      Owner owner;
      CardWindow& w = Open(f, owner);
      w.Dispatch(kCmdEditCard);
      QWidget* edit = f.Controls().Control(kControlText);
      QTest::keyClicks(edit, "e");
      boxes.Queue(Answer::No);
      QTest::keyClick(edit, Qt::Key_Escape);  // Cancel, which asks
      QCOMPARE(boxes.Count(), 1u);
      QCOMPARE(w.Outcome(), -1);
      boxes.Queue(Answer::Yes);
      QTest::keyClick(&w, Qt::Key_Escape);  // never the dialog's own reject
      QCOMPARE(w.Outcome(), kOutcomeNothing);
    }
    {
      CardFixture f(true);
      f.Stored(u"Card", {{u"User", u"ann", 1}});
      Owner owner;
      CardWindow& w = Open(f, owner);
      w.Dispatch(kCmdEditCard);
      QWidget* edit = f.Controls().Control(kControlText);
      QTest::keyClick(edit, Qt::Key_Escape);  // Back in an edit takes a character back
      QCOMPARE(w.Mode(), kModeEdit);
      QCOMPARE(f.Controls().Text(), QString("an"));
      w.Dispatch(kCmdCardDone);
      QTest::keyClick(f.Body(), Qt::Key_Escape);  // Back in the view: Done
      QCOMPARE(w.Outcome(), kOutcomeStore);
      QCOMPARE(Value(f.card.fields[0]), QString("an"));
    }
    QCOMPARE(boxes.Count(), 2u);
  }

  void closeRequestIsDoneAndEndsTheDeleteQuestion() {
    ScriptedMessageBoxes boxes;
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}});
    Owner owner;
    CardWindow& w = Open(f, owner);
    // The request comes while the delete question is open: no delete.
    boxes.OnShow([&](const tb::ui::MessageBoxRequest&) {
      QVERIFY(w.QuestionOpen());
      QEvent request(kMsgCloseRequest);
      QCoreApplication::sendEvent(&w, &request);
    });
    boxes.Queue(Answer::Yes);
    w.Dispatch(kCmdDeleteCard);
    QCOMPARE(w.Outcome(), kOutcomeNothing);

    boxes.OnShow(nullptr);
    CardWindow& edit = Open(f, owner);
    edit.Dispatch(kCmdEditCard);
    QEvent request(kMsgCloseRequest);
    QCoreApplication::sendEvent(&edit, &request);  // in edit mode: back to the view
    QCOMPARE(edit.Mode(), kModeView);
    QCoreApplication::sendEvent(&edit, &request);
    QCOMPARE(edit.Outcome(), kOutcomeNothing);
  }

  void closedByTheProgramTheTypedEditsAreKept() {
    ScriptedMessageBoxes boxes;
    {
      // Typing on a line, not yet left: stored, and the card goes back for storing.
      CardFixture f;
      f.Stored(u"Card", {{u"User", u"ann", 1}});
      Owner owner;
      CardWindow& w = Open(f, owner);
      w.Dispatch(kCmdEditCard);
      QTest::keyClicks(f.Controls().Control(kControlText), "e");
      QMetaObject::invokeMethod(&w, "CloseByProgram");
      QCOMPARE(w.Outcome(), kOutcomeStore);
      QCOMPARE(Value(f.card.fields[0]), QString("anne"));
    }
    {
      // During the discard question: the edits are kept, not thrown away.
      CardFixture f;
      f.Stored(u"Card", {{u"User", u"ann", 1}});
      Owner owner;
      CardWindow& w = Open(f, owner);
      w.Dispatch(kCmdEditCard);
      QTest::keyClicks(f.Controls().Control(kControlText), "e");
      boxes.OnShow([&](const tb::ui::MessageBoxRequest&) { w.CloseByProgram(); });
      boxes.Queue(Answer::Yes);
      w.Dispatch(kCmdCardCancel);
      QCOMPARE(w.Outcome(), kOutcomeStore);
      boxes.OnShow(nullptr);
    }
    {
      // During the delete question: nothing deleted.
      CardFixture f;
      f.Stored(u"Card", {{u"User", u"ann", 1}});
      Owner owner;
      CardWindow& w = Open(f, owner);
      boxes.OnShow([&](const tb::ui::MessageBoxRequest&) { w.CloseByProgram(); });
      boxes.Queue(Answer::Yes);
      w.Dispatch(kCmdDeleteCard);
      QCOMPARE(w.Outcome(), kOutcomeNothing);
      boxes.OnShow(nullptr);
      QCoreApplication::sendPostedEvents(&owner);
      QCOMPARE(owner.outcomes, std::vector<qintptr>{0});
    }
  }

  void titleAndMenuBarsFollowTheMode() {
    const struct {
      bool smartphone;
      bool expanded;
      int viewBar, editBar, icons;
    } cases[] = {
        {false, false, kBarCardView, kBarCardEdit, 0},
        {false, true, kBarCardViewIcons, kBarCardEditIcons, 3},
        {true, true, kBarCardView, kBarCardEdit, 0},  // Smartphone has no icon bars
    };
    for (const auto& c : cases) {
      CardFixture f(c.smartphone);
      f.settings.menusExpanded = c.expanded ? 1 : 0;
      f.Stored(u"Bank", {{u"User", u"ann", 1}}, 18);
      CardWindow& w = f.Open();
      QCOMPARE(w.MenuBar()->MenuBarId(), c.viewBar);
      QCOMPARE(w.MenuBar()->IconButtons().size(), c.icons);
      for (QToolButton* button : w.MenuBar()->IconButtons()) QVERIFY(!button->icon().isNull());
      QVERIFY(w.Title()->isVisible());
      QCOMPARE(w.Title()->Text(), QString("Bank"));
      QVERIFY(!w.Title()->IconImage().isNull());
      QCOMPARE(w.MenuBar()->LeftCommand(), kCmdCardDone);
      w.Dispatch(kCmdEditCard);
      QCOMPARE(w.MenuBar()->MenuBarId(), c.editBar);
      QCOMPARE(w.MenuBar()->IconButtons().size(), c.icons);
      for (QToolButton* button : w.MenuBar()->IconButtons()) QVERIFY(button->isVisible() && !button->icon().isNull());
      QVERIFY(!w.Title()->isVisible());
      QCOMPARE(f.Body()->geometry().top(), 0);
    }
  }

  void iconCommandChangesTheCardsIcon() {
    ScriptedMessageBoxes boxes;
    CardFixture f;
    f.Stored(u"Bank", {{u"User", u"ann", 1}}, 18);
    CardWindow& w = f.Open();
    const QImage before = w.Title()->IconImage();
    tb::dialogs::test::WhenShown<tb::dialogs::IconPickerDialog>([](tb::dialogs::IconPickerDialog* picker) {
      picker->List()->setCurrentRow(40);
      picker->Dispatch(tb::ui::kCmdOk);
    });
    w.Dispatch(kCmdCardIcon);
    QCOMPARE(f.card.record.Icon(), 40);
    QVERIFY(w.Title()->IconImage() != before);
    w.Dispatch(kCmdCardDone);
    QCOMPARE(w.Outcome(), kOutcomeStore);
  }

  void readOnlyIsCarriedAndChangesNothing() {
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}});
    CardWindowSetup setup;
    setup.settings = &f.settings;
    setup.icons = &f.icons;
    setup.readOnly = true;
    CardWindow w(nullptr, f.card, setup);
    QVERIFY(w.ReadOnly());
    w.Dispatch(kCmdEditCard);
    QCOMPARE(w.Mode(), kModeEdit);
    w.Dispatch(kCmdCardDone);
    QCOMPARE(w.Mode(), kModeView);
  }
};

TB_QT_TEST(CardWindowTest)
#include "card_window_test.moc"
