// The setup library loaded by name in this process, answered through the
// widgets it shows: the system version check, the confirmation in each
// language, the language dialog and the modules it keeps, the samples and
// MRU, the settings file (never written over when it cannot be read), the
// removal's clean requests, and the running program asked to close.
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

#include "platform/core/instance_channel.h"
#include "setup_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::test;
using Box = QMessageBox;

namespace {

const QString kConfirmEnglish = QString::fromUtf8("Install Tamberlock\u00ae Pro 2006, Version 6.62?");

void MakeModules(const std::string& folder, std::initializer_list<const char*> ids) {
  for (const char* id : ids) WriteAll(folder + "/ostreltbpro2006.exe." + id + ".mui", "module");
}

}  // namespace

class SetupLibraryTest : public QObject {
  Q_OBJECT

 private slots:
  void onlyFourEntryPointsAreExported() {
    LoadedLibrary lib;
    QVERIFY(lib.handle);
    QVERIFY(lib.installInit && lib.installExit && lib.uninstallInit && lib.uninstallExit);
    // Nothing of the program's code inside is reachable from outside.
    QVERIFY(!dlsym(lib.handle, "_ZN2tb8platform15PlatformTypeEv"));
    QVERIFY(!dlsym(lib.handle, "_ZN2tb5setup10SetupTextEjt"));
  }

  void theSystemVersionDecidesFirst() {
    const struct {
      const char* version;  // nullptr: not set (5.01)
      bool asks;
    } cases[] = {{"5.00", false}, {"5.01", true}, {"5.02", true}, {nullptr, true}, {"6.0", false}, {"fail", false}};
    for (const auto& c : cases) {
      SetupWorld world;
      world.env.Set("TB_OS_VERSION", c.version ? std::optional<std::string>(c.version) : std::nullopt);
      LoadedLibrary lib;
      Answerer answers;
      const int32_t result = lib.installInit(nullptr, 1, 0, world.install.c_str());
      QCOMPARE(result, c.asks ? TB_SETUP_CONTINUE : TB_SETUP_CANCEL);
      QCOMPARE(int(answers.boxes.size()), c.asks ? 1 : 0);
      if (c.asks) {
        QCOMPARE(answers.boxes[0].title, QString("Quillimarsten"));
        QVERIFY(answers.boxes[0].text.startsWith(kConfirmEnglish));
        QVERIFY(answers.boxes[0].text.contains(
            QRegularExpression(QString::fromUtf8("Copyright \u00a9 20\\d\\d Quillimarsten"))));
        QCOMPARE(answers.boxes[0].icon, Box::Information);
        QCOMPARE(answers.boxes[0].buttons, Box::Ok | Box::Cancel);
        // The key is there for the program from now on.
        QVERIFY(world.Settings().KeyExists(kSettingsKey));
      }
    }
    // Cancel cancels.
    SetupWorld world;
    LoadedLibrary lib;
    Answerer answers;
    answers.Queue(Box::Cancel);
    QCOMPARE(lib.installInit(nullptr, 1, 0, world.install.c_str()), TB_SETUP_CANCEL);
  }

  void theConfirmationSpeaksTheUsersLanguage() {
    const struct {
      const char* locale;
      const char* start;
    } cases[] = {
        {"en_GB.UTF-8", "Install Tamberlock"},
        {"de_DE.UTF-8", "Tamberlock\u00ae Pro 2006, Version 6.62, jetzt installieren?"},
        {"fr_FR.UTF-8", "Installer Tamberlock"},
        {"nl_NL.UTF-8", "Tamberlock\u00ae Pro 2006, Version 6.62 nu installeren?"},
        {"it_IT.UTF-8", "Installare Tamberlock"},
        {"es_ES.UTF-8", "\u00bfInstalar Tamberlock"},
        {"nb_NO.UTF-8", "Installere Tamberlock"},
        {"ru_RU.UTF-8", "\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u0438\u0442\u044c Tamberlock"},
        {"sv_SE.UTF-8", "Installera Tamberlock"},
        {"pt_BR.UTF-8", "Install Tamberlock"},  // no Portuguese: English
    };
    for (const auto& c : cases) {
      SetupWorld world(c.locale);
      LoadedLibrary lib;
      Answerer answers;
      lib.installInit(nullptr, 1, 0, world.install.c_str());
      QVERIFY2(answers.boxes.size() == 1 && answers.boxes[0].text.startsWith(QString::fromUtf8(c.start)), c.locale);
    }
  }

  void anUnreadableSettingsFileIsToldAndNeverWrittenOver() {
    SetupWorld world;
    WriteAll(world.registry, "this is no registry file\n");
    MakeModules(world.install, {"0409", "0407"});
    LoadedLibrary lib;
    Answerer answers;
    QCOMPARE(lib.installInit(nullptr, 1, 0, world.install.c_str()), TB_SETUP_CONTINUE);
    QCOMPARE(answers.boxes.size(), size_t(2));
    QCOMPARE(answers.boxes[0].title, QString("TB Error Install_Init"));
    QVERIFY(answers.boxes[0].text.startsWith(
        "RegCreateKeyEx (HKEY_CURRENT_USER, SOFTWARE\\Quillimarsten\\Tamberlock Pro 5"));
    QVERIFY(answers.boxes[1].text.startsWith(kConfirmEnglish));
    QCOMPARE(lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0), TB_SETUP_CONTINUE);
    QCOMPARE(answers.boxes[2].title, QString("TB error test"));
    lib.uninstallInit(nullptr, world.install.c_str());
    lib.uninstallExit(nullptr);
    QCOMPARE(ReadAll(world.registry), std::string("this is no registry file\n"));
  }

  void theChosenLanguageKeepsItsModuleOnly() {
    SetupWorld world("de_DE.UTF-8");
    MakeModules(world.install, {"0409", "0407", "040c"});
    // Files that only look like modules are not the program's.
    for (const char* other : {"ostreltbpro2006.exe.zzzz.mui", "other.exe.0407.mui", "ostreltbpro2006.exe.0407.mui.bak"})
      WriteAll(world.install + "/" + other, "not ours");
    std::filesystem::create_directory(world.install + "/ostreltbpro2006.exe.0410.mui");
    const std::string target = world.dir.File("elsewhere.mui");
    WriteAll(target, "someone's");
    std::filesystem::create_symlink(target, world.install + "/ostreltbpro2006.exe.0413.mui");

    LoadedLibrary lib;
    Answerer answers;
    QStringList offered;
    int firstSelected = -1;
    answers.onLanguage = [&](QDialog& d) {
      auto* combo = d.findChild<QComboBox*>();
      for (int i = 0; i < combo->count(); ++i) offered << combo->itemText(i);
      firstSelected = combo->currentIndex();
      combo->setCurrentIndex(2);  // French
      d.accept();
    };
    QCOMPARE(lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0), TB_SETUP_CONTINUE);
    QCOMPARE(answers.languageDialogName, QString("Language106"));
    QCOMPARE(offered, (QStringList{"German (Germany)", "English (United States)", "French (France)"}));
    QCOMPARE(firstSelected, 0);  // the interface language
    std::vector<std::string> left{"ostreltbpro2006.exe.040c.mui", "ostreltbpro2006.exe.0410.mui",
                                  "ostreltbpro2006.exe.0413.mui", "ostreltbpro2006.exe.0407.mui.bak",
                                  "ostreltbpro2006.exe.zzzz.mui", "other.exe.0407.mui"};
    std::sort(left.begin(), left.end());
    QCOMPARE(SetupWorld::Names(world.install), left);
    QCOMPARE(ReadAll(target), std::string("someone's"));
    QCOMPARE(world.Value(u"LangPref")->dword, 0x040cu);
  }

  void cancelTakesTheSelectionAndOneModuleIsNotAsked() {
    {
      SetupWorld world("pt_BR.UTF-8");  // no module of its language: English is first selected
      MakeModules(world.install, {"0407", "0409"});
      LoadedLibrary lib;
      Answerer answers;
      answers.onLanguage = [](QDialog& d) { d.reject(); };
      lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0);
      QCOMPARE(answers.languageDialogs, 1);
      QCOMPARE(SetupWorld::Names(world.install), (std::vector<std::string>{"ostreltbpro2006.exe.0409.mui"}));
      QCOMPARE(world.Value(u"LangPref")->dword, 0x0409u);
    }
    {
      SetupWorld world("de_CH.UTF-8");
      MakeModules(world.install, {"040c"});
      LoadedLibrary lib;
      Answerer answers;
      lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0);
      QCOMPARE(answers.languageDialogs, 0);
      QCOMPARE(SetupWorld::Names(world.install), (std::vector<std::string>{"ostreltbpro2006.exe.040c.mui"}));
      QCOMPARE(world.Value(u"LangPref")->dword, 0x040cu);
    }
  }

  void smartphoneShowsTheWelcomeList() {
    SetupWorld world("de_AT.UTF-8");  // same primary language as German (Germany)
    world.env.Set("TB_PLATFORM", "smartphone");
    MakeModules(world.install, {"0409", "0407"});
    LoadedLibrary lib;
    Answerer answers;
    QString title;
    int selected = -1;
    answers.onLanguage = [&](QDialog& d) {
      title = d.windowTitle();
      auto* list = d.findChild<QListWidget*>();
      QVERIFY(d.findChild<QSpinBox*>());
      selected = list->currentRow();
      d.accept();
    };
    lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0);
    QCOMPARE(answers.languageDialogName, QString("Language105"));
    QCOMPARE(title, QString("Welcome!"));
    QCOMPARE(selected, 0);
    QCOMPARE(world.Value(u"LangPref")->dword, 0x0407u);
  }

  void samplesTakeTheirLocalNamesAndNothingOfTheUsersIsLost() {
    const std::string de = "Meine Beispiel-Brieftasche.tb5";
    const struct {
      const char* what;
      std::vector<std::pair<std::string, std::string>> before;  // name, content
      std::vector<std::pair<std::string, std::string>> after;
    } cases[] = {
        {"fresh",
         {{"Sample Wallet.tb5", "w"}, {"Import Sample.txt", "i"}, {"Form Sample.tbx", "f"}},
         {{"Beispielformular.tbx", "f"}, {"Beispielimport.txt", "i"}, {de, "w"}}},
        {"over localised files",
         {{"Sample Wallet.tb5", "w"}, {"Import Sample.txt", "i"}, {de, "mine"}, {"Beispielimport.txt", "mine too"}},
         {{"Beispielimport.txt", "mine too"}, {de, "mine"}}},
        {"an earlier English wallet, its name free",
         {{"My Sample Wallet.tb5", "cards of mine"}},
         {{de, "cards of mine"}}},
        {"an earlier English wallet and a localised one",
         {{"My Sample Wallet.tb5", "cards of mine"}, {de, "more of mine"}, {"Sample Wallet.tb5", "w"}},
         {{de, "more of mine"}, {"My Sample Wallet.tb5", "cards of mine"}}},
    };
    for (const auto& c : cases) {
      SetupWorld world("de_DE.UTF-8");
      std::filesystem::create_directories(world.samples);
      for (const auto& [name, content] : c.before) WriteAll(world.samples + "/" + name, content);
      LoadedLibrary lib;
      Answerer answers;
      lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0);
      std::vector<std::pair<std::string, std::string>> after;
      for (const std::string& name : SetupWorld::Names(world.samples))
        after.push_back({name, ReadAll(world.samples + "/" + name)});
      auto want = c.after;
      std::sort(want.begin(), want.end());
      QVERIFY2(after == want, c.what);
      QCOMPARE(world.Value(u"MRU")->text, tb::platform::FromUtf8(world.samples + "/" + de));
    }
  }

  void anMruOfFiveOrMoreCharactersStays() {
    const struct {
      std::u16string mru;
      bool kept;
    } cases[] = {{u"/a/b", false}, {u"/a/bc", true}, {u"", false}};
    for (const auto& c : cases) {
      SetupWorld world;
      world.SetValues([&](tb::platform::Registry& r) { r.SetString(kSettingsKey, u"MRU", c.mru); });
      LoadedLibrary lib;
      Answerer answers;
      lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0);
      QCOMPARE(world.Value(u"MRU")->text,
               c.kept ? c.mru : tb::platform::FromUtf8(world.samples + "/My Sample Wallet.tb5"));
    }
  }

  void removalAsksUnlessToldToClean() {
    const struct {
      const char* what;
      std::optional<uint32_t> clean, clean2;
      std::optional<Box::StandardButton> answer;  // to the question, when asked
      bool removed;
      bool otherValueInParent;
    } cases[] = {
        {"Clean = 1", 1, std::nullopt, std::nullopt, true, false},
        {"Clean2 = 1", std::nullopt, 1, std::nullopt, true, false},
        {"Clean = 0 wins over Clean2 = 1, Yes", 0, 1, Box::Yes, true, false},
        {"nothing, No", std::nullopt, std::nullopt, Box::No, false, false},
        {"nothing, Yes, the parent holds more", std::nullopt, std::nullopt, Box::Yes, true, true},
    };
    const std::string parent = "HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten";
    for (const auto& c : cases) {
      SetupWorld world;
      world.SetValues([&](tb::platform::Registry& r) {
        r.SetDword(kSettingsKey, u"Count6", 3);
        if (c.clean) r.SetDword(kSettingsKey, u"Clean", *c.clean);
        if (c.clean2) r.SetDword(kSettingsKey, u"Clean2", *c.clean2);
        if (c.otherValueInParent) r.SetDword(parent, u"Other", 1);
      });
      LoadedLibrary lib;
      Answerer answers;
      if (c.answer) answers.Queue(*c.answer);
      QCOMPARE(lib.uninstallInit(nullptr, world.install.c_str()), TB_SETUP_CONTINUE);
      QCOMPARE(lib.uninstallExit(nullptr), TB_SETUP_CONTINUE);
      const tb::platform::Registry after = world.Settings();
      QVERIFY2(after.KeyExists(kSettingsKey) != c.removed, c.what);
      QCOMPARE(after.KeyExists(parent), !c.removed || c.otherValueInParent);
      if (c.answer) {
        QCOMPARE(answers.boxes.size(), size_t(2));
        QCOMPARE(answers.boxes[0].text,
                 QString("Remove the settings of Tamberlock Pro Version 6.62?\n\nYes removes your "
                         "preferences and the list of recently used wallets of Tamberlock Pro. "
                         "Your wallets are not removed."));
        QCOMPARE(answers.boxes[0].icon, Box::Question);
        QCOMPARE(answers.boxes[1].text, QString("Tamberlock Pro has been removed. Your wallets and the samples stay in "
                                                "your documents folder."));
      } else {
        QCOMPARE(answers.boxes.size(), size_t(0));  // a clean removal says nothing
      }
    }
  }

  void aCleanRequestIsCarriedAcrossAReinstallation() {
    SetupWorld world;
    world.SetValues([](tb::platform::Registry& r) { r.SetDword(kSettingsKey, u"Clean", 1); });
    LoadedLibrary lib;
    Answerer answers;
    lib.installExit(nullptr, world.install.c_str(), 0, 0, 0, 0, 0);
    QCOMPARE(world.Value(u"Clean2")->dword, 1u);
  }

  void aRunningProgramIsClosedAndWaitedFor() {
    SetupWorld world;
    const tb::platform::InstanceChannelPaths paths = tb::platform::InstanceChannelPathsFor(tb::platform::kInstanceName);
    QCOMPARE(QString::fromStdString(paths.folder), QString::fromStdString(world.runtime));
    // A stand-in for the program: takes the request, saves for a while, goes.
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, paths.socket.c_str(), sizeof address.sun_path - 1);
    QCOMPARE(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    QCOMPARE(listen(listener, 4), 0);
    std::string received;
    std::thread program([&] {
      const int c = accept(listener, nullptr, nullptr);
      char ch;
      while (read(c, &ch, 1) == 1 && ch != '\n') received += ch;
      close(c);
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      close(listener);
      unlink(paths.socket.c_str());
    });
    LoadedLibrary lib;
    Answerer answers;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(lib.uninstallInit(nullptr, world.install.c_str()), TB_SETUP_CONTINUE);
    const qint64 waited = timer.elapsed();
    program.join();
    QCOMPARE(received, std::string("close"));
    QVERIFY2(waited >= 350, qPrintable(QString::number(waited)));
    QVERIFY(waited < 5000);
  }
};

TB_QT_TEST(SetupLibraryTest)
#include "setup_library_test.moc"
