#pragma once
// A fresh folder for one test, removed with everything in it when the
// object goes out of scope.
#include <string>

namespace tb::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing separator.
  const std::string& Path() const { return path_; }
  // The path of name inside the folder (the file is not created).
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace tb::test
