#include "api/registry_helpers.h"

#include <cstdint>
#include <cstring>

namespace api {

bool registry_key_path(std::string_view path, std::string& out) {
  if (path.size() > kLongestRegistryPath) return false;
  out = "SOFTWARE\\";
  out += path;
  return true;
}

bool is_machine_root(std::string_view root) { return root == "system"; }

std::array<unsigned char, 8> real_to_bytes(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  std::array<unsigned char, 8> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
  return bytes;
}

double real_from_bytes(const std::array<unsigned char, 8>& bytes) {
  uint64_t bits = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace api
