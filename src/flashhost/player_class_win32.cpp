// The windowed player's process-wide set-up after the library loaded, and
// the operations on a PlayerView that every player window uses.
#include <windows.h>

#include "flashhost/browser_functions.h"
#include "flashhost/player_drawing.h"
#include "flashhost/player_window.h"

namespace flashhost {

namespace {

DWORD g_worker_thread_id = 0;

// Runs work items until any other message (or WM_QUIT) arrives.
DWORD WINAPI host_worker(void* argument) {
  MSG message;
  // The first call gives the thread its message queue; only then may
  // register_player_class return, so that no posted item is lost.
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  ReleaseSemaphore(static_cast<HANDLE>(argument), 1, nullptr);
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message != kWorkItemMessage) break;
    WorkRoutine routine = reinterpret_cast<WorkRoutine>(message.wParam);
    if (routine) routine(reinterpret_cast<void*>(message.lParam));
  }
  return 0;
}

}  // namespace

int register_player_class() {
  HINSTANCE program = GetModuleHandleA(nullptr);
  WNDCLASSA window_class = {};
  window_class.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = program;
  window_class.hIcon = LoadIconA(program, MAKEINTRESOURCEA(kPlayerIconResource));
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kPlayerClassName;
  if (!RegisterClassA(&window_class)) return -1;

  HANDLE ready = CreateSemaphoreA(nullptr, 0, 1, nullptr);
  if (!ready) return -1;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, host_worker, ready, 0, &id);
  if (!thread) {
    CloseHandle(ready);
    return -1;
  }
  g_worker_thread_id = id;
  WaitForSingleObject(ready, INFINITE);
  CloseHandle(ready);
  CloseHandle(thread);  // the worker keeps running until the process ends

  HMODULE user32 = LoadLibraryA("user32.dll");
  if (!user32) return 0;
  auto entry = reinterpret_cast<UpdateLayeredWindowEntry>(
      reinterpret_cast<void (*)()>(GetProcAddress(user32, "UpdateLayeredWindow")));
  if (entry) {
    set_layered_window_update(entry);
  } else {
    FreeLibrary(user32);
  }
  return 0;
}

bool post_work(WorkRoutine routine, void* argument) {
  if (!g_worker_thread_id) return false;
  return PostThreadMessageA(g_worker_thread_id, kWorkItemMessage, reinterpret_cast<WPARAM>(routine),
                            reinterpret_cast<LPARAM>(argument)) != 0;
}

DWORD worker_thread_id() { return g_worker_thread_id; }

void view_resize(PlayerView* view, int width, int height) {
  if (!view) return;
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  view->plugin_window.width = static_cast<uint32_t>(width);
  view->plugin_window.height = static_cast<uint32_t>(height);
  view->plugin_window.clipRect.right = static_cast<uint16_t>(width);
  view->plugin_window.clipRect.bottom = static_cast<uint16_t>(height);
  if (view->resize) view->resize(view);
}

void view_refresh(PlayerView* view) {
  if (!view || !view->instance || !view->instance->created) return;
  NPRect whole = view->plugin_window.clipRect;
  // The invalidation path hands the plug-in its window first.
  browser_functions().invalidaterect(&view->instance->npp, &whole);
}

void set_full_screen(PlayerView* view, bool on) {
  if (!view || !view->window) return;
  HWND window = view->window;
  if (on) {
    view->saved_frame = WINDOWINFO{};
    view->saved_frame.cbSize = sizeof(WINDOWINFO);
    GetWindowInfo(window, &view->saved_frame);
    SetWindowLongA(window, GWL_STYLE, WS_VISIBLE | WS_SYSMENU);
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, desktop.right - desktop.left,
                 desktop.bottom - desktop.top, SWP_FRAMECHANGED);
  } else {
    const WINDOWINFO& saved = view->saved_frame;
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(saved.dwStyle));
    SetWindowLongA(window, GWL_EXSTYLE, static_cast<LONG>(saved.dwExStyle));
    SetWindowPos(window, HWND_NOTOPMOST, saved.rcWindow.left, saved.rcWindow.top,
                 saved.rcWindow.right - saved.rcWindow.left,
                 saved.rcWindow.bottom - saved.rcWindow.top, SWP_FRAMECHANGED);
  }
}

}  // namespace flashhost
