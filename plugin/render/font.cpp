// DefineFont/2/3 glyph outlines and layout, DefineFontInfo/2 codes.
#include "render/font.h"

#include <algorithm>

#include "render/records.h"

namespace render {

namespace {

// Reads one glyph SHAPE from a slice; the glyph's fill regions all use style 1.
ShapeGeometry read_glyph(const uint8_t* data, size_t length) {
  ShapeGeometry glyph;
  if (!data || length == 0) return glyph;
  size_t used = parse_shape_records(data, length, 1, false, glyph);
  if (used == 0 && glyph.groups.empty()) return glyph;
  if (glyph.groups.size() > 1) glyph.groups.resize(1);
  if (glyph.groups.empty()) return glyph;
  StyleGroup& group = glyph.groups[0];
  group.fills.assign(1, FillStyle());
  group.fills[0].color = Rgba{255, 255, 255, 255};
  group.lines.clear();
  for (ShapeEdge& e : group.edges) {
    e.fill0 = e.fill0 ? 1 : 0;
    e.fill1 = e.fill1 ? 1 : 0;
    e.line = 0;
  }
  return glyph;
}

}  // namespace

bool FontDefinition::parse(int tag_code, const uint8_t* body, size_t length) {
  *this = FontDefinition();
  BitReader in(body, length);
  id_ = in.u16();
  if (in.failed()) return false;
  if (tag_code == kDefineFont) {
    size_t table = in.position();
    size_t first = in.u16();
    if (in.failed()) return false;
    size_t count = first / 2;
    if (count * 2 > length - table) return false;
    std::vector<size_t> offsets(count);
    in.seek(table);
    for (size_t i = 0; i < count; ++i) offsets[i] = table + in.u16();
    glyphs_.resize(count);
    for (size_t i = 0; i < count; ++i) {
      size_t start = offsets[i], end = i + 1 < count ? offsets[i + 1] : length;
      if (start < end && end <= length) glyphs_[i].outline = read_glyph(body + start, end - start);
    }
    return true;
  }
  if (tag_code != kDefineFont2 && tag_code != kDefineFont3) return false;
  em_square_ = tag_code == kDefineFont3 ? 20480 : 1024;
  uint8_t flags = in.u8();
  has_layout_ = flags & 0x80;
  bool wide_offsets = flags & 0x08, wide_codes = flags & 0x04;
  italic_ = flags & 0x02;
  bold_ = flags & 0x01;
  in.u8();  // language
  size_t name_length = in.u8();
  if (in.failed() || name_length > in.remaining()) return false;
  name_.assign(reinterpret_cast<const char*>(in.current()), name_length);
  in.skip(name_length);
  size_t count = in.u16();
  if (in.failed()) return false;
  size_t table = in.position();
  size_t offset_size = wide_offsets ? 4 : 2;
  if (count * offset_size > in.remaining()) return false;
  std::vector<size_t> offsets(count);
  for (size_t i = 0; i < count; ++i) offsets[i] = table + (wide_offsets ? in.u32() : in.u16());
  size_t code_table = length;
  if (in.remaining() >= offset_size) code_table = table + (wide_offsets ? in.u32() : in.u16());
  if (code_table > length) code_table = length;
  glyphs_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    size_t start = offsets[i], end = i + 1 < count ? offsets[i + 1] : code_table;
    if (start < end && end <= length) glyphs_[i].outline = read_glyph(body + start, end - start);
  }
  if (count == 0) return true;
  in.seek(code_table);
  for (size_t i = 0; i < count; ++i) glyphs_[i].code = wide_codes ? in.u16() : in.u8();
  if (in.failed()) return false;
  index_codes();
  if (has_layout_) {
    ascent_ = in.u16();
    descent_ = in.u16();
    leading_ = in.s16();
    for (size_t i = 0; i < count; ++i) glyphs_[i].advance = in.s16();
    for (size_t i = 0; i < count && !in.failed(); ++i) read_rect(in);
    size_t kerning_count = in.u16();
    for (size_t i = 0; i < kerning_count && !in.failed(); ++i) {
      uint32_t left = wide_codes ? in.u16() : in.u8();
      uint32_t right = wide_codes ? in.u16() : in.u8();
      int16_t adjustment = in.s16();
      if (!in.failed()) kerning_.emplace((left << 16) | right, adjustment);
    }
  }
  return true;
}

bool FontDefinition::parse_info(int tag_code, const uint8_t* body, size_t length) {
  if (tag_code != kDefineFontInfo && tag_code != kDefineFontInfo2) return false;
  BitReader in(body, length);
  if (in.u16() != id_) return false;
  size_t name_length = in.u8();
  if (in.failed() || name_length > in.remaining()) return false;
  name_.assign(reinterpret_cast<const char*>(in.current()), name_length);
  in.skip(name_length);
  uint8_t flags = in.u8();
  italic_ = flags & 0x04;
  bold_ = flags & 0x02;
  bool wide_codes = flags & 0x01;
  if (tag_code == kDefineFontInfo2) in.u8();  // language
  for (Glyph& g : glyphs_) {
    uint16_t code = wide_codes ? in.u16() : in.u8();
    if (in.failed()) break;
    g.code = code;
  }
  index_codes();
  return !in.failed();
}

int FontDefinition::advance(size_t glyph) const {
  return glyph < glyphs_.size() ? glyphs_[glyph].advance : 0;
}

uint16_t FontDefinition::code(size_t glyph) const {
  return glyph < glyphs_.size() ? glyphs_[glyph].code : 0;
}

int FontDefinition::glyph_for_code(uint16_t code) const {
  auto found = glyph_of_code_.find(code);
  return found == glyph_of_code_.end() ? -1 : found->second;
}

void FontDefinition::index_codes() {
  glyph_of_code_.clear();
  for (size_t i = 0; i < glyphs_.size(); ++i) glyph_of_code_.emplace(glyphs_[i].code, int(i));
}

int FontDefinition::kerning(uint16_t left_code, uint16_t right_code) const {
  auto found = kerning_.find((uint32_t(left_code) << 16) | right_code);
  return found == kerning_.end() ? 0 : found->second;
}

Rect FontDefinition::glyph_bounds(size_t glyph) const {
  return glyph < glyphs_.size() ? geometry_bounds(glyphs_[glyph].outline, false) : Rect();
}

void FontDefinition::draw_glyph(size_t glyph, const DrawTarget& target, const Matrix& to_device,
                                Rgba color, const ColorTransform& cxform) const {
  if (glyph >= glyphs_.size()) return;
  // The outline's fill is white; a transform with no multiplier and the text
  // colour as its offset turns it into the text colour before `cxform` applies.
  ColorTransform paint;
  paint.mult_r = paint.mult_g = paint.mult_b = paint.mult_a = 0;
  paint.add_r = color.r;
  paint.add_g = color.g;
  paint.add_b = color.b;
  paint.add_a = color.a;
  draw_geometry(glyphs_[glyph].outline, target, to_device, concatenate(cxform, paint), nullptr);
}

bool FontDefinition::glyph_hit(size_t glyph, Point p) const {
  return glyph < glyphs_.size() && geometry_hit(glyphs_[glyph].outline, p);
}

}  // namespace render
