// Frames, set-up sizes and centring of player windows, as plain numbers.
#include "flashhost/window_frame.h"

#include <gtest/gtest.h>

#include "settings/settings.h"

namespace {

using namespace flashhost;

TEST(WindowFrame, StyleWordsFlagsAndTheTransparentKind) {
  WindowSettings record;  // normal, minimize and maximize boxes, not resizable
  FrameStyles frame = frame_styles(record, false);
  EXPECT_EQ(frame.style, 0x00C80000u | kStyleMinimizeBox | kStyleMaximizeBox);
  EXPECT_EQ(frame.ex_style, 0u);
  EXPECT_FALSE(frame.modal);

  record.window_style = WindowStyle::modal;
  record.has_minimize = record.has_maximize = false;
  frame = frame_styles(record, false);
  EXPECT_EQ(frame.style, 0x00C80002u);
  EXPECT_TRUE(frame.modal);
  // Transparent replaces the frame, boxes included, but a modal stays modal.
  record.resizable = true;
  frame = frame_styles(record, true);
  EXPECT_EQ(frame.style, 0x80080000u);
  EXPECT_EQ(frame.ex_style, kExStyleLayered);
  EXPECT_TRUE(frame.modal);

  record.window_style = WindowStyle::tool;
  EXPECT_EQ(frame_styles(record, false).style, 0x00C80000u | kStyleThickFrame);
  EXPECT_EQ(frame_styles(record, false).ex_style, kExStyleToolWindow);
  EXPECT_EQ(frame_styles(record, true).ex_style, kExStyleToolWindow | kExStyleLayered);

  record.window_style = WindowStyle::noborder;
  record.resizable = false;
  EXPECT_EQ(frame_styles(record, false).style, kStylePopup);
}

TEST(WindowFrame, ScreenPercentCutsToWholePixels) {
  WindowSettings record;
  record.width = 300;
  record.height = 200;
  FrameSize size = set_up_size(record, 1024, 768);
  EXPECT_EQ(size.width, 300) << "swf_size and custom keep the record's size";
  record.size_mode = SizeMode::screen_percent;
  record.width_percent = 50;
  record.height_percent = 50;
  size = set_up_size(record, 1024, 768);
  EXPECT_EQ(size.width, 512);
  EXPECT_EQ(size.height, 384);
  record.width_percent = 33;  // 337.92
  record.height_percent = 101;
  size = set_up_size(record, 1024, 768);
  EXPECT_EQ(size.width, 337);
  EXPECT_EQ(size.height, 775);
}

TEST(WindowFrame, CentringRoundsEachHalfDown) {
  int32_t x = 0, y = 0;
  centred_position(1024, 768, 301, 201, x, y);
  EXPECT_EQ(x, 512 - 150);
  EXPECT_EQ(y, 384 - 100);
  centred_position(1023, 767, 1200, 900, x, y);
  EXPECT_EQ(x, 511 - 600);
  EXPECT_EQ(y, 383 - 450);
  centred_position(100, 100, -3, -3, x, y);
  EXPECT_EQ(x, 52) << "-3 / 2 rounds down to -2";
}

TEST(WindowFrame, DialogUnitsFromPixels) {
  FrameSize units = dialog_units(326, 265, 8, 16);
  EXPECT_EQ(units.width, 326 * 4 / 8);
  EXPECT_EQ(units.height, 265 * 8 / 16);
  units = dialog_units(326, 265, 7, 13);
  EXPECT_EQ(units.width, 186);
  EXPECT_EQ(units.height, 163);
  units = dialog_units(326, 265, 0, 0);
  EXPECT_EQ(units.width, 0);
  EXPECT_EQ(units.height, 0);
}

}  // namespace
