#include "swfwriter/block_font.h"

#include <algorithm>

namespace swfwriter {

namespace {

const int kCell = 128;  // EM units per cell
const int kRows = 7;

struct Letter {
  char c;
  const char* rows[kRows];
};

const Letter kLetters[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

}  // namespace

const std::string& block_font_characters() {
  static const std::string chars = [] {
    std::string s;
    for (const Letter& l : kLetters) s += l.c;
    return s;
  }();
  return chars;
}

std::vector<ShapeBuilder> block_font_glyphs() {
  std::vector<ShapeBuilder> glyphs;
  for (const Letter& l : kLetters) {
    ShapeBuilder g;
    for (int row = 0; row < kRows; ++row) {
      // Horizontal runs of filled cells become one rectangle each, so no two
      // rectangles overlap.
      int32_t top = (row - kRows) * kCell;
      for (int col = 0; col < 5;) {
        if (l.rows[row][col] != '#') {
          ++col;
          continue;
        }
        int start = col;
        while (col < 5 && l.rows[row][col] == '#') ++col;
        g.rectangle(start * kCell, top, col * kCell, top + kCell, 1);
      }
    }
    glyphs.push_back(g);
  }
  return glyphs;
}

int block_font_advance() { return 6 * kCell; }

Font2 block_font2() {
  Font2 f;
  f.name = "Blocks";
  f.glyphs = block_font_glyphs();
  for (char c : block_font_characters()) {
    f.codes.push_back(static_cast<uint8_t>(c));
    f.advances.push_back(static_cast<int16_t>(block_font_advance()));
  }
  // Codes must ascend: sort glyphs and codes together.
  std::vector<size_t> order(f.codes.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return f.codes[a] < f.codes[b]; });
  Font2 sorted = f;
  for (size_t i = 0; i < order.size(); ++i) {
    sorted.glyphs[i] = f.glyphs[order[i]];
    sorted.codes[i] = f.codes[order[i]];
    sorted.advances[i] = f.advances[order[i]];
  }
  sorted.ascent = kRows * kCell;
  sorted.descent = kCell;
  return sorted;
}

TextRun block_font_run(uint16_t font_id, const std::string& text, uint16_t height, Rgba color,
                       int32_t x, int32_t y) {
  TextRun run;
  run.font_id = font_id;
  run.height = height;
  run.color = color;
  run.x = x;
  run.y = y;
  const std::string& chars = block_font_characters();
  int32_t advance = block_font_advance() * height / 1024;
  for (char c : text) {
    size_t index = chars.find(c);
    if (index == std::string::npos) continue;
    run.glyphs.push_back(static_cast<uint32_t>(index));
    run.advances.push_back(advance);
  }
  return run;
}

}  // namespace swfwriter
