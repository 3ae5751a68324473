// A tiny block font (5 x 7 cells per letter) for movies that need text
// without an outside font: each glyph is a set of non-overlapping rectangles
// in the 1024-unit EM square, baseline at y = 0.
#pragma once

#include <string>
#include <vector>

#include "swfwriter/swf_writer.h"

namespace swfwriter {

// The characters the font covers, in glyph order.
const std::string& block_font_characters();

// Glyph shapes in block_font_characters() order.
std::vector<ShapeBuilder> block_font_glyphs();

// The font as a DefineFont2 with codes and layout (ascent 896, descent 128).
Font2 block_font2();

// Advance of every glyph in EM units.
int block_font_advance();

// A text run for `text` (characters the font lacks are skipped) at height
// `height` twips.
TextRun block_font_run(uint16_t font_id, const std::string& text, uint16_t height, Rgba color,
                       int32_t x, int32_t y);

}  // namespace swfwriter
