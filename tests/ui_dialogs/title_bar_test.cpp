// The dialogs' title bar: the icon's size, place and picture at three
// densities, the text position, and the gradient's integer rows; and how
// the About box and two other dialogs look with it.
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <vector>

#include "dialogs/about_dialog.h"
#include "dialogs/file_picker_dialog.h"
#include "dialogs/password_entry_dialog.h"
#include "dialogs/title_bar.h"
#include "dialogs_fixture.h"
#include "icons/ico_writer.h"
#include "platform/ui/controls.h"
#include "platform/ui/dpi.h"
#include "platform/ui/font_service.h"
#include "platform/ui/icons/icon_lists.h"
#include "ui_support/qt_test.h"

namespace tb::dialogs::test {
namespace {

using tb::ui::FindControl;
using tb::ui::FontService;
using tb::ui::ScopedDpi;

// Red 10 -> 250, green 200 -> 20 (falling, so the division's rounding
// shows), blue 30 -> 130; as 0x00BBGGRR.
constexpr uint32_t kStart = 0x1EC80A;
constexpr uint32_t kEnd = 0x8214FA;

tb::shell::Settings GradientSettings() {
  tb::shell::Settings settings = SettingsFor(false);
  settings.colorBarStart = kStart;
  settings.colorBarEnd = kEnd;
  return settings;
}

QImage Picture(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

class TitleBarTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { tb::ui::SetTextSource(&English()); }
  void cleanup() { tb::ui::SetTextSource(nullptr); }

  void iconAndTextFollowTheDensity_data() {
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("barHeight");
    QTest::addColumn<int>("iconSize");
    QTest::addColumn<int>("iconOffset");  // (bar height - s) / 2
    QTest::addColumn<int>("textLeft");    // offset + s + offset + (5d + 48) / 96
    QTest::addColumn<int>("textMargin");  // (5d + 48) / 96
    QTest::addColumn<int>("ownIcon");     // the own icon drawn: 16 or 32 pixels
    QTest::newRow("96") << 96 << 24 << 16 << 4 << 29 << 5 << 16;
    QTest::newRow("130") << 130 << 33 << 22 << 5 << 39 << 7 << 16;
    QTest::newRow("192") << 192 << 48 << 32 << 8 << 58 << 10 << 32;
  }
  void iconAndTextFollowTheDensity() {
    QFETCH(int, dpi);
    QFETCH(int, barHeight);
    QFETCH(int, iconSize);
    QFETCH(int, iconOffset);
    QFETCH(int, textLeft);
    QFETCH(int, textMargin);
    QFETCH(int, ownIcon);
    ScopedDpi scoped(dpi);
    const tb::shell::Settings settings = SettingsFor(false);
    TitleBar bar(nullptr, settings);
    bar.resize(300, TitleBar::BarHeight());
    QCOMPARE(bar.height(), barHeight);
    QCOMPARE(TitleBar::IconSize(), iconSize);
    QCOMPARE(bar.IconRect(), QRect(iconOffset, iconOffset, iconSize, iconSize));
    QCOMPARE(bar.TextRect(), QRect(textLeft, 0, 300 - textMargin - textLeft, barHeight - 1));

    // A card's own picture: the 32-pixel icon only where s is 32.
    const std::vector<uint8_t> ico = tb::test::WriteIco({{16, 16, 24}, {32, 32, 24}});
    bar.SetContent(QStringLiteral("Card"), kTitleOwnIcons, nullptr, ico);
    QCOMPARE(bar.Text(), QStringLiteral("Card"));
    const QImage expected = tb::ui::ReadIconImage(ico.data(), ico.size(), ownIcon, 24);
    QCOMPARE(bar.IconImage(), expected);
    if (ownIcon == iconSize) {
      // Drawn at its own size: the picture's pixels land unchanged.
      const QImage drawn = Picture(bar);
      for (const QPoint p : {QPoint(ownIcon / 2, ownIcon / 2), QPoint(ownIcon - 1, ownIcon - 1), QPoint(1, 3)})
        QCOMPARE(drawn.pixel(bar.IconRect().topLeft() + p), expected.pixel(p));
    }

    // An icon resource is loaded at s; an image list entry is the entry.
    bar.SetIconResource(tb::ui::kProgramIcon);
    QCOMPARE(bar.Text(), QStringLiteral("Card"));
    QCOMPARE(bar.IconImage(), tb::ui::IconResource(tb::ui::kProgramIcon, iconSize));
    QCOMPARE(bar.IconImage().width(), iconSize);
    const QList<QImage> list = {tb::ui::IconResource(301, 16), tb::ui::IconResource(302, 16)};
    bar.SetContent(QStringLiteral("Folder"), 1, &list);
    QCOMPARE(bar.IconImage(), list[1]);
  }

  void whatNamesNothingShowsNoIcon() {
    const tb::shell::Settings settings = SettingsFor(false);
    TitleBar bar(nullptr, settings);
    QVERIFY(bar.IconImage().isNull());
    bar.SetIconResource(199);  // no such resource
    QVERIFY(bar.IconImage().isNull());
    const QList<QImage> list = {tb::ui::IconResource(301, 16)};
    bar.SetContent(QString(), 1, &list);
    QVERIFY(bar.IconImage().isNull());
    const std::vector<uint8_t> damaged = {0, 0, 2, 0, 1, 0};  // a cursor file
    bar.SetContent(QString(), kTitleOwnIcons, nullptr, damaged);
    QVERIFY(bar.IconImage().isNull());
    // A picture with one size makes the other from it.
    const std::vector<uint8_t> onlyLarge = tb::test::WriteIco({{32, 32, 24}});
    bar.SetContent(QString(), kTitleOwnIcons, nullptr, onlyLarge);
    QCOMPARE(bar.IconImage().size(), QSize(16, 16));
  }

  void gradientRowsFollowTheIntegerFormula_data() {
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("row");
    QTest::addColumn<QColor>("colour");
    // 24 pixel bar: 23 gradient rows; 48: 47.
    QTest::newRow("96 first") << 96 << 0 << QColor(10, 200, 30);
    QTest::newRow("96 middle") << 96 << 11 << QColor(124, 114, 77);
    QTest::newRow("96 last") << 96 << 22 << QColor(239, 28, 125);
    QTest::newRow("192 first") << 192 << 0 << QColor(10, 200, 30);
    QTest::newRow("192 last") << 192 << 46 << QColor(244, 24, 127);
  }
  void gradientRowsFollowTheIntegerFormula() {
    QFETCH(int, dpi);
    QFETCH(int, row);
    QFETCH(QColor, colour);
    ScopedDpi scoped(dpi);
    const int rows = TitleBar::BarHeight() - 1;
    QCOMPARE(TitleBar::GradientRow(kStart, kEnd, row, rows), colour);
    const tb::shell::Settings settings = GradientSettings();
    TitleBar bar(nullptr, settings);
    bar.resize(200, TitleBar::BarHeight());
    const QImage drawn = Picture(bar);
    for (int x : {0, 100, 199}) QCOMPARE(QColor(drawn.pixel(x, row)), colour);
  }

  void dialogsShowTheirTitleIcons() {
    for (int dpi : {96, 192}) {
      ScopedDpi scoped(dpi);
      FontService::Init(true, 0);
      const QString suffix = QStringLiteral("-%1").arg(dpi);
      tb::shell::Settings settings = SettingsFor(false);

      AboutDialog about(nullptr, settings);
      auto* bar = FindControl<TitleBar>(&about, kIdTitleBar);
      QVERIFY(bar != nullptr);
      QCOMPARE(bar->Text(), tb::ui::Text(20020));
      QCOMPARE(bar->IconImage(), tb::ui::IconResource(tb::ui::kProgramIcon, TitleBar::IconSize()));
      QVERIFY(!bar->IconImage().isNull());
      QVERIFY(tb::ui::GrabToPng(&about, ScreenshotPath("about-title" + suffix)));

      FilePickerOptions options;
      options.titleNumber = 25015;
      options.filter = "*.ico";
      options.icon = tb::ui::kPictureIcon;
      FilePickerDialog picker(nullptr, options);
      picker.resize(tb::ui::ScaleX(240), tb::ui::ScaleY(320));
      auto* pickerBar = picker.findChild<TitleBar*>();
      QVERIFY(pickerBar != nullptr);
      QCOMPARE(pickerBar->IconImage(), tb::ui::IconResource(tb::ui::kPictureIcon, TitleBar::IconSize()));
      QVERIFY(tb::ui::GrabToPng(&picker, ScreenshotPath("file-picker-title" + suffix)));

      // No icon named: the caption keeps the text position of the others.
      PasswordEntryDialog password(nullptr, settings, nullptr, {u"Home", 64});
      password.show();
      QVERIFY(QTest::qWaitForWindowExposed(&password));
      QVERIFY(FindControl<TitleBar>(&password, kIdTitleBar)->IconImage().isNull());
      QVERIFY(tb::ui::GrabToPng(&password, ScreenshotPath("password-title" + suffix)));
      password.hide();
    }
    FontService::Init(true, 0);
  }

  void keypadKeysTakeTheNinePointBoldTableFont() {
    for (int dpi : {96, 192}) {
      ScopedDpi scoped(dpi);
      FontService::Init(true, 0);
      tb::shell::Settings settings = SettingsFor(false);
      PasswordEntryDialog dialog(nullptr, settings, nullptr, {});
      const QFont* table = FontService::Font(tb::ui::kFont9Bold);
      for (int id = kIdKey0; id <= kIdKeyOk; ++id) {
        auto* key = FindControl<QPushButton>(&dialog, id);
        QVERIFY(key != nullptr);
        key->ensurePolished();  // a style sheet would win over the widget's font here
        QCOMPARE(key->font().pixelSize(), dpi == 96 ? 12 : 24);
        QCOMPARE(key->font().weight(), QFont::Bold);
        QCOMPARE(key->font().family(), table->family());
      }
    }
    FontService::Init(true, 0);
  }
};

TB_QT_TEST(TitleBarTest)

}  // namespace tb::dialogs::test

#include "title_bar_test.moc"
