// Player windows made from window records: the standard, mask and
// transparent kinds with their frames, menus, size and place, the mask
// store, and the meaning of mouse buttons and keys. Also the application's
// set of player windows that the windowed player and Window.open fill.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "flashhost/player_window.h"

struct WindowSettings;

namespace flashhost {

// Resources of the program: the context menu's and the menu bar's
// placeholders.
constexpr int kContextMenuResource = 131;
constexpr int kMenuBarResource = 132;

// A window region and its bounding box.
struct MaskRecord {
  HRGN region = nullptr;
  RECT box = {0, 0, 0, 0};
};

// Reads a file holding one RGNDATA block (as GetRegionData writes it) into
// a mask record. False when the file does not open or the data are refused.
bool read_region_file(const std::string& path, MaskRecord& record);

class TypedPlayerWindow : public PlayerWindow {
 public:
  TypedPlayerWindow(const WindowSettings* settings, const WindowSettings* main_settings);
  ~TypedPlayerWindow() override;

  // 0 standard, 1 mask, 2 transparent; any other type fails.
  bool create_by_type(int type) override;
  // A framed window (or, for the modal style, a modal dialog, which has
  // ended when this returns). False when no window was made.
  bool create_framed();
  // A popup shaped by the record's region file; fails without that file.
  bool create_mask_window();
  // Icon, context menu, title, size, place, view, procedure, instance and
  // parameters, full screen. The instance is started by the creator.
  bool set_up(HWND window) override;

  // A mask image (a relative path is taken in the work folder) as a new
  // mask: its id (1, 2, ...), or -1 when the image gives no region.
  int32_t add_mask(const std::string& path);
  // False for ids of 0 or less and unknown ids.
  bool remove_mask(int32_t id);
  // Gives the window a copy of that mask's region. False for unknown ids.
  bool select_mask(int32_t id);
  int32_t mask_count() const { return mask_count_; }
  bool has_mask(int32_t id) const { return masks_.count(id) != 0; }
  const MaskRecord* current_mask() const;

  void enable_drag() { drag_enabled_ = true; }
  void disable_drag() { drag_enabled_ = false; }
  bool drag_enabled() const { return drag_enabled_; }

  bool route_mouse(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool route_keys(UINT message, WPARAM wparam, LPARAM lparam) override;

  // Runs at the end of every set-up of this window: its window, menus and
  // instance exist, the instance is not started yet.
  void set_set_up_hook(std::function<void(PlayerWindow& window)> hook) {
    set_up_hook_ = std::move(hook);
  }

  // The size the set-up gave the window (before full screen).
  int set_up_width() const { return set_up_width_; }
  int set_up_height() const { return set_up_height_; }

 private:
  bool in_view(LPARAM lparam, UINT message) const;
  void show_context_menu();
  bool right_drag(UINT message, LPARAM lparam);
  void load_context_menu();

  std::map<int32_t, MaskRecord> masks_;
  int32_t mask_count_ = 0;
  int32_t current_mask_ = -1;  // none
  bool drag_enabled_ = false;
  bool right_dragging_ = false;
  POINT grab_ = {0, 0};  // cursor offset from the window's corner
  int set_up_width_ = 0;
  int set_up_height_ = 0;
  std::function<void(PlayerWindow& window)> set_up_hook_;
};

// The application's player windows: the window records of its settings,
// the window objects it made (kept until the set goes) and the list of the
// open ones in the order they opened.
class PlayerWindowSet {
 public:
  // Runs for every new window at the end of its set-up, before its instance
  // starts: the program installs the API namespaces here (the menus they
  // act on exist by then).
  using Preparer = std::function<void(PlayerWindow& window)>;

  // `main_record` must outlive the set.
  PlayerWindowSet(WindowSettings& main_record, Preparer prepare);
  ~PlayerWindowSet();
  PlayerWindowSet(const PlayerWindowSet&) = delete;
  PlayerWindowSet& operator=(const PlayerWindowSet&) = delete;

  // Builds a window of the named record's kind. A framed or mask window that
  // was created joins the list, and its instance is started; a modal one
  // joins, starts and ends inside this call. Null when no record has that
  // name; `created` tells whether the system window was made. The first
  // window opened as `main` ends the program when it is destroyed.
  PlayerWindow* open(const std::string& record_name, bool main, bool& created);

  PlayerWindowList& list() { return list_; }
  WindowSettings& main_record() { return main_record_; }

 private:
  WindowSettings& main_record_;
  Preparer prepare_;
  PlayerWindowList list_;
  std::vector<std::unique_ptr<PlayerWindow>> objects_;
};

}  // namespace flashhost
