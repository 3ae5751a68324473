#include <windows.h>

#include "saver/frame.h"
#include "saver/monitor_windows.h"

namespace saver {

namespace {

bool enumerates_monitors() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;  // 148 bytes
  if (!GetVersionExA(&version)) return false;
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 4;
}

MonitorSaver* saver_of(HWND window) {
  return reinterpret_cast<MonitorSaver*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool is_key_message(UINT message) { return message >= WM_KEYDOWN && message <= WM_SYSDEADCHAR; }

bool is_button_message(UINT message) {
  return message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK;
}

bool is_table_message(UINT message) {
  switch (message) {
    case WM_DESTROY:
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_SETCURSOR:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
    case WM_MOUSEMOVE:
      return true;
    default:
      return is_key_message(message) || is_button_message(message);
  }
}

}  // namespace

void MonitorSaver::start(const RECT& monitor, HWND frame_window) {
  armed = false;
  created_at = GetTickCount();
  window = CreateWindowExA(0, kMonitorClassName, "", WS_POPUP | WS_CHILD | WS_VISIBLE, monitor.left,
                           monitor.top, monitor.right - monitor.left, monitor.bottom - monitor.top,
                           frame_window, nullptr, frame.module_instance, nullptr);
  if (!window) return;
  BringWindowToTop(window);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // The work folder name is not set yet: this saver's files go straight
  // into the temporary folder.
  std::string settings_path;
  app.start(settings_path, window);
}

bool MonitorSet::create(HWND frame_window) {
  frame_window_ = frame_window;
  preview_ = frame.preview;
  WNDCLASSEXA window_class = {};
  window_class.cbSize = sizeof window_class;  // 48 bytes
  window_class.lpfnWndProc = monitor_window_proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = kMonitorClassName;
  if (!RegisterClassExA(&window_class)) return false;
  if (preview_ || GetSystemMetrics(SM_CMONITORS) < 2) return true;
  if (enumerates_monitors()) {
    EnumDisplayMonitors(nullptr, nullptr, add_monitor, reinterpret_cast<LPARAM>(this));
  }
  return true;
}

BOOL CALLBACK MonitorSet::add_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM set_pointer) {
  MonitorSet* set = reinterpret_cast<MonitorSet*>(set_pointer);
  MONITORINFOEXA info = {};
  info.cbSize = sizeof info;  // 72 bytes
  if (!GetMonitorInfoA(monitor, &info)) return TRUE;
  const RECT& area = info.rcMonitor;
  if (info.dwFlags == MONITORINFOF_PRIMARY) {
    MoveWindow(set->frame_window_, 0, 0, area.right - area.left, area.bottom - area.top, TRUE);
  } else {
    std::unique_ptr<MonitorSaver> saver(new MonitorSaver);
    saver->start(area, set->frame_window_);
    set->savers_.push_back(std::move(saver));
  }
  return TRUE;
}

MonitorSet& monitor_set() {
  static MonitorSet* set = new MonitorSet;
  return *set;
}

LRESULT CALLBACK monitor_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  MonitorSaver* saver = saver_of(window);
  if (!saver) {
    return is_table_message(message) ? 0 : DefWindowProcA(window, message, wparam, lparam);
  }
  SaverApp& app = saver->app;
  switch (message) {
    case WM_DESTROY:
      app.shutdown();
      return 1;
    case WM_PAINT:
      // A saver that plays nothing still validates its window, or the
      // system would ask for the same paint again at once, for ever.
      if (!app.paint()) ValidateRect(window, nullptr);
      return 1;
    case WM_ERASEBKGND:
    case WM_SETCURSOR:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
      return 1;
    case WM_MOUSEMOVE:
      if (!app.exit_on_mouse_move()) return 1;
      if (saver->armed) {
        PostQuitMessage(0);
      } else if (GetTickCount() - saver->created_at > kMonitorArmDelayMs) {
        saver->armed = true;
      }
      return 1;
    default:
      break;
  }
  if (is_key_message(message)) {
    if (app.exit_on_key_press()) {
      PostQuitMessage(0);
      return 1;
    }
    return app.route_keys(message, wparam, lparam) ? 1 : 0;
  }
  if (is_button_message(message)) {
    if (app.exit_on_mouse_click()) PostQuitMessage(0);
    return 1;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace saver
