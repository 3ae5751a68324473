#include "bridge/window_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/bridge/fake_host.h"

namespace {

using bridge_testing::FakeHost;
using Calls = std::vector<std::string>;

uint32_t packed(uint16_t low, uint16_t high) { return (uint32_t{high} << 16) | low; }

TEST(WindowEvents, PositionIsReadUnsigned) {
  FakeHost movie;
  bridge::send_window_moved(movie, packed(120, 45));
  // 10 pixels left of the origin, 3 above it.
  bridge::send_window_moved(movie, packed(static_cast<uint16_t>(-10), static_cast<uint16_t>(-3)));
  EXPECT_EQ(movie.movie_calls,
            (Calls{"onWindowPosition(120,45)", "onWindowPosition(65526,65533)"}));
}

TEST(WindowEvents, MaximizeThenResizeWithTheNewClientSize) {
  FakeHost movie;
  bridge::send_window_sized(movie, bridge::kSizeMaximized, packed(1024, 740), true);
  EXPECT_EQ(movie.movie_calls, (Calls{"onWindowMaximize()", "onWindowResize(1024,740)"}));
}

TEST(WindowEvents, EachSizeKindHasItsOwnEventFirst) {
  FakeHost movie;
  bridge::send_window_sized(movie, bridge::kSizeRestored, packed(300, 200), true);
  bridge::send_window_sized(movie, bridge::kSizeMinimized, packed(0, 0), true);
  // Other kinds (for example SIZE_MAXSHOW, 3) only resize.
  bridge::send_window_sized(movie, 3, packed(65535, 1), true);
  EXPECT_EQ(movie.movie_calls,
            (Calls{"onWindowRestore()", "onWindowResize(300,200)", "onWindowMinimize()",
                   "onWindowResize(0,0)", "onWindowResize(65535,1)"}));
}

TEST(WindowEvents, WithoutAViewNoResize) {
  FakeHost movie;
  bridge::send_window_sized(movie, bridge::kSizeMaximized, packed(10, 10), false);
  bridge::send_window_sized(movie, 4, packed(10, 10), false);
  EXPECT_EQ(movie.movie_calls, (Calls{"onWindowMaximize()"}));
}

TEST(WindowEvents, MenuCommandAndStart) {
  FakeHost movie;
  bridge::send_menu_command(movie, "File", "Open recent");
  bridge::send_api_init_finished(movie);
  EXPECT_EQ(movie.movie_calls,
            (Calls{"onMenuCommand(\"File\",\"Open recent\")", "apiInitFinished()"}));
}

}  // namespace
