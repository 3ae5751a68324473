// Until the program's layer has work of its own, every message goes straight
// to the frame's exit rules.
#include <windows.h>

#include "saver/frame.h"
#include "saver/saver_app.h"

namespace saver {

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return default_saver_proc(window, message, wparam, lparam);
}

}  // namespace saver
