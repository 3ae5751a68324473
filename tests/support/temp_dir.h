// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // The path of a name inside the folder.
  std::string file(const std::string& name) const;
  // Writes bytes to a name inside the folder and answers its path.
  std::string write(const std::string& name, const std::string& bytes) const;
  // Reads a whole file; empty when it cannot be read.
  static std::string read(const std::string& path);

 private:
  std::string path_;
};

}  // namespace testing_support
