// A dispatcher host that records what the dispatcher and the event helpers
// ask of it.
#pragma once

#include <string>
#include <vector>

#include "bridge/dispatcher.h"

namespace bridge_testing {

class FakeHost : public bridge::DispatcherHost {
 public:
  struct Load {
    std::string url;
    bool has_body;
    std::string body;
  };

  // Each call into the movie written as name(arg,arg,...): texts quoted,
  // int32 numbers plain, any other variant type as "?".
  std::vector<std::string> movie_calls;
  std::vector<Load> loads;

  bool load_succeeds = true;
  std::string load_answer = "loaded";
  std::string main_name = "MainWindow";
  std::vector<std::string> children;

  void call_movie(const char* function, const NPVariant* arguments, uint32_t count) override {
    std::string call = std::string(function) + "(";
    for (uint32_t i = 0; i < count; ++i) {
      if (i > 0) call += ",";
      const NPVariant& argument = arguments[i];
      if (argument.type == NPVariantType_String) {
        call += "\"" + std::string(bridge::variant_text(argument)) + "\"";
      } else if (argument.type == NPVariantType_Int32) {
        call += std::to_string(argument.value.intValue);
      } else {
        call += "?";
      }
    }
    movie_calls.push_back(call + ")");
  }

  bool load_url_data(const std::string& url, const char* body, std::size_t body_length,
                     std::string& answer) override {
    loads.push_back({url, body != nullptr, body ? std::string(body, body_length) : ""});
    if (!load_succeeds) return false;
    answer = load_answer;
    return true;
  }

  std::string main_window_name() override { return main_name; }
  std::vector<std::string> child_window_names() override { return children; }
};

}  // namespace bridge_testing
