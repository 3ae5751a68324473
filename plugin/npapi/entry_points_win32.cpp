// The module's exports and its NPP functions: each call is traced, checked
// and handed to its PluginInstance.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "flashhost/npapi.h"
#include "npapi/browser.h"
#include "npapi/plugin_instance.h"
#include "npapi/trace.h"

namespace npfp {

namespace {

HINSTANCE g_module = nullptr;
// The browser's table is process-wide by the NPAPI's design: one per module.
NPNetscapeFuncs g_browser = {};

PluginInstance* instance_of(NPP npp) {
  return npp ? static_cast<PluginInstance*>(npp->pdata) : nullptr;
}

const char* text_or_empty(const char* s) { return s ? s : ""; }

NPError NPP_New(NPMIMEType type, NPP npp, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                NPSavedData*) {
  std::vector<std::pair<std::string, std::string>> parameters;
  std::string listed;
  for (int i = 0; i < argc && argn && argv; ++i) {
    std::string name = text_or_empty(argn[i]), value = text_or_empty(argv[i]);
    listed += " " + name + "=" + value;
    parameters.emplace_back(name, value);
  }
  trace("NPP_New mime=%s mode=%u argc=%d%s", text_or_empty(type), static_cast<unsigned>(mode),
        static_cast<int>(argc), listed.c_str());
  if (!npp) return NPERR_INVALID_INSTANCE_ERROR;
  auto* instance = new PluginInstance(npp, std::move(parameters));
  npp->pdata = instance;
  // We draw into the host's device context; a transparent movie composes
  // onto what the host has there.
  if (browser().setvalue) {
    browser().setvalue(npp, NPPVpluginWindowBool, nullptr);
    if (instance->player().options().transparent)
      browser().setvalue(npp, NPPVpluginTransparentBool, reinterpret_cast<void*>(1));
  }
  return NPERR_NO_ERROR;
}

NPError NPP_Destroy(NPP npp, NPSavedData** save) {
  trace("NPP_Destroy");
  if (save) *save = nullptr;
  PluginInstance* instance = instance_of(npp);
  if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
  npp->pdata = nullptr;
  instance->destroy();
  return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP npp, NPWindow* window) {
  if (window)
    trace("NPP_SetWindow x=%ld y=%ld w=%lu h=%lu type=%d", static_cast<long>(window->x),
          static_cast<long>(window->y), static_cast<unsigned long>(window->width),
          static_cast<unsigned long>(window->height), static_cast<int>(window->type));
  else
    trace("NPP_SetWindow window=null");
  PluginInstance* instance = instance_of(npp);
  return instance ? instance->set_window(window)
                  : static_cast<NPError>(NPERR_INVALID_INSTANCE_ERROR);
}

NPError NPP_NewStream(NPP npp, NPMIMEType type, NPStream* stream, NPBool seekable,
                      uint16_t* stype) {
  trace("NPP_NewStream url=%s end=%lu type=%s seekable=%u",
        stream ? text_or_empty(stream->url) : "",
        stream ? static_cast<unsigned long>(stream->end) : 0, text_or_empty(type),
        static_cast<unsigned>(seekable));
  PluginInstance* instance = instance_of(npp);
  return instance ? instance->new_stream(type, stream, stype)
                  : static_cast<NPError>(NPERR_INVALID_INSTANCE_ERROR);
}

NPError NPP_DestroyStream(NPP npp, NPStream* stream, NPReason reason) {
  trace("NPP_DestroyStream url=%s reason=%d", stream ? text_or_empty(stream->url) : "",
        static_cast<int>(reason));
  PluginInstance* instance = instance_of(npp);
  return instance ? instance->destroy_stream(stream, reason)
                  : static_cast<NPError>(NPERR_INVALID_INSTANCE_ERROR);
}

void NPP_StreamAsFile(NPP npp, NPStream* stream, const char* file_name) {
  trace("NPP_StreamAsFile fname=%s", text_or_empty(file_name));
  if (PluginInstance* instance = instance_of(npp)) instance->stream_as_file(stream, file_name);
}

int32_t NPP_WriteReady(NPP npp, NPStream* stream) {
  PluginInstance* instance = instance_of(npp);
  int32_t ready = instance ? instance->write_ready(stream) : 0;
  trace("NPP_WriteReady -> %ld", static_cast<long>(ready));
  return ready;
}

int32_t NPP_Write(NPP npp, NPStream* stream, int32_t offset, int32_t length, void* buffer) {
  trace("NPP_Write offset=%ld len=%ld", static_cast<long>(offset), static_cast<long>(length));
  PluginInstance* instance = instance_of(npp);
  return instance ? instance->write(stream, offset, length, buffer) : -1;
}

void NPP_Print(NPP, NPPrint*) { trace("NPP_Print"); }

int16_t NPP_HandleEvent(NPP npp, void* event_record) {
  PluginInstance* instance = instance_of(npp);
  const NPEvent* event = static_cast<const NPEvent*>(event_record);
  int16_t handled =
      instance && event ? instance->handle_event(*event) : static_cast<int16_t>(kNPEventNotHandled);
  if (event)
    trace("NPP_HandleEvent event=0x%04X wParam=0x%lX lParam=0x%lX -> %d",
          static_cast<unsigned>(event->event), static_cast<unsigned long>(event->wParam),
          static_cast<unsigned long>(event->lParam), static_cast<int>(handled));
  return handled;
}

void NPP_URLNotify(NPP npp, const char* url, NPReason reason, void* notify_data) {
  trace("NPP_URLNotify url=%s reason=%d", text_or_empty(url), static_cast<int>(reason));
  if (PluginInstance* instance = instance_of(npp)) instance->url_notify(url, reason, notify_data);
}

NPError NPP_GetValue(NPP npp, NPPVariable variable, void* value) {
  NPError result = NPERR_GENERIC_ERROR;
  PluginInstance* instance = instance_of(npp);
  if (value) {
    switch (variable) {
      case NPPVpluginNameString:
        *static_cast<const char**>(value) = "npfp";
        result = NPERR_NO_ERROR;
        break;
      case NPPVpluginDescriptionString:
        *static_cast<const char**>(value) = "npfp SWF movie player";
        result = NPERR_NO_ERROR;
        break;
      case NPPVpluginNeedsXEmbed:
        *static_cast<NPBool*>(value) = 0;
        result = NPERR_NO_ERROR;
        break;
      case NPPVpluginScriptableNPObject:
        if (instance) {
          NPObject* object = instance->scriptable_object();
          *static_cast<NPObject**>(value) = object;
          result = object ? NPERR_NO_ERROR : NPERR_OUT_OF_MEMORY_ERROR;
        } else {
          result = NPERR_INVALID_INSTANCE_ERROR;
        }
        break;
      default:
        break;
    }
  }
  trace("NPP_GetValue variable=%d -> %d", static_cast<int>(variable), static_cast<int>(result));
  return result;
}

NPError NPP_SetValue(NPP, NPNVariable variable, void*) {
  trace("NPP_SetValue variable=%d", static_cast<int>(variable));
  return NPERR_GENERIC_ERROR;
}

}  // namespace

HINSTANCE module_handle() { return g_module; }

NPNetscapeFuncs& browser() { return g_browser; }

void* browser_alloc(uint32_t size) {
  return g_browser.memalloc ? g_browser.memalloc(size) : nullptr;
}

void browser_free(void* p) {
  if (p && g_browser.memfree) g_browser.memfree(p);
}

char* browser_strdup(const std::string& s) {
  char* copy = static_cast<char*>(browser_alloc(static_cast<uint32_t>(s.size() + 1)));
  if (copy) std::memcpy(copy, s.c_str(), s.size() + 1);
  return copy;
}

std::string browser_identifier_name(NPIdentifier id) {
  if (!g_browser.utf8fromidentifier) return std::string();
  NPUTF8* name = g_browser.utf8fromidentifier(id);
  if (!name) return std::string();
  std::string copy = name;
  browser_free(name);
  return copy;
}

void browser_invalidate(NPP npp, uint16_t width, uint16_t height) {
  if (!g_browser.invalidaterect) return;
  NPRect rect = {0, 0, height, width};
  g_browser.invalidaterect(npp, &rect);
}

}  // namespace npfp

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    npfp::g_module = module;
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}

// Local files are always readable by this player: nothing to switch off.
void NP_CALLBACK Flash_DisableLocalSecurity(void) { npfp::trace("Flash_DisableLocalSecurity"); }

NPError NP_CALLBACK NP_GetEntryPoints(NPPluginFuncs* funcs) {
  npfp::trace("NP_GetEntryPoints size=%u", funcs ? static_cast<unsigned>(funcs->size) : 0u);
  // The table must have room for every entry we fill.
  if (!funcs || funcs->size < sizeof(NPPluginFuncs)) return NPERR_INVALID_FUNCTABLE_ERROR;
  funcs->size = sizeof(NPPluginFuncs);
  funcs->version = NPVERS_HAS_NPRUNTIME_SCRIPTING;
  funcs->newp = npfp::NPP_New;
  funcs->destroy = npfp::NPP_Destroy;
  funcs->setwindow = npfp::NPP_SetWindow;
  funcs->newstream = npfp::NPP_NewStream;
  funcs->destroystream = npfp::NPP_DestroyStream;
  funcs->asfile = npfp::NPP_StreamAsFile;
  funcs->writeready = npfp::NPP_WriteReady;
  funcs->write = npfp::NPP_Write;
  funcs->print = npfp::NPP_Print;
  funcs->event = npfp::NPP_HandleEvent;
  funcs->urlnotify = npfp::NPP_URLNotify;
  funcs->javaClass = nullptr;
  funcs->getvalue = npfp::NPP_GetValue;
  funcs->setvalue = npfp::NPP_SetValue;
  return NPERR_NO_ERROR;
}

NPError NP_CALLBACK NP_Initialize(NPNetscapeFuncs* funcs) {
  npfp::trace("NP_Initialize size=%u version=%u", funcs ? static_cast<unsigned>(funcs->size) : 0u,
              funcs ? static_cast<unsigned>(funcs->version) : 0u);
  if (!funcs) return NPERR_INVALID_FUNCTABLE_ERROR;
  if ((funcs->version >> 8) > NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
  // Copy what the host gave; entries past its size stay empty and are
  // checked before every call.
  npfp::g_browser = NPNetscapeFuncs();
  size_t size = std::min<size_t>(funcs->size, sizeof(NPNetscapeFuncs));
  std::memcpy(&npfp::g_browser, funcs, size);
  return NPERR_NO_ERROR;
}

NPError NP_CALLBACK NP_Shutdown(void) {
  npfp::trace("NP_Shutdown");
  npfp::unregister_clock_class();
  npfp::g_browser = NPNetscapeFuncs();
  return NPERR_NO_ERROR;
}

}  // extern "C"
