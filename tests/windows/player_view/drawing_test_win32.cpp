// Windowless drawing through real GDI: the memory contexts the plug-in paints
// into, the alpha pass of transparent views, the layered-window update and
// NPN_InvalidateRect's clamping.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "fake_plugin.h"
#include "flashhost/browser_functions.h"
#include "flashhost/player_drawing.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_window.h"

namespace {

using flashhost::PlayerView;

NPRect np_rect(int left, int top, int right, int bottom) {
  NPRect rect;
  rect.left = static_cast<uint16_t>(left);
  rect.top = static_cast<uint16_t>(top);
  rect.right = static_cast<uint16_t>(right);
  rect.bottom = static_cast<uint16_t>(bottom);
  return rect;
}

uint32_t bgra(uint32_t blue, uint32_t green, uint32_t red, uint32_t alpha) {
  return blue | (green << 8) | (red << 16) | (alpha << 24);
}

// What UpdateLayeredWindow was asked to do.
struct LayeredCall {
  HWND window;
  HDC destination;
  bool destination_point;
  SIZE size;
  HDC source;
  POINT source_point;
  COLORREF key;
  BLENDFUNCTION blend;
  DWORD flags;
};
std::vector<LayeredCall> layered_calls;

BOOL WINAPI record_layered_update(HWND window, HDC destination, POINT* destination_point,
                                  SIZE* size, HDC source, POINT* source_point, COLORREF key,
                                  BLENDFUNCTION* blend, DWORD flags) {
  layered_calls.push_back({window, destination, destination_point != nullptr, *size, source,
                           *source_point, key, *blend, flags});
  return TRUE;
}

PlayerView* painted_view = nullptr;

LRESULT CALLBACK view_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT && painted_view && painted_view->window == window &&
      flashhost::paint_window(painted_view)) {
    return 1;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

class Drawing : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_plugin::install();
    layered_calls.clear();
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = view_window_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "DrawingTestWindow";
    RegisterClassA(&window_class);
    view_ = new PlayerView();
    painted_view = view_;
  }

  void TearDown() override {
    painted_view = nullptr;
    flashhost::free_surfaces(view_);
    delete view_;
    if (window_) DestroyWindow(window_);
    flashhost::set_layered_window_update(nullptr);
    fake_plugin::remove();
  }

  // A popup window at the top left of the screen.
  HWND make_window(int width, int height, DWORD ex_style = 0, DWORD visible = WS_VISIBLE) {
    window_ = CreateWindowExA(ex_style, "DrawingTestWindow", "", WS_POPUP | visible, 0, 0, width,
                              height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(window_, nullptr);
    view_->window = window_;
    return window_;
  }

  void make_view(bool transparent, int width, int height) {
    if (transparent) {
      flashhost::use_transparent_drawing(view_);
    } else {
      flashhost::use_opaque_drawing(view_);
    }
    view_->plugin_window.type = NPWindowTypeDrawable;
    view_->event_sender = fake_plugin::painting_sender;
    flashhost::view_resize(view_, width, height);
  }

  uint32_t white_pixel(int x, int y) { return view_->pixels1[y * view_->plugin_window.width + x]; }

  PlayerView* view_ = nullptr;
  HWND window_ = nullptr;
};

TEST_F(Drawing, TransparentViewComposesTheTwoRenderingsIntoPremultipliedPixels) {
  make_window(8, 6, WS_EX_LAYERED);
  make_view(true, 8, 6);
  flashhost::set_layered_window_update(record_layered_update);
  std::vector<HDC> painted_into;
  // An opaque red pixel and a green one at half coverage, drawn the way a
  // plug-in blends over whatever backdrop the context holds.
  fake_plugin::set_painter([&](PlayerView* view, HDC dc) {
    painted_into.push_back(dc);
    const bool over_black = dc == view->memory_dc2;
    SetPixelV(dc, 1, 1, RGB(255, 0, 0));
    const int backdrop = over_black ? 0 : 255;
    const int half_green = (200 * 128 + backdrop * 127) / 255;
    const int half_other = (backdrop * 127) / 255;
    SetPixelV(dc, 5, 3, RGB(half_other, half_green, half_other));
  });

  flashhost::transparent_paint(view_, np_rect(0, 0, 8, 6));

  ASSERT_EQ(painted_into.size(), 2u) << "one rendering over black, then one over white";
  EXPECT_EQ(painted_into[0], view_->memory_dc2);
  EXPECT_EQ(painted_into[1], view_->memory_dc1);
  EXPECT_EQ(view_->plugin_window.window, view_->memory_dc1);

  EXPECT_EQ(white_pixel(0, 0), 0u) << "untouched: alpha 0, colour 0";
  EXPECT_EQ(white_pixel(7, 5), 0u);
  EXPECT_EQ(white_pixel(1, 1), bgra(0, 0, 254, 255)) << "opaque 255 becomes 254";
  // White rendering: blue 127, green 227; black rendering: blue 0, green 100.
  // Alpha 255 - 127 = 128; colours times 128 / 256.
  EXPECT_EQ(white_pixel(5, 3), bgra(63, 113, 63, 128));

  ASSERT_EQ(layered_calls.size(), 1u);
  const LayeredCall& call = layered_calls[0];
  EXPECT_EQ(call.window, window_);
  EXPECT_EQ(call.destination, view_->memory_dc1);
  EXPECT_FALSE(call.destination_point) << "the window keeps its place";
  EXPECT_EQ(call.size.cx, 8);
  EXPECT_EQ(call.size.cy, 6);
  EXPECT_EQ(call.source, view_->memory_dc1);
  EXPECT_EQ(call.source_point.x, 0);
  EXPECT_EQ(call.source_point.y, 0);
  EXPECT_EQ(call.key, 0u);
  EXPECT_EQ(call.blend.BlendOp, AC_SRC_OVER);
  EXPECT_EQ(call.blend.SourceConstantAlpha, 255);
  EXPECT_EQ(call.blend.AlphaFormat, AC_SRC_ALPHA);
  EXPECT_EQ(call.flags, static_cast<DWORD>(ULW_ALPHA));
}

TEST_F(Drawing, TransparentPaintTouchesOnlyItsRectangleButPresentsTheWholeSurface) {
  make_window(10, 10, WS_EX_LAYERED);
  make_view(true, 10, 10);
  flashhost::set_layered_window_update(record_layered_update);
  // Everything the plug-in tries to paint is opaque blue.
  fake_plugin::set_painter([](PlayerView* view, HDC dc) {
    RECT all = {0, 0, 10, 10};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &all, blue);
    DeleteObject(blue);
    (void)view;
  });
  flashhost::transparent_paint(view_, np_rect(0, 0, 10, 10));
  const uint32_t opaque_blue = bgra(254, 0, 0, 255);
  EXPECT_EQ(white_pixel(9, 9), opaque_blue);

  // Now the plug-in paints nothing; only rows 2..3 and columns 4..6 are
  // redone, and come out transparent.
  fake_plugin::set_painter(nullptr);
  flashhost::transparent_paint(view_, np_rect(4, 2, 7, 4));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool redone = x >= 4 && x < 7 && y >= 2 && y < 4;
      EXPECT_EQ(white_pixel(x, y), redone ? 0u : opaque_blue) << x << "," << y;
    }
  }
  ASSERT_EQ(layered_calls.size(), 2u);
  EXPECT_EQ(layered_calls[1].size.cx, 10);
  EXPECT_EQ(layered_calls[1].size.cy, 10);
}

TEST_F(Drawing, WithoutAnEventSenderTheLastPictureIsPresentedUnchanged) {
  make_window(4, 4, WS_EX_LAYERED);
  make_view(true, 4, 4);
  flashhost::set_layered_window_update(record_layered_update);
  fake_plugin::set_painter([](PlayerView*, HDC dc) { SetPixelV(dc, 2, 2, RGB(0, 255, 0)); });
  flashhost::transparent_paint(view_, np_rect(0, 0, 4, 4));
  const std::vector<uint32_t> picture(view_->pixels1, view_->pixels1 + 16);

  view_->event_sender = nullptr;  // the instance is closing
  flashhost::transparent_paint(view_, np_rect(0, 0, 4, 4));
  EXPECT_EQ(fake_plugin::paint_count(), 2);
  EXPECT_EQ(std::vector<uint32_t>(view_->pixels1, view_->pixels1 + 16), picture);
  EXPECT_EQ(layered_calls.size(), 2u);
}

TEST_F(Drawing, ATransparentWindowValidatesWmPaintWithoutDrawing) {
  make_window(20, 20, WS_EX_LAYERED);
  make_view(true, 20, 20);
  fake_plugin::set_painter([](PlayerView*, HDC) { ADD_FAILURE() << "no plug-in paint here"; });
  InvalidateRect(window_, nullptr, FALSE);
  const std::vector<uint32_t> before(view_->pixels1, view_->pixels1 + 400);
  EXPECT_EQ(SendMessageA(window_, WM_PAINT, 0, 0), 1);
  RECT update;
  EXPECT_FALSE(GetUpdateRect(window_, &update, FALSE)) << "the update region is validated";
  EXPECT_EQ(std::vector<uint32_t>(view_->pixels1, view_->pixels1 + 400), before);
}

TEST_F(Drawing, OpaquePaintShowsTheFreshPixelsInTheWindowAtOnce) {
  make_window(60, 40, WS_EX_TOOLWINDOW);
  make_view(false, 60, 40);
  UpdateWindow(window_);
  const COLORREF colour = RGB(0x33, 0x66, 0xCC);
  fake_plugin::set_painter([colour](PlayerView*, HDC dc) {
    RECT all = {0, 0, 60, 40};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  });
  // Only the left half is repainted: the plug-in's drawing is clipped to it.
  flashhost::opaque_paint(view_, np_rect(0, 0, 30, 40));
  EXPECT_EQ(fake_plugin::paint_count(), 1);
  EXPECT_EQ(GetPixel(view_->memory_dc1, 10, 10), colour);
  EXPECT_NE(GetPixel(view_->memory_dc1, 45, 10), colour);
  RECT update;
  EXPECT_FALSE(GetUpdateRect(window_, &update, FALSE)) << "the window painted synchronously";
  HDC window_dc = GetDC(window_);
  EXPECT_EQ(GetPixel(window_dc, 10, 10), colour);
  EXPECT_EQ(GetPixel(window_dc, 29, 39), colour);
  ReleaseDC(window_, window_dc);
}

TEST_F(Drawing, ResizingKeepsTheMemoryContextsAndReplacesTheBitmaps) {
  for (bool transparent : {true, false}) {
    SCOPED_TRACE(transparent ? "transparent" : "opaque");
    flashhost::free_surfaces(view_);
    make_view(transparent, 640, 480);
    const HDC dc1 = view_->memory_dc1, dc2 = view_->memory_dc2;
    const HBITMAP bitmap1 = view_->bitmap1, bitmap2 = view_->bitmap2;
    ASSERT_NE(dc1, nullptr);
    ASSERT_NE(bitmap1, nullptr);
    EXPECT_EQ(dc2 != nullptr, transparent);

    flashhost::view_resize(view_, 800, 600);
    EXPECT_EQ(view_->memory_dc1, dc1);
    EXPECT_EQ(view_->memory_dc2, dc2);
    EXPECT_NE(view_->bitmap1, bitmap1);
    EXPECT_EQ(GetObjectType(bitmap1), 0u) << "the old bitmap is deleted";
    BITMAP size = {};
    ASSERT_TRUE(GetObjectA(view_->bitmap1, sizeof size, &size));
    EXPECT_EQ(size.bmWidth, 800);
    EXPECT_EQ(size.bmHeight, 600);
    EXPECT_EQ(GetCurrentObject(dc1, OBJ_BITMAP), view_->bitmap1);
    EXPECT_EQ(view_->plugin_window.width, 800u);
    EXPECT_EQ(view_->plugin_window.clipRect.right, 800);
    EXPECT_EQ(view_->plugin_window.clipRect.bottom, 600);
    EXPECT_EQ(view_->plugin_window.window, dc1);
    if (transparent) {
      EXPECT_NE(view_->bitmap2, bitmap2);
      EXPECT_EQ(GetObjectType(bitmap2), 0u);
      EXPECT_EQ(GetCurrentObject(dc2, OBJ_BITMAP), view_->bitmap2);
      // The pixel pointers follow the new sections.
      view_->pixels1[800 * 600 - 1] = 0x01020304;
      GdiFlush();
      EXPECT_EQ(GetPixel(dc1, 799, 599), RGB(2, 3, 4));
    }
  }
}

class NpnInvalidateRect : public Drawing {
 protected:
  void SetUp() override {
    Drawing::SetUp();
    make_window(50, 300, 0, 0);
    make_view(false, 50, 300);
    instance_ = flashhost::create_instance(view_);
    view_->instance = instance_;
    fake_plugin::set_painter([this](PlayerView*, HDC dc) {
      RECT box;
      GetClipBox(dc, &box);
      clip_boxes_.push_back(box);
    });
  }
  void TearDown() override {
    flashhost::destroy(instance_);
    Drawing::TearDown();
  }
  void invalidate(NPRect rect) {
    flashhost::browser_functions().invalidaterect(&instance_->npp, &rect);
  }

  flashhost::PlayerInstance* instance_ = nullptr;
  std::vector<RECT> clip_boxes_;
};

TEST_F(NpnInvalidateRect, ClampsRightAndBottomToTheViewAndHandsTheWindowFirst) {
  invalidate(np_rect(0, 10, 50, 5000));
  ASSERT_EQ(clip_boxes_.size(), 1u);
  EXPECT_EQ(clip_boxes_[0].top, 10);
  EXPECT_EQ(clip_boxes_[0].bottom, 300) << "rows up to the view's height only";
  EXPECT_EQ(clip_boxes_[0].right, 50);
  ASSERT_EQ(fake_plugin::record().set_windows.size(), 1u);
  EXPECT_EQ(fake_plugin::record().set_windows[0].window, view_->memory_dc1);

  invalidate(np_rect(20, 0, 9000, 30));
  ASSERT_EQ(clip_boxes_.size(), 2u);
  EXPECT_EQ(clip_boxes_[1].left, 20);
  EXPECT_EQ(clip_boxes_[1].right, 50);
  EXPECT_EQ(clip_boxes_[1].bottom, 30);
}

TEST_F(NpnInvalidateRect, AReversedRectanglePaintsNothing) {
  invalidate(np_rect(0, 200, 50, 100));
  invalidate(np_rect(40, 0, 10, 300));
  EXPECT_TRUE(clip_boxes_.empty());
  EXPECT_EQ(fake_plugin::paint_count(), 0);
}

}  // namespace
