// The host with our real plug-in module: a movie made by the SWF writer is
// fed through the host's streams, the module's frame clock asks for repaints
// through NPN_InvalidateRect, and the picture lands in the host's memory DC.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"
#include "payload/work_folder.h"
#include "swfwriter/swf_writer.h"

namespace {

using namespace flashhost;

std::string windows_path(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return "Z:" + path;
}

int g_paints = 0;

// A minimal opaque painter: clip the memory DC to the rectangle, then the
// paint event.
void paint_view(PlayerView* view, const NPRect& rect) {
  HDC dc = static_cast<HDC>(view->plugin_window.window);
  HRGN region = CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
  SelectClipRgn(dc, region);
  DeleteObject(region);
  send_event(view, WM_PAINT, 0, 0);
  ++g_paints;
}

TEST(NpfpHost, MoviePlaysIntoTheHostsMemoryContext) {
  work_folder::set_name("npfphost_" + std::to_string(GetCurrentProcessId()));
  ASSERT_TRUE(work_folder::create());
  swfwriter::Movie movie;
  movie.width_twips = 200 * 20;
  movie.height_twips = 100 * 20;
  movie.frame_rate = 60;
  movie.frame_count = 2;
  movie.set_background_color({0x20, 0x40, 0x60, 255});
  swfwriter::ShapeBuilder square;
  int fill = square.add_fill(swfwriter::FillStyle::solid({255, 0, 0, 255}));
  square.rectangle(0, 0, 50 * 20, 50 * 20, fill);
  movie.define_shape(1, square);
  movie.place(swfwriter::Placement::place(1, 1));
  movie.show_frame();
  movie.show_frame();
  std::string movie_path = work_folder::path_of("movie.swf");
  ASSERT_TRUE(swfwriter::write_file(movie_path, movie.finish(true)));

  std::string failure;
  PlayerLibrary* library = PlayerLibrary::load(windows_path(NPFP_DLL), failure);
  ASSERT_NE(library, nullptr) << failure;
  set_current_library(library);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 200;
  info.bmiHeader.biHeight = -100;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(bitmap, nullptr);
  HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  uint32_t* pixels = static_cast<uint32_t*>(bits);
  for (int i = 0; i < 200 * 100; ++i) pixels[i] = 0x00FFFFFF;

  PlayerView view = {};
  view.plugin_window.window = dc;
  view.plugin_window.type = NPWindowTypeDrawable;
  view.plugin_window.width = 200;
  view.plugin_window.height = 100;
  view.plugin_window.clipRect.bottom = 100;
  view.plugin_window.clipRect.right = 200;
  view.event_sender = send_to_plugin;
  view.paint = paint_view;
  PlayerInstance* instance = create_instance(&view);
  view.instance = instance;
  set_parameter(instance, "src", movie_path);
  set_parameter(instance, "scale", "showall");
  ASSERT_TRUE(start(instance));
  EXPECT_NE(instance->scriptable_object, nullptr);

  g_paints = 0;
  DWORD until = GetTickCount() + 3000;
  while (GetTickCount() < until && g_paints < 3) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  EXPECT_GE(g_paints, 1) << "the module never asked for a repaint";
  GdiFlush();
  // Blue, green, red in memory order: the square's red at the top left, the
  // movie's background beside it.
  EXPECT_EQ(pixels[10 * 200 + 10] & 0x00FFFFFF, 0x00FF0000u);
  EXPECT_EQ(pixels[80 * 200 + 150] & 0x00FFFFFF, 0x00204060u);

  destroy(instance);
  set_current_library(nullptr);
  PlayerLibrary::unload(library);
  SelectObject(dc, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  DeleteFileA(movie_path.c_str());
  RemoveDirectoryA(work_folder::path().c_str());
  work_folder::set_name("");
}

}  // namespace
