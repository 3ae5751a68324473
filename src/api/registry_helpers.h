// Pure rules behind the Registry methods: the key path under "SOFTWARE\",
// the root a root text selects, and the stored form of real numbers.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace api {

// The longest path argument: "SOFTWARE\" and the path fill at most 255
// characters, the system's limit for a key name.
constexpr std::size_t kLongestRegistryPath = 246;

// "SOFTWARE\" followed by the path; false (and `out` untouched) when the
// path is longer than kLongestRegistryPath.
bool registry_key_path(std::string_view path, std::string& out);

// True for "system" (the machine's keys); every other root text selects the
// current user's keys.
bool is_machine_root(std::string_view root);

// A real number as the 8 bytes of its IEEE-754 double, little-endian.
std::array<unsigned char, 8> real_to_bytes(double value);
double real_from_bytes(const std::array<unsigned char, 8>& bytes);

}  // namespace api
