// Feeds random tag bodies to the renderer's parsers (shapes, morph shapes,
// fonts, bitmaps, filter lists) and draws what they accept into a small canvas.
// The first input byte picks the parser.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/bitmap.h"
#include "render/font.h"
#include "render/layers.h"
#include "render/morph.h"
#include "render/shape.h"

namespace {

const int kShapeCodes[] = {2, 22, 32, 83};
const int kBitmapCodes[] = {6, 20, 21, 35, 36};

void draw_everywhere(const render::ShapeGeometry& geometry, const render::BitmapLookup& bitmaps) {
  render::Canvas canvas(32, 32);
  render::DrawTarget target = render::DrawTarget::whole(canvas);
  const render::Matrix matrices[] = {render::Matrix::scaling(0.05, 0.05),
                                     render::Matrix{0.3, 0.2, -0.1, 0.01, -50, 7},
                                     render::Matrix::scaling(40, 40)};
  for (const render::Matrix& m : matrices)
    render::draw_geometry(geometry, target, m, render::ColorTransform(), bitmaps);
  target.antialias = false;
  target.mask_mode = true;
  render::draw_geometry(geometry, target, matrices[0], render::ColorTransform(), bitmaps);
  render::geometry_hit(geometry, {100, 100});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  const uint8_t* body = data + 1;
  const size_t length = size - 1;
  // A small bitmap every bitmap fill can find.
  render::Bitmap image;
  image.width = 3;
  image.height = 2;
  image.pixels = {0xFF0000FFu, 0x80800000u, 0u, 0xFFFFFFFFu, 0x40004000u, 0xFF00FF00u};
  render::BitmapLookup bitmaps = [&](uint16_t) { return &image; };
  switch (selector % 6) {
    case 0: {
      render::ShapeDefinition shape;
      shape.parse(kShapeCodes[(selector / 6) % 4], body, length);
      draw_everywhere(shape.geometry(), bitmaps);
      break;
    }
    case 1: {
      render::MorphShapeDefinition morph;
      morph.parse(selector & 0x80 ? 84 : 46, body, length);
      for (uint16_t ratio : {uint16_t(0), uint16_t(30000), uint16_t(65535)})
        draw_everywhere(morph.geometry_at(ratio), bitmaps);
      break;
    }
    case 2: {
      render::FontDefinition font;
      const int codes[] = {10, 48, 75};
      font.parse(codes[(selector / 6) % 3], body, length);
      font.parse_info(selector & 0x80 ? 62 : 13, body, length);
      render::Canvas canvas(16, 16);
      for (size_t g = 0; g < font.glyph_count() && g < 64; ++g)
        font.draw_glyph(g, render::DrawTarget::whole(canvas), render::Matrix::scaling(0.01, 0.01),
                        {0, 0, 0, 255}, render::ColorTransform());
      font.glyph_for_code(65);
      font.kerning(65, 66);
      break;
    }
    case 3: {
      uint16_t id;
      render::Bitmap out;
      // Half the body as JPEG tables for DefineBits.
      std::vector<uint8_t> tables(body, body + length / 2);
      render::decode_bitmap_tag(kBitmapCodes[(selector / 6) % 5], body, length, tables, 8, id, out);
      if (!out.empty() && out.pixels.size() != size_t(out.width) * size_t(out.height))
        __builtin_trap();
      break;
    }
    case 4: {
      std::vector<render::Filter> filters;
      render::parse_filter_list(body, length, filters);
      render::Canvas layer(24, 24);
      layer.fill({8, 8, 16, 16}, 0xFF336699u);
      render::IntRect area{8, 8, 16, 16};
      render::apply_filters(layer, area, filters);
      break;
    }
    default: {
      render::Bitmap out;
      render::decode_image(body, length, out);
      break;
    }
  }
  return 0;
}
