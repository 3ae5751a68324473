// The stage: how the movie's frame maps onto the plug-in's drawing area
// (the scale and salign parameters), and the reading of the instance
// parameters that shape the picture.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "render/color.h"
#include "render/geometry.h"

namespace npfp {

enum class ScaleMode { show_all, no_border, exact_fit, no_scale };

// Which window edges the movie is pinned to; none on an axis = centred.
struct StageAlign {
  bool left = false, right = false, top = false, bottom = false;
};

enum class Quality { low, autolow, autohigh, medium, high, best };

// What the instance parameters ask of the picture.
struct StageOptions {
  ScaleMode scale = ScaleMode::show_all;
  StageAlign align;
  bool has_background = false;  // bgcolor given: it replaces the movie's
  render::Rgba background;
  Quality quality = Quality::high;
  bool transparent = false;  // wmode=transparent: no background at all
  bool menu = true;
  std::string src;
};

// Case-insensitive readings; unknown values keep the default.
ScaleMode parse_scale_mode(const std::string& value);
StageAlign parse_align(const std::string& value);
Quality parse_quality(const std::string& value);
// "#rrggbb", "rrggbb" or "0xrrggbb"; false for anything else.
bool parse_color(const std::string& value, render::Rgba& out);

// Reads the parameter list (names compare without case; a later value wins).
StageOptions parse_stage_options(const std::vector<std::pair<std::string, std::string>>& params);

// The matrix from movie twips to device pixels of a width x height area.
render::Matrix stage_matrix(const render::Rect& frame, int width, int height, ScaleMode mode,
                            const StageAlign& align);

}  // namespace npfp
