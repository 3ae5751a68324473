// The player's http:// stream requests served by the HTTP client, seen from
// the test plug-in.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "api/http_client.h"
#include "flashhost/browser_functions.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "http_test_server.h"
#include "support/temp_dir.h"

namespace {

using namespace flashhost;

std::string plugin_dll() {
  std::string path =
      std::string("Z:") + SWFSAVER_BINARY_DIR + "/fixtures/testplugin/testplugin.dll";
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

TEST(PlayerHttpRequests, StreamsCarryTheServersAnswerOrReportTheFailure) {
  http_test::TestServer server;
  ASSERT_TRUE(server.running());
  testing_support::TempDir temp;
  std::string trace_path = temp.file("trace.txt");
  SetEnvironmentVariableA("TESTPLUGIN_TRACE", trace_path.c_str());
  std::string failure;
  PlayerLibrary* library = PlayerLibrary::load(plugin_dll(), failure);
  ASSERT_NE(library, nullptr) << failure;
  set_current_library(library);
  api::install_http_client();
  PlayerInstance* instance = create_instance(nullptr);
  ASSERT_TRUE(start(instance));

  const NPNetscapeFuncs& browser = browser_functions();
  std::string good = server.url("/text");
  std::string empty = server.url("/empty");
  EXPECT_EQ(browser.geturlnotify(&instance->npp, good.c_str(), nullptr, nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(browser.geturlnotify(&instance->npp, empty.c_str(), nullptr, nullptr), NPERR_NO_ERROR);
  destroy(instance);
  set_current_library(nullptr);
  PlayerLibrary::unload(library);
  SetEnvironmentVariableA("TESTPLUGIN_TRACE", nullptr);

  std::string trace = testing_support::TempDir::read(trace_path);
  EXPECT_NE(trace.find("NPP_Write offset=0 len=26 data=hello from the test server\n"),
            std::string::npos)
      << trace;
  EXPECT_NE(trace.find("NPP_URLNotify url=" + good + " reason=0 notify=0\n"), std::string::npos);
  EXPECT_NE(trace.find("NPP_DestroyStream url=" + empty + " reason=1"), std::string::npos);
  EXPECT_NE(trace.find("NPP_URLNotify url=" + empty + " reason=1 notify=0\n"), std::string::npos);
}

}  // namespace
