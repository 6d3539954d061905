// The setup library's rules on their own: which names are the program's
// modules, how languages are named and first selected, and its texts in
// every language (the samples' names are file names with their extensions).
#include <QTest>

#include "setup/setup_files.h"
#include "setup/setup_language_dialog.h"
#include "setup/setup_strings.h"
#include "ui_support/qt_test.h"

using namespace tb::setup;

class SetupPiecesTest : public QObject {
  Q_OBJECT

 private slots:
  void onlyTheProgramsModuleNamesCount() {
    const struct {
      const char* name;
      int id;  // -1: not a module
    } cases[] = {{"ostreltbpro2006.exe.0409.mui", 0x0409}, {"ostreltbpro2006.exe.040C.mui", 0x040c},
                 {"ostreltbpro2006.exe.zzzz.mui", -1},     {"other.exe.0407.mui", -1},
                 {"ostreltbpro2006.exe.407.mui", -1},      {"ostreltbpro2006.exe.04070.mui", -1},
                 {"ostreltbpro2006.exe.0407.MUI", -1},     {"xostreltbpro2006.exe.0407.mui", -1},
                 {"ostreltbpro2006.exe.0407.mui.bak", -1}};
    for (const auto& c : cases) {
      uint16_t id = 0;
      QVERIFY2(ParseModuleName(c.name, &id) == (c.id >= 0), c.name);
      if (c.id >= 0) QCOMPARE(int(id), c.id);
    }
  }

  void languagesAreNamedAndChosen() {
    QCOMPARE(LanguageDisplayName(0x0409), QString("English (United States)"));
    QCOMPARE(LanguageDisplayName(0x0407), QString("German (Germany)"));
    QCOMPARE(LanguageDisplayName(0x0419), QString("Russian (Russia)"));
    QCOMPARE(LanguageDisplayName(1037), QString("Hebrew (Israel)"));
    QCOMPARE(LanguageDisplayName(1078), QString("Afrikaans (South Africa)"));
    const std::vector<uint16_t> offered{0x0407, 0x0409, 0x040c};
    QCOMPARE(InitialLanguageIndex(offered, 0x040c), 2);  // the interface language
    QCOMPARE(InitialLanguageIndex(offered, 0x0807), 0);  // its primary language
    QCOMPARE(InitialLanguageIndex(offered, 0x0416), 1);  // English
    QCOMPARE(InitialLanguageIndex({0x0407, 0x040c}, 0x0416), 0);
    QCOMPARE(InitialLanguageIndex({}, 0x0409), -1);
  }

  void everyLanguageHasItsTexts() {
    const uint16_t languages[] = {0x0409, 0x0407, 0x040c, 0x0413, 0x0410, 0x0c0a, 0x0414, 0x0419, 0x041d};
    for (const uint16_t language : languages) {
      for (uint32_t n = 224; n <= 229; ++n)
        QVERIFY2(HasSetupText(n + LanguageOffset(language)), qPrintable(QString::number(n)));
      const QString confirm = QString::fromStdU16String(SetupText(kStrInstallConfirm, language));
      QCOMPARE(confirm.count("%s"), 2);
      QCOMPARE(confirm.count("%d"), 1);
      QCOMPARE(QString::fromStdU16String(SetupText(kStrRemoveQuestion, language)).count("%s"), 3);
      QCOMPARE(QString::fromStdU16String(SetupText(kStrRemoved, language)).count("%s"), 1);
      const char* extensions[] = {".tb5", ".tbx", ".txt"};
      for (uint32_t n = kStrSampleWallet; n <= kStrSampleImport; ++n) {
        const std::string name = LocalisedSampleName(n, language);
        QVERIFY(!name.empty());
        QVERIFY(name.size() > 4 && name.substr(name.size() - 4) == extensions[n - kStrSampleWallet]);
      }
    }
    // Portuguese has none: English.
    QCOMPARE(SetupText(kStrSampleWallet, 0x0416), std::u16string(u"My Sample Wallet.tb5"));
    QCOMPARE(SetupText(kStrCaption, 0x0407), std::u16string(u"Quillimarsten"));
    QCOMPARE(SetupText(kStrShortProduct, 0x0407), std::u16string(u"Tamberlock Pro"));
    QCOMPARE(FormatSetupText(u"%s, %s (%d) 100%%",
                             {std::u16string_view(ProductName()), std::u16string_view(VersionLine()), int64_t(2026)}),
             std::u16string(u"Tamberlock\u00ae Pro 2006, Version 6.62 (2026) 100%"));
  }
};

TB_QT_TEST(SetupPiecesTest)
#include "setup_pieces_test.moc"
