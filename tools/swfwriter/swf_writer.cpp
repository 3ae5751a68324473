#include "swfwriter/swf_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace swfwriter {

// ---------------------------------------------------------------------------
// BitWriter

void BitWriter::ub(uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    current_ = static_cast<uint8_t>((current_ << 1) | ((value >> i) & 1u));
    if (++used_ == 8) {
      out_.push_back(current_);
      current_ = 0;
      used_ = 0;
    }
  }
}

void BitWriter::sb(int32_t value, int bits) { ub(static_cast<uint32_t>(value), bits); }

void BitWriter::fb(double value, int bits) {
  sb(static_cast<int32_t>(std::lround(value * 65536.0)), bits);
}

void BitWriter::align() {
  if (used_ > 0) {
    out_.push_back(static_cast<uint8_t>(current_ << (8 - used_)));
    current_ = 0;
    used_ = 0;
  }
}

void BitWriter::u8(uint8_t v) {
  align();
  out_.push_back(v);
}

void BitWriter::u16(uint16_t v) {
  u8(static_cast<uint8_t>(v));
  u8(static_cast<uint8_t>(v >> 8));
}

void BitWriter::u32(uint32_t v) {
  u16(static_cast<uint16_t>(v));
  u16(static_cast<uint16_t>(v >> 16));
}

void BitWriter::bytes(const Bytes& b) { bytes(b.data(), b.size()); }

void BitWriter::bytes(const void* data, size_t size) {
  align();
  const uint8_t* p = static_cast<const uint8_t*>(data);
  out_.insert(out_.end(), p, p + size);
}

void BitWriter::string(const std::string& s) {
  bytes(s.data(), s.size());
  u8(0);
}

void BitWriter::rgb(const Rgba& c) {
  u8(c.r);
  u8(c.g);
  u8(c.b);
}

void BitWriter::rgba(const Rgba& c) {
  rgb(c);
  u8(c.a);
}

const Bytes& BitWriter::data() {
  align();
  return out_;
}

int BitWriter::unsigned_bits(uint32_t value) {
  int n = 0;
  while (value != 0) {
    ++n;
    value >>= 1;
  }
  return n;
}

int BitWriter::signed_bits(int32_t value) {
  if (value == 0) return 0;
  uint32_t magnitude = value < 0 ? static_cast<uint32_t>(~value) : static_cast<uint32_t>(value);
  return unsigned_bits(magnitude) + 1;
}

// ---------------------------------------------------------------------------
// Records

Matrix Matrix::translation(int32_t x, int32_t y) {
  Matrix m;
  m.translate_x = x;
  m.translate_y = y;
  return m;
}

Matrix Matrix::scaling(double sx, double sy, int32_t x, int32_t y) {
  Matrix m = translation(x, y);
  m.scale_x = sx;
  m.scale_y = sy;
  return m;
}

Matrix Matrix::rotation(double radians, double scale, int32_t x, int32_t y) {
  Matrix m = translation(x, y);
  m.scale_x = std::cos(radians) * scale;
  m.scale_y = std::cos(radians) * scale;
  m.rotate_skew0 = std::sin(radians) * scale;
  m.rotate_skew1 = -std::sin(radians) * scale;
  return m;
}

void write_rect(BitWriter& w, int32_t x_min, int32_t x_max, int32_t y_min, int32_t y_max) {
  w.align();
  int bits = std::max({BitWriter::signed_bits(x_min), BitWriter::signed_bits(x_max),
                       BitWriter::signed_bits(y_min), BitWriter::signed_bits(y_max)});
  w.ub(static_cast<uint32_t>(bits), 5);
  w.sb(x_min, bits);
  w.sb(x_max, bits);
  w.sb(y_min, bits);
  w.sb(y_max, bits);
  w.align();
}

static int32_t fixed16(double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); }

void write_matrix(BitWriter& w, const Matrix& m) {
  w.align();
  bool has_scale = m.scale_x != 1.0 || m.scale_y != 1.0;
  w.ub(has_scale ? 1 : 0, 1);
  if (has_scale) {
    int bits = std::max(BitWriter::signed_bits(fixed16(m.scale_x)),
                        BitWriter::signed_bits(fixed16(m.scale_y)));
    w.ub(static_cast<uint32_t>(bits), 5);
    w.sb(fixed16(m.scale_x), bits);
    w.sb(fixed16(m.scale_y), bits);
  }
  bool has_rotate = m.rotate_skew0 != 0.0 || m.rotate_skew1 != 0.0;
  w.ub(has_rotate ? 1 : 0, 1);
  if (has_rotate) {
    int bits = std::max(BitWriter::signed_bits(fixed16(m.rotate_skew0)),
                        BitWriter::signed_bits(fixed16(m.rotate_skew1)));
    w.ub(static_cast<uint32_t>(bits), 5);
    w.sb(fixed16(m.rotate_skew0), bits);
    w.sb(fixed16(m.rotate_skew1), bits);
  }
  int bits = std::max(BitWriter::signed_bits(m.translate_x), BitWriter::signed_bits(m.translate_y));
  w.ub(static_cast<uint32_t>(bits), 5);
  w.sb(m.translate_x, bits);
  w.sb(m.translate_y, bits);
  w.align();
}

void write_color_transform(BitWriter& w, const ColorTransform& cx, bool with_alpha) {
  w.align();
  int channels = with_alpha ? 4 : 3;
  int bits = 1;
  for (int i = 0; i < channels; ++i) {
    if (cx.has_mult) bits = std::max(bits, BitWriter::signed_bits(cx.mult[i]));
    if (cx.has_add) bits = std::max(bits, BitWriter::signed_bits(cx.add[i]));
  }
  w.ub(cx.has_add ? 1 : 0, 1);
  w.ub(cx.has_mult ? 1 : 0, 1);
  w.ub(static_cast<uint32_t>(bits), 4);
  if (cx.has_mult)
    for (int i = 0; i < channels; ++i) w.sb(cx.mult[i], bits);
  if (cx.has_add)
    for (int i = 0; i < channels; ++i) w.sb(cx.add[i], bits);
  w.align();
}

FillStyle FillStyle::solid(Rgba c) {
  FillStyle f;
  f.type = kSolid;
  f.color = c;
  return f;
}

FillStyle FillStyle::linear(const Matrix& m, std::vector<GradientStop> stops) {
  FillStyle f;
  f.type = kLinearGradient;
  f.matrix = m;
  f.stops = std::move(stops);
  return f;
}

FillStyle FillStyle::radial(const Matrix& m, std::vector<GradientStop> stops) {
  FillStyle f = linear(m, std::move(stops));
  f.type = kRadialGradient;
  return f;
}

FillStyle FillStyle::bitmap(uint16_t id, const Matrix& m, bool clipped, bool smoothed) {
  FillStyle f;
  if (smoothed)
    f.type = clipped ? kClippedBitmap : kRepeatingBitmap;
  else
    f.type = clipped ? kClippedBitmapHard : kRepeatingBitmapHard;
  f.bitmap_id = id;
  f.matrix = m;
  return f;
}

Matrix FillStyle::gradient_box(int32_t x_min, int32_t y_min, int32_t x_max, int32_t y_max) {
  // The gradient square spans 32768 units centred on the origin.
  return Matrix::scaling((x_max - x_min) / 32768.0, (y_max - y_min) / 32768.0, (x_min + x_max) / 2,
                         (y_min + y_max) / 2);
}

// ---------------------------------------------------------------------------
// ShapeBuilder

int ShapeBuilder::add_fill(const FillStyle& f) {
  fills_.push_back(f);
  return static_cast<int>(fills_.size());
}

int ShapeBuilder::add_line(const LineStyle& l) {
  lines_.push_back(l);
  return static_cast<int>(lines_.size());
}

void ShapeBuilder::grow_bounds(int32_t x, int32_t y) {
  if (!has_bounds_) {
    x_min_ = x_max_ = x;
    y_min_ = y_max_ = y;
    has_bounds_ = true;
    return;
  }
  x_min_ = std::min(x_min_, x);
  x_max_ = std::max(x_max_, x);
  y_min_ = std::min(y_min_, y);
  y_max_ = std::max(y_max_, y);
}

void ShapeBuilder::set_styles(int fill0, int fill1, int line) {
  Record r;
  r.kind = Record::kStyle;
  r.has_styles = true;
  r.fill0 = fill0;
  r.fill1 = fill1;
  r.line = line;
  records_.push_back(r);
}

void ShapeBuilder::move_to(int32_t x, int32_t y) {
  // A move right after a style change shares its record.
  if (!records_.empty() && records_.back().kind == Record::kStyle && !records_.back().move) {
    records_.back().move = true;
    records_.back().x = x;
    records_.back().y = y;
  } else {
    Record r;
    r.kind = Record::kStyle;
    r.move = true;
    r.x = x;
    r.y = y;
    records_.push_back(r);
  }
  grow_bounds(x, y);
}

void ShapeBuilder::line_to(int32_t x, int32_t y) {
  Record r;
  r.kind = Record::kLine;
  r.x = x;
  r.y = y;
  records_.push_back(r);
  grow_bounds(x, y);
}

void ShapeBuilder::curve_to(int32_t control_x, int32_t control_y, int32_t x, int32_t y) {
  Record r;
  r.kind = Record::kCurve;
  r.cx = control_x;
  r.cy = control_y;
  r.x = x;
  r.y = y;
  records_.push_back(r);
  grow_bounds(control_x, control_y);
  grow_bounds(x, y);
}

void ShapeBuilder::rectangle(int32_t x_min, int32_t y_min, int32_t x_max, int32_t y_max, int fill,
                             int line) {
  set_styles(0, fill, line);
  move_to(x_min, y_min);
  line_to(x_max, y_min);
  line_to(x_max, y_max);
  line_to(x_min, y_max);
  line_to(x_min, y_min);
}

void ShapeBuilder::circle(int32_t cx, int32_t cy, int32_t radius, int fill, int line) {
  // Eight quadratic arcs of 45 degrees; the control point lies on the
  // tangents' intersection.
  const double kPi = 3.14159265358979323846;
  const double step = kPi / 4;
  const double control_radius = radius / std::cos(step / 2);
  set_styles(0, fill, line);
  move_to(cx + radius, cy);
  for (int i = 0; i < 8; ++i) {
    double mid = step * i + step / 2;
    double end = step * (i + 1);
    int32_t ex = cx + static_cast<int32_t>(std::lround(radius * std::cos(end)));
    int32_t ey = cy + static_cast<int32_t>(std::lround(radius * std::sin(end)));
    if (i == 7) {
      ex = cx + radius;
      ey = cy;
    }
    curve_to(cx + static_cast<int32_t>(std::lround(control_radius * std::cos(mid))),
             cy + static_cast<int32_t>(std::lround(control_radius * std::sin(mid))), ex, ey);
  }
}

void ShapeBuilder::write_records(BitWriter& w, int fill_bits, int line_bits) const {
  int32_t pen_x = 0, pen_y = 0;
  for (const Record& r : records_) {
    if (r.kind == Record::kStyle) {
      w.ub(0, 1);  // non-edge
      w.ub(0, 1);  // no new styles
      w.ub(r.has_styles ? 1 : 0, 1);
      w.ub(r.has_styles ? 1 : 0, 1);
      w.ub(r.has_styles ? 1 : 0, 1);
      w.ub(r.move ? 1 : 0, 1);
      if (r.move) {
        int bits = std::max({1, BitWriter::signed_bits(r.x), BitWriter::signed_bits(r.y)});
        w.ub(static_cast<uint32_t>(bits), 5);
        w.sb(r.x, bits);
        w.sb(r.y, bits);
        pen_x = r.x;
        pen_y = r.y;
      }
      if (r.has_styles) {
        w.ub(static_cast<uint32_t>(r.fill0), fill_bits);
        w.ub(static_cast<uint32_t>(r.fill1), fill_bits);
        w.ub(static_cast<uint32_t>(r.line), line_bits);
      }
    } else if (r.kind == Record::kLine) {
      int32_t dx = r.x - pen_x, dy = r.y - pen_y;
      int bits = std::max({2, BitWriter::signed_bits(dx), BitWriter::signed_bits(dy)});
      w.ub(1, 1);  // edge
      w.ub(1, 1);  // straight
      w.ub(static_cast<uint32_t>(bits - 2), 4);
      if (dx != 0 && dy != 0) {
        w.ub(1, 1);  // general line
        w.sb(dx, bits);
        w.sb(dy, bits);
      } else if (dx == 0 && dy != 0) {
        w.ub(0, 1);
        w.ub(1, 1);  // vertical
        w.sb(dy, bits);
      } else {
        w.ub(0, 1);
        w.ub(0, 1);  // horizontal
        w.sb(dx, bits);
      }
      pen_x = r.x;
      pen_y = r.y;
    } else {
      int32_t cdx = r.cx - pen_x, cdy = r.cy - pen_y;
      int32_t adx = r.x - r.cx, ady = r.y - r.cy;
      int bits = std::max({2, BitWriter::signed_bits(cdx), BitWriter::signed_bits(cdy),
                           BitWriter::signed_bits(adx), BitWriter::signed_bits(ady)});
      w.ub(1, 1);  // edge
      w.ub(0, 1);  // curved
      w.ub(static_cast<uint32_t>(bits - 2), 4);
      w.sb(cdx, bits);
      w.sb(cdy, bits);
      w.sb(adx, bits);
      w.sb(ady, bits);
      pen_x = r.x;
      pen_y = r.y;
    }
  }
  w.ub(0, 6);  // end of shape
  w.align();
}

static void write_style_count(BitWriter& w, size_t count, bool extended) {
  if (count >= 0xFF && extended) {
    w.u8(0xFF);
    w.u16(static_cast<uint16_t>(count));
  } else {
    w.u8(static_cast<uint8_t>(count));
  }
}

static void write_fill_style(BitWriter& w, const FillStyle& f, int version) {
  w.u8(f.type);
  switch (f.type) {
    case FillStyle::kSolid:
      if (version >= 3)
        w.rgba(f.color);
      else
        w.rgb(f.color);
      break;
    case FillStyle::kLinearGradient:
    case FillStyle::kRadialGradient: {
      write_matrix(w, f.matrix);
      size_t max_stops = version >= 4 ? 15 : 8;
      size_t n = std::min(f.stops.size(), max_stops);
      w.u8(static_cast<uint8_t>(n));  // pad spread, RGB interpolation
      for (size_t i = 0; i < n; ++i) {
        w.u8(f.stops[i].ratio);
        if (version >= 3)
          w.rgba(f.stops[i].color);
        else
          w.rgb(f.stops[i].color);
      }
      break;
    }
    default:
      w.u16(f.bitmap_id);
      write_matrix(w, f.matrix);
      break;
  }
}

Bytes ShapeBuilder::define_shape_body(uint16_t id, int version) const {
  BitWriter w;
  w.u16(id);
  int32_t half_line = 0;
  for (const LineStyle& l : lines_) half_line = std::max<int32_t>(half_line, l.width / 2);
  write_rect(w, x_min_ - half_line, x_max_ + half_line, y_min_ - half_line, y_max_ + half_line);
  if (version >= 4) {
    write_rect(w, x_min_, x_max_, y_min_, y_max_);
    w.u8(lines_.empty() ? 0 : 1);  // uses scaling strokes
  }
  bool extended = version >= 2;
  write_style_count(w, fills_.size(), extended);
  for (const FillStyle& f : fills_) write_fill_style(w, f, version);
  write_style_count(w, lines_.size(), extended);
  for (const LineStyle& l : lines_) {
    w.u16(l.width);
    if (version >= 4) {
      w.u8(0);  // round caps, round joins, no fill
      w.u8(0);
      w.rgba(l.color);
    } else if (version == 3) {
      w.rgba(l.color);
    } else {
      w.rgb(l.color);
    }
  }
  int fill_bits = BitWriter::unsigned_bits(static_cast<uint32_t>(fills_.size()));
  int line_bits = BitWriter::unsigned_bits(static_cast<uint32_t>(lines_.size()));
  w.ub(static_cast<uint32_t>(fill_bits), 4);
  w.ub(static_cast<uint32_t>(line_bits), 4);
  write_records(w, fill_bits, line_bits);
  return w.data();
}

Bytes ShapeBuilder::glyph_shape() const {
  BitWriter w;
  w.ub(1, 4);
  w.ub(0, 4);
  write_records(w, 1, 0);
  return w.data();
}

// ---------------------------------------------------------------------------
// Tags

Placement Placement::place(uint16_t character, uint16_t depth, const Matrix& m) {
  Placement p;
  p.depth = depth;
  p.has_character = true;
  p.character = character;
  p.has_matrix = true;
  p.matrix = m;
  return p;
}

Placement Placement::move_to(uint16_t depth, const Matrix& m) {
  Placement p;
  p.depth = depth;
  p.move = true;
  p.has_matrix = true;
  p.matrix = m;
  return p;
}

void TagStream::tag(uint16_t code, const Bytes& body, bool long_form) {
  BitWriter w;
  if (body.size() < 0x3F && !long_form) {
    w.u16(static_cast<uint16_t>((code << 6) | body.size()));
  } else {
    w.u16(static_cast<uint16_t>((code << 6) | 0x3F));
    w.u32(static_cast<uint32_t>(body.size()));
  }
  w.bytes(body);
  const Bytes& b = w.data();
  out_.insert(out_.end(), b.begin(), b.end());
  ended_ = code == 0;
}

void TagStream::show_frame() { tag(1, {}); }

void TagStream::end() { tag(0, {}); }

void TagStream::set_background_color(Rgba c) {
  BitWriter w;
  w.rgb(c);
  tag(9, w.data());
}

void TagStream::frame_label(const std::string& name) {
  BitWriter w;
  w.string(name);
  tag(43, w.data());
}

void TagStream::place(const Placement& p) {
  BitWriter w;
  uint8_t flags = 0;
  if (p.clip_depth != 0) flags |= 0x40;
  if (!p.name.empty()) flags |= 0x20;
  if (p.has_ratio) flags |= 0x10;
  if (p.has_color_transform) flags |= 0x08;
  if (p.has_matrix) flags |= 0x04;
  if (p.has_character) flags |= 0x02;
  if (p.move) flags |= 0x01;
  w.u8(flags);
  if (p.version3) w.u8(p.blend_mode != 0 ? 0x02 : 0x00);
  w.u16(p.depth);
  if (p.has_character) w.u16(p.character);
  if (p.has_matrix) write_matrix(w, p.matrix);
  if (p.has_color_transform) write_color_transform(w, p.color_transform, true);
  if (p.has_ratio) w.u16(p.ratio);
  if (!p.name.empty()) w.string(p.name);
  if (p.clip_depth != 0) w.u16(p.clip_depth);
  if (p.version3 && p.blend_mode != 0) w.u8(p.blend_mode);
  tag(p.version3 ? 70 : 26, w.data());
}

void TagStream::place_object1(uint16_t character, uint16_t depth, const Matrix& m) {
  BitWriter w;
  w.u16(character);
  w.u16(depth);
  write_matrix(w, m);
  tag(4, w.data());
}

void TagStream::remove(uint16_t depth) {
  BitWriter w;
  w.u16(depth);
  tag(28, w.data());
}

void TagStream::remove_object1(uint16_t character, uint16_t depth) {
  BitWriter w;
  w.u16(character);
  w.u16(depth);
  tag(5, w.data());
}

void TagStream::do_action(const Bytes& actions) { tag(12, actions); }

void TagStream::define_shape(uint16_t id, const ShapeBuilder& shape, int version) {
  static const uint16_t kCodes[] = {2, 2, 22, 32, 83};
  version = std::min(std::max(version, 1), 4);
  tag(kCodes[version], shape.define_shape_body(id, version));
}

void TagStream::define_bits_lossless(uint16_t id, int width, int height,
                                     const std::vector<Rgba>& pixels, bool with_alpha) {
  Bytes raw;
  raw.reserve(static_cast<size_t>(width) * height * 4);
  for (int i = 0; i < width * height; ++i) {
    Rgba c = i < static_cast<int>(pixels.size()) ? pixels[i] : Rgba();
    if (with_alpha) {
      raw.push_back(c.a);
      raw.push_back(static_cast<uint8_t>(c.r * c.a / 255));
      raw.push_back(static_cast<uint8_t>(c.g * c.a / 255));
      raw.push_back(static_cast<uint8_t>(c.b * c.a / 255));
    } else {
      raw.push_back(0);
      raw.push_back(c.r);
      raw.push_back(c.g);
      raw.push_back(c.b);
    }
  }
  BitWriter w;
  w.u16(id);
  w.u8(5);
  w.u16(static_cast<uint16_t>(width));
  w.u16(static_cast<uint16_t>(height));
  w.bytes(deflate_bytes(raw));
  tag(with_alpha ? 36 : 20, w.data(), true);
}

void TagStream::define_bits_lossless_palette(uint16_t id, int width, int height,
                                             const std::vector<Rgba>& palette,
                                             const std::vector<uint8_t>& indexes, bool with_alpha) {
  Bytes raw;
  size_t colours = std::min<size_t>(std::max<size_t>(palette.size(), 1), 256);
  for (size_t i = 0; i < colours; ++i) {
    Rgba c = i < palette.size() ? palette[i] : Rgba();
    raw.push_back(c.r);
    raw.push_back(c.g);
    raw.push_back(c.b);
    if (with_alpha) raw.push_back(c.a);
  }
  int stride = (width + 3) & ~3;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < stride; ++x) {
      size_t i = static_cast<size_t>(y) * width + x;
      raw.push_back(x < width && i < indexes.size() ? indexes[i] : 0);
    }
  BitWriter w;
  w.u16(id);
  w.u8(3);
  w.u16(static_cast<uint16_t>(width));
  w.u16(static_cast<uint16_t>(height));
  w.u8(static_cast<uint8_t>(colours - 1));
  w.bytes(deflate_bytes(raw));
  tag(with_alpha ? 36 : 20, w.data(), true);
}

void TagStream::define_font(uint16_t id, const std::vector<ShapeBuilder>& glyphs) {
  std::vector<Bytes> shapes;
  for (const ShapeBuilder& g : glyphs) shapes.push_back(g.glyph_shape());
  BitWriter w;
  w.u16(id);
  uint32_t offset = static_cast<uint32_t>(2 * shapes.size());
  for (const Bytes& s : shapes) {
    w.u16(static_cast<uint16_t>(offset));
    offset += static_cast<uint32_t>(s.size());
  }
  for (const Bytes& s : shapes) w.bytes(s);
  tag(10, w.data());
}

void TagStream::define_font2(uint16_t id, const Font2& font) {
  std::vector<Bytes> shapes;
  for (const ShapeBuilder& g : font.glyphs) shapes.push_back(g.glyph_shape());
  size_t table = 0;
  for (const Bytes& s : shapes) table += s.size();
  // Offsets count from the start of the offset table, which holds one
  // offset per glyph and the code table offset.
  bool wide = 2 * (shapes.size() + 1) + table > 0xFFFF;
  size_t entry = wide ? 4 : 2;
  BitWriter w;
  w.u16(id);
  w.u8(static_cast<uint8_t>(0x80 | (wide ? 0x08 : 0) | 0x04));  // layout, wide codes
  w.u8(0);                                                      // language
  w.u8(static_cast<uint8_t>(font.name.size()));
  w.bytes(font.name.data(), font.name.size());
  w.u16(static_cast<uint16_t>(shapes.size()));
  size_t offset = entry * (shapes.size() + 1);
  for (const Bytes& s : shapes) {
    if (wide)
      w.u32(static_cast<uint32_t>(offset));
    else
      w.u16(static_cast<uint16_t>(offset));
    offset += s.size();
  }
  if (wide)
    w.u32(static_cast<uint32_t>(offset));
  else
    w.u16(static_cast<uint16_t>(offset));
  for (const Bytes& s : shapes) w.bytes(s);
  for (size_t i = 0; i < shapes.size(); ++i) w.u16(i < font.codes.size() ? font.codes[i] : 0);
  w.u16(font.ascent);
  w.u16(font.descent);
  w.u16(static_cast<uint16_t>(font.leading));
  for (size_t i = 0; i < shapes.size(); ++i)
    w.u16(static_cast<uint16_t>(i < font.advances.size() ? font.advances[i] : 0));
  for (size_t i = 0; i < shapes.size(); ++i) {
    const ShapeBuilder& g = font.glyphs[i];
    write_rect(w, g.x_min(), g.x_max(), g.y_min(), g.y_max());
  }
  w.u16(0);  // no kerning
  tag(48, w.data());
}

void TagStream::define_button(uint16_t id, const std::vector<ButtonPart>& parts, bool track_as_menu,
                              int version) {
  BitWriter w;
  w.u16(id);
  if (version >= 2) {
    w.u8(track_as_menu ? 1 : 0);
    w.u16(0);  // no actions
  }
  for (const ButtonPart& p : parts) {
    w.u8(p.states & 0x0F);
    w.u16(p.character);
    w.u16(p.depth);
    write_matrix(w, p.matrix);
    if (version >= 2) write_color_transform(w, p.color_transform, true);
  }
  w.u8(0);                   // end of records
  if (version < 2) w.u8(0);  // empty action list
  tag(version >= 2 ? 34 : 7, w.data());
}

void TagStream::define_edit_text(uint16_t id, const EditText& f) {
  BitWriter w;
  w.u16(id);
  write_rect(w, f.x_min, f.x_max, f.y_min, f.y_max);
  uint8_t flags1 = (f.has_text ? 0x80 : 0) | (f.word_wrap ? 0x40 : 0) | (f.multiline ? 0x20 : 0) |
                   (f.password ? 0x10 : 0) | (f.read_only ? 0x08 : 0) | (f.has_color ? 0x04 : 0) |
                   (f.font_id ? 0x01 : 0);
  uint8_t flags2 = (f.has_layout ? 0x20 : 0) | (f.border ? 0x08 : 0) | (f.html ? 0x02 : 0) |
                   (f.use_outlines ? 0x01 : 0);
  w.u8(flags1);
  w.u8(flags2);
  if (f.font_id) {
    w.u16(f.font_id);
    w.u16(f.font_height);
  }
  if (f.has_color) w.rgba(f.color);
  if (f.has_layout) {
    w.u8(f.align);
    w.u16(f.left_margin);
    w.u16(f.right_margin);
    w.u16(f.indent);
    w.u16(static_cast<uint16_t>(f.leading));
  }
  w.string(f.variable_name);
  if (f.has_text) w.string(f.text);
  tag(37, w.data());
}

void TagStream::define_text(uint16_t id, int32_t x_min, int32_t y_min, int32_t x_max, int32_t y_max,
                            const Matrix& m, const std::vector<TextRun>& runs, int version) {
  uint32_t max_glyph = 0;
  int advance_bits = 1;
  for (const TextRun& r : runs) {
    for (uint32_t g : r.glyphs) max_glyph = std::max(max_glyph, g);
    for (int32_t a : r.advances) advance_bits = std::max(advance_bits, BitWriter::signed_bits(a));
  }
  int glyph_bits = std::max(1, BitWriter::unsigned_bits(max_glyph));
  BitWriter w;
  w.u16(id);
  write_rect(w, x_min, x_max, y_min, y_max);
  write_matrix(w, m);
  w.u8(static_cast<uint8_t>(glyph_bits));
  w.u8(static_cast<uint8_t>(advance_bits));
  for (const TextRun& r : runs) {
    w.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01);
    w.u16(r.font_id);
    if (version >= 2)
      w.rgba(r.color);
    else
      w.rgb(r.color);
    w.u16(static_cast<uint16_t>(static_cast<int16_t>(r.x)));
    w.u16(static_cast<uint16_t>(static_cast<int16_t>(r.y)));
    w.u16(r.height);
    size_t count = std::min<size_t>(r.glyphs.size(), 255);
    w.u8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) {
      w.ub(r.glyphs[i], glyph_bits);
      w.sb(i < r.advances.size() ? r.advances[i] : 0, advance_bits);
    }
    w.align();
  }
  w.u8(0);
  tag(version >= 2 ? 33 : 11, w.data());
}

void TagStream::define_sprite(uint16_t id, uint16_t frame_count, const TagStream& timeline) {
  BitWriter w;
  w.u16(id);
  w.u16(frame_count);
  w.bytes(timeline.bytes());
  if (!timeline.ended()) w.u16(0);
  tag(39, w.data());
}

Bytes Movie::finish(bool compressed) const {
  BitWriter body;
  write_rect(body, 0, width_twips, 0, height_twips);
  body.u16(static_cast<uint16_t>(std::lround(frame_rate * 256.0)));
  body.u16(frame_count);
  body.bytes(bytes());
  if (!ended()) body.u16(0);
  Bytes rest = body.data();

  Bytes file = {static_cast<uint8_t>(compressed ? 'C' : 'F'), 'W', 'S', version};
  uint32_t length = static_cast<uint32_t>(8 + rest.size());
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(length >> (8 * i)));
  if (compressed) {
    Bytes packed = deflate_bytes(rest);
    file.insert(file.end(), packed.begin(), packed.end());
  } else {
    file.insert(file.end(), rest.begin(), rest.end());
  }
  return file;
}

Bytes deflate_bytes(const Bytes& in) {
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, in.data(), static_cast<uLong>(in.size()), 9) != Z_OK)
    return Bytes();
  out.resize(size);
  return out;
}

bool write_file(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace swfwriter
