// Window.: the movie's calls, as the call texts it sends, answered over real
// player windows made from window records.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "api/window_host.h"
#include "bridge/base64.h"
#include "bridge/identifiers.h"
#include "bridge/invoke_protocol.h"
#include "fake_plugin.h"
#include "flashhost/player_window_types.h"
#include "settings/settings.h"

namespace {

using flashhost::PlayerWindow;

constexpr const char* kNone = "(no result)";

bool quit_was_posted() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// Whether `upper` comes before `lower` in the Z order.
bool is_above(HWND upper, HWND lower) {
  for (HWND next = GetWindow(upper, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
    if (next == lower) return true;
  }
  return false;
}

class WindowApi : public ::testing::Test {
 protected:
  void SetUp() override {
    static const int registered = flashhost::register_player_class();
    ASSERT_EQ(registered, 0);
    bridge::register_movie_functions();
    fake_plugin::install();
    settings_.main_window.window_name = "MainWindow";
    settings_.main_window.size_mode = SizeMode::custom;
    for (const char* name : {"Palette", "Tools"}) {
      WindowSettings* record = settings_.main_window.add_child();
      record->window_name = name;
      record->window_title = name;
      record->size_mode = SizeMode::custom;
      record->x = 40;
      record->y = 70;
      record->width = 200;
      record->height = 150;
    }
    set_ = std::make_unique<flashhost::PlayerWindowSet>(
        settings_.main_window,
        [this](PlayerWindow& window) { api::install_window_namespaces(window, *set_); });
    bool created = false;
    main_ = set_->open("MainWindow", true, created);
    ASSERT_TRUE(main_ && created);
  }
  void TearDown() override {
    set_.reset();
    quit_was_posted();
    fake_plugin::remove();
  }

  // One movie call: the call text as ExternalInterface sends it, cut and
  // dispatched by the main window's dispatcher.
  std::string call(const std::string& expression) { return call_in(main_, expression); }
  std::string call_in(PlayerWindow* window, const std::string& expression) {
    const std::string script =
        "try { __flash__toXML(" + expression + ") ; } catch (e) { \"<undefined/>\"; }";
    bridge::CallText cut;
    if (!bridge::cut_call_text(script, cut)) return "(not a call text)";
    bridge::OwnedArguments arguments(cut.arguments);
    bridge::Result result = window->dispatcher().dispatch(cut.name, arguments.list());
    return result ? *result : kNone;
  }
  std::vector<PlayerWindow*> named(const std::string& name) {
    std::vector<PlayerWindow*> found;
    for (PlayerWindow* window : set_->list().windows()) {
      if (window->name() == name) found.push_back(window);
    }
    return found;
  }

  SaverSettings settings_;
  std::unique_ptr<flashhost::PlayerWindowSet> set_;
  PlayerWindow* main_ = nullptr;
};

TEST_F(WindowApi, OpenBuildsWindowsOfRecordsAndTwoOfOneNameActOnTheFirst) {
  EXPECT_EQ(call("Window.open(\"Nothing\")"), "<false/>");
  EXPECT_EQ(call("Window.open(\"palette\")"), "<false/>") << "record names are case-sensitive";
  EXPECT_EQ(call("Window.open(\"Palette\")"), "<true/>");
  EXPECT_EQ(call("Window.open(\"Palette\")"), "<true/>");
  const std::vector<PlayerWindow*> palettes = named("Palette");
  ASSERT_EQ(palettes.size(), 2u);
  EXPECT_TRUE(IsWindowVisible(palettes[0]->window())) << "open shows the window";
  EXPECT_EQ(fake_plugin::record().new_calls, 3) << "every window's instance was started";

  EXPECT_EQ(call("Window.getPosition(\"Palette\")"), bridge::result_point(40, 70));
  EXPECT_EQ(call("Window.setXPosition(\"Palette\", \"300\")"), kNone);
  EXPECT_EQ(call("Window.getPosition(\"Palette\")"), bridge::result_point(300, 70))
      << "the new x and the old y";
  RECT second;
  GetWindowRect(palettes[1]->window(), &second);
  EXPECT_EQ(second.left, 40) << "the second window of the name is left alone";

  EXPECT_EQ(call("Window.setYPosition(\"Palette\", \"90\")"), kNone);
  EXPECT_EQ(call("Window.getXPosition(\"Palette\")"), "<number>300</number>");
  EXPECT_EQ(call("Window.getYPosition(\"Palette\")"), "<number>90</number>");
  EXPECT_EQ(call("Window.setPosition(\"Palette\", \"10\", \"20\")"), kNone);
  EXPECT_EQ(call("Window.getPosition(\"Palette\")"), bridge::result_point(10, 20));

  EXPECT_EQ(call("Window.close(\"Palette\")"), kNone);
  ASSERT_EQ(named("Palette").size(), 1u);
  EXPECT_EQ(named("Palette")[0], palettes[1]);
  EXPECT_FALSE(IsWindow(palettes[0]->window()));
  EXPECT_EQ(call("Window.getXPosition(\"Palette\")"), "<number>40</number>");
}

TEST_F(WindowApi, SizesAreOuterExtents) {
  ASSERT_EQ(call("Window.open(\"Tools\")"), "<true/>");
  RECT outer;
  HWND tools = named("Tools")[0]->window();
  GetWindowRect(tools, &outer);
  EXPECT_EQ(call("Window.getSize(\"Tools\")"),
            bridge::result_size(outer.right - outer.left, outer.bottom - outer.top));
  call("Window.setSize(\"Tools\", \"320\", \"250\")");
  EXPECT_EQ(call("Window.getSize(\"Tools\")"), bridge::result_size(320, 250));
  call("Window.setWidth(\"Tools\", \"400\")");
  EXPECT_EQ(call("Window.getWidth(\"Tools\")"), "<number>400</number>");
  EXPECT_EQ(call("Window.getHeight(\"Tools\")"), "<number>250</number>");
  call("Window.setHeight(\"Tools\", \"300\")");
  EXPECT_EQ(call("Window.getSize(\"Tools\")"), bridge::result_size(400, 300));
  GetWindowRect(tools, &outer);
  EXPECT_EQ(outer.left, 40) << "sizing keeps the place";

  call("Window.center(\"Tools\")");
  EXPECT_EQ(call("Window.getPosition(\"Tools\")"),
            bridge::result_point(GetSystemMetrics(SM_CXSCREEN) / 2 - 200,
                                 GetSystemMetrics(SM_CYSCREEN) / 2 - 150));
}

TEST_F(WindowApi, ShowTakesOnlyTheWordTrueInAnyCase) {
  ASSERT_EQ(call("Window.open(\"Tools\")"), "<true/>");
  HWND tools = named("Tools")[0]->window();
  call("Window.hide(\"Tools\")");
  EXPECT_EQ(call("Window.isVisible(\"Tools\")"), "<false/>");
  call("Window.show(\"Tools\", \"TRUE\")");
  EXPECT_TRUE(IsWindowVisible(tools));
  EXPECT_EQ(call("Window.isVisible(\"Tools\")"), "<true/>");
  call("Window.show(\"Tools\", \"1\")");
  EXPECT_FALSE(IsWindowVisible(tools)) << "1 is not true for the flag reader";
  call("Window.show(\"Tools\", \"true\")");
  EXPECT_TRUE(IsWindowVisible(tools));

  call("Window.maximize(\"Tools\")");
  EXPECT_EQ(call("Window.isMaximized(\"Tools\")"), "<true/>");
  call("Window.restore(\"Tools\")");
  EXPECT_EQ(call("Window.isMaximized(\"Tools\")"), "<false/>");
  call("Window.minimize(\"Tools\")");
  EXPECT_EQ(call("Window.isMinimized(\"Tools\")"), "<true/>");
  call("Window.restore(\"Tools\")");
  EXPECT_EQ(call("Window.isMinimized(\"Tools\")"), "<false/>");
}

TEST_F(WindowApi, TitlesTravelInBase64AndAlphaIsAlwaysOne) {
  ASSERT_EQ(call("Window.open(\"Tools\")"), "<true/>");
  EXPECT_EQ(call("Window.getTitle(\"Tools\")"), bridge::result_text("Tools", true));
  call("Window.setTitle(\"Tools\", \"" + bridge::base64_encode("Werkzeuge & mehr") + "\")");
  char title[64] = "";
  GetWindowTextA(named("Tools")[0]->window(), title, sizeof title);
  EXPECT_STREQ(title, "Werkzeuge & mehr");
  EXPECT_EQ(call("Window.getTitle(\"Tools\")"), bridge::result_text("Werkzeuge & mehr", true));

  EXPECT_EQ(call("Window.getAlpha(\"Tools\")"), "<number>1.00</number>");
  EXPECT_EQ(call("Window.setAlpha(\"Tools\", \"0.5\")"), "<false/>");
  EXPECT_EQ(call("Window.getAlpha(\"Tools\")"), "<number>1.00</number>");
  EXPECT_EQ(call("Window.getAlpha(\"Nobody\")"), "<number>1.00</number>");
  EXPECT_EQ(call("Window.hideMask(\"Tools\")"), "<false/>");
}

TEST_F(WindowApi, NamesDifferingInCaseAddressNoWindow) {
  ASSERT_EQ(call("Window.open(\"Palette\")"), "<true/>");
  HWND palette = named("Palette")[0]->window();
  RECT before;
  GetWindowRect(palette, &before);
  EXPECT_EQ(call("Window.getPosition(\"palette\")"), bridge::result_point(0, 0));
  EXPECT_EQ(call("Window.getSize(\"PALETTE\")"), bridge::result_size(0, 0));
  EXPECT_EQ(call("Window.getXPosition(\"palette\")"), "<number>0</number>");
  EXPECT_EQ(call("Window.isVisible(\"palette\")"), "<false/>");
  EXPECT_EQ(call("Window.isMaximized(\"palette\")"), "<false/>");
  EXPECT_EQ(call("Window.getTitle(\"palette\")"), kNone);
  EXPECT_EQ(call("Window.addMask(\"palette\", \"bWFzay5ibXA=\")"), "<number>-1</number>");
  EXPECT_EQ(call("Window.removeMask(\"palette\", \"1\")"), "<false/>");
  EXPECT_EQ(call("Window.setMask(\"palette\", \"0\")"), "<false/>");
  call("Window.setPosition(\"palette\", \"500\", \"500\")");
  call("Window.hide(\"palette\")");
  call("Window.close(\"palette\")");
  RECT after;
  GetWindowRect(palette, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_TRUE(IsWindowVisible(palette));
  EXPECT_EQ(call("Window.nothing(\"Palette\")"), kNone);
  EXPECT_EQ(call("window.getPosition(\"Palette\")"), kNone);
}

TEST_F(WindowApi, DragFlagAndZOrder) {
  ASSERT_EQ(call("Window.open(\"Palette\")"), "<true/>");
  ASSERT_EQ(call("Window.open(\"Tools\")"), "<true/>");
  auto* palette = dynamic_cast<flashhost::TypedPlayerWindow*>(named("Palette")[0]);
  ASSERT_NE(palette, nullptr);
  call("Window.startDrag(\"Palette\")");
  EXPECT_TRUE(palette->drag_enabled());
  call("Window.stopDrag(\"Palette\")");
  EXPECT_FALSE(palette->drag_enabled());

  HWND tools = named("Tools")[0]->window();
  HWND palette_window = palette->window();
  call("Window.bringToFront(\"Tools\")");
  EXPECT_TRUE(is_above(tools, palette_window));
  call("Window.sendToBack(\"Tools\")");
  EXPECT_TRUE(is_above(palette_window, tools)) << "below the other windows";
  call("Window.bringToFront(\"Tools\")");
  EXPECT_TRUE(is_above(tools, palette_window));
}

TEST_F(WindowApi, FullScreenAndBack) {
  ASSERT_EQ(call("Window.open(\"Tools\")"), "<true/>");
  HWND tools = named("Tools")[0]->window();

  RECT before;
  GetWindowRect(tools, &before);
  call("Window.showFullScreen(\"Tools\", \"true\")");
  EXPECT_EQ(call("Window.getSize(\"Tools\")"),
            bridge::result_size(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  EXPECT_TRUE(GetWindowLongA(tools, GWL_EXSTYLE) & WS_EX_TOPMOST);
  call("Window.showFullScreen(\"Tools\", \"false\")");
  RECT after;
  GetWindowRect(tools, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_EQ(GetWindowLongA(tools, GWL_STYLE) & WS_CAPTION, WS_CAPTION) << "the frame is back";
  // (Wine keeps an owned window top-most after HWND_NOTOPMOST; an unowned
  // one loses it, which the player_view tests check.)
}

TEST_F(WindowApi, MenusOfOpenedWindowsReachTheMovie) {
  settings_.main_window.children[0]->right_mouse_action = MouseAction::custom_menu;
  ASSERT_EQ(call("Window.open(\"Palette\")"), "<true/>");
  PlayerWindow* palette = named("Palette")[0];
  const std::string b64_reload = bridge::base64_encode("Reload");
  const std::string b64_file = bridge::base64_encode("File");

  // The palette's context menu is its own; the menu bar is the main window's.
  call_in(palette, "Menu.MenuContext.new(\"popup\")");
  EXPECT_EQ(call_in(palette, "Menu.MenuContext.addItem(\"popup\", \"" + b64_reload + "\")"),
            "<true/>");
  call_in(palette, "Menu.MenuBar.new(\"bar\")");
  EXPECT_EQ(call_in(palette, "Menu.MenuBar.addMenu(\"bar\", \"" + b64_file + "\")"), "<true/>");
  EXPECT_EQ(GetMenuItemCount(main_->menu_bar()), 1);
  EXPECT_EQ(GetMenuItemCount(palette->menu_bar()), 0);
  ASSERT_EQ(GetMenuItemCount(palette->context_menu()), 1);

  // Choosing the item is a WM_COMMAND of the palette's window.
  const UINT id = GetMenuItemID(palette->context_menu(), 0);
  auto& calls = fake_plugin::record().movie_calls;
  calls.clear();
  SendMessageA(palette->window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, "onMenuCommand");
  // An id no menu made is nobody's command.
  SendMessageA(palette->window(), WM_COMMAND, MAKEWPARAM(id + 100, 0), 0);
  EXPECT_EQ(calls.size(), 1u);
}

}  // namespace
