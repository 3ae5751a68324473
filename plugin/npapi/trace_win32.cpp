#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "npapi/trace.h"

namespace npfp {

namespace {

// Read at every call through the system, not the C runtime's copy of the
// environment, so a value the host sets while running is seen at once.
std::string trace_path() {
  char value[MAX_PATH * 2];
  DWORD length = GetEnvironmentVariableA("NPFP_TRACE", value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

}  // namespace

bool tracing() { return !trace_path().empty(); }

void trace(const char* format, ...) {
  std::string path = trace_path();
  if (path.empty()) return;
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  int n = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  if (n < 0) {
    va_end(again);
    return;
  }
  std::vector<char> line(static_cast<size_t>(n) + 1);
  std::vsnprintf(line.data(), line.size(), format, again);
  va_end(again);
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file) return;
  std::fwrite(line.data(), 1, static_cast<size_t>(n), file);
  std::fputc('\n', file);
  std::fclose(file);
}

}  // namespace npfp
