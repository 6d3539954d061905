// Start-up over what it reads being unusable: no language module it can
// load beside the program, and a settings file it cannot read. The program
// says so and goes no further (no module), or runs on its defaults and
// leaves the settings file exactly as it found it (settings).
#include <QDir>
#include <QTest>
#include <QUuid>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bad_input_fixture.h"
#include "platform/core/text_convert.h"
#include "platform/ui/test_doubles.h"
#include "shell/startup/startup.h"
#include "support/temp_dir.h"
#include "ui_support/qt_test.h"

using namespace tb::shell;
using namespace tb::test::bad;
using tb::test::TempDir;
using tb::ui::ScriptedMessageBoxes;

namespace {

const char kSettings[] =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\Quillimarsten\\Tamberlock Pro 5]\n"
    "\"Count6\"=dword:00000007\n"
    "\"FontMain\"=dword:0000000c\n"
    "\"MRU\"=\"/home/someone/Documents/Household.tb5\"\n"
    "\"Version\"=dword:00000296\n";

StartupOptions Options(const std::string& registry, const std::string& modules, std::vector<std::string> args = {}) {
  StartupOptions options;
  options.args = std::move(args);
  options.registryPath = registry;
  options.moduleFolder = modules;
  options.instanceName = QStringLiteral("tbbad-") + QUuid::createUuid().toString(QUuid::Id128);
  options.programPath = u"/opt/tamberlock/ostreltbpro2006";
  return options;
}

// The main window with a password prompt that gives the fixture's password.
MainWindowFactory WindowFor(const std::u16string& password, int* made) {
  return [password, made](AppContext& context) {
    ++*made;
    auto window = std::make_unique<MainWindow>(context);
    window->passwordPrompt = [password](const WalletPrompt&) -> std::optional<tb::storage::Text> {
      return tb::storage::ToText(password);
    };
    return window;
  };
}

}  // namespace

class BadStartupInputTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutAUsableLanguageModuleTheProgramSaysSoAndEnds() {
    const std::string real = ReadBytes(TB_MODULE_DIR "/ostreltbpro2006.exe.0409.mui");
    QVERIFY(real.size() > 1000);
    const struct {
      const char* what;
      std::string file;  // beside the program as its English module; empty: none at all
    } cases[] = {
        {"no module", ""},
        {"a module that is no module", std::string(4096, '\x5a')},
        {"a module cut short", real.substr(0, real.size() / 2)},
        {"a module with its last byte gone", real.substr(0, real.size() - 1)},
    };
    for (const auto& c : cases) {
      TempDir settings, modules;
      const std::string registry = settings.File("registry.reg");
      WriteBytes(registry, kSettings);
      Backdate(registry);
      if (!c.file.empty()) WriteBytes(modules.File("ostreltbpro2006.exe.0409.mui"), c.file);
      const FileState before = FileState::Of(registry);
      ScriptedMessageBoxes boxes;
      int made = 0;
      {
        Program program(Options(registry, modules.Path()));
        QVERIFY2(!program.Start(WindowFor(u"secret", &made)), c.what);
        QCOMPARE(program.Outcome(), StartupOutcome::NoLanguageModule);
        program.CleanUp();
      }
      QCOMPARE(made, 0);
      QCOMPARE(boxes.Count(), size_t(1));
      QCOMPARE(boxes.Last().text, QString("Failed to load resources.  Please re-install."));
      QCOMPARE(boxes.Last().caption, QString("Tamberlock Pro 2006"));
      QCOMPARE(boxes.Last().icon, tb::ui::MessageIcon::Stop);
      // Nothing was loaded: every text of the program reads "*".
      QCOMPARE(tb::ui::CurrentTextSource(), nullptr);
      QCOMPARE(tb::ui::Text(20500), QString("*"));
      QVERIFY2(FileState::Of(registry) == before, c.what);
    }
  }

  void anUnreadableSettingsFileIsNeitherUsedNorWrittenOver() {
    const std::string good = kSettings;
    const struct {
      const char* what;
      std::function<void(const std::string&)> make;
      bool permissions = false;  // the file's permissions keep it from being read
    } cases[] = {
        {"cut short in a line", [&](const std::string& p) { WriteBytes(p, good.substr(0, good.find("Documents"))); }},
        {"binary", [](const std::string& p) { WriteBytes(p, std::string("\x00\x01\xfe\xff\x00regedit\x00", 13)); }},
        {"a folder", [](const std::string& p) { QDir().mkpath(QString::fromStdString(p)); }},
        {"larger than settings ever are",
         [&](const std::string& p) {
           WriteBytes(p, good);
           QCOMPARE(truncate(p.c_str(), 17 << 20), 0);
         }},
        {"not readable by its user",
         [&](const std::string& p) {
           WriteBytes(p, good);
           chmod(p.c_str(), 0200);
         },
         true},
    };
    for (const auto& c : cases) {
      tb::test::TestWallet wallet;  // the wallet the program opens
      wallet.wallet().Close();
      TempDir settings;
      const std::string registry = settings.File("registry.reg");
      c.make(registry);
      Backdate(registry);
      ScopedFilePermissions permissions;
      if (c.permissions && CanOpen(registry, O_RDONLY)) QSKIP("this process reads unreadable files");
      const FileState before = FileState::Of(registry);
      ScriptedMessageBoxes boxes;
      int made = 0;
      {
        Program program(Options(registry, TB_MODULE_DIR, {wallet.path()}));
        QVERIFY2(program.Start(WindowFor(wallet.password(), &made)), c.what);
        QCOMPARE(made, 1);
        // Said once, with the file's path; then the defaults, so this is a first run.
        QVERIFY(boxes.Count() >= 2);
        QCOMPARE(boxes.Shown()[0].captionNumber, tb::ui::kCaptionError);
        QCOMPARE(boxes.Shown()[0].text,
                 tb::ui::Text(kStrSettingsUnreadable).replace("%s", QString::fromStdString(registry)));
        QCOMPARE(boxes.Shown()[1].textNumber, kStrFirstRun);
        const Settings& s = program.Context().settings;
        QCOMPARE(s.count6, 0u);
        QCOMPARE(s.fontMain, 9u);
        // The run changes what would be saved: the wallet it opened.
        QVERIFY(program.Context().wallet.IsOpen());
        QCOMPARE(tb::platform::ToUtf8(s.mru), wallet.path());
        program.CleanUp();
      }
      QVERIFY2(FileState::Of(registry) == before, c.what);
      chmod(registry.c_str(), 0600);
    }
  }
};

TB_QT_TEST(BadStartupInputTest)
#include "startup_input_test.moc"
