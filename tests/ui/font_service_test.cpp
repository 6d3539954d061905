// The shared font table: heights from the vertical density, the mapping of
// text sizes to table fonts, fonts kept for the run, and line heights.
#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include "platform/core/registry.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "shell/core/settings.h"
#include "support/temp_dir.h"
#include "ui_support/qt_test.h"

using tb::ui::FontService;
using tb::ui::ScopedDpi;

class FontServiceTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { FontService::Init(true, 0); }
  void cleanupTestCase() { FontService::Init(true, 0); }

  void heightsComeFromTheVerticalDensity_data() {
    QTest::addColumn<int>("dpiY");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("underline");
    // number: points
    QTest::newRow("0: 8") << 96 << 0 << -11 << false << false;
    QTest::newRow("22: 8.5") << 96 << 22 << -11 << false << false;
    QTest::newRow("1: 9") << 96 << 1 << -12 << false << false;
    QTest::newRow("2: 10") << 96 << 2 << -13 << false << false;
    QTest::newRow("3: 11") << 96 << 3 << -15 << false << false;
    QTest::newRow("4: 12") << 96 << 4 << -16 << false << false;
    QTest::newRow("5: 16") << 96 << 5 << -21 << false << false;
    QTest::newRow("25: 7") << 96 << 25 << -9 << false << false;
    QTest::newRow("6: 8 bold") << 96 << 6 << -11 << true << false;
    QTest::newRow("11: 16 bold") << 96 << 11 << -21 << true << false;
    QTest::newRow("12: 8 underlined") << 96 << 12 << -11 << false << true;
    QTest::newRow("17: 16 underlined") << 96 << 17 << -21 << false << true;
    QTest::newRow("18: 10 bold") << 96 << 18 << -13 << true << false;
    QTest::newRow("23: 8.5 bold") << 96 << 23 << -11 << true << false;
    QTest::newRow("24: 8.5 bold underlined") << 96 << 24 << -11 << true << true;
    QTest::newRow("26: 7 bold") << 96 << 26 << -9 << true << false;
    QTest::newRow("27: 8 bold underlined") << 96 << 27 << -11 << true << true;
    // 9 points at 108 dpi is exactly 13.5 pixels: halves go away from zero.
    QTest::newRow("1: 9 at 108") << 108 << 1 << -14 << false << false;
    QTest::newRow("22: 8.5 at 192") << 192 << 22 << -23 << false << false;
    QTest::newRow("25: 7 at 192") << 192 << 25 << -19 << false << false;
  }
  void heightsComeFromTheVerticalDensity() {
    QFETCH(int, dpiY);
    QFETCH(int, number);
    QFETCH(int, height);
    QFETCH(bool, bold);
    QFETCH(bool, underline);
    // A horizontal density of its own shows which one the heights follow.
    ScopedDpi dpi(150, dpiY);
    FontService::Init(true, 0);
    const QFont* font = FontService::Font(number);
    QVERIFY(font != nullptr);
    QCOMPARE(-font->pixelSize(), height);
    QCOMPARE(font->weight(), bold ? QFont::Bold : QFont::Normal);
    QCOMPARE(font->underline(), underline);
    QVERIFY(!font->italic());
    QCOMPARE(font->family(), QApplication::font().family());
  }

  void systemFontEntriesCopyTheSystemFont() {
    QFont system = QApplication::font();
    const QFont saved = system;
    system.setPointSize(9);
    QApplication::setFont(system);
    ScopedDpi dpi(96, 192);
    FontService::Init(true, 0);
    const QFont* unchanged = FontService::Font(20);
    const QFont* bold = FontService::Font(21);
    const QFont* deviceDefault = FontService::Font(19);
    QApplication::setFont(saved);
    QVERIFY(unchanged && bold && deviceDefault);
    for (const QFont* font : {unchanged, bold, deviceDefault}) {
      QCOMPARE(font->family(), system.family());
      QCOMPARE(font->pixelSize(), 24);  // 9 points at 192 down
      QVERIFY(!font->underline());
    }
    QCOMPARE(unchanged->weight(), system.weight());
    QCOMPARE(bold->weight(), QFont::Bold);
    QCOMPARE(deviceDefault->weight(), QFont::Normal);
  }

  void clearTypeAndTheAccessibilitySizeComeFromSettingsAndRegistry() {
    tb::test::TempDir dir;
    tb::platform::Registry registry(dir.File("registry.reg"));
    tb::shell::Settings settings;
    FontService::Init(settings, registry);
    QCOMPARE(FontService::AccessibilityFontSize(), 0u);
    QCOMPARE(FontService::Font(0)->styleStrategy(), QFont::PreferAntialias);

    registry.SetDword(tb::ui::kAccessibilityKey, tb::ui::kAccessibilityFontSizeValue, 2);
    settings.clearType = 0;
    FontService::Init(settings, registry);
    QCOMPARE(FontService::AccessibilityFontSize(), 2u);
    QCOMPARE(FontService::NumberForSize(0, false), 5);
    for (int number : {0, 7, 20, 21}) QCOMPARE(FontService::Font(number)->styleStrategy(), QFont::NoSubpixelAntialias);
  }

  void textSizesMapToTableFonts_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<uint>("accessibility");
    QTest::addColumn<int>("normal");
    QTest::addColumn<int>("bold");
    QTest::newRow("0") << qint64(0) << 0u << 3 << 9;
    QTest::newRow("0, accessibility 1") << qint64(0) << 1u << 3 << 9;
    QTest::newRow("0, large text") << qint64(0) << 2u << 5 << 11;
    QTest::newRow("1") << qint64(1) << 0u << 25 << 26;
    QTest::newRow("7") << qint64(7) << 0u << 25 << 26;
    QTest::newRow("8") << qint64(8) << 0u << 0 << 6;
    QTest::newRow("9") << qint64(9) << 0u << 1 << 7;
    QTest::newRow("10") << qint64(10) << 0u << 2 << 8;
    QTest::newRow("11") << qint64(11) << 0u << 3 << 9;
    QTest::newRow("12") << qint64(12) << 0u << 4 << 10;
    QTest::newRow("12, large text") << qint64(12) << 2u << 4 << 10;
    QTest::newRow("13") << qint64(13) << 0u << 5 << 11;
    QTest::newRow("16") << qint64(16) << 0u << 5 << 11;
    QTest::newRow("largest settings value") << qint64(0xFFFFFFFFu) << 0u << 5 << 11;
    QTest::newRow("negative") << qint64(-9) << 0u << 25 << 26;
  }
  void textSizesMapToTableFonts() {
    QFETCH(qint64, size);
    QFETCH(uint, accessibility);
    QFETCH(int, normal);
    QFETCH(int, bold);
    FontService::SetAccessibilityFontSize(accessibility);
    QCOMPARE(FontService::NumberForSize(size, false), normal);
    QCOMPARE(FontService::NumberForSize(size, true), bold);
    QCOMPARE(FontService::FontForSize(size, false), FontService::Font(normal));
    QCOMPARE(FontService::FontForSize(size, true), FontService::Font(bold));
  }

  void largeAccessibilityTextGivesSystemSizeSixteenPoints() {
    ScopedDpi dpi(96);
    FontService::Init(true, 2);
    QCOMPARE(FontService::FontForSize(0, false)->pixelSize(), 21);
    QCOMPARE(FontService::FontForSize(0, true)->pixelSize(), 21);
    QVERIFY(FontService::FontForSize(0, true)->bold());
  }

  void numbersOutsideTheTableGiveNoFont() {
    QVERIFY(FontService::Font(27) != nullptr);
    QVERIFY(FontService::Font(28) == nullptr);
    QVERIFY(FontService::Font(1000) == nullptr);
    QVERIFY(FontService::Font(-1) == nullptr);
  }

  void aFontIsMadeOnceAndKeptForTheRun() {
    const QFont* first = nullptr;
    {
      ScopedDpi dpi(96);
      first = FontService::Font(7);
    }
    QVERIFY(first != nullptr);
    ScopedDpi dpi(192);
    const QFont* again = FontService::Font(7);
    QCOMPARE(again, first);
    QCOMPARE(again->pixelSize(), 12);  // as made, not remade at the new density
    QCOMPARE(FontService::FontForSize(9, true), first);
    // A font asked for first at the new density is made at it.
    QCOMPARE(FontService::Font(1)->pixelSize(), 24);
  }

  void lineHeightIsTheCharacterHeightAndAGap_data() {
    QTest::addColumn<int>("dpiX");
    QTest::addColumn<int>("dpiY");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("number");  // the normal font of the size
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("gap");  // (dpiX + 24) / 48
    QTest::newRow("96: 9") << 96 << 96 << qint64(9) << 1 << 12 << 2;
    QTest::newRow("96: 0") << 96 << 96 << qint64(0) << 3 << 15 << 2;
    QTest::newRow("192: 9") << 192 << 192 << qint64(9) << 1 << 24 << 4;
    QTest::newRow("192: 16") << 192 << 192 << qint64(16) << 5 << 43 << 4;
    QTest::newRow("192 across, 96 down: 9") << 192 << 96 << qint64(9) << 1 << 12 << 4;
  }
  void lineHeightIsTheCharacterHeightAndAGap() {
    QFETCH(int, dpiX);
    QFETCH(int, dpiY);
    QFETCH(qint64, size);
    QFETCH(int, number);
    QFETCH(int, pixels);
    QFETCH(int, gap);
    ScopedDpi dpi(dpiX, dpiY);
    FontService::Init(true, 0);
    const QFont* font = FontService::Font(number);
    QCOMPARE(font->pixelSize(), pixels);
    const int characterHeight = QFontMetrics(*font).height();
    QVERIFY(characterHeight >= pixels);
    QCOMPARE(FontService::LineHeight(size), characterHeight + gap);
    QWidget device;
    QCOMPARE(FontService::LineHeight(size, &device), QFontMetrics(*font, &device).height() + gap);
  }
};

TB_QT_TEST(FontServiceTest)

#include "font_service_test.moc"
