#pragma once
// tbsetup: installs the program per user into a folder of the user's
// choice, or removes it again, calling the setup library's four entry
// points around its own work as the device installer would:
//
//   tbsetup install DIR [--yes]     copy the program, its modules, help,
//                                   tbwallet, tbsetup and the library into
//                                   DIR, the samples into the documents
//                                   folder's "Tamberlock Samples", and the
//                                   desktop files into the data folder
//   tbsetup uninstall DIR [--yes]   remove exactly what the install wrote
//
// What an install wrote is listed in DIR/.tbsetup-manifest; an uninstall
// removes those files and nothing else, and refuses a manifest that names
// anything outside DIR and the desktop files, or reaches a file through a
// link. The samples and the user's wallets stay.
#include <ostream>
#include <string>
#include <vector>

namespace tb::setup {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

inline constexpr const char* kManifestName = ".tbsetup-manifest";
inline constexpr const char* kLibraryFile = "TamberlockPro2006_MobileSetup.so";
inline constexpr const char* kProgramFile = "ostreltbpro2006";
inline constexpr const char* kDesktopFile = "tamberlock-pro.desktop";
inline constexpr const char* kMimeFile = "tamberlock-pro.xml";

struct SetupEnvironment {
  // Where the files to install are (tbsetup's own folder): the programs, the
  // library, the modules and tbpro.htm; "samples/" with the three samples;
  // "desktop/" with the desktop entry's template, the MIME types and the
  // icons by theme folder ("16x16/apps/tamberlock-pro.png", ...).
  std::string sourceFolder;
  // The library to load; empty: sourceFolder's.
  std::string libraryPath;
  // The user's data folder ($XDG_DATA_HOME, else ~/.local/share).
  std::string dataHome;
  // Run update-mime-database and update-desktop-database on the data folder.
  bool updateCaches = true;
};

// The environment of the running tbsetup.
SetupEnvironment DefaultSetupEnvironment();

// args exclude the program name. The library's questions are asked in the
// running QApplication (there must be one); --yes answers them.
int RunTbsetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const SetupEnvironment& env);

// The desktop entry's Exec value for a program path: the path quoted and
// escaped as the desktop entry rules ask, then " %f".
std::string DesktopExec(const std::string& programPath);

}  // namespace tb::setup
