#include <windows.h>

#include <vector>

#include "flashhost/browser_functions.h"
#include "flashhost/host_streams.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"
#include "flashhost/url_requests.h"

namespace flashhost {

namespace {

const char kMovieType[] = "application/x-shockwave-flash";

std::string full_path(const std::string& path) {
  char buffer[MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) return path;
  return std::string(buffer, length);
}

bool feed_movie(PlayerInstance* instance) {
  HostStream* stream = open_stream(&instance->npp, instance->movie_path, kMovieType, nullptr);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(instance->movie_path.c_str(), GetFileExInfoStandard, &data) &&
      data.nFileSizeHigh == 0) {
    stream->stream.end = data.nFileSizeLow;
  }
  bool fed = new_stream(stream) && feed_file(stream);
  close_stream(stream, NPRES_DONE);
  return fed;
}

}  // namespace

bool start(PlayerInstance* instance) {
  PlayerLibrary* library = instance ? library_of(&instance->npp) : nullptr;
  if (!instance || instance->created || !library || !library->functions.newp) return false;
  const NPPluginFuncs& plugin = library->functions;

  const std::string* source = instance->parameters.find("SRC");
  instance->movie_path = source ? full_path(*source) : "empty";

  std::size_t count = instance->parameters.size();
  if (count > 0x7FFF) count = 0x7FFF;
  std::vector<char*> names(count + 1, nullptr);
  std::vector<char*> values(count + 1, nullptr);
  for (std::size_t i = 0; i < count; ++i) {
    names[i] = const_cast<char*>(instance->parameters.name(i).c_str());
    values[i] = const_cast<char*>(instance->parameters.value(i).c_str());
  }
  NPError result = plugin.newp(const_cast<char*>(kMovieType), &instance->npp, NP_EMBED,
                               static_cast<int16_t>(count), names.data(), values.data(), nullptr);
  if (result != NPERR_NO_ERROR) return false;
  instance->created = true;

  NPObject* scriptable = nullptr;
  if (plugin.getvalue && plugin.getvalue(&instance->npp, NPPVpluginScriptableNPObject,
                                         &scriptable) == NPERR_NO_ERROR) {
    instance->scriptable_object = scriptable;
  }

  PlayerView* view = instance->view;
  if (view && plugin.setwindow) plugin.setwindow(&instance->npp, &view->plugin_window);

  bool fed = true;
  if (source) {
    instance->starting = true;
    fed = feed_movie(instance);
    instance->starting = false;
    if (instance->destroy_requested) {
      destroy(instance);
      return false;
    }
  }

  if (view && view->window) {
    view->saved_procedure_window = view->window;
    view->saved_procedure =
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(view->window, GWLP_WNDPROC));
  }
  return fed;
}

void destroy(PlayerInstance* instance) {
  if (!instance) return;
  if (instance->starting) {
    instance->destroy_requested = true;
    return;
  }
  PlayerView* view = instance->view;
  if (view && view->saved_procedure_window && view->saved_procedure) {
    SetWindowLongPtrA(view->saved_procedure_window, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(view->saved_procedure));
  }
  if (instance->scriptable_object) {
    browser_functions().releaseobject(instance->scriptable_object);
    instance->scriptable_object = nullptr;
  }
  PlayerLibrary* library = library_of(&instance->npp);
  if (instance->created && library && library->functions.destroy) {
    library->functions.destroy(&instance->npp, nullptr);
  }
  cancel_requests(instance);
  delete instance;
}

}  // namespace flashhost
