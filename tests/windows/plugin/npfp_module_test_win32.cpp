// npfp.dll driven through its NPAPI tables by a small test host: exports
// and tables, drawing into a memory DC on a paint event (background,
// shapes, clip region, transparency, scale), the frame clock's repaint
// requests, the scriptable object and the trace file.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

#include "npfp_host_win32.h"
#include "support/temp_dir.h"
#include "swfwriter/swf_writer.h"

namespace {

using npfp_test::Instance;
using npfp_test::PluginModule;
using npfp_test::Surface;
using swfwriter::Matrix;
using swfwriter::Placement;

swfwriter::ShapeBuilder square(int32_t x0, int32_t y0, int32_t x1, int32_t y1, swfwriter::Rgba c) {
  swfwriter::ShapeBuilder s;
  int fill = s.add_fill(swfwriter::FillStyle::solid(c));
  s.rectangle(x0, y0, x1, y1, fill);
  return s;
}

// 64 x 48 pixels, background (10, 20, 30), a red square from (8, 8) to
// (24, 24); `frames` frames in which the square moves one pixel right.
std::vector<uint8_t> test_movie(int frames, double rate = 30) {
  swfwriter::Movie m;
  m.width_twips = 64 * 20;
  m.height_twips = 48 * 20;
  m.frame_rate = rate;
  m.frame_count = static_cast<uint16_t>(frames);
  m.set_background_color({10, 20, 30, 255});
  m.define_shape(1, square(0, 0, 320, 320, {255, 0, 0, 255}));
  for (int f = 0; f < frames; ++f) {
    Matrix at = Matrix::translation(160 + 20 * f, 160);
    m.place(f == 0 ? Placement::place(1, 1, at) : Placement::move_to(1, at));
    m.show_frame();
  }
  return m.finish(true);
}

const uint32_t kMovieBackground = 0x0A141E;
const uint32_t kRed = 0xFF0000;

bool close_to(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 3) return false;
  return true;
}

std::string hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(v));
  return text;
}

TEST(NpfpModule, ExportsAndTables) {
  PluginModule module;
  ASSERT_TRUE(module.loaded());
  EXPECT_EQ(module.entry_points_result(), NPERR_NO_ERROR);
  EXPECT_EQ(module.initialize_result(), NPERR_NO_ERROR);
  const NPPluginFuncs& f = module.funcs();
  EXPECT_EQ(f.size, 60);
  for (void* entry : {reinterpret_cast<void*>(f.newp), reinterpret_cast<void*>(f.destroy),
                      reinterpret_cast<void*>(f.setwindow), reinterpret_cast<void*>(f.newstream),
                      reinterpret_cast<void*>(f.destroystream), reinterpret_cast<void*>(f.asfile),
                      reinterpret_cast<void*>(f.writeready), reinterpret_cast<void*>(f.write),
                      reinterpret_cast<void*>(f.event), reinterpret_cast<void*>(f.urlnotify),
                      reinterpret_cast<void*>(f.getvalue)})
    EXPECT_NE(entry, nullptr);
  EXPECT_NE(GetProcAddress(module.module(), "NP_Shutdown"), nullptr);

  // A table too small for the entries is refused, not overrun.
  auto entry_points = npfp_test::entry<NP_GetEntryPointsFunc>(module.module(), "NP_GetEntryPoints");
  NPPluginFuncs small = {};
  small.size = 40;
  EXPECT_NE(entry_points(&small), NPERR_NO_ERROR);
  EXPECT_EQ(small.newp, nullptr);
  EXPECT_NE(entry_points(nullptr), NPERR_NO_ERROR);
}

TEST(NpfpModule, PaintShowsTheFirstFrameOnTheParameterColour) {
  PluginModule module;
  ASSERT_TRUE(module.loaded());
  Instance in(module, {{"src", "movie.swf"}, {"bgcolor", "#996633"}, {"scale", "showall"}});
  ASSERT_EQ(in.new_result(), NPERR_NO_ERROR);
  Surface surface(128, 48);  // twice as wide as the movie: letterboxed left and right
  surface.fill(0x00FF00FF);
  ASSERT_EQ(in.set_window(surface), NPERR_NO_ERROR);
  std::vector<uint8_t> movie = test_movie(1);
  EXPECT_EQ(in.stream("file:///movie.swf", movie), movie.size());
  for (int32_t r : in.write_results) EXPECT_GT(r, 0);
  EXPECT_EQ(in.paint(), kNPEventHandled);
  // The movie spans x 32..96: the square sits at (40..56, 8..24).
  EXPECT_TRUE(close_to(surface.pixel(5, 5), 0x996633)) << hex(surface.pixel(5, 5));
  EXPECT_TRUE(close_to(surface.pixel(35, 5), 0x996633)) << hex(surface.pixel(35, 5));
  EXPECT_TRUE(close_to(surface.pixel(48, 16), kRed)) << hex(surface.pixel(48, 16));
  EXPECT_TRUE(close_to(surface.pixel(120, 40), 0x996633));
}

TEST(NpfpModule, PaintKeepsToTheClipRegionAndUsesTheMovieBackground) {
  PluginModule module;
  Instance in(module, {{"src", "movie.swf"}, {"scale", "exactfit"}});
  Surface surface(64, 48);
  surface.fill(0x00123456);
  in.set_window(surface);
  in.stream("movie.swf", test_movie(1));
  HRGN left = CreateRectRgn(0, 0, 20, 48);
  SelectClipRgn(surface.dc(), left);
  DeleteObject(left);
  EXPECT_EQ(in.paint(), kNPEventHandled);
  EXPECT_TRUE(close_to(surface.pixel(2, 2), kMovieBackground)) << hex(surface.pixel(2, 2));
  EXPECT_TRUE(close_to(surface.pixel(10, 10), kRed));
  EXPECT_EQ(surface.pixel(22, 10), 0x123456u);  // square, but outside the clip
  EXPECT_EQ(surface.pixel(50, 40), 0x123456u);

  // The browser style of paint event: the DC in wParam, the dirty RECT in lParam.
  SelectClipRgn(surface.dc(), nullptr);
  RECT dirty = {40, 0, 64, 48};
  EXPECT_EQ(in.send(WM_PAINT, reinterpret_cast<uintptr_t>(surface.dc()),
                    reinterpret_cast<uintptr_t>(&dirty)),
            kNPEventHandled);
  EXPECT_TRUE(close_to(surface.pixel(50, 40), kMovieBackground));
  EXPECT_EQ(surface.pixel(30, 40), 0x123456u);
}

TEST(NpfpModule, TransparentModeLeavesTheHostPixels) {
  PluginModule module;
  Instance in(module, {{"src", "movie.swf"}, {"wmode", "transparent"}, {"scale", "exactfit"}});
  Surface surface(64, 48);
  surface.fill(0x00FFFFFF);
  in.set_window(surface);
  in.stream("movie.swf", test_movie(1));
  in.paint();
  EXPECT_EQ(surface.pixel(2, 2), 0xFFFFFFu);
  EXPECT_TRUE(close_to(surface.pixel(10, 10), kRed));
  surface.fill(0x00000000);
  in.paint();
  EXPECT_EQ(surface.pixel(2, 2), 0x000000u);
  EXPECT_TRUE(close_to(surface.pixel(10, 10), kRed));
}

TEST(NpfpModule, ClockRequestsOneRepaintPerChangedFrame) {
  PluginModule module;
  npfp_test::BrowserRecord& record = npfp_test::browser_record();
  {
    Instance in(module, {{"src", "movie.swf"}});
    Surface surface(64, 48);
    in.set_window(surface);
    int before = record.invalidations;
    in.stream("movie.swf", test_movie(5, 30));
    // The first frame asks for a paint as soon as it has arrived.
    EXPECT_EQ(record.invalidations, before + 1);
    EXPECT_EQ(record.last_invalidated.right, 64);
    EXPECT_EQ(record.last_invalidated.bottom, 48);
    npfp_test::pump_messages(700);
    // About 20 ticks at 30 frames per second, every one a changed frame.
    int requests = record.invalidations - before;
    EXPECT_GE(requests, 6);
    EXPECT_LE(requests, 30);
  }
  {
    // A one-frame movie changes once: no repaints after the first.
    Instance in(module, {{"src", "still.swf"}});
    Surface surface(64, 48);
    in.set_window(surface);
    int before = record.invalidations;
    in.stream("still.swf", test_movie(1, 60));
    npfp_test::pump_messages(300);
    EXPECT_EQ(record.invalidations - before, 1);
  }
}

TEST(NpfpModule, ShutdownTakesTheClockClassAwaySoTheModuleCanBeUnloaded) {
  PluginModule module;
  ASSERT_TRUE(module.loaded());
  {
    Instance in(module, {{"src", "movie.swf"}});
    Surface surface(64, 48);
    in.set_window(surface);
    in.stream("movie.swf", test_movie(3));
    WNDCLASSA wc;
    EXPECT_TRUE(GetClassInfoA(module.module(), "npfpFrameClock", &wc));
  }
  auto shutdown = npfp_test::entry<NP_ShutdownFunc>(module.module(), "NP_Shutdown");
  ASSERT_NE(shutdown, nullptr);
  EXPECT_EQ(shutdown(), NPERR_NO_ERROR);
  WNDCLASSA wc;
  EXPECT_FALSE(GetClassInfoA(module.module(), "npfpFrameClock", &wc));
  // Loaded again (the test holds the only reference), it plays again.
  ASSERT_TRUE(FreeLibrary(module.module()));
  PluginModule again;
  ASSERT_TRUE(again.loaded());
  npfp_test::BrowserRecord& record = npfp_test::browser_record();
  Instance in(again, {{"src", "movie.swf"}});
  Surface surface(64, 48);
  in.set_window(surface);
  int before = record.invalidations;
  in.stream("movie.swf", test_movie(3));
  npfp_test::pump_messages(300);
  EXPECT_GE(record.invalidations - before, 3);
}

TEST(NpfpModule, DataThatIsNoMovieStopsTheStream) {
  PluginModule module;
  Instance in(module, {{"src", "x.gif"}});
  Surface surface(16, 16);
  in.set_window(surface);
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0};
  in.stream("x.gif", gif);
  ASSERT_FALSE(in.write_results.empty());
  EXPECT_LT(in.write_results.back(), 0);
  surface.fill(0x00010203);
  EXPECT_EQ(in.paint(), kNPEventHandled);
  EXPECT_EQ(surface.pixel(8, 8), 0xFFFFFFu);  // the stage colour alone
}

TEST(NpfpModule, ScriptableObjectIsRetainedForTheHostAndFreedAfterDestroy) {
  PluginModule module;
  npfp_test::BrowserRecord& record = npfp_test::browser_record();
  int created = record.objects_created, freed = record.objects_freed;
  NPObject* object = nullptr;
  {
    Instance in(module, {{"src", "movie.swf"}});
    ASSERT_EQ(module.funcs().getvalue(in.npp(), NPPVpluginScriptableNPObject, &object),
              NPERR_NO_ERROR);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(record.objects_created, created + 1);
    EXPECT_EQ(object->referenceCount, 2u);  // the instance's and the host's
    ASSERT_NE(object->_class, nullptr);
    NPIdentifier name = module.browser_table().getstringidentifier("notPublished");
    EXPECT_FALSE(object->_class->hasMethod(object, name));
    NPVariant result = {};
    EXPECT_FALSE(object->_class->invoke(object, name, nullptr, 0, &result));
    // Asking again hands out the same object once more.
    NPObject* again = nullptr;
    module.funcs().getvalue(in.npp(), NPPVpluginScriptableNPObject, &again);
    EXPECT_EQ(again, object);
    module.browser_table().releaseobject(again);
    module.browser_table().releaseobject(object);  // the host lets go before NPP_Destroy
    EXPECT_EQ(record.objects_freed, freed);
  }
  EXPECT_EQ(record.objects_freed, freed + 1);
  EXPECT_NE(module.funcs().getvalue(nullptr, NPPVpluginScriptableNPObject, &object),
            NPERR_NO_ERROR);
}

TEST(NpfpModule, MouseOverAButtonIsTakenAndRepaints) {
  // A button whose square (8..24, 8..24 px) turns from red to green under the mouse.
  swfwriter::Movie m;
  m.width_twips = 64 * 20;
  m.height_twips = 48 * 20;
  m.define_shape(1, square(0, 0, 320, 320, {255, 0, 0, 255}));
  m.define_shape(2, square(0, 0, 320, 320, {0, 255, 0, 255}));
  std::vector<swfwriter::ButtonPart> parts(3);
  parts[0] = {1, 1, 1, Matrix(), {}};
  parts[1] = {2 | 4, 2, 2, Matrix(), {}};
  parts[2] = {8, 1, 3, Matrix(), {}};
  m.define_button(3, parts, false);
  m.place(Placement::place(3, 1, Matrix::translation(160, 160)));
  m.show_frame();

  PluginModule module;
  npfp_test::BrowserRecord& record = npfp_test::browser_record();
  Instance in(module, {{"src", "button.swf"}, {"scale", "noscale"}, {"salign", "tl"}});
  Surface surface(64, 48);
  in.set_window(surface);
  in.stream("button.swf", m.finish());
  in.paint();
  EXPECT_TRUE(close_to(surface.pixel(16, 16), kRed));
  int before = record.invalidations;
  EXPECT_EQ(in.send(WM_MOUSEMOVE, 0, MAKELPARAM(40, 40)), kNPEventNotHandled);
  EXPECT_EQ(record.invalidations, before);
  EXPECT_EQ(in.send(WM_MOUSEMOVE, 0, MAKELPARAM(16, 16)), kNPEventHandled);
  EXPECT_EQ(record.invalidations, before + 1);
  in.paint();
  EXPECT_TRUE(close_to(surface.pixel(16, 16), 0x00FF00)) << hex(surface.pixel(16, 16));
  EXPECT_EQ(in.send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(16, 16)), kNPEventHandled);
  EXPECT_EQ(in.send(WM_KEYDOWN, 'A', 0), kNPEventNotHandled);
}

std::vector<std::string> read_lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool has_line(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& l : lines)
    if (l.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

TEST(NpfpModule, TraceFileRecordsEveryCall) {
  testing_support::TempDir dir;
  std::string trace = dir.file("trace.txt");
  SetEnvironmentVariableA("NPFP_TRACE", trace.c_str());
  std::vector<uint8_t> movie = test_movie(2);
  {
    PluginModule module;
    Instance in(module, {{"src", "C:\\movies\\a.swf"}, {"quality", "high"}, {"menu", "false"}});
    Surface surface(64, 48);
    in.set_window(surface);
    in.stream("file:///C:/movies/a.swf", movie);
    in.paint();
    in.send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  }
  SetEnvironmentVariableA("NPFP_TRACE", nullptr);
  std::vector<std::string> lines = read_lines(trace);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(has_line(lines, "Flash_DisableLocalSecurity"));
  EXPECT_TRUE(has_line(lines, "NP_GetEntryPoints size=60"));
  EXPECT_TRUE(has_line(lines, "NP_Initialize size=164 version=14"));
  EXPECT_TRUE(has_line(lines,
                       "NPP_New mime=application/x-shockwave-flash mode=1 argc=3 "
                       "src=C:\\movies\\a.swf quality=high menu=false"));
  EXPECT_TRUE(has_line(lines, "NPP_SetWindow x=0 y=0 w=64 h=48 type=2"));
  EXPECT_TRUE(has_line(
      lines, "NPP_NewStream url=file:///C:/movies/a.swf end=" + std::to_string(movie.size())));
  EXPECT_TRUE(has_line(lines, "NPP_WriteReady -> 65536"));
  EXPECT_TRUE(has_line(lines, "NPP_Write offset=0 len=" + std::to_string(movie.size())));
  EXPECT_TRUE(has_line(lines, "NPP_DestroyStream url=file:///C:/movies/a.swf reason=0"));
  EXPECT_TRUE(has_line(lines, "NPP_HandleEvent event=0x000F wParam=0x0 lParam=0x0 -> 1"));
  EXPECT_TRUE(has_line(lines, "NPP_HandleEvent event=0x0201 wParam=0x1 lParam=0x14000A -> 0"));
  EXPECT_EQ(lines.back(), "NPP_Destroy");
}

TEST(NpfpModule, LargeMovieArrivesInPacedPieces) {
  // A movie of more than 64 KiB: the host writes no more than each
  // WriteReady answer, so it comes in several pieces.
  swfwriter::Movie m;
  m.width_twips = 64 * 20;
  m.height_twips = 48 * 20;
  std::vector<swfwriter::Rgba> noise;
  uint32_t seed = 12345;
  for (int i = 0; i < 200 * 200; ++i) {
    seed = seed * 1103515245u + 12345u;
    noise.push_back({static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
                     static_cast<uint8_t>(seed >> 8), 255});
  }
  m.define_bits_lossless(1, 200, 200, noise, false);
  m.define_shape(2, square(0, 0, 640, 640, {0, 0, 255, 255}));
  m.place(Placement::place(2, 1));
  m.show_frame();
  std::vector<uint8_t> movie = m.finish(false);
  ASSERT_GT(movie.size(), 65536u * 2);

  PluginModule module;
  Instance in(module, {{"src", "big.swf"}, {"scale", "noscale"}, {"salign", "tl"}});
  Surface surface(64, 48);
  in.set_window(surface);
  EXPECT_EQ(in.stream("big.swf", movie), movie.size());
  EXPECT_GE(in.write_results.size(), 3u);
  for (int32_t r : in.write_results) EXPECT_LE(r, 65536);
  in.paint();
  EXPECT_TRUE(close_to(surface.pixel(10, 10), 0x0000FF)) << hex(surface.pixel(10, 10));
  EXPECT_TRUE(close_to(surface.pixel(40, 40), 0xFFFFFF)) << hex(surface.pixel(40, 40));
}

}  // namespace
