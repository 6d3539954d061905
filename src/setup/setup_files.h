#pragma once
// What the setup library does with files: the program's language modules
// in the installation folder (found by their exact name, the others
// deleted once a language is chosen), and the samples in the user's
// documents folder, given the names of the chosen language.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tb::setup {

// ---------------------------------------------------------------- modules

struct LanguageModuleFile {
  uint16_t languageId = 0;
  std::string path;
};

inline constexpr size_t kMaxModules = 32;

// The language of "ostreltbpro2006.exe.XXXX.mui" (four hexadecimal
// digits); false for any other name. Only the program's own modules count:
// a shared folder may hold other programs' ".mui" files.
bool ParseModuleName(std::string_view name, uint16_t* languageId);
// The regular files (not links, not folders) of the folder named as a
// module, in name order, kMaxModules at most.
std::vector<LanguageModuleFile> FindModules(const std::string& folder);
// Deletes the modules whose language is not keep (each still a regular
// file when it goes); the number deleted.
int DeleteOtherModules(const std::vector<LanguageModuleFile>& modules, uint16_t keep);

// ---------------------------------------------------------------- samples

inline constexpr const char* kSamplesFolderName = "Tamberlock Samples";
inline constexpr const char* kCabinetWallet = "Sample Wallet.tb5";
inline constexpr const char* kCabinetImport = "Import Sample.txt";
inline constexpr const char* kCabinetForm = "Form Sample.tbx";
// The English sample wallet's name, which earlier installations left.
inline constexpr const char* kEnglishSampleWallet = "My Sample Wallet.tb5";

// The documents folder's "Tamberlock Samples"; empty without a documents folder.
std::string SamplesFolder();

// The localised name of a sample (227 wallet, 228 form, 229 import) in
// the language, as a file name; empty when the text cannot be one.
std::string LocalisedSampleName(uint32_t number, uint16_t languageId);

struct SampleOutcome {
  int renamed = 0;  // cabinet files given their localised names
  int removed = 0;  // cabinet copies whose localised file was there already
  int skipped = 0;  // cabinet files missing
};
// Gives the three cabinet files of the folder their localised names; a
// localised file that is there already stays and the new copy goes. An
// English sample wallet of an earlier installation is renamed to the
// localised name when that is free and otherwise left: the user may keep
// cards in it.
SampleOutcome PlaceSamples(const std::string& folder, uint16_t languageId);

}  // namespace tb::setup
