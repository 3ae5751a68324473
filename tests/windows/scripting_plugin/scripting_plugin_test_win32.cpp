#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "bridge/dispatcher.h"
#include "bridge/identifiers.h"
#include "bridge/invoke_protocol.h"
#include "flashhost/browser_functions.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/scripting_bridge.h"
#include "support/temp_dir.h"

namespace {

namespace scripting = flashhost::scripting;

std::vector<std::string> invoke_lines(const std::string& trace) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < trace.size()) {
    std::size_t end = trace.find('\n', start);
    if (end == std::string::npos) end = trace.size();
    std::string line = trace.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("NPObject invoke", 0) == 0) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

class ScriptingThroughThePlugin : public ::testing::Test {
 protected:
  void SetUp() override {
#if !defined(NPFP_DLL_PATH)
    GTEST_SKIP() << "the plug-in module is not part of this build";
#else
    trace_path = folder.file("trace.txt");
    SetEnvironmentVariableA("NPFP_TRACE", trace_path.c_str());
    // The host's own loading, with its own browser function table.
    std::string failure;
    library = flashhost::PlayerLibrary::load(std::string("Z:") + NPFP_DLL_PATH, failure);
    ASSERT_NE(library, nullptr) << failure;
    flashhost::set_current_library(library);
    instance = flashhost::create_instance(nullptr);
    ASSERT_TRUE(flashhost::start(instance));
    ASSERT_NE(instance->scriptable_object, nullptr);
#endif
  }

  void TearDown() override {
    if (instance) flashhost::destroy(instance);
    flashhost::set_current_library(nullptr);
    flashhost::PlayerLibrary::unload(library);
    SetEnvironmentVariableA("NPFP_TRACE", nullptr);
  }

  std::vector<std::string> invocations() {
    return invoke_lines(testing_support::TempDir::read(trace_path));
  }

  testing_support::TempDir folder;
  std::string trace_path;
  flashhost::PlayerLibrary* library = nullptr;
  flashhost::PlayerInstance* instance = nullptr;
};

// The movie has published nothing yet, so every call is refused; the trace
// shows the name the plug-in made of the identifier the host passed.
TEST_F(ScriptingThroughThePlugin, EventsArriveUnderTheirNames) {
  bridge::register_movie_functions();
  std::string answer = "unchanged";
  const NPVariant size[2] = {bridge::int32_variant(800), bridge::int32_variant(600)};
  EXPECT_FALSE(scripting::call_movie(instance, "onWindowResize", size, 2, answer));
  EXPECT_FALSE(scripting::call_swhx(instance, "first", "second", answer));
  scripting::InstanceMovieCaller movie(instance);
  movie.call_movie("apiInitFinished", nullptr, 0);
  EXPECT_EQ(answer, "unchanged");
  EXPECT_EQ(invocations(), (std::vector<std::string>{
                               "NPObject invoke name=onWindowResize argc=2 -> false",
                               "NPObject invoke name=swhxCall argc=2 -> false",
                               "NPObject invoke name=apiInitFinished argc=0 -> false",
                           }));
}

TEST_F(ScriptingThroughThePlugin, UnregisteredNamesReachNoFunction) {
  scripting::InstanceMovieCaller movie(instance);
  movie.call_movie("notRegistered", nullptr, 0);
  EXPECT_EQ(invocations(), std::vector<std::string>{"NPObject invoke name= argc=0 -> false"});
}

// What the plug-in does for an ExternalInterface call, through the browser
// table it was handed: the window object, then Evaluate of the call text,
// which reaches the instance's host call handler and the dispatcher.
class EchoHost : public bridge::DispatcherHost {
 public:
  void call_movie(const char*, const NPVariant*, uint32_t) override {}
  bool load_url_data(const std::string& url, const char*, std::size_t,
                     std::string& answer) override {
    answer = "data of " + url;
    return true;
  }
  std::string main_window_name() override { return "MainWindow"; }
  std::vector<std::string> child_window_names() override { return {}; }
};

bridge::Dispatcher* g_dispatcher = nullptr;

bool to_dispatcher(flashhost::PlayerInstance*, NPObject* object, const char* name, uint32_t count,
                   const NPVariant* arguments, std::string& answer) {
  return scripting::dispatch_host_call(g_dispatcher, object, name, count, arguments, answer);
}

TEST_F(ScriptingThroughThePlugin, TheBrowserTableAnswersTheMoviesCalls) {
  EchoHost host;
  bridge::Dispatcher dispatcher(host);
  g_dispatcher = &dispatcher;
  flashhost::attach(instance, to_dispatcher, nullptr);
  const NPNetscapeFuncs& browser = flashhost::browser_functions();
  NPP npp = &instance->npp;

  NPObject* window = nullptr;
  ASSERT_EQ(browser.getvalue(npp, NPNVWindowNPObject, &window), NPERR_NO_ERROR);
  ASSERT_EQ(window, scripting::browser_window_object());

  const std::string script = "try { __flash__toXML(AppleScript.runFile(\"eA==\")) ; }";
  NPString text = {script.c_str(), static_cast<uint32_t>(script.size())};
  NPVariant result;
  ASSERT_TRUE(browser.evaluate(npp, window, &text, &result));
  ASSERT_EQ(result.type, NPVariantType_String);
  EXPECT_EQ(
      std::string(result.value.stringValue.UTF8Characters, result.value.stringValue.UTF8Length),
      "<false/>");
  browser.releasevariantvalue(&result);

  const std::string request = "try { __flash__toXML(:getURL(\"file://a.txt\")) ; }";
  text = {request.c_str(), static_cast<uint32_t>(request.size())};
  ASSERT_TRUE(browser.evaluate(npp, window, &text, &result));
  EXPECT_EQ(std::string(result.value.stringValue.UTF8Characters), "data of file://a.txt");
  browser.releasevariantvalue(&result);

  NPUTF8* name = browser.utf8fromidentifier(browser.getstringidentifier("swhxCall"));
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "swhxCall");
  browser.memfree(name);
  browser.releaseobject(window);
  g_dispatcher = nullptr;
}

}  // namespace
