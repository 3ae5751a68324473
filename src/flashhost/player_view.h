// The record joining a player window to its plug-in instance. The window
// procedure, the drawing surfaces and their routines build on it; the
// instance and the browser functions read the fields below.
#pragma once

#include <windows.h>

#include <cstdint>

#include "flashhost/npapi.h"

namespace flashhost {

struct PlayerInstance;
struct CallContext;
struct PlayerView;

using PressHook = bool (*)(PlayerView* view, int code, int value);
using EventSender = int16_t (*)(PlayerView* view, NPEvent* event);
using ResizeRoutine = void (*)(PlayerView* view);
using PaintRoutine = void (*)(PlayerView* view, const NPRect& rect);

// Zero-filled at creation.
struct PlayerView {
  HWND window;
  NPWindow plugin_window;  // windowless: type 2, `window` is the memory DC
  PlayerInstance* instance;
  PressHook press_hook;
  EventSender event_sender;  // null once the window is closing
  CallContext* call_context;
  HDC window_dc;
  WINDOWINFO saved_frame;
  HWND saved_procedure_window;  // recorded by the instance's start
  WNDPROC saved_procedure;
  ResizeRoutine resize;
  PaintRoutine paint;
  HBITMAP bitmap1;
  HDC memory_dc1;
  uint32_t* pixels1;
  HBITMAP bitmap2;
  HDC memory_dc2;
  uint32_t* pixels2;
};

// The default event sender: NPP_HandleEvent on the view's instance.
int16_t send_to_plugin(PlayerView* view, NPEvent* event);

// Builds an NPEvent and passes it to the view's event sender; 0 when there
// is none.
int16_t send_event(PlayerView* view, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace flashhost
