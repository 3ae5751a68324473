#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "bridge/identifiers.h"
#include "bridge/invoke_protocol.h"
#include "flashhost/browser_functions.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/scripting_bridge.h"
#include "support/temp_dir.h"

namespace {

namespace scripting = flashhost::scripting;

// NPN_GetValue as the host answers it, with the browser window object for
// NPNVWindowNPObject (retained for the caller).
NPError get_value(NPP npp, NPNVariable variable, void* value) {
  if (variable == NPNVWindowNPObject && value) {
    *static_cast<NPObject**>(value) = scripting::retain_object(scripting::browser_window_object());
    return NPERR_NO_ERROR;
  }
  return flashhost::browser_functions().getvalue(npp, variable, value);
}

// The host's browser table with the scripting entries of the bridge.
NPNetscapeFuncs scripting_table() {
  NPNetscapeFuncs table = flashhost::browser_functions();
  table.getvalue = get_value;
  table.getstringidentifier = scripting::get_string_identifier;
  table.getstringidentifiers = scripting::get_string_identifiers;
  table.getintidentifier = scripting::get_int_identifier;
  table.identifierisstring = scripting::identifier_is_string;
  table.utf8fromidentifier = scripting::utf8_from_identifier;
  table.intfromidentifier = scripting::int_from_identifier;
  table.createobject = scripting::create_object;
  table.retainobject = scripting::retain_object;
  table.releaseobject = scripting::release_object;
  table.invoke = scripting::invoke;
  table.invokeDefault = scripting::invoke_default;
  table.evaluate = scripting::evaluate;
  table.getproperty = scripting::get_property;
  table.setproperty = scripting::set_property;
  table.removeproperty = scripting::remove_property;
  table.hasproperty = scripting::has_property;
  table.hasmethod = scripting::has_method;
  table.releasevariantvalue = scripting::release_variant_value;
  table.setexception = scripting::set_exception;
  return table;
}

NPNetscapeFuncs g_table = scripting_table();

template <typename T>
T entry(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

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
    module = LoadLibraryA((std::string("Z:") + NPFP_DLL_PATH).c_str());
    ASSERT_NE(module, nullptr);
    entry<Flash_DisableLocalSecurityFunc>(module, "Flash_DisableLocalSecurity")();
    library.module = module;
    library.shutdown = entry<NP_ShutdownFunc>(module, "NP_Shutdown");
    library.functions.size = NP_PLUGIN_FUNCS_SIZE;
    ASSERT_EQ(entry<NP_GetEntryPointsFunc>(module, "NP_GetEntryPoints")(&library.functions), 0);
    ASSERT_EQ(entry<NP_InitializeFunc>(module, "NP_Initialize")(&g_table), 0);
    flashhost::set_current_library(&library);
    instance = flashhost::create_instance(nullptr);
    ASSERT_TRUE(flashhost::start(instance));
    ASSERT_NE(instance->scriptable_object, nullptr);
#endif
  }

  void TearDown() override {
    if (instance) flashhost::destroy(instance);
    flashhost::set_current_library(nullptr);
    if (library.shutdown) library.shutdown();
    if (module) FreeLibrary(module);
    SetEnvironmentVariableA("NPFP_TRACE", nullptr);
  }

  std::vector<std::string> invocations() {
    return invoke_lines(testing_support::TempDir::read(trace_path));
  }

  testing_support::TempDir folder;
  std::string trace_path;
  HMODULE module = nullptr;
  flashhost::PlayerLibrary library = {};
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

}  // namespace
