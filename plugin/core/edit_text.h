// Dynamic text fields (DefineEditText): the field's record, and its text laid
// out in lines with the glyphs of an embedded font. Fields that name a
// device font have no outlines here and show only their border and
// background.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"
#include "render/canvas.h"
#include "render/color.h"
#include "render/geometry.h"

namespace npfp {

class EditTextDefinition {
 public:
  enum Align : uint8_t { left = 0, right = 1, center = 2, justify = 3 };

  // A DefineEditText (37) body; false when it is cut short before the
  // variable name (what was read stays).
  bool parse(const uint8_t* body, size_t length);

  uint16_t id() const { return id_; }
  const render::Rect& bounds() const { return bounds_; }
  bool has_text() const { return has_text_; }
  const std::string& initial_text() const { return initial_text_; }
  // Replaces the text (a script set it); markup follows the html flag.
  void set_text(const std::string& text) {
    initial_text_ = text;
    has_text_ = true;
  }
  const std::string& variable_name() const { return variable_name_; }
  uint16_t font_id() const { return font_id_; }
  uint16_t font_height() const { return font_height_; }  // twips
  render::Rgba color() const { return color_; }
  Align align() const { return align_; }
  bool word_wrap() const { return word_wrap_; }
  bool multiline() const { return multiline_; }
  bool password() const { return password_; }
  bool border() const { return border_; }
  bool html() const { return html_; }
  bool use_outlines() const { return use_outlines_; }
  uint16_t left_margin() const { return left_margin_; }
  uint16_t right_margin() const { return right_margin_; }
  uint16_t indent() const { return indent_; }
  int16_t leading() const { return leading_; }

  // The text as shown: HTML markup reduced to its characters and line
  // breaks, entities decoded; a password field shows asterisks.
  std::string display_text() const;

  // Lays the text out with the font and draws it; `to_device` maps the
  // field's space (twips) to device pixels.
  void draw(const render::DrawTarget& target, const render::Matrix& to_device,
            const render::ColorTransform& cxform, const FontLookup& fonts) const;

  // The glyph runs of the laid-out text in the field's space (one run per
  // line), for drawing and for tests. Empty without a usable font.
  std::vector<TextRun> layout(const render::FontDefinition* font) const;

 private:
  uint16_t id_ = 0;
  render::Rect bounds_;
  bool has_text_ = false, word_wrap_ = false, multiline_ = false, password_ = false;
  bool read_only_ = false, border_ = false, html_ = false, use_outlines_ = false;
  uint16_t font_id_ = 0, font_height_ = 240;
  render::Rgba color_{0, 0, 0, 255};
  uint16_t max_length_ = 0;
  Align align_ = left;
  uint16_t left_margin_ = 0, right_margin_ = 0, indent_ = 0;
  int16_t leading_ = 0;
  std::string variable_name_, initial_text_;
};

// Markup of an HTML text field reduced to text: tags dropped, <br> and the
// end of a paragraph become line feeds, entities decoded.
std::string strip_html(const std::string& html);

}  // namespace npfp
