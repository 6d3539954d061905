#include "setup/setup_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/core/documents.h"
#include "platform/core/text_convert.h"
#include "setup/setup_strings.h"

namespace tb::setup {

namespace {

constexpr std::string_view kModulePrefix = "ostreltbpro2006.exe.";
constexpr std::string_view kModuleSuffix = ".mui";

bool IsRegular(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Present(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::u16string Folded(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = platform::ToLowerChar(c);
  return out;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return Folded(platform::FromUtf8(a)) == Folded(platform::FromUtf8(b));
}

// A sample moves to its new name only when nothing is there (never over a
// file of the user's).
bool MoveToFreeName(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the exclusive rename: a new link fails as well
  // when the name is taken.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

}  // namespace

bool ParseModuleName(std::string_view name, uint16_t* languageId) {
  if (name.size() != kModulePrefix.size() + 4 + kModuleSuffix.size()) return false;
  if (name.substr(0, kModulePrefix.size()) != kModulePrefix) return false;
  if (name.substr(name.size() - kModuleSuffix.size()) != kModuleSuffix) return false;
  uint16_t id = 0;
  for (const char c : name.substr(kModulePrefix.size(), 4)) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    id = uint16_t(id * 16 + d);
  }
  *languageId = id;
  return true;
}

std::vector<LanguageModuleFile> FindModules(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      uint16_t id = 0;
      if (ParseModuleName(entry->d_name, &id)) names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  std::vector<LanguageModuleFile> modules;
  for (const std::string& name : names) {
    if (modules.size() >= kMaxModules) break;
    const std::string path = folder + "/" + name;
    if (!IsRegular(path)) continue;
    LanguageModuleFile module;
    ParseModuleName(name, &module.languageId);
    module.path = path;
    modules.push_back(std::move(module));
  }
  return modules;
}

int DeleteOtherModules(const std::vector<LanguageModuleFile>& modules, uint16_t keep) {
  int deleted = 0;
  for (const LanguageModuleFile& module : modules) {
    if (module.languageId == keep || !IsRegular(module.path)) continue;
    if (unlink(module.path.c_str()) == 0) ++deleted;
  }
  return deleted;
}

std::string SamplesFolder() {
  const std::string documents = platform::CurrentDocumentPlaces().documents;
  return documents.empty() ? std::string() : documents + "/" + kSamplesFolderName;
}

std::string LocalisedSampleName(uint32_t number, uint16_t languageId) {
  const std::string name = platform::ToUtf8(SetupText(number, languageId));
  if (name.empty() || name == "." || name == ".." || name.find_first_of(std::string("/\0", 2)) != std::string::npos)
    return {};
  return name;
}

SampleOutcome PlaceSamples(const std::string& folder, uint16_t languageId) {
  SampleOutcome outcome;
  const struct {
    const char* cabinet;
    uint32_t number;
  } samples[] = {
      {kCabinetWallet, kStrSampleWallet}, {kCabinetImport, kStrSampleImport}, {kCabinetForm, kStrSampleForm}};
  for (const auto& sample : samples) {
    const std::string localName = LocalisedSampleName(sample.number, languageId);
    const std::string cabinet = folder + "/" + sample.cabinet;
    if (!IsRegular(cabinet)) {
      ++outcome.skipped;
      continue;
    }
    if (localName.empty() || SameNameIgnoringCase(localName, sample.cabinet)) continue;
    const std::string localised = folder + "/" + localName;
    if (!Present(localised) && MoveToFreeName(cabinet, localised)) {
      ++outcome.renamed;
    } else if (Present(localised) && unlink(cabinet.c_str()) == 0) {
      ++outcome.removed;
    }
  }
  // An earlier installation's English wallet: renamed when its localised
  // name is free, else left where it is.
  const std::string walletName = LocalisedSampleName(kStrSampleWallet, languageId);
  const std::string english = folder + "/" + kEnglishSampleWallet;
  if (!walletName.empty() && !SameNameIgnoringCase(walletName, kEnglishSampleWallet) && IsRegular(english)) {
    const std::string localised = folder + "/" + walletName;
    if (!Present(localised)) MoveToFreeName(english, localised);
  }
  return outcome;
}

}  // namespace tb::setup
