// tbsetup end to end in this process, over the files of the build: an
// installation into a folder with spaces, quotes and non-ASCII in its name
// (files, manifest, samples, the seeded MRU that the installed tbwallet
// opens, the menu entry that passes validation, the file types a fresh
// process sees), its removal (exactly the manifest's files), and the
// refusals: a folder never installed, manifests that name what is not
// ours, a cancelled confirmation, missing samples, no documents folder.
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <sstream>

#include "setup/host/tbsetup.h"
#include "setup_fixture.h"
#include "ui_support/qt_test.h"

using namespace tb::test;
namespace fs = std::filesystem;

namespace {

struct Run {
  int rc;
  std::string out, err;
};

Run Tbsetup(const std::vector<std::string>& args, const tb::setup::SetupEnvironment& env) {
  std::ostringstream out, err;
  const int rc = tb::setup::RunTbsetup(args, out, err, env);
  return {rc, out.str(), err.str()};
}

tb::setup::SetupEnvironment EnvFor(const SetupWorld& world) {
  tb::setup::SetupEnvironment env;
  env.sourceFolder = TB_MODULE_DIR;
  env.dataHome = world.dir.File("data");
  return env;
}

QString RunProgram(const QString& program, const QStringList& args, const QByteArray& input = {},
                   const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), int* rc = nullptr) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  p.write(input);
  p.closeWriteChannel();
  p.waitForFinished(30000);
  if (rc) *rc = p.exitCode();
  return QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
}

std::vector<std::string> ManifestFiles(const std::string& dir) {
  std::vector<std::string> files;
  std::istringstream in(ReadAll(dir + "/.tbsetup-manifest"));
  for (std::string line; std::getline(in, line);)
    if (line.rfind("file ", 0) == 0) files.push_back(line.substr(5));
  return files;
}

}  // namespace

class TbsetupTest : public QObject {
  Q_OBJECT

 private slots:
  void installsUseAndRemoves() {
    SetupWorld world;
    const std::string dir = world.dir.File("Tam 'b\"er $lock \xc3\xa4%\\x");
    const tb::setup::SetupEnvironment env = EnvFor(world);
    const Run install = Tbsetup({"install", dir, "--yes"}, env);
    QVERIFY2(install.rc == 0, install.err.c_str());

    // The program's files, the chosen language's module only, the manifest.
    std::vector<std::string> want{".tbsetup-manifest", "TamberlockPro2006_MobileSetup.so",
                                  "ostreltbpro2006",   "ostreltbpro2006.exe.0409.mui",
                                  "tbpro.htm",         "tbsetup",
                                  "tbwallet"};
    QCOMPARE(SetupWorld::Names(dir), want);
    QVERIFY(fs::status(dir + "/tbwallet").permissions() != fs::perms::none &&
            (fs::status(dir + "/tbwallet").permissions() & fs::perms::owner_exec) != fs::perms::none);
    const std::vector<std::string> listed = ManifestFiles(dir);
    QVERIFY(std::find(listed.begin(), listed.end(), dir + "/ostreltbpro2006.exe.0407.mui") != listed.end());
    QVERIFY(std::find(listed.begin(), listed.end(), env.dataHome + "/applications/tamberlock-pro.desktop") !=
            listed.end());

    // The samples under their English names, the wallet as the one the
    // program opens first; the installed tbwallet opens it.
    QCOMPARE(SetupWorld::Names(world.samples),
             (std::vector<std::string>{"Form Sample.tbx", "Import Sample.txt", "My Sample Wallet.tb5"}));
    const std::string mru = tb::platform::ToUtf8(world.Value(u"MRU")->text);
    QCOMPARE(mru, world.samples + "/My Sample Wallet.tb5");
    int rc = -1;
    const QString info = RunProgram(QString::fromStdString(dir + "/tbwallet"), {"info", QString::fromStdString(mru)},
                                    "1234\n", QProcessEnvironment::systemEnvironment(), &rc);
    QCOMPARE(rc, 0);
    QVERIFY2(info.contains("Cards: 13"), qPrintable(info));

    // The installed program comes up with the seeded wallet's password
    // prompt (its picture is taken in screenshot mode; without a wallet to
    // open only the wallets manager would show).
    const std::string pictures = world.dir.File("pictures");
    fs::create_directories(pictures);
    QProcessEnvironment programEnv = QProcessEnvironment::systemEnvironment();
    programEnv.insert("QT_QPA_PLATFORM", "offscreen");
    RunProgram(QString::fromStdString(dir + "/ostreltbpro2006"), {"--screenshot", QString::fromStdString(pictures)}, {},
               programEnv, &rc);
    QCOMPARE(rc, 0);
    QVERIFY2(There(pictures + "/Dialog114.png"), "no password prompt for the seeded wallet");

    // The menu entry starts the installed program, quoted as the rules ask.
    const std::string entry = ReadAll(env.dataHome + "/applications/tamberlock-pro.desktop");
    QVERIFY(entry.find("Exec=" + tb::setup::DesktopExec(dir + "/ostreltbpro2006") + "\n") != std::string::npos);
    if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
      const QString problems = RunProgram(
          "desktop-file-validate", {QString::fromStdString(env.dataHome + "/applications/tamberlock-pro.desktop")}, {},
          QProcessEnvironment::systemEnvironment(), &rc);
      QVERIFY2(rc == 0 && problems.isEmpty(), qPrintable(problems));
    }

    // A fresh process types the samples by name and by content; an old
    // ".wal", whose text starts the same, is no wallet.
    if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
      fs::copy_file(mru, world.dir.File("nameless"));
      fs::copy_file(world.samples + "/Form Sample.tbx", world.dir.File("nameless form"));
      fs::copy_file(TB_SOURCE_DIR "/tests/data/legacy.wal", world.dir.File("old"));
      QProcessEnvironment probeEnv = QProcessEnvironment::systemEnvironment();
      probeEnv.insert("XDG_DATA_HOME", QString::fromStdString(env.dataHome));
      const QStringList types =
          RunProgram(
              TB_TESTS_DIR "/tb_mime_probe",
              {QString::fromStdString(mru), QString::fromStdString(world.samples + "/Form Sample.tbx"),
               QString::fromStdString(world.dir.File("nameless")),
               QString::fromStdString(world.dir.File("nameless form")), QString::fromStdString(world.dir.File("old"))},
              {}, probeEnv)
              .split('\n', Qt::SkipEmptyParts);
      QCOMPARE(types, (QStringList{"application/x-tamberlock-wallet", "application/x-tamberlock-form",
                                   "application/x-tamberlock-wallet", "application/x-tamberlock-form",
                                   "application/octet-stream"}));
    }

    // Removal: exactly what the manifest names; the user's file, the
    // samples and the folder holding the user's file stay.
    WriteAll(dir + "/my notes.txt", "mine");
    const Run uninstall = Tbsetup({"uninstall", dir, "--yes"}, env);
    QVERIFY2(uninstall.rc == 0, uninstall.err.c_str());
    QCOMPARE(SetupWorld::Names(dir), (std::vector<std::string>{"my notes.txt"}));
    for (const std::string& file : listed) QVERIFY2(!There(file), file.c_str());
    QCOMPARE(SetupWorld::Names(world.samples).size(), size_t(3));
    QVERIFY(!world.Settings().KeyExists(kSettingsKey));  // --yes: the settings go too
  }

  void refusesWhatIsNotItsToRemove() {
    SetupWorld world;
    const tb::setup::SetupEnvironment env = EnvFor(world);
    const std::string dir = world.dir.File("installed");
    fs::create_directories(dir);
    const std::string victim = world.dir.File("victim.txt");
    WriteAll(victim, "keep");
    fs::create_directories(world.dir.File("outside"));
    WriteAll(world.dir.File("outside/file"), "keep");
    fs::create_symlink(world.dir.File("outside"), dir + "/through");
    WriteAll(dir + "/tbwallet", "ours");
    fs::create_directories(env.dataHome + "/applications");
    WriteAll(env.dataHome + "/applications/other.desktop", "keep");

    Run r = Tbsetup({"uninstall", dir}, env);
    QCOMPARE(r.rc, 1);
    QVERIFY(r.err.find("holds no installation") != std::string::npos);

    const std::string head = "# tbsetup manifest 1\ndata " + env.dataHome + "\nfile " + dir + "/tbwallet\n";
    for (const std::string& bad : {victim, dir + "/../victim.txt", dir + "/through/file",
                                   env.dataHome + "/applications/other.desktop", std::string("relative/file")}) {
      WriteAll(dir + "/.tbsetup-manifest", head + "file " + bad + "\n");
      r = Tbsetup({"uninstall", dir, "--yes"}, env);
      QCOMPARE(r.rc, 1);
      QVERIFY2(r.err.find("nothing was removed") != std::string::npos, r.err.c_str());
      QVERIFY(There(dir + "/tbwallet"));
    }
    QCOMPARE(ReadAll(victim), std::string("keep"));
    QCOMPARE(ReadAll(world.dir.File("outside/file")), std::string("keep"));
    QCOMPARE(ReadAll(env.dataHome + "/applications/other.desktop"), std::string("keep"));
  }

  void aCancelledConfirmationCopiesNothing() {
    SetupWorld world;
    const tb::setup::SetupEnvironment env = EnvFor(world);
    const std::string dir = world.dir.File("never");
    Answerer answers;
    answers.Queue(QMessageBox::Cancel);
    const Run r = Tbsetup({"install", dir}, env);
    QCOMPARE(r.rc, 1);
    QCOMPARE(answers.boxes.size(), size_t(1));
    QVERIFY(!There(dir));
    QVERIFY(!There(world.samples));
    QVERIFY(!There(env.dataHome));
  }

  void missingSamplesAndNoDocumentsFolderAreSaid() {
    SetupWorld world;
    tb::setup::SetupEnvironment env = EnvFor(world);
    // A source without its samples.
    env.sourceFolder = world.dir.File("source");
    fs::create_directories(env.sourceFolder);
    for (const auto& e : fs::directory_iterator(TB_MODULE_DIR))
      if (e.path().filename() != "samples")
        fs::create_symlink(e.path(), env.sourceFolder + "/" + e.path().filename().string());
    Run r = Tbsetup({"install", world.dir.File("a"), "--yes"}, env);
    QVERIFY2(r.rc == 0, r.err.c_str());
    QVERIFY(SetupWorld::Names(world.samples).empty());

    // The documents folder cannot be made: the program is installed, and
    // the run says what it could not do.
    WriteAll(world.dir.File("file"), "x");
    world.env.Set("XDG_DOCUMENTS_DIR", world.dir.File("file/Documents"));
    r = Tbsetup({"install", world.dir.File("b"), "--yes"}, EnvFor(world));
    QCOMPARE(r.rc, 1);
    QVERIFY(r.err.find("no documents folder") != std::string::npos);
    QVERIFY(There(world.dir.File("b/ostreltbpro2006")));
  }

  void usageAndHelp() {
    SetupWorld world;
    const tb::setup::SetupEnvironment env = EnvFor(world);
    QCOMPARE(Tbsetup({}, env).rc, 2);
    QCOMPARE(Tbsetup({"install"}, env).rc, 2);
    QCOMPARE(Tbsetup({"remove", "x"}, env).rc, 2);
    QCOMPARE(Tbsetup({"install", "x", "--force"}, env).rc, 2);
    QCOMPARE(Tbsetup({"install", "a\nb", "--yes"}, env).rc, 2);
    const Run help = Tbsetup({"--help"}, env);
    QCOMPARE(help.rc, 0);
    QVERIFY(help.out.find("Exit status: 0 success, 1") != std::string::npos);
  }

  void menuEntryQuoting() {
    const struct {
      std::string path, exec;
    } cases[] = {
        {"/opt/tb/ostreltbpro2006", "\"/opt/tb/ostreltbpro2006\" %f"},
        {"/home/a b/x", "\"/home/a b/x\" %f"},
        {"/q\"u`o$te", "\"/q\\\\\"u\\\\`o\\\\$te\" %f"},
        {"/back\\slash", "\"/back\\\\\\\\slash\" %f"},
        {"/100%", "\"/100%%\" %f"},
    };
    for (const auto& c : cases) QCOMPARE(tb::setup::DesktopExec(c.path), c.exec);
  }
};

TB_QT_TEST(TbsetupTest)
#include "tbsetup_test.moc"
