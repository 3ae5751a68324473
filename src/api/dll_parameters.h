// The parameter records of DLL calls: the movie names each parameter's C
// type with a fixed vocabulary and sends its value as text.
#pragma once

#include <cstdint>
#include <string_view>

namespace api {

struct DllParameter {
  int code = 0;                // 0: no type code (the record is left as created)
  unsigned char slot[8] = {};  // the value, little-endian, unused bytes 0

  int32_t as_int32() const;
  float as_float() const;
  double as_double() const;
};

// The record for one type name and value text. Type names are compared
// exactly, letter case included; an unknown name gives the empty record.
DllParameter make_dll_parameter(std::string_view type, std::string_view value);

}  // namespace api
