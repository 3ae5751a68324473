// The program's own layer of the frame window: start-up, input routing,
// painting and shutdown. It passes what it does not handle to
// default_saver_proc (frame.h).
#pragma once

#include <windows.h>

namespace saver {

LRESULT CALLBACK saver_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace saver
