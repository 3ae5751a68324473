// The two frame layers of the saver window: what the frame does before the
// program's layer sees a message, and the exit rules after it.
#include <windows.h>

#include <cstdlib>

#include "saver/frame.h"
#include "saver/saver_app.h"
#include "saver/shell.h"

namespace saver {

FrameState frame;

namespace {

void post_close(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

bool is_resume_event(WPARAM event) {
  return event == PBT_APMRESUMECRITICAL || event == PBT_APMRESUMESUSPEND ||
         event == PBT_APMRESUMESTANDBY || event == PBT_APMRESUMEAUTOMATIC;
}

void on_power_broadcast(HWND window, WPARAM event, LPARAM data) {
  if (event <= PBT_APMSTANDBY) {  // queries, suspend and standby
    post_close(window);
  } else if (is_resume_event(event)) {
    if ((data & PBTF_APMRESUMEFROMFAILURE) == 0) post_close(window);
  } else if (event == PBT_APMPOWERSTATUSCHANGE) {
    // Only a change of the power line counts, not a battery percentage.
    const BYTE status = read_ac_line_status();
    if (status != frame.ac_line_status) {
      frame.ac_line_status = status;
      post_close(window);
    }
  } else {
    post_close(window);
  }
}

void on_mouse_move(HWND window) {
  POINT now;
  GetCursorPos(&now);
  const DWORD distance = static_cast<DWORD>(std::abs(now.x - frame.last_mouse_position.x) +
                                            std::abs(now.y - frame.last_mouse_position.y));
  if (distance > frame.mouse_threshold) {
    post_close(window);
    frame.last_mouse_position = now;
  }
}

bool is_judged_input(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

}  // namespace

BYTE read_ac_line_status() {
  SYSTEM_POWER_STATUS status;
  return GetSystemPowerStatus(&status) ? status.ACLineStatus : 255;
}

LRESULT CALLBACK frame_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      // Known from here on, so that the program's start-up can use it.
      frame.frame_window = window;
      // Keyboard input must not open an input-method window over the saver;
      // IMM32 is only touched when the process already has it.
      frame.ime_module = GetModuleHandleA("IMM32.DLL");
      if (frame.ime_module != nullptr) {
        frame.ime_associate =
            find_entry<ImmAssociateContextEntry>(frame.ime_module, "ImmAssociateContext");
        if (frame.ime_associate != nullptr)
          frame.saved_ime_context = frame.ime_associate(window, nullptr);
      }
      GetCursorPos(&frame.last_mouse_position);
      if (!frame.preview) SetCursor(nullptr);
      break;
    case WM_DESTROY:
      if (frame.ime_module != nullptr && frame.ime_associate != nullptr &&
          frame.saved_ime_context != nullptr)
        frame.ime_associate(window, frame.saved_ime_context);
      PostQuitMessage(0);
      break;
    case WM_SETTEXT:
      return 0;  // the title never changes
    case WM_PAINT:
      if (frame.closing) return DefWindowProcA(window, message, wparam, lparam);
      if (!frame.preview) SetCursor(nullptr);
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (frame.preview) {
        // Help in the Display dialog belongs to the dialog, not to us.
        HWND parent = GetParent(window);
        if (parent != nullptr) {
          const WPARAM from = reinterpret_cast<WPARAM>(parent);
          if (message == WM_HELP) {
            // WM_HELP carries a pointer to a HELPINFO of this process: the
            // system refuses to post it, but copies it for a sent message.
            // The time limit keeps a hung control panel from freezing us.
            SendMessageTimeoutA(parent, message, from, lparam, SMTO_ABORTIFHUNG, 2000, nullptr);
          } else {
            PostMessageA(parent, message, from, lparam);
          }
        }
        return 1;
      }
      break;
    case WM_SYSCOMMAND:
      if (!frame.preview) {
        // The low four bits are the system's own.
        switch (wparam & 0xFFF0) {
          case SC_NEXTWINDOW:
          case SC_PREVWINDOW:
          case SC_SCREENSAVE:
            return 0;
          case SC_MONITORPOWER:
            post_close(window);
            break;
          default:
            break;
        }
      }
      break;
    case WM_TIMER:
      if (frame.closing) return 0;
      Sleep(0);
      break;
    default:
      if (is_judged_input(message) && frame.closing)
        return DefWindowProcA(window, message, wparam, lparam);
      break;
  }
  return saver_window_proc(window, message, wparam, lparam);
}

LRESULT CALLBACK default_saver_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!frame.preview && !frame.closing) {
    if (message == WM_CLOSE) {
      if (frame.win9x && !verify_password(window)) {
        // Refused: measure further moves from where the mouse is now.
        GetCursorPos(&frame.last_mouse_position);
        return 0;
      }
      return DefWindowProcA(window, message, wparam, lparam);
    }
    if (message == verify_password_message && frame.win9x)
      return frame.verify_password_entry != nullptr ? frame.verify_password_entry(window) : 1;

    if (!frame.checking_password) {
      switch (message) {
        case WM_SHOWWINDOW:
          if (wparam != 0) SetCursor(nullptr);
          break;
        case WM_ACTIVATEAPP:
          if (wparam == 0) post_close(window);
          break;
        case WM_SETCURSOR:
          SetCursor(nullptr);
          return 1;
        case WM_POWER:
          if (wparam == PWR_CRITICALRESUME) post_close(window);
          break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
          post_close(window);
          break;
        case WM_MOUSEMOVE:
          on_mouse_move(window);
          break;
        case WM_POWERBROADCAST:
          on_power_broadcast(window, wparam, lparam);
          break;
        default:
          break;
      }
    }
  }
  if (frame.autoplay_message != 0 && message == frame.autoplay_message) {
    post_close(window);
    // AutoPlay is cancelled only while a password protects the saver.
    return frame.verify_password_entry != nullptr ? 1 : 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace saver
