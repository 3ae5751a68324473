#include <cstdio>

#include "host_test_support.h"

namespace host_test {

std::string plugin_path(const std::string& dll_name) {
  std::string path = std::string("Z:") + SWFSAVER_BINARY_DIR + "/fixtures/testplugin/" + dll_name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

void set_knob(const char* name, const std::string& value) {
  SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

void clear_knobs() {
  for (const char* name : {"TESTPLUGIN_TRACE", "TESTPLUGIN_WRITEREADY", "TESTPLUGIN_NEWSTREAM",
                           "TESTPLUGIN_NEW", "TESTPLUGIN_ENTRYPOINTS", "TESTPLUGIN_INITIALIZE"}) {
    SetEnvironmentVariableA(name, nullptr);
  }
}

std::vector<std::string> read_trace(const std::string& path) {
  std::vector<std::string> lines;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return lines;
  std::string line;
  int c;
  while ((c = std::fgetc(file)) != EOF) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  std::fclose(file);
  return lines;
}

std::vector<std::string> lines_starting(const std::vector<std::string>& lines,
                                        const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
  }
  return out;
}

NPNetscapeFuncs* plugin_browser_table(const std::string& dll_name) {
  HMODULE module = GetModuleHandleA(dll_name.c_str());
  if (!module) return nullptr;
  auto get = reinterpret_cast<NPNetscapeFuncs*(NP_CALLBACK*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "TestPlugin_BrowserFunctions")));
  return get ? get() : nullptr;
}

void pump_messages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace host_test
