// Player windows made from window records: frames by kind and style, menus,
// size and place, masks, and the routing of mouse buttons and keys.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bridge/identifiers.h"
#include "fake_plugin.h"
#include "flashhost/player_window_types.h"
#include "payload/work_folder.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace {

using flashhost::TypedPlayerWindow;

void register_class_once() {
  static const int result = flashhost::register_player_class();
  ASSERT_EQ(result, 0);
}

// Bits the system adds to top-level windows on its own.
constexpr LONG kSystemBits = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VISIBLE;

LONG style_of(HWND window) { return GetWindowLongA(window, GWL_STYLE) & ~kSystemBits; }
LONG ex_style_of(HWND window) { return GetWindowLongA(window, GWL_EXSTYLE); }

bool quit_was_posted() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// A 24-bit bottom-up BMP of `width` x `height`; pixels listed in `white`
// (x, y from the top) are pure white, the rest black.
std::string bmp_bytes(int width, int height, const std::vector<POINT>& white) {
  const int row = (width * 3 + 3) & ~3;
  std::string pixels(static_cast<std::size_t>(row * height), '\0');
  for (const POINT& p : white) {
    const int stored_row = height - 1 - p.y;
    for (int c = 0; c < 3; ++c)
      pixels[static_cast<std::size_t>(stored_row * row + p.x * 3 + c)] = '\xFF';
  }
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(pixels.size());
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  return bytes + pixels;
}

// The RGNDATA block of a region, as a region file holds it.
std::string region_file_bytes(HRGN region) {
  const DWORD size = GetRegionData(region, 0, nullptr);
  std::string bytes(size, '\0');
  GetRegionData(region, size, reinterpret_cast<RGNDATA*>(&bytes[0]));
  return bytes;
}

RECT window_region_box(HWND window) {
  RECT box = {0, 0, 0, 0};
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (GetWindowRgn(window, region) != ERROR) GetRgnBox(region, &box);
  DeleteObject(region);
  return box;
}

class PlayerWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    register_class_once();
    bridge::register_movie_functions();
    fake_plugin::install();
    settings_.main_window.window_name = "MainWindow";
    main_ = &settings_.main_window;
  }
  void TearDown() override {
    for (auto& object : objects_) {
      HWND window = object->window();
      if (window && IsWindow(window)) DestroyWindow(window);
    }
    objects_.clear();
    quit_was_posted();
    fake_plugin::remove();
  }

  TypedPlayerWindow* make(WindowSettings& record) {
    objects_.push_back(std::make_unique<TypedPlayerWindow>(&record, main_));
    objects_.back()->set_window_list(&list_, false);
    return objects_.back().get();
  }
  WindowSettings& child(const char* name) {
    WindowSettings* record = main_->add_child();
    record->window_name = name;
    record->size_mode = SizeMode::custom;
    return *record;
  }
  // A shown, focused window with its instance started.
  TypedPlayerWindow* focused(WindowSettings& record) {
    TypedPlayerWindow* player = make(record);
    EXPECT_TRUE(player->create_by_type(static_cast<int>(record.window_type)));
    player->start();
    ShowWindow(player->window(), SW_SHOW);
    SetForegroundWindow(player->window());
    SetFocus(player->window());
    EXPECT_EQ(GetFocus(), player->window());
    fake_plugin::record().events.clear();
    return player;
  }
  // Puts the pointer over a client point of the window (real cursor: the
  // routing reads it).
  void point_at(HWND window, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
  }

  SaverSettings settings_;
  WindowSettings* main_ = nullptr;
  flashhost::PlayerWindowList list_;
  std::vector<std::unique_ptr<TypedPlayerWindow>> objects_;
};

// --- Frames -------------------------------------------------------------------

TEST_F(PlayerWindows, FramesFollowTheStyleWordTheFlagsAndTheKind) {
  WindowSettings& normal = child("normal");
  WindowSettings& tool = child("tool");
  tool.window_style = WindowStyle::tool;
  tool.resizable = true;
  tool.has_maximize = tool.has_minimize = false;
  WindowSettings& bare = child("bare");
  bare.window_style = WindowStyle::noborder;
  bare.has_maximize = bare.has_minimize = false;
  WindowSettings& clear_tool = child("clear_tool");
  clear_tool.window_style = WindowStyle::tool;
  clear_tool.window_type = WindowType::transparent;
  clear_tool.resizable = true;

  TypedPlayerWindow* n = make(normal);
  TypedPlayerWindow* t = make(tool);
  TypedPlayerWindow* b = make(bare);
  TypedPlayerWindow* c = make(clear_tool);
  ASSERT_TRUE(n->create_by_type(0));
  ASSERT_TRUE(t->create_by_type(0));
  ASSERT_TRUE(b->create_by_type(0));
  ASSERT_TRUE(c->create_by_type(2));

  EXPECT_EQ(style_of(n->window()), 0x00C80000 | WS_MAXIMIZEBOX | WS_MINIMIZEBOX);
  EXPECT_EQ(ex_style_of(n->window()) & (WS_EX_TOOLWINDOW | WS_EX_LAYERED), 0);
  EXPECT_EQ(style_of(t->window()), 0x00C80000 | WS_THICKFRAME);
  EXPECT_TRUE(ex_style_of(t->window()) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(style_of(b->window()), static_cast<LONG>(WS_POPUP));
  EXPECT_EQ(style_of(c->window()), static_cast<LONG>(0x80080000));
  EXPECT_EQ(ex_style_of(c->window()) & (WS_EX_TOOLWINDOW | WS_EX_LAYERED),
            WS_EX_TOOLWINDOW | WS_EX_LAYERED);
  EXPECT_TRUE(c->is_transparent());
  EXPECT_EQ(c->get_parameter("wmode"), "transparent");
  EXPECT_EQ(n->get_parameter("wmode"), "opaque");

  // Every player window takes the class procedure, then the player one.
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(n->window(), GWLP_WNDPROC)),
            flashhost::player_window_proc);
  EXPECT_EQ(flashhost::player_window_of(t->window()), t);

  TypedPlayerWindow* unknown = make(child("unknown"));
  EXPECT_FALSE(unknown->create_by_type(3));
  EXPECT_EQ(unknown->window(), nullptr);
}

TEST_F(PlayerWindows, MenuBarStartsEmptyEvenWithoutMenuAndCloseBoxFollowsTheSetting) {
  WindowSettings& plain = child("plain");
  plain.has_menu = false;
  plain.has_close = false;
  WindowSettings& clear = child("clear");
  clear.window_type = WindowType::transparent;
  WindowSettings& menus = child("menus");
  menus.right_mouse_action = MouseAction::custom_menu;

  TypedPlayerWindow* p = make(plain);
  TypedPlayerWindow* c = make(clear);
  TypedPlayerWindow* m = make(menus);
  ASSERT_TRUE(p->create_by_type(0));
  ASSERT_TRUE(c->create_by_type(2));
  ASSERT_TRUE(m->create_by_type(0));

  HMENU bar = GetMenu(p->window());
  ASSERT_NE(bar, nullptr) << "a standard window always has a menu bar";
  EXPECT_EQ(bar, p->menu_bar());
  EXPECT_EQ(GetMenuItemCount(bar), 0);
  EXPECT_EQ(GetMenu(c->window()), nullptr) << "transparent windows have none";
  EXPECT_EQ(GetMenuState(GetSystemMenu(p->window(), FALSE), SC_CLOSE, MF_BYCOMMAND),
            static_cast<UINT>(-1));
  EXPECT_NE(GetMenuState(GetSystemMenu(m->window(), FALSE), SC_CLOSE, MF_BYCOMMAND),
            static_cast<UINT>(-1));

  EXPECT_EQ(p->context_menu(), nullptr);
  ASSERT_NE(m->context_menu(), nullptr) << "right_mouse_action custom_menu loads menu 131";
  EXPECT_EQ(GetMenuItemCount(m->context_menu()), 0);

  // The class icon is the program's icon 129.
  EXPECT_NE(GetClassLongPtrA(p->window(), GCLP_HICON), 0u);
}

TEST_F(PlayerWindows, SizeModesAndPlacesOfTheSetUp) {
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024) << "the harness's screen";
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  WindowSettings& percent = child("percent");
  percent.size_mode = SizeMode::screen_percent;
  percent.width_percent = 50;
  percent.height_percent = 50;
  percent.x = 33;
  percent.y = 44;
  WindowSettings& centred = child("centred");
  centred.width = 301;
  centred.height = 201;
  centred.centered = WindowPosition::center;

  TypedPlayerWindow* p = make(percent);
  TypedPlayerWindow* c = make(centred);
  ASSERT_TRUE(p->create_by_type(0));
  ASSERT_TRUE(c->create_by_type(0));

  RECT outer;
  GetWindowRect(p->window(), &outer);
  EXPECT_EQ(outer.right - outer.left, 512);
  EXPECT_EQ(outer.bottom - outer.top, 384);
  EXPECT_EQ(outer.left, 33);
  EXPECT_EQ(outer.top, 44);
  EXPECT_EQ(p->view()->plugin_window.width, 512u);
  EXPECT_EQ(p->view()->plugin_window.height, 384u);

  // Unchanged size: the client area is the record's; centred on its outer
  // rectangle.
  RECT client;
  GetClientRect(c->window(), &client);
  EXPECT_EQ(client.right, 301);
  EXPECT_EQ(client.bottom, 201);
  GetWindowRect(c->window(), &outer);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  EXPECT_EQ(outer.left, 512 - width / 2);
  EXPECT_EQ(outer.top, 384 - height / 2);
}

TEST_F(PlayerWindows, FullScreenRecordCoversTheDesktop) {
  WindowSettings& full = child("full");
  full.full_screen = true;
  TypedPlayerWindow* f = make(full);
  ASSERT_TRUE(f->create_by_type(0));
  RECT outer;
  GetWindowRect(f->window(), &outer);
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(GetWindowLongA(f->window(), GWL_STYLE) & ~WS_CLIPSIBLINGS,
            static_cast<LONG>(WS_VISIBLE | WS_SYSMENU));
  EXPECT_TRUE(ex_style_of(f->window()) & WS_EX_TOPMOST);
  // The saved frame is the framed window's.
  EXPECT_EQ(f->view()->saved_frame.dwStyle & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
}

// --- Modal windows ------------------------------------------------------------

struct ModalSeen {
  TypedPlayerWindow* player = nullptr;
  flashhost::PlayerWindowList* list = nullptr;
  LONG style = 0;
  bool listed = false;
  bool started = false;
  int ticks = 0;
};
ModalSeen modal_seen;

void CALLBACK look_at_modal(HWND, UINT, UINT_PTR timer, DWORD) {
  ModalSeen& seen = modal_seen;
  HWND dialog = seen.player->window();
  if (++seen.ticks > 100) KillTimer(nullptr, timer);
  if (!dialog || !IsWindow(dialog)) return;
  KillTimer(nullptr, timer);
  seen.style = style_of(dialog);
  seen.listed = seen.list->find("modal") == seen.player;
  seen.started = fake_plugin::record().new_calls > 0;
  seen.player->close();  // ends the dialog with 0
}

TEST_F(PlayerWindows, ModalStyleRunsAsADialogThatIsSetUpListedAndStarted) {
  WindowSettings& modal = child("modal");
  modal.window_style = WindowStyle::modal;
  modal.has_maximize = modal.has_minimize = false;
  TypedPlayerWindow* m = make(modal);
  modal_seen = ModalSeen();
  modal_seen.player = m;
  modal_seen.list = &list_;
  SetTimer(nullptr, 0, 20, look_at_modal);
  ASSERT_TRUE(m->create_by_type(0)) << "returns once the dialog has ended";
  EXPECT_TRUE(m->is_modal());
  EXPECT_EQ(modal_seen.style & ~DS_MODALFRAME & ~WS_POPUP & ~DS_3DLOOK & ~DS_SETFONT, 0x00C80002);
  EXPECT_TRUE(modal_seen.listed);
  EXPECT_TRUE(modal_seen.started);
  EXPECT_FALSE(IsWindow(m->window()));
  EXPECT_EQ(list_.find("modal"), nullptr) << "left the list at WM_DESTROY";
  EXPECT_EQ(fake_plugin::record().destroy_calls, 1);
}

// --- Masks --------------------------------------------------------------------

TEST_F(PlayerWindows, MasksCountFromOneAndSelectOnlyKnownIds) {
  testing_support::TempDir folder;
  // A 4 x 4 picture whose right column is white: the region is 3 x 4.
  const std::string image =
      folder.write("right.bmp", bmp_bytes(4, 4, {{3, 0}, {3, 1}, {3, 2}, {3, 3}}));
  TypedPlayerWindow* w = make(child("shaped"));
  ASSERT_TRUE(w->create_by_type(0));

  EXPECT_EQ(w->add_mask(image), 1);
  EXPECT_EQ(w->add_mask(image), 2);
  EXPECT_EQ(w->add_mask(folder.file("missing.bmp")), -1);
  EXPECT_EQ(w->mask_count(), 2) << "a failed add leaves the count";
  EXPECT_FALSE(w->remove_mask(0));
  EXPECT_FALSE(w->remove_mask(-1));
  EXPECT_FALSE(w->remove_mask(7));

  EXPECT_TRUE(w->select_mask(1));
  RECT box = window_region_box(w->window());
  EXPECT_EQ(box.right - box.left, 3);
  EXPECT_EQ(box.bottom - box.top, 4);
  ASSERT_NE(w->current_mask(), nullptr);
  EXPECT_EQ(w->current_mask()->box.right, 3);

  EXPECT_TRUE(w->remove_mask(2));
  EXPECT_FALSE(w->remove_mask(2));
  EXPECT_FALSE(w->select_mask(2));
  EXPECT_FALSE(w->select_mask(0)) << "a framed window has no mask 0";
  // Removing the selected mask leaves the window its own copy.
  EXPECT_TRUE(w->remove_mask(1));
  box = window_region_box(w->window());
  EXPECT_EQ(box.right - box.left, 3);
  EXPECT_EQ(w->add_mask(image), 3);
}

TEST_F(PlayerWindows, RelativeMaskPathsAreTakenInTheWorkFolder) {
  const std::string before = work_folder::name();
  work_folder::set_name("qnfpssver_windows_test");
  work_folder::create();
  const std::string path = work_folder::path_of("work_mask.bmp");
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  const std::string bytes = bmp_bytes(2, 2, {{0, 0}});
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  TypedPlayerWindow* w = make(child("work"));
  ASSERT_TRUE(w->create_by_type(0));
  EXPECT_EQ(w->add_mask("work_mask.bmp"), 1);
  DeleteFileA(path.c_str());
  RemoveDirectoryA(work_folder::path().c_str());
  work_folder::set_name(before);
}

TEST_F(PlayerWindows, MaskWindowTakesItsRegionFileAsMaskZero) {
  testing_support::TempDir folder;
  HRGN ellipse = CreateEllipticRgn(0, 0, 120, 80);
  RECT expected;
  GetRgnBox(ellipse, &expected);
  const std::string region_path = folder.write("shape.rgn", region_file_bytes(ellipse));
  DeleteObject(ellipse);
  WindowSettings& shaped = child("mask");
  shaped.window_type = WindowType::mask;
  shaped.width = 120;
  shaped.height = 80;
  shaped.mask_path = region_path;
  TypedPlayerWindow* w = make(shaped);
  ASSERT_TRUE(w->create_by_type(1));
  EXPECT_EQ(style_of(w->window()), static_cast<LONG>(WS_POPUP));
  EXPECT_EQ(GetMenu(w->window()), nullptr);
  RECT box = window_region_box(w->window());
  EXPECT_TRUE(EqualRect(&box, &expected));
  EXPECT_GT(box.right, 100);
  EXPECT_TRUE(w->has_mask(0));
  EXPECT_EQ(w->mask_count(), 0);
  EXPECT_FALSE(w->remove_mask(0)) << "even on a mask window";
  EXPECT_TRUE(w->select_mask(0));

  WindowSettings& broken = child("broken");
  broken.window_type = WindowType::mask;
  broken.mask_path = folder.write("broken.rgn", "not a region");
  TypedPlayerWindow* b = make(broken);
  EXPECT_FALSE(b->create_by_type(1));
  EXPECT_FALSE(b->window() && IsWindow(b->window())) << "no window is left behind";
}

// --- Mouse ----------------------------------------------------------------------

TEST_F(PlayerWindows, IgnoredLeftPressStillReachesTheMovieAndCapturesTheMouse) {
  WindowSettings& record = child("ignore");
  record.left_mouse_action = MouseAction::ignore;
  TypedPlayerWindow* w = focused(record);
  HWND window = w->window();
  auto& events = fake_plugin::record().events;
  point_at(window, 20, 20);

  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  EXPECT_EQ(GetCapture(), window);
  // Captured: moves and the release reach the movie wherever the pointer is.
  point_at(window, 5000, 5000);
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(900, 900));
  SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(900, 900));
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(900, 900));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(events, (std::vector<uint16_t>{WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));

  // Outside the view nothing more reaches it.
  events.clear();
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(900, 900));
  EXPECT_TRUE(events.empty());
  point_at(window, 10, 10);
  EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT), 1)
      << "WM_SETCURSOR is handled once the movie got it";
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(events, (std::vector<uint16_t>{WM_SETCURSOR, WM_MOUSEMOVE}));

  // Without the focus only presses go on.
  SetFocus(nullptr);
  events.clear();
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(events.empty());
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(events, std::vector<uint16_t>{WM_LBUTTONDOWN});
  ReleaseCapture();
}

TEST_F(PlayerWindows, RightButtonActions) {
  WindowSettings& flash = child("flash");
  flash.right_mouse_action = MouseAction::flash;
  WindowSettings& ignore = child("ignore");
  ignore.right_mouse_action = MouseAction::ignore;
  auto& events = fake_plugin::record().events;

  TypedPlayerWindow* f = focused(flash);
  point_at(f->window(), 15, 15);
  SendMessageA(f->window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(15, 15));
  EXPECT_EQ(events, std::vector<uint16_t>{WM_RBUTTONDOWN}) << "sent once, not again by the hook";

  TypedPlayerWindow* i = focused(ignore);
  point_at(i->window(), 15, 15);
  SendMessageA(i->window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(15, 15));
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(PlayerWindows, RightButtonDragMovesTheWindowWhileHeld) {
  WindowSettings& record = child("drag");
  record.right_mouse_action = MouseAction::drag;
  record.x = 100;
  record.y = 100;
  TypedPlayerWindow* w = focused(record);
  HWND window = w->window();
  RECT start;
  GetWindowRect(window, &start);
  point_at(window, 30, 30);
  SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 30));
  EXPECT_EQ(GetCapture(), window);
  // The pointer moved 40 right and 25 down, in client coordinates.
  SendMessageA(window, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(70, 55));
  RECT moved;
  GetWindowRect(window, &moved);
  EXPECT_EQ(moved.left - start.left, 40);
  EXPECT_EQ(moved.top - start.top, 25);
  SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(30, 30));
  EXPECT_EQ(GetCapture(), nullptr);
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
  RECT after;
  GetWindowRect(window, &after);
  EXPECT_EQ(after.left, moved.left) << "the release ends the drag";
  EXPECT_TRUE(fake_plugin::record().events.empty() ||
              fake_plugin::record().events.back() == WM_MOUSEMOVE)
      << "the drag's press and moves are not the movie's";
}

// The popup menu runs its own loop: a second thread watches for it and
// cancels it with Escape.
struct MenuWatch {
  HANDLE thread = nullptr;
  bool seen = false;
  int items = -1;
};

DWORD WINAPI cancel_menu(void* argument) {
  MenuWatch& watch = *static_cast<MenuWatch*>(argument);
  for (int i = 0; i < 200; ++i) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (menu && IsWindowVisible(menu)) {
      watch.seen = true;
      Sleep(50);
      PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
      PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
      return 0;
    }
    Sleep(10);
  }
  return 0;
}

TEST_F(PlayerWindows, CustomMenuOnEitherButtonShowsTheContextMenuNotTheMovie) {
  WindowSettings& right = child("right");
  right.right_mouse_action = MouseAction::custom_menu;
  WindowSettings& left = child("left");
  left.left_mouse_action = MouseAction::custom_menu;
  left.right_mouse_action = MouseAction::ignore;
  for (WindowSettings* record : {&right, &left}) {
    TypedPlayerWindow* w = focused(*record);
    ASSERT_NE(w->context_menu(), nullptr);
    AppendMenuA(w->context_menu(), MF_STRING, 5001, "Item");
    point_at(w->window(), 12, 12);
    MenuWatch watch;
    watch.thread = CreateThread(nullptr, 0, cancel_menu, &watch, 0, nullptr);
    const UINT press = record == &right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    SendMessageA(w->window(), press, 0, MAKELPARAM(12, 12));
    WaitForSingleObject(watch.thread, 5000);
    CloseHandle(watch.thread);
    EXPECT_TRUE(watch.seen) << record->window_name;
    for (uint16_t event : fake_plugin::record().events) {
      EXPECT_NE(event, press) << record->window_name << ": the press is not the movie's";
    }
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

TEST_F(PlayerWindows, MenuCommandsReachTheHandler) {
  TypedPlayerWindow* w = focused(child("menus"));
  std::vector<unsigned> commands;
  w->set_menu_command_handler([&](unsigned command) {
    commands.push_back(command);
    return command == 5001;
  });
  SendMessageA(w->window(), WM_COMMAND, MAKEWPARAM(5001, 0), 0);
  SendMessageA(w->window(), WM_COMMAND, MAKEWPARAM(5003, 0), 0);
  // A control's notification is not a menu command.
  SendMessageA(w->window(), WM_COMMAND, MAKEWPARAM(5002, 1), reinterpret_cast<LPARAM>(w->window()));
  EXPECT_EQ(commands, (std::vector<unsigned>{5001, 5003}));
}

// --- Keys -----------------------------------------------------------------------

TEST_F(PlayerWindows, EscapeEndsTheProgramWhenTheRecordSaysSo) {
  WindowSettings& exits = child("exits");
  WindowSettings& stays = child("stays");
  stays.exit_on_escape = false;
  auto& events = fake_plugin::record().events;

  TypedPlayerWindow* e = focused(exits);
  quit_was_posted();
  EXPECT_EQ(SendMessageA(e->window(), WM_KEYDOWN, VK_ESCAPE, 0), 1);
  EXPECT_TRUE(quit_was_posted());
  EXPECT_TRUE(events.empty()) << "the movie never sees the Escape";
  SendMessageA(e->window(), WM_KEYDOWN, 'A', 0);
  SendMessageA(e->window(), WM_CHAR, 'a', 0);
  EXPECT_EQ(events, (std::vector<uint16_t>{WM_KEYDOWN, WM_CHAR}));
  EXPECT_FALSE(quit_was_posted());

  TypedPlayerWindow* s = focused(stays);
  SendMessageA(s->window(), WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageA(s->window(), WM_CHAR, 27, 0);
  EXPECT_FALSE(quit_was_posted());
  EXPECT_EQ(events, (std::vector<uint16_t>{WM_KEYDOWN, WM_CHAR}));

  // Keys without the focus go nowhere.
  SetFocus(nullptr);
  events.clear();
  SendMessageA(e->window(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(quit_was_posted());
  EXPECT_TRUE(events.empty());
}

// --- The window set ----------------------------------------------------------------

TEST_F(PlayerWindows, TheSetOpensRecordsByNameAndTheMainWindowEndsTheLoop) {
  child("Palette");
  std::vector<std::string> prepared;
  {
    flashhost::PlayerWindowSet set(*main_, [&](flashhost::PlayerWindow& window) {
      prepared.push_back(window.name());
      EXPECT_NE(window.window(), nullptr) << "prepared once its window exists";
      EXPECT_NE(window.instance(), nullptr);
      EXPECT_FALSE(window.instance()->created) << "and before its instance starts";
    });
    bool created = true;
    EXPECT_EQ(set.open("palette", false, created), nullptr);
    EXPECT_FALSE(created);

    flashhost::PlayerWindow* main = set.open("MainWindow", true, created);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(created);
    flashhost::PlayerWindow* palette = set.open("Palette", true, created);
    ASSERT_NE(palette, nullptr);
    EXPECT_TRUE(main->is_main_window());
    EXPECT_FALSE(palette->is_main_window()) << "only the first main window counts";
    EXPECT_EQ(set.list().main_window(), main);
    EXPECT_EQ(set.list().windows().size(), 2u);
    EXPECT_EQ(fake_plugin::record().new_calls, 2) << "both were started";

    DestroyWindow(palette->window());
    EXPECT_FALSE(quit_was_posted());
    EXPECT_EQ(set.list().windows().size(), 1u);
    DestroyWindow(main->window());
    EXPECT_TRUE(quit_was_posted());
    EXPECT_TRUE(set.list().windows().empty());
  }
  EXPECT_EQ(prepared, (std::vector<std::string>{"MainWindow", "Palette"}));
}

}  // namespace
