#include "core/stage.h"

#include <algorithm>
#include <cctype>

namespace npfp {

namespace {

std::string lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

ScaleMode parse_scale_mode(const std::string& value) {
  std::string v = lower(value);
  if (v == "noborder") return ScaleMode::no_border;
  if (v == "exactfit") return ScaleMode::exact_fit;
  if (v == "noscale") return ScaleMode::no_scale;
  return ScaleMode::show_all;
}

StageAlign parse_align(const std::string& value) {
  StageAlign a;
  for (char c : lower(value)) {
    if (c == 'l') a.left = true;
    if (c == 'r') a.right = true;
    if (c == 't') a.top = true;
    if (c == 'b') a.bottom = true;
  }
  // Opposite edges together cancel out to centring, as neither can win.
  if (a.left && a.right) a.left = a.right = false;
  if (a.top && a.bottom) a.top = a.bottom = false;
  return a;
}

Quality parse_quality(const std::string& value) {
  std::string v = lower(value);
  if (v == "low") return Quality::low;
  if (v == "autolow") return Quality::autolow;
  if (v == "autohigh") return Quality::autohigh;
  if (v == "medium") return Quality::medium;
  if (v == "best") return Quality::best;
  return Quality::high;
}

bool parse_color(const std::string& value, render::Rgba& out) {
  std::string v = value;
  if (!v.empty() && v[0] == '#')
    v = v.substr(1);
  else if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X'))
    v = v.substr(2);
  if (v.size() != 6) return false;
  int d[6];
  for (int i = 0; i < 6; ++i)
    if ((d[i] = hex_digit(v[i])) < 0) return false;
  out.r = static_cast<uint8_t>(d[0] * 16 + d[1]);
  out.g = static_cast<uint8_t>(d[2] * 16 + d[3]);
  out.b = static_cast<uint8_t>(d[4] * 16 + d[5]);
  out.a = 255;
  return true;
}

StageOptions parse_stage_options(const std::vector<std::pair<std::string, std::string>>& params) {
  StageOptions o;
  for (const auto& p : params) {
    std::string name = lower(p.first);
    const std::string& value = p.second;
    if (name == "scale") {
      o.scale = parse_scale_mode(value);
    } else if (name == "salign") {
      o.align = parse_align(value);
    } else if (name == "bgcolor") {
      o.has_background = parse_color(value, o.background);
    } else if (name == "quality") {
      o.quality = parse_quality(value);
    } else if (name == "wmode") {
      o.transparent = lower(value) == "transparent";
    } else if (name == "menu") {
      o.menu = lower(value) != "false";
    } else if (name == "src" || name == "movie") {
      o.src = value;
    }
  }
  return o;
}

render::Matrix stage_matrix(const render::Rect& frame, int width, int height, ScaleMode mode,
                            const StageAlign& align) {
  double movie_w = (frame.x_max - frame.x_min) / 20.0;
  double movie_h = (frame.y_max - frame.y_min) / 20.0;
  double sx = 1, sy = 1;
  if (movie_w > 0 && movie_h > 0) {
    double fx = width / movie_w, fy = height / movie_h;
    switch (mode) {
      case ScaleMode::show_all:
        sx = sy = std::min(fx, fy);
        break;
      case ScaleMode::no_border:
        sx = sy = std::max(fx, fy);
        break;
      case ScaleMode::exact_fit:
        sx = fx;
        sy = fy;
        break;
      case ScaleMode::no_scale:
        break;
    }
  }
  double free_x = width - movie_w * sx, free_y = height - movie_h * sy;
  double ox = align.left ? 0 : align.right ? free_x : free_x / 2;
  double oy = align.top ? 0 : align.bottom ? free_y : free_y / 2;
  if (mode == ScaleMode::exact_fit) ox = oy = 0;
  render::Matrix m;
  m.a = sx / 20.0;
  m.d = sy / 20.0;
  m.tx = ox - frame.x_min * m.a;
  m.ty = oy - frame.y_min * m.d;
  return m;
}

}  // namespace npfp
