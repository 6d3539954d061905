// The About box: its texts by string number, its version line, and Done.
#include <QLabel>
#include <QTest>

#include "dialogs/about_dialog.h"
#include "dialogs_fixture.h"
#include "platform/ui/controls.h"
#include "platform/ui/soft_key_bar.h"
#include "ui_support/qt_test.h"

namespace tb::dialogs::test {

class AboutTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { tb::ui::SetTextSource(&English()); }
  void cleanup() { tb::ui::SetTextSource(nullptr); }

  void showsTheVersionLineAndEndsWithDone() {
    const tb::shell::Settings settings = SettingsFor(false);
    QCOMPARE(AboutVersionText(), QStringLiteral("6.62"));
    AboutDialog about(nullptr, settings);
    QCOMPARE(about.VersionLine(), QStringLiteral("Version 6.62"));
    auto* version = tb::ui::FindControl<QLabel>(&about, kAboutVersionLabelId);
    QVERIFY(version != nullptr);
    WhenDialogShows(kAboutTemplate, [](tb::ui::ModalDialog& d) {
      QVERIFY(tb::ui::GrabToPng(&d, ScreenshotPath("about")));
      d.MenuBar()->PressLeft();  // Done
    });
    QCOMPARE(about.RunModal(), 1);
  }
};

TB_QT_TEST(AboutTest)

}  // namespace tb::dialogs::test

#include "about_test.moc"
