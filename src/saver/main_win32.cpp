// Process entry of saver.scr. The command line is read again from
// GetCommandLineA and the process ends with ExitProcess, so neither the
// runtime's copy of the tail nor its exit path is used.
#include <windows.h>

#include "saver/command_line.h"
#include "saver/shell.h"

namespace {

const char* next_character(const char* p) { return CharNextA(p); }

int startup_show_command() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const char* tail = saver::command_tail(GetCommandLineA(), next_character);
  ExitProcess(static_cast<UINT>(saver::guarded_saver_main(instance, tail, startup_show_command())));
}
