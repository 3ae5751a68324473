// The real saver with a payload made here: a run whose payload has no
// settings, the preview inside a small parent, and the mouse pointer setting.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "payload/payload_writer.h"
#include "saver_harness.h"
#include "support/temp_dir.h"
#include "swfwriter/swf_writer.h"

namespace {

using testing_support::TempDir;

const COLORREF kMovieColour = RGB(0x33, 0x66, 0xCC);

// A 640 x 480 movie whose stage is one colour.
std::string write_movie(const TempDir& dir) {
  swfwriter::Movie movie;
  swfwriter::Rgba colour;
  colour.r = 0x33;
  colour.g = 0x66;
  colour.b = 0xCC;
  movie.set_background_color(colour);
  swfwriter::ShapeBuilder stage;
  const int fill = stage.add_fill(swfwriter::FillStyle::solid(colour));
  stage.rectangle(0, 0, movie.width_twips, movie.height_twips, fill);
  movie.define_shape(1, stage, 1);
  movie.place(swfwriter::Placement::place(1, 1));
  movie.show_frame();
  const swfwriter::Bytes bytes = movie.finish();
  return dir.write("movie.swf", std::string(bytes.begin(), bytes.end()));
}

std::string settings_text(const std::string& saver_flags, const std::string& window_flags) {
  return "<xml version=\"1.0\"><windows " + saver_flags + "><window swf=\"movie.swf\" " +
         window_flags + "/></windows></xml>";
}

// saver.scr in `dir`, carrying the movie and, when given, a settings text.
std::string build_saver(const TempDir& dir, const std::string* settings) {
  const std::string movie = write_movie(dir);
  const std::string program = dir.file("saver.scr");
  payload::PayloadWriter writer;
  EXPECT_TRUE(writer.open(program));
  writer.write_raw_file(saver_test::built_saver());
  writer.write_end_entry();
  writer.write_file_entry(movie);
  if (settings) writer.write_settings_entry(*settings);
  writer.write_trailer();
  EXPECT_TRUE(writer.close()) << writer.error_message();
  return program;
}

std::string work_folder() { return paths::temp_folder() + "qnfpssver_1"; }

std::vector<std::string> entries_of(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE listing = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (listing == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(listing, &found));
  FindClose(listing);
  return names;
}

void remove_work_folder() {
  for (const std::string& name : entries_of(work_folder()))
    DeleteFileA((work_folder() + "\\" + name).c_str());
  RemoveDirectoryA(work_folder().c_str());
}

COLORREF screen_pixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// Waits (pumping this thread's messages) until the screen pixel has the
// colour; false when it never had it within the time.
bool wait_for_screen_pixel(int x, int y, COLORREF colour, DWORD timeout_ms = 5000) {
  const DWORD start = GetTickCount();
  do {
    if (screen_pixel(x, y) == colour) return true;
    saver_test::pump_messages_for(50);
  } while (GetTickCount() - start < timeout_ms);
  return false;
}

void real_key(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

void real_mouse_move(int dx, int dy) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dy = dy;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof(INPUT));
}

void real_left_click() {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
}

// The plug-in's trace file, named for the saver's process by NPFP_TRACE.
class PluginTrace {
 public:
  explicit PluginTrace(const TempDir& dir) : path_(dir.file("trace.txt")) {
    SetEnvironmentVariableA("NPFP_TRACE", path_.c_str());
  }
  ~PluginTrace() { SetEnvironmentVariableA("NPFP_TRACE", nullptr); }
  std::string text() const { return TempDir::read(path_); }
  bool has(const std::string& piece) const { return text().find(piece) != std::string::npos; }
  // Waits until the trace holds the piece.
  bool wait_for(const std::string& piece, DWORD timeout_ms = 5000) const {
    const DWORD start = GetTickCount();
    do {
      if (has(piece)) return true;
      saver_test::pump_messages_for(20);
    } while (GetTickCount() - start < timeout_ms);
    return false;
  }

 private:
  std::string path_;
};

TEST(SaverPlays, APayloadWithoutSettingsPlaysNothingPaintsNothingAndClosesOnInput) {
  TempDir dir;
  PluginTrace trace(dir);
  const std::string program = build_saver(dir, nullptr);
  remove_work_folder();
  const COLORREF before = screen_pixel(500, 400);
  ASSERT_NE(before, kMovieColour);

  saver_test::SaverProcess saver;
  ASSERT_TRUE(saver.start(program, "/s"));
  ASSERT_NE(saver.wait_frame_window(), nullptr);
  EXPECT_FALSE(wait_for_screen_pixel(500, 400, kMovieColour, 1000));
  EXPECT_EQ(screen_pixel(500, 400), before) << "the window keeps what the screen showed";
  EXPECT_EQ(trace.text(), "") << "the player library was never loaded";
  EXPECT_EQ(entries_of(work_folder()), std::vector<std::string>{"movie.swf"});

  real_key('Q');
  const auto code = saver.wait_exit(5000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_FALSE(paths::exists(work_folder())) << "nothing was loaded, so nothing stays";
}

TEST(SaverPlays, HidesThePointerUnlessTheSettingsKeepItVisible) {
  for (bool hide : {true, false}) {
    SCOPED_TRACE(hide ? "hide_mouse_cursor true" : "hide_mouse_cursor false");
    TempDir dir;
    const std::string settings =
        settings_text(std::string("exit_on_mouse_move=\"false\" hide_mouse_cursor=\"") +
                          (hide ? "true" : "false") + "\"",
                      "left_mouse_action=\"flash\"");
    const std::string program = build_saver(dir, &settings);
    remove_work_folder();
    saver_test::SaverProcess saver;
    ASSERT_TRUE(saver.start(program, "/s"));
    ASSERT_NE(saver.wait_frame_window(), nullptr);
    ASSERT_TRUE(wait_for_screen_pixel(500, 400, kMovieColour));
    real_mouse_move(30, 20);
    saver_test::pump_messages_for(300);
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof cursor;
    ASSERT_TRUE(GetCursorInfo(&cursor));
    if (hide) {
      EXPECT_FALSE(cursor.flags & CURSOR_SHOWING);
    } else {
      EXPECT_TRUE(cursor.flags & CURSOR_SHOWING);
      EXPECT_NE(cursor.hCursor, nullptr);
    }
    EXPECT_TRUE(saver_test::keeps_running(saver, 100)) << "moves do not close this saver";
    real_key('Q');
    const auto code = saver.wait_exit(5000);
    ASSERT_TRUE(code.has_value());
  }
}

LRESULT CALLBACK preview_parent_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

TEST(SaverPlays, PreviewShowsTheMovieScaledIntoItsParentAndIgnoresInput) {
  TempDir dir;
  PluginTrace trace(dir);
  // Settings that would hand every input to the movie in a full-screen run.
  const std::string settings = settings_text(
      "exit_on_mouse_move=\"false\" exit_on_mouse_click=\"false\" exit_on_key_press=\"false\"",
      "left_mouse_action=\"flash\"");
  const std::string program = build_saver(dir, &settings);
  remove_work_folder();

  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = preview_parent_proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = "SaverPlaysPreviewParent";
  RegisterClassA(&window_class);
  // 152 x 112 pixels of client area, as in the Display control panel.
  HWND parent =
      CreateWindowExA(WS_EX_TOPMOST, "SaverPlaysPreviewParent", "", WS_POPUP | WS_VISIBLE, 300, 200,
                      152, 112, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  saver_test::pump_messages_for(100);

  saver_test::SaverProcess saver;
  ASSERT_TRUE(saver.start(program, "/p " + std::to_string(reinterpret_cast<UINT_PTR>(parent))));
  HWND child = nullptr;
  for (DWORD start = GetTickCount(); !child && GetTickCount() - start < 5000;) {
    child = FindWindowExA(parent, nullptr, saver_test::frame_class, nullptr);
    saver_test::pump_messages_for(10);
  }
  ASSERT_NE(child, nullptr);
  // The movie is drawn at the size of the preview: the player gets the
  // parent's whole client area and paints into it.
  RECT child_box, parent_box;
  GetWindowRect(child, &child_box);
  GetWindowRect(parent, &parent_box);
  EXPECT_TRUE(EqualRect(&child_box, &parent_box));
  EXPECT_TRUE(trace.wait_for("NPP_SetWindow x=0 y=0 w=152 h=112 type=2"));
  EXPECT_TRUE(trace.wait_for("scale=showall"));
  EXPECT_TRUE(trace.wait_for("NPP_HandleEvent event=0x000F"));
  // Under Wine a child window of another process draws nowhere on screen,
  // so the picture is not read back here; the child does answer its paint
  // messages (the full-screen tests read the picture off the screen).
  RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE);
  RECT update;
  bool painted = false;
  for (DWORD start = GetTickCount(); !painted && GetTickCount() - start < 3000;) {
    saver_test::pump_messages_for(20);
    painted = !GetUpdateRect(child, &update, FALSE);
  }
  EXPECT_TRUE(painted);

  SetForegroundWindow(parent);
  SetCursorPos(300 + 20, 200 + 20);
  real_mouse_move(10, 10);
  real_left_click();
  PostMessageA(child, WM_KEYDOWN, 'A', 0);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(40, 30));
  EXPECT_TRUE(saver_test::keeps_running(saver, 500));
  const std::string text = trace.text();
  for (const char* input : {"event=0x0100", "event=0x0200", "event=0x0201", "event=0x0202"})
    EXPECT_EQ(text.find(input), std::string::npos) << input << " reached the movie";
  DestroyWindow(parent);
  const auto code = saver.wait_exit(5000);
  EXPECT_TRUE(code.has_value()) << "the preview ends with its parent";
}

}  // namespace
