// Writes the seed movies of the player core's fuzz target (fuzz/swf_core):
// small movies with the tags the core reads, plain and compressed. Each
// file starts with the byte the fuzz target uses to choose piece sizes.
//
//   make_core_seeds <folder>
#include <cstdio>
#include <string>

#include "swfwriter/block_font.h"
#include "swfwriter/swf_writer.h"

using namespace swfwriter;

namespace {

ShapeBuilder square(Rgba c) {
  ShapeBuilder s;
  int fill = s.add_fill(FillStyle::solid(c));
  int line = s.add_line({40, {0, 0, 0, 255}});
  s.rectangle(0, 0, 400, 400, fill, line);
  return s;
}

Movie base() {
  Movie m;
  m.width_twips = 48 * 20;
  m.height_twips = 36 * 20;
  m.set_background_color({200, 200, 255, 255});
  return m;
}

bool save(const std::string& folder, const std::string& name, uint8_t piece, const Bytes& file) {
  Bytes seed = {piece};
  seed.insert(seed.end(), file.begin(), file.end());
  return write_file(folder + "/" + name, seed);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_core_seeds <folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  bool ok = true;

  Movie frames = base();
  frames.frame_count = 3;
  frames.define_shape(1, square({255, 0, 0, 255}), 1);
  frames.place(Placement::place(1, 1));
  frames.frame_label("one");
  frames.show_frame();
  frames.place(Placement::move_to(1, Matrix::rotation(0.5, 1.5, 200, 100)));
  frames.show_frame();
  frames.remove(1);
  frames.place_object1(1, 2, Matrix::translation(300, 300));
  frames.show_frame();
  ok &= save(folder, "frames_fws", 4, frames.finish(false));
  ok &= save(folder, "frames_cws", 1, frames.finish(true));

  Movie sprites = base();
  sprites.define_shape(1, square({0, 255, 0, 255}), 3);
  TagStream inner;
  inner.place(Placement::place(1, 1));
  inner.show_frame();
  inner.place(Placement::move_to(1, Matrix::translation(100, 0)));
  inner.show_frame();
  sprites.define_sprite(2, 2, inner);
  Placement mask = Placement::place(1, 1, Matrix::scaling(0.5, 0.5));
  mask.clip_depth = 3;
  sprites.place(mask);
  Placement clip = Placement::place(2, 2);
  clip.name = "clip";
  clip.has_color_transform = true;
  clip.color_transform.has_add = true;
  clip.color_transform.add[2] = 100;
  clip.version3 = true;
  clip.blend_mode = 3;
  sprites.place(clip);
  sprites.show_frame();
  ok &= save(folder, "sprites_masks", 2, sprites.finish(false));

  Movie content = base();
  std::vector<Rgba> pixels;
  for (int i = 0; i < 16; ++i) pixels.push_back({static_cast<uint8_t>(i * 16), 80, 40, 200});
  content.define_bits_lossless(1, 4, 4, pixels, true);
  content.define_bits_lossless_palette(2, 3, 2, {{255, 0, 0, 255}, {0, 0, 255, 255}},
                                       {0, 1, 0, 1, 0, 1}, false);
  ShapeBuilder shape;
  int bitmap = shape.add_fill(FillStyle::bitmap(1, Matrix::scaling(20, 20), false));
  int gradient = shape.add_fill(FillStyle::radial(
      FillStyle::gradient_box(0, 0, 400, 400), {{0, {255, 255, 255, 255}}, {255, {0, 0, 0, 255}}}));
  shape.rectangle(0, 0, 200, 200, bitmap);
  shape.circle(300, 300, 100, gradient);
  content.define_shape(3, shape, 3);
  content.define_font(4, block_font_glyphs());
  content.define_text(5, 0, -200, 800, 0, Matrix(),
                      {block_font_run(4, "HI", 200, {0, 0, 0, 255}, 0, 0)}, 2);
  content.place(Placement::place(3, 1));
  content.place(Placement::place(5, 2, Matrix::translation(0, 600)));
  content.show_frame();
  ok &= save(folder, "bitmaps_text", 3, content.finish(true));

  if (!ok) {
    std::fprintf(stderr, "make_core_seeds: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
