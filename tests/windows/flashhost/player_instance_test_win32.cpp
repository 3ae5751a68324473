// Instances, parameters, browser functions and streams through the real
// plug-in boundary: the test plug-in records what the host did.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "flashhost/browser_functions.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/player_parameters.h"
#include "flashhost/player_view.h"
#include "flashhost/url_paths.h"
#include "host_test_support.h"
#include "payload/work_folder.h"
#include "support/temp_dir.h"

namespace {

using namespace flashhost;
using Lines = std::vector<std::string>;

class HostContract : public ::testing::Test {
 protected:
  void SetUp() override {
    host_test::clear_knobs();
    trace_ = temp_.file("trace.txt");
    host_test::set_knob("TESTPLUGIN_TRACE", trace_);
    std::string failure;
    library_ = PlayerLibrary::load(host_test::plugin_path("testplugin.dll"), failure);
    ASSERT_NE(library_, nullptr) << failure;
    set_current_library(library_);
    browser_ = host_test::plugin_browser_table("testplugin.dll");
    ASSERT_NE(browser_, nullptr);
    window_ = CreateWindowA("STATIC", "player", WS_POPUP, 0, 0, 320, 200, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    view_ = PlayerView();
    view_.window = window_;
    view_.plugin_window.type = NPWindowTypeDrawable;
    view_.plugin_window.width = 320;
    view_.plugin_window.height = 200;
    view_.plugin_window.clipRect.bottom = 200;
    view_.plugin_window.clipRect.right = 320;
    view_.event_sender = send_to_plugin;
    work_folder::set_name("hostcontract_" + std::to_string(GetCurrentProcessId()));
    ASSERT_TRUE(work_folder::create());
  }
  void TearDown() override {
    for (const auto& f : files_) DeleteFileA(f.c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryA(it->c_str());
    RemoveDirectoryA(work_folder::path().c_str());
    work_folder::set_name("");
    set_current_library(nullptr);
    PlayerLibrary::unload(library_);
    if (window_) DestroyWindow(window_);
    host_test::clear_knobs();
  }
  Lines trace() { return host_test::read_trace(trace_); }
  Lines trace_from(std::size_t first) {
    Lines all = trace();
    return Lines(all.begin() + static_cast<long>(std::min(first, all.size())), all.end());
  }
  std::string write_file(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr) << path;
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    files_.push_back(path);
    return path;
  }
  std::string folder(const std::string& path) {
    CreateDirectoryA(path.c_str(), nullptr);
    folders_.push_back(path);
    return path;
  }
  PlayerInstance* started_instance() {
    PlayerInstance* instance = create_instance(&view_);
    view_.instance = instance;
    EXPECT_TRUE(start(instance));
    return instance;
  }

  testing_support::TempDir temp_;
  std::string trace_;
  PlayerLibrary* library_ = nullptr;
  NPNetscapeFuncs* browser_ = nullptr;
  HWND window_ = nullptr;
  PlayerView view_;
  std::vector<std::string> files_;
  std::vector<std::string> folders_;
};

// The line without its data dump.
std::string head(const std::string& line) { return line.substr(0, line.find(" data=")); }

const char kDefaults[] =
    "type=application/x-shockwave-flash allowscriptaccess=always quality=high wmode=opaque "
    "salign=LT scale=exactfit";

TEST_F(HostContract, StartWithoutMovieStillCreatesAndPlacesTheInstance) {
  PlayerInstance* instance = create_instance(&view_);
  view_.instance = instance;
  EXPECT_EQ(instance->npp.ndata, instance);
  EXPECT_EQ(instance->npp.pdata, nullptr);
  EXPECT_EQ(instance->movie_path, "");
  std::size_t before = trace().size();
  ASSERT_TRUE(start(instance));
  EXPECT_TRUE(instance->created);
  EXPECT_EQ(instance->movie_path, "empty");
  EXPECT_EQ(instance->scriptable_object, nullptr);  // the plug-in refused variable 15
  EXPECT_EQ(
      trace_from(before),
      (Lines{std::string("NPP_New mime=application/x-shockwave-flash mode=1 argc=6 ") + kDefaults,
             "NPP_GetValue variable=15",
             "NPP_SetWindow x=0 y=0 w=320 h=200 type=2 clip=0,0,200,320"}));
  EXPECT_FALSE(start(instance)) << "a second start is refused";
  EXPECT_EQ(view_.saved_procedure_window, window_);
  EXPECT_NE(view_.saved_procedure, nullptr);
  destroy(instance);
  EXPECT_EQ(trace().back(), "NPP_Destroy save=none");
}

TEST_F(HostContract, ParametersKeepTheirOrderAndFirstSpelling) {
  PlayerInstance* instance = create_instance(&view_);
  view_.instance = instance;
  set_parameter(instance, "Quality", "best");
  set_parameter(instance, "wmode", "transparent");
  set_parameter(instance, "bgcolor", format_bgcolor(0x00336699));
  set_parameter(instance, "MENU", "false");
  ASSERT_TRUE(start(instance));
  Lines news = host_test::lines_starting(trace(), "NPP_New ");
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0],
            "NPP_New mime=application/x-shockwave-flash mode=1 argc=8 "
            "type=application/x-shockwave-flash allowscriptaccess=always quality=best "
            "wmode=transparent salign=LT scale=exactfit bgcolor=#996633 MENU=false");
  destroy(instance);
}

TEST_F(HostContract, MovieIsFedInPacedPiecesAndTheStreamClosed) {
  std::string movie(250000, 'M');
  movie[0] = 'F';
  movie[1] = 'W';
  movie[2] = 'S';
  std::string path = write_file(work_folder::path_of("movie.swf"), movie);
  host_test::set_knob("TESTPLUGIN_WRITEREADY", "40000,150000");
  PlayerInstance* instance = create_instance(&view_);
  view_.instance = instance;
  set_parameter(instance, "src", path);
  std::size_t before = trace().size();
  ASSERT_TRUE(start(instance));
  EXPECT_EQ(instance->movie_path, path);
  Lines lines = trace_from(before);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[3], "NPP_NewStream type=application/x-shockwave-flash url=" + path +
                          " end=250000 seekable=0 stype=1 notify=0");
  Lines writes = host_test::lines_starting(lines, "NPP_Write ");
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(head(writes[0]), "NPP_Write offset=0 len=40000");
  EXPECT_EQ(writes[0].substr(writes[0].find(" data="), 12), " data=FWSMMM");
  EXPECT_EQ(head(writes[1]), "NPP_Write offset=40000 len=100000");
  EXPECT_EQ(head(writes[2]), "NPP_Write offset=140000 len=100000");
  EXPECT_EQ(head(writes[3]), "NPP_Write offset=240000 len=10000");
  EXPECT_EQ(host_test::lines_starting(lines, "NPP_WriteReady").size(), 4u);
  EXPECT_EQ(lines.back(), "NPP_DestroyStream url=" + path + " reason=0 end=250000");
  destroy(instance);
}

TEST_F(HostContract, WholeMovieArrivesWithALargeAnswer) {
  std::string movie(250001, 'x');
  std::string path = write_file(work_folder::path_of("big.swf"), movie);
  PlayerInstance* instance = create_instance(&view_);
  view_.instance = instance;
  set_parameter(instance, "SRC", path);
  ASSERT_TRUE(start(instance));
  Lines writes = host_test::lines_starting(trace(), "NPP_Write ");
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(head(writes[2]), "NPP_Write offset=200000 len=50001");
  destroy(instance);
}

TEST_F(HostContract, ZeroAnswerOrRefusedStreamFailsTheStartButKeepsTheInstance) {
  std::string path = write_file(work_folder::path_of("m.swf"), "FWS0123456789");
  host_test::set_knob("TESTPLUGIN_WRITEREADY", "0");
  PlayerInstance* instance = create_instance(&view_);
  view_.instance = instance;
  set_parameter(instance, "src", path);
  EXPECT_FALSE(start(instance));
  EXPECT_TRUE(instance->created);
  EXPECT_TRUE(host_test::lines_starting(trace(), "NPP_Write ").empty());
  EXPECT_EQ(trace().back(), "NPP_DestroyStream url=" + path + " reason=0 end=13");
  destroy(instance);
  EXPECT_EQ(trace().back(), "NPP_Destroy save=none");

  host_test::set_knob("TESTPLUGIN_WRITEREADY", "");
  host_test::set_knob("TESTPLUGIN_NEWSTREAM", "refuse");
  instance = create_instance(&view_);
  view_.instance = instance;
  set_parameter(instance, "src", path);
  std::size_t before = trace().size();
  EXPECT_FALSE(start(instance));
  Lines lines = trace_from(before);
  EXPECT_TRUE(host_test::lines_starting(lines, "NPP_DestroyStream").empty());
  EXPECT_TRUE(host_test::lines_starting(lines, "NPP_WriteReady").empty());
  destroy(instance);
}

TEST_F(HostContract, AsFileStreamsGetTheFileNameAfterTheData) {
  std::string path = write_file(work_folder::path_of("af.swf"), "FWSdata");
  host_test::set_knob("TESTPLUGIN_NEWSTREAM", "asfile");
  PlayerInstance* instance = create_instance(&view_);
  view_.instance = instance;
  set_parameter(instance, "src", path);
  ASSERT_TRUE(start(instance));
  Lines lines = trace();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "NPP_Write offset=0 len=7 data=FWSdata");
  EXPECT_EQ(lines[lines.size() - 2], "NPP_StreamAsFile fname=" + path);
  EXPECT_EQ(lines.back(), "NPP_DestroyStream url=" + path + " reason=0 end=7");
  destroy(instance);
}

TEST_F(HostContract, FailedNewIsNeverDestroyed) {
  host_test::set_knob("TESTPLUGIN_NEW", "fail");
  PlayerInstance* instance = create_instance(&view_);
  EXPECT_FALSE(start(instance));
  EXPECT_FALSE(instance->created);
  destroy(instance);
  EXPECT_TRUE(host_test::lines_starting(trace(), "NPP_Destroy").empty());
  EXPECT_TRUE(host_test::lines_starting(trace(), "NPP_SetWindow").empty());
}

TEST_F(HostContract, JavascriptRequestsAnswerTheUniqueBaseUrl) {
  PlayerInstance* instance = started_instance();
  std::size_t before = trace().size();
  EXPECT_EQ(browser_->geturlnotify(&instance->npp, "javascript:window.location.href", nullptr,
                                   reinterpret_cast<void*>(77)),
            NPERR_NO_ERROR);
  char base[64];
  std::snprintf(base, sizeof base, "file://%X__flashplugin_unique__",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(instance)));
  EXPECT_EQ(trace_from(before),
            (Lines{"NPP_NewStream type=text/hxml url=javascript:window.location.href end=0 "
                   "seekable=0 stype=1 notify=77",
                   "NPP_WriteReady -> 1048576",
                   "NPP_Write offset=0 len=" + std::to_string(std::strlen(base)) + " data=" + base,
                   "NPP_DestroyStream url=javascript:window.location.href reason=0 end=" +
                       std::to_string(std::strlen(base)),
                   "NPP_URLNotify url=javascript:window.location.href reason=0 notify=77"}));
  // A plug-in that takes nothing gets a network error.
  host_test::set_knob("TESTPLUGIN_WRITEREADY", "0");
  browser_->geturlnotify(&instance->npp, "javascript:x", nullptr, nullptr);
  EXPECT_EQ(trace().back(), "NPP_URLNotify url=javascript:x reason=1 notify=0");
  destroy(instance);
}

TEST_F(HostContract, FileRequestsAreDecodedAndRelativeToTheWorkFolder) {
  folder("C:\\movies");
  write_file("C:\\movies\\a b.swf", "absolute");
  folder(work_folder::path_of("sub"));
  write_file(work_folder::path_of("sub\\x y.txt"), "relative");
  write_file(work_folder::path_of("50off"), "percent");
  PlayerInstance* instance = started_instance();

  browser_->geturlnotify(&instance->npp, "file:///C:/movies/a%20b.swf", nullptr, nullptr);
  Lines writes = host_test::lines_starting(trace(), "NPP_Write ");
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back(), "NPP_Write offset=0 len=8 data=absolute");
  EXPECT_EQ(trace().back(), "NPP_URLNotify url=file:///C:/movies/a%20b.swf reason=0 notify=0");

  browser_->geturlnotify(&instance->npp, "file://sub/x+y.txt", nullptr, nullptr);
  EXPECT_EQ(host_test::lines_starting(trace(), "NPP_Write ").back(),
            "NPP_Write offset=0 len=8 data=relative");

  browser_->geturlnotify(&instance->npp, "50%off", nullptr, nullptr);
  EXPECT_EQ(host_test::lines_starting(trace(), "NPP_Write ").back(),
            "NPP_Write offset=0 len=7 data=percent");

  std::size_t before = trace().size();
  browser_->geturlnotify(&instance->npp, "file://nothing%20here.swf", nullptr,
                         reinterpret_cast<void*>(5));
  EXPECT_EQ(trace_from(before),
            (Lines{"NPP_URLNotify url=file://nothing%20here.swf reason=1 notify=5"}));
  destroy(instance);
}

TEST_F(HostContract, GetValueAnswersTheWindowAndLeavesUnknownVariablesAlone) {
  PlayerInstance* instance = started_instance();
  unsigned char enabled = 0x5A;
  EXPECT_EQ(browser_->getvalue(&instance->npp, NPNVjavascriptEnabledBool, &enabled),
            NPERR_NO_ERROR);
  EXPECT_EQ(enabled, 0x5A);
  HWND window = nullptr;
  EXPECT_EQ(browser_->getvalue(&instance->npp, NPNVnetscapeWindow, &window), NPERR_NO_ERROR);
  EXPECT_EQ(window, window_);
  // The window object comes retained for the caller.
  NPObject* window_object = nullptr;
  EXPECT_EQ(browser_->getvalue(&instance->npp, NPNVWindowNPObject, &window_object), NPERR_NO_ERROR);
  ASSERT_NE(window_object, nullptr);
  uint32_t count = window_object->referenceCount;
  NPObject* again = nullptr;
  browser_->getvalue(&instance->npp, NPNVWindowNPObject, &again);
  EXPECT_EQ(again, window_object);
  EXPECT_EQ(window_object->referenceCount, count + 1);
  browser_->releaseobject(again);
  browser_->releaseobject(window_object);
  EXPECT_STREQ(browser_->uagent(&instance->npp),
               "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.0.3) Gecko/20060426 "
               "Quillon/1.0.0.0");
  destroy(instance);
}

TEST_F(HostContract, ScriptingEntriesAreTheBridges) {
  PlayerInstance* instance = started_instance();
  EXPECT_EQ(reinterpret_cast<uintptr_t>(browser_->getstringidentifier("swhxCall")), 0x0FEEBBCCu);
  NPUTF8* name = browser_->utf8fromidentifier(reinterpret_cast<NPIdentifier>(0x0FEEBBCC));
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name, "swhxCall");
  browser_->memfree(name);
  NPObject* window_object = nullptr;
  browser_->getvalue(&instance->npp, NPNVWindowNPObject, &window_object);
  char script[] = "var __flash_temp = \"a\\\"b\";";
  NPString text = {script, static_cast<uint32_t>(std::strlen(script))};
  NPVariant result;
  result.type = NPVariantType_Void;
  ASSERT_TRUE(browser_->evaluate(&instance->npp, window_object, &text, &result));
  ASSERT_EQ(result.type, NPVariantType_String);
  EXPECT_EQ(
      std::string(result.value.stringValue.UTF8Characters, result.value.stringValue.UTF8Length),
      "a\"b");
  browser_->releasevariantvalue(&result);
  browser_->releaseobject(window_object);
  destroy(instance);
}

TEST_F(HostContract, MemoryAndObjectsUseTheProcessHeap) {
  void* block = browser_->memalloc(100);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(HeapSize(GetProcessHeap(), 0, block), 100u);
  browser_->memfree(block);

  NPClass plain = {};
  plain.structVersion = NP_CLASS_STRUCT_VERSION;
  NPObject* object = browser_->createobject(nullptr, &plain);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->referenceCount, 1u);
  EXPECT_EQ(browser_->retainobject(object), object);
  EXPECT_EQ(object->referenceCount, 2u);
  NPVariant variant;
  variant.type = NPVariantType_Object;
  variant.value.objectValue = object;
  browser_->releasevariantvalue(&variant);
  EXPECT_EQ(variant.type, NPVariantType_Void);
  EXPECT_EQ(object->referenceCount, 1u);
  browser_->releaseobject(object);  // freed with the process heap

  char* text = static_cast<char*>(browser_->memalloc(4));
  std::memcpy(text, "abc", 4);
  variant.type = NPVariantType_String;
  variant.value.stringValue.UTF8Characters = text;
  variant.value.stringValue.UTF8Length = 3;
  browser_->releasevariantvalue(&variant);
  EXPECT_EQ(variant.type, NPVariantType_Void);
}

std::vector<std::string> g_handler_calls;

bool recording_handler(PlayerInstance*, NPObject*, const char* name, uint32_t argc,
                       const NPVariant* args, std::string& answer) {
  std::string argument = argc == 1 && args[0].type == NPVariantType_String
                             ? std::string(args[0].value.stringValue.UTF8Characters,
                                           args[0].value.stringValue.UTF8Length)
                             : "?";
  g_handler_calls.push_back(std::string(name) + " " + argument);
  if (std::string(name) == ":post") answer = "posted:" + argument;
  return true;
}

TEST_F(HostContract, PostAnswersArriveThroughTheMessageLoop) {
  PlayerInstance* instance = started_instance();
  attach(instance, recording_handler, nullptr);
  g_handler_calls.clear();
  const char body[] = "Content-Type: text/plain\r\n\r\nhello";
  std::size_t before = trace().size();
  EXPECT_EQ(browser_->posturlnotify(&instance->npp, "http://127.0.0.1:1/p", nullptr,
                                    sizeof body - 1, body, 0, reinterpret_cast<void*>(3)),
            NPERR_NO_ERROR);
  EXPECT_EQ(g_handler_calls,
            (Lines{std::string(":postData ") + body, ":post http://127.0.0.1:1/p"}));
  EXPECT_TRUE(trace_from(before).empty()) << "the answer waits for the message loop";
  host_test::pump_messages();
  EXPECT_EQ(trace_from(before),
            (Lines{"NPP_NewStream type=application/x-shockwave-flash url=http://127.0.0.1:1/p "
                   "end=27 seekable=0 stype=1 notify=3",
                   "NPP_WriteReady -> 1048576",
                   "NPP_Write offset=0 len=27 data=posted:http://127.0.0.1:1/p",
                   "NPP_DestroyStream url=http://127.0.0.1:1/p reason=0 end=27",
                   "NPP_URLNotify url=http://127.0.0.1:1/p reason=0 notify=3"}));

  // Destroyed before the loop runs: the answer is dropped.
  browser_->posturlnotify(&instance->npp, "http://127.0.0.1:1/q", nullptr, 1, "x", 0, nullptr);
  destroy(instance);
  before = trace().size();
  host_test::pump_messages();
  EXPECT_EQ(trace().size(), before);
}

TEST_F(HostContract, EventsAndRepaintsReachThePlugin) {
  PlayerInstance* instance = started_instance();
  EXPECT_EQ(send_event(&view_, WM_LBUTTONDOWN, 1, MAKELPARAM(10, 20)), kNPEventHandled);
  EXPECT_EQ(trace().back(), "NPP_HandleEvent event=0x0201 wParam=1 lParam=1310730");
  static NPRect painted;
  view_.paint = [](PlayerView*, const NPRect& rect) { painted = rect; };
  NPRect rect = {5, 6, 5000, 7000};
  std::size_t before = trace().size();
  browser_->invalidaterect(&instance->npp, &rect);
  EXPECT_EQ(trace_from(before),
            (Lines{"NPP_SetWindow x=0 y=0 w=320 h=200 type=2 clip=0,0,200,320"}));
  EXPECT_EQ(painted.top, 5);
  EXPECT_EQ(painted.left, 6);
  EXPECT_EQ(painted.bottom, 200);
  EXPECT_EQ(painted.right, 320);
  view_.event_sender = nullptr;
  EXPECT_EQ(send_event(&view_, WM_KEYDOWN, 65, 0), 0);
  destroy(instance);
}

}  // namespace
