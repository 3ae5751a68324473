#include <windows.h>

#include "flashhost/alpha_composition.h"
#include "flashhost/player_drawing.h"

namespace flashhost {

namespace {

UpdateLayeredWindowEntry g_layered_window_update = nullptr;

PixelRect pixel_rect(const NPRect& rect) {
  return PixelRect{rect.left, rect.top, rect.right, rect.bottom};
}

// The clip region of a paint: the rectangle, or nothing when it is empty
// (CreateRectRgn would swap reversed edges and paint the wrong area).
bool select_paint_clip(PlayerView* view, const PixelRect& rect) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return false;
  HRGN region = CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
  if (!region) return false;
  if (view->memory_dc1) SelectClipRgn(view->memory_dc1, region);
  if (view->memory_dc2) SelectClipRgn(view->memory_dc2, region);
  DeleteObject(region);
  return true;
}

void send_paint_event(PlayerView* view) { send_event(view, kPluginPaintEvent, 0, 0); }

HBITMAP create_top_down_dib(HDC screen, int width, int height, uint32_t*& pixels) {
  BITMAPV4HEADER header = {};
  header.bV4Size = sizeof header;  // 108 bytes
  header.bV4Width = width;
  header.bV4Height = -height;  // rows from the top down
  header.bV4Planes = 1;
  header.bV4BitCount = 32;
  header.bV4V4Compression = BI_BITFIELDS;
  header.bV4RedMask = 0x00FF0000;
  header.bV4GreenMask = 0x0000FF00;
  header.bV4BlueMask = 0x000000FF;
  header.bV4AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  pixels = bitmap ? static_cast<uint32_t*>(bits) : nullptr;
  return bitmap;
}

// Puts `bitmap` into `dc` in place of `old`, which is deleted: a bitmap
// can only be deleted once no context holds it. Without a new bitmap (the
// system refused one) the old one stays.
void replace_bitmap(HDC dc, HBITMAP& old, HBITMAP bitmap) {
  if (!dc || !bitmap) {
    if (bitmap) DeleteObject(bitmap);
    return;
  }
  SelectObject(dc, bitmap);
  if (old) DeleteObject(old);
  old = bitmap;
}

}  // namespace

UpdateLayeredWindowEntry layered_window_update() { return g_layered_window_update; }
void set_layered_window_update(UpdateLayeredWindowEntry entry) { g_layered_window_update = entry; }

void opaque_resize(PlayerView* view) {
  HDC screen = GetDC(nullptr);
  if (!view->memory_dc1) view->memory_dc1 = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, static_cast<int>(view->plugin_window.width),
                                          static_cast<int>(view->plugin_window.height));
  ReleaseDC(nullptr, screen);
  replace_bitmap(view->memory_dc1, view->bitmap1, bitmap);
  view->plugin_window.window = view->memory_dc1;
}

void opaque_paint(PlayerView* view, const NPRect& rect) {
  const PixelRect area = pixel_rect(rect);
  if (!select_paint_clip(view, area)) return;
  if (view->event_sender) send_paint_event(view);
  if (!view->window) return;
  // Show the fresh pixels at once rather than at the next idle moment.
  RECT dirty = {area.left, area.top, area.right, area.bottom};
  InvalidateRect(view->window, &dirty, FALSE);
  SendMessageA(view->window, WM_PAINT, 0, 0);
}

void transparent_resize(PlayerView* view) {
  const int width = static_cast<int>(view->plugin_window.width);
  const int height = static_cast<int>(view->plugin_window.height);
  HDC screen = GetDC(nullptr);
  uint32_t* pixels1 = nullptr;
  uint32_t* pixels2 = nullptr;
  HBITMAP bitmap1 = create_top_down_dib(screen, width, height, pixels1);
  HBITMAP bitmap2 = create_top_down_dib(screen, width, height, pixels2);
  if (!view->memory_dc1) view->memory_dc1 = CreateCompatibleDC(screen);
  if (!view->memory_dc2) view->memory_dc2 = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  const bool replaced = bitmap1 && bitmap2 && view->memory_dc1 && view->memory_dc2;
  replace_bitmap(view->memory_dc1, view->bitmap1, replaced ? bitmap1 : nullptr);
  replace_bitmap(view->memory_dc2, view->bitmap2, replaced ? bitmap2 : nullptr);
  if (!replaced) {
    if (bitmap1) DeleteObject(bitmap1);
    if (bitmap2) DeleteObject(bitmap2);
  }
  // Pixels of the wrong size are never written: a failed resize leaves the
  // view without a picture until the next one succeeds.
  view->pixels1 = replaced ? pixels1 : nullptr;
  view->pixels2 = replaced ? pixels2 : nullptr;
  view->plugin_window.window = view->memory_dc1;
}

void transparent_paint(PlayerView* view, const NPRect& rect) {
  const int width = static_cast<int>(view->plugin_window.width);
  const int height = static_cast<int>(view->plugin_window.height);
  const PixelRect area = clip_to_surface(pixel_rect(rect), width, height);
  if (!select_paint_clip(view, area)) return;
  GdiFlush();
  // Without an event sender (the instance is closing) there is no new
  // rendering: the last picture is presented as it is.
  if (view->event_sender && view->pixels1 && view->pixels2) {
    const int stride = static_cast<int>(view->plugin_window.clipRect.right);
    fill_backdrops(view->pixels1, view->pixels2, stride, area);
    view->plugin_window.window = view->memory_dc2;
    send_paint_event(view);
    view->plugin_window.window = view->memory_dc1;
    send_paint_event(view);
    // The plug-in's drawing may still sit in GDI's batch.
    GdiFlush();
    compose_premultiplied(view->pixels1, view->pixels2, stride, area);
  }
  UpdateLayeredWindowEntry update = layered_window_update();
  if (!update || !view->window || !view->memory_dc1) return;
  SIZE size = {width, height};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  update(view->window, view->memory_dc1, nullptr, &size, view->memory_dc1, &source, 0, &blend,
         ULW_ALPHA);
}

void use_opaque_drawing(PlayerView* view) {
  view->resize = opaque_resize;
  view->paint = opaque_paint;
}

void use_transparent_drawing(PlayerView* view) {
  view->resize = transparent_resize;
  view->paint = transparent_paint;
}

bool uses_transparent_drawing(const PlayerView* view) { return view->paint == transparent_paint; }

bool paint_window(PlayerView* view) {
  if (!view || !view->window) return false;
  if (uses_transparent_drawing(view)) {
    ValidateRect(view->window, nullptr);
    return true;
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(view->window, &paint);
  if (dc && view->memory_dc1) {
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, view->memory_dc1, r.left, r.top,
           SRCCOPY);
  }
  EndPaint(view->window, &paint);
  return true;
}

void free_surfaces(PlayerView* view) {
  if (!view) return;
  // Deleting a context lets go of its bitmap, which can then be deleted.
  if (view->memory_dc1) DeleteDC(view->memory_dc1);
  if (view->memory_dc2) DeleteDC(view->memory_dc2);
  if (view->bitmap1) DeleteObject(view->bitmap1);
  if (view->bitmap2) DeleteObject(view->bitmap2);
  view->memory_dc1 = nullptr;
  view->memory_dc2 = nullptr;
  view->bitmap1 = nullptr;
  view->bitmap2 = nullptr;
  view->pixels1 = nullptr;
  view->pixels2 = nullptr;
  view->plugin_window.window = nullptr;
}

}  // namespace flashhost
