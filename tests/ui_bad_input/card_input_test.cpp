// Cards whose stored bodies hold what the program never writes: unknown
// kinds, odd check-box values, empty items, impossible dates, a layout or
// text size out of range, colours with the high byte set, the most fields
// a card can have, endless words and links of nothing. Each shows, edits
// and closes sanely, and what was not touched stays as stored.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTest>

#include "platform/ui/clipboard.h"
#include "platform/ui/test_doubles.h"
#include "ui_cards/cards_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::cards;
using namespace tb::cards::test;

namespace {

// Opens the card, walks every line of the view and of the editor, and
// closes with Done twice; the outcome.
int WalkAndClose(CardFixture& f) {
  CardWindow& w = f.Open();
  for (size_t i = 0; i < f.Viewer().Items().size(); ++i) QTest::keyClick(f.Body(), Qt::Key_Down);
  w.grab();  // paint once at the bottom
  w.Dispatch(kCmdEditCard);
  for (int line = 1; line < f.Editor().LineCount(); line += 2) f.Editor().Activate(line);
  w.grab();
  w.Dispatch(kCmdCardDone);
  w.grab();
  w.Dispatch(kCmdCardDone);
  return w.Outcome();
}

QString Value(const tb::storage::Field& field) {
  return tb::ui::ToQString(std::u16string_view(field.value.data(), field.value.size()));
}

}  // namespace

class BadCardInputTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    tb::ui::ClipboardService::Instance()->ClearOurs();
    QApplication::clipboard()->clear();
  }

  void oddFieldsShowAndStayAsStored() {
    tb::ui::ScriptedMessageBoxes boxes;
    CardFixture f;
    const tb::platform::SystemTime month13{2024, 13, 0, 5, 10, 0, 0, 0};
    const tb::platform::SystemTime day0{2024, 2, 0, 0, 10, 0, 0, 0};
    f.Stored(u"Odd", {{u"Kind 0", u"zero", 0},
                      {u"Kind 99", u"ninety-nine", 99},
                      {u"Kind 65535", u"max", 65535},
                      {u"Box 7", u"7", 13},
                      {u"Box -1", u"-1", 13},
                      {u"Month 13", u"", 8, month13},
                      {u"Day 0", u"", 10, day0},
                      {u"Spaces", u"    ", 4},
                      {u"At", u"@", 4},
                      {u"Choice", u"", 12}});
    // Empty pieces in the item list, as a damaged body could hold them.
    f.card.fields[9].items = {tb::storage::Text(), tb::storage::ToText(u"a"), tb::storage::Text()};
    f.card.fields[9].SetValue(u"");
    f.card.fields[9].changeFlags = 0;
    const std::vector<tb::storage::Field> before = f.card.fields;

    QCOMPARE(WalkAndClose(f), kOutcomeNothing);
    QCOMPARE(boxes.Count(), 0u);
    QCOMPARE(f.card.fields.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
      QCOMPARE(Value(f.card.fields[i]), Value(before[i]));
      QVERIFY(f.card.fields[i].dateTime == before[i].dateTime);
    }

    // Unknown kinds show their text; odd boxes show nothing; links of
    // nothing are copied, not launched.
    CardWindow& w = f.Open();
    QVERIFY(f.ItemOf("ninety-nine") > 0);
    QVERIFY(f.ItemOf("7") < 0);
    tb::ui::RecordingLauncher launcher;
    for (const char* text : {"    ", "@"}) {
      const int item = f.ItemOf(text);
      QVERIFY(item > 0);
      f.Viewer().Select(item);
      f.Viewer().Act(item);
      QCOMPARE(QApplication::clipboard()->text(), QString(text));
    }
    QVERIFY(launcher.opened.isEmpty());
    w.Dispatch(kCmdCardCancel);
  }

  void layoutSizeAndColoursOutOfRange() {
    const struct {
      uint32_t layout, size, colour;
    } cases[] = {
        {7, 0, 0xFF0000FF},
        {0xFFFFFFFF, 200, 0x80FFFFFF},
        {3, uint32_t(-12), 0xFFFFFFFF},
        {2, 0x7FFFFFFF, 0x01000000},
    };
    for (const auto& c : cases) {
      CardFixture f;
      f.Stored(u"Card", {{u"User", u"ann", 1}, {u"Site", u"www.example.org", 3}});
      f.card.attributes[kAttrLayout] = c.layout;
      f.card.attributes[kAttrTextSize] = c.size;
      f.card.attributes[kAttrBackground] = c.colour;
      f.card.attributes[kAttrValueColour] = c.colour;
      f.card.attributes[kAttrLabelColour] = c.colour;
      CardWindow& w = f.Open();
      QVERIFY(f.Viewer().Layout() >= 0 && f.Viewer().Layout() <= 2);
      QVERIFY(f.Viewer().DataLineHeight() > 0 && f.Viewer().DataLineHeight() < 100);
      // The high byte is no part of the colour.
      const QImage picture = f.List()->viewport()->grab().toImage();
      QCOMPARE(
          picture.pixelColor(picture.width() - 1, picture.height() - 1).rgb() & 0xFFFFFF,
          QColor(int(c.colour & 0xFF), int((c.colour >> 8) & 0xFF), int((c.colour >> 16) & 0xFF)).rgb() & 0xFFFFFF);
      w.Dispatch(kCmdCardDone);
      QVERIFY(w.Outcome() == kOutcomeNothing);
    }
  }

  void theMostFieldsAndEndlessWords() {
    CardFixture f;
    std::vector<FieldSpec> fields;
    const std::u16string word(255, u'W');
    for (int i = 0; i < 255; ++i) fields.push_back({u"Field " + std::u16string(1, char16_t(u'A' + i % 26)), word, 1});
    f.Stored(u"Full", fields);
    QCOMPARE(f.card.fields.size(), size_t(255));
    CardWindow& w = f.Open();
    QCOMPARE(f.Viewer().Items().size(), size_t(510));  // every field shows
    const ViewItem& item = f.Viewer().Items()[1];
    QVERIFY(item.lines.size() > 1);  // a word longer than the line breaks anywhere
    QCOMPARE(item.lines.join(QString()), QString::fromStdU16String(word));
    const QFontMetrics metrics(f.Viewer().ValueFont());
    for (const QString& line : item.lines) QVERIFY(metrics.horizontalAdvance(line) <= f.List()->width());
    f.List()->ScrollTo(f.List()->verticalScrollBar()->maximum());
    w.grab();
    QCOMPARE(WalkAndClose(f), kOutcomeNothing);
  }
};

TB_QT_TEST(BadCardInputTest)
#include "card_input_test.moc"
