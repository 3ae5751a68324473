#include "flashhost/window_frame.h"

#include "settings/settings.h"

namespace flashhost {

FrameStyles frame_styles(const WindowSettings& settings, bool transparent) {
  FrameStyles frame;
  const uint32_t framed = kStyleCaption | kStyleSystemMenu;
  switch (settings.window_style) {
    case WindowStyle::normal:
      frame.style = framed;
      break;
    case WindowStyle::modal:
      frame.style = framed | kStyleSystemModal;
      frame.modal = true;
      break;
    case WindowStyle::tool:
      frame.style = framed;
      frame.ex_style = kExStyleToolWindow;
      break;
    case WindowStyle::noborder:
      frame.style = kStylePopup;
      break;
  }
  if (settings.has_maximize) frame.style |= kStyleMaximizeBox;
  if (settings.has_minimize) frame.style |= kStyleMinimizeBox;
  if (settings.resizable) frame.style |= kStyleThickFrame;
  if (transparent) {
    frame.style = kStylePopup | kStyleSystemMenu;
    frame.ex_style |= kExStyleLayered;
  }
  return frame;
}

FrameSize set_up_size(const WindowSettings& settings, int32_t screen_width, int32_t screen_height) {
  FrameSize size{settings.width, settings.height};
  if (settings.size_mode == SizeMode::screen_percent) {
    size.width = static_cast<int32_t>(settings.width_percent * 0.01 * screen_width);
    size.height = static_cast<int32_t>(settings.height_percent * 0.01 * screen_height);
  }
  return size;
}

void centred_position(int32_t screen_width, int32_t screen_height, int32_t width, int32_t height,
                      int32_t& x, int32_t& y) {
  // Halves round down, also for odd negative extents.
  auto half = [](int32_t value) { return value >= 0 ? value / 2 : -((-value + 1) / 2); };
  x = half(screen_width) - half(width);
  y = half(screen_height) - half(height);
}

FrameSize dialog_units(int32_t width, int32_t height, int32_t base_x, int32_t base_y) {
  FrameSize units;
  units.width = base_x > 0 ? width * 4 / base_x : 0;
  units.height = base_y > 0 ? height * 8 / base_y : 0;
  return units;
}

}  // namespace flashhost
