#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "npapi/browser.h"
#include "npapi/plugin_instance.h"
#include "npapi/scriptable_object.h"
#include "npapi/trace.h"

namespace npfp {

namespace {

const char kClockClass[] = "npfpFrameClock";
const UINT_PTR kClockTimer = 1;
// Posted to the clock's window when URL answers wait for the scripts.
const UINT kDeliverLoads = WM_APP + 1;

LRESULT CALLBACK clock_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == kClockTimer) {
    auto* instance = reinterpret_cast<PluginInstance*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (instance) instance->tick();
    return 0;
  }
  if (message == kDeliverLoads) {
    auto* instance = reinterpret_cast<PluginInstance*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (instance) instance->deliver_loads();
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

bool register_clock_class() {
  WNDCLASSA wc = {};
  if (GetClassInfoA(module_handle(), kClockClass, &wc)) return true;
  wc.lpfnWndProc = clock_procedure;
  wc.hInstance = module_handle();
  wc.lpszClassName = kClockClass;
  return RegisterClassA(&wc) != 0;
}

// Signed 16-bit halves of an lParam (mouse positions may be negative).
int low_word(uintptr_t v) { return static_cast<int16_t>(v & 0xFFFF); }
int high_word(uintptr_t v) { return static_cast<int16_t>((v >> 16) & 0xFFFF); }

}  // namespace

void unregister_clock_class() { UnregisterClassA(kClockClass, module_handle()); }

PluginInstance::PluginInstance(NPP npp, std::vector<std::pair<std::string, std::string>> parameters)
    : npp_(npp), glue_(npp) {
  player_.set_options(parse_stage_options(parameters));
}

void PluginInstance::destroy() {
  if (depth_ == 0) {
    delete this;
    return;
  }
  destroyed_ = true;
  stop_clock();
  glue_.detach();
  if (scriptable_) detach_scriptable_object(scriptable_);
}

void PluginInstance::leave() {
  if (--depth_ == 0 && destroyed_) delete this;
}

PluginInstance::~PluginInstance() {
  stop_clock();
  if (scriptable_) {
    detach_scriptable_object(scriptable_);
    if (browser().releaseobject) browser().releaseobject(scriptable_);
    scriptable_ = nullptr;
  }
  // The engine leaves the player (its published functions, its observer)
  // before the player goes.
  engine_.reset();
  free_surface();
}

NPError PluginInstance::set_window(NPWindow* window) {
  window_ = window;
  if (window_)
    player_.set_viewport(static_cast<int>(std::min<uint32_t>(window_->width, 16384)),
                         static_cast<int>(std::min<uint32_t>(window_->height, 16384)));
  return NPERR_NO_ERROR;
}

bool PluginInstance::is_movie_stream(NPStream* stream) const {
  return stream && stream == movie_stream_;
}

uint32_t PluginInstance::load_request(NPStream* stream) const {
  if (!stream || stream == movie_stream_) return 0;
  return load_request_of(stream->notifyData);
}

void PluginInstance::url_notify(const char*, NPReason reason, void* notify_data) {
  uint32_t request = load_request_of(notify_data);
  if (request == 0) return;
  std::string data;
  auto it = arriving_.find(request);
  if (it != arriving_.end()) {
    data.swap(it->second);
    arriving_.erase(it);
  }
  finished_.push_back({request, reason == NPRES_DONE, std::move(data)});
  if (clock_window_) PostMessageA(clock_window_, kDeliverLoads, 0, 0);
}

void PluginInstance::deliver_loads() {
  Busy busy(this);
  if (finished_.empty()) return;
  std::vector<FinishedLoad> loads;
  loads.swap(finished_);
  if (!engine_) return;
  for (FinishedLoad& load : loads) engine_->load_finished(load.request, load.ok, load.data);
  if (engine_->take_redraw_request()) request_repaint();
}

NPError PluginInstance::new_stream(NPMIMEType, NPStream* stream, uint16_t* stype) {
  if (!stream) return NPERR_INVALID_PARAM;
  // The first stream is the movie (the host opens it for "src"); later
  // ones answer the movie's own URL requests and are not movie data here.
  if (!movie_stream_ && !movie_fed_) {
    movie_stream_ = stream;
    glue_.set_movie_url(stream->url ? stream->url : "");
  } else if (uint32_t request = load_request(stream)) {
    arriving_[request].clear();
  }
  if (stype) *stype = NP_NORMAL;
  return NPERR_NO_ERROR;
}

int32_t PluginInstance::write_ready(NPStream*) { return kWriteChunk; }

int32_t PluginInstance::write(NPStream* stream, int32_t, int32_t length, const void* buffer) {
  Busy busy(this);
  if (length <= 0 || !buffer) return 0;
  if (!is_movie_stream(stream)) {
    // An answer to one of the movie's requests; anything else is dropped.
    auto it = arriving_.find(load_request(stream));
    if (it != arriving_.end()) it->second.append(static_cast<const char*>(buffer), length);
    return length;
  }
  movie_fed_ = true;
  bool ok = player_.feed(static_cast<const uint8_t*>(buffer), static_cast<size_t>(length));
  after_data();
  // Not a movie: tell the host to stop sending.
  return ok ? length : -1;
}

NPError PluginInstance::destroy_stream(NPStream* stream, NPReason) {
  Busy busy(this);
  if (is_movie_stream(stream)) {
    player_.finish_stream();
    movie_stream_ = nullptr;
    after_data();
  }
  return NPERR_NO_ERROR;
}

void PluginInstance::stream_as_file(NPStream* stream, const char* file_name) {
  Busy busy(this);
  // A host that hands the movie over as a file instead of writing it.
  if (!is_movie_stream(stream) || movie_fed_ || !file_name) return;
  std::FILE* file = std::fopen(file_name, "rb");
  if (!file) return;
  movie_fed_ = true;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (!player_.feed(buffer, n)) break;
  }
  std::fclose(file);
  after_data();
}

void PluginInstance::after_data() {
  if (!player_.has_header()) return;
  // Before the first frame, which the engine must see made.
  if (!engine_) engine_ = std::make_unique<avm1::Engine>(player_, glue_);
  start_clock();
  // Show the first frame as soon as it is there rather than a tick later.
  if (player_.current_frame() < 0 && player_.advance()) request_repaint();
}

void PluginInstance::start_clock() {
  unsigned interval = player_.frame_interval_ms();
  if (clock_window_ && interval == clock_interval_) return;
  if (!clock_window_) {
    if (!register_clock_class()) return;
    clock_window_ = CreateWindowExA(0, kClockClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    module_handle(), nullptr);
    if (!clock_window_) return;
    SetWindowLongPtrA(clock_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  clock_interval_ = interval;
  SetTimer(clock_window_, kClockTimer, interval, nullptr);
}

void PluginInstance::stop_clock() {
  if (!clock_window_) return;
  KillTimer(clock_window_, kClockTimer);
  SetWindowLongPtrA(clock_window_, GWLP_USERDATA, 0);
  DestroyWindow(clock_window_);
  clock_window_ = nullptr;
}

void PluginInstance::tick() {
  Busy busy(this);
  deliver_loads();
  if (player_.advance()) request_repaint();
}

void PluginInstance::request_repaint() {
  if (!window_ || destroyed_) return;
  uint32_t w = std::min<uint32_t>(window_->width, 0xFFFF);
  uint32_t h = std::min<uint32_t>(window_->height, 0xFFFF);
  if (w == 0 || h == 0) return;
  browser_invalidate(npp_, static_cast<uint16_t>(w), static_cast<uint16_t>(h));
}

int16_t PluginInstance::handle_event(const NPEvent& event) {
  Busy busy(this);
  int x = 0, y = 0;
  if (window_) {
    x = low_word(event.lParam) - window_->x;
    y = high_word(event.lParam) - window_->y;
  }
  InputEvent input;
  input.x = x;
  input.y = y;
  switch (event.event) {
    case WM_PAINT:
      return paint(reinterpret_cast<HDC>(event.wParam), reinterpret_cast<const RECT*>(event.lParam))
                 ? kNPEventHandled
                 : kNPEventNotHandled;
    case WM_MOUSEMOVE:
      input.type = InputEvent::mouse_move;
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      input.type = InputEvent::mouse_down;
      input.button = event.event == WM_LBUTTONDOWN ? 0 : event.event == WM_RBUTTONDOWN ? 1 : 2;
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      input.type = InputEvent::mouse_up;
      input.button = event.event == WM_LBUTTONUP ? 0 : event.event == WM_RBUTTONUP ? 1 : 2;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      input = InputEvent();
      input.type = InputEvent::key_down;
      input.key = static_cast<uint32_t>(event.wParam);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      input = InputEvent();
      input.type = InputEvent::key_up;
      input.key = static_cast<uint32_t>(event.wParam);
      break;
    case WM_CHAR:
      input = InputEvent();
      input.type = InputEvent::character;
      input.key = static_cast<uint32_t>(event.wParam);
      break;
    default:
      return kNPEventNotHandled;
  }
  bool mouse = input.type == InputEvent::mouse_move || input.type == InputEvent::mouse_down ||
               input.type == InputEvent::mouse_up;
  if (player_.handle_input(input)) request_repaint();
  // The movie takes the mouse over its buttons; everything else stays the
  // host's to handle as it likes.
  return mouse && player_.mouse_over_button() ? kNPEventHandled : kNPEventNotHandled;
}

bool PluginInstance::ensure_surface(int width, int height) {
  if (surface_bitmap_ && width == surface_width_ && height == surface_height_) return true;
  free_surface();
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows, as the canvas has them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  surface_bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!surface_bitmap_ || !bits) {
    free_surface();
    return false;
  }
  surface_dc_ = CreateCompatibleDC(nullptr);
  if (!surface_dc_) {
    free_surface();
    return false;
  }
  surface_old_ = SelectObject(surface_dc_, surface_bitmap_);
  surface_pixels_ = static_cast<uint32_t*>(bits);
  surface_width_ = width;
  surface_height_ = height;
  canvas_.attach(surface_pixels_, width, height, width);
  return true;
}

void PluginInstance::free_surface() {
  if (surface_dc_) {
    if (surface_old_) SelectObject(surface_dc_, surface_old_);
    DeleteDC(surface_dc_);
  }
  if (surface_bitmap_) DeleteObject(surface_bitmap_);
  surface_dc_ = nullptr;
  surface_bitmap_ = nullptr;
  surface_old_ = nullptr;
  surface_pixels_ = nullptr;
  surface_width_ = surface_height_ = 0;
  canvas_.attach(nullptr, 0, 0, 0);
}

bool PluginInstance::paint(HDC given_dc, const RECT* given_dirty) {
  if (!window_) return false;
  // The device context comes with the event (wParam, with the dirty RECT in
  // lParam), or else it is the one named in the window record, clipped by
  // the clip region the host selected into it.
  HDC hdc = given_dc ? given_dc : static_cast<HDC>(window_->window);
  if (!hdc) return false;
  int width = static_cast<int>(std::min<uint32_t>(window_->width, 16384));
  int height = static_cast<int>(std::min<uint32_t>(window_->height, 16384));
  RECT area = {window_->x, window_->y, window_->x + width, window_->y + height};
  RECT dirty;
  if (given_dc && given_dirty) {
    dirty = *given_dirty;
  } else if (GetClipBox(hdc, &dirty) == NULLREGION) {
    return true;  // nothing visible to paint
  }
  RECT visible;
  if (!IntersectRect(&visible, &dirty, &area)) return true;
  if (!ensure_surface(width, height)) return false;

  render::IntRect clip{visible.left - window_->x, visible.top - window_->y,
                       visible.right - window_->x, visible.bottom - window_->y};
  int cw = clip.right - clip.left, ch = clip.bottom - clip.top;
  if (player_.options().transparent) {
    // The movie is drawn over what the host has there already.
    BitBlt(surface_dc_, clip.left, clip.top, cw, ch, hdc, visible.left, visible.top, SRCCOPY);
    GdiFlush();
    for (int y = clip.top; y < clip.bottom; ++y) {
      uint32_t* row = surface_pixels_ + static_cast<size_t>(y) * width;
      for (int x = clip.left; x < clip.right; ++x) row[x] |= 0xFF000000u;
    }
  } else {
    GdiFlush();
  }
  player_.render(canvas_, clip);
  BitBlt(hdc, visible.left, visible.top, cw, ch, surface_dc_, clip.left, clip.top, SRCCOPY);
  return true;
}

NPObject* PluginInstance::scriptable_object() {
  if (!scriptable_) scriptable_ = create_scriptable_object(npp_, &player_.callbacks(), this);
  if (scriptable_ && browser().retainobject) browser().retainobject(scriptable_);
  return scriptable_;
}

}  // namespace npfp
