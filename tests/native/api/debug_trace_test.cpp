// Debug.trace through a dispatcher, into a stream of the test's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "api/namespaces.h"
#include "bridge/base64.h"

namespace {

class NoHost : public bridge::DispatcherHost {
 public:
  void call_movie(const char*, const NPVariant*, uint32_t) override {}
  bool load_url_data(const std::string&, const char*, std::size_t, std::string&) override {
    return false;
  }
  std::string main_window_name() override { return "MainWindow"; }
  std::vector<std::string> child_window_names() override { return {}; }
};

std::string contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char buffer[256];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  return text;
}

TEST(ApiDebugTrace, WritesEachDecodedTextOnItsOwnLine) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  NoHost host;
  bridge::Dispatcher dispatcher(host);
  dispatcher.set_handler(bridge::Namespace::kDebug, api::make_debug_namespace(out));

  auto trace = [&](const std::string& text) {
    bridge::OwnedArguments arguments({bridge::base64_encode(text)});
    return dispatcher.dispatch("Debug.trace", arguments.list());
  };
  EXPECT_EQ(trace("frame 12: 50% done"), std::nullopt);
  EXPECT_EQ(trace(""), std::nullopt);
  EXPECT_EQ(trace("%s %d"), std::nullopt);
  bridge::OwnedArguments other({bridge::base64_encode("ignored")});
  EXPECT_EQ(dispatcher.dispatch("Debug.Trace", other.list()), std::nullopt);
  EXPECT_EQ(dispatcher.dispatch("Debug.log", other.list()), std::nullopt);
  EXPECT_EQ(contents(out), "frame 12: 50% done\n\n%s %d\n");
  std::fclose(out);
}

TEST(ApiDebugTrace, NoStreamWritesNowhere) {
  auto debug = api::make_debug_namespace(nullptr);
  bridge::OwnedArguments arguments({bridge::base64_encode("lost")});
  EXPECT_EQ(debug->call("trace", arguments.list()), std::nullopt);
}

}  // namespace
