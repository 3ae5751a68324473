// Window: the movie opens, moves, sizes, shows, hides and shapes the player
// windows that the settings define. Every method but "open" addresses an
// open window by its name (sent as it is, not Base64); with no window of
// that name each method answers its fixed "nothing found" result.
#include <windows.h>

#include <string>

#include "api/window_host.h"
#include "api/window_namespaces.h"
#include "flashhost/player_window_types.h"
#include "flashhost/window_frame.h"

namespace api {

namespace {

using bridge::ArgumentList;
using bridge::Result;
using flashhost::PlayerWindow;
using flashhost::TypedPlayerWindow;

constexpr UINT kMove = SWP_NOZORDER | SWP_NOSIZE;
constexpr UINT kSize = SWP_NOZORDER | SWP_NOMOVE;

RECT outer_rect(HWND window) {
  RECT rect = {0, 0, 0, 0};
  if (window) GetWindowRect(window, &rect);
  return rect;
}

class WindowNamespace : public bridge::NamespaceHandler {
 public:
  explicit WindowNamespace(flashhost::PlayerWindowSet& windows) : windows_(windows) {}

  Result call(std::string_view method, const ArgumentList& arguments) override {
    if (method == "open") return open(std::string(arguments.text(1)));
    PlayerWindow* player = windows_.list().find(std::string(arguments.text(1)));
    HWND window = player ? player->window() : nullptr;
    const RECT rect = outer_rect(window);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    if (method == "getPosition") return bridge::result_point(rect.left, rect.top);
    if (method == "close") {
      if (player) player->close();
      return std::nullopt;
    }
    if (method == "center") {
      if (window) {
        int32_t x = 0, y = 0;
        flashhost::centred_position(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                    width, height, x, y);
        MoveWindow(window, x, y, width, height, TRUE);
      }
      return std::nullopt;
    }
    if (method == "getXPosition") return bridge::result_integer(rect.left);
    if (method == "getYPosition") return bridge::result_integer(rect.top);
    if (method == "setPosition") {
      move(window, bridge::read_integer(arguments, 2), bridge::read_integer(arguments, 3));
      return std::nullopt;
    }
    if (method == "setXPosition") {
      move(window, bridge::read_integer(arguments, 2), rect.top);
      return std::nullopt;
    }
    if (method == "setYPosition") {
      move(window, rect.left, bridge::read_integer(arguments, 2));
      return std::nullopt;
    }
    if (method == "getSize") return bridge::result_size(width, height);
    if (method == "getWidth") return bridge::result_integer(width);
    if (method == "getHeight") return bridge::result_integer(height);
    if (method == "setSize") {
      size(window, bridge::read_integer(arguments, 2), bridge::read_integer(arguments, 3));
      return std::nullopt;
    }
    if (method == "setWidth") {
      size(window, bridge::read_integer(arguments, 2), height);
      return std::nullopt;
    }
    if (method == "setHeight") {
      size(window, width, bridge::read_integer(arguments, 2));
      return std::nullopt;
    }
    if (method == "showFullScreen") {
      if (player && player->view()) {
        flashhost::set_full_screen(player->view(), bridge::read_flag(arguments, 2));
      }
      return std::nullopt;
    }
    if (method == "maximize") {
      if (player) player->maximize();
      return std::nullopt;
    }
    if (method == "minimize") {
      if (player) player->minimize();
      return std::nullopt;
    }
    if (method == "isMaximized") return bridge::result_boolean(player && player->is_maximized());
    if (method == "isMinimized") return bridge::result_boolean(player && player->is_minimized());
    if (method == "restore") {
      if (player) player->restore();
      return std::nullopt;
    }
    if (method == "show") {
      if (window) ShowWindow(window, bridge::read_flag(arguments, 2) ? SW_SHOW : SW_HIDE);
      return std::nullopt;
    }
    if (method == "hide") {
      if (window) ShowWindow(window, SW_HIDE);
      return std::nullopt;
    }
    if (method == "isVisible") return bridge::result_boolean(window && IsWindowVisible(window));
    if (method == "bringToFront") {
      if (window) BringWindowToTop(window);
      return std::nullopt;
    }
    if (method == "sendToBack") {
      // Behind every other window, as the name promises.
      if (window) {
        SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      return std::nullopt;
    }
    if (method == "getTitle") {
      if (!window) return std::nullopt;
      char title[256] = "";
      const int length = GetWindowTextA(window, title, 256);
      return bridge::result_text(std::string_view(title, length > 0 ? length : 0), true);
    }
    if (method == "setTitle") {
      if (window) SetWindowTextA(window, bridge::read_text(arguments, 2).c_str());
      return std::nullopt;
    }
    TypedPlayerWindow* typed = dynamic_cast<TypedPlayerWindow*>(player);
    if (method == "startDrag") {
      if (typed) typed->enable_drag();
      return std::nullopt;
    }
    if (method == "stopDrag") {
      if (typed) typed->disable_drag();
      return std::nullopt;
    }
    // Opacity is never changed, so it always reads as 1.
    if (method == "getAlpha") return bridge::result_real(1.0, 0, 2);
    if (method == "setAlpha") return bridge::result_boolean(false);
    if (method == "addMask") {
      return bridge::result_integer(typed ? typed->add_mask(bridge::read_text(arguments, 2)) : -1);
    }
    if (method == "removeMask") {
      return bridge::result_boolean(typed &&
                                    typed->remove_mask(bridge::read_integer(arguments, 2)));
    }
    if (method == "setMask") {
      return bridge::result_boolean(typed &&
                                    typed->select_mask(bridge::read_integer(arguments, 2)));
    }
    if (method == "hideMask") return bridge::result_boolean(false);
    return std::nullopt;
  }

 private:
  Result open(const std::string& record_name) {
    bool created = false;
    PlayerWindow* player = windows_.open(record_name, false, created);
    if (!player) return bridge::result_boolean(false);
    if (created && !player->is_modal() && player->window()) ShowWindow(player->window(), SW_SHOW);
    return bridge::result_boolean(true);
  }

  static void move(HWND window, int x, int y) {
    if (window) SetWindowPos(window, nullptr, x, y, 0, 0, kMove);
  }
  static void size(HWND window, int width, int height) {
    if (window) SetWindowPos(window, nullptr, 0, 0, width, height, kSize);
  }

  flashhost::PlayerWindowSet& windows_;
};

}  // namespace

std::unique_ptr<bridge::NamespaceHandler> make_window_namespace(
    flashhost::PlayerWindowSet& windows) {
  return std::make_unique<WindowNamespace>(windows);
}

void install_window_namespaces(flashhost::PlayerWindow& window,
                               flashhost::PlayerWindowSet& windows) {
  bridge::Dispatcher& dispatcher = window.dispatcher();
  dispatcher.set_handler(bridge::Namespace::kWindow, make_window_namespace(windows));
  dispatcher.set_handler(bridge::Namespace::kDll, make_dll_namespace());

  flashhost::PlayerWindow* main = windows.list().main_window();
  flashhost::PlayerWindow& bar_owner = main ? *main : window;
  MenuTargets targets;
  targets.menu_bar = bar_owner.menu_bar();
  targets.menu_bar_window = targets.menu_bar ? bar_owner.window() : nullptr;
  targets.context_menu = window.context_menu();
  std::unique_ptr<MenuNamespace> menu = make_menu_namespace(targets, window);
  MenuNamespace* commands = menu.get();
  window.set_menu_command_handler(
      [commands](unsigned command) { return commands->menu_command(command); });
  dispatcher.set_handler(bridge::Namespace::kMenu, std::move(menu));
}

}  // namespace api
