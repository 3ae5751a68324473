// The player window object: one window playing one plug-in instance through
// a PlayerView. It turns window messages into plug-in events, movie events
// and window actions, answers the plug-in's requests through its API
// dispatcher, and owns its view and instance. The windowed player makes one
// per window record; the screen saver binds one to its frame window.
//
// Also here: the process-wide set-up that follows the loading of the library
// in the windowed player (the player window class, the host worker thread,
// the layered-window update entry) and the view operations.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bridge/dispatcher.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_view.h"

struct WindowSettings;

namespace flashhost {

// --- Process-wide set-up ------------------------------------------------

constexpr char kPlayerClassName[] = "QN_SkiffFPWindow";
// A work item for the host worker thread: wParam the routine, lParam its
// argument.
constexpr UINT kWorkItemMessage = WM_USER + 254;
constexpr int kPlayerIconResource = 129;

using WorkRoutine = void (*)(void* argument);

// Registers the player window class, starts the host worker thread (and
// returns only once its message queue exists) and looks up
// "UpdateLayeredWindow". 0, or -1 when the class or the thread could not be
// made. Run once, right after the library loaded; the screen saver does not
// run it.
int register_player_class();

// Hands a work item to the host worker thread; items run one at a time in
// posting order. False when there is no worker.
bool post_work(WorkRoutine routine, void* argument);

// 0 until register_player_class started the worker.
DWORD worker_thread_id();

// --- View operations ----------------------------------------------------

// Sets the drawing size (and clip rectangle) and re-creates the surfaces.
void view_resize(PlayerView* view, int width, int height);

// For a started instance: hands the plug-in its window and repaints the
// whole clip rectangle (the NPN_InvalidateRect path).
void view_refresh(PlayerView* view);

// On: keeps the window's information in the view, makes it a visible
// popup with a system menu and places it top-most over the desktop window's
// rectangle. Off: puts style, extended style and rectangle back.
void set_full_screen(PlayerView* view, bool on);

// --- The player window object -------------------------------------------

class PlayerWindow;

// The application's open player windows, in the order they were opened.
class PlayerWindowList {
 public:
  void add(PlayerWindow* window);
  void remove(PlayerWindow* window);
  // The first window opened whose window name equals `name` (exact).
  PlayerWindow* find(const std::string& name) const;
  // The program's main player window when it is open, else null.
  PlayerWindow* main_window() const;
  const std::vector<PlayerWindow*>& windows() const { return windows_; }

 private:
  std::vector<PlayerWindow*> windows_;
};

// The host call handler of every player window's instance: the call goes to
// the window object behind the instance's call context.
bool player_host_call(PlayerInstance* instance, NPObject* object, const char* name,
                      uint32_t argument_count, const NPVariant* arguments, std::string& answer);

class PlayerWindow : public bridge::DispatcherHost {
 public:
  // `settings` is this window's record, `main_settings` the main window
  // record of the same settings (its name and its children's names answer
  // Api.onInit). Both must outlive the object; either may be null.
  PlayerWindow(const WindowSettings* settings, const WindowSettings* main_settings);
  ~PlayerWindow() override;
  PlayerWindow(const PlayerWindow&) = delete;
  PlayerWindow& operator=(const PlayerWindow&) = delete;

  // Window base.
  virtual void close();  // a dialog ends with 0; other windows get WM_CLOSE
  virtual void maximize();
  virtual void minimize();
  virtual void restore();
  virtual bool is_maximized() const;
  virtual bool is_minimized() const;

  // Message handlers.
  virtual void on_close();
  virtual void size_changed(int width, int height);
  virtual void moved(int x, int y);
  // A WM_COMMAND from one of the window's menus: the menu command handler
  // when one is set (the Menu namespace sets it), else false.
  virtual bool menu_command(unsigned command);
  virtual void on_destroy();
  virtual void maximized();
  virtual void minimized();
  virtual void restored();

  // Builds the system window of a window record's type (standard, mask,
  // transparent); the window types themselves belong to the windowed
  // player, this base makes none.
  virtual bool create_by_type(int type);

  // Puts back the recorded procedure, clears the event sender and destroys
  // the instance.
  virtual void close_instance();
  // Starts the instance (NPP_New, window, movie stream), then raises
  // "apiInitFinished" whatever the start answered.
  virtual bool start();
  // WM_PAINT: the drawing mode's window paint. True when answered.
  virtual bool paint();
  virtual void set_parameter(const std::string& name, const std::string& value);
  // The value of a parameter in any case of its name; empty when absent.
  virtual std::string get_parameter(const std::string& name) const;
  // "swhxCall" of the movie with two texts; true with a text answer.
  virtual bool call_swhx(const std::string& text1, const std::string& text2, std::string& answer);
  // A request of the plug-in, answered by the API dispatcher.
  virtual bool handle_host_call(NPObject* object, const char* name, uint32_t argument_count,
                                const NPVariant* arguments, std::string& answer);
  bool load_url_data(const std::string& url, const char* body, std::size_t body_length,
                     std::string& answer) override;
  virtual void resize_view(int width, int height);
  virtual void refresh_view();

  // Mouse and key routing of the window's kind; true when handled (the
  // message then does not reach the default handling). This base sends
  // nothing and handles nothing.
  virtual bool route_mouse(UINT message, WPARAM wparam, LPARAM lparam);
  virtual bool route_keys(UINT message, WPARAM wparam, LPARAM lparam);

  // Set-up of a window made elsewhere (a dialog's WM_INITDIALOG runs it):
  // the view in the window's drawing mode with the client size, the
  // instance with the window record's parameters. Dialogs keep their own
  // procedure; other windows get the player window procedure.
  virtual bool set_up(HWND window);

  // bridge::DispatcherHost
  std::string main_window_name() override;
  std::vector<std::string> child_window_names() override;
  void call_movie(const char* function, const NPVariant* arguments, uint32_t count) override;

  // Pieces of the set-up, in the order a set-up uses them.
  // A zero-filled view bound to `window` with its window DC, a windowless
  // NPWindow, the default press hook, the drawing mode's routines and the
  // plug-in event sender.
  void create_view(HWND window, bool transparent);
  // Records the window's procedure and installs the player window
  // procedure, with this object as the window's user data.
  void subclass_window();
  // create_instance on the view, with the host call handler and the call
  // context attached.
  bool create_player_instance();

  HWND window() const { return window_; }
  PlayerView* view() const { return view_; }
  PlayerInstance* instance() const { return instance_; }
  const WindowSettings* settings() const { return settings_; }
  bridge::Dispatcher& dispatcher() { return dispatcher_; }
  std::string name() const;

  // The application's list this window belongs to (joined when it opens,
  // left at WM_DESTROY) and whether it is the program's main player window,
  // whose WM_DESTROY ends the message loop.
  void set_window_list(PlayerWindowList* list, bool main_window);
  PlayerWindowList* window_list() const { return list_; }

  bool is_main_window() const { return main_window_; }

  // The window's menus: its menu bar and its context menu (a popup menu),
  // each null when the window has none. The window destroys them.
  HMENU menu_bar() const { return menu_bar_; }
  HMENU context_menu() const { return context_menu_; }
  using MenuCommandHandler = std::function<bool(unsigned command)>;
  void set_menu_command_handler(MenuCommandHandler handler) {
    menu_command_handler_ = std::move(handler);
  }

  bool is_modal() const { return modal_; }
  void set_modal(bool modal) { modal_ = modal; }
  bool is_transparent() const { return transparent_; }
  void set_transparent(bool transparent) { transparent_ = transparent; }
  WNDPROC recorded_procedure() const { return recorded_procedure_; }

 protected:
  HWND window_ = nullptr;
  PlayerView* view_ = nullptr;
  PlayerInstance* instance_ = nullptr;
  CallContext context_;
  const WindowSettings* settings_;
  const WindowSettings* main_settings_;
  PlayerWindowList* list_ = nullptr;
  bool main_window_ = false;
  bool modal_ = false;
  bool transparent_ = false;
  WNDPROC recorded_procedure_ = nullptr;
  HMENU menu_bar_ = nullptr;
  HMENU context_menu_ = nullptr;
  MenuCommandHandler menu_command_handler_;

 private:
  void put_back_recorded_procedure();

  bridge::Dispatcher dispatcher_;
};

// The procedure of subclassed player windows; messages of windows without a
// player window object in their user data go to DefWindowProcA.
LRESULT CALLBACK player_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The dialog variant for modal windows: WM_INITDIALOG's lParam is the player
// window object, which it sets up, lists and starts.
INT_PTR CALLBACK player_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The player window object stored in a window's user data, or null.
PlayerWindow* player_window_of(HWND window);

}  // namespace flashhost
