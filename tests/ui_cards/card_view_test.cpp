// The view mode: which lines a card makes, masking, taps that select and
// then act, what goes out through the launcher and what is copied instead,
// the popup, paging through tall lines and the scroll rules.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include "cards/card_links.h"
#include "cards_fixture.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/test_doubles.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;
using tb::platform::TestClock;
using tb::ui::ClipboardService;
using tb::ui::RecordingLauncher;

namespace {

const tb::platform::SystemTime kNoon{2026, 3, 0, 7, 12, 0, 0, 0};

QByteArray Format(const char* format) {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data ? data->data(QString::fromLatin1(format)) : QByteArray();
}

// A note far taller than the window.
QString LongNote() {
  QString note;
  for (int i = 0; i < 400; ++i) note += QStringLiteral("word%1 ").arg(i);
  return note;
}

}  // namespace

class CardViewTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    ClipboardService::Instance()->SetPeriodSource(nullptr);
    ClipboardService::Instance()->ClearOurs();
    QApplication::clipboard()->clear();
  }

  void linksAreClassifiedByTheirText() {
    const struct {
      const char* text;
      LinkKind kind;
      const char* cleaned;
    } cases[] = {
        {"", LinkKind::None, ""},
        {"    ", LinkKind::None, ""},
        {"@", LinkKind::None, "@"},
        {"+49 (30) 1234-567", LinkKind::Telephone, "+49 (30) 1234-567"},
        {"1a2b3", LinkKind::Telephone, "1a2b3"},  // 60% digits
        {"12abcd", LinkKind::None, "12abcd"},     // 33%
        {"  me@Example.org", LinkKind::Email, "me@Example.org"},
        {"me@localhost", LinkKind::None, "me@localhost"},
        {"a.b@host", LinkKind::None, "a.b@host"},  // the dot comes before "@"
        {"x.y.z", LinkKind::Web, "x.y.z"},
        {"WWW.Example", LinkKind::Web, "WWW.Example"},
        {"HTTPS:thing", LinkKind::Web, "HTTPS:thing"},
        {"ftp:files", LinkKind::Web, "ftp:files"},
        {"readme.txt", LinkKind::None, "readme.txt"},
    };
    for (const auto& c : cases) {
      const LinkClass link = ClassifyLink(QString::fromUtf8(c.text));
      QCOMPARE(int(link.kind), int(c.kind));
      QCOMPARE(link.text, QString::fromUtf8(c.cleaned));
    }
  }

  void linesFollowTheFieldKinds() {
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1},
                       {u"PIN", u"4711", 7},
                       {u"Site", u"www.example.org", 3},
                       {u"Go", u"x.example.org", 4},
                       {u"Mail", u"a@example.org", 5},
                       {u"Phone", u"+1 555", 6},
                       {u"Empty", u"", 1},
                       {u"Undecided", u"2", 13},
                       {u"Yes box", u"1", 13},
                       {u"Day", u"", 8, kNoon},
                       {u"Plain 2", u"two", 2},
                       {u"Numbers", u"14", 14},
                       {u"Odd kind", u"99", 99}});
    tb::storage::Attachment a;
    a.bytes = {1};
    a.fileName = u"scan.pdf";
    f.card.AddAttachment(a);
    tb::storage::Attachment unnamed;
    unnamed.bytes = {1};
    f.card.AddAttachment(unnamed);  // no name: not shown
    f.Open();
    const struct {
      const char* label;
      const char* text;
      uint32_t flags;
    } expected[] = {
        {"User", "ann", kLineIndent},
        {"PIN", "4711", kLineIndent | kLineMasked},
        {"Site", "www.example.org", kLineIndent | kLineWeb},
        {"Go", "x.example.org", kLineIndent | kLineLink},
        {"Mail", "a@example.org", kLineIndent | kLineEmail},
        {"Phone", "+1 555", kLineIndent | kLinePhone},
        {"Yes box", "Yes", kLineIndent},
        {"Day", "07.03.2026", kLineIndent},
        {"Plain 2", "two", kLineIndent},
        {"Numbers", "14", kLineIndent},
        {"Odd kind", "99", kLineIndent},
        {"Attachment", "scan.pdf", kLineIndent | kLineAttachment},
    };
    const auto& items = f.Viewer().Items();
    QCOMPARE(items.size(), std::size(expected) * 2);
    for (size_t i = 0; i < std::size(expected); ++i) {
      QCOMPARE(items[2 * i].kind, int(ViewItem::kLabel));
      QCOMPARE(items[2 * i].text, QString(expected[i].label));
      QCOMPARE(items[2 * i + 1].text, QString(expected[i].text));
      QCOMPARE(items[2 * i + 1].flags, expected[i].flags);
    }
    QCOMPARE(items.back().kind, int(ViewItem::kAttachment));
    QCOMPARE(items.back().attachmentIndex, 0);
    // The first value line is selected and the window's current field follows it.
    QCOMPARE(f.Viewer().Selected(), 1);
    QCOMPARE(f.window->CurrentField(), 0);
  }

  void passwordsShowWhenSelectedOrAlways() {
    for (bool always : {false, true}) {
      CardFixture f;
      f.Stored(u"Card", {{u"User", u"ann", 1}, {u"PIN", u"4711", 7}});
      f.card.attributes[kAttrShowPasswords] = always ? 1 : 0;
      f.Open();
      const int pin = f.ItemOf("4711");
      QCOMPARE(f.Viewer().ShowsMasked(pin), !always);
      // The first tap selects (and so reveals), nothing else.
      f.TapItem(pin);
      QCOMPARE(f.Viewer().Selected(), pin);
      QVERIFY(!f.Viewer().ShowsMasked(pin));
      QCOMPARE(f.beeps, 0);
      QCOMPARE(f.window->CurrentField(), 1);
      // The second tap acts: a password is copied in clear.
      f.TapItem(pin);
      QCOMPARE(f.beeps, 1);
      QCOMPARE(QApplication::clipboard()->text(), QString("4711"));
    }
  }

  void secondTapOrEnterActsByKind() {
    const struct {
      uint16_t kind;
      const char16_t* value;
      const char* opened;  // empty: copied instead
    } cases[] = {
        {3, u"www.example.org/a b", "http://www.example.org/a%20b"},
        {3, u"https://bank.example", "https://bank.example"},
        {3, u"javascript:alert(1)", ""},
        {3, u"file:///etc/passwd", ""},
        {5, u" me@example.org", "mailto:me@example.org"},
        {5, u"a@b.c?body=x", "mailto:a@b.c%3Fbody=x"},
        {6, u"+49 30 1234", "tel:+49%2030%201234"},
        {4, u"  030 1234 5678", "tel:030%201234%205678"},
        {4, u"me@example.org", "mailto:me@example.org"},
        {4, u"www.example.org", "http://www.example.org"},
        {4, u"x-handler:run.a.b", ""},
        {4, u"just words", ""},
        {1, u"plain", ""},
        {13, u"1", ""},
    };
    for (const auto& c : cases) {
      CardFixture f;
      f.Stored(u"Card", {{u"Line", c.value, c.kind}});
      f.Open();
      RecordingLauncher launcher;
      QCOMPARE(f.Viewer().Selected(), 1);
      // The selected line acts at the first tap; Enter does the same.
      f.TapItem(1);
      QTest::keyClick(f.Body(), Qt::Key_Return);
      if (*c.opened) {
        QCOMPARE(launcher.opened.size(), 2);
        QCOMPARE(launcher.opened[0].toEncoded(), QByteArray(c.opened));
        QCOMPARE(f.beeps, 0);
      } else {
        QVERIFY(launcher.opened.isEmpty());
        QCOMPARE(f.beeps, 2);
        QCOMPARE(QApplication::clipboard()->text(), f.Viewer().Items()[1].text);
      }
    }
  }

  void copiesCarryBothTextsAndTheHintAndLeaveAfterThePeriod() {
    TestClock clock(kNoon);
    CardFixture f;
    f.Stored(u"Card", {{u"PIN", u"Grüße €", 7}});
    f.Open();
    ClipboardService::Instance()->SetPeriodSource([] { return 30u; });
    f.window->Dispatch(kCmdCopyText);
    QCOMPARE(f.beeps, 1);
    QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8("Grüße €"));
    QCOMPARE(Format(tb::ui::kWindows1252Format), QByteArray("Gr\xFC\xDF"
                                                            "e \x80"));
    QCOMPARE(Format(tb::ui::kPasswordManagerHintFormat), QByteArray("secret"));
    clock.AdvanceSeconds(30);
    ClipboardService::Instance()->CheckExpiry();
    QVERIFY(QApplication::clipboard()->text().isEmpty());

    // A copy made by someone else meanwhile stays.
    f.window->Dispatch(kCmdCopyText);
    QApplication::clipboard()->setText("mine");
    clock.AdvanceSeconds(60);
    ClipboardService::Instance()->CheckExpiry();
    QCOMPARE(QApplication::clipboard()->text(), QString("mine"));

    // 0: never cleared by time.
    ClipboardService::Instance()->SetPeriodSource([] { return 0u; });
    f.window->Dispatch(kCmdCopyText);
    clock.AdvanceSeconds(3600);
    ClipboardService::Instance()->CheckExpiry();
    QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8("Grüße €"));
  }

  void popupCopiesTheLineOrAsksForProperties() {
    CardFixture f;
    f.Stored(u"Card", {{u"User", u"ann", 1}, {u"PIN", u"4711", 7}, {u"", u"no label", 1}});
    f.Open();
    const int pin = f.ItemOf("4711");
    f.popupAnswer = kCmdCopyText;
    QContextMenuEvent menu(QContextMenuEvent::Mouse, f.PointOf(pin));
    QApplication::sendEvent(f.List()->viewport(), &menu);
    QCOMPARE(f.Viewer().Selected(), pin);  // selected without acting
    QCOMPARE(f.popups.back(), QStringList({"847:Copy \"PIN\"", "804:Edit"}));
    QCOMPARE(f.beeps, 1);
    QCOMPARE(QApplication::clipboard()->text(), QString("4711"));

    // A line without a label offers no copy entry; 804 goes to the owner.
    f.popupAnswer = kCmdProperties;
    QContextMenuEvent unlabelled(QContextMenuEvent::Mouse, f.PointOf(f.ItemOf("no label")));
    QApplication::sendEvent(f.List()->viewport(), &unlabelled);
    QCOMPARE(f.popups.back(), QStringList({"804:Edit"}));
    QCOMPARE(f.ownerCommands, std::vector<int>{kCmdProperties});
    QCOMPARE(f.beeps, 1);
  }

  void tallLinesArePagedThrough() {
    CardFixture f;
    f.Stored(u"Card", {{u"A", u"first", 1}, {u"Note", LongNote().toStdU16String(), 1}, {u"B", u"last", 1}});
    CardWindow& w = f.Open();
    Q_UNUSED(w);
    CardViewer& v = f.Viewer();
    const int view = f.List()->ClientHeight();
    const int note = f.ItemOf(LongNote());
    const int noteTop = v.ItemTop(note);
    const int noteBottom = noteTop + v.Items()[size_t(note)].height;
    QVERIFY(noteBottom - noteTop > 2 * view);

    QTest::keyClick(f.Body(), Qt::Key_Down);  // onto the note: its top at the window's top
    QCOMPARE(v.Selected(), note);
    QCOMPARE(f.List()->ScrollPosition(), noteTop);
    QTest::keyClick(f.Body(), Qt::Key_Tab);  // a page down, the note stays selected
    QCOMPARE(v.Selected(), note);
    QCOMPARE(f.List()->ScrollPosition(), noteTop + view);
    while (f.List()->ScrollPosition() + view < noteBottom) QTest::keyClick(f.Body(), Qt::Key_Down);
    QCOMPARE(f.List()->ScrollPosition(), noteBottom - view);  // never past its bottom
    QCOMPARE(v.Selected(), note);
    QTest::keyClick(f.Body(), Qt::Key_Down);
    QCOMPARE(v.Selected(), f.ItemOf("last"));
    QTest::keyClick(f.Body(), Qt::Key_Down);  // the last line: only scrolls
    QCOMPARE(v.Selected(), f.ItemOf("last"));

    // Up: back onto the note showing its bottom, page up through it, then
    // the line before it with its bottom at the window's bottom.
    QTest::keyClick(f.Body(), Qt::Key_Up);
    QCOMPARE(v.Selected(), note);
    QCOMPARE(f.List()->ScrollPosition(), noteBottom - view);
    while (f.List()->ScrollPosition() - view >= noteTop) QTest::keyClick(f.Body(), Qt::Key_Up);
    QCOMPARE(v.Selected(), note);
    QTest::keyClick(f.Body(), Qt::Key_Up);
    QCOMPARE(v.Selected(), f.ItemOf("first"));
    QCOMPARE(f.List()->ScrollPosition(), 0);
  }

  void scrollBarRules() {
    CardFixture f;
    f.Stored(u"Card", {{u"Note", LongNote().toStdU16String(), 1}});
    f.Open();
    QScrollBar* bar = f.List()->verticalScrollBar();
    const int line = f.Viewer().LineHeight();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->pageStep(), f.List()->ClientHeight());
    // Line up from less than a line height stays; page up from there reaches the top.
    f.List()->ScrollTo(line - 1);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(f.List()->ScrollPosition(), line - 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(f.List()->ScrollPosition(), 0);
    f.List()->ScrollTo(3 * line);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(f.List()->ScrollPosition(), 2 * line);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(f.List()->ScrollPosition(), 3 * line);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(f.List()->ScrollPosition(), bar->maximum());

    // Content that fits has no bar.
    CardFixture small;
    small.Stored(u"Card", {{u"User", u"ann", 1}});
    small.Open();
    QCOMPARE(small.List()->verticalScrollBar()->maximum(), 0);
    QVERIFY(!small.List()->verticalScrollBar()->isVisible());
  }

  void sizesFollowTheDensity() {
    const struct {
      int dpi, margin, iconColumn, iconSize, rule, loaded;
    } cases[] = {{96, 2, 20, 16, 1, 16}, {130, 3, 27, 22, 1, 24}, {192, 4, 40, 32, 2, 32}};
    for (const auto& c : cases) {
      const ViewMetrics m = ViewMetrics::At(c.dpi);
      QCOMPARE(m.margin, c.margin);
      QCOMPARE(m.iconColumn, c.iconColumn);
      QCOMPARE(m.iconSize, c.iconSize);
      QCOMPARE(m.rule, c.rule);
      QCOMPARE(tb::ui::OnDemandIconSize(m.iconSize), c.loaded);

      // Lines wrap to the width left after the margin, the bar, the indent
      // and the icon column.
      CardFixture f(false, c.dpi);
      f.Stored(u"Card", {{u"Site", LongNote().toStdU16String(), 3}});
      f.Open();
      const ViewItem& item = f.Viewer().Items()[1];
      const int width = f.List()->width() - c.margin - f.List()->ScrollBarWidth() + 1 - 5 - c.iconColumn;
      const QFontMetrics metrics(f.Viewer().ValueFont());
      QVERIFY(item.lines.size() > 1);
      for (const QString& line : item.lines) QVERIFY(metrics.horizontalAdvance(line.trimmed()) <= width);
      QCOMPARE(item.height, int(item.lines.size()) * f.Viewer().DataLineHeight());
    }
  }

  void layoutsShareRowsAndThreeIsStacked() {
    const struct {
      uint32_t stored;
      int layout;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {7, 0}};
    for (const auto& c : cases) {
      CardFixture f;
      f.Stored(u"Card", {{u"User", u"ann", 1}});
      f.card.attributes[kAttrLayout] = c.stored;
      f.Open();
      QCOMPARE(f.Viewer().Layout(), c.layout);
      QCOMPARE(f.card.attributes[kAttrLayout], uint32_t(c.stored >= 3 ? 0 : c.stored));
      // Labels have their own rows only when stacked.
      QCOMPARE(f.Viewer().Items()[0].height == 0, c.layout != 0);
    }
  }

  void labelFontIsOneSizeStepSmaller() {
    const struct {
      int64_t size;
      bool bold;
      int number;
    } cases[] = {{9, false, 0},  {9, true, 6},  {8, false, 25},  {11, false, 2},
                 {16, true, 10}, {0, false, 2}, {-4, false, 25}, {200, false, 4}};
    for (const auto& c : cases) QCOMPARE(LabelFontNumber(c.size, c.bold), c.number);
  }
};

TB_QT_TEST(CardViewTest)
#include "card_view_test.moc"
