#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/identifiers.h"
#include "bridge/invoke_protocol.h"
#include "flashhost/browser_functions.h"
#include "flashhost/player_instance.h"
#include "flashhost/scripting_bridge.h"

namespace {

namespace scripting = flashhost::scripting;
using flashhost::PlayerInstance;

NPIdentifier id(uint32_t value) { return reinterpret_cast<NPIdentifier>(uintptr_t{value}); }
uint32_t value(NPIdentifier identifier) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(identifier));
}
NPIdentifier named(const char* name) { return scripting::get_string_identifier(name); }

NPVariant untouched_variant() {
  NPVariant variant;
  std::memset(&variant, 0, sizeof variant);
  variant.type = NPVariantType_Int32;
  variant.value.intValue = 4711;
  return variant;
}

bool is_untouched(const NPVariant& variant) {
  return variant.type == NPVariantType_Int32 && variant.value.intValue == 4711;
}

// Takes a string result: its text, checked to be terminated and measured,
// then released the way the plug-in releases it.
std::string take_string(NPVariant& result) {
  EXPECT_EQ(result.type, NPVariantType_String);
  if (result.type != NPVariantType_String) return "<not a string>";
  const NPString& string = result.value.stringValue;
  EXPECT_EQ(string.UTF8Characters[string.UTF8Length], '\0');
  EXPECT_EQ(std::strlen(string.UTF8Characters), string.UTF8Length);
  const std::string text(string.UTF8Characters, string.UTF8Length);
  scripting::release_variant_value(&result);
  EXPECT_EQ(result.type, NPVariantType_Void);
  return text;
}

// An instance record of our own: the bridge only reads its NPP link, movie
// path, host call handler and scriptable object.
struct TestInstance {
  TestInstance() { instance.npp.ndata = &instance; }
  ~TestInstance() { instance.scriptable_object = nullptr; }
  NPP npp() { return &instance.npp; }
  PlayerInstance instance;
};

// ---------------------------------------------------------------------------
// Identifiers

TEST(ScriptingIdentifiers, SwhxCallThroughTheBrowserEntries) {
  EXPECT_EQ(value(named("swhxCall")), 0x0FEEBBCCu);
  NPUTF8* name = scripting::utf8_from_identifier(id(0x0FEEBBCC));
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "swhxCall");
  flashhost::host_free(name);
  EXPECT_TRUE(scripting::identifier_is_string(id(0x0FEEBBCC)));
  EXPECT_EQ(value(named("__flash__request")), 0x0FEEBBCDu);
  EXPECT_EQ(value(named("_DoFSCommand")), 0x0FEEBBCEu);
  EXPECT_FALSE(scripting::identifier_is_string(id(0x0FEEBBCD)));
  EXPECT_EQ(scripting::utf8_from_identifier(id(0x0FEEBBCE)), nullptr);
  EXPECT_EQ(scripting::utf8_from_identifier(id(0)), nullptr);
  EXPECT_EQ(reinterpret_cast<intptr_t>(scripting::get_int_identifier(3)), -1);
  EXPECT_EQ(scripting::int_from_identifier(named("x")), 0);
}

TEST(ScriptingIdentifiers, TableNamesComeBackAsHostCopies) {
  const NPIdentifier first = named("scriptingTest.first");
  EXPECT_EQ(named("scriptingTest.first"), first);
  EXPECT_TRUE(scripting::identifier_is_string(first));
  NPUTF8* name = scripting::utf8_from_identifier(first);
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "scriptingTest.first");
  flashhost::host_free(name);
  // getstringidentifiers does nothing: the caller's array stays as it was.
  const NPUTF8* names[1] = {"scriptingTest.second"};
  NPIdentifier out[1] = {id(77)};
  scripting::get_string_identifiers(names, 1, out);
  EXPECT_EQ(value(out[0]), 77u);
}

// ---------------------------------------------------------------------------
// Invoke

TEST(ScriptingInvoke, FlashRequestWithOnlyTheName) {
  const NPVariant argument = bridge::string_variant("Window.close");
  NPVariant result = untouched_variant();
  EXPECT_TRUE(scripting::invoke(nullptr, scripting::browser_window_object(), id(0x0FEEBBCD),
                                &argument, 1, &result));
  EXPECT_EQ(take_string(result),
            "<invoke name=\"Window.close\" returntype=\"javascript\"></invoke>");
}

TEST(ScriptingInvoke, FlashRequestWithNumbersAndTexts) {
  NPVariant arguments[4];
  arguments[0] = bridge::string_variant("f");
  arguments[1] = bridge::int32_variant(3);
  std::memset(&arguments[2], 0, sizeof arguments[2]);
  arguments[2].type = NPVariantType_Double;
  arguments[2].value.doubleValue = 2.5;
  arguments[3] = bridge::string_variant("a<b");
  NPVariant result = untouched_variant();
  ASSERT_TRUE(scripting::invoke(nullptr, nullptr, id(0x0FEEBBCD), arguments, 3, &result));
  EXPECT_EQ(take_string(result),
            "<invoke name=\"f\" returntype=\"javascript\"><arguments><number>3</number>"
            "<number>2.500000</number></arguments></invoke>");
  // Texts unchanged, on any object.
  ASSERT_TRUE(scripting::invoke(nullptr, scripting::window_location_object(), id(0x0FEEBBCD),
                                arguments, 4, &result));
  EXPECT_NE(take_string(result).find("<string>a<b</string>"), std::string::npos);
}

TEST(ScriptingInvoke, FlashRequestNeedsAStringFirst) {
  const NPVariant number = bridge::int32_variant(1);
  NPVariant result = untouched_variant();
  EXPECT_FALSE(scripting::invoke(nullptr, nullptr, id(0x0FEEBBCD), &number, 1, &result));
  EXPECT_FALSE(scripting::invoke(nullptr, nullptr, id(0x0FEEBBCD), nullptr, 0, &result));
  EXPECT_TRUE(is_untouched(result));
}

TEST(ScriptingInvoke, WindowLocationToStringGivesTheMoviePathWithSlashes) {
  TestInstance test;
  test.instance.movie_path = "C:\\Temp\\a.swf";
  NPVariant result = untouched_variant();
  ASSERT_TRUE(scripting::invoke(test.npp(), scripting::window_location_object(), named("toString"),
                                nullptr, 0, &result));
  EXPECT_EQ(take_string(result), "C:/Temp/a.swf");
  // Any other method: true, and the result is left alone.
  result = untouched_variant();
  EXPECT_TRUE(scripting::invoke(test.npp(), scripting::window_location_object(), named("valueOf"),
                                nullptr, 0, &result));
  EXPECT_TRUE(is_untouched(result));
}

TEST(ScriptingInvoke, TopLocationToString) {
  NPVariant result = untouched_variant();
  ASSERT_TRUE(scripting::invoke(nullptr, scripting::top_location_object(), named("toString"),
                                nullptr, 0, &result));
  EXPECT_EQ(take_string(result), "chrome://global/content/console.xul");
  result = untouched_variant();
  EXPECT_TRUE(scripting::invoke(nullptr, scripting::top_location_object(), named("href"), nullptr,
                                0, &result));
  EXPECT_TRUE(is_untouched(result));
}

TEST(ScriptingInvoke, LocationGettersHandOutRetainedObjects) {
  NPObject* location = scripting::window_location_object();
  NPObject* top_location = scripting::top_location_object();
  const uint32_t location_count = location->referenceCount;
  const uint32_t top_location_count = top_location->referenceCount;
  NPVariant result = untouched_variant();
  ASSERT_TRUE(scripting::invoke(nullptr, scripting::browser_window_object(),
                                named("__flash_getWindowLocation"), nullptr, 0, &result));
  EXPECT_EQ(result.type, NPVariantType_Object);
  EXPECT_EQ(result.value.objectValue, location);
  EXPECT_EQ(location->referenceCount, location_count + 1);
  scripting::release_variant_value(&result);
  EXPECT_EQ(location->referenceCount, location_count);

  ASSERT_TRUE(scripting::invoke(nullptr, scripting::top_object(), named("__flash_getTopLocation"),
                                nullptr, 0, &result));
  EXPECT_EQ(result.value.objectValue, top_location);
  EXPECT_EQ(top_location->referenceCount, top_location_count + 1);
  scripting::release_variant_value(&result);
}

TEST(ScriptingInvoke, AnythingElseIsRefused) {
  NPVariant result = untouched_variant();
  EXPECT_FALSE(scripting::invoke(nullptr, scripting::browser_window_object(), named("alert"),
                                 nullptr, 0, &result));
  EXPECT_FALSE(scripting::invoke(nullptr, scripting::browser_window_object(), named("tostring"),
                                 nullptr, 0, &result));
  EXPECT_FALSE(scripting::invoke(nullptr, nullptr, id(0x0FEEBBCE), nullptr, 0, &result));
  EXPECT_FALSE(
      scripting::invoke_default(nullptr, scripting::browser_window_object(), nullptr, 0, &result));
  EXPECT_TRUE(is_untouched(result));
}

// ---------------------------------------------------------------------------
// Properties

TEST(ScriptingProperties, BrowserWindowAnswersThreeNames) {
  NPObject* window = scripting::browser_window_object();
  NPVariant result = untouched_variant();
  ASSERT_TRUE(scripting::get_property(nullptr, window, named("location"), &result));
  EXPECT_EQ(take_string(result), "swhx");
  ASSERT_TRUE(
      scripting::get_property(nullptr, window, named("__flash_getWindowLocation"), &result));
  EXPECT_EQ(take_string(result), "");

  NPObject* top = scripting::top_object();
  const uint32_t top_count = top->referenceCount;
  ASSERT_TRUE(scripting::get_property(nullptr, window, named("top"), &result));
  EXPECT_EQ(result.type, NPVariantType_Object);
  EXPECT_EQ(result.value.objectValue, top);
  EXPECT_EQ(top->referenceCount, top_count + 1);
  scripting::release_variant_value(&result);

  result = untouched_variant();
  EXPECT_FALSE(scripting::get_property(nullptr, window, named("document"), &result));
  EXPECT_FALSE(scripting::get_property(nullptr, top, named("location"), &result));
  EXPECT_FALSE(scripting::get_property(nullptr, nullptr, named("location"), &result));
  EXPECT_TRUE(is_untouched(result));
  EXPECT_FALSE(scripting::set_property(nullptr, window, named("location"), &result));
  EXPECT_FALSE(scripting::has_property(nullptr, window, named("location")));
  EXPECT_FALSE(scripting::has_method(nullptr, window, named("alert")));
  EXPECT_FALSE(scripting::remove_property(nullptr, window, named("location")));
}

// ---------------------------------------------------------------------------
// Evaluate

struct HandlerLog {
  std::vector<std::string> calls;
  bool answer = true;
  std::string reply = "<true/>";
};
HandlerLog* g_handler_log = nullptr;

bool recording_handler(PlayerInstance*, NPObject* object, const char* name, uint32_t count,
                       const NPVariant* arguments, std::string& answer) {
  std::string call = std::string(object ? "object:" : "") + name + "(";
  for (uint32_t i = 0; i < count; ++i) {
    call += (i ? "|" : "") + std::string(bridge::variant_text(arguments[i]));
  }
  g_handler_log->calls.push_back(call + ")");
  if (g_handler_log->answer) answer = g_handler_log->reply;
  return g_handler_log->answer;
}

class ScriptingEvaluate : public ::testing::Test {
 protected:
  void SetUp() override {
    g_handler_log = &log;
    test.instance.host_call_handler = recording_handler;
  }
  void TearDown() override { g_handler_log = nullptr; }

  bool evaluate(const std::string& script, NPVariant& result) {
    NPString text = {script.c_str(), static_cast<uint32_t>(script.size())};
    return scripting::evaluate(test.npp(), scripting::browser_window_object(), &text, &result);
  }
  static std::string call_script(const std::string& call) {
    return "try { __flash__toXML(" + call + ") ; } catch (e) { \"<undefined/>\"; }";
  }

  HandlerLog log;
  TestInstance test;
};

TEST_F(ScriptingEvaluate, CallTextReachesTheHostCallHandler) {
  NPVariant result = untouched_variant();
  ASSERT_TRUE(evaluate(call_script("Window.setTitle(\"a, b\")"), result));
  EXPECT_EQ(take_string(result), "<true/>");
  EXPECT_EQ(log.calls, std::vector<std::string>{"Window.setTitle(|)"});
  ASSERT_TRUE(evaluate(call_script("Window.getSize(\"main\", \"x\")"), result));
  take_string(result);
  EXPECT_EQ(log.calls.back(), "Window.getSize(main|x)");
}

TEST_F(ScriptingEvaluate, EmptyAnswerIsAStringAndNoAnswerRefuses) {
  log.reply = "";
  NPVariant result = untouched_variant();
  ASSERT_TRUE(evaluate(call_script("Api.onInit()"), result));
  EXPECT_EQ(take_string(result), "");
  log.answer = false;
  result = untouched_variant();
  EXPECT_FALSE(evaluate(call_script("Api.onInit()"), result));
  EXPECT_TRUE(is_untouched(result));
  // No handler attached, or no instance behind the NPP: no answer either.
  test.instance.host_call_handler = nullptr;
  EXPECT_FALSE(evaluate(call_script("Api.onInit()"), result));
  NPString text = {"try { __flash__toXML(f())", 25};
  EXPECT_FALSE(scripting::evaluate(nullptr, nullptr, &text, &result));
  EXPECT_TRUE(is_untouched(result));
}

TEST_F(ScriptingEvaluate, TempVariableScripts) {
  NPVariant result = untouched_variant();
  EXPECT_FALSE(evaluate("var __flash_temp = \"a\\qb\";", result));
  EXPECT_TRUE(is_untouched(result));
  ASSERT_TRUE(evaluate("var __flash_temp = \"a\\\"b\";", result));
  EXPECT_EQ(take_string(result), "a\"b");
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(ScriptingEvaluate, OtherScriptsAreVoid) {
  NPVariant result = untouched_variant();
  ASSERT_TRUE(evaluate("window.location.href", result));
  EXPECT_EQ(result.type, NPVariantType_Void);
  result = untouched_variant();
  EXPECT_FALSE(scripting::evaluate(test.npp(), nullptr, nullptr, &result));
  EXPECT_TRUE(is_untouched(result));
}

TEST_F(ScriptingEvaluate, TheScriptEndsAtItsLengthOrItsNul) {
  // The script's buffer goes on past its length: what lies beyond is not read.
  const std::string buffer = "try { __flash__toXML(Window.close(\"tail\")) ; }";
  NPString text = {buffer.c_str(), 34};
  ASSERT_EQ(buffer.substr(0, 34), "try { __flash__toXML(Window.close(");
  NPVariant result = untouched_variant();
  EXPECT_FALSE(scripting::evaluate(test.npp(), nullptr, &text, &result));
  const std::string with_nul = call_script("A.b(\"x\")") + std::string("\0C.d()", 6);
  text = {with_nul.c_str(), static_cast<uint32_t>(with_nul.size())};
  ASSERT_TRUE(scripting::evaluate(test.npp(), nullptr, &text, &result));
  take_string(result);
  EXPECT_EQ(log.calls, std::vector<std::string>{"A.b(x)"});
}

// ---------------------------------------------------------------------------
// Objects and variants

int g_deallocations = 0;
int g_invalidations = 0;
NPObject* count_allocate(NPP, NPClass*) {
  return static_cast<NPObject*>(flashhost::host_alloc(sizeof(NPObject)));
}
void count_deallocate(NPObject* object) {
  ++g_deallocations;
  flashhost::host_free(object);
}
void count_invalidate(NPObject*) { ++g_invalidations; }

TEST(ScriptingObjects, CreateRetainAndReleaseWithTheClassEntries) {
  NPClass with_entries = {};
  with_entries.structVersion = 1;
  with_entries.allocate = count_allocate;
  with_entries.deallocate = count_deallocate;
  with_entries.invalidate = count_invalidate;
  g_deallocations = g_invalidations = 0;
  NPObject* object = scripting::create_object(nullptr, &with_entries);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->_class, &with_entries);
  EXPECT_EQ(object->referenceCount, 1u);
  EXPECT_EQ(scripting::retain_object(object), object);
  EXPECT_EQ(object->referenceCount, 2u);
  scripting::release_object(object);
  EXPECT_EQ(g_deallocations, 0);
  scripting::release_object(object);
  EXPECT_EQ(g_deallocations, 1);
  EXPECT_EQ(g_invalidations, 0);

  // Without allocate and deallocate: the host allocator, and invalidate
  // before the memory goes.
  NPClass bare = {};
  bare.invalidate = count_invalidate;
  object = scripting::create_object(nullptr, &bare);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->referenceCount, 1u);
  scripting::release_object(object);
  EXPECT_EQ(g_invalidations, 1);

  EXPECT_EQ(scripting::create_object(nullptr, nullptr), nullptr);
  EXPECT_EQ(scripting::retain_object(nullptr), nullptr);
  scripting::release_object(nullptr);
}

TEST(ScriptingObjects, HostObjectsSurviveTooManyReleases) {
  NPObject* window = scripting::browser_window_object();
  const uint32_t count = window->referenceCount;
  ASSERT_GE(count, 1u);
  scripting::retain_object(window);
  for (uint32_t i = 0; i < count + 3; ++i) scripting::release_object(window);
  EXPECT_EQ(window->referenceCount, 1u);
  // Still usable.
  NPVariant result = untouched_variant();
  ASSERT_TRUE(scripting::get_property(nullptr, window, named("location"), &result));
  EXPECT_EQ(take_string(result), "swhx");
  EXPECT_EQ(window->_class->structVersion, 1u);
  EXPECT_FALSE(window->_class->hasMethod(window, named("x")));
  for (uint32_t i = 1; i < count; ++i) scripting::retain_object(window);
}

TEST(ScriptingObjects, ReleaseVariantValueLeavesPlainValuesAlone) {
  NPVariant number = bridge::int32_variant(9);
  scripting::release_variant_value(&number);
  EXPECT_EQ(number.type, NPVariantType_Int32);
  EXPECT_EQ(number.value.intValue, 9);
  scripting::release_variant_value(nullptr);
}

// ---------------------------------------------------------------------------
// Calls into the movie

struct MovieLog {
  std::vector<std::string> calls;
  bool answer = true;
  NPVariantType reply_type = NPVariantType_String;
  std::string reply = "movie answer";
};
MovieLog g_movie;

bool movie_invoke(NPObject*, NPIdentifier name, const NPVariant* arguments, uint32_t count,
                  NPVariant* result) {
  char call[32];
  std::snprintf(call, sizeof call, "%08X(", static_cast<unsigned>(value(name)));
  std::string text = call;
  for (uint32_t i = 0; i < count; ++i) {
    if (i) text += ",";
    if (arguments[i].type == NPVariantType_Int32) {
      text += std::to_string(arguments[i].value.intValue);
    } else {
      text += "'" + std::string(bridge::variant_text(arguments[i])) + "'";
    }
  }
  g_movie.calls.push_back(text + ")");
  EXPECT_EQ(result->type, NPVariantType_Void);
  if (g_movie.reply_type == NPVariantType_String) {
    char* copy = static_cast<char*>(flashhost::host_alloc(g_movie.reply.size() + 1));
    std::memcpy(copy, g_movie.reply.c_str(), g_movie.reply.size() + 1);
    result->type = NPVariantType_String;
    result->value.stringValue = {copy, static_cast<uint32_t>(g_movie.reply.size())};
  } else if (g_movie.reply_type == NPVariantType_Object) {
    result->type = NPVariantType_Object;
    result->value.objectValue = scripting::retain_object(scripting::top_object());
  } else {
    result->type = g_movie.reply_type;
    result->value.intValue = 5;
  }
  return g_movie.answer;
}

NPClass movie_class() {
  NPClass movie = {};
  movie.structVersion = 1;
  movie.invoke = movie_invoke;
  return movie;
}

class ScriptingMovieCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    g_movie = MovieLog();
    test.instance.scriptable_object = &movie_object;
  }
  NPClass movie = movie_class();
  NPObject movie_object = {&movie, 1};
  TestInstance test;
};

// Registration is process-wide: checked before and after in this one test.
TEST_F(ScriptingMovieCalls, EventsUseTheRegisteredIdentifiers) {
  std::string answer;
  const NPVariant size[2] = {bridge::int32_variant(640), bridge::int32_variant(480)};
  EXPECT_TRUE(scripting::call_movie(&test.instance, "onWindowResize", size, 2, answer));
  EXPECT_EQ(g_movie.calls.back(), "00000000(640,480)");

  bridge::register_movie_functions();
  EXPECT_TRUE(scripting::call_movie(&test.instance, "onWindowResize", size, 2, answer));
  EXPECT_EQ(answer, "movie answer");
  EXPECT_EQ(g_movie.calls.back(), "0FEEBBD3(640,480)");
  scripting::InstanceMovieCaller caller(&test.instance);
  caller.call_movie("apiInitFinished", nullptr, 0);
  EXPECT_EQ(g_movie.calls.back(), "0FEEBBDA()");
  // The plug-in resolves the registered value to its name.
  NPUTF8* name = scripting::utf8_from_identifier(id(0x0FEEBBD3));
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "onWindowResize");
  flashhost::host_free(name);
  // A name the host never registered goes out as 0.
  caller.call_movie("notAnEvent", nullptr, 0);
  EXPECT_EQ(g_movie.calls.back(), "00000000()");
}

TEST_F(ScriptingMovieCalls, SwhxCallPassesTwoTexts) {
  std::string answer;
  EXPECT_TRUE(scripting::call_swhx(&test.instance, "first", "second", answer));
  EXPECT_EQ(answer, "movie answer");
  EXPECT_EQ(g_movie.calls.back(), "0FEEBBCC('first','second')");
}

TEST_F(ScriptingMovieCalls, OnlyAStringAnswerCounts) {
  std::string answer = "before";
  g_movie.reply_type = NPVariantType_Int32;
  EXPECT_FALSE(scripting::call_swhx(&test.instance, "a", "b", answer));
  g_movie.reply_type = NPVariantType_String;
  g_movie.answer = false;
  EXPECT_FALSE(scripting::call_swhx(&test.instance, "a", "b", answer));
  EXPECT_EQ(answer, "before");
  // An object answer is released, not kept.
  g_movie.answer = true;
  g_movie.reply_type = NPVariantType_Object;
  const uint32_t top_count = scripting::top_object()->referenceCount;
  EXPECT_FALSE(scripting::call_movie(&test.instance, "onMenuCommand", nullptr, 0, answer));
  EXPECT_EQ(scripting::top_object()->referenceCount, top_count);
}

TEST_F(ScriptingMovieCalls, WithoutAScriptableObjectNothingIsCalled) {
  test.instance.scriptable_object = nullptr;
  std::string answer;
  EXPECT_FALSE(scripting::call_swhx(&test.instance, "a", "b", answer));
  EXPECT_FALSE(scripting::call_movie(&test.instance, "onWindowClose", nullptr, 0, answer));
  EXPECT_FALSE(scripting::call_movie(nullptr, "onWindowClose", nullptr, 0, answer));
  NPClass no_invoke = {};
  NPObject object = {&no_invoke, 1};
  test.instance.scriptable_object = &object;
  EXPECT_FALSE(scripting::call_swhx(&test.instance, "a", "b", answer));
  EXPECT_TRUE(g_movie.calls.empty());
}

// ---------------------------------------------------------------------------
// The whole way: evaluated call text, host call handler, dispatcher, answer;
// and Api.onInit calling back into the movie.

class MovieHost : public bridge::DispatcherHost {
 public:
  explicit MovieHost(PlayerInstance* instance) : movie_(instance) {}
  void call_movie(const char* function, const NPVariant* arguments, uint32_t count) override {
    movie_.call_movie(function, arguments, count);
  }
  bool load_url_data(const std::string&, const char*, std::size_t, std::string&) override {
    return false;
  }
  std::string main_window_name() override { return "MainWindow"; }
  std::vector<std::string> child_window_names() override { return {"Help"}; }

 private:
  scripting::InstanceMovieCaller movie_;
};

bridge::Dispatcher* g_dispatcher = nullptr;

bool dispatcher_handler(PlayerInstance*, NPObject* object, const char* name, uint32_t count,
                        const NPVariant* arguments, std::string& answer) {
  return scripting::dispatch_host_call(g_dispatcher, object, name, count, arguments, answer);
}

TEST_F(ScriptingMovieCalls, EvaluatedCallsReachTheDispatcher) {
  bridge::register_movie_functions();
  MovieHost host(&test.instance);
  bridge::Dispatcher dispatcher(host);
  g_dispatcher = &dispatcher;
  test.instance.host_call_handler = dispatcher_handler;

  const std::string script = "try { __flash__toXML(AppleScript.runScript(\"eA==\")) ; }";
  NPString text = {script.c_str(), static_cast<uint32_t>(script.size())};
  NPVariant result = untouched_variant();
  ASSERT_TRUE(scripting::evaluate(test.npp(), scripting::browser_window_object(), &text, &result));
  EXPECT_EQ(take_string(result), "<false/>");

  const std::string init = "try { __flash__toXML(Api.onInit()) ; }";
  text = {init.c_str(), static_cast<uint32_t>(init.size())};
  result = untouched_variant();
  EXPECT_FALSE(scripting::evaluate(test.npp(), scripting::browser_window_object(), &text, &result));
  EXPECT_TRUE(is_untouched(result));
  EXPECT_EQ(g_movie.calls, (std::vector<std::string>{"0FEEBBD0('MainWindow')", "0FEEBBD0('Help')",
                                                     "0FEEBBD1('WindowForm')"}));

  // A namespace nobody serves yet, and no dispatcher at all.
  const std::string missing = "try { __flash__toXML(Window.getSize(\"main\")) ; }";
  text = {missing.c_str(), static_cast<uint32_t>(missing.size())};
  EXPECT_FALSE(scripting::evaluate(test.npp(), nullptr, &text, &result));
  g_dispatcher = nullptr;
  text = {script.c_str(), static_cast<uint32_t>(script.size())};
  EXPECT_FALSE(scripting::evaluate(test.npp(), nullptr, &text, &result));
  EXPECT_TRUE(is_untouched(result));
}

}  // namespace
