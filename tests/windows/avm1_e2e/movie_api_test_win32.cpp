// Movies with ActionScript, made from raw action bytes, played by our real
// npfp.dll in the host's real player window with the desktop API installed
// behind ExternalInterface. What the movie sees it traces, and the trace
// file named by NPFP_SCRIPT_TRACE is what these tests read.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "api/api_context.h"
#include "api/namespaces.h"
#include "bridge/base64.h"
#include "bridge/dispatcher.h"
#include "bridge/identifiers.h"
#include "bridge/invoke_protocol.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"
#include "flashhost/player_window.h"
#include "movie_scripts.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace {

using e2e::Actions;

std::string b64(const std::string& text) { return bridge::base64_encode(text); }

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

class MovieInPlayerWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const int registered = flashhost::register_player_class();
    ASSERT_EQ(registered, 0);
    // The windowed start's interned movie functions: events then reach the
    // movie under their names.
    bridge::register_movie_functions();
  }

  void SetUp() override {
#if !defined(NPFP_DLL_PATH)
    GTEST_SKIP() << "the plug-in module is not part of this build";
#else
    script_trace_ = folder_.file("script-trace.txt");
    call_trace_ = folder_.file("call-trace.txt");
    SetEnvironmentVariableA("NPFP_SCRIPT_TRACE", script_trace_.c_str());
    SetEnvironmentVariableA("NPFP_TRACE", call_trace_.c_str());
    std::string failure;
    library_ = flashhost::PlayerLibrary::load(std::string("Z:") + NPFP_DLL_PATH, failure);
    ASSERT_NE(library_, nullptr) << failure;
    flashhost::set_current_library(library_);
    settings_.main_window.window_name = "MainWindow";
#endif
  }

  void TearDown() override {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    player_.reset();
    context_.reset();
    flashhost::set_current_library(nullptr);
    if (library_) flashhost::PlayerLibrary::unload(library_);
    SetEnvironmentVariableA("NPFP_SCRIPT_TRACE", nullptr);
    SetEnvironmentVariableA("NPFP_TRACE", nullptr);
  }

  // The movie in a fresh 320 x 240 player window, started as the windowed
  // player starts its windows, with every API namespace answering.
  void play(const swfwriter::Bytes& movie) {
    movie_path_ = folder_.file("movie.swf");
    ASSERT_TRUE(swfwriter::write_file(movie_path_, movie));
    ASSERT_NO_FATAL_FAILURE(open_player_window());
    player_->set_parameter("src", movie_path_);
    ASSERT_TRUE(player_->start());
  }

  // A fresh 320 x 240 player window with every API namespace, not started.
  void open_player_window() {
    player_ =
        std::make_unique<flashhost::PlayerWindow>(&settings_.main_window, &settings_.main_window);
    window_ = CreateWindowExA(0, flashhost::kPlayerClassName, "avm1", WS_POPUP | WS_VISIBLE, 0, 0,
                              320, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(player_->set_up(window_));
    context_ = std::make_unique<api::FixedOwnerContext>(window_);
    api::install_namespaces(player_->dispatcher(), *context_);
  }

  std::vector<std::string> script_lines() {
    return lines_of(testing_support::TempDir::read(script_trace_));
  }
  std::string call_log() { return testing_support::TempDir::read(call_trace_); }

  // Runs the message loop (the plug-in's frame clock lives there) until the
  // script trace holds `line`, or for at most `ms` milliseconds.
  bool pump_until(const std::string& line, DWORD ms = 10000) {
    DWORD start = GetTickCount();
    for (;;) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      for (const std::string& l : script_lines())
        if (l == line) return true;
      if (GetTickCount() - start > ms) return false;
      Sleep(5);
    }
  }
  void pump_for(DWORD ms) { pump_until("\x01never", ms); }

  testing_support::TempDir folder_;
  std::string script_trace_, call_trace_, movie_path_;
  flashhost::PlayerLibrary* library_ = nullptr;
  SaverSettings settings_;
  std::unique_ptr<flashhost::PlayerWindow> player_;
  std::unique_ptr<api::FixedOwnerContext> context_;
  HWND window_ = nullptr;
};

// The desktop API through ExternalInterface.call: text arguments go as
// Base64, the host's XML answers come back as ActionScript values (an
// object with w and h, true/false, numbers), and text answers are Base64
// that the movie decodes itself.
TEST_F(MovieInPlayerWindow, ApiCallsWithBase64ArgumentsAnswerDecodedValues) {
  const std::string saved = folder_.file("saved.txt");
  const std::string key_path = "swfsaverTests\\avm1e2e";
  Actions a;
  e2e::define_base64_decoder(a);
  a.local("size", [](Actions& x) { e2e::api_call(x, "System.getScreenSize", {}); });
  a.push_string("screen ").get("size").member("w").add().push_string("x").add();
  a.get("size").member("h").add().trace();
  e2e::trace_labelled(a, "saved ", [&](Actions& x) {
    e2e::api_call(x, "FileSystem.saveFile", {b64(saved), b64("hello, api")});
  });
  e2e::trace_labelled(a, "again ", [&](Actions& x) {
    e2e::api_call(x, "FileSystem.saveFile", {b64(saved), b64("other")});
  });
  e2e::trace_labelled(a, "bytes ", [&](Actions& x) {
    e2e::api_call(x, "FileSystem.getFileSizeBytes", {b64(saved)});
  });
  e2e::trace_labelled(a, "extension ", [&](Actions& x) {
    e2e::decoded(
        x, [&](Actions& y) { e2e::api_call(y, "FileSystem.getFileExtension", {b64(saved)}); });
  });
  a.local("key", [&](Actions& x) {
    e2e::api_call(x, "Registry.open", {b64(key_path), b64("user")});
  });
  e2e::trace_labelled(a, "key is a ", [](Actions& x) { x.get("key").op(0x44 /* TypeOf */); });
  e2e::trace_labelled(a, "setString ", [](Actions& x) {
    e2e::api_call_on(x, "Registry.setString", "key",
                     {b64("greeting"), b64("Hello, <world> & \"you\"")});
  });
  e2e::trace_labelled(a, "getString ", [](Actions& x) {
    e2e::decoded(
        x, [](Actions& y) { e2e::api_call_on(y, "Registry.getString", "key", {b64("greeting")}); });
  });
  e2e::trace_labelled(a, "setInteger ", [](Actions& x) {
    e2e::api_call_on(x, "Registry.setInteger", "key", {b64("count"), "-1234"});
  });
  e2e::trace_labelled(a, "getInteger+1 ", [](Actions& x) {
    e2e::api_call_on(x, "Registry.getInteger", "key", {b64("count")});
    x.push_int(1).add();
  });
  e2e::trace_labelled(a, "missing ", [](Actions& x) {
    e2e::api_call_on(x, "Registry.getString", "key", {b64("absent")});
  });
  e2e::trace_labelled(a, "close ",
                      [](Actions& x) { e2e::api_call_on(x, "Registry.close", "key", {}); });
  e2e::trace_labelled(a, "unknown ", [](Actions& x) { e2e::api_call(x, "Nothing.here", {}); });
  a.push_string("done").trace();
  a.stop();

  play(e2e::script_movie(a));
  ASSERT_TRUE(pump_until("done")) << call_log();

  const std::string screen = "screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
                             std::to_string(GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(script_lines(), (std::vector<std::string>{
                                screen,
                                "saved true",
                                "again false",
                                "bytes 10",
                                "extension txt",
                                "key is a number",
                                "setString true",
                                "getString Hello, <world> & \"you\"",
                                "setInteger true",
                                "getInteger+1 -1233",
                                "missing null",
                                "close true",
                                "unknown null",
                                "done",
                            }));
  EXPECT_EQ(testing_support::TempDir::read(saved), "hello, api");

  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ("SOFTWARE\\" + key_path).c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD count = 0, size = sizeof count, type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(static_cast<int32_t>(count), -1234);
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_CURRENT_USER, ("SOFTWARE\\" + key_path).c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\swfsaverTests");
}

// addCallback publishes functions on the plug-in's scriptable object: the
// host's window events and "swhxCall" reach them with their arguments, and
// a function's answer goes back to the host as text.
TEST_F(MovieInPlayerWindow, PublishedFunctionsReceiveTheHostsEvents) {
  settings_.main_window.add_child()->window_name = "Palette";
  Actions a;
  auto publish = [&a](const std::string& name, const std::vector<std::string>& params,
                      const Actions& body) {
    a.define_function("", params, body);
    a.push_null();
    a.push_string(name);
    a.call_method(3, e2e::push_external_interface, "addCallback");
    a.pop();
  };
  Actions on_resize;
  on_resize.push_string("resize ").get("w").add().push_string("x").add().get("h").add().trace();
  publish("onWindowResize", {"w", "h"}, on_resize);
  Actions on_init;
  on_init.push_string("init finished").trace();
  publish("apiInitFinished", {}, on_init);
  Actions on_swhx;
  on_swhx.push_string("swhx ").get("a").add().push_string(" ").add().get("b").add().trace();
  on_swhx.get("a").push_string("|").add().get("b").add().ret();
  publish("swhxCall", {"a", "b"}, on_swhx);
  Actions on_form;
  on_form.push_string("form ").get("name").add().trace();
  publish("addWindowForm", {"name"}, on_form);
  Actions on_this_form;
  on_this_form.push_string("this form ").get("name").add().trace();
  publish("setThisWindowForm", {"name"}, on_this_form);
  // Api.onInit calls back into the movie while the movie's call is running.
  e2e::trace_labelled(a, "onInit answered ",
                      [](Actions& x) { e2e::api_call(x, "Api.onInit", {}); });
  e2e::trace_labelled(a, "available ", [](Actions& x) {
    e2e::push_external_interface(x);
    x.member("available");
  });
  a.push_string("published").trace();
  a.stop();

  play(e2e::script_movie(a, 2));
  ASSERT_TRUE(pump_until("init finished"));

  ASSERT_TRUE(SetWindowPos(window_, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER));
  ASSERT_TRUE(pump_until("resize 400x300"));

  std::string answer;
  ASSERT_TRUE(player_->call_swhx("first, \"one\"", "second <two>", answer));
  EXPECT_EQ(answer, "first, \"one\"|second <two>");

  // A name the movie has not published is refused and changes nothing.
  NPVariant position[2];
  position[0].type = position[1].type = NPVariantType_Int32;
  position[0].value.intValue = 5;
  position[1].value.intValue = 6;
  player_->call_movie("onWindowPosition", position, 2);
  pump_for(100);

  EXPECT_EQ(script_lines(), (std::vector<std::string>{
                                "form MainWindow",
                                "form Palette",
                                "this form WindowForm",
                                "onInit answered null",
                                "available true",
                                "published",
                                "init finished",
                                "resize 400x300",
                                "swhx first, \"one\" second <two>",
                            }));
  const std::string calls = call_log();
  EXPECT_NE(calls.find("NPObject invoke name=onWindowResize argc=2 -> true"), std::string::npos);
  EXPECT_NE(calls.find("NPObject invoke name=swhxCall argc=2 -> true"), std::string::npos);
  EXPECT_NE(calls.find("NPObject invoke name=onWindowPosition argc=2 -> false"), std::string::npos);
}

// Mouse and key events the host sends as NPEvents reach the movie's
// listeners; FSCommand and getURL leave through the browser functions.
TEST_F(MovieInPlayerWindow, InputReachesListenersAndUrlsLeaveThroughTheBrowser) {
  Actions a;
  // var listener = {}; listener.onKeyDown = function () { trace(...) };
  a.local("listener", [](Actions& x) { x.push_int(0).op(0x43 /* InitObject */); });
  Actions on_key;
  on_key.push_string("key ");
  on_key.call_method(
      0, [](Actions& y) { y.get("Key"); }, "getCode");
  on_key.add().trace();
  a.get("listener").push_string("onKeyDown");
  a.define_function("", {}, on_key);
  a.op(0x4F /* SetMember */);
  Actions on_mouse;
  on_mouse.push_string("mouse down at ").get("_root").member("_xmouse").add();
  on_mouse.push_string(",").add().get("_root").member("_ymouse").add().trace();
  a.get("listener").push_string("onMouseDown");
  a.define_function("", {}, on_mouse);
  a.op(0x4F);
  a.get("listener");
  a.call_method(
       1, [](Actions& y) { y.get("Key"); }, "addListener")
      .pop();
  a.get("listener");
  a.call_method(
       1, [](Actions& y) { y.get("Mouse"); }, "addListener")
      .pop();
  a.get_url("FSCommand:saver", "start");
  a.get_url("http://example.invalid/page", "_blank");
  a.push_string("listening").trace();
  a.stop();

  play(e2e::script_movie(a, 2));
  ASSERT_TRUE(pump_until("listening"));
  flashhost::send_event(player_->view(), WM_KEYDOWN, 'Q', 0x00100001);
  flashhost::send_event(player_->view(), WM_KEYUP, 'Q', 0xC0100001);
  flashhost::send_event(player_->view(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 30));
  flashhost::send_event(player_->view(), WM_LBUTTONUP, 0, MAKELPARAM(40, 30));
  ASSERT_TRUE(pump_until("key 81"));
  pump_for(200);
  std::vector<std::string> lines = script_lines();
  ASSERT_EQ(lines.size(), 3u) << testing_support::TempDir::read(script_trace_);
  EXPECT_EQ(lines[0], "listening");
  EXPECT_EQ(lines[1], "key 81");
  // The press lands on the pixel at (40, 30): the movie, shown at its own
  // size, sees it there.
  EXPECT_EQ(lines[2], "mouse down at 40,30");

  const std::string calls = call_log();
  EXPECT_NE(calls.find("FSCommand command=saver args=start"), std::string::npos) << calls;
  EXPECT_NE(calls.find("GetURL url=http://example.invalid/page target=_blank method=none"),
            std::string::npos)
      << calls;
}

// A DefineButton2 whose actions trace on press and on release, over a
// 100 x 100 pixel square.
void add_tracing_button(swfwriter::Movie& movie, uint16_t shape_id, uint16_t button_id) {
  swfwriter::ShapeBuilder square;
  int fill = square.add_fill(swfwriter::FillStyle::solid({0, 128, 255, 255}));
  square.rectangle(0, 0, 100 * 20, 100 * 20, fill);
  movie.define_shape(shape_id, square);
  swfwriter::BitWriter records;
  records.u8(0x0F);  // up, over, down and hit
  records.u16(shape_id);
  records.u16(1);
  swfwriter::write_matrix(records, swfwriter::Matrix());
  swfwriter::write_color_transform(records, swfwriter::ColorTransform(), true);
  records.u8(0);
  const swfwriter::Bytes record_bytes = records.data();
  Actions press, release;
  press.push_string("button pressed").trace();
  release.push_string("button released").trace();
  const swfwriter::Bytes press_code = press.finish(), release_code = release.finish();
  swfwriter::BitWriter body;
  body.u16(button_id);
  body.u8(0);
  body.u16(static_cast<uint16_t>(2 + record_bytes.size()));  // to the first condition
  body.bytes(record_bytes);
  body.u16(static_cast<uint16_t>(4 + press_code.size()));  // to the next condition
  body.u16(0x0004);                                        // over, up to over, down
  body.bytes(press_code);
  body.u16(0);       // the last one
  body.u16(0x0008);  // over, down to over, up
  body.bytes(release_code);
  movie.tag(34, body.data());
}

// Presses over a button run its actions; presses reach the root clip's
// own mouse handler too (a clip event).
TEST_F(MovieInPlayerWindow, PressesReachButtonsAndClipEvents) {
  swfwriter::Movie movie;
  movie.width_twips = 320 * 20;
  movie.height_twips = 240 * 20;
  movie.frame_count = 1;
  add_tracing_button(movie, 1, 2);
  movie.place(
      swfwriter::Placement::place(2, 1, swfwriter::Matrix::translation(100 * 20, 100 * 20)));
  Actions a;
  Actions on_up;
  on_up.push_string("root mouse up").trace();
  a.get("_root").push_string("onMouseUp");
  a.define_function("", {}, on_up);
  a.op(0x4F /* SetMember */);
  a.push_string("ready").trace();
  a.stop();
  movie.do_action(a.finish());
  movie.show_frame();
  play(movie.finish());
  ASSERT_TRUE(pump_until("ready"));

  flashhost::PlayerView* view = player_->view();
  // Outside the button first, then on it.
  flashhost::send_event(view, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  flashhost::send_event(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  flashhost::send_event(view, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  flashhost::send_event(view, WM_MOUSEMOVE, 0, MAKELPARAM(150, 150));
  EXPECT_EQ(flashhost::send_event(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150)), 1)
      << "a press on a button is the movie's";
  flashhost::send_event(view, WM_LBUTTONUP, 0, MAKELPARAM(150, 150));
  ASSERT_TRUE(pump_until("button released"));
  pump_for(100);
  std::vector<std::string> lines = script_lines();
  // The button's actions and the clip event of one release may come in
  // either order; each comes once.
  ASSERT_EQ(lines.size(), 5u);
  std::sort(lines.begin() + 3, lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"ready", "root mouse up", "button pressed",
                                             "button released", "root mouse up"}));
}

// Loading through the browser's URL functions: LoadVars.load asks with
// NPN_GetURLNotify, sendAndLoad posts with NPN_PostURLNotify; the answers
// reach the movie's onData after the host's call has returned.
TEST_F(MovieInPlayerWindow, LoadsAskTheBrowserAndAnswerTheMovieLater) {
  const std::string data_path = folder_.write("vars.txt", "a=1&b=two%20words");
  Actions a;
  Actions on_data;
  on_data.push_string("loaded ").get("src").add().trace();
  a.local("getter",
          [](Actions& x) { x.push_int(0).push_string("LoadVars").op(0x40 /* NewObject */); });
  a.get("getter").push_string("onData");
  a.define_function("", {"src"}, on_data);
  a.op(0x4F);
  a.push_string(data_path);
  a.call_method(
       1, [](Actions& x) { x.get("getter"); }, "load")
      .pop();
  a.push_string("asked").trace();

  Actions on_answer;
  on_answer.push_string("posted, answer ").get("src").add().trace();
  a.local("sender", [](Actions& x) { x.push_int(0).push_string("LoadVars").op(0x40); });
  a.get("sender").push_string("name").push_string("value").op(0x4F);
  a.local("receiver", [](Actions& x) { x.push_int(0).push_string("LoadVars").op(0x40); });
  a.get("receiver").push_string("onData");
  a.define_function("", {"src"}, on_answer);
  a.op(0x4F);
  a.push_string("POST").get("receiver").push_string(data_path);
  a.call_method(
       3, [](Actions& x) { x.get("sender"); }, "sendAndLoad")
      .pop();
  a.push_string("posted").trace();
  a.stop();

  play(e2e::script_movie(a, 2));
  ASSERT_TRUE(pump_until("posted, answer a=1&b=two%20words"))
      << testing_support::TempDir::read(script_trace_) << call_log();
  EXPECT_EQ(script_lines(), (std::vector<std::string>{"asked", "posted", "loaded a=1&b=two%20words",
                                                      "posted, answer a=1&b=two%20words"}));
  const std::string calls = call_log();
  EXPECT_NE(calls.find("NPP_URLNotify url=" + data_path + " reason=0"), std::string::npos) << calls;
}

// The README's first API example, as written there: a note saved on C:.
TEST_F(MovieInPlayerWindow, TheReadmeExampleSavesItsNote) {
  DeleteFileA("C:\\notes.txt");
  Actions a;
  // var ok = ExternalInterface.call("FileSystem.saveFile", "Qzpcbm90ZXMudHh0", "aGVsbG8=");
  a.local("ok", [](Actions& x) {
    e2e::api_call(x, "FileSystem.saveFile", {"Qzpcbm90ZXMudHh0", "aGVsbG8="});
  });
  e2e::trace_labelled(a, "ok ", [](Actions& x) { x.get("ok"); });
  a.stop();
  play(e2e::script_movie(a));
  ASSERT_TRUE(pump_until("ok true")) << testing_support::TempDir::read(script_trace_);
  EXPECT_EQ(testing_support::TempDir::read("C:\\notes.txt"), "hello");
  DeleteFileA("C:\\notes.txt");
}

// Stands in for the Window namespace: "close" destroys the player window
// (and with it the plug-in instance) while the movie's call is running.
class ClosingWindowNamespace : public bridge::NamespaceHandler {
 public:
  explicit ClosingWindowNamespace(HWND window) : window_(window) {}
  bridge::Result call(std::string_view method, const bridge::ArgumentList&) override {
    if (method != "close") return std::nullopt;
    DestroyWindow(window_);
    return bridge::result_boolean(true);
  }

 private:
  HWND window_;
};

// A player window for `movie_path` whose Window namespace closes it, ready
// to start.
class ClosingMovieInPlayerWindow : public MovieInPlayerWindow {
 protected:
  void prepare_closing_window(const std::string& movie_path) {
    ASSERT_NO_FATAL_FAILURE(open_player_window());
    player_->dispatcher().set_handler(bridge::Namespace::kWindow,
                                      std::make_unique<ClosingWindowNamespace>(window_));
    player_->set_parameter("src", movie_path);
  }
};

// The host may destroy the instance from inside the movie's own call: the
// script finishes without reaching the host again, and the instance goes
// once the call has returned.
TEST_F(ClosingMovieInPlayerWindow, TheHostMayDestroyTheInstanceWhileAScriptRuns) {
  // The second frame closes: its script runs on the frame clock, as a
  // button's would, not inside the host's start.
  Actions a;
  a.push_string("closing").trace();
  e2e::trace_labelled(a, "close answered ",
                      [](Actions& x) { e2e::api_call(x, "Window.close", {}); });
  e2e::trace_labelled(a, "after close ",
                      [](Actions& x) { e2e::api_call(x, "System.getScreenSize", {}); });
  a.stop();
  swfwriter::Movie movie;
  movie.width_twips = 320 * 20;
  movie.height_twips = 240 * 20;
  movie.frame_count = 2;
  movie.show_frame();
  movie.do_action(a.finish());
  movie.show_frame();
  const std::string movie_path = folder_.file("closing.swf");
  ASSERT_TRUE(swfwriter::write_file(movie_path, movie.finish()));
  ASSERT_NO_FATAL_FAILURE(prepare_closing_window(movie_path));
  player_->start();
  ASSERT_TRUE(pump_until("after close null", 5000))
      << testing_support::TempDir::read(script_trace_);
  pump_for(100);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(player_->instance(), nullptr);
  EXPECT_EQ(script_lines(),
            (std::vector<std::string>{"closing", "close answered true", "after close null"}));
  const std::string calls = call_log();
  EXPECT_NE(calls.find("NPP_Destroy"), std::string::npos) << calls;
}

// The same from the movie's first frame, whose script runs while the host is
// still handing the plug-in the movie: the start ends without the instance,
// and nothing touches the destroyed window or instance afterwards.
TEST_F(ClosingMovieInPlayerWindow, TheHostMayDestroyTheInstanceWhileItStarts) {
  Actions a;
  a.push_string("closing").trace();
  e2e::trace_labelled(a, "close answered ",
                      [](Actions& x) { e2e::api_call(x, "Window.close", {}); });
  a.stop();
  const std::string movie_path = folder_.file("closing_at_once.swf");
  ASSERT_TRUE(swfwriter::write_file(movie_path, e2e::script_movie(a)));
  ASSERT_NO_FATAL_FAILURE(prepare_closing_window(movie_path));
  EXPECT_FALSE(player_->start());
  pump_for(200);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(player_->instance(), nullptr);
  EXPECT_EQ(script_lines(), (std::vector<std::string>{"closing", "close answered true"}));
  const std::string calls = call_log();
  EXPECT_NE(calls.find("NPP_Destroy"), std::string::npos) << calls;
}

}  // namespace
