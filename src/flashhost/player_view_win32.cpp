#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"

namespace flashhost {

int16_t send_to_plugin(PlayerView* view, NPEvent* event) {
  PlayerLibrary* library = view && view->instance ? library_of(&view->instance->npp) : nullptr;
  if (!view || !view->instance || !view->instance->created || !library ||
      !library->functions.event) {
    return 0;
  }
  return library->functions.event(&view->instance->npp, event);
}

int16_t send_event(PlayerView* view, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!view || !view->event_sender) return 0;
  NPEvent event;
  event.event = static_cast<uint16_t>(message);
  event.wParam = static_cast<uintptr_t>(wparam);
  event.lParam = static_cast<uintptr_t>(lparam);
  return view->event_sender(view, &event);
}

}  // namespace flashhost
