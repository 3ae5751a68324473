#include <windows.h>

#include <algorithm>

#include "bridge/window_events.h"
#include "flashhost/player_drawing.h"
#include "flashhost/player_window.h"
#include "flashhost/scripting_bridge.h"
#include "flashhost/url_requests.h"
#include "flashhost/window_parameters.h"
#include "settings/settings.h"

namespace flashhost {

namespace {

// Forwards only presses with code 1 to the plug-in.
bool default_press_hook(PlayerView*, int code, int) { return code == 1; }

bool is_mouse_message(UINT message) {
  return message == WM_SETCURSOR || (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) ||
         message == WM_MOUSEWHEEL || message == WM_MOUSEHOVER || message == WM_MOUSELEAVE;
}

bool is_key_message(UINT message) { return message >= WM_KEYDOWN && message <= WM_SYSDEADCHAR; }

void call_without_arguments(PlayerWindow& window, const char* function) {
  window.call_movie(function, nullptr, 0);
}

}  // namespace

// --- PlayerWindowList -----------------------------------------------------

void PlayerWindowList::add(PlayerWindow* window) {
  if (window) windows_.push_back(window);
}

void PlayerWindowList::remove(PlayerWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

PlayerWindow* PlayerWindowList::find(const std::string& name) const {
  for (PlayerWindow* window : windows_) {
    if (window->name() == name) return window;
  }
  return nullptr;
}

PlayerWindow* PlayerWindowList::main_window() const {
  for (PlayerWindow* window : windows_) {
    if (window->is_main_window()) return window;
  }
  return nullptr;
}

// --- Host calls -------------------------------------------------------------

bool player_host_call(PlayerInstance* instance, NPObject* object, const char* name,
                      uint32_t argument_count, const NPVariant* arguments, std::string& answer) {
  CallContext* context = instance ? instance->call_context : nullptr;
  if (!context || !context->window) return false;
  return context->window->handle_host_call(object, name, argument_count, arguments, answer);
}

// --- PlayerWindow -----------------------------------------------------------

PlayerWindow::PlayerWindow(const WindowSettings* settings, const WindowSettings* main_settings)
    : settings_(settings), main_settings_(main_settings), dispatcher_(*this) {
  context_.window = this;
}

PlayerWindow::~PlayerWindow() {
  if (instance_) {
    if (view_) view_->event_sender = nullptr;
    destroy(instance_);
    instance_ = nullptr;
  }
  if (view_) {
    free_surfaces(view_);
    if (view_->window_dc) ReleaseDC(view_->window, view_->window_dc);
    delete view_;
    view_ = nullptr;
  }
  if (list_) list_->remove(this);
  // The menu bar goes with its window; the context menu belongs to none.
  if (context_menu_ && IsMenu(context_menu_)) DestroyMenu(context_menu_);
}

void PlayerWindow::close() {
  if (!window_) return;
  if (modal_) {
    EndDialog(window_, 0);
  } else {
    SendMessageA(window_, WM_CLOSE, 0, 0);
  }
}

void PlayerWindow::maximize() { ShowWindow(window_, SW_SHOWMAXIMIZED); }
void PlayerWindow::minimize() { ShowWindow(window_, SW_MINIMIZE); }
void PlayerWindow::restore() { ShowWindow(window_, SW_RESTORE); }
bool PlayerWindow::is_maximized() const { return window_ && IsZoomed(window_); }
bool PlayerWindow::is_minimized() const { return window_ && IsIconic(window_); }

void PlayerWindow::put_back_recorded_procedure() {
  if (window_ && recorded_procedure_) {
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recorded_procedure_));
  }
}

void PlayerWindow::on_close() {
  // No plug-in event may arrive while the instance is being destroyed.
  put_back_recorded_procedure();
  close_instance();
}

void PlayerWindow::close_instance() {
  put_back_recorded_procedure();
  if (view_) view_->event_sender = nullptr;
  // The instance's destroy re-installs the procedure recorded at its start
  // (the player procedure), so WM_DESTROY still reaches on_destroy.
  destroy(instance_);
  instance_ = nullptr;
  context_.instance = nullptr;
  if (view_) view_->instance = nullptr;
}

void PlayerWindow::size_changed(int width, int height) {
  if (view_) {
    NPVariant size[2];
    size[0].type = NPVariantType_Int32;
    size[0].value.intValue = width;
    size[1].type = NPVariantType_Int32;
    size[1].value.intValue = height;
    call_movie("onWindowResize", size, 2);
  }
  resize_view(width, height);
  refresh_view();
}

void PlayerWindow::moved(int x, int y) {
  const uint32_t packed =
      (static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF);
  bridge::send_window_moved(*this, packed);
}

bool PlayerWindow::menu_command(unsigned command) {
  return menu_command_handler_ && menu_command_handler_(command);
}

void PlayerWindow::on_destroy() {
  put_back_recorded_procedure();
  if (view_) view_->event_sender = nullptr;
  destroy(instance_);
  instance_ = nullptr;
  context_.instance = nullptr;
  if (view_) view_->instance = nullptr;
  if (main_window_) PostQuitMessage(0);
  if (list_) list_->remove(this);
}

void PlayerWindow::maximized() { call_without_arguments(*this, "onWindowMaximize"); }
void PlayerWindow::minimized() { call_without_arguments(*this, "onWindowMinimize"); }
void PlayerWindow::restored() { call_without_arguments(*this, "onWindowRestore"); }

bool PlayerWindow::create_by_type(int) { return false; }

bool PlayerWindow::start() {
  const bool started = instance_ && flashhost::start(instance_);
  if (instance_) bridge::send_api_init_finished(*this);
  return started;
}

bool PlayerWindow::paint() { return paint_window(view_); }

void PlayerWindow::set_parameter(const std::string& name, const std::string& value) {
  flashhost::set_parameter(instance_, name, value);
}

std::string PlayerWindow::get_parameter(const std::string& name) const {
  const std::string* value = instance_ ? instance_->parameters.find(name) : nullptr;
  return value ? *value : std::string();
}

bool PlayerWindow::call_swhx(const std::string& text1, const std::string& text2,
                             std::string& answer) {
  return instance_ && scripting::call_swhx(instance_, text1, text2, answer);
}

bool PlayerWindow::handle_host_call(NPObject* object, const char* name, uint32_t argument_count,
                                    const NPVariant* arguments, std::string& answer) {
  return scripting::dispatch_host_call(&dispatcher_, object, name, argument_count, arguments,
                                       answer);
}

bool PlayerWindow::load_url_data(const std::string& url, const char* body, std::size_t body_length,
                                 std::string& answer) {
  return flashhost::load_url_data(url, body, body_length, answer);
}

void PlayerWindow::resize_view(int width, int height) { view_resize(view_, width, height); }
void PlayerWindow::refresh_view() { view_refresh(view_); }

bool PlayerWindow::route_mouse(UINT, WPARAM, LPARAM) { return false; }
bool PlayerWindow::route_keys(UINT, WPARAM, LPARAM) { return false; }

bool PlayerWindow::set_up(HWND window) {
  if (!window) return false;
  create_view(window, transparent_);
  if (!modal_) subclass_window();
  RECT client = {};
  GetClientRect(window, &client);
  view_resize(view_, client.right - client.left, client.bottom - client.top);
  if (!create_player_instance()) return false;
  if (settings_) {
    apply_window_settings(instance_->parameters, *settings_);
    if (transparent_) flashhost::set_parameter(instance_, "wmode", "transparent");
  }
  return true;
}

std::string PlayerWindow::main_window_name() {
  return main_settings_ ? main_settings_->window_name : std::string();
}

std::vector<std::string> PlayerWindow::child_window_names() {
  std::vector<std::string> names;
  if (!main_settings_) return names;
  for (const auto& child : main_settings_->children) names.push_back(child->window_name);
  return names;
}

void PlayerWindow::call_movie(const char* function, const NPVariant* arguments, uint32_t count) {
  if (!instance_) return;
  std::string ignored;
  scripting::call_movie(instance_, function, arguments, count, ignored);
}

void PlayerWindow::create_view(HWND window, bool transparent) {
  window_ = window;
  if (view_) {
    free_surfaces(view_);
    if (view_->window_dc) ReleaseDC(view_->window, view_->window_dc);
    delete view_;
  }
  view_ = new PlayerView();  // zero-filled
  view_->window = window;
  view_->window_dc = GetWindowDC(window);
  view_->plugin_window.type = NPWindowTypeDrawable;
  view_->press_hook = default_press_hook;
  view_->event_sender = send_to_plugin;
  view_->call_context = &context_;
  if (transparent) {
    use_transparent_drawing(view_);
  } else {
    use_opaque_drawing(view_);
  }
  context_.view = view_;
}

void PlayerWindow::subclass_window() {
  if (!window_) return;
  recorded_procedure_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window_, GWLP_WNDPROC));
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(player_window_proc));
}

bool PlayerWindow::create_player_instance() {
  if (!view_) return false;
  instance_ = create_instance(view_);
  if (!instance_) return false;
  view_->instance = instance_;
  context_.instance = instance_;
  attach(instance_, player_host_call, &context_);
  return true;
}

std::string PlayerWindow::name() const {
  return settings_ ? settings_->window_name : std::string();
}

void PlayerWindow::set_window_list(PlayerWindowList* list, bool main_window) {
  list_ = list;
  main_window_ = main_window;
}

// --- Window procedures ------------------------------------------------------

PlayerWindow* player_window_of(HWND window) {
  return reinterpret_cast<PlayerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

namespace {

// The rows both procedures share. `handled` is set when the message is
// answered with `answer`; otherwise it goes to the default handling.
LRESULT handle_player_message(PlayerWindow* player, UINT message, WPARAM wparam, LPARAM lparam,
                              bool& handled) {
  handled = false;
  switch (message) {
    case WM_DESTROY:
      player->on_destroy();
      break;
    case WM_ERASEBKGND:
      // The class brush must never paint over the movie.
      handled = true;
      return 1;
    case WM_MOVE:
      player->moved(LOWORD(lparam), HIWORD(lparam));
      break;
    case WM_SIZE:
      if (wparam == SIZE_RESTORED) player->restored();
      if (wparam == SIZE_MINIMIZED) player->minimized();
      if (wparam == SIZE_MAXIMIZED) player->maximized();
      player->size_changed(LOWORD(lparam), HIWORD(lparam));
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ACTIVATEAPP:
    case WM_MOUSEACTIVATE:
      send_event(player->view(), message, wparam, lparam);
      break;
    case WM_PAINT:
      if (player->paint()) {
        handled = true;
        return 1;
      }
      break;
    case WM_CLOSE:
      player->on_close();
      break;
    case WM_COMMAND:
      // Menu items (notification code 0, no control); accelerators and
      // controls are not ours.
      if (HIWORD(wparam) == 0 && lparam == 0 && player->menu_command(LOWORD(wparam))) {
        handled = true;
        return 0;
      }
      break;
    default:
      if ((is_mouse_message(message) && player->route_mouse(message, wparam, lparam)) ||
          (is_key_message(message) && player->route_keys(message, wparam, lparam))) {
        handled = true;
        return 1;
      }
      break;
  }
  return 0;
}

}  // namespace

LRESULT CALLBACK player_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  PlayerWindow* player = player_window_of(window);
  if (player) {
    bool handled = false;
    LRESULT answer = handle_player_message(player, message, wparam, lparam, handled);
    if (handled) return answer;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

INT_PTR CALLBACK player_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG && lparam != 0) {
    PlayerWindow* player = reinterpret_cast<PlayerWindow*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, lparam);
    player->set_modal(true);
    player->set_up(window);
    if (player->window_list()) player->window_list()->add(player);
    player->start();
    return TRUE;
  }
  PlayerWindow* player = player_window_of(window);
  if (!player) return FALSE;
  if (message == WM_CLOSE) EndDialog(window, 0);
  bool handled = false;
  handle_player_message(player, message, wparam, lparam, handled);
  return (handled || message == WM_DESTROY) ? TRUE : FALSE;
}

}  // namespace flashhost
