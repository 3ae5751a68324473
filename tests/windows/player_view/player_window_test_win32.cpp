// The player window class with its worker thread, the player window object
// and its window procedures, over a fake plug-in.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "bridge/identifiers.h"
#include "fake_plugin.h"
#include "flashhost/player_drawing.h"
#include "flashhost/player_window.h"
#include "settings/settings.h"

namespace {

using flashhost::PlayerWindow;

// The class and the worker exist once per process.
void register_class_once() {
  static const int result = flashhost::register_player_class();
  ASSERT_EQ(result, 0);
}

struct WorkLog {
  std::vector<int> order;
  std::vector<DWORD> threads;
  HANDLE done = nullptr;
};
WorkLog work_log;

void log_work(void* argument) {
  work_log.order.push_back(static_cast<int>(reinterpret_cast<intptr_t>(argument)));
  work_log.threads.push_back(GetCurrentThreadId());
  if (work_log.order.size() == 3) SetEvent(work_log.done);
}

TEST(PlayerClass, RegistersTheClassAndRunsWorkItemsOnTheWorkerInOrder) {
  register_class_once();
  WNDCLASSA found = {};
  ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), flashhost::kPlayerClassName, &found));
  EXPECT_EQ(found.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_OWNDC));
  EXPECT_EQ(found.cbWndExtra, 0);
  EXPECT_NE(flashhost::layered_window_update(), nullptr) << "user32 offers UpdateLayeredWindow";

  ASSERT_NE(flashhost::worker_thread_id(), 0u);
  EXPECT_NE(flashhost::worker_thread_id(), GetCurrentThreadId());
  work_log = WorkLog();
  work_log.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  for (intptr_t item = 1; item <= 3; ++item) {
    EXPECT_TRUE(flashhost::post_work(log_work, reinterpret_cast<void*>(item)));
  }
  ASSERT_EQ(WaitForSingleObject(work_log.done, 5000), WAIT_OBJECT_0);
  CloseHandle(work_log.done);
  EXPECT_EQ(work_log.order, (std::vector<int>{1, 2, 3}));
  for (DWORD thread : work_log.threads) EXPECT_EQ(thread, flashhost::worker_thread_id());
}

std::vector<std::string> names_of(const std::vector<fake_plugin::MovieCall>& calls) {
  std::vector<std::string> names;
  for (const auto& call : calls) names.push_back(call.name);
  return names;
}

bool quit_was_posted() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

class PlayerWindowObject : public ::testing::Test {
 protected:
  void SetUp() override {
    register_class_once();
    bridge::register_movie_functions();
    fake_plugin::install();
    settings_.main_window.window_name = "MainWindow";
    settings_.main_window.add_child()->window_name = "Palette";
    settings_.main_window.add_child()->window_name = "About";
    player_ = new PlayerWindow(&settings_.main_window, &settings_.main_window);
    player_->set_window_list(&list_, true);
    window_ = CreateWindowExA(0, flashhost::kPlayerClassName, "player", WS_OVERLAPPEDWINDOW, 10, 20,
                              320, 240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    class_procedure_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window_, GWLP_WNDPROC));
    ASSERT_TRUE(player_->set_up(window_));
    list_.add(player_);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    quit_was_posted();
    delete player_;
    fake_plugin::remove();
  }

  SaverSettings settings_;
  PlayerWindow* player_ = nullptr;
  flashhost::PlayerWindowList list_;
  HWND window_ = nullptr;
  WNDPROC class_procedure_ = nullptr;
};

TEST_F(PlayerWindowObject, SetUpSubclassesTheWindowAndStartRaisesApiInitFinished) {
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window_, GWLP_WNDPROC)),
            flashhost::player_window_proc);
  EXPECT_EQ(player_->recorded_procedure(), class_procedure_);
  EXPECT_EQ(flashhost::player_window_of(window_), player_);
  flashhost::PlayerView* view = player_->view();
  RECT client;
  GetClientRect(window_, &client);
  EXPECT_EQ(view->plugin_window.width, static_cast<uint32_t>(client.right));
  EXPECT_EQ(view->plugin_window.type, NPWindowTypeDrawable);
  EXPECT_EQ(view->plugin_window.window, view->memory_dc1);
  EXPECT_TRUE(view->press_hook(view, 1, 0));
  EXPECT_FALSE(view->press_hook(view, 4, 0));
  EXPECT_EQ(player_->get_parameter("WMODE"), "opaque");
  player_->set_parameter("Quality", "best");
  EXPECT_EQ(player_->get_parameter("quality"), "best");
  EXPECT_EQ(player_->get_parameter("nothing"), "");

  EXPECT_TRUE(player_->start());
  EXPECT_EQ(fake_plugin::record().new_calls, 1);
  EXPECT_EQ(names_of(fake_plugin::record().movie_calls),
            std::vector<std::string>{"apiInitFinished"});
  EXPECT_EQ(player_->main_window_name(), "MainWindow");
  EXPECT_EQ(player_->child_window_names(), (std::vector<std::string>{"Palette", "About"}));
}

TEST_F(PlayerWindowObject, SizeMessagesRaiseTheKindEventThenResizeAndRefreshTheView) {
  ASSERT_TRUE(player_->start());
  auto& record = fake_plugin::record();
  record.movie_calls.clear();
  record.set_windows.clear();

  SendMessageA(window_, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
  ASSERT_EQ(names_of(record.movie_calls),
            (std::vector<std::string>{"onWindowMinimize", "onWindowResize"}));
  EXPECT_EQ(record.movie_calls[1].numbers, (std::vector<int>{0, 0}));

  record.movie_calls.clear();
  SendMessageA(window_, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(300, 200));
  ASSERT_EQ(names_of(record.movie_calls),
            (std::vector<std::string>{"onWindowMaximize", "onWindowResize"}));
  EXPECT_EQ(record.movie_calls[1].numbers, (std::vector<int>{300, 200}));
  flashhost::PlayerView* view = player_->view();
  EXPECT_EQ(view->plugin_window.width, 300u);
  EXPECT_EQ(view->plugin_window.height, 200u);
  EXPECT_EQ(view->plugin_window.clipRect.right, 300);
  EXPECT_EQ(view->plugin_window.clipRect.bottom, 200);
  ASSERT_FALSE(record.set_windows.empty()) << "the refresh hands the plug-in its new window";
  EXPECT_EQ(record.set_windows.back().width, 300u);
  EXPECT_EQ(record.set_windows.back().window, view->memory_dc1);

  record.movie_calls.clear();
  SendMessageA(window_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(100, 50));
  EXPECT_EQ(names_of(record.movie_calls),
            (std::vector<std::string>{"onWindowRestore", "onWindowResize"}));

  record.movie_calls.clear();
  SendMessageA(window_, WM_MOVE, 0, MAKELPARAM(65531, 40));
  ASSERT_EQ(names_of(record.movie_calls), std::vector<std::string>{"onWindowPosition"});
  EXPECT_EQ(record.movie_calls[0].numbers, (std::vector<int>{65531, 40}));
}

TEST_F(PlayerWindowObject, EraseIsAnsweredAndFocusMessagesReachThePlugin) {
  ASSERT_TRUE(player_->start());
  EXPECT_EQ(SendMessageA(window_, WM_ERASEBKGND, 0, 0), 1);
  fake_plugin::record().events.clear();
  SendMessageA(window_, WM_SETFOCUS, 0, 0);
  SendMessageA(window_, WM_KILLFOCUS, 0, 0);
  SendMessageA(window_, WM_MOUSEACTIVATE, 0, 0);
  EXPECT_EQ(fake_plugin::record().events,
            (std::vector<uint16_t>{WM_SETFOCUS, WM_KILLFOCUS, WM_MOUSEACTIVATE}));
}

TEST_F(PlayerWindowObject, CloseDestroysTheInstanceWithoutFurtherEventsThenQuits) {
  ASSERT_TRUE(player_->start());
  auto& record = fake_plugin::record();
  std::vector<uint16_t> events_during_destroy;
  record.on_destroy = [&](NPP) {
    // Messages that would reach the plug-in while it is being destroyed.
    const std::size_t before = record.events.size();
    SendMessageA(window_, WM_SETFOCUS, 0, 0);
    SendMessageA(window_, WM_KILLFOCUS, 0, 0);
    events_during_destroy.assign(record.events.begin() + before, record.events.end());
  };
  quit_was_posted();
  SendMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_EQ(record.destroy_calls, 1);
  EXPECT_TRUE(events_during_destroy.empty());
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(player_->instance(), nullptr);
  EXPECT_TRUE(list_.windows().empty()) << "WM_DESTROY still reached the player procedure";
  EXPECT_TRUE(quit_was_posted()) << "the main player window ends the message loop";
}

TEST_F(PlayerWindowObject, FullScreenAndBackRestoresStyleAndRectangle) {
  RECT before;
  GetWindowRect(window_, &before);
  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  flashhost::set_full_screen(player_->view(), true);
  // The system adds WS_CLIPSIBLINGS to every top-level window.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE)) & ~WS_CLIPSIBLINGS, 0x10080000u);
  EXPECT_TRUE(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT full, desktop;
  GetWindowRect(window_, &full);
  GetWindowRect(GetDesktopWindow(), &desktop);
  EXPECT_EQ(full.left, 0);
  EXPECT_EQ(full.top, 0);
  EXPECT_EQ(full.right, desktop.right - desktop.left);
  EXPECT_EQ(full.bottom, desktop.bottom - desktop.top);

  flashhost::set_full_screen(player_->view(), false);
  EXPECT_EQ(GetWindowLongA(window_, GWL_STYLE) & ~WS_VISIBLE, style & ~WS_VISIBLE);
  EXPECT_FALSE(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT after;
  GetWindowRect(window_, &after);
  EXPECT_TRUE(EqualRect(&after, &before));
}

// A modal window: the dialog variant sets the object up, lists and starts it
// at WM_INITDIALOG, and WM_CLOSE ends the dialog.
TEST(PlayerDialog, InitDialogSetsUpListsAndStartsAndCloseEndsTheDialog) {
  register_class_once();
  auto& record = fake_plugin::install();
  SaverSettings settings;
  PlayerWindow player(&settings.main_window, &settings.main_window);
  flashhost::PlayerWindowList list;
  player.set_window_list(&list, false);
  bool listed_while_running = false;
  WNDPROC procedure_while_running = nullptr;
  record.on_new = [&](NPP) {
    listed_while_running = list.find("MainWindow") == &player;
    procedure_while_running =
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(player.window(), GWLP_WNDPROC));
    PostMessageA(player.window(), WM_CLOSE, 0, 0);
  };

  struct {
    DLGTEMPLATE header;
    WORD menu, window_class, title;
  } dialog = {};
  dialog.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  dialog.header.cx = 100;
  dialog.header.cy = 60;
  const INT_PTR result =
      DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialog.header, nullptr,
                              flashhost::player_dialog_proc, reinterpret_cast<LPARAM>(&player));
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(player.is_modal());
  EXPECT_EQ(record.new_calls, 1);
  EXPECT_TRUE(listed_while_running);
  EXPECT_NE(procedure_while_running, flashhost::player_window_proc)
      << "dialogs keep their procedure";
  EXPECT_EQ(record.destroy_calls, 1);
  EXPECT_TRUE(list.windows().empty());
  EXPECT_FALSE(quit_was_posted()) << "only the main player window ends the loop";
  fake_plugin::remove();
}

}  // namespace
