#include "support/temp_dir.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/paths.h"

namespace testing_support {

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = paths::temp_folder() + "swfsaver_test_" + std::to_string(rd() % 100000000);
    if (!paths::exists(candidate) && paths::create_folder(candidate)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::u8path(path_), ec);
}

std::string TempDir::file(const std::string& name) const { return paths::join(path_, name); }

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
  std::string p = file(name);
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p;
}

std::string TempDir::read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace testing_support
