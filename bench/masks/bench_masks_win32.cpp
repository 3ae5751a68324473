// Mask regions: the row-run method on a full-HD mask with half of its pixels
// white (target under 50 ms), and the run method beside the per-pixel method
// on a smaller mask, whose cost grows with every white pixel. Also the
// worst case for runs (a checkerboard), for information.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "media/mask_region_win32.h"

namespace {

// Half of the pixels white in shapes a mask is made of: a white field with
// a kept ellipse, a band of kept stripes and a speckled corner.
media::MaskImage half_white_mask(int32_t width, int32_t height) {
  media::MaskImage m;
  m.width = width;
  m.height = height;
  m.bits_per_pixel = 24;
  m.pixels.assign(static_cast<size_t>(width) * height * 3, 255);
  std::mt19937 random(7);
  const double cx = width / 2.0, cy = height / 2.0;
  const double rx = width * 0.36, ry = height * 0.36;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const double dx = (x - cx) / rx, dy = (y - cy) / ry;
      bool kept = dx * dx + dy * dy < 1.0;
      if (y < height / 8) kept = (x / 4) % 2 == 0;                   // stripes
      if (y > height * 7 / 8 && x < width / 8) kept = random() % 2;  // speckles
      if (kept) {
        uint8_t* p = &m.pixels[(static_cast<size_t>(y) * width + x) * 3];
        p[0] = p[1] = p[2] = 0;
      }
    }
  }
  return m;
}

double white_share(const media::MaskImage& m) {
  size_t white = 0;
  for (size_t i = 0; i < m.pixels.size(); i += 3) white += m.pixels[i] == 255;
  return static_cast<double>(white) / (m.pixels.size() / 3);
}

template <typename Build>
double time_ms(Build build, const media::MaskImage& m, int repeats, HRGN* keep) {
  double best = 1e30;
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    HRGN region = build(m);
    const auto end = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
    if (keep && i == repeats - 1) {
      *keep = region;
    } else if (region) {
      DeleteObject(region);
    }
  }
  return best;
}

}  // namespace

int main() {
  const media::MaskImage full = half_white_mask(1920, 1080);
  const size_t runs = media::kept_row_runs(full).size();
  HRGN region = nullptr;
  const double full_ms = time_ms(media::region_from_runs, full, 5, &region);
  RECT box{};
  const int kind = region ? GetRgnBox(region, &box) : 0;
  if (region) DeleteObject(region);
  std::printf("masks: 1920x1080, %.1f%% white, %zu runs: run method %.2f ms (target < 50 ms)%s\n",
              white_share(full) * 100, runs, full_ms,
              kind == COMPLEXREGION ? "" : " REGION FAILED");

  const auto runs_start = std::chrono::steady_clock::now();
  const size_t runs_again = media::kept_row_runs(full).size();
  const double runs_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - runs_start)
          .count();
  std::printf("masks: of which finding the %zu runs %.2f ms\n", runs_again, runs_ms);

  // The worst case for runs: every other pixel white, one run per kept pixel.
  media::MaskImage checker = full;
  for (int32_t y = 0; y < checker.height; ++y) {
    for (int32_t x = 0; x < checker.width; ++x) {
      const uint8_t v = (x + y) % 2 ? 255 : 0;
      uint8_t* p = &checker.pixels[(static_cast<size_t>(y) * checker.width + x) * 3];
      p[0] = p[1] = p[2] = v;
    }
  }
  const double checker_ms = time_ms(media::region_from_runs, checker, 1, nullptr);
  std::printf("masks: 1920x1080 checkerboard, %zu runs: run method %.1f ms (no target)\n",
              media::kept_row_runs(checker).size(), checker_ms);

  const media::MaskImage small = half_white_mask(320, 180);
  HRGN by_runs = nullptr, by_pixels = nullptr;
  const double small_runs_ms = time_ms(media::region_from_runs, small, 5, &by_runs);
  const double small_pixels_ms = time_ms(media::region_per_pixel, small, 1, &by_pixels);
  const bool same = by_runs && by_pixels && EqualRgn(by_runs, by_pixels);
  if (by_runs) DeleteObject(by_runs);
  if (by_pixels) DeleteObject(by_pixels);
  std::printf("masks: 320x180, %.1f%% white: run method %.2f ms, per-pixel method %.1f ms (%s)\n",
              white_share(small) * 100, small_runs_ms, small_pixels_ms,
              same ? "same region" : "REGIONS DIFFER");
  return kind == COMPLEXREGION && same ? 0 : 1;
}
