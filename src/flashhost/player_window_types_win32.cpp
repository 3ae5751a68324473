#include <windows.h>

#include <cstdio>
#include <vector>

#include "flashhost/player_drawing.h"
#include "flashhost/player_window_types.h"
#include "flashhost/window_frame.h"
#include "flashhost/window_parameters.h"
#include "media/mask_region_win32.h"
#include "payload/work_folder.h"
#include "settings/settings.h"

namespace flashhost {

namespace {

HINSTANCE program() { return GetModuleHandleA(nullptr); }

int screen_width() { return GetSystemMetrics(SM_CXSCREEN); }
int screen_height() { return GetSystemMetrics(SM_CYSCREEN); }

// The outer size of a window whose client area is `width` x `height`.
SIZE outer_size(int width, int height, DWORD style, DWORD ex_style, RECT* adjusted = nullptr) {
  RECT rect = {0, 0, width, height};
  AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  if (adjusted) *adjusted = rect;
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

HWND parent_window(const PlayerWindowList* list) {
  PlayerWindow* main = list ? list->main_window() : nullptr;
  return main ? main->window() : nullptr;
}

bool is_relative(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return false;
  return path.empty() || (path[0] != '\\' && path[0] != '/');
}

// Appends a WORD to a dialog template.
void put_word(std::vector<WORD>& block, WORD value) { block.push_back(value); }

void put_dword(std::vector<WORD>& block, DWORD value) {
  block.push_back(LOWORD(value));
  block.push_back(HIWORD(value));
}

}  // namespace

bool read_region_file(const std::string& path, MaskRecord& record) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<char> data;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    data.insert(data.end(), chunk, chunk + got);
  std::fclose(file);
  if (data.size() < sizeof(RGNDATAHEADER)) return false;
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                reinterpret_cast<const RGNDATA*>(data.data()));
  if (!region) return false;
  record.region = region;
  GetRgnBox(region, &record.box);
  return true;
}

// --- TypedPlayerWindow ------------------------------------------------------

TypedPlayerWindow::TypedPlayerWindow(const WindowSettings* settings,
                                     const WindowSettings* main_settings)
    : PlayerWindow(settings, main_settings) {}

TypedPlayerWindow::~TypedPlayerWindow() {
  for (auto& entry : masks_) {
    if (entry.second.region) DeleteObject(entry.second.region);
  }
}

bool TypedPlayerWindow::create_by_type(int type) {
  switch (type) {
    case 0:
      return create_framed();
    case 1:
      return create_mask_window();
    case 2:
      set_transparent(true);
      return create_framed();
    default:
      return false;
  }
}

bool TypedPlayerWindow::create_framed() {
  if (!settings_) return false;
  const FrameStyles frame = frame_styles(*settings_, is_transparent());
  set_modal(frame.modal);
  HMENU menu = nullptr;
  if (!is_transparent()) menu = LoadMenuA(program(), MAKEINTRESOURCEA(kMenuBarResource));
  RECT adjusted = {};
  const SIZE outer =
      outer_size(settings_->width, settings_->height, frame.style, frame.ex_style, &adjusted);
  HWND parent = parent_window(window_list());

  if (frame.modal) {
    // An in-memory template without items; WM_INITDIALOG sets the window up.
    if (menu) DestroyMenu(menu);
    const LONG base = GetDialogBaseUnits();
    const FrameSize units = dialog_units(outer.cx, outer.cy, LOWORD(base), HIWORD(base));
    std::vector<WORD> block;
    put_dword(block, frame.style);
    put_dword(block, frame.ex_style);
    put_word(block, 0);  // no items
    put_word(block, static_cast<WORD>(static_cast<short>(adjusted.left)));
    put_word(block, static_cast<WORD>(static_cast<short>(adjusted.top)));
    put_word(block, static_cast<WORD>(units.width));
    put_word(block, static_cast<WORD>(units.height));
    put_word(block, 0);  // no menu
    put_word(block, 0);  // the dialog class
    put_word(block, 0);  // no title: the set-up sets it
    put_word(block, 0);  // alignment
    const INT_PTR ended = DialogBoxIndirectParamA(
        program(), reinterpret_cast<LPCDLGTEMPLATEA>(block.data()), parent, player_dialog_proc,
        reinterpret_cast<LPARAM>(static_cast<PlayerWindow*>(this)));
    return ended != -1;
  }

  HWND window = CreateWindowExA(frame.ex_style, kPlayerClassName, settings_->window_title.c_str(),
                                frame.style, CW_USEDEFAULT, 0, outer.cx, outer.cy, parent, menu,
                                program(), nullptr);
  if (!window) {
    if (menu) DestroyMenu(menu);
    return false;
  }
  if (!settings_->has_close) DeleteMenu(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
  if (menu) {
    // The placeholder goes at once: the menu bar starts empty, for the Menu
    // API to fill.
    DeleteMenu(menu, 0, MF_BYCOMMAND);
    DrawMenuBar(window);
    menu_bar_ = menu;
  }
  return set_up(window);
}

bool TypedPlayerWindow::create_mask_window() {
  if (!settings_) return false;
  const SIZE outer = outer_size(settings_->width, settings_->height, WS_POPUP, 0);
  HWND window = CreateWindowExA(0, kPlayerClassName, settings_->window_title.c_str(), WS_POPUP,
                                CW_USEDEFAULT, 0, outer.cx, outer.cy, parent_window(window_list()),
                                nullptr, program(), nullptr);
  if (!window) return false;
  MaskRecord record;
  if (!set_up(window) || !read_region_file(settings_->mask_path, record)) {
    DestroyWindow(window);
    return false;
  }
  // The settings' own shape is mask 0; added masks count from 1.
  masks_[0] = record;
  select_mask(0);
  return true;
}

void TypedPlayerWindow::load_context_menu() {
  HMENU loaded = LoadMenuA(program(), MAKEINTRESOURCEA(kContextMenuResource));
  if (!loaded) return;
  // The resource is a bar holding one popup: the popup is the context menu,
  // emptied of its placeholder.
  HMENU popup = GetSubMenu(loaded, 0);
  if (popup) {
    RemoveMenu(loaded, 0, MF_BYPOSITION);
    DeleteMenu(popup, 0, MF_BYCOMMAND);
    context_menu_ = popup;
  }
  DestroyMenu(loaded);
}

bool TypedPlayerWindow::set_up(HWND window) {
  if (!window || !settings_) return false;
  window_ = window;
  SetClassLongPtrA(
      window, GCLP_HICON,
      reinterpret_cast<LONG_PTR>(LoadIconA(program(), MAKEINTRESOURCEA(kPlayerIconResource))));
  // The left button's "custom_menu" shows the same menu as the right's.
  if (!context_menu_ && (settings_->right_mouse_action == MouseAction::custom_menu ||
                         settings_->left_mouse_action == MouseAction::custom_menu)) {
    load_context_menu();
  }
  SetWindowTextA(window, settings_->window_title.c_str());

  const FrameSize size = set_up_size(*settings_, screen_width(), screen_height());
  if (size.width != settings_->width || size.height != settings_->height) {
    SetWindowPos(window, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  set_up_width_ = size.width;
  set_up_height_ = size.height;
  if (settings_->centered == WindowPosition::center) {
    RECT outer = {};
    GetWindowRect(window, &outer);
    int32_t x = 0, y = 0;
    centred_position(screen_width(), screen_height(), outer.right - outer.left,
                     outer.bottom - outer.top, x, y);
    MoveWindow(window, x, y, outer.right - outer.left, outer.bottom - outer.top, TRUE);
  } else {
    SetWindowPos(window, nullptr, settings_->x, settings_->y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  create_view(window, is_transparent());
  if (is_modal()) {
    recorded_procedure_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
  } else {
    subclass_window();
  }
  view_resize(view_, size.width, size.height);
  if (!create_player_instance()) return false;
  apply_window_settings(instance_->parameters, *settings_);
  if (is_transparent()) flashhost::set_parameter(instance_, "wmode", "transparent");
  if (settings_->full_screen) set_full_screen(view_, true);
  if (set_up_hook_) set_up_hook_(*this);
  return true;
}

// --- Masks ------------------------------------------------------------------

int32_t TypedPlayerWindow::add_mask(const std::string& path) {
  const std::string full = is_relative(path) ? work_folder::path_of(path) : path;
  HRGN region = media::load_mask_region(full);
  if (!region) return -1;
  MaskRecord record;
  record.region = region;
  GetRgnBox(region, &record.box);
  ++mask_count_;
  masks_[mask_count_] = record;
  return mask_count_;
}

bool TypedPlayerWindow::remove_mask(int32_t id) {
  if (id <= 0) return false;
  auto found = masks_.find(id);
  if (found == masks_.end()) return false;
  // The window keeps its own copy of a selected region.
  if (found->second.region) DeleteObject(found->second.region);
  if (current_mask_ == id) current_mask_ = -1;
  masks_.erase(found);
  return true;
}

bool TypedPlayerWindow::select_mask(int32_t id) {
  auto found = masks_.find(id);
  if (found == masks_.end() || !found->second.region) return false;
  current_mask_ = id;
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(copy, found->second.region, nullptr, RGN_COPY);
  // The window owns the copy from here on.
  if (!window_ || !SetWindowRgn(window_, copy, TRUE)) DeleteObject(copy);
  return true;
}

const MaskRecord* TypedPlayerWindow::current_mask() const {
  auto found = masks_.find(current_mask_);
  return found == masks_.end() ? nullptr : &found->second;
}

// --- Mouse and keys ---------------------------------------------------------

bool TypedPlayerWindow::in_view(LPARAM, UINT) const {
  if (!view_) return false;
  POINT cursor = {};
  GetCursorPos(&cursor);
  ScreenToClient(window_, &cursor);
  return cursor.x >= 0 && cursor.y >= 0 &&
         cursor.x < static_cast<LONG>(view_->plugin_window.width) &&
         cursor.y < static_cast<LONG>(view_->plugin_window.height);
}

void TypedPlayerWindow::show_context_menu() {
  if (!context_menu_) return;
  POINT cursor = {};
  GetCursorPos(&cursor);
  // The chosen item arrives as WM_COMMAND, which reaches menu_command.
  SetForegroundWindow(window_);
  TrackPopupMenu(context_menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y,
                 0, window_, nullptr);
  PostMessageA(window_, WM_NULL, 0, 0);
}

// The right button's "drag" moves the window while the button is held, as
// the left button's does, with the window's own capture (the system's move
// loop follows the left button only).
bool TypedPlayerWindow::right_drag(UINT message, LPARAM lparam) {
  if (!right_dragging_) return false;
  if (GetCapture() != window_) {
    right_dragging_ = false;
    return false;
  }
  POINT cursor = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  ClientToScreen(window_, &cursor);
  if (message == WM_MOUSEMOVE) {
    SetWindowPos(window_, nullptr, cursor.x - grab_.x, cursor.y - grab_.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
  }
  if (message == WM_RBUTTONUP) {
    right_dragging_ = false;
    ReleaseCapture();
    return true;
  }
  return message != WM_SETCURSOR;
}

bool TypedPlayerWindow::route_mouse(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!settings_) return false;
  if (GetFocus() != window_ && message != WM_LBUTTONDOWN && message != WM_RBUTTONDOWN) {
    return false;
  }
  if (right_drag(message, lparam)) return true;
  if (GetCapture() == window_) {
    if (message == WM_MOUSEMOVE) {
      send_event(view_, message, wparam, lparam);
    } else if (message == WM_LBUTTONUP) {
      ReleaseCapture();
      send_event(view_, message, wparam, lparam);
    }
    return false;
  }
  if (!in_view(lparam, message)) return false;

  switch (message) {
    case WM_LBUTTONDOWN:
      if (settings_->left_mouse_action == MouseAction::custom_menu && !drag_enabled_) {
        // The author's menu, as the right button shows it; the movie does
        // not see this press.
        show_context_menu();
        return false;
      }
      if (settings_->left_mouse_action == MouseAction::drag || drag_enabled_) {
        SendMessageA(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      } else {
        SetCapture(window_);
      }
      send_event(view_, message, wparam, lparam);
      return false;
    case WM_RBUTTONDOWN:
      switch (settings_->right_mouse_action) {
        case MouseAction::flash:
          send_event(view_, message, wparam, lparam);
          break;
        case MouseAction::custom_menu:
          show_context_menu();
          break;
        case MouseAction::drag: {
          POINT cursor = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
          ClientToScreen(window_, &cursor);
          RECT outer = {};
          GetWindowRect(window_, &outer);
          grab_ = POINT{cursor.x - outer.left, cursor.y - outer.top};
          right_dragging_ = true;
          SetCapture(window_);
          break;
        }
        case MouseAction::ignore:
          break;
      }
      if (view_ && view_->press_hook && view_->press_hook(view_, 4, 0)) {
        send_event(view_, message, wparam, lparam);
      }
      return false;
    default:
      send_event(view_, message, wparam, lparam);
      return message == WM_SETCURSOR;
  }
}

bool TypedPlayerWindow::route_keys(UINT message, WPARAM wparam, LPARAM lparam) {
  if (GetFocus() != window_ || !settings_) return false;
  if (settings_->exit_on_escape && wparam == VK_ESCAPE) {
    // Ends the program, whatever has the focus inside the movie.
    PostQuitMessage(0);
    return true;
  }
  send_event(view_, message, wparam, lparam);
  return false;
}

// --- PlayerWindowSet --------------------------------------------------------

PlayerWindowSet::PlayerWindowSet(WindowSettings& main_record, Preparer prepare)
    : main_record_(main_record), prepare_(std::move(prepare)) {}

PlayerWindowSet::~PlayerWindowSet() {
  for (auto& object : objects_) {
    HWND window = object->window();
    if (window && IsWindow(window) && player_window_of(window) == object.get()) {
      // The window must not reach an object that is gone.
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      if (object->recorded_procedure() && !object->is_modal()) {
        SetWindowLongPtrA(window, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(object->recorded_procedure()));
      }
      object->set_window_list(nullptr, false);
      DestroyWindow(window);
    }
  }
}

PlayerWindow* PlayerWindowSet::open(const std::string& record_name, bool main, bool& created) {
  created = false;
  WindowSettings* record = main_record_.find_window(record_name);
  if (!record) return nullptr;
  auto typed = std::make_unique<TypedPlayerWindow>(record, &main_record_);
  typed->set_set_up_hook(prepare_);
  objects_.push_back(std::move(typed));
  PlayerWindow* window = objects_.back().get();
  window->set_window_list(&list_, main && !list_.main_window());
  created = window->create_by_type(static_cast<int>(record->window_type));
  // A modal window joined, started and ended inside its creation.
  if (created && !window->is_modal()) {
    list_.add(window);
    window->start();
  }
  return window;
}

}  // namespace flashhost
