// Frames of real movies through the host and npfp.dll at 1920 x 1080 (the
// same windowless path the saver uses: library, instance, view drawing into
// an off-screen bitmap). Two movies: the demo movie and a scene of 500
// overlapping shapes in a sprite that moves every frame. For each:
//   - as fast as possible: each frame a tick of the module's frame clock
//     (sent to its clock window) and the repaint it asks for; frames per
//     second and CPU time per frame;
//   - at the movie's own rate for three seconds: the frames painted and the
//     share of one core used (target for the demo: its 30 fps under half a
//     core).
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "flashhost/player_drawing.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/player_view.h"
#include "flashhost/player_window.h"
#include "swfwriter/swf_writer.h"

namespace {

using namespace flashhost;

const int kWidth = 1920, kHeight = 1080;
int g_paints = 0;

void counting_paint(PlayerView* view, const NPRect& rect) {
  ++g_paints;
  opaque_paint(view, rect);
}

std::string windows_path(const char* linux_path) {
  std::string path = std::string("Z:") + linux_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string temp_file(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "bench_movie_frames_" + std::to_string(GetCurrentProcessId()) + "_" +
         name;
}

double cpu_seconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
  };
  return value(kernel) + value(user);
}

double wall_seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart) / double(frequency.QuadPart);
}

bool make_demo_movie(const std::string& path) {
  std::string line = "\"" + windows_path(MAKE_DEMO_MOVIE_PATH) + "\" \"" + path + "\"";
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, 30000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code == 0;
}

// 500 overlapping ellipses and rectangles (solid, translucent, linear and
// radial gradients, some outlined) in one sprite that moves each frame.
bool make_shapes_movie(const std::string& path) {
  swfwriter::Movie m;
  m.width_twips = kWidth * 20;
  m.height_twips = kHeight * 20;
  m.frame_rate = 30;
  m.frame_count = 60;
  m.set_background_color({255, 255, 255, 255});
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> x(0, kWidth * 20), y(0, kHeight * 20), size(400, 6000),
      byte(0, 255);
  swfwriter::TagStream sprite;
  for (int i = 0; i < 500; ++i) {
    swfwriter::ShapeBuilder s;
    int cx = x(rng), cy = y(rng), r = size(rng);
    swfwriter::Rgba c1{uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng)), 255};
    swfwriter::Rgba c2{uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng)), 200};
    swfwriter::Matrix box = swfwriter::FillStyle::gradient_box(cx - r, cy - r, cx + r, cy + r);
    int fill = i % 3 == 1   ? s.add_fill(swfwriter::FillStyle::linear(box, {{0, c1}, {255, c2}}))
               : i % 3 == 2 ? s.add_fill(swfwriter::FillStyle::radial(box, {{0, c1}, {255, c2}}))
                            : s.add_fill(swfwriter::FillStyle::solid(
                                  {c1.r, c1.g, c1.b, uint8_t(128 + byte(rng) / 2)}));
    int line = i % 5 == 0 ? s.add_line({60, {0, 0, 0, 255}}) : 0;
    if (i % 2 == 0)
      s.circle(cx, cy, r, fill, line);
    else
      s.rectangle(cx - r, cy - r, cx + r, cy + r, fill, line);
    m.define_shape(uint16_t(10 + i), s);
    sprite.place(swfwriter::Placement::place(uint16_t(10 + i), uint16_t(1 + i)));
  }
  sprite.show_frame();
  m.define_sprite(2, 1, sprite);
  for (int f = 0; f < 60; ++f) {
    swfwriter::Matrix at = swfwriter::Matrix::translation((f % 10) * 40, (f % 6) * 40);
    m.place(f == 0 ? swfwriter::Placement::place(2, 1, at) : swfwriter::Placement::move_to(1, at));
    m.show_frame();
  }
  return swfwriter::write_file(path, m.finish(true));
}

// Dispatches what is queued; a clock that is always due (frames slower than
// its rate) returns at `until` all the same.
void pump(double until = 0) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageA(&message);
    if (until > 0 && wall_seconds() >= until) break;
  }
}

void run(const char* label, const std::string& movie, double rate) {
  PlayerView view = {};
  view.plugin_window.type = NPWindowTypeDrawable;
  view.event_sender = send_to_plugin;
  use_opaque_drawing(&view);
  view.paint = counting_paint;
  view_resize(&view, kWidth, kHeight);
  PlayerInstance* instance = create_instance(&view);
  view.instance = instance;
  set_parameter(instance, "src", movie);
  set_parameter(instance, "scale", "showall");
  set_parameter(instance, "salign", "");
  g_paints = 0;
  if (!start(instance)) {
    std::printf("bench movie frames %s: the module did not start\n", label);
    destroy(instance);
    free_surfaces(&view);
    return;
  }
  pump(wall_seconds() + 0.5);
  HWND clock = FindWindowExA(HWND_MESSAGE, nullptr, "npfpFrameClock", nullptr);
  if (!clock) {
    std::printf("bench movie frames %s: no frame clock\n", label);
  } else {
    const int frames = 120;
    int paints_before = g_paints;
    double cpu0 = cpu_seconds(), wall0 = wall_seconds();
    for (int i = 0; i < frames; ++i) SendMessageA(clock, WM_TIMER, 1, 0);
    GdiFlush();
    double cpu = cpu_seconds() - cpu0, wall = wall_seconds() - wall0;
    std::printf(
        "bench movie frames %s: %d ticks at %dx%d, %d repaints: %.1f frames per second, "
        "%.1f ms CPU per frame, %.0f%% of one core at %.0f fps\n",
        label, frames, kWidth, kHeight, g_paints - paints_before, frames / wall,
        cpu * 1000 / frames, cpu / frames * rate * 100, rate);
  }
  // Its own pace: the module's clock, this thread waiting for messages.
  int paints_before = g_paints;
  double cpu0 = cpu_seconds(), wall0 = wall_seconds(), wall = 0;
  while ((wall = wall_seconds() - wall0) < 3.0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    pump(wall0 + 3.0);
  }
  double cpu = cpu_seconds() - cpu0;
  double fps = (g_paints - paints_before) / wall;
  std::printf(
      "bench movie frames %s: at its own rate (%.0f fps) for %.1f s: %.1f frames per second, "
      "%.0f%% of one core%s\n",
      label, rate, wall, fps, cpu / wall * 100,
      fps >= rate * 0.9 && cpu / wall < 0.5 ? " (holds its rate under half a core)"
                                            : " (does NOT hold its rate under half a core)");
  destroy(instance);
  view.instance = nullptr;
  free_surfaces(&view);
}

}  // namespace

int main() {
  std::string failure;
  PlayerLibrary* library = PlayerLibrary::load(windows_path(NPFP_DLL_PATH), failure);
  if (!library) {
    std::printf("bench movie frames: %s\n", failure.c_str());
    return 1;
  }
  set_current_library(library);
  std::string demo = temp_file("demo.swf"), shapes = temp_file("shapes.swf");
  if (!make_demo_movie(demo) || !make_shapes_movie(shapes)) {
    std::printf("bench movie frames: cannot write the movies\n");
    return 1;
  }
  run("demo", demo, 30);
  run("500 shapes", shapes, 30);
  set_current_library(nullptr);
  PlayerLibrary::unload(library);
  DeleteFileA(demo.c_str());
  DeleteFileA(shapes.c_str());
  return 0;
}
