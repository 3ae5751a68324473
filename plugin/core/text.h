// Static text (DefineText, DefineText2): glyph runs laid out in the tag,
// drawn with the glyph outlines of the fonts they name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "render/canvas.h"
#include "render/color.h"
#include "render/font.h"
#include "render/geometry.h"

namespace npfp {

using FontLookup = std::function<const render::FontDefinition*(uint16_t font_id)>;

struct TextGlyph {
  uint32_t index = 0;  // glyph of the run's font
  double x = 0;        // pen position, twips in text space
};

struct TextRun {
  uint16_t font_id = 0;
  render::Rgba color;
  double height = 0;  // twips
  double y = 0;       // baseline, twips in text space
  std::vector<TextGlyph> glyphs;
};

class TextDefinition {
 public:
  // A DefineText (11) or DefineText2 (33) body. Reading stops at damage;
  // the runs read before it stay (false is answered then).
  bool parse(int tag_code, const uint8_t* body, size_t length);

  uint16_t id() const { return id_; }
  const render::Rect& bounds() const { return bounds_; }
  const render::Matrix& matrix() const { return matrix_; }
  const std::vector<TextRun>& runs() const { return runs_; }

  // `to_device` maps the character's space (twips) to device pixels.
  void draw(const render::DrawTarget& target, const render::Matrix& to_device,
            const render::ColorTransform& cxform, const FontLookup& fonts) const;
  // Whether a point in the character's space falls on a glyph.
  bool hit_test(render::Point p, const FontLookup& fonts) const;

 private:
  uint16_t id_ = 0;
  render::Rect bounds_;
  render::Matrix matrix_;
  std::vector<TextRun> runs_;
};

// The matrix that maps glyph EM units of a run's glyph to the text's space.
render::Matrix glyph_matrix(const TextRun& run, const TextGlyph& glyph, int em_square);

// Draws glyph runs; `text_to_device` maps the runs' space to device pixels.
void draw_runs(const std::vector<TextRun>& runs, const render::DrawTarget& target,
               const render::Matrix& text_to_device, const render::ColorTransform& cxform,
               const FontLookup& fonts);

}  // namespace npfp
