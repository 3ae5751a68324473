// The whole host path in one process: the library extracted from this
// program's resource and loaded, an instance made from window settings read
// from a settings text, started with a movie, fed and destroyed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "flashhost/library_files.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"
#include "flashhost/window_parameters.h"
#include "host_test_support.h"
#include "payload/work_folder.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace {

using namespace flashhost;
using Lines = std::vector<std::string>;

void write_file(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

TEST(HostIntegration, ExtractedLibraryPlaysAMovieFromWindowSettings) {
  host_test::clear_knobs();
  testing_support::TempDir temp;
  std::string trace_path = temp.file("trace.txt");
  host_test::set_knob("TESTPLUGIN_TRACE", trace_path);
  host_test::set_knob("TESTPLUGIN_WRITEREADY", "30000");
  work_folder::set_name("integration_" + std::to_string(GetCurrentProcessId()));
  ASSERT_TRUE(work_folder::create());

  std::string movie(70000, 'm');
  movie.replace(0, 3, "FWS");
  write_file(work_folder::path_of("movie.swf"), movie);
  std::string settings_path = work_folder::path_of("fp.dat");
  write_file(settings_path,
             "<xml version=\"1.0\"><windows exit_on_key_press=\"true\">"
             "<window swf=\"movie.swf\" window_name=\"MainWindow\" window_type=\"transparent\" "
             "use_flash_bgcolor=\"true\" flash_bgcolor=\"3368601\" flash_quality=\"best\" "
             "flash_scale=\"no_border\" flash_show_menu=\"false\"/></windows></xml>");
  SaverSettings settings;
  ASSERT_TRUE(settings.load_settings(settings_path)) << settings.settings_error;
  DeleteFileA(settings_path.c_str());

  std::string library_path = extract_player_library();
  std::string failure;
  PlayerLibrary* library = PlayerLibrary::load(library_path, failure);
  ASSERT_NE(library, nullptr) << failure;
  set_current_library(library);

  HWND window = CreateWindowA("STATIC", "player", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  PlayerView view = {};
  view.window = window;
  view.plugin_window.type = NPWindowTypeDrawable;
  view.plugin_window.width = 640;
  view.plugin_window.height = 480;
  view.plugin_window.clipRect.bottom = 480;
  view.plugin_window.clipRect.right = 640;
  view.event_sender = send_to_plugin;
  PlayerInstance* instance = create_instance(&view);
  view.instance = instance;
  apply_window_settings(instance->parameters, settings.main_window);
  ASSERT_TRUE(start(instance));
  destroy(instance);
  set_current_library(nullptr);
  PlayerLibrary::unload(library);
  DestroyWindow(window);

  std::string movie_path = work_folder::path_of("movie.swf");
  Lines trace = host_test::read_trace(trace_path);
  Lines expected = {"Flash_DisableLocalSecurity",
                    "NP_GetEntryPoints size=60",
                    "NP_Initialize size=164 version=14",
                    "NPP_New mime=application/x-shockwave-flash mode=1 argc=9 "
                    "type=application/x-shockwave-flash allowscriptaccess=always quality=best "
                    "wmode=transparent salign=LT scale=noborder src=" +
                        movie_path + " bgcolor=#996633 menu=false",
                    "NPP_GetValue variable=15",
                    "NPP_SetWindow x=0 y=0 w=640 h=480 type=2 clip=0,0,480,640",
                    "NPP_NewStream type=application/x-shockwave-flash url=" + movie_path +
                        " end=70000 seekable=0 stype=1 notify=0"};
  for (int offset = 0; offset < 70000; offset += 30000) {
    expected.push_back("NPP_WriteReady -> 30000");
    int length = offset + 30000 <= 70000 ? 30000 : 70000 - offset;
    expected.push_back("NPP_Write offset=" + std::to_string(offset) +
                       " len=" + std::to_string(length));
  }
  expected.push_back("NPP_DestroyStream url=" + movie_path + " reason=0 end=70000");
  expected.push_back("NPP_Destroy save=none");
  expected.push_back("NP_Shutdown");
  for (std::string& line : trace) line = line.substr(0, line.find(" data="));
  EXPECT_EQ(trace, expected);

  work_folder::set_name(work_folder::name());
  delete_work_folder();
  EXPECT_EQ(GetFileAttributesA(work_folder::path().c_str()), INVALID_FILE_ATTRIBUTES);
  work_folder::set_name("");
  host_test::clear_knobs();
}

}  // namespace
