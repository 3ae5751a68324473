// A dispatcher with the Menu and DLL namespaces over a real window that has
// a menu bar and a right-click menu, fed with call texts as the movie sends
// them; the movie calls it makes are recorded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "api/window_namespaces.h"
#include "bridge/base64.h"
#include "bridge/dispatcher.h"

namespace menu_dll_testing {

struct MovieCall {
  std::string function;
  std::vector<std::string> texts;
};

class RecordingHost : public bridge::DispatcherHost {
 public:
  std::vector<MovieCall> calls;

  void call_movie(const char* function, const NPVariant* arguments, uint32_t count) override {
    MovieCall call{function, {}};
    for (uint32_t i = 0; i < count; ++i) {
      call.texts.emplace_back(bridge::variant_text(arguments[i]));
    }
    calls.push_back(call);
  }
  bool load_url_data(const std::string&, const char*, std::size_t, std::string&) override {
    return false;
  }
  std::string main_window_name() override { return "MainWindow"; }
  std::vector<std::string> child_window_names() override { return {}; }
};

// A call text as the player hands it over: name, quoted arguments.
inline std::string call_text(const std::string& name, const std::vector<std::string>& arguments) {
  std::string text = std::string(bridge::kCallTextPrefix) + name + "(";
  for (size_t i = 0; i < arguments.size(); ++i) {
    text += (i ? ", \"" : "\"") + arguments[i] + "\"";
  }
  return text + "))";
}

inline std::string b64(const std::string& text) { return bridge::base64_encode(text); }

}  // namespace menu_dll_testing
