// The Display dialog and a card's Text/Colors dialog: which size entry a
// stored size shows, what Done stores (and that Cancel stores nothing),
// the colour choices of both variants, and the card window's use of
// Text/Colors.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QTest>

#include <cstring>
#include <functional>

#include "cards/colour_palette.h"
#include "cards/display_dialogs.h"
#include "cards_fixture.h"
#include "platform/ui/controls.h"
#include "platform/ui/screenshot.h"
#include "storage/blocks.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::dialogs::test::ScreenshotPath;
using tb::dialogs::test::WhenShown;

namespace {

// Chooses colour in a choice of either variant: the button's colour on
// Pocket PC, the list entry carrying it on Smartphone.
void Choose(ColourChoice* choice, uint32_t colour) {
  if (choice->Button()) {
    choice->Button()->SetColour(int32_t(colour));
    return;
  }
  QListWidget* list = choice->List();
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->data(Qt::UserRole).toUInt() == colour) {
      list->setCurrentRow(i);
      return;
    }
  QFAIL("colour not among the named colours");
}

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x008000, kBlue = 0xFF0000, kYellow = 0x00FFFF, kWhite = 0xFFFFFF;

}  // namespace

class DisplayDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void sizeEntries() {
    const struct {
      uint32_t size;
      int entry;
    } cases[] = {{0, 2}, {1, 0}, {8, 0}, {9, 1}, {10, 2}, {12, 2}, {13, 1}, {16, 1}, {0xFFFFFFFF, 1}};
    for (const auto& c : cases) {
      QCOMPARE(TextSizeEntry(c.size), c.entry);
      QCOMPARE(TreeSizeEntry(c.size, true), c.entry + 3);
    }
    QCOMPARE(SizeOfEntry(-1), 8u);
    QCOMPARE(SizeOfEntry(4), 9u);
    QCOMPARE(SizeOfEntry(5), 11u);
  }

  // What the dialog shows for the stored values and what Done stores.
  void displayShowsAndStores() {
    const struct {
      uint32_t fontMain, style, fontCard;
      int treeShown, cardShown;
      int treeChosen, cardChosen;  // -1: left as shown
      uint32_t fontMainStored, styleStored, fontCardStored;
    } cases[] = {
        {16, 0, 9, 1, 1, -1, -1, 9, 0, 9},        {0, 0, 10, 2, 2, -1, -1, 11, 0, 11},
        {0xFFFFFFFF, 1, 0, 4, 2, -1, 0, 9, 1, 8}, {9, 1, 8, 4, 0, 5, 1, 11, 1, 9},
        {8, 0x3, 12, 3, 2, 0, -1, 8, 2, 11},  // only bit 0 of the style is the dialog's
    };
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 130, 192}) {
        for (const auto& c : cases) {
          CardFixture f(smartphone, dpi);
          f.settings.fontMain = c.fontMain;
          f.settings.fontMainStyle = c.style;
          f.settings.fontCard = c.fontCard;
          tb::storage::WalletOptions& options = f.file.wallet().Options();
          options.changed = false;
          const auto before = options.raw;
          bool seen = false;
          WhenShown<DisplayOptionsDialog>([&](DisplayOptionsDialog* d) {
            seen = true;
            QCOMPARE(d->TemplateId(), smartphone ? 118 : 120);
            QCOMPARE(tb::ui::ControlId(d->TreeSizes()), smartphone ? 1523 : 1071);
            QCOMPARE(d->TreeSizes()->count(), 6);
            QCOMPARE(d->TreeSizes()->itemText(5), QString("Large (bold)"));
            QCOMPARE(d->TreeSizes()->currentIndex(), c.treeShown);
            QCOMPARE(d->CardSizes()->currentIndex(), c.cardShown);
            if (c.treeChosen >= 0) d->TreeSizes()->setCurrentIndex(c.treeChosen);
            if (c.cardChosen >= 0) d->CardSizes()->setCurrentIndex(c.cardChosen);
            d->Dispatch(tb::ui::kCmdDone);
          });
          QVERIFY(RunDisplayOptions(nullptr, f.settings, options));
          QVERIFY(seen);
          QCOMPARE(f.settings.fontMain, c.fontMainStored);
          QCOMPARE(f.settings.fontMainStyle, c.styleStored);
          QCOMPARE(f.settings.fontCard, c.fontCardStored);
          QCOMPARE(options.DefaultAttributes()[kAttrTextSize], c.fontCardStored);
          // Only the default text size may have moved in the options.
          QCOMPARE(options.changed, before != options.raw);
        }
      }
    }
  }

  // Colours and bold boxes reach the options; the copy at 136 and every
  // other default stay; Cancel leaves options and settings as they were.
  void displayColoursAndCancel() {
    for (bool smartphone : {false, true}) {
      CardFixture f(smartphone);
      tb::storage::WalletOptions& options = f.file.wallet().Options();
      const uint32_t carried = 0x00123456;
      std::memcpy(options.raw.data() + 136, &carried, 4);
      const auto beforeDefaults = options.DefaultAttributes();
      const auto original = options.raw;

      WhenShown<DisplayOptionsDialog>([&](DisplayOptionsDialog* d) {
        Choose(d->Colour(0), kRed);
        d->LabelBold()->setChecked(false);
        d->Dispatch(tb::ui::kCmdMenuCancel);
      });
      QVERIFY(!RunDisplayOptions(nullptr, f.settings, options));
      QVERIFY(options.raw == original);
      QCOMPARE(f.settings.fontMain, 9u);

      options.changed = false;
      WhenShown<DisplayOptionsDialog>([&](DisplayOptionsDialog* d) {
        QCOMPARE(d->Colour(0)->Colour(), int32_t(options.FolderNameColour()));
        Choose(d->Colour(0), kRed);
        Choose(d->Colour(1), kGreen);
        Choose(d->Colour(2), kYellow);
        Choose(d->Colour(3), kBlue);
        Choose(d->Colour(4), kRed);
        d->LabelBold()->setChecked(!beforeDefaults[kAttrLabelBold]);
        d->ValueBold()->setChecked(true);
        d->Dispatch(tb::ui::kCmdDone);
      });
      QVERIFY(RunDisplayOptions(nullptr, f.settings, options));
      QVERIFY(options.changed);
      QCOMPARE(options.FolderNameColour(), kRed);
      QCOMPARE(options.CardNameColour(), kGreen);
      const auto d = options.DefaultAttributes();
      QCOMPARE(d[kAttrBackground], kYellow);
      QCOMPARE(d[kAttrLabelColour], kBlue);
      QCOMPARE(d[kAttrValueColour], kRed);
      QCOMPARE(d[kAttrLabelBold], beforeDefaults[kAttrLabelBold] ? 0u : 1u);
      QCOMPARE(d[kAttrValueBold], 1u);
      for (size_t i : {size_t(0), size_t(1), size_t(5), size_t(6), size_t(7), kAttrLayout, kAttrShowPasswords})
        QCOMPARE(d[i], beforeDefaults[i]);
      uint32_t still = 0;
      std::memcpy(&still, options.raw.data() + 136, 4);
      QCOMPARE(still, carried);

      // Written with the wallet's headers and read back.
      f.file.wallet().SaveHeaders();
      QCOMPARE(int(f.file.Reopen()), 0);
      const tb::storage::WalletOptions& back = f.file.wallet().Options();
      QCOMPARE(back.FolderNameColour(), kRed);
      QCOMPARE(back.CardNameColour(), kGreen);
      QVERIFY(back.DefaultAttributes() == d);
    }
  }

  void cardTextColors() {
    const struct {
      const char* what;
      uint32_t storedSize;
      std::function<void(CardTextColorsDialog*)> act;
      bool changed;
      std::function<void(const std::array<uint32_t, 16>&)> check;
    } cases[] = {
        {"Done unchanged", 9, [](CardTextColorsDialog*) {}, false, nullptr},
        {"size 10 shows Large, stored as 11", 10,
         [](CardTextColorsDialog* d) { QCOMPARE(d->Sizes()->currentIndex(), 2); }, true,
         [](const auto& a) { QCOMPARE(a[kAttrTextSize], 11u); }},
        {"always display", 9, [](CardTextColorsDialog* d) { d->AlwaysDisplay()->setChecked(true); }, true,
         [](const auto& a) { QCOMPARE(a[kAttrShowPasswords], 1u); }},
        {"colours and bold", 9,
         [](CardTextColorsDialog* d) {
           Choose(d->Colour(0), kYellow);
           Choose(d->Colour(1), kRed);
           Choose(d->Colour(2), kGreen);
           d->LabelBold()->setChecked(true);
           d->ValueBold()->setChecked(true);
           d->Sizes()->setCurrentIndex(0);
         },
         true,
         [](const auto& a) {
           QCOMPARE(a[kAttrBackground], kYellow);
           QCOMPARE(a[kAttrLabelColour], kRed);
           QCOMPARE(a[kAttrValueColour], kGreen);
           QCOMPARE(a[kAttrLabelBold], 1u);
           QCOMPARE(a[kAttrValueBold], 1u);
           QCOMPARE(a[kAttrTextSize], 8u);
         }},
    };
    for (bool smartphone : {false, true}) {
      for (const auto& c : cases) {
        CardFixture f(smartphone);
        std::array<uint32_t, 16> attributes = tb::storage::layout::attributes::kDefaults;
        attributes[kAttrTextSize] = c.storedSize;
        attributes[kAttrLabelBold] = 0;
        attributes[14] = 0xABCD;  // not the dialog's: carried
        const auto before = attributes;
        WhenShown<CardTextColorsDialog>([&](CardTextColorsDialog* d) {
          QCOMPARE(d->TemplateId(), smartphone ? 151 : 121);
          QCOMPARE(tb::ui::FindControl<QWidget>(d, kIdPasswordTip) != nullptr, !smartphone);
          c.act(d);
          d->Dispatch(tb::ui::kCmdDone);
        });
        QCOMPARE(RunCardTextColors(nullptr, f.settings, attributes), c.changed);
        if (!c.changed) QVERIFY(attributes == before);
        if (c.check) c.check(attributes);
        QCOMPARE(attributes[14], 0xABCDu);

        // Cancel keeps the attributes whatever was chosen.
        auto again = before;
        WhenShown<CardTextColorsDialog>([&](CardTextColorsDialog* d) {
          c.act(d);
          d->AlwaysDisplay()->setChecked(true);
          d->Dispatch(tb::ui::kCmdMenuCancel);
        });
        QVERIFY(!RunCardTextColors(nullptr, f.settings, again));
        QVERIFY(again == before);
      }
    }
  }

  // 849 in view mode: on a change the card is marked and the view shows
  // the new look at once; in edit mode it does nothing.
  void cardWindowRunsTextColors() {
    for (bool smartphone : {false, true}) {
      CardFixture f(smartphone);
      f.Stored(u"Bank", {{u"User", u"ann", 1}, {u"PIN", u"4711", 7}});  // the user line is selected
      CardWindow& w = f.Open();
      QVERIFY(!f.card.Modified());
      WhenShown<CardTextColorsDialog>([](CardTextColorsDialog* d) { d->Dispatch(tb::ui::kCmdDone); });
      w.Dispatch(kCmdTextColors);
      QVERIFY(!f.card.Modified());
      const auto masked = [&f] { return f.Viewer().ShowsMasked(f.ItemOf("4711")); };
      QVERIFY(masked());

      WhenShown<CardTextColorsDialog>([](CardTextColorsDialog* d) {
        d->AlwaysDisplay()->setChecked(true);
        Choose(d->Colour(0), kYellow);
        d->Dispatch(tb::ui::kCmdDone);
      });
      w.Dispatch(kCmdTextColors);
      QVERIFY(f.card.Modified());
      QCOMPARE(f.card.attributes[kAttrBackground], kYellow);
      QVERIFY(!masked());  // the rebuilt view shows it
      w.Dispatch(kCmdCardDone);
      QCOMPARE(w.Outcome(), kOutcomeStore);

      CardFixture g(smartphone);
      g.Stored(u"Bank", {{u"PIN", u"4711", 7}});
      CardWindow& e = g.Open(true);
      e.Dispatch(kCmdTextColors);
      QTest::qWait(50);
      QVERIFY(!qobject_cast<CardTextColorsDialog*>(QApplication::activeModalWidget()));
      QVERIFY(g.card.attributes[kAttrBackground] == kWhite);
    }
  }

  void pictures() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 192}) {
        CardFixture f(smartphone, dpi);
        const QString suffix = QStringLiteral("%1_%2").arg(smartphone ? "sp" : "ppc").arg(dpi);
        WhenShown<DisplayOptionsDialog>([&](DisplayOptionsDialog* d) {
          QVERIFY(tb::ui::GrabToPng(d, ScreenshotPath("display_options_" + suffix)));
          d->Dispatch(tb::ui::kCmdMenuCancel);
        });
        RunDisplayOptions(nullptr, f.settings, f.file.wallet().Options());
        auto attributes = tb::storage::layout::attributes::kDefaults;
        WhenShown<CardTextColorsDialog>([&](CardTextColorsDialog* d) {
          QVERIFY(tb::ui::GrabToPng(d, ScreenshotPath("card_text_colors_" + suffix)));
          d->Dispatch(tb::ui::kCmdMenuCancel);
        });
        RunCardTextColors(nullptr, f.settings, attributes);
      }
    }
  }
};

TB_QT_TEST(DisplayDialogsTest)

#include "display_dialogs_test.moc"
