// Window regions from mask images.
#include "media/mask_region_win32.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace media {

namespace {

// Wine's ExtCreateRegion adds its rectangles one union at a time, which costs
// the square of their number; so the runs go in as blocks of this many
// rectangles, each one ExtCreateRegion call, and the blocks are joined
// pairwise (each join is linear in the two sizes).
constexpr size_t kRectsPerBlock = 16;

HRGN region_from_rects(const RECT* rects, size_t count) {
  std::vector<char> data(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
  RGNDATAHEADER header{};
  header.dwSize = sizeof header;
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(count);
  header.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
  if (count > 0) {
    // Rows come top to bottom, so the first and the last give the height.
    header.rcBound = {rects[0].left, rects[0].top, rects[0].right, rects[count - 1].bottom};
    for (size_t i = 1; i < count; ++i) {
      header.rcBound.left = std::min(header.rcBound.left, rects[i].left);
      header.rcBound.right = std::max(header.rcBound.right, rects[i].right);
    }
    std::memcpy(data.data() + sizeof header, rects, count * sizeof(RECT));
  }
  std::memcpy(data.data(), &header, sizeof header);
  return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                         reinterpret_cast<const RGNDATA*>(data.data()));
}

}  // namespace

HRGN region_from_runs(const MaskImage& mask) {
  if (mask.width < 0 || mask.height < 0) return nullptr;
  // One rectangle per run, one band per row, top to bottom and left to right:
  // the order region data keep their rectangles in.
  std::vector<RECT> rects;
  for (const RowRun& run : kept_row_runs(mask)) {
    rects.push_back({run.left, run.y, run.right, run.y + 1});
  }
  if (rects.size() <= kRectsPerBlock) return region_from_rects(rects.data(), rects.size());

  std::vector<HRGN> level;
  for (size_t start = 0; start < rects.size(); start += kRectsPerBlock) {
    HRGN block =
        region_from_rects(rects.data() + start, std::min(kRectsPerBlock, rects.size() - start));
    if (!block) {
      for (HRGN r : level) DeleteObject(r);
      return nullptr;
    }
    level.push_back(block);
  }
  bool ok = true;
  while (level.size() > 1) {
    std::vector<HRGN> next;
    for (size_t i = 0; i < level.size(); i += 2) {
      if (i + 1 < level.size()) {
        ok = ok && CombineRgn(level[i], level[i], level[i + 1], RGN_OR) != ERROR;
        DeleteObject(level[i + 1]);
      }
      next.push_back(level[i]);
    }
    level.swap(next);
  }
  if (!ok) {
    DeleteObject(level[0]);
    return nullptr;
  }
  return level[0];
}

HRGN region_per_pixel(const MaskImage& mask) {
  if (mask.width < 0 || mask.height < 0) return nullptr;
  HRGN region = CreateRectRgn(0, 0, mask.width, mask.height);
  if (!region) return nullptr;
  for (int32_t y = 0; y < mask.height; ++y) {
    for (int32_t x = 0; x < mask.width; ++x) {
      if (!is_key_pixel(mask, x, y, 255, 255, 255)) continue;
      HRGN pixel = CreateRectRgn(x, y, x + 1, y + 1);
      if (!pixel) continue;
      CombineRgn(region, region, pixel, RGN_XOR);
      DeleteObject(pixel);
    }
  }
  return region;
}

HRGN load_mask_region(const std::string& path) {
  MaskImage mask;
  if (!load_mask_image(path, mask)) return nullptr;
  return region_from_runs(mask);
}

}  // namespace media
