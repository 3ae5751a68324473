// A small SWF writer for tests and the demo movie: enough of the format to
// build movies that exercise the player (shapes with solid, gradient and
// bitmap fills, lossless bitmaps, fonts and static text, sprites, the display
// list tags) plus raw tags for anything else, including damaged input.
// Coordinates are twips (1 pixel = 20 twips) unless a name says otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swfwriter {

using Bytes = std::vector<uint8_t>;

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
};

// Writes byte-aligned little-endian values and MSB-first bit fields.
class BitWriter {
 public:
  void ub(uint32_t value, int bits);
  void sb(int32_t value, int bits);
  // Signed 16.16 fixed point stored in `bits` bits.
  void fb(double value, int bits);
  // Pads the current byte with zero bits.
  void align();

  void u8(uint8_t v);
  void u16(uint16_t v);
  void u32(uint32_t v);
  void bytes(const Bytes& b);
  void bytes(const void* data, size_t size);
  // Zero-terminated.
  void string(const std::string& s);
  void rgb(const Rgba& c);
  void rgba(const Rgba& c);

  // Aligns and answers everything written so far.
  const Bytes& data();

  // Smallest field sizes that hold a value.
  static int unsigned_bits(uint32_t value);
  static int signed_bits(int32_t value);

 private:
  Bytes out_;
  uint8_t current_ = 0;
  int used_ = 0;  // bits used in current_
};

struct Matrix {
  double scale_x = 1, scale_y = 1;
  double rotate_skew0 = 0, rotate_skew1 = 0;
  int32_t translate_x = 0, translate_y = 0;

  static Matrix translation(int32_t x, int32_t y);
  static Matrix scaling(double sx, double sy, int32_t x = 0, int32_t y = 0);
  // Rotation by `radians` (clockwise on screen, y grows downwards), scaled.
  static Matrix rotation(double radians, double scale, int32_t x = 0, int32_t y = 0);
};

// Multiply terms are 8.8 fixed point (256 = 1.0).
struct ColorTransform {
  bool has_mult = false, has_add = false;
  int16_t mult[4] = {256, 256, 256, 256};  // r, g, b, a
  int16_t add[4] = {0, 0, 0, 0};
};

void write_rect(BitWriter& w, int32_t x_min, int32_t x_max, int32_t y_min, int32_t y_max);
void write_matrix(BitWriter& w, const Matrix& m);
void write_color_transform(BitWriter& w, const ColorTransform& cx, bool with_alpha);

struct GradientStop {
  uint8_t ratio = 0;
  Rgba color;
};

struct FillStyle {
  enum Type : uint8_t {
    kSolid = 0x00,
    kLinearGradient = 0x10,
    kRadialGradient = 0x12,
    kRepeatingBitmap = 0x40,
    kClippedBitmap = 0x41,
    kRepeatingBitmapHard = 0x42,
    kClippedBitmapHard = 0x43,
  };
  Type type = kSolid;
  Rgba color;
  Matrix matrix;
  std::vector<GradientStop> stops;
  uint16_t bitmap_id = 0;

  static FillStyle solid(Rgba c);
  static FillStyle linear(const Matrix& m, std::vector<GradientStop> stops);
  static FillStyle radial(const Matrix& m, std::vector<GradientStop> stops);
  static FillStyle bitmap(uint16_t id, const Matrix& m, bool clipped, bool smoothed = true);
  // The matrix that maps the gradient square onto a box.
  static Matrix gradient_box(int32_t x_min, int32_t y_min, int32_t x_max, int32_t y_max);
};

struct LineStyle {
  uint16_t width = 20;
  Rgba color;
};

// Collects styles and edges, then writes a DefineShape body (or a glyph
// SHAPE without styles). Points are absolute twips; the writer turns them into
// the format's deltas.
class ShapeBuilder {
 public:
  int add_fill(const FillStyle& f);  // 1-based index
  int add_line(const LineStyle& l);  // 1-based index

  void move_to(int32_t x, int32_t y);
  void line_to(int32_t x, int32_t y);
  void curve_to(int32_t control_x, int32_t control_y, int32_t x, int32_t y);
  // Style selection for the following edges (0 = none). Takes effect with the
  // next move_to, or at once as its own style-change record.
  void set_styles(int fill0, int fill1, int line);

  // Closed outlines filled on their right side (fill1) with clockwise
  // points, as authoring tools write them.
  void rectangle(int32_t x_min, int32_t y_min, int32_t x_max, int32_t y_max, int fill,
                 int line = 0);
  void circle(int32_t cx, int32_t cy, int32_t radius, int fill, int line = 0);

  // DefineShape body for tag version 1..4 (DefineShape, 2, 3, 4).
  Bytes define_shape_body(uint16_t id, int version) const;
  // A SHAPE as used by font glyphs: 1 fill bit, no line bits, no style arrays.
  Bytes glyph_shape() const;

  int32_t x_min() const { return x_min_; }
  int32_t y_min() const { return y_min_; }
  int32_t x_max() const { return x_max_; }
  int32_t y_max() const { return y_max_; }

 private:
  struct Record {
    enum Kind { kStyle, kLine, kCurve } kind;
    bool move = false;
    bool has_styles = false;
    int fill0 = 0, fill1 = 0, line = 0;
    int32_t x = 0, y = 0;    // move target, or edge end point
    int32_t cx = 0, cy = 0;  // curve control
  };
  void grow_bounds(int32_t x, int32_t y);
  void write_records(BitWriter& w, int fill_bits, int line_bits) const;

  std::vector<FillStyle> fills_;
  std::vector<LineStyle> lines_;
  std::vector<Record> records_;
  int32_t x_min_ = 0, y_min_ = 0, x_max_ = 0, y_max_ = 0;
  bool has_bounds_ = false;
};

// One PlaceObject2 (or PlaceObject3 when `version3`).
struct Placement {
  uint16_t depth = 1;
  bool move = false;
  bool has_character = false;
  uint16_t character = 0;
  bool has_matrix = false;
  Matrix matrix;
  bool has_color_transform = false;
  ColorTransform color_transform;
  bool has_ratio = false;
  uint16_t ratio = 0;
  std::string name;         // written when not empty
  uint16_t clip_depth = 0;  // written when not 0
  bool version3 = false;
  uint8_t blend_mode = 0;  // PlaceObject3 only, written when not 0

  static Placement place(uint16_t character, uint16_t depth, const Matrix& m = Matrix());
  static Placement move_to(uint16_t depth, const Matrix& m);
};

// Text records of DefineText: glyph indexes with advances, in one font.
struct TextRun {
  uint16_t font_id = 0;
  uint16_t height = 240;  // twips
  Rgba color;
  int32_t x = 0, y = 0;  // pen position for the run
  std::vector<uint32_t> glyphs;
  std::vector<int32_t> advances;  // twips, one per glyph
};

// DefineFont2 with a code table and layout (ascent, descent, advances).
struct Font2 {
  std::string name;
  std::vector<ShapeBuilder> glyphs;
  std::vector<uint16_t> codes;    // ascending, one per glyph
  std::vector<int16_t> advances;  // EM units, one per glyph
  uint16_t ascent = 0, descent = 0;
  int16_t leading = 0;
};

// DefineEditText. Fields left at their defaults are not written.
struct EditText {
  int32_t x_min = 0, y_min = 0, x_max = 2000, y_max = 400;
  bool word_wrap = false, multiline = false, password = false, read_only = true;
  bool border = false, html = false, use_outlines = true;
  uint16_t font_id = 0;  // 0: no font given
  uint16_t font_height = 240;
  bool has_color = false;
  Rgba color;
  bool has_layout = false;
  uint8_t align = 0;  // 0 left, 1 right, 2 center, 3 justify
  uint16_t left_margin = 0, right_margin = 0, indent = 0;
  int16_t leading = 0;
  std::string variable_name;
  bool has_text = false;
  std::string text;
};

// One character of a button in the states it shows (bits: 1 up, 2 over,
// 4 down, 8 hit area).
struct ButtonPart {
  uint8_t states = 1;
  uint16_t character = 0;
  uint16_t depth = 1;
  Matrix matrix;
  ColorTransform color_transform;  // DefineButton2 only
};

// A tag stream: the main movie's or a sprite's.
class TagStream {
 public:
  void tag(uint16_t code, const Bytes& body, bool long_form = false);

  void show_frame();
  void end();
  void set_background_color(Rgba c);
  void frame_label(const std::string& name);
  void place(const Placement& p);
  void place_object1(uint16_t character, uint16_t depth, const Matrix& m);
  void remove(uint16_t depth);                              // RemoveObject2
  void remove_object1(uint16_t character, uint16_t depth);  // RemoveObject
  void do_action(const Bytes& actions);

  void define_shape(uint16_t id, const ShapeBuilder& shape, int version = 3);
  // Format 5 pixels (24/32-bit), rows top to bottom. `with_alpha` writes
  // DefineBitsLossless2 with premultiplied ARGB, else DefineBitsLossless.
  void define_bits_lossless(uint16_t id, int width, int height, const std::vector<Rgba>& pixels,
                            bool with_alpha);
  // Format 3 (palette of at most 256 colours, one index per pixel).
  void define_bits_lossless_palette(uint16_t id, int width, int height,
                                    const std::vector<Rgba>& palette,
                                    const std::vector<uint8_t>& indexes, bool with_alpha);
  // DefineFont (v1): one SHAPE per glyph in the 1024-unit EM square.
  void define_font(uint16_t id, const std::vector<ShapeBuilder>& glyphs);
  void define_font2(uint16_t id, const Font2& font);
  // DefineButton2 (or DefineButton when `version` is 1), without actions.
  void define_button(uint16_t id, const std::vector<ButtonPart>& parts, bool track_as_menu,
                     int version = 2);
  void define_edit_text(uint16_t id, const EditText& field);
  // DefineText (RGB colours) or DefineText2 (RGBA) when `version` is 2.
  void define_text(uint16_t id, int32_t x_min, int32_t y_min, int32_t x_max, int32_t y_max,
                   const Matrix& m, const std::vector<TextRun>& runs, int version = 1);
  // The sprite's own stream gets an End tag when it lacks one.
  void define_sprite(uint16_t id, uint16_t frame_count, const TagStream& timeline);

  const Bytes& bytes() const { return out_; }
  // True when the last tag written is End (code 0).
  bool ended() const { return ended_; }

 private:
  Bytes out_;
  bool ended_ = false;
};

// A whole movie: header fields plus the main tag stream.
class Movie : public TagStream {
 public:
  uint8_t version = 8;
  int32_t width_twips = 640 * 20;
  int32_t height_twips = 480 * 20;
  double frame_rate = 30;
  uint16_t frame_count = 1;

  // The file: FWS, or CWS with everything after the 8-byte header deflated.
  // Appends an End tag when the stream lacks one.
  Bytes finish(bool compressed = false) const;
};

// zlib compression of a buffer (used by the lossless bitmap tags and CWS).
Bytes deflate_bytes(const Bytes& in);

// Writes bytes to a file; false on failure.
bool write_file(const std::string& path, const Bytes& bytes);

}  // namespace swfwriter
