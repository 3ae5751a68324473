// Builds payload bytes by hand, for layouts the writer would never produce.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

class PayloadBytes {
 public:
  PayloadBytes& raw(const std::string& bytes) {
    bytes_ += bytes;
    return *this;
  }
  PayloadBytes& u32(uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((value >> (8 * i)) & 0xFF);
    return *this;
  }
  // A text or a block: the bytes, then their count.
  PayloadBytes& counted(const std::string& bytes) {
    return raw(bytes).u32(static_cast<uint32_t>(bytes.size()));
  }
  PayloadBytes& footer(uint32_t body_length, uint32_t kind) { return u32(body_length).u32(kind); }
  PayloadBytes& end_entry() { return footer(0, 0); }
  PayloadBytes& file_entry(const std::string& name, const std::string& contents) {
    counted(contents).counted(name);
    return footer(static_cast<uint32_t>(contents.size() + name.size() + 8), 5);
  }
  PayloadBytes& settings_entry(const std::string& text) {
    counted(text);
    return footer(static_cast<uint32_t>(text.size() + 4), 1);
  }
  PayloadBytes& data_entry(const std::string& name, const std::string& data, uint32_t value) {
    counted(data).counted(name).u32(value);
    return footer(static_cast<uint32_t>(data.size() + name.size() + 12), 7);
  }
  PayloadBytes& trailer() { return raw(std::string("\xFF\xEE\x51\x4E", 4)); }

  const std::string& str() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace testing_support
