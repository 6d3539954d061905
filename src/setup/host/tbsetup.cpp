#include "setup/host/tbsetup.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "platform/core/documents.h"
#include "platform/core/system.h"
#include "setup/setup_exports.h"
#include "setup/setup_files.h"

namespace tb::setup {

namespace fs = std::filesystem;

namespace {

constexpr const char* kManifestHeader = "# tbsetup manifest 1";
constexpr const char* kYesProperty = "tbSetupAnswerYes";

// The installed files besides the modules, in the source folder.
constexpr const char* kProgramFiles[] = {kProgramFile, "tbwallet", "tbsetup", kLibraryFile, "tbpro.htm"};
constexpr const char* kSamples[] = {kCabinetWallet, kCabinetImport, kCabinetForm};

// Where the desktop files go in the data folder, and the only names an
// uninstall removes there.
struct DesktopItem {
  std::string source;  // below the source's "desktop/"
  std::string target;  // below the data folder
};
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr struct {
  const char* context;
  const char* name;
} kIcons[] = {{"apps", "tamberlock-pro"},
              {"mimetypes", "application-x-tamberlock-wallet"},
              {"mimetypes", "application-x-tamberlock-form"}};

std::vector<DesktopItem> DesktopItems() {
  std::vector<DesktopItem> items;
  items.push_back({kMimeFile, std::string("mime/packages/") + kMimeFile});
  for (const int size : kIconSizes) {
    const std::string theme = std::to_string(size) + "x" + std::to_string(size);
    for (const auto& icon : kIcons) {
      const std::string rel = theme + "/" + icon.context + "/" + icon.name + ".png";
      items.push_back({"icons/" + rel, "icons/hicolor/" + rel});
    }
  }
  return items;
}

std::set<std::string> DesktopTargets() {
  std::set<std::string> targets{std::string("applications/") + kDesktopFile};
  for (const DesktopItem& item : DesktopItems()) targets.insert(item.target);
  return targets;
}

void Help(std::ostream& out) {
  out << "Usage: tbsetup install DIR [--yes]\n"
         "       tbsetup uninstall DIR [--yes]\n\n"
         "Installs Tamberlock Pro for you alone into the folder DIR, or removes it.\n\n"
         "install    copies the program, its language modules, the help page, tbwallet,\n"
         "           tbsetup and the setup library into DIR, the samples into\n"
         "           \"Tamberlock Samples\" of your documents folder, and the menu entry,\n"
         "           file types and icons into your data folder ($XDG_DATA_HOME, else\n"
         "           ~/.local/share). It asks to confirm, then for your language; the\n"
         "           modules of the other languages are removed.\n"
         "uninstall  closes a running Tamberlock Pro, removes exactly the files the\n"
         "           install wrote (listed in DIR/.tbsetup-manifest) and asks whether to\n"
         "           remove your settings. Your wallets and the samples stay.\n\n"
         "--yes      answer every question with yes (on uninstall that removes the\n"
         "           settings) and take the language first offered\n\n"
         "Exit status: 0 success, 1 the operation failed or was cancelled, 2 usage error.\n";
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  if (ec) return path;
  return p.lexically_normal().string();
}

bool HasControl(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x20 || c == 0x7F; });
}

bool IsRegular(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Copies by way of a private file beside the target, renamed over it when
// whole; keeps the source's permission bits.
bool CopyInto(const std::string& from, const std::string& to) {
  std::error_code ec;
  const std::string part = to + ".tbsetup-part";
  fs::remove(part, ec);
  if (!fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec)) {
    fs::remove(part, ec);
    return false;
  }
  fs::rename(part, to, ec);
  if (ec) {
    fs::remove(part, ec);
    return false;
  }
  return true;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteText(const std::string& path, const std::string& text) {
  const std::string part = path + ".tbsetup-part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return false;
  }
  std::error_code ec;
  fs::rename(part, path, ec);
  return !ec;
}

// ---------------------------------------------------------------- the library

struct Library {
  void* handle = nullptr;
  TbInstallInitFn installInit = nullptr;
  TbInstallExitFn installExit = nullptr;
  TbUninstallInitFn uninstallInit = nullptr;
  TbUninstallExitFn uninstallExit = nullptr;
  std::string error;

  explicit Library(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      error = dlerror();
      return;
    }
    installInit = reinterpret_cast<TbInstallInitFn>(dlsym(handle, "Install_Init"));
    installExit = reinterpret_cast<TbInstallExitFn>(dlsym(handle, "Install_Exit"));
    uninstallInit = reinterpret_cast<TbUninstallInitFn>(dlsym(handle, "Uninstall_Init"));
    uninstallExit = reinterpret_cast<TbUninstallExitFn>(dlsym(handle, "Uninstall_Exit"));
    if (!installInit || !installExit || !uninstallInit || !uninstallExit) error = "an entry point is missing";
  }
  ~Library() {
    if (handle) dlclose(handle);
  }
  bool Ok() const { return error.empty(); }
};

// The application property the library reads for --yes, set while a run lasts.
class AnswerYes {
 public:
  explicit AnswerYes(bool yes) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
      previous_ = app->property(kYesProperty);
      app->setProperty(kYesProperty, yes);
    }
  }
  ~AnswerYes() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->setProperty(kYesProperty, previous_);
  }

 private:
  QVariant previous_;
};

// ---------------------------------------------------------------- manifest

struct Manifest {
  std::string dataHome;
  std::vector<std::string> files;  // in the order written, each once
};

std::string Serialise(const Manifest& m) {
  std::string text = std::string(kManifestHeader) + "\n";
  text += "data " + m.dataHome + "\n";
  for (const std::string& f : m.files) text += "file " + f + "\n";
  return text;
}

bool ParseManifest(const std::string& text, Manifest* m) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kManifestHeader) return false;
  while (std::getline(in, line)) {
    if (line.rfind("data ", 0) == 0) {
      m->dataHome = line.substr(5);
    } else if (line.rfind("file ", 0) == 0) {
      m->files.push_back(line.substr(5));
    } else if (!line.empty()) {
      return false;
    }
  }
  return true;
}

void AddFile(Manifest* m, const std::string& path) {
  if (std::find(m->files.begin(), m->files.end(), path) == m->files.end()) m->files.push_back(path);
}

// Whether path lies below root (both normal absolute paths) and is reached
// from root without passing a link; the file itself, when there, is a
// regular file.
bool BelowWithoutLinks(const std::string& path, const std::string& root) {
  const fs::path p(path), r(root);
  if (!p.is_absolute() || p.lexically_normal() != p || !r.is_absolute()) return false;
  const fs::path rel = p.lexically_relative(r);
  if (rel.empty() || *rel.begin() == ".." || rel.string() == ".") return false;
  fs::path at = r;
  for (auto part = rel.begin(); part != rel.end(); ++part) {
    at /= *part;
    struct stat st;
    if (lstat(at.c_str(), &st) != 0) return errno == ENOENT;  // gone already: nothing to remove
    const bool last = std::next(part) == rel.end();
    if (S_ISLNK(st.st_mode)) return false;
    if (last ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode)) return false;
  }
  return true;
}

// The entries an uninstall may remove: files below DIR, and below the data
// folder only the desktop files tbsetup writes.
std::string RefusedEntry(const Manifest& m, const std::string& dir) {
  const std::set<std::string> desktop = DesktopTargets();
  for (const std::string& file : m.files) {
    if (HasControl(file)) return file;
    if (BelowWithoutLinks(file, dir)) continue;
    if (!m.dataHome.empty() && fs::path(m.dataHome).is_absolute()) {
      const std::string rel = fs::path(file).lexically_relative(m.dataHome).string();
      if (desktop.count(rel) && BelowWithoutLinks(file, m.dataHome)) continue;
    }
    return file;
  }
  return {};
}

void UpdateCaches(const SetupEnvironment& env, std::ostream& err) {
  if (!env.updateCaches) return;
  const struct {
    const char* tool;
    std::string folder;
  } runs[] = {{"update-mime-database", env.dataHome + "/mime"},
              {"update-desktop-database", env.dataHome + "/applications"}};
  for (const auto& run : runs) {
    if (QStandardPaths::findExecutable(QString::fromLatin1(run.tool)).isEmpty()) continue;
    std::error_code ec;
    if (!fs::is_directory(run.folder, ec)) continue;
    // Their notes (a folder not on the search path yet) are no news here;
    // what a failing one says is passed on.
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QString::fromLatin1(run.tool), {QString::fromStdString(run.folder)});
    const bool finished = process.waitForFinished(60000);
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
      err << "tbsetup: " << run.tool << " " << run.folder << " failed; the file types may show late\n"
          << process.readAll().toStdString();
  }
}

// ---------------------------------------------------------------- install

int Install(const std::string& dir, const SetupEnvironment& env, std::ostream& out, std::ostream& err) {
  const std::string libraryPath = env.libraryPath.empty() ? env.sourceFolder + "/" + kLibraryFile : env.libraryPath;
  Library library(libraryPath);
  if (!library.Ok()) {
    err << "tbsetup: cannot load the setup library " << libraryPath << ": " << library.error
        << "; nothing was installed\n";
    return kExitFailed;
  }
  const bool previously = IsRegular(dir + "/" + kProgramFile);
  if (library.installInit(nullptr, 1, previously ? 1 : 0, dir.c_str()) != TB_SETUP_CONTINUE) {
    err << "tbsetup: the installation was cancelled; nothing was copied\n";
    return kExitFailed;
  }

  uint32_t failedFolders = 0, failedFiles = 0;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir, ec)) {
    err << "tbsetup: cannot make the folder " << dir << "\n";
    ++failedFolders;
  }
  Manifest manifest;
  const std::string manifestPath = dir + "/" + kManifestName;
  if (IsRegular(manifestPath)) ParseManifest(ReadText(manifestPath), &manifest);
  manifest.dataHome = env.dataHome;

  std::vector<std::string> names(std::begin(kProgramFiles), std::end(kProgramFiles));
  for (const LanguageModuleFile& module : FindModules(env.sourceFolder))
    names.push_back(fs::path(module.path).filename().string());
  for (const std::string& name : names) {
    const std::string target = dir + "/" + name;
    if (CopyInto(env.sourceFolder + "/" + name, target)) {
      AddFile(&manifest, target);
    } else {
      err << "tbsetup: cannot copy " << name << " into " << dir << "\n";
      ++failedFiles;
    }
  }

  // The samples under their cabinet names; the library names them.
  const std::string samples = SamplesFolder();
  if (samples.empty() || (fs::create_directories(samples, ec), !fs::is_directory(samples, ec))) {
    err << "tbsetup: no documents folder to place the samples in\n";
    ++failedFolders;
  } else {
    for (const char* sample : kSamples) {
      const std::string from = env.sourceFolder + "/samples/" + sample;
      if (!IsRegular(from)) continue;
      if (!CopyInto(from, samples + "/" + sample)) {
        err << "tbsetup: cannot copy the sample " << sample << " into " << samples << "\n";
        ++failedFiles;
      }
    }
  }
  if (!WriteText(manifestPath, Serialise(manifest)))
    err << "tbsetup: cannot write " << manifestPath << "; an uninstall will not find what was installed\n";

  library.installExit(nullptr, dir.c_str(), failedFolders, failedFiles, 0, 0, 0);

  // The menu entry, the file types and their icons, for this user.
  const std::string desktopSource = env.sourceFolder + "/desktop/";
  std::string entry = ReadText(desktopSource + kDesktopFile + ".in");
  const size_t at = entry.find("@EXEC@");
  if (entry.empty() || at == std::string::npos) {
    err << "tbsetup: the desktop entry's template is missing; no menu entry was made\n";
    ++failedFiles;
  } else {
    entry.replace(at, 6, DesktopExec(dir + "/" + kProgramFile));
    const std::string target = env.dataHome + "/applications/" + kDesktopFile;
    fs::create_directories(env.dataHome + "/applications", ec);
    if (WriteText(target, entry)) AddFile(&manifest, target);
    else ++failedFiles;
  }
  for (const DesktopItem& item : DesktopItems()) {
    const std::string target = env.dataHome + "/" + item.target;
    fs::create_directories(fs::path(target).parent_path(), ec);
    if (CopyInto(desktopSource + item.source, target)) AddFile(&manifest, target);
    else ++failedFiles;
  }
  WriteText(manifestPath, Serialise(manifest));
  UpdateCaches(env, err);
  out << "Tamberlock Pro is installed in " << dir << "\n";
  return failedFiles == 0 && failedFolders == 0 ? kExitOk : kExitFailed;
}

// ---------------------------------------------------------------- uninstall

int Uninstall(const std::string& dir, const SetupEnvironment& env, std::ostream& out, std::ostream& err) {
  const std::string manifestPath = dir + "/" + kManifestName;
  Manifest manifest;
  if (!IsRegular(manifestPath) || !ParseManifest(ReadText(manifestPath), &manifest)) {
    err << "tbsetup: " << dir << " holds no installation made by tbsetup; nothing was removed\n";
    return kExitFailed;
  }
  if (const std::string refused = RefusedEntry(manifest, dir); !refused.empty()) {
    err << "tbsetup: the manifest names " << refused
        << ", which is outside the installation or reached through a link; nothing was removed\n";
    return kExitFailed;
  }
  const std::string libraryPath = env.libraryPath.empty() ? dir + "/" + kLibraryFile : env.libraryPath;
  Library library(libraryPath);
  if (!library.Ok()) {
    err << "tbsetup: cannot load the setup library " << libraryPath << ": " << library.error
        << "; nothing was removed\n";
    return kExitFailed;
  }
  library.uninstallInit(nullptr, dir.c_str());
  int failed = 0;
  for (const std::string& file : manifest.files) {
    if (unlink(file.c_str()) != 0 && errno != ENOENT) {
      err << "tbsetup: cannot remove " << file << "\n";
      ++failed;
    }
  }
  unlink(manifestPath.c_str());
  rmdir(dir.c_str());  // only when nothing else is left in it
  UpdateCaches(env, err);
  library.uninstallExit(nullptr);
  out << "Tamberlock Pro is removed from " << dir << "\n";
  return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace

std::string DesktopExec(const std::string& programPath) {
  std::string quoted = "\"";
  for (const char c : programPath) {
    switch (c) {
      // Escaped inside the quotes, then the backslash itself escaped as
      // every backslash of a desktop entry's string is.
      case '"':
      case '`':
      case '$':
        quoted += "\\\\";
        quoted += c;
        break;
      case '\\': quoted += "\\\\\\\\"; break;
      case '%': quoted += "%%"; break;
      default: quoted += c;
    }
  }
  return quoted + "\" %f";
}

SetupEnvironment DefaultSetupEnvironment() {
  SetupEnvironment env;
  env.sourceFolder = platform::ProgramDirectory();
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (data && data[0] == '/') env.dataHome = data;
  else env.dataHome = std::string(home && *home ? home : "") + "/.local/share";
  return env;
}

int RunTbsetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const SetupEnvironment& env) {
  std::vector<std::string> positional;
  bool yes = false;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      Help(out);
      return kExitOk;
    }
    if (arg == "--yes") {
      yes = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      err << "tbsetup: unknown option " << arg << "\nTry 'tbsetup --help'.\n";
      return kExitUsage;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2 || (positional[0] != "install" && positional[0] != "uninstall")) {
    err << "Usage: tbsetup install|uninstall DIR [--yes]\nTry 'tbsetup --help'.\n";
    return kExitUsage;
  }
  if (positional[1].empty() || HasControl(positional[1])) {
    err << "tbsetup: DIR must be a folder name without control characters\n";
    return kExitUsage;
  }
  const std::string dir = Absolute(positional[1]);
  AnswerYes answers(yes);
  return positional[0] == "install" ? Install(dir, env, out, err) : Uninstall(dir, env, out, err);
}

}  // namespace tb::setup
