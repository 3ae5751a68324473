// The mode dispatcher and the run and configure modes of the saver.
#include <windows.h>
// commctrl.h needs the types of windows.h first.
#include <commctrl.h>

#include <exception>

#include "saver/command_line.h"
#include "saver/frame.h"
#include "saver/shell.h"

namespace saver {

namespace {

constexpr char frame_class_name[] = "WindowsScreenSaverClass";
constexpr char full_screen_title[] = "Screen Saver";
constexpr int configure_dialog_template = 2003;
constexpr int saver_icon_id = 100;

bool is_windows_9x() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

HWND to_window(std::uint32_t handle) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(handle));
}

// The given window when it is one, else the foreground window.
HWND window_or_foreground(std::uint32_t handle) {
  HWND window = to_window(handle);
  if (window == nullptr || !IsWindow(window)) window = GetForegroundWindow();
  return window;
}

INT_PTR CALLBACK configure_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

[[noreturn]] void end_after_crash() {
  // The system must not stay in the saver-running state after we are gone.
  set_saver_running(false);
  ExitProcess(static_cast<UINT>(-1));
}

LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS*) { end_after_crash(); }

void on_terminate() { end_after_crash(); }

}  // namespace

int saver_main(HINSTANCE instance, const char* command_tail, int /*show_command*/) {
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_TAB_CLASSES;
  InitCommonControlsEx(&controls);

  frame.module_instance = instance;
  frame.win9x = is_windows_9x();

  const ModeRequest request = read_mode(command_tail);
  switch (request.mode) {
    case SaverMode::configure_without_parent:
      return show_configure(nullptr);
    case SaverMode::configure:
      return show_configure(window_or_foreground(request.window));
    case SaverMode::full_screen:
      return run_saver(nullptr);
    case SaverMode::preview: {
      HWND parent = to_window(request.window);
      if (parent == nullptr || !IsWindow(parent)) return -1;
      return run_saver(parent);
    }
    case SaverMode::change_password:
      // NT-family systems change the password in their own dialog.
      if (!frame.win9x) return -1;
      change_password(window_or_foreground(request.window));
      return 0;
    case SaverMode::unknown:
      break;
  }
  return -1;
}

int guarded_saver_main(HINSTANCE instance, const char* command_tail, int show_command) {
  // MinGW has no __try/__except. The program has one thread and saver_main
  // is all it runs, so a top-level filter sees exactly the structured
  // exceptions that an __except around saver_main would catch; C++ exceptions
  // that nobody catches end in std::terminate, which takes the same way out.
  SetUnhandledExceptionFilter(on_unhandled_exception);
  std::set_terminate(on_terminate);
  return saver_main(instance, command_tail, show_command);
}

int run_saver(HWND parent) {
  WNDCLASSA window_class = {};
  window_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
  window_class.lpfnWndProc = frame_window_proc;
  window_class.hInstance = frame.module_instance;
  window_class.hIcon = LoadIconA(frame.module_instance, MAKEINTRESOURCEA(saver_icon_id));
  window_class.hCursor = nullptr;
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = frame_class_name;

  int x = 0, y = 0, width = 0, height = 0;
  DWORD style = 0, ex_style = 0;
  const char* title = nullptr;
  if (parent != nullptr) {
    RECT client = {};
    GetClientRect(parent, &client);
    width = client.right - client.left;
    height = client.bottom - client.top;
    style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    title = "Preview";
    frame.preview = true;
  } else {
    // The whole desktop over all monitors.
    x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width == 0 || height == 0) {
      // Systems without virtual-screen metrics: the screen DC knows the size.
      HDC screen = GetDC(nullptr);
      RECT box = {};
      GetClipBox(screen, &box);
      ReleaseDC(nullptr, screen);
      x = box.left;
      y = box.top;
      width = box.right - box.left;
      height = box.bottom - box.top;
    }
    style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    ex_style = WS_EX_TOPMOST;
    title = full_screen_title;

    // One full-screen saver at a time: the running one comes to the front.
    HWND running = FindWindowA(frame_class_name, full_screen_title);
    if (running != nullptr && IsWindow(running)) {
      SetForegroundWindow(running);
      return 0;
    }
    frame.ac_line_status = read_ac_line_status();
    load_password_library();
  }
  frame.autoplay_message = frame.win9x ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

  if (RegisterClassA(&window_class) != 0) {
    frame.frame_window = CreateWindowExA(ex_style, frame_class_name, title, style, x, y, width,
                                         height, parent, nullptr, frame.module_instance, nullptr);
  }

  int result = 0;
  if (frame.frame_window != nullptr) {
    if (!frame.preview) SetForegroundWindow(frame.frame_window);
    MSG message = {};
    for (;;) {
      const BOOL got = GetMessageA(&message, nullptr, 0, 0);
      if (got == 0) {
        result = static_cast<int>(message.wParam);
        break;
      }
      if (got == -1) {
        // A broken queue must not spin for ever or pass for a normal end.
        result = -1;
        break;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  unload_password_library();
  return result;
}

int show_configure(HWND parent) {
  // The saver has no dialog classes to register and no settings of its own
  // (everything comes from the payload): the template does not exist, so
  // the request fails at once with -1 and nothing is shown.
  return static_cast<int>(DialogBoxParamA(frame.module_instance,
                                          MAKEINTRESOURCEA(configure_dialog_template), parent,
                                          configure_dialog_proc, 0));
}

}  // namespace saver
