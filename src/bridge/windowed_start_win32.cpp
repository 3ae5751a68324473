#include <windows.h>

#include "bridge/windowed_start.h"

namespace bridge {

void show_error_box(const ErrorBox& box) {
  std::string caption = box.caption;
  if (box.caption_from_resource) {
    char text[256];
    const int length =
        LoadStringA(GetModuleHandleA(nullptr), kErrorCaptionResource, text, sizeof text);
    if (length > 0) caption.assign(text, static_cast<std::size_t>(length));
  }
  MessageBoxA(nullptr, box.text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

}  // namespace bridge
