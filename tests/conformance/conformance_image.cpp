// Plays every NAME.swf of a folder for a number of clock ticks, draws the
// frame at the movie's size and compares it with NAME.swf.png (every pixel,
// red, green, blue and alpha, within a tolerance of 3). Prints each result and
// how many pass, for all movies and apart for those that need no
// ActionScript (no DoAction, DoInitAction, button or clip actions) and those
// that do, since the image figure is about drawing. The script engine is
// attached as the plug-in attaches it. Each movie runs in a child process,
// so a crash or a hang counts as a failure instead of ending the run.
#include <dirent.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "avm1/engine.h"
#include "core/button.h"
#include "core/player.h"
#include "render/canvas.h"
#include "render/color.h"
#include "runner_host.h"

namespace {

constexpr int kTolerance = 3;
constexpr unsigned kSecondsPerMovie = 30;

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};

bool read_png(const std::string& path, Image& out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out.width = int(png_get_image_width(png, info));
    out.height = int(png_get_image_height(png, info));
    out.rgba.assign(size_t(out.width) * out.height * 4, 0);
    std::vector<png_bytep> rows(size_t(out.height));
    for (int y = 0; y < out.height; ++y) rows[size_t(y)] = &out.rgba[size_t(y) * out.width * 4];
    png_read_image(png, rows.data());
    ok = true;
  }
  png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
  std::fclose(file);
  return ok;
}

bool write_png(const std::string& path, const Image& image) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
      png_write_row(png, const_cast<png_bytep>(&image.rgba[size_t(y) * image.width * 4]));
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  std::fclose(file);
  return ok;
}

bool timeline_has_actions(const npfp::Timeline& timeline) {
  for (const npfp::Frame& frame : timeline.frames) {
    if (!frame.actions.empty() || !frame.init_actions.empty()) return true;
    for (const npfp::DisplayCommand& c : frame.commands)
      if (c.command.clip_actions && !c.command.clip_actions->empty()) return true;
  }
  return false;
}

// Whether anything in the movie would run ActionScript.
bool movie_has_actions(const npfp::Movie& movie) {
  if (!movie.init_actions.empty() || timeline_has_actions(movie.root)) return true;
  for (const auto& entry : movie.characters) {
    const npfp::Character& c = entry.second;
    if (c.timeline && timeline_has_actions(*c.timeline)) return true;
    if (c.kind == npfp::CharacterKind::button && c.body) {
      npfp::ButtonDefinition button;
      button.parse(c.tag_code, c.body->data(), c.body->size());
      if (button.has_actions()) return true;
    }
  }
  return false;
}

// Plays the movie and draws it at width x height; false when it is no movie.
// Tells pipe_fd whether the movie has actions before it plays it, so that
// a movie that then crashes still counts in its group.
bool play(const std::string& path, int ticks, int width, int height, Image& out, int pipe_fd) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  npfp::Player player;
  player.feed(bytes.data(), bytes.size());
  player.finish_stream();
  if (!player.has_header()) return false;
  int has_actions = movie_has_actions(player.movie()) ? 1 : 0;
  ssize_t written = write(pipe_fd, &has_actions, sizeof has_actions);
  (void)written;
  // Attached before the first frame, as the plug-in does, so the scripts
  // run; trace output is dropped.
  conformance::RunnerHost host;
  avm1::Engine engine(player, host);
  double interval = 1000.0 / player.frame_rate();
  for (int i = 0; i < ticks && !host.quit; ++i) {
    player.advance();
    host.clock += interval;
  }
  render::Canvas canvas(width, height);
  player.render(canvas, canvas.bounds());
  out.width = width;
  out.height = height;
  out.rgba.resize(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      render::Rgba c = render::unpremultiply(canvas.pixel(x, y));
      uint8_t* p = &out.rgba[(size_t(y) * width + x) * 4];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
      p[3] = c.a;
    }
  return true;
}

long count_mismatches(const Image& a, const Image& b) {
  long bad = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4)
    for (int c = 0; c < 4; ++c)
      if (std::abs(int(a.rgba[i + c]) - int(b.rgba[i + c])) > kTolerance) {
        ++bad;
        break;
      }
  return bad;
}

// Child process: 0 pass, 1 mismatch, 2 not played; writes to pipe_fd
// whether the movie has actions, then the mismatch count.
int run_one(const std::string& folder, const std::string& name, int ticks,
            const std::string& out_dir, int pipe_fd) {
  Image expected, actual;
  if (!read_png(folder + "/" + name + ".png", expected) ||
      !play(folder + "/" + name, ticks, expected.width, expected.height, actual, pipe_fd))
    return 2;
  long mismatches = count_mismatches(expected, actual);
  ssize_t written = write(pipe_fd, &mismatches, sizeof mismatches);
  (void)written;
  if (mismatches != 0 && !out_dir.empty()) write_png(out_dir + "/" + name + ".actual.png", actual);
  return mismatches == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = "/work/shared/swf-tests/image", out_dir;
  int ticks = 10;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--ticks" && i + 1 < argc) {
      ticks = std::atoi(argv[++i]);
    } else if (arg == "--out" && i + 1 < argc) {
      out_dir = argv[++i];
    } else if (arg == "--verbose") {
      verbose = true;
    } else {
      folder = arg;
    }
  }
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    std::printf("conformance: no folder %s, nothing to compare\n", folder.c_str());
    return 0;
  }
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".swf") == 0) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  if (!out_dir.empty()) mkdir(out_dir.c_str(), 0755);

  int passed = 0, mismatched = 0, broken = 0;
  // [0] movies that need no ActionScript, [1] those that do.
  int group_total[2] = {0, 0}, group_passed[2] = {0, 0};
  for (const std::string& name : names) {
    int fds[2];
    if (pipe(fds) != 0) return 2;
    pid_t child = fork();
    if (child == 0) {
      close(fds[0]);
      alarm(kSecondsPerMovie);
      _exit(run_one(folder, name, ticks, out_dir, fds[1]));
    }
    close(fds[1]);
    // A movie that crashed before it was read counts with the action-free
    // ones: nothing shows that it needs scripts.
    int group = 0;
    long mismatches = -1;
    if (read(fds[0], &group, sizeof group) != sizeof group || group != 1) group = 0;
    if (read(fds[0], &mismatches, sizeof mismatches) != sizeof mismatches) mismatches = -1;
    ++group_total[group];
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const char* verdict;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      ++passed;
      ++group_passed[group];
      verdict = "pass";
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 1) {
      ++mismatched;
      verdict = "differs";
    } else {
      ++broken;
      verdict = WIFSIGNALED(status) ? "crashed or timed out" : "not played";
    }
    const char* kind = group ? "actions" : "no-actions";
    if (verbose || std::strcmp(verdict, "pass") != 0) {
      if (mismatches > 0)
        std::printf("%-48s %-10s %s (%ld pixels)\n", name.c_str(), kind, verdict, mismatches);
      else
        std::printf("%-48s %-10s %s\n", name.c_str(), kind, verdict);
    }
  }
  std::printf(
      "conformance: %d of %zu image movies pass (%d differ, %d not played or crashed), "
      "%d ticks, tolerance %d\n",
      passed, names.size(), mismatched, broken, ticks, kTolerance);
  for (int group = 0; group < 2; ++group)
    std::printf("conformance: %s: %d of %d pass (%.1f%%)\n",
                group ? "movies with ActionScript" : "movies without ActionScript",
                group_passed[group], group_total[group],
                group_total[group] ? 100.0 * group_passed[group] / group_total[group] : 0.0);
  return 0;
}
