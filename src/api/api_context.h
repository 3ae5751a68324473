// What the API namespaces need from the program that hosts them: the window
// that owns their dialogs, and the machine-wide actions. The actions are
// virtual so that tests can record them instead of restarting, shutting
// down or suspending the machine, opening its CD tray or starting a browser.
#pragma once

#include <string>

namespace api {

class ApiContext {
 public:
  virtual ~ApiContext() = default;

  // The window (an HWND) that owns message boxes and the file, folder and
  // colour dialogs; null shows them without an owner.
  virtual void* owner_window() = 0;

  // ExitWindowsEx with these EWX_ flags; true when the system accepted it.
  virtual bool exit_windows(unsigned flags);
  // SetSystemPowerState: suspend, not forced.
  virtual bool suspend_machine();
  // mciSendStringA with the command; true when it answered 0.
  virtual bool send_mci_command(const std::string& command);
  // ShellExecuteA with no owner, no parameters and no working folder: the
  // verb "open", or the default verb when `open_verb` is false. True when
  // the shell answered above 31.
  virtual bool shell_execute(const std::string& target, bool open_verb, int show_command);
};

// A context whose dialogs belong to one fixed window (or to none).
class FixedOwnerContext : public ApiContext {
 public:
  explicit FixedOwnerContext(void* owner = nullptr) : owner_(owner) {}
  void* owner_window() override { return owner_; }

 private:
  void* owner_;
};

}  // namespace api
