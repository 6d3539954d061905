// Pictures of the card window, the palette and the long-text editor at 96
// and 192 dots per inch in both variants, for looking at. Each is also
// checked for what must be in it.
#include <QImage>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>

#include "cards/colour_palette.h"
#include "cards/long_text_editor.h"
#include "cards_fixture.h"
#include "platform/ui/screenshot.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::dialogs::test::ScreenshotPath;

namespace {

const tb::platform::SystemTime kDate{2026, 3, 0, 7, 14, 5, 0, 0};

std::vector<FieldSpec> RichCard() {
  return {
      {u"Account", u"DE12 3456 7890 1234 5678 00", 1},
      {u"PIN", u"4711", 7},
      {u"Web site", u"www.example.org/banking", 3},
      {u"E-mail", u"service@example.org", 5},
      {u"Hotline", u"+49 30 1234567", 6},
      {u"Branch", u"branch.example.org", 4},
      {u"Opened", u"", 8, kDate},
      {u"Online", u"1", 13},
      {u"Notes", u"Ask for the manager on the second floor; the branch closes early on Fridays.", 1},
  };
}

QString Name(const char* what, bool smartphone, int dpi) {
  return QStringLiteral("card_%1_%2_%3").arg(what, smartphone ? "sp" : "ppc").arg(dpi);
}

// The picture's number of pixels of a colour.
int Count(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
  return n;
}

}  // namespace

class CardPicturesTest : public QObject {
  Q_OBJECT

 private slots:
  void viewAndEditInBothVariants() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 192}) {
        CardFixture f(smartphone, dpi);
        tb::storage::Card& card = f.Stored(u"Bank of Example", RichCard(), 18);
        tb::storage::Attachment a;
        a.bytes = {1, 2, 3};
        a.fileName = u"statement.pdf";
        card.AddAttachment(a);
        for (uint32_t layout : {0u, 1u, 2u}) {
          card.attributes[kAttrLayout] = layout;
          CardWindow& w = f.Open();
          const QString name = Name(QStringLiteral("view%1").arg(layout).toLatin1(), smartphone, dpi);
          QVERIFY(tb::ui::GrabToPng(&w, ScreenshotPath(name)));
          f.window.reset();
        }
        card.attributes[kAttrLayout] = 0;
        CardWindow& w = f.Open();
        f.Viewer().Select(f.ItemOf("4711"));
        QVERIFY(tb::ui::GrabToPng(&w, ScreenshotPath(Name("password", smartphone, dpi))));
        {
          // A selected line with its icon at the right, on a card too short
          // for a scroll bar: the highlight stops at the icon column, which
          // keeps the card's colour out to the edge.
          CardFixture shortCard(smartphone, dpi);
          shortCard.Stored(u"Short", {{u"Web site", u"www.example.org", 3}});
          CardWindow& s = shortCard.Open();
          const int web = shortCard.ItemOf("www.example.org");
          shortCard.Viewer().Select(web);
          QVERIFY(!shortCard.List()->verticalScrollBar()->isVisible());
          const QImage shot = shortCard.List()->viewport()->grab().toImage();
          const QPoint p = shortCard.PointOf(web) * shot.devicePixelRatio();
          QCOMPARE(shot.pixel(p) & 0xFFFFFF, s.palette().color(QPalette::Active, QPalette::Highlight).rgb() & 0xFFFFFF);
          QCOMPARE(shot.pixel(shot.width() - 1, p.y()) & 0xFFFFFF, 0xFFFFFFu);
        }
        w.Dispatch(kCmdEditCard);
        QVERIFY(tb::ui::GrabToPng(&w, ScreenshotPath(Name("edit", smartphone, dpi))));
        f.window.reset();

        // The empty card, in the layout that says so.
        CardFixture empty(smartphone, dpi);
        empty.Stored(u"Empty", {{u"Nothing", u"", 1}}).attributes[kAttrLayout] = 1;
        CardWindow& e = empty.Open();
        QVERIFY(tb::ui::GrabToPng(&e, ScreenshotPath(Name("empty", smartphone, dpi))));
      }
    }
  }

  void expandedMenusShowIconButtons() {
    for (int dpi : {96, 192}) {
      CardFixture f(false, dpi);
      f.settings.menusExpanded = 1;
      f.Stored(u"Bank of Example", RichCard(), 18);
      CardWindow& w = f.Open();
      QVERIFY(tb::ui::GrabToPng(&w, ScreenshotPath(QStringLiteral("card_view_icons_%1").arg(dpi))));
      w.Dispatch(kCmdEditCard);
      QVERIFY(tb::ui::GrabToPng(&w, ScreenshotPath(QStringLiteral("card_edit_icons_%1").arg(dpi))));
    }
  }

  void paletteAndLongTextEditor() {
    for (bool smartphone : {false, true}) {
      for (int dpi : {96, 192}) {
        tb::ui::ScopedDpi scoped(dpi);
        tb::ui::FontService::Init(true, 0);
        tb::ui::SetTextSource(&tb::dialogs::test::English());
        tb::shell::Settings settings = tb::dialogs::test::SettingsFor(smartphone);
        {
          PaletteDialog palette(nullptr, settings, 0x0066CC);
          palette.resize(tb::ui::ScaleX(240), tb::ui::ScaleY(320));
          palette.show();
          QVERIFY(QTest::qWaitForWindowExposed(&palette));
          QVERIFY(tb::ui::GrabToPng(&palette, ScreenshotPath(Name("palette", smartphone, dpi))));
          QVERIFY(palette.LaidOut());
        }
        {
          LongTextEditor editor(nullptr, settings, QStringLiteral("Notes"),
                                QStringLiteral("Ask for the manager on the second floor.\n\tRoom 214"));
          editor.resize(tb::ui::ScaleX(240), tb::ui::ScaleY(320));
          editor.show();
          QVERIFY(QTest::qWaitForWindowExposed(&editor));
          QVERIFY(tb::ui::GrabToPng(&editor, ScreenshotPath(Name("notes", smartphone, dpi))));
        }
        tb::ui::SetTextSource(nullptr);
      }
    }
  }
};

TB_QT_TEST(CardPicturesTest)
#include "pictures_test.moc"
