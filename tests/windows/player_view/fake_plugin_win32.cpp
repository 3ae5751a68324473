#include "bridge/identifiers.h"
#include "fake_plugin.h"
#include "flashhost/player_instance.h"

namespace fake_plugin {

namespace {

Record g_record;
flashhost::PlayerLibrary g_library;
Painter g_painter;
int g_paint_count = 0;

bool invoke_movie(NPObject*, NPIdentifier name, const NPVariant* arguments, uint32_t count,
                  NPVariant*) {
  MovieCall call;
  bridge::identifier_text(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(name)), call.name);
  for (uint32_t i = 0; i < count; ++i) {
    if (arguments[i].type == NPVariantType_Int32)
      call.numbers.push_back(arguments[i].value.intValue);
  }
  g_record.movie_calls.push_back(call);
  return false;
}

NPClass g_movie_class = {1,       nullptr, nullptr, nullptr, nullptr, invoke_movie, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
// Never released to zero: the host only ever drops the references it took.
NPObject g_movie_object = {&g_movie_class, 1000};

NPError new_instance(NPMIMEType, NPP npp, uint16_t, int16_t, char**, char**, NPSavedData*) {
  ++g_record.new_calls;
  if (g_record.on_new) g_record.on_new(npp);
  return NPERR_NO_ERROR;
}

NPError destroy_instance(NPP npp, NPSavedData**) {
  ++g_record.destroy_calls;
  if (g_record.on_destroy) g_record.on_destroy(npp);
  return NPERR_NO_ERROR;
}

NPError set_window(NPP, NPWindow* window) {
  g_record.set_windows.push_back(*window);
  return NPERR_NO_ERROR;
}

int16_t handle_event(NPP npp, void* event) {
  const NPEvent* e = static_cast<const NPEvent*>(event);
  g_record.events.push_back(e->event);
  flashhost::PlayerInstance* instance = flashhost::instance_of(npp);
  if (e->event == WM_PAINT && instance && instance->view) painting_sender(instance->view, nullptr);
  return 0;
}

NPError get_value(NPP, NPPVariable variable, void* value) {
  if (variable != NPPVpluginScriptableNPObject) return NPERR_GENERIC_ERROR;
  ++g_movie_object.referenceCount;
  *static_cast<NPObject**>(value) = &g_movie_object;
  return NPERR_NO_ERROR;
}

}  // namespace

Record& install() {
  g_record = Record();
  g_painter = nullptr;
  g_paint_count = 0;
  g_library = flashhost::PlayerLibrary();
  g_library.functions.size = NP_PLUGIN_FUNCS_SIZE;
  g_library.functions.newp = new_instance;
  g_library.functions.destroy = destroy_instance;
  g_library.functions.setwindow = set_window;
  g_library.functions.event = handle_event;
  g_library.functions.getvalue = get_value;
  flashhost::set_current_library(&g_library);
  return g_record;
}

void remove() {
  flashhost::set_current_library(nullptr);
  g_painter = nullptr;
}

Record& record() { return g_record; }
flashhost::PlayerLibrary* library() { return &g_library; }

void set_painter(Painter painter) { g_painter = std::move(painter); }
int paint_count() { return g_paint_count; }

int16_t painting_sender(flashhost::PlayerView* view, NPEvent* event) {
  if (event && event->event != WM_PAINT) return 0;
  ++g_paint_count;
  if (g_painter) g_painter(view, static_cast<HDC>(view->plugin_window.window));
  return 1;
}

}  // namespace fake_plugin
