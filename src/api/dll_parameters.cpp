#include "api/dll_parameters.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "bridge/invoke_protocol.h"

namespace api {

namespace {

template <typename T>
void store(DllParameter& p, T value) {
  static_assert(sizeof(T) <= sizeof p.slot, "value slot is 8 bytes");
  std::memcpy(p.slot, &value, sizeof value);
}

// The real reader's value cut toward zero to a 32-bit integer; values beyond
// the range are held at its ends.
int32_t cut_to_int32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

bool equals_true(std::string_view text) {
  static constexpr char kTrue[] = "true";
  if (text.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (c != kTrue[i]) return false;
  }
  return true;
}

}  // namespace

int32_t DllParameter::as_int32() const {
  int32_t value = 0;
  std::memcpy(&value, slot, sizeof value);
  return value;
}

float DllParameter::as_float() const {
  float value = 0;
  std::memcpy(&value, slot, sizeof value);
  return value;
}

double DllParameter::as_double() const {
  double value = 0;
  std::memcpy(&value, slot, sizeof value);
  return value;
}

DllParameter make_dll_parameter(std::string_view type, std::string_view value) {
  struct Entry {
    std::string_view name;
    int code;
    enum Kind { kNone, kInt32, kLow8, kLow16, kFloat, kDouble, kRealCut, kBool } kind;
  };
  static constexpr Entry kTypes[] = {
      {"void", 0, Entry::kNone},
      {"void*", 21, Entry::kNone},
      {"integer", 2, Entry::kInt32},
      {"integer*", 11, Entry::kInt32},
      {"char", 3, Entry::kLow8},
      {"char*", 12, Entry::kInt32},
      {"unsigned char", 4, Entry::kLow8},
      {"unsigned char*", 13, Entry::kInt32},
      {"short", 5, Entry::kInt32},
      {"short*", 14, Entry::kInt32},
      {"unsigned short", 6, Entry::kLow16},
      {"unsigned short*", 15, Entry::kInt32},
      {"long", 7, Entry::kInt32},
      {"long*", 16, Entry::kInt32},
      {"unsigned long", 8, Entry::kInt32},
      {"unsigned long*", 17, Entry::kInt32},
      {"float", 9, Entry::kFloat},
      {"float*", 18, Entry::kRealCut},
      {"double", 10, Entry::kDouble},
      {"double*", 19, Entry::kRealCut},
      {"bool", 1, Entry::kBool},
      {"bool*", 20, Entry::kInt32},
  };
  DllParameter p;
  for (const Entry& entry : kTypes) {
    if (entry.name != type) continue;
    p.code = entry.code;
    const int32_t integer = bridge::parse_integer(value);
    switch (entry.kind) {
      case Entry::kNone:
        break;
      case Entry::kInt32:
        store(p, integer);
        break;
      case Entry::kLow8:
        store(p, static_cast<uint8_t>(integer));
        break;
      case Entry::kLow16:
        store(p, static_cast<uint16_t>(integer));
        break;
      case Entry::kFloat:
        store(p, static_cast<float>(integer));
        break;
      case Entry::kDouble:
        store(p, static_cast<double>(integer));
        break;
      case Entry::kRealCut:
        store(p, cut_to_int32(bridge::parse_real(value)));
        break;
      case Entry::kBool:
        store(p, static_cast<uint8_t>(equals_true(value) ? 1 : 0));
        break;
    }
    break;
  }
  return p;
}

}  // namespace api
