// swfrender: plays a movie in our plug-in module through the host's own
// code (library, instance, windowless view drawing into an off-screen
// bitmap), lets it advance exactly N frames and writes the picture as PNG.
// Authors use it to preview a frame; tests use it to check the whole path.
//
// Frames: the first is shown when the movie arrives; each later one is a
// tick of the module's frame clock (a timer of its "npfpFrameClock" window
// on this thread). The tool counts those ticks as it dispatches them and
// holds back any after the N-th, so the picture is that of frame N whatever
// the machine's speed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "flashhost/player_drawing.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"
#include "flashhost/player_window.h"
#include "media/swf_header.h"
#include "render/render_job.h"

namespace {

using namespace flashhost;

int g_paints = 0;
bool g_transparent = false;

void counting_paint(PlayerView* view, const NPRect& rect) {
  ++g_paints;
  if (g_transparent)
    transparent_paint(view, rect);
  else
    opaque_paint(view, rect);
}

bool is_frame_clock(const MSG& message) {
  if (message.message != WM_TIMER || !message.hwnd) return false;
  char name[64] = {};
  GetClassNameA(message.hwnd, name, sizeof name);
  return std::string(name) == "npfpFrameClock";
}

std::string module_folder() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

// The view's picture as 0xAARRGGBB words, top row first.
bool read_pixels(PlayerView* view, int width, int height, std::vector<uint32_t>& out) {
  GdiFlush();
  out.assign(static_cast<size_t>(width) * height, 0);
  if (g_transparent) {
    // The composed picture's alpha with the colours of the rendering over
    // black, which are the premultiplied colours themselves (the composition
    // for layered windows derives them from the one over white, less exactly).
    if (!view->pixels1 || !view->pixels2) return false;
    for (size_t i = 0; i < out.size(); ++i)
      out[i] = (view->pixels1[i] & 0xFF000000u) | (view->pixels2[i] & 0x00FFFFFFu);
    return true;
  }
  if (!view->memory_dc1 || !view->bitmap1) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // GetDIBits wants the bitmap out of any context.
  HBITMAP spare = CreateCompatibleBitmap(view->memory_dc1, 1, 1);
  HGDIOBJ held = SelectObject(view->memory_dc1, spare);
  int rows = GetDIBits(view->memory_dc1, view->bitmap1, 0, static_cast<UINT>(height), out.data(),
                       &info, DIB_RGB_COLORS);
  SelectObject(view->memory_dc1, held);
  DeleteObject(spare);
  return rows == height;
}

int run(const swfrender::RenderOptions& options) {
  int width = options.width, height = options.height;
  if (width == 0 && !media::swf_frame_size(options.movie, width, height)) {
    std::fprintf(stderr, "swfrender: %s is no movie that can be read\n", options.movie.c_str());
    return 1;
  }
  if (width <= 0 || height <= 0) {
    std::fprintf(stderr, "swfrender: the movie has no area; give --width and --height\n");
    return 1;
  }

  std::string failure;
  std::string plugin = options.plugin.empty() ? module_folder() + "npfp.dll" : options.plugin;
  PlayerLibrary* library = PlayerLibrary::load(plugin, failure);
  if (!library) {
    std::fprintf(stderr, "swfrender: %s: %s\n", plugin.c_str(), failure.c_str());
    return 1;
  }
  set_current_library(library);

  g_transparent = options.transparent;
  PlayerView view = {};
  view.plugin_window.type = NPWindowTypeDrawable;
  view.event_sender = send_to_plugin;
  if (g_transparent)
    use_transparent_drawing(&view);
  else
    use_opaque_drawing(&view);
  view.paint = counting_paint;
  view_resize(&view, width, height);

  PlayerInstance* instance = create_instance(&view);
  view.instance = instance;
  set_parameter(instance, "src", options.movie);
  set_parameter(instance, "scale", options.scale);
  set_parameter(instance, "salign", options.align);
  set_parameter(instance, "quality", "high");
  if (g_transparent) set_parameter(instance, "wmode", "transparent");
  if (!options.background.empty()) set_parameter(instance, "bgcolor", options.background);

  int status = 0;
  if (!start(instance)) {
    std::fprintf(stderr, "swfrender: the module did not take %s\n", options.movie.c_str());
    status = 1;
  }
  int frames = g_paints > 0 ? 1 : 0;
  DWORD deadline = GetTickCount() + static_cast<DWORD>(options.timeout_seconds) * 1000;
  while (status == 0 && frames < options.frames) {
    if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
      std::fprintf(stderr, "swfrender: only %d of %d frames within %d s\n", frames, options.frames,
                   options.timeout_seconds);
      status = 1;
      break;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (frames < options.frames && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      bool tick = is_frame_clock(message);
      // Until the first frame is shown a tick is what shows it.
      DispatchMessageA(&message);
      if (tick || (frames == 0 && g_paints > 0)) ++frames;
    }
  }

  std::vector<uint32_t> pixels;
  if (status == 0) {
    // The whole area once more: ticks only repaint when the picture changed.
    view_refresh(&view);
    if (g_paints == 0 || !read_pixels(&view, width, height, pixels)) {
      std::fprintf(stderr, "swfrender: the module drew nothing\n");
      status = 1;
    }
  }
  destroy(instance);
  view.instance = nullptr;
  free_surfaces(&view);
  set_current_library(nullptr);
  PlayerLibrary::unload(library);

  if (status == 0 && !swfrender::write_png(
                         options.output, width, height,
                         swfrender::straight_rgba(pixels.data(), width, height, g_transparent))) {
    std::fprintf(stderr, "swfrender: cannot write %s\n", options.output.c_str());
    status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  swfrender::RenderOptions options;
  std::string error;
  if (!swfrender::parse_arguments(argc, argv, options, error)) {
    std::fprintf(stderr, "swfrender: %s\n%s", error.c_str(), swfrender::usage());
    return 2;
  }
  return run(options);
}
