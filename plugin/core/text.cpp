#include "core/text.h"

#include "core/byte_reader.h"

namespace npfp {

bool TextDefinition::parse(int tag_code, const uint8_t* body, size_t length) {
  ByteReader in(body, length);
  id_ = in.u16();
  bounds_ = in.rect();
  matrix_ = in.matrix();
  unsigned glyph_bits = in.u8();
  unsigned advance_bits = in.u8();
  if (in.failed() || glyph_bits > 32 || advance_bits > 32) return false;
  bool with_alpha = tag_code == 33;

  // Font, colour, height and pen carry over from one record to the next.
  TextRun style;
  double x = 0;
  for (;;) {
    uint8_t flags = in.u8();
    if (in.failed()) return false;
    if (flags == 0) return true;  // end of records
    if (flags & 0x08) style.font_id = in.u16();
    if (flags & 0x04) style.color = with_alpha ? in.rgba() : in.rgb();
    if (flags & 0x01) x = in.s16();
    if (flags & 0x02) style.y = in.s16();
    if (flags & 0x08) style.height = in.u16();
    unsigned count = in.u8();
    if (in.failed()) return false;
    TextRun run = style;
    run.glyphs.clear();
    for (unsigned i = 0; i < count; ++i) {
      TextGlyph g;
      g.index = in.ub(glyph_bits);
      int32_t advance = in.sb(advance_bits);
      if (in.failed()) break;
      g.x = x;
      x += advance;
      run.glyphs.push_back(g);
    }
    in.align();
    if (!run.glyphs.empty()) runs_.push_back(std::move(run));
    if (in.failed()) return false;
  }
}

render::Matrix glyph_matrix(const TextRun& run, const TextGlyph& glyph, int em_square) {
  double scale = em_square > 0 ? run.height / em_square : 0;
  render::Matrix m;
  m.a = m.d = scale;
  m.tx = glyph.x;
  m.ty = run.y;
  return m;
}

void draw_runs(const std::vector<TextRun>& runs, const render::DrawTarget& target,
               const render::Matrix& text_to_device, const render::ColorTransform& cxform,
               const FontLookup& fonts) {
  for (const TextRun& run : runs) {
    const render::FontDefinition* font = fonts ? fonts(run.font_id) : nullptr;
    if (!font) continue;
    for (const TextGlyph& g : run.glyphs) {
      if (g.index >= font->glyph_count()) continue;
      font->draw_glyph(g.index, target, text_to_device * glyph_matrix(run, g, font->em_square()),
                       run.color, cxform);
    }
  }
}

void TextDefinition::draw(const render::DrawTarget& target, const render::Matrix& to_device,
                          const render::ColorTransform& cxform, const FontLookup& fonts) const {
  draw_runs(runs_, target, to_device * matrix_, cxform, fonts);
}

bool TextDefinition::hit_test(render::Point p, const FontLookup& fonts) const {
  bool ok = false;
  render::Point local = matrix_.inverse(&ok).apply(p);
  if (!ok) return false;
  for (const TextRun& run : runs_) {
    const render::FontDefinition* font = fonts ? fonts(run.font_id) : nullptr;
    if (!font) continue;
    for (const TextGlyph& g : run.glyphs) {
      if (g.index >= font->glyph_count()) continue;
      bool invertible = false;
      render::Point em = glyph_matrix(run, g, font->em_square()).inverse(&invertible).apply(local);
      if (invertible && font->glyph_hit(g.index, em)) return true;
    }
  }
  return false;
}

}  // namespace npfp
