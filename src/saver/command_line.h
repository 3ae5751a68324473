// Reading the screen-saver command line: the tail after the program name, the
// mode letter and the decimal window handle that may follow it. Portable, so
// the Win32 entry only adds the window checks (IsWindow, foreground window).
#pragma once

#include <cstdint>

namespace saver {

// Advances over one character; the Win32 entry passes CharNextA so that
// double-byte code pages are walked correctly.
using NextCharacter = const char* (*)(const char*);

// The command tail: the line without the program name (quoted or not) and
// without the blanks and control characters that follow it.
const char* command_tail(const char* command_line, NextCharacter next);

// Decimal digits to a window handle value; stops at the first non-digit
// (bytes from 0x80 up included). Empty text gives 0. A number too large for
// a 32-bit handle names no window and also gives 0.
std::uint32_t parse_window_handle(const char* text);

enum class SaverMode {
  configure_without_parent,  // empty tail
  configure,                 // "c", optionally ":<hwnd>"
  full_screen,               // "s"
  preview,                   // "p <hwnd>" or "l <hwnd>"
  change_password,           // "a <hwnd>"
  unknown,                   // any other letter
};

struct ModeRequest {
  SaverMode mode = SaverMode::unknown;
  // The handle that followed the letter; 0 when none was given.
  std::uint32_t window = 0;
};

// The mode the tail asks for. Spaces, '-' and '/' before the letter are
// skipped; a handle after "p", "l" and "a" may follow after spaces, one after
// "c" only directly after a colon.
ModeRequest read_mode(const char* tail);

}  // namespace saver
