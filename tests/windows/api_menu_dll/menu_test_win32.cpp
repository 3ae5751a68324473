#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "menu_dll_test_support.h"

namespace {

using menu_dll_testing::b64;
using menu_dll_testing::RecordingHost;

constexpr char kWindowClass[] = "MenuApiTestWindow";

// Menu commands of the window's menus go to the Menu namespace, as the
// player windows route them.
LRESULT CALLBACK test_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && HIWORD(wparam) == 0 && lparam == 0) {
    auto* menu = reinterpret_cast<api::MenuNamespace*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (menu && menu->menu_command(LOWORD(wparam))) return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

class MenuApi : public ::testing::Test {
 protected:
  void SetUp() override { make(true, true); }
  void TearDown() override {
    dispatcher_.set_handler(bridge::Namespace::kMenu, nullptr);
    if (context_) DestroyMenu(context_);
    DestroyWindow(window_);
    context_ = nullptr;
    bar_ = nullptr;
    window_ = nullptr;
  }

  void make(bool with_bar, bool with_context) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = test_window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);
    bar_ = with_bar ? CreateMenu() : nullptr;
    window_ = CreateWindowExA(0, kWindowClass, "menu test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                              10, 300, 200, nullptr, bar_, wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    if (with_context) {
      // The right-click menu starts with its placeholder item, command 0.
      context_ = CreatePopupMenu();
      AppendMenuA(context_, MF_STRING, 0, "Context");
    }
    menu_ = api::install_menu_and_dll_namespaces(dispatcher_, {bar_, window_, context_}, host_);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(menu_));
  }

  // Through the call text, as the player hands it over.
  bridge::Result call(const std::string& name, const std::vector<std::string>& arguments) {
    bridge::CallText cut;
    EXPECT_TRUE(bridge::cut_call_text(menu_dll_testing::call_text(name, arguments), cut));
    bridge::OwnedArguments owned(cut.arguments);
    return dispatcher_.dispatch(cut.name, owned.list());
  }
  std::string bar(const std::string& method, const std::vector<std::string>& arguments) {
    return call("Menu.MenuBar." + method, arguments).value_or("(none)");
  }
  std::string ctx(const std::string& method, const std::vector<std::string>& arguments) {
    return call("Menu.MenuContext." + method, arguments).value_or("(none)");
  }

  UINT state_of(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND); }

  RecordingHost host_;
  bridge::Dispatcher dispatcher_{host_};
  HWND window_ = nullptr;
  HMENU bar_ = nullptr;
  HMENU context_ = nullptr;
  api::MenuNamespace* menu_ = nullptr;
};

const std::string kTrue = "<true/>";
const std::string kFalse = "<false/>";

// The counters are program-wide, so this test must make the first menu and
// item of its process (CTest runs every test in a process of its own).
TEST_F(MenuApi, IdsComeFromProgramWideCountersStartingAt5001) {
  EXPECT_EQ(bar("new", {"main"}), "(none)");
  EXPECT_EQ(bar("addMenu", {"main", b64("File")}), kTrue);
  EXPECT_EQ(bar("addItem", {"main", b64("File"), b64("Open")}), kTrue);
  EXPECT_EQ(bar("addSeparator", {"main", b64("File")}), kTrue);
  EXPECT_EQ(bar("addItem", {"main", b64("File"), b64("Quit")}), kTrue);
  EXPECT_EQ(bar("addMenu", {"main", b64("Edit")}), kTrue);
  EXPECT_EQ(ctx("new", {"popup"}), "(none)");
  EXPECT_EQ(ctx("addSeparator", {"popup"}), kTrue);  // takes no id
  EXPECT_EQ(ctx("addItem", {"popup", b64("Reload")}), kTrue);

  HMENU file = GetSubMenu(bar_, 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuItemID(file, 0), 5001u);
  EXPECT_EQ(GetMenuItemID(file, 2), 5003u);
  EXPECT_EQ(GetMenuItemID(context_, 2), 5004u);
  MENUINFO info{};
  info.cbSize = sizeof info;
  info.fMask = MIM_MENUDATA;
  ASSERT_TRUE(GetMenuInfo(GetSubMenu(bar_, 1), &info));
  EXPECT_EQ(info.dwMenuData, 5002u);
  char text[32] = {};
  GetMenuStringA(bar_, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Edit");

  using Names = std::pair<std::string, std::string>;
  EXPECT_EQ(menu_->find_command(5003), (Names{"File", "Quit"}));
  EXPECT_EQ(menu_->find_command(5004), (Names{"popup", "Reload"}));
  EXPECT_FALSE(menu_->find_command(5002));
  EXPECT_FALSE(menu_->find_command(0));
}

TEST_F(MenuApi, DuplicateTextsAlwaysFindTheSmallerId) {
  bar("new", {"main"});
  bar("addMenu", {"main", b64("View")});
  bar("addItem", {"main", b64("View"), b64("Zoom")});
  bar("addItem", {"main", b64("View"), b64("Zoom")});
  HMENU view = GetSubMenu(bar_, 0);
  const UINT first = GetMenuItemID(view, 0);
  const UINT second = GetMenuItemID(view, 1);
  ASSERT_LT(first, second);

  EXPECT_EQ(bar("checkItem", {"main", b64("View"), b64("Zoom")}), kTrue);
  EXPECT_TRUE(state_of(view, first) & MF_CHECKED);
  EXPECT_FALSE(state_of(view, second) & MF_CHECKED);
  EXPECT_EQ(bar("itemIsChecked", {"main", b64("View"), b64("Zoom")}), kTrue);

  // Removing by the text takes the first; the lookup then finds the second.
  EXPECT_EQ(bar("removeItem", {"main", b64("View"), b64("Zoom")}), kTrue);
  EXPECT_EQ(GetMenuItemCount(view), 1);
  EXPECT_EQ(GetMenuItemID(view, 0), second);
  EXPECT_EQ(bar("itemIsChecked", {"main", b64("View"), b64("Zoom")}), kFalse);
  EXPECT_EQ(menu_->find_command(second)->second, "Zoom");
  EXPECT_FALSE(menu_->find_command(first));
  EXPECT_EQ(bar("removeItem", {"main", b64("View"), b64("Zoom")}), kTrue);
  EXPECT_EQ(bar("removeItem", {"main", b64("View"), b64("Zoom")}), kFalse);
}

TEST_F(MenuApi, MenusAreAddedOncePerTitleAndRemovedFromTheBar) {
  bar("new", {"main"});
  EXPECT_EQ(bar("addMenu", {"main", b64("File")}), kTrue);
  EXPECT_EQ(bar("addMenu", {"main", b64("File")}), kFalse);
  EXPECT_EQ(bar("addMenu", {"main", b64("file")}), kTrue);  // titles are case-sensitive
  EXPECT_EQ(GetMenuItemCount(bar_), 2);

  // A second object on the same bar has menus of its own.
  bar("new", {"other"});
  EXPECT_EQ(bar("addMenu", {"other", b64("File")}), kTrue);
  EXPECT_EQ(GetMenuItemCount(bar_), 3);

  EXPECT_EQ(bar("removeMenu", {"main", b64("File")}), kTrue);
  EXPECT_EQ(bar("removeMenu", {"main", b64("File")}), kFalse);
  ASSERT_EQ(GetMenuItemCount(bar_), 2);
  char text[32] = {};
  GetMenuStringA(bar_, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "file");
  EXPECT_EQ(bar("removeAllMenus", {"other"}), kTrue);
  EXPECT_EQ(GetMenuItemCount(bar_), 1);
  EXPECT_EQ(bar("addItem", {"other", b64("File"), b64("Open")}), kFalse);

  // Long titles keep their first 255 characters.
  const std::string long_title(300, 'T');
  EXPECT_EQ(bar("addMenu", {"main", b64(long_title)}), kTrue);
  EXPECT_EQ(bar("addMenu", {"main", b64(long_title + "more")}), kFalse);
  EXPECT_EQ(bar("addItem", {"main", b64(std::string(255, 'T')), b64("x")}), kTrue);
}

TEST_F(MenuApi, CheckAndEnableStates) {
  bar("new", {"main"});
  bar("addMenu", {"main", b64("Tools")});
  bar("addItem", {"main", b64("Tools"), b64("Grid")});
  HMENU tools = GetSubMenu(bar_, 0);
  const UINT grid = GetMenuItemID(tools, 0);
  const std::vector<std::string> item = {"main", b64("Tools"), b64("Grid")};

  // EnableMenuItem answers the previous state: 0 for an enabled item.
  EXPECT_EQ(bar("enableItem", item), kFalse);
  EXPECT_EQ(bar("itemIsEnabled", item), kTrue);
  EXPECT_EQ(bar("disableItem", item), kFalse);
  EXPECT_TRUE(state_of(tools, grid) & MF_GRAYED);
  EXPECT_EQ(bar("itemIsEnabled", item), kFalse);
  EXPECT_EQ(bar("disableItem", item), kTrue);
  EXPECT_EQ(bar("enableItem", item), kTrue);
  EXPECT_EQ(bar("itemIsEnabled", item), kTrue);

  EXPECT_EQ(bar("itemIsChecked", item), kFalse);
  EXPECT_EQ(bar("checkItem", item), kTrue);
  EXPECT_EQ(bar("itemIsChecked", item), kTrue);
  // Checking keeps the other state bits.
  bar("disableItem", item);
  EXPECT_EQ(bar("uncheckItem", item), kTrue);
  EXPECT_EQ(bar("itemIsChecked", item), kFalse);
  EXPECT_EQ(bar("itemIsEnabled", item), kFalse);

  const std::vector<std::string> missing = {"main", b64("Tools"), b64("Nope")};
  const std::vector<std::string> no_menu = {"main", b64("Nope"), b64("Grid")};
  for (const char* method : {"checkItem", "uncheckItem", "itemIsChecked", "enableItem",
                             "disableItem", "itemIsEnabled", "removeItem"}) {
    EXPECT_EQ(bar(method, missing), kFalse) << method;
    EXPECT_EQ(bar(method, no_menu), kFalse) << method;
  }
  EXPECT_EQ(bar("addSeparator", no_menu), kFalse);
  EXPECT_EQ(bar("removeAllItems", no_menu), kFalse);
  EXPECT_EQ(bar("removeAllItems", item), kTrue);
  EXPECT_EQ(GetMenuItemCount(tools), 0);
  EXPECT_FALSE(menu_->find_command(grid));
}

TEST_F(MenuApi, UnknownObjectsMethodsAndGroupsGiveNoResult) {
  EXPECT_EQ(bar("addMenu", {"nobody", b64("File")}), "(none)");
  EXPECT_EQ(ctx("addItem", {"nobody", b64("x")}), "(none)");
  bar("new", {"main"});
  EXPECT_EQ(bar("addmenu", {"main", b64("File")}), "(none)");
  EXPECT_EQ(bar("new", {"main"}), "(none)");  // a second "new" keeps the object
  EXPECT_EQ(call("Menu.menubar.addMenu", {"main", b64("File")}).value_or("(none)"), "(none)");
  EXPECT_EQ(call("Menu.Other.addMenu", {"main", b64("File")}).value_or("(none)"), "(none)");
  EXPECT_EQ(bar("addMenu", {"Main", b64("File")}), "(none)");  // names are case-sensitive
  EXPECT_EQ(GetMenuItemCount(bar_), 0);
  // The DLL namespace is installed beside it.
  EXPECT_EQ(call("DLL.call", {"1", "f"}).value_or("(none)"), "<false/>");
}

TEST_F(MenuApi, ContextItemsLiveOnTheRightClickMenu) {
  EXPECT_EQ(ctx("new", {"main"}), "(none)");
  EXPECT_EQ(ctx("addItem", {"main", b64("Reload")}), kTrue);
  EXPECT_EQ(ctx("addItem", {"main", b64("Quality")}), kTrue);
  ASSERT_EQ(GetMenuItemCount(context_), 3);
  const UINT quality = GetMenuItemID(context_, 2);
  const std::vector<std::string> item = {"main", b64("Quality")};

  EXPECT_EQ(ctx("checkItem", {"main", b64("Quality"), "TRUE"}), kTrue);
  EXPECT_TRUE(state_of(context_, quality) & MF_CHECKED);
  EXPECT_EQ(ctx("itemIsChecked", item), kTrue);
  EXPECT_EQ(ctx("checkItem", {"main", b64("Quality"), "false"}), kTrue);
  EXPECT_EQ(ctx("itemIsChecked", item), kFalse);
  EXPECT_EQ(ctx("checkItem", {"main", b64("Quality"), "true"}), kTrue);
  EXPECT_EQ(ctx("uncheckItem", item), kTrue);
  EXPECT_EQ(ctx("itemIsChecked", item), kFalse);

  EXPECT_EQ(ctx("enableItem", {"main", b64("Quality"), "true"}), kFalse);
  EXPECT_EQ(ctx("enableItem", {"main", b64("Quality"), "false"}), kFalse);
  EXPECT_EQ(ctx("itemIsEnabled", item), kFalse);
  EXPECT_EQ(ctx("enableItem", {"main", b64("Quality"), "true"}), kTrue);
  EXPECT_EQ(ctx("disableItem", item), kFalse);
  EXPECT_EQ(ctx("itemIsEnabled", item), kFalse);
  EXPECT_EQ(ctx("itemIsEnabled", {"main", b64("Missing")}), kFalse);
  EXPECT_EQ(ctx("checkItem", {"main", b64("Missing"), "true"}), kFalse);

  EXPECT_EQ(ctx("removeItem", {"main", b64("Reload")}), kTrue);
  EXPECT_EQ(ctx("removeItem", {"main", b64("Reload")}), kFalse);
  EXPECT_EQ(ctx("addSeparator", {"main"}), kTrue);
  EXPECT_EQ(GetMenuItemCount(context_), 3);

  // Removing all items also takes the placeholder the menu started with.
  EXPECT_EQ(ctx("removeAllItems", {"main"}), kTrue);
  EXPECT_EQ(GetMenuItemCount(context_), 0);
  EXPECT_FALSE(menu_->find_command(quality));
}

TEST_F(MenuApi, WithoutMenusTheObjectsAnswerFalse) {
  TearDown();
  make(false, false);
  EXPECT_EQ(ctx("new", {"main"}), kFalse);
  EXPECT_EQ(ctx("addItem", {"main", b64("x")}), "(none)");
  EXPECT_EQ(bar("new", {"main"}), "(none)");
  EXPECT_EQ(bar("addMenu", {"main", b64("File")}), kFalse);
  EXPECT_EQ(bar("removeAllMenus", {"main"}), kFalse);
}

TEST_F(MenuApi, MenuBarCommandSendsOnMenuCommandWithTitleAndItem) {
  bar("new", {"main"});
  bar("addMenu", {"main", b64("Play")});
  bar("addItem", {"main", b64("Play"), b64("Rewind")});
  const UINT rewind = GetMenuItemID(GetSubMenu(bar_, 0), 0);
  SendMessageA(window_, WM_COMMAND, MAKEWPARAM(rewind, 0), 0);
  // A command no object made sends nothing.
  SendMessageA(window_, WM_COMMAND, MAKEWPARAM(4999, 0), 0);
  ASSERT_EQ(host_.calls.size(), 1u);
  EXPECT_EQ(host_.calls[0].function, "onMenuCommand");
  EXPECT_EQ(host_.calls[0].texts, (std::vector<std::string>{"Play", "Rewind"}));
}

// Finds the open popup menu window and chooses the third item with the keys a
// user would press.
void choose_third_item() {
  HWND popup = nullptr;
  for (int i = 0; i < 250 && !popup; ++i) {
    popup = FindWindowA("#32768", nullptr);
    if (!popup || !IsWindowVisible(popup)) {
      popup = nullptr;
      Sleep(20);
    }
  }
  if (!popup) return;
  for (int i = 0; i < 3; ++i) {
    PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYUP, VK_DOWN, 0);
  }
  PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageA(popup, WM_KEYUP, VK_RETURN, 0);
}

TEST_F(MenuApi, ChosenContextItemSendsOnMenuCommand) {
  ctx("new", {"main"});
  ctx("addItem", {"main", b64("Pause")});
  ctx("addItem", {"main", b64("Reload")});
  SetForegroundWindow(window_);
  std::thread chooser(choose_third_item);
  // The window shows its right-click menu; the chosen item comes back as
  // WM_COMMAND through the message loop.
  TrackPopupMenu(context_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, 50, 50, 0, window_,
                 nullptr);
  chooser.join();
  MSG message;
  for (int i = 0; i < 50 && host_.calls.empty(); ++i) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
  ASSERT_EQ(host_.calls.size(), 1u);
  EXPECT_EQ(host_.calls[0].function, "onMenuCommand");
  EXPECT_EQ(host_.calls[0].texts, (std::vector<std::string>{"main", "Reload"}));
}

}  // namespace
