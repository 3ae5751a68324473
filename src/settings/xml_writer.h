// Writes settings text: raw markup, flags, numbers, escaped attribute values
// and file paths. The escaping is the one xml_value::unescape_value and the
// DOMs read back, so any byte text survives the trip under a single-byte
// code page.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

class XmlWriter {
 public:
  XmlWriter() = default;
  // With a base folder, paths are written relative to it.
  explicit XmlWriter(std::string base_folder) : base_folder_(std::move(base_folder)) {}

  void write_raw(const std::string& text) { text_ += text; }
  void write_bool(bool value) { text_ += value ? "true" : "false"; }
  void write_int(int32_t value) { text_ += std::to_string(value); }
  void write_escaped(const std::string& bytes);
  // Relative to the base folder when one is set, else made absolute (relative
  // paths from the program's folder); then escaped.
  void write_path(const std::string& path);

  // ` name="value"`, with the value escaped.
  void write_attribute(const char* name, const std::string& value);
  void write_attribute(const char* name, bool value);
  void write_attribute(const char* name, int32_t value);

  const std::string& text() const { return text_; }

  // `path` relative to `base_folder`, going up with ".." where needed; the
  // path unchanged when the two share no root.
  static std::string relative_path(const std::string& path, const std::string& base_folder);

 private:
  std::string base_folder_;
  std::string text_;
};
