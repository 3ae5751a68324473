#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

#include "flashhost/browser_functions.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"
#include "flashhost/scripting_bridge.h"
#include "flashhost/url_requests.h"

namespace flashhost {

const char kUserAgent[] =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.0.3) Gecko/20060426 "
    "Quillon/1.0.0.0";

void* host_alloc(uint32_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void host_free(void* pointer) {
  if (pointer) HeapFree(GetProcessHeap(), 0, pointer);
}

namespace {

// POST answers reach the plug-in through a message-only window of the thread
// that made the request: the plug-in may only be called on that thread.
const UINT kRunRoutine = WM_APP + 1;
HWND g_request_window = nullptr;

LRESULT CALLBACK request_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kRunRoutine) {
    reinterpret_cast<void (*)(void*)>(wparam)(reinterpret_cast<void*>(lparam));
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void post_to_request_window(void (*routine)(void*), void* argument) {
  if (!g_request_window ||
      !PostMessageA(g_request_window, kRunRoutine, reinterpret_cast<WPARAM>(routine),
                    reinterpret_cast<LPARAM>(argument))) {
    routine(argument);
  }
}

MainThreadPoster request_poster() {
  if (!g_request_window) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = request_window_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "SwfSaverHostRequests";
    RegisterClassA(&window_class);
    g_request_window = CreateWindowA("SwfSaverHostRequests", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  return g_request_window ? post_to_request_window : nullptr;
}

// --- URL requests and streams ----------------------------------------------

NPError npn_get_url(NPP, const char* url, const char*) {
  if (url) ShellExecuteA(nullptr, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
  return NPERR_NO_ERROR;
}

NPError npn_post_url(NPP, const char*, const char*, uint32_t, const char*, NPBool) {
  return NPERR_NO_ERROR;
}

NPError npn_request_read(NPStream*, NPByteRange*) { return NPERR_NO_ERROR; }

NPError npn_new_stream(NPP, NPMIMEType, const char*, NPStream**) { return NPERR_NO_ERROR; }

int32_t npn_write(NPP, NPStream*, int32_t, void*) { return 0; }

NPError npn_destroy_stream(NPP, NPStream*, NPReason) { return NPERR_NO_ERROR; }

void npn_status(NPP, const char*) {}

const char* npn_user_agent(NPP) { return kUserAgent; }

void* npn_mem_alloc(uint32_t size) { return host_alloc(size); }

void npn_mem_free(void* pointer) { host_free(pointer); }

uint32_t npn_mem_flush(uint32_t) { return 0; }

void npn_reload_plugins(NPBool) {}

void* npn_get_java_env() { return nullptr; }

void* npn_get_java_peer(NPP) { return nullptr; }

NPError npn_get_url_notify(NPP npp, const char* url, const char* target, void* notify_data) {
  return get_url_notify(npp, url, target, notify_data);
}

NPError npn_post_url_notify(NPP npp, const char* url, const char* target, uint32_t length,
                            const char* buffer, NPBool file, void* notify_data) {
  return post_url_notify(npp, url, target, length, buffer, file, notify_data, request_poster());
}

// Answers 0 whatever the variable: the ones it does not know leave `value`
// as it was.
NPError npn_get_value(NPP npp, NPNVariable variable, void* value) {
  PlayerInstance* instance = instance_of(npp);
  if (!value) return NPERR_NO_ERROR;
  if (variable == NPNVnetscapeWindow) {
    *static_cast<HWND*>(value) = instance && instance->view ? instance->view->window : nullptr;
  } else if (variable == NPNVWindowNPObject) {
    *static_cast<NPObject**>(value) = scripting::retain_object(scripting::browser_window_object());
  }
  return NPERR_NO_ERROR;
}

NPError npn_set_value(NPP, NPPVariable, void*) { return NPERR_NO_ERROR; }

// --- drawing -----------------------------------------------------------------

// The repaint happens at once, inside the plug-in's call.
void npn_invalidate_rect(NPP npp, NPRect* rect) {
  PlayerInstance* instance = instance_of(npp);
  PlayerLibrary* library = library_of(npp);
  if (!instance || !instance->view || !rect || !library) return;
  PlayerView* view = instance->view;
  NPRect clamped = *rect;
  if (clamped.right > view->plugin_window.width) {
    clamped.right = static_cast<uint16_t>(view->plugin_window.width);
  }
  if (clamped.bottom > view->plugin_window.height) {
    clamped.bottom = static_cast<uint16_t>(view->plugin_window.height);
  }
  if (library->functions.setwindow) library->functions.setwindow(npp, &view->plugin_window);
  if (view->paint) view->paint(view, clamped);
}

void npn_invalidate_region(NPP, NPRegion) {}

void npn_force_redraw(NPP) {}

const NPNetscapeFuncs kBrowserFunctions = {
    NP_NETSCAPE_FUNCS_SIZE,
    NP_NETSCAPE_FUNCS_VERSION,
    npn_get_url,
    npn_post_url,
    npn_request_read,
    npn_new_stream,
    npn_write,
    npn_destroy_stream,
    npn_status,
    npn_user_agent,
    npn_mem_alloc,
    npn_mem_free,
    npn_mem_flush,
    npn_reload_plugins,
    npn_get_java_env,
    npn_get_java_peer,
    npn_get_url_notify,
    npn_post_url_notify,
    npn_get_value,
    npn_set_value,
    npn_invalidate_rect,
    npn_invalidate_region,
    npn_force_redraw,
    scripting::get_string_identifier,
    scripting::get_string_identifiers,
    scripting::get_int_identifier,
    scripting::identifier_is_string,
    scripting::utf8_from_identifier,
    scripting::int_from_identifier,
    scripting::create_object,
    scripting::retain_object,
    scripting::release_object,
    scripting::invoke,
    scripting::invoke_default,
    scripting::evaluate,
    scripting::get_property,
    scripting::set_property,
    scripting::remove_property,
    scripting::has_property,
    scripting::has_method,
    scripting::release_variant_value,
    scripting::set_exception,
};

}  // namespace

const NPNetscapeFuncs& browser_functions() { return kBrowserFunctions; }

}  // namespace flashhost
