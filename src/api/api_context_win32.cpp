// The real machine-wide actions behind ApiContext.
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include "api/api_context.h"

namespace api {

bool ApiContext::exit_windows(unsigned flags) { return ExitWindowsEx(flags, 0) != 0; }

bool ApiContext::suspend_machine() { return SetSystemPowerState(TRUE, FALSE) != 0; }

bool ApiContext::send_mci_command(const std::string& command) {
  return mciSendStringA(command.c_str(), nullptr, 0, nullptr) == 0;
}

bool ApiContext::shell_execute(const std::string& target, bool open_verb, int show_command) {
  HINSTANCE answer = ShellExecuteA(nullptr, open_verb ? "open" : nullptr, target.c_str(), nullptr,
                                   nullptr, show_command);
  return reinterpret_cast<INT_PTR>(answer) > 31;
}

}  // namespace api
