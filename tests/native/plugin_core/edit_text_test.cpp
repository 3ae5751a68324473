// Dynamic text fields: the record, HTML reduced to text, line layout with an
// embedded font (wrapping, alignment, margins) and drawing.
#include "core/edit_text.h"

#include <gtest/gtest.h>

#include "core/player.h"
#include "render/font.h"
#include "swfwriter/block_font.h"
#include "test_movies.h"

namespace {

using namespace plugin_core_test;

// The block font as DefineFont2: advance 768 EM units, ascent 896, descent 128.
struct Font {
  render::FontDefinition definition;
  Font() {
    swfwriter::TagStream s;
    s.define_font2(7, swfwriter::block_font2());
    const Bytes& tag = s.bytes();
    // Long or short tag header: the body follows it.
    size_t header = (tag[0] & 0x3F) == 0x3F ? 6 : 2;
    EXPECT_TRUE(definition.parse(48, tag.data() + header, tag.size() - header));
  }
};

npfp::EditTextDefinition field_of(const swfwriter::EditText& f) {
  swfwriter::TagStream s;
  s.define_edit_text(3, f);
  const Bytes& tag = s.bytes();
  size_t header = (tag[0] & 0x3F) == 0x3F ? 6 : 2;
  npfp::EditTextDefinition d;
  EXPECT_TRUE(d.parse(tag.data() + header, tag.size() - header));
  return d;
}

swfwriter::EditText base_field() {
  swfwriter::EditText f;
  f.x_min = 0;
  f.y_min = 0;
  f.x_max = 80 + 3 * 768 + 10;  // room for three glyphs of height 1024 between the gutters
  f.y_max = 4000;
  f.font_id = 7;
  f.font_height = 1024;  // one twip per EM unit
  f.has_text = true;
  return f;
}

std::vector<double> xs(const npfp::TextRun& run) {
  std::vector<double> out;
  for (const npfp::TextGlyph& g : run.glyphs) out.push_back(g.x);
  return out;
}

TEST(PluginCoreEditText, HtmlBecomesTextWithLineBreaks) {
  EXPECT_EQ(npfp::strip_html("<p align=\"left\"><font color=\"#ff0000\">A &amp; B</font></p>"
                             "<p>C<br/>D &lt;E&gt; &quot;F&quot; &bogus;</p>"),
            "A & B\nC\nD <E> \"F\" &bogus;");
  EXPECT_EQ(npfp::strip_html("no tags"), "no tags");
  EXPECT_EQ(npfp::strip_html("cut <b"), "cut ");
}

TEST(PluginCoreEditText, RecordFieldsAreRead) {
  swfwriter::EditText f = base_field();
  f.has_color = true;
  f.color = {1, 2, 3, 200};
  f.has_layout = true;
  f.align = 2;
  f.left_margin = 11;
  f.right_margin = 12;
  f.indent = 13;
  f.leading = -14;
  f.variable_name = "_root.score";
  f.text = "HI";
  f.border = true;
  f.multiline = true;
  npfp::EditTextDefinition d = field_of(f);
  EXPECT_EQ(d.id(), 3);
  EXPECT_EQ(d.bounds().x_max, f.x_max);
  EXPECT_EQ(d.font_id(), 7);
  EXPECT_EQ(d.font_height(), 1024);
  EXPECT_EQ(d.color().a, 200);
  EXPECT_EQ(d.align(), npfp::EditTextDefinition::center);
  EXPECT_EQ(d.left_margin(), 11);
  EXPECT_EQ(d.right_margin(), 12);
  EXPECT_EQ(d.indent(), 13);
  EXPECT_EQ(d.leading(), -14);
  EXPECT_EQ(d.variable_name(), "_root.score");
  EXPECT_EQ(d.initial_text(), "HI");
  EXPECT_TRUE(d.border());
  EXPECT_TRUE(d.multiline());
  EXPECT_FALSE(d.word_wrap());
  EXPECT_TRUE(d.use_outlines());
}

TEST(PluginCoreEditText, LinesWrapAtWordsAndAlign) {
  Font font;
  swfwriter::EditText f = base_field();
  f.text = "HI";
  std::vector<npfp::TextRun> runs = field_of(f).layout(&font.definition);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(xs(runs[0]), std::vector<double>({40, 40 + 768}));  // after the 2-pixel gutter
  EXPECT_DOUBLE_EQ(runs[0].y, 40 + 896);                        // baseline one ascent down
  EXPECT_DOUBLE_EQ(runs[0].height, 1024);

  f.text = "AH IS HI";
  f.multiline = true;
  f.word_wrap = true;
  runs = field_of(f).layout(&font.definition);
  ASSERT_EQ(runs.size(), 3u);  // "AH", "IS", "HI": "AH IS" is wider than three glyphs
  for (const npfp::TextRun& r : runs) EXPECT_EQ(r.glyphs.size(), 2u);
  EXPECT_DOUBLE_EQ(runs[1].y - runs[0].y, 896 + 128);
  EXPECT_EQ(xs(runs[1])[0], 40);  // the space before the wrapped word is dropped

  // Without wrapping the words stay on one line; a single-line field shows
  // only the first line of several.
  f.word_wrap = false;
  EXPECT_EQ(field_of(f).layout(&font.definition).size(), 1u);
  f.text = "HI\nIS";
  f.multiline = false;
  runs = field_of(f).layout(&font.definition);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].glyphs.size(), 2u);

  f.text = "I";
  f.has_layout = true;
  f.align = 1;  // right: ends at the right gutter and margin
  f.right_margin = 100;
  runs = field_of(f).layout(&font.definition);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_DOUBLE_EQ(runs[0].glyphs[0].x, f.x_max - 40 - 100 - 768);
  f.align = 2;
  f.right_margin = 0;
  runs = field_of(f).layout(&font.definition);
  EXPECT_DOUBLE_EQ(runs[0].glyphs[0].x, 40 + (f.x_max - 80 - 768) / 2.0);
}

TEST(PluginCoreEditText, PasswordsShowAsterisksAndUnknownCharactersAreSkipped) {
  Font font;
  swfwriter::EditText f = base_field();
  f.password = true;
  f.text =
      "s\xC3\xA9"
      "cret";  // UTF-8: six characters
  EXPECT_EQ(field_of(f).display_text(), "******");
  f.password = false;
  f.text = "HxI";  // the font has no x
  std::vector<npfp::TextRun> runs = field_of(f).layout(&font.definition);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(xs(runs[0]), std::vector<double>({40, 40 + 768}));
  EXPECT_TRUE(field_of(f).layout(nullptr).empty());
}

TEST(PluginCoreEditText, FieldDrawsBorderBackgroundAndText) {
  swfwriter::Movie m;
  m.width_twips = 100 * 20;
  m.height_twips = 60 * 20;
  m.set_background_color({10, 20, 30, 255});
  m.define_font2(7, swfwriter::block_font2());
  swfwriter::EditText f = base_field();
  f.x_max = 90 * 20;
  f.y_max = 50 * 20;
  f.border = true;
  f.has_color = true;
  f.color = {0, 0, 255, 255};
  f.text = "I";
  m.define_edit_text(3, f);
  m.place(swfwriter::Placement::place(3, 1, swfwriter::Matrix::translation(100, 100)));
  m.show_frame();
  auto p = load(m.finish());
  p->advance();
  render::Canvas c(100, 60);
  p->render(c, c.bounds());
  EXPECT_EQ(c.pixel(2, 2), 0xFF0A141Eu);    // outside the field
  EXPECT_EQ(c.pixel(80, 40), 0xFFFFFFFFu);  // background inside the border
  // The 1-pixel border is centred on x = 5: darker than the background there.
  EXPECT_LT(c.pixel(5, 30) & 0xFF, 160u);
  // "I" from x = 5 + 2 = 7 px; its top bar spans rows 7..13.4, its stem x 19.8..26.2.
  EXPECT_EQ(c.pixel(10, 10), 0xFF0000FFu);
  EXPECT_EQ(c.pixel(23, 30), 0xFF0000FFu);
  EXPECT_EQ(c.pixel(12, 30), 0xFFFFFFFFu);
}

}  // namespace
