// A plug-in made of plain functions in the test program: a PlayerLibrary
// record whose table records what the host calls, a scriptable object that
// records the movie functions the host invokes, and an event sender that
// draws a test picture.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "flashhost/npapi.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"

namespace fake_plugin {

struct MovieCall {
  std::string name;
  std::vector<int> numbers;  // the int32 arguments
};

struct Record {
  int new_calls = 0;
  int destroy_calls = 0;
  std::vector<NPWindow> set_windows;
  std::vector<uint16_t> events;
  std::vector<MovieCall> movie_calls;
  // Called inside NPP_Destroy and NPP_New, with the instance's NPP.
  std::function<void(NPP)> on_destroy;
  std::function<void(NPP)> on_new;
};

// Clears the record and makes the fake library the current one.
Record& install();
// Stops using it (the current library becomes null again).
void remove();
Record& record();
flashhost::PlayerLibrary* library();

// Draws with GDI into the view's NPWindow.window when asked to paint.
using Painter = std::function<void(flashhost::PlayerView* view, HDC dc)>;
void set_painter(Painter painter);
int paint_count();
// An event sender that runs the painter for paint events.
int16_t painting_sender(flashhost::PlayerView* view, NPEvent* event);

}  // namespace fake_plugin
