// Embedded fonts: DefineFont/2/3 glyph outlines, codes and layout, and
// DefineFontInfo/2. Text characters (DefineText, DefineEditText) lay glyphs out
// and call draw_glyph for each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "render/shape.h"

namespace render {

class FontDefinition {
 public:
  enum TagCode : int {
    kDefineFont = 10,
    kDefineFontInfo = 13,
    kDefineFont2 = 48,
    kDefineFontInfo2 = 62,
    kDefineFont3 = 75,
  };

  // DefineFont, DefineFont2 or DefineFont3. Damaged glyphs become empty glyphs.
  bool parse(int tag_code, const uint8_t* body, size_t length);
  // DefineFontInfo/2 for a DefineFont: name, flags and the code table.
  bool parse_info(int tag_code, const uint8_t* body, size_t length);

  uint16_t id() const { return id_; }
  const std::string& name() const { return name_; }
  bool bold() const { return bold_; }
  bool italic() const { return italic_; }
  // Glyph coordinates are in an EM square of this many units: 1024, or 20480 for DefineFont3.
  int em_square() const { return em_square_; }
  size_t glyph_count() const { return glyphs_.size(); }

  bool has_layout() const { return has_layout_; }
  int ascent() const { return ascent_; }  // EM units
  int descent() const { return descent_; }
  int leading() const { return leading_; }
  // Advance of a glyph in EM units (0 without layout information).
  int advance(size_t glyph) const;
  // Character code of a glyph (0 without a code table).
  uint16_t code(size_t glyph) const;
  // The glyph for a character code, -1 if the font has none.
  int glyph_for_code(uint16_t code) const;
  // Kerning adjustment in EM units between two character codes (0 if none).
  int kerning(uint16_t left_code, uint16_t right_code) const;
  // Outline bounds of a glyph in EM units.
  Rect glyph_bounds(size_t glyph) const;

  // Fills glyph `glyph` with a colour; the matrix maps EM units to device pixels
  // (for text of height h twips: text matrix * translate(pen) * scale(h / em_square())).
  void draw_glyph(size_t glyph, const DrawTarget& target, const Matrix& to_device, Rgba color,
                  const ColorTransform& cxform) const;
  // Point in EM units.
  bool glyph_hit(size_t glyph, Point p) const;

 private:
  struct Glyph {
    ShapeGeometry outline;  // one group, fill style 1 = the text colour
    uint16_t code = 0;
    int16_t advance = 0;
  };
  uint16_t id_ = 0;
  std::string name_;
  bool bold_ = false, italic_ = false;
  int em_square_ = 1024;
  bool has_layout_ = false;
  int ascent_ = 0, descent_ = 0, leading_ = 0;
  std::vector<Glyph> glyphs_;
  // (left code << 16 | right code) -> adjustment in EM units.
  std::unordered_map<uint32_t, int16_t> kerning_;
  // Character code -> glyph, for codes that have a glyph (first glyph wins).
  std::unordered_map<uint16_t, int> glyph_of_code_;
  void index_codes();
};

}  // namespace render
