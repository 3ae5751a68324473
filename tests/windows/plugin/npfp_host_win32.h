// A small browser for driving npfp.dll through its NPAPI tables: it loads
// the module, hands it a 164-byte table of test browser functions, and
// records what the plug-in asks of it (repaint requests, objects).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "flashhost/npapi.h"

namespace npfp_test {

// What the browser functions saw, for the test to check.
struct BrowserRecord {
  int invalidations = 0;
  NPRect last_invalidated = {};
  int set_values = 0;
  int objects_created = 0;
  int objects_freed = 0;
};
BrowserRecord& browser_record();

class PluginModule {
 public:
  PluginModule();
  ~PluginModule();
  bool loaded() const { return module_ != nullptr; }
  HMODULE module() const { return module_; }
  const NPPluginFuncs& funcs() const { return funcs_; }
  NPNetscapeFuncs& browser_table();
  NPError entry_points_result() const { return entry_points_result_; }
  NPError initialize_result() const { return initialize_result_; }

 private:
  HMODULE module_ = nullptr;
  NPPluginFuncs funcs_ = {};
  NPError entry_points_result_ = -1;
  NPError initialize_result_ = -1;
};

// A 32-bit top-down DIB in a memory DC, the kind of surface the host draws into.
class Surface {
 public:
  Surface(int width, int height);
  ~Surface();
  HDC dc() const { return dc_; }
  uint32_t pixel(int x, int y) const;
  void fill(uint32_t value);
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_, height_;
};

// One instance: NPP_New with the parameters, a windowless NPWindow on a
// surface, and the movie streamed in with paced writes.
class Instance {
 public:
  Instance(PluginModule& module, const std::vector<std::pair<std::string, std::string>>& params);
  ~Instance();
  NPError new_result() const { return new_result_; }
  NPP npp() { return &npp_; }
  NPWindow& window() { return window_; }

  NPError set_window(Surface& surface);
  // NewStream, then WriteReady/Write until all is written or WriteReady
  // answers 0 or less; DestroyStream. Answers the bytes written.
  size_t stream(const std::string& url, const std::vector<uint8_t>& data);
  int16_t send(uint16_t message, uintptr_t wparam = 0, uintptr_t lparam = 0);
  int16_t paint() { return send(WM_PAINT); }
  std::vector<int32_t> write_results;

 private:
  PluginModule& module_;
  NPP_t npp_ = {};
  NPWindow window_ = {};
  NPError new_result_ = -1;
  bool created_ = false;
};

// An exported function of a module, by name (nullptr when missing).
template <typename T>
T entry(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Runs this thread's messages (the plug-in's clock) for a while.
void pump_messages(DWORD milliseconds);

}  // namespace npfp_test
