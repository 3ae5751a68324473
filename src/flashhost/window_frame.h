// How a window record becomes a window frame: its styles by kind and style
// word, the size its set-up gives it and where "center" puts it. Portable:
// the style bits are the Win32 values.
#pragma once

#include <cstdint>

struct WindowSettings;

namespace flashhost {

constexpr uint32_t kStylePopup = 0x80000000u;       // WS_POPUP
constexpr uint32_t kStyleVisible = 0x10000000u;     // WS_VISIBLE
constexpr uint32_t kStyleCaption = 0x00C00000u;     // WS_CAPTION
constexpr uint32_t kStyleSystemMenu = 0x00080000u;  // WS_SYSMENU
constexpr uint32_t kStyleThickFrame = 0x00040000u;  // WS_THICKFRAME
constexpr uint32_t kStyleMinimizeBox = 0x00020000u;
constexpr uint32_t kStyleMaximizeBox = 0x00010000u;
constexpr uint32_t kStyleSystemModal = 0x00000002u;  // DS_SYSMODAL
constexpr uint32_t kExStyleToolWindow = 0x00000080u;
constexpr uint32_t kExStyleLayered = 0x00080000u;

struct FrameStyles {
  uint32_t style = 0;
  uint32_t ex_style = 0;
  bool modal = false;  // runs as a modal dialog
};

// The frame of a standard or transparent window: the style word's frame,
// the boxes and thick frame the flags ask for; a transparent window is a
// layered popup with a system menu whatever its style word says (a tool
// window stays a tool window).
FrameStyles frame_styles(const WindowSettings& settings, bool transparent);

struct FrameSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The size a window's set-up gives it: the record's width and height, or
// for "screen_percent" those percentages of the screen, cut to whole pixels.
FrameSize set_up_size(const WindowSettings& settings, int32_t screen_width, int32_t screen_height);

// The top-left corner that centres a window of `width` x `height` on the
// screen (each half rounded down).
void centred_position(int32_t screen_width, int32_t screen_height, int32_t width, int32_t height,
                      int32_t& x, int32_t& y);

// A dialog template's extent in dialog units from pixels and the dialog
// base units (GetDialogBaseUnits): width x 4 / horizontal, height x 8 /
// vertical.
FrameSize dialog_units(int32_t width, int32_t height, int32_t base_x, int32_t base_y);

}  // namespace flashhost
