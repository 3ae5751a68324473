#include "bridge/windowed_start.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/identifiers.h"
#include "common/paths.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace {

using bridge::ErrorBox;

std::vector<ErrorBox> g_boxes;
void record_box(const ErrorBox& box) { g_boxes.push_back(box); }

const char kGoodSettings[] =
    "<xml version=\"1.0\"><windows hide_mouse_cursor=\"true\">"
    "<window window_name=\"Stage\"><sub_data><window window_name=\"Help\"/></sub_data></window>"
    "</windows></xml>";

TEST(SettingsErrorBox, CodeUnderTheLowerCaseCaption) {
  const ErrorBox box = bridge::settings_error_box("", 8);
  EXPECT_FALSE(box.caption_from_resource);
  EXPECT_EQ(box.caption, "error");
  EXPECT_EQ(box.text, "invalid settings: 8");
  EXPECT_EQ(bridge::settings_error_box("", -3).text, "invalid settings: -3");
}

TEST(SettingsErrorBox, ReaderMessageUnderTheResourceCaption) {
  const ErrorBox box = bridge::settings_error_box("line 3: unexpected end", 1);
  EXPECT_TRUE(box.caption_from_resource);
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.text, "line 3: unexpected end");
}

// Registration is process-wide: this executable holds only the windowed
// start's tests, and this one looks before and after.
TEST(WindowedStart, RegistersTheMovieFunctionsEvenWithoutSettings) {
  EXPECT_EQ(bridge::movie_function_identifier("onWindowResize"), 0u);
  SaverSettings settings;
  g_boxes.clear();
  EXPECT_TRUE(bridge::prepare_windowed_start("", settings, record_box));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(bridge::movie_function_identifier("menuCommand"), 0x0FEEBBCFu);
  EXPECT_EQ(bridge::movie_function_identifier("onWindowResize"), 0x0FEEBBD3u);
  EXPECT_EQ(settings.main_window.window_name, "MainWindow");
}

TEST(WindowedStart, ReadsAndDeletesTheSettingsFile) {
  testing_support::TempDir folder;
  const std::string path = folder.write("fp.dat", kGoodSettings);
  SaverSettings settings;
  g_boxes.clear();
  EXPECT_TRUE(bridge::prepare_windowed_start(path, settings, record_box));
  EXPECT_FALSE(paths::exists(path));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_TRUE(settings.hide_mouse_cursor);
  EXPECT_EQ(settings.main_window.window_name, "Stage");
  ASSERT_EQ(settings.main_window.children.size(), 1u);
  EXPECT_EQ(settings.main_window.children[0]->window_name, "Help");
}

TEST(WindowedStart, AFailedReadShowsTheBoxDeletesTheFileAndStops) {
  testing_support::TempDir folder;
  const std::string path = folder.write("fp.dat", "this is not xml <<<");
  SaverSettings settings;
  g_boxes.clear();
  EXPECT_FALSE(bridge::prepare_windowed_start(path, settings, record_box));
  EXPECT_FALSE(paths::exists(path));
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].caption, "error");
  EXPECT_EQ(g_boxes[0].text, "invalid settings: " + std::to_string(settings.settings_error));
  EXPECT_NE(settings.settings_error, 0);
}

TEST(WindowedStart, AMissingFileFailsToo) {
  testing_support::TempDir folder;
  SaverSettings settings;
  g_boxes.clear();
  EXPECT_FALSE(bridge::prepare_windowed_start(folder.file("absent.dat"), settings, record_box));
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].text, "invalid settings: 1");
  // Without a way to show the box the start still stops.
  EXPECT_FALSE(bridge::prepare_windowed_start(folder.file("absent.dat"), settings, nullptr));
}

}  // namespace
