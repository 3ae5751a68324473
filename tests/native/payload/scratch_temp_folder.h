// Points the user's temporary folder (and so the work folder) at a fresh
// scratch folder for one test, and puts everything back afterwards.
#pragma once

#include <cstdlib>
#include <string>

#include "payload/work_folder.h"
#include "support/temp_dir.h"

namespace testing_support {

class ScratchTempFolder {
 public:
  explicit ScratchTempFolder(const std::string& work_folder_name = work_folder::default_name())
      : saved_name_(work_folder::name()) {
    saved_ = get(kVariable);
    saved_temp_ = get("TEMP");
    set(kVariable, dir_.path());
    set("TEMP", dir_.path());
    work_folder::set_name(work_folder_name);
  }
  ~ScratchTempFolder() {
    work_folder::set_name(saved_name_);
    set(kVariable, saved_);
    set("TEMP", saved_temp_);
  }
  ScratchTempFolder(const ScratchTempFolder&) = delete;
  ScratchTempFolder& operator=(const ScratchTempFolder&) = delete;

  // The scratch folder that now stands for the temporary folder.
  const TempDir& temp() const { return dir_; }

 private:
#ifdef _WIN32
  static constexpr const char* kVariable = "TMP";  // GetTempPathA looks here first
  static void set(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
#else
  static constexpr const char* kVariable = "TMPDIR";
  static void set(const char* name, const std::string& value) {
    if (value.empty()) {
      unsetenv(name);
    } else {
      setenv(name, value.c_str(), 1);
    }
  }
#endif
  static std::string get(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
  }

  TempDir dir_;
  std::string saved_name_;
  std::string saved_;
  std::string saved_temp_;
};

}  // namespace testing_support
