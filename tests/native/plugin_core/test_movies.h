// Movies for the core's tests, made with the SWF writer, and a summary of
// a loaded model for comparing two loads.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "core/movie.h"
#include "core/player.h"
#include "swfwriter/swf_writer.h"

namespace plugin_core_test {

using swfwriter::Bytes;
using swfwriter::Rgba;

inline swfwriter::ShapeBuilder rectangle_shape(int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                                               Rgba color) {
  swfwriter::ShapeBuilder s;
  int fill = s.add_fill(swfwriter::FillStyle::solid(color));
  s.rectangle(x0, y0, x1, y1, fill);
  return s;
}

// Three frames: a red square (id 1) appears at depth 1, moves right, then a
// blue square (id 2) joins at depth 2 while the red one goes.
inline Bytes three_frame_movie(bool compressed = false, uint8_t version = 8) {
  swfwriter::Movie m;
  m.version = version;
  m.width_twips = 200 * 20;
  m.height_twips = 100 * 20;
  m.frame_rate = 24;
  m.frame_count = 3;
  m.set_background_color({10, 20, 30, 255});
  m.define_shape(1, rectangle_shape(0, 0, 400, 400, {255, 0, 0, 255}));
  m.define_shape(2, rectangle_shape(0, 0, 400, 400, {0, 0, 255, 255}));
  m.place(swfwriter::Placement::place(1, 1, swfwriter::Matrix::translation(200, 200)));
  m.frame_label("start");
  m.show_frame();
  m.place(swfwriter::Placement::move_to(1, swfwriter::Matrix::translation(1000, 200)));
  m.show_frame();
  m.remove(1);
  m.place(swfwriter::Placement::place(2, 2, swfwriter::Matrix::translation(2000, 600)));
  m.frame_label("end");
  m.show_frame();
  m.end();
  return m.finish(compressed);
}

// A summary of everything the model holds, for comparing loads.
inline std::string describe(const npfp::Movie& movie) {
  std::ostringstream s;
  s << "header " << movie.has_header << " v" << int(movie.header.version) << " "
    << movie.header.frame.x_max << "x" << movie.header.frame.y_max << " rate "
    << movie.header.frame_rate << " count " << movie.header.frame_count << "\n";
  s << "bg " << movie.has_background << " " << int(movie.background.r) << ","
    << int(movie.background.g) << "," << int(movie.background.b) << "\n";
  for (const auto& c : movie.characters) {
    s << "char " << c.first << " tag " << c.second.tag_code << " bytes " << c.second.body->size();
    if (c.second.timeline) s << " frames " << c.second.timeline->frames.size();
    s << "\n";
  }
  s << "complete " << movie.root.complete << " frames " << movie.root.frames.size() << "\n";
  for (const npfp::Frame& f : movie.root.frames) {
    s << "frame";
    for (const std::string& l : f.labels) s << " label=" << l;
    for (const npfp::DisplayCommand& d : f.commands) {
      const npfp::PlaceCommand& c = d.command;
      s << (d.kind == npfp::DisplayCommand::remove ? " remove" : " place") << "@" << c.depth;
      if (c.has_character) s << " char=" << c.character;
      if (c.has_matrix) s << " m=" << c.matrix.a << "," << c.matrix.tx << "," << c.matrix.ty;
      if (c.has_name) s << " name=" << c.name;
    }
    s << " actions=" << f.actions.size() << "\n";
  }
  return s.str();
}

// A player fed the whole file in pieces of `piece` bytes, stream finished.
inline std::unique_ptr<npfp::Player> load(const Bytes& file, size_t piece = 0) {
  auto p = std::make_unique<npfp::Player>();
  if (piece == 0) piece = file.size() ? file.size() : 1;
  for (size_t at = 0; at < file.size(); at += piece)
    p->feed(file.data() + at, std::min(piece, file.size() - at));
  p->finish_stream();
  return p;
}

}  // namespace plugin_core_test
