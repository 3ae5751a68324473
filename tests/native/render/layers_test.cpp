// Blend modes against their per-channel formulas, filter records and filters.
#include "render/layers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "image_check.h"
#include "swf_bits.h"

using render::BlendMode;
using render::Canvas;
using render::DrawTarget;
using render::Filter;
using render_test::SwfBits;

namespace {

uint32_t composite_one(BlendMode mode, uint32_t src, uint32_t dst) {
  Canvas target(1, 1), layer(1, 1);
  target.clear(dst);
  layer.clear(src);
  render::composite_layer(DrawTarget::whole(target), layer, mode);
  return target.pixel(0, 0);
}

void expect_channels(uint32_t actual, int a, int r, int g, int b, const char* what) {
  EXPECT_NEAR(a, render_test::alpha_of(actual), 1) << what;
  EXPECT_NEAR(r, render_test::red_of(actual), 1) << what;
  EXPECT_NEAR(g, render_test::green_of(actual), 1) << what;
  EXPECT_NEAR(b, render_test::blue_of(actual), 1) << what;
}

}  // namespace

TEST(RenderLayers, OpaqueBlendModesFollowTheirFormulas) {
  const int s[3] = {200, 100, 50}, d[3] = {100, 200, 250};
  const uint32_t src = render::pack_argb(255, 200, 100, 50);
  const uint32_t dst = render::pack_argb(255, 100, 200, 250);
  struct Case {
    BlendMode mode;
    const char* name;
    int (*f)(int s, int d);
  };
  const Case cases[] = {
      {BlendMode::normal, "normal", [](int s, int) { return s; }},
      {BlendMode::multiply, "multiply", [](int s, int d) { return s * d / 255; }},
      {BlendMode::screen, "screen", [](int s, int d) { return s + d - s * d / 255; }},
      {BlendMode::lighten, "lighten", [](int s, int d) { return std::max(s, d); }},
      {BlendMode::darken, "darken", [](int s, int d) { return std::min(s, d); }},
      {BlendMode::difference, "difference", [](int s, int d) { return std::abs(s - d); }},
      {BlendMode::add, "add", [](int s, int d) { return std::min(255, s + d); }},
      {BlendMode::subtract, "subtract", [](int s, int d) { return std::max(0, d - s); }},
      {BlendMode::invert, "invert", [](int, int d) { return 255 - d; }},
      {BlendMode::overlay, "overlay",
       [](int s, int d) {
         return d <= 127 ? 2 * s * d / 255 : 255 - 2 * (255 - s) * (255 - d) / 255;
       }},
      {BlendMode::hardlight, "hardlight",
       [](int s, int d) {
         return s <= 127 ? 2 * s * d / 255 : 255 - 2 * (255 - s) * (255 - d) / 255;
       }},
  };
  for (const Case& c : cases) {
    uint32_t out = composite_one(c.mode, src, dst);
    expect_channels(out, 255, c.f(s[0], d[0]), c.f(s[1], d[1]), c.f(s[2], d[2]), c.name);
  }
  EXPECT_EQ(BlendMode::normal, render::blend_mode_from_byte(0));
  EXPECT_EQ(BlendMode::hardlight, render::blend_mode_from_byte(14));
  EXPECT_EQ(BlendMode::normal, render::blend_mode_from_byte(15));
}

TEST(RenderLayers, AlphaAndEraseChangeTheLayerBelowAndMasksLimitCompositing) {
  const uint32_t below = 0xFF804020u;
  // "alpha" keeps the layer below where the object is opaque; "erase" removes it.
  EXPECT_EQ(below, composite_one(BlendMode::alpha, 0xFF000000u, below));
  expect_channels(composite_one(BlendMode::alpha, 0x80000000u, below), 128, 64, 32, 16, "alpha");
  EXPECT_EQ(0u, composite_one(BlendMode::erase, 0xFF000000u, below));
  EXPECT_EQ(below, composite_one(BlendMode::erase, 0x00000000u, below));
  // "invert" inverts what is stored below: over nothing it shows white.
  EXPECT_EQ(0xFFFFFFFFu, composite_one(BlendMode::invert, 0xFF00FFFFu, 0u));
  // Half strength: d / 2 + (255 - d) / 2 for every channel.
  expect_channels(composite_one(BlendMode::invert, 0x80000000u, 0xFF204060u), 255, 128, 128, 128,
                  "half invert");
  // Translucent source over translucent destination in multiply mode.
  uint32_t out = composite_one(BlendMode::multiply, 0x80800000u, 0x80008000u);
  expect_channels(out, 191, 64, 64, 0, "translucent multiply");

  Canvas target(2, 1), layer(2, 1);
  target.clear(0xFF000000u);
  layer.clear(0xFFFFFFFFu);
  Canvas mask_source(2, 1);
  mask_source.fill({0, 0, 1, 1}, 0xFFFFFFFFu);
  render::Mask mask;
  mask.set_from_alpha(mask_source, mask_source.bounds(), true);
  DrawTarget t = DrawTarget::whole(target);
  t.mask = &mask;
  render::composite_layer(t, layer, BlendMode::normal);
  EXPECT_EQ(0xFFFFFFFFu, target.pixel(0, 0));
  EXPECT_EQ(0xFF000000u, target.pixel(1, 0));
}

TEST(RenderLayers, FilterListRecordsParse) {
  SwfBits s;
  s.u8(4);
  s.u8(0);  // drop shadow
  s.rgba(0, 0, 0, 255);
  s.u32(4 << 16);
  s.u32(4 << 16);
  s.u32(0);
  s.u32(5 << 16);
  s.u16(0x0180);  // strength 1.5
  s.u8(0x20 | 0x40 | 3);
  s.u8(1);  // blur
  s.u32(8 << 16);
  s.u32(2 << 16);
  s.u8(2 << 3);
  s.u8(6);  // colour matrix
  for (int i = 0; i < 20; ++i) {
    float v = float(i);
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    s.u32(bits);
  }
  s.u8(4);  // gradient glow with two colours
  s.u8(2);
  s.rgba(255, 0, 0, 255);
  s.rgba(0, 255, 0, 255);
  s.u8(0);
  s.u8(255);
  s.u32(3 << 16);
  s.u32(3 << 16);
  s.u32(0);
  s.u32(0);
  s.u16(0x0100);
  s.u8(0x80 | 1);
  std::vector<Filter> filters;
  ASSERT_EQ(s.size(), render::parse_filter_list(s.data().data(), s.size(), filters));
  ASSERT_EQ(4u, filters.size());
  EXPECT_EQ(Filter::drop_shadow, filters[0].type);
  EXPECT_DOUBLE_EQ(5, filters[0].distance);
  EXPECT_DOUBLE_EQ(1.5, filters[0].strength);
  EXPECT_TRUE(filters[0].knockout);
  EXPECT_FALSE(filters[0].inner);
  EXPECT_EQ(3, filters[0].passes);
  EXPECT_DOUBLE_EQ(8, filters[1].blur_x);
  EXPECT_EQ(2, filters[1].passes);
  EXPECT_FLOAT_EQ(19, filters[2].matrix[19]);
  ASSERT_EQ(2u, filters[3].gradient.size());
  EXPECT_EQ(255, filters[3].gradient[1].ratio);
  EXPECT_TRUE(filters[3].inner);
  for (size_t cut = 0; cut < s.size(); ++cut) {
    std::vector<uint8_t> part(s.data().begin(), s.data().begin() + cut);
    EXPECT_EQ(0u, render::parse_filter_list(part.data(), part.size(), filters)) << cut;
  }
}

TEST(RenderLayers, BlurSpreadsAlphaButKeepsItsTotal) {
  Canvas layer(40, 40);
  layer.fill({18, 18, 22, 22}, 0xFFFFFFFFu);
  Filter blur;
  blur.type = Filter::blur;
  blur.blur_x = blur.blur_y = 6;
  blur.passes = 2;
  render::IntRect area{18, 18, 22, 22};
  render::apply_filters(layer, area, {blur});
  EXPECT_LE(area.left, 12);
  EXPECT_GE(area.right, 28);
  double total = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) total += layer.pixel(x, y) >> 24;
  EXPECT_NEAR(16 * 255, total, 16 * 255 * 0.03);
  EXPECT_LT(render_test::alpha_of(layer.pixel(20, 20)), 255);
  EXPECT_GT(render_test::alpha_of(layer.pixel(15, 20)), 0);
  EXPECT_EQ(0u, layer.pixel(2, 2));
}

TEST(RenderLayers, ColorMatrixAndDropShadowProduceExpectedPixels) {
  Canvas layer(20, 20);
  layer.fill({5, 5, 10, 10}, render::pack_argb(255, 200, 100, 50));
  Filter swap;
  swap.type = Filter::color_matrix;
  swap.matrix = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
  render::IntRect area{5, 5, 10, 10};
  render::apply_filters(layer, area, {swap});
  EXPECT_EQ(render::pack_argb(255, 50, 100, 200), layer.pixel(7, 7));

  Filter shadow;
  shadow.type = Filter::drop_shadow;
  shadow.color = {0, 0, 0, 255};
  shadow.distance = 4;
  shadow.angle = 0;  // to the right
  shadow.passes = 1;
  render::apply_filters(layer, area, {shadow});
  EXPECT_EQ(render::pack_argb(255, 50, 100, 200), layer.pixel(7, 7)) << "object stays on top";
  EXPECT_EQ(0xFF000000u, layer.pixel(12, 7)) << "shadow to the right";
  EXPECT_EQ(0u, layer.pixel(3, 7)) << "nothing to the left";

  Filter knockout = shadow;
  knockout.knockout = true;
  Canvas second(20, 20);
  second.fill({5, 5, 10, 10}, 0xFFFFFFFFu);
  area = {5, 5, 10, 10};
  render::apply_filters(second, area, {knockout});
  EXPECT_EQ(0u, second.pixel(7, 7)) << "knockout hides the object";
  EXPECT_EQ(0xFF000000u, second.pixel(12, 7));
  EXPECT_GE(render::filter_margin({shadow}), 4);
}

TEST(RenderLayers, GlowSurroundsTheObjectAndConvolutionShiftsPixels) {
  Canvas layer(30, 30);
  layer.fill({10, 10, 20, 20}, 0xFF0000FFu);
  Filter glow;
  glow.type = Filter::glow;
  glow.color = {255, 0, 0, 255};
  glow.blur_x = glow.blur_y = 4;
  glow.passes = 1;
  render::IntRect area{10, 10, 20, 20};
  render::apply_filters(layer, area, {glow});
  EXPECT_EQ(0xFF0000FFu, layer.pixel(15, 15)) << "the object stays on top";
  uint32_t near = layer.pixel(9, 15);
  EXPECT_GT(render_test::alpha_of(near), 0);
  EXPECT_EQ(render_test::alpha_of(near), render_test::red_of(near)) << "pure red glow";
  EXPECT_EQ(0u, layer.pixel(2, 15));

  // Inner glow stays inside the object.
  Canvas inner_layer(30, 30);
  inner_layer.fill({10, 10, 20, 20}, 0xFF0000FFu);
  Filter inner = glow;
  inner.inner = true;
  area = {10, 10, 20, 20};
  render::apply_filters(inner_layer, area, {inner});
  EXPECT_EQ(0u, inner_layer.pixel(9, 15));
  EXPECT_GT(render_test::red_of(inner_layer.pixel(10, 15)), 0) << "red at the inner edge";
  EXPECT_EQ(0xFF0000FFu, inner_layer.pixel(15, 15)) << "centre untouched";

  // A 3 x 1 kernel taking the left neighbour moves the picture right by one.
  Canvas shifted(8, 3);
  shifted.fill({2, 0, 3, 3}, 0xFFFFFFFFu);
  Filter convolution;
  convolution.type = Filter::convolution;
  convolution.matrix_x = 3;
  convolution.matrix_y = 1;
  convolution.matrix = {1, 0, 0};
  convolution.divisor = 1;
  area = {0, 0, 8, 3};
  render::apply_filters(shifted, area, {convolution});
  EXPECT_EQ(0u, shifted.pixel(2, 1));
  EXPECT_EQ(0xFFFFFFFFu, shifted.pixel(3, 1));
}
