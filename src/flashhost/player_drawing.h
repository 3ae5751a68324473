// Windowless drawing: the plug-in paints into a memory device context the
// host owns (NPWindow.window) whenever the host sends it a paint event, and
// the host shows the result. Opaque views copy the memory context to the
// window; transparent views render twice (over white and over black), derive
// per-pixel alpha and present the result with UpdateLayeredWindow.
#pragma once

#include <windows.h>

#include "flashhost/player_view.h"

namespace flashhost {

// The paint event the plug-in draws on (WM_PAINT with wParam 0, lParam 0).
constexpr UINT kPluginPaintEvent = WM_PAINT;

using UpdateLayeredWindowEntry = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                               BLENDFUNCTION*, DWORD);

// "UpdateLayeredWindow" of user32.dll once register_player_class looked it
// up; null before, and on systems without it (transparent windows are then
// composed but not presented).
UpdateLayeredWindowEntry layered_window_update();
void set_layered_window_update(UpdateLayeredWindowEntry entry);

// Opaque mode: one screen-compatible bitmap in memory context 1.
void opaque_resize(PlayerView* view);
void opaque_paint(PlayerView* view, const NPRect& rect);

// Transparent mode: two 32-bit top-down DIB sections, the rendering over
// white in context 1 (and, composed, the picture presented) and the
// rendering over black in context 2.
void transparent_resize(PlayerView* view);
void transparent_paint(PlayerView* view, const NPRect& rect);

// Gives the view the routines of one mode.
void use_opaque_drawing(PlayerView* view);
void use_transparent_drawing(PlayerView* view);
bool uses_transparent_drawing(const PlayerView* view);

// The window's answer to WM_PAINT. Opaque: copies the paint rectangle from
// memory context 1 (BeginPaint, BitBlt, EndPaint). Transparent: its picture
// comes only from UpdateLayeredWindow, so the update region is validated
// and nothing is drawn. True when the message was answered.
bool paint_window(PlayerView* view);

// Deletes the bitmaps and memory contexts; NPWindow.window becomes null.
void free_surfaces(PlayerView* view);

}  // namespace flashhost
