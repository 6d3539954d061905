#pragma once
// The registry stand-in: one text file in the Windows .reg export format
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\Quillimarsten\Tamberlock Pro 5]
//   "Count6"=dword:00000001
//   "MRU"="/home/me/Documents/Mine.tb5"
//   "Keys"=hex:00,00,00,00,...
//   @="default value"
// Keys are named by their full path with the hive first. The file lives in
// the user's XDG config folder unless a test or the environment
// (TB_REGISTRY_FILE) names another place.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tb::platform {

struct RegistryValue {
  enum class Type { Dword, String, Binary };
  Type type = Type::Dword;
  uint32_t dword = 0;
  std::u16string text;
  std::vector<uint8_t> bytes;
};

class Registry {
 public:
  // Loads the file at path (a missing file is an empty registry). A file
  // that cannot be parsed is treated as empty and never written back over:
  // LoadFailed() then reports it and Save() refuses.
  explicit Registry(std::string path);
  static std::string DefaultPath();  // $TB_REGISTRY_FILE, else XDG config

  bool LoadFailed() const { return loadFailed_; }
  const std::string& Path() const { return path_; }

  bool KeyExists(const std::string& key) const;
  void CreateKey(const std::string& key);
  void DeleteKey(const std::string& key);  // with its subkeys
  // The key holds neither values nor subkeys (a missing key counts as empty).
  bool KeyIsEmpty(const std::string& key) const;

  std::optional<RegistryValue> Get(const std::string& key, const std::u16string& name) const;
  // Sets a value, creating the key. An empty name is the key's default value.
  // Key and value names holding a line break cannot be stored and are
  // ignored.
  void Set(const std::string& key, const std::u16string& name, RegistryValue value);
  void SetDword(const std::string& key, const std::u16string& name, uint32_t v);
  void SetString(const std::string& key, const std::u16string& name, std::u16string v);
  void SetBinary(const std::string& key, const std::u16string& name, std::vector<uint8_t> v);
  void DeleteValue(const std::string& key, const std::u16string& name);

  // Writes the whole registry back (to a temporary file, then renamed).
  bool Save() const;

  // Parses .reg text, replacing what the registry held; false (and an
  // empty registry) when the text is not a registry file we fully
  // understand. Besides the three types, hex(1) (a string) and hex(4) (a
  // dword) are read; strings holding line breaks are written as hex(1).
  bool Parse(const std::string& text);
  std::string Serialise() const;

 private:
  struct Entry {
    std::u16string name;  // as first written
    RegistryValue value;
  };
  struct Key {
    // By folded value name: value names are case-insensitive too.
    std::map<std::u16string, Entry> values;
  };
  std::string path_;
  bool loadFailed_ = false;
  // Key names compared case-insensitively, stored as first written:
  // both maps are by the folded name.
  std::map<std::string, Key> keys_;
  std::map<std::string, std::string> names_;
};

}  // namespace tb::platform
