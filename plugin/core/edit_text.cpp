#include "core/edit_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/byte_reader.h"
#include "render/font.h"
#include "render/shape.h"

namespace npfp {

namespace {

// The space between a field's bounds and its text.
const double kGutter = 40;  // twips (2 pixels)

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Character codes of a text: UTF-8 when it is valid UTF-8 (SWF 6 and
// later), else one code per byte (the older files' code page).
std::vector<uint32_t> decode(const std::string& text) {
  std::vector<uint32_t> codes;
  bool valid = true;
  for (size_t i = 0; i < text.size() && valid;) {
    uint8_t c = static_cast<uint8_t>(text[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || (extra > 0 && i + static_cast<size_t>(extra) >= text.size())) {
      valid = false;
      break;
    }
    uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      uint8_t next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      code = (code << 6) | (next & 0x3F);
    }
    codes.push_back(code);
    i += 1 + extra;
  }
  if (valid) return codes;
  codes.clear();
  for (char c : text) codes.push_back(static_cast<uint8_t>(c));
  return codes;
}

render::ShapeGeometry box_geometry(const render::Rect& r, bool with_border) {
  render::StyleGroup g;
  render::FillStyle white;
  white.color = {255, 255, 255, 255};
  g.fills.push_back(white);
  if (with_border) {
    render::LineStyle black;
    black.width = 20;
    black.color = {0, 0, 0, 255};
    g.lines.push_back(black);
  }
  render::Point corners[5] = {{double(r.x_min), double(r.y_min)},
                              {double(r.x_max), double(r.y_min)},
                              {double(r.x_max), double(r.y_max)},
                              {double(r.x_min), double(r.y_max)},
                              {double(r.x_min), double(r.y_min)}};
  for (int i = 0; i < 4; ++i) {
    render::ShapeEdge e;
    e.from = corners[i];
    e.to = corners[i + 1];
    e.control = {(e.from.x + e.to.x) / 2, (e.from.y + e.to.y) / 2};
    e.fill1 = 1;
    e.line = with_border ? 1 : 0;
    g.edges.push_back(e);
  }
  render::ShapeGeometry geometry;
  geometry.groups.push_back(g);
  return geometry;
}

}  // namespace

std::string strip_html(const std::string& html) {
  std::string out;
  for (size_t i = 0; i < html.size();) {
    char c = html[i];
    if (c == '<') {
      size_t end = html.find('>', i);
      if (end == std::string::npos) break;
      std::string tag = lower(html.substr(i + 1, end - i - 1));
      std::string name = tag.substr(0, tag.find_first_of(" \t/"));
      if (name == "br" || tag == "/p" || tag == "/li") out += '\n';
      i = end + 1;
    } else if (c == '&') {
      size_t end = html.find(';', i);
      std::string entity = end == std::string::npos ? "" : html.substr(i + 1, end - i - 1);
      const char* replacement = entity == "amp"    ? "&"
                                : entity == "lt"   ? "<"
                                : entity == "gt"   ? ">"
                                : entity == "quot" ? "\""
                                : entity == "apos" ? "'"
                                : entity == "nbsp" ? " "
                                                   : nullptr;
      if (replacement) {
        out += replacement;
        i = end + 1;
      } else {
        out += c;
        ++i;
      }
    } else {
      out += c;
      ++i;
    }
  }
  // A closing paragraph at the very end adds no empty line.
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

bool EditTextDefinition::parse(const uint8_t* body, size_t length) {
  ByteReader in(body, length);
  id_ = in.u16();
  bounds_ = in.rect();
  uint8_t flags1 = in.u8();
  uint8_t flags2 = in.u8();
  if (in.failed()) return false;
  has_text_ = flags1 & 0x80;
  word_wrap_ = flags1 & 0x40;
  multiline_ = flags1 & 0x20;
  password_ = flags1 & 0x10;
  read_only_ = flags1 & 0x08;
  bool has_color = flags1 & 0x04;
  bool has_max_length = flags1 & 0x02;
  bool has_font = flags1 & 0x01;
  bool has_font_class = flags2 & 0x80;
  bool has_layout = flags2 & 0x20;
  border_ = flags2 & 0x08;
  html_ = flags2 & 0x02;
  use_outlines_ = flags2 & 0x01;
  if (has_font) font_id_ = in.u16();
  if (has_font_class) in.string();
  if (has_font || has_font_class) font_height_ = in.u16();
  if (has_color) color_ = in.rgba();
  if (has_max_length) max_length_ = in.u16();
  if (has_layout) {
    uint8_t align = in.u8();
    align_ = align <= 3 ? static_cast<Align>(align) : left;
    left_margin_ = in.u16();
    right_margin_ = in.u16();
    indent_ = in.u16();
    leading_ = in.s16();
  }
  variable_name_ = in.string();
  if (in.failed()) return false;
  if (has_text_) initial_text_ = in.string();
  return !in.failed();
}

std::string EditTextDefinition::display_text() const {
  std::string text = html_ ? strip_html(initial_text_) : initial_text_;
  if (password_) {
    size_t count = decode(text).size();
    return std::string(count, '*');
  }
  return text;
}

std::vector<TextRun> EditTextDefinition::layout(const render::FontDefinition* font) const {
  std::vector<TextRun> runs;
  if (!font || font->glyph_count() == 0 || font->em_square() <= 0) return runs;
  double scale = double(font_height_) / font->em_square();
  double ascent = font->has_layout() ? font->ascent() : font->em_square() * 0.8;
  double descent = font->has_layout() ? font->descent() : font->em_square() * 0.2;
  double line_height = (ascent + descent) * scale + leading_;
  double left_edge = bounds_.x_min + kGutter + left_margin_;
  double right_edge = bounds_.x_max - kGutter - right_margin_;
  double available = right_edge - left_edge;

  auto advance_of = [&](uint32_t code, int& glyph) {
    glyph = code <= 0xFFFF ? font->glyph_for_code(static_cast<uint16_t>(code)) : -1;
    if (glyph < 0) return 0.0;
    if (font->has_layout()) return font->advance(static_cast<size_t>(glyph)) * scale;
    render::Rect b = font->glyph_bounds(static_cast<size_t>(glyph));
    return (b.x_max > 0 ? b.x_max : font->em_square() / 2) * scale;
  };

  // Paragraphs split at line breaks; a single-line field shows the first.
  std::vector<std::vector<uint32_t>> paragraphs(1);
  for (uint32_t code : decode(display_text())) {
    if (code == '\n' || code == '\r') {
      paragraphs.emplace_back();
      continue;
    }
    paragraphs.back().push_back(code);
  }
  if (!multiline_) paragraphs.resize(1);

  struct Line {
    std::vector<uint32_t> codes;
    bool first_of_paragraph = false;
  };
  std::vector<Line> lines;
  for (const std::vector<uint32_t>& p : paragraphs) {
    Line line;
    line.first_of_paragraph = true;
    double width = indent_;
    size_t i = 0;
    while (i < p.size()) {
      // The next word with the spaces before it.
      size_t end = i;
      while (end < p.size() && p[end] == ' ') ++end;
      while (end < p.size() && p[end] != ' ') ++end;
      double word = 0;
      int glyph;
      for (size_t k = i; k < end; ++k) word += advance_of(p[k], glyph);
      if (word_wrap_ && multiline_ && width + word > available && !line.codes.empty()) {
        lines.push_back(line);
        line = Line();
        width = 0;
        while (i < end && p[i] == ' ') ++i;  // a wrapped line starts at the word
        word = 0;
        for (size_t k = i; k < end; ++k) word += advance_of(p[k], glyph);
      }
      line.codes.insert(line.codes.end(), p.begin() + static_cast<std::ptrdiff_t>(i),
                        p.begin() + static_cast<std::ptrdiff_t>(end));
      width += word;
      i = end;
    }
    lines.push_back(line);
  }

  double baseline = bounds_.y_min + kGutter + ascent * scale;
  for (const Line& line : lines) {
    TextRun run;
    run.font_id = font_id_;
    run.color = color_;
    run.height = font_height_;
    run.y = baseline;
    double x = line.first_of_paragraph ? indent_ : 0;
    for (uint32_t code : line.codes) {
      int glyph;
      double advance = advance_of(code, glyph);
      if (glyph >= 0) run.glyphs.push_back({static_cast<uint32_t>(glyph), x});
      x += advance;
    }
    double shift = left_edge;
    if (align_ == right) shift = right_edge - x;
    if (align_ == center) shift = left_edge + (available - x) / 2;
    for (TextGlyph& g : run.glyphs) g.x += shift;
    if (!run.glyphs.empty()) runs.push_back(std::move(run));
    baseline += line_height;
  }
  return runs;
}

void EditTextDefinition::draw(const render::DrawTarget& target, const render::Matrix& to_device,
                              const render::ColorTransform& cxform, const FontLookup& fonts) const {
  if (bounds_.empty()) return;
  if (border_ && !target.mask_mode) {
    render::draw_geometry(box_geometry(bounds_, true), target, to_device, cxform,
                          render::BitmapLookup());
  }
  const render::FontDefinition* font = fonts ? fonts(font_id_) : nullptr;
  // Without outlines the field names a device font, which this player does
  // not have.
  if (!use_outlines_ || !font) return;
  render::DrawTarget clipped = target;
  if (to_device.b == 0 && to_device.c == 0) {
    // Text stays inside its field (exactly so when the field is not turned).
    clipped.clip = render::intersect(
        target.clip, render::enclosing_pixels(render::transform_box(to_device, bounds_)));
  }
  draw_runs(layout(font), clipped, to_device, cxform, fonts);
}

}  // namespace npfp
