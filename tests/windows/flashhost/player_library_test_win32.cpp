// Loading the plug-in library through its real exports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flashhost/browser_functions.h"
#include "flashhost/player_library.h"
#include "host_test_support.h"
#include "support/temp_dir.h"

namespace {

using flashhost::PlayerLibrary;
using Lines = std::vector<std::string>;

class PlayerLibraryLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    host_test::clear_knobs();
    trace_ = temp_.file("trace.txt");
    host_test::set_knob("TESTPLUGIN_TRACE", trace_);
  }
  void TearDown() override { host_test::clear_knobs(); }
  Lines trace() { return host_test::read_trace(trace_); }

  testing_support::TempDir temp_;
  std::string trace_;
};

TEST_F(PlayerLibraryLoad, EntryPointsRunInOrderAndSeeTheAgreedTableSizes) {
  std::string failure = "stale";
  PlayerLibrary* library = PlayerLibrary::load(host_test::plugin_path("testplugin.dll"), failure);
  ASSERT_NE(library, nullptr) << failure;
  EXPECT_EQ(failure, "");
  EXPECT_EQ(trace(), (Lines{"Flash_DisableLocalSecurity", "NP_GetEntryPoints size=60",
                            "NP_Initialize size=164 version=14"}));
  EXPECT_NE(library->functions.newp, nullptr);
  EXPECT_NE(library->functions.urlnotify, nullptr);
  EXPECT_EQ(library->functions.version, NPVERS_HAS_NPRUNTIME_SCRIPTING);
  EXPECT_NE(library->shutdown, nullptr);
  // The plug-in holds our static table itself.
  EXPECT_EQ(host_test::plugin_browser_table("testplugin.dll"), &flashhost::browser_functions());
  PlayerLibrary::unload(library);
  EXPECT_EQ(trace().back(), "NP_Shutdown");
  EXPECT_EQ(GetModuleHandleA("testplugin.dll"), nullptr);
}

TEST_F(PlayerLibraryLoad, ShutdownIsOptional) {
  std::string failure;
  PlayerLibrary* library =
      PlayerLibrary::load(host_test::plugin_path("testplugin_noshutdown.dll"), failure);
  ASSERT_NE(library, nullptr) << failure;
  EXPECT_EQ(library->shutdown, nullptr);
  PlayerLibrary::unload(library);
  EXPECT_EQ(trace(), (Lines{"Flash_DisableLocalSecurity", "NP_GetEntryPoints size=60",
                            "NP_Initialize size=164 version=14"}));
  EXPECT_EQ(GetModuleHandleA("testplugin_noshutdown.dll"), nullptr);
}

TEST_F(PlayerLibraryLoad, FailuresAnswerTheirTexts) {
  std::string failure;
  EXPECT_EQ(PlayerLibrary::load(host_test::plugin_path("testplugin_nodisable.dll"), failure),
            nullptr);
  EXPECT_EQ(failure, "Unable to retrieve Flash player init symbols");
  EXPECT_TRUE(trace().empty()) << "no entry point may run";

  EXPECT_EQ(PlayerLibrary::load(temp_.file("missing.dll"), failure), nullptr);
  EXPECT_EQ(failure, "Unable to load Flash player library");

  host_test::set_knob("TESTPLUGIN_ENTRYPOINTS", "fail");
  EXPECT_EQ(PlayerLibrary::load(host_test::plugin_path("testplugin.dll"), failure), nullptr);
  EXPECT_EQ(failure, "Unable to retrieve Flash player function table");
  EXPECT_EQ(trace().back(), "NP_GetEntryPoints size=60");

  host_test::set_knob("TESTPLUGIN_ENTRYPOINTS", "");
  host_test::set_knob("TESTPLUGIN_INITIALIZE", "fail");
  EXPECT_EQ(PlayerLibrary::load(host_test::plugin_path("testplugin.dll"), failure), nullptr);
  EXPECT_EQ(failure, "Unable to initialize Flash player");
  EXPECT_EQ(trace().back(), "NP_Initialize size=164 version=14");
}

TEST_F(PlayerLibraryLoad, EntryPointsWithTheWrongConventionKeepTheStackIntact) {
  volatile int canary[4] = {11, 22, 33, 44};
  for (int round = 0; round < 20; ++round) {
    std::string failure;
    PlayerLibrary* library =
        PlayerLibrary::load(host_test::plugin_path("testplugin_cdecl.dll"), failure);
    ASSERT_NE(library, nullptr) << failure;
    PlayerLibrary::unload(library);
  }
  EXPECT_EQ(canary[0] + canary[1] + canary[2] + canary[3], 110);
  EXPECT_EQ(host_test::lines_starting(trace(), "NP_Shutdown").size(), 20u);
}

}  // namespace
