// The namespaces that act on player windows: Window (the player windows the
// settings define), Menu (a window's menu bar and right-click menu) and DLL
// (native libraries the movie opens), made per host window like the other
// namespace handlers.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "api/dll_parameters.h"
#include "bridge/dispatcher.h"

namespace flashhost {
class PlayerWindowSet;
}

namespace api {

// --- Window -------------------------------------------------------------

std::unique_ptr<bridge::NamespaceHandler> make_window_namespace(
    flashhost::PlayerWindowSet& windows);

// --- Menu ---------------------------------------------------------------

// The system menus a Menu namespace acts on. The menu bar is the main
// window's when the application has a main window, else this host window's;
// both are null when the host window has no menu bar.
struct MenuTargets {
  HMENU menu_bar = nullptr;
  HWND menu_bar_window = nullptr;  // whose bar is redrawn after a change
  HMENU context_menu = nullptr;    // the host window's right-click menu
};

class MenuNamespace : public bridge::NamespaceHandler {
 public:
  // The menu title (or context object name) and item text behind a menu
  // command id; nothing when no object of this namespace made that item.
  virtual std::optional<std::pair<std::string, std::string>> find_command(
      unsigned command) const = 0;
  // A WM_COMMAND of the host window: sends "onMenuCommand" with the two
  // texts of find_command to the movie; false (nothing sent) when unknown.
  virtual bool menu_command(unsigned command) = 0;
};

// `movie` receives "onMenuCommand" and must outlive the namespace. The host
// window installs the result as its Menu handler and routes its menu
// commands to menu_command (PlayerWindow::set_menu_command_handler).
std::unique_ptr<MenuNamespace> make_menu_namespace(const MenuTargets& targets,
                                                   bridge::MovieCaller& movie);

// --- DLL ----------------------------------------------------------------

class DllNamespace : public bridge::NamespaceHandler {
 public:
  // What the last "call" made of its arguments (for diagnostics and tests):
  // the parameter records, whether the library id was open and whether the
  // function name resolved in it.
  struct CallRecord {
    std::vector<DllParameter> parameters;
    bool library_found = false;
    bool function_found = false;
  };
  virtual const CallRecord& last_call() const = 0;
};

std::unique_ptr<DllNamespace> make_dll_namespace();

// Installs a Menu and a DLL handler into a host window's dispatcher and
// answers the Menu handler (owned by the dispatcher), whose menu_command the
// window calls for the menu commands of its WM_COMMAND.
MenuNamespace* install_menu_and_dll_namespaces(bridge::Dispatcher& dispatcher,
                                               const MenuTargets& targets,
                                               bridge::MovieCaller& movie);

}  // namespace api
