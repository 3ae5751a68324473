// Further monitors: when the full-screen frame window is created on a machine
// with several monitors, every monitor but the primary one gets a saver window
// of its own that plays the movie with its own SaverApp, and the frame window
// shrinks to the primary monitor. These windows end the whole saver directly
// with PostQuitMessage.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "saver/saver_app.h"

namespace saver {

constexpr char kMonitorClassName[] = "QUILLON_ScreenSaver";
// A secondary window's first mouse move after this time arms it; the next
// one ends the saver.
constexpr DWORD kMonitorArmDelayMs = 1000;

// One secondary monitor's window and application.
struct MonitorSaver {
  HWND window = nullptr;
  SaverApp app;
  bool armed = false;
  DWORD created_at = 0;  // GetTickCount just before the window was made

  // Creates the window over `monitor` (owned by the frame window) and starts
  // the app in it. The app's result is not looked at: a saver that plays
  // nothing still has its exit rules.
  void start(const RECT& monitor, HWND frame_window);
};

class MonitorSet {
 public:
  // Registers the window class; in a full-screen run with two or more
  // monitors on Windows 2000 or later, moves the frame window onto the
  // primary monitor and starts a MonitorSaver on every other one. False
  // only when the class cannot be registered.
  bool create(HWND frame_window);

  HWND frame_window() const { return frame_window_; }
  const std::vector<std::unique_ptr<MonitorSaver>>& savers() const { return savers_; }

 private:
  static BOOL CALLBACK add_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM set);

  HWND frame_window_ = nullptr;
  bool preview_ = false;
  std::vector<std::unique_ptr<MonitorSaver>> savers_;
};

// The process-wide set.
MonitorSet& monitor_set();

LRESULT CALLBACK monitor_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace saver
