// Blend modes for layers, and the SWF 8 bitmap filters.
#include "render/layers.h"

#include <algorithm>
#include <cmath>

#include "render/bit_reader.h"
#include "render/paint.h"
#include "render/records.h"

namespace render {

BlendMode blend_mode_from_byte(uint8_t value) {
  if (value >= 2 && value <= 14) return static_cast<BlendMode>(value);
  return BlendMode::normal;
}

namespace {

// Straight colour of one channel of the blend result for colours in 0..1.
inline float blend_channel(BlendMode mode, float s, float d) {
  switch (mode) {
    case BlendMode::multiply:
      return s * d;
    case BlendMode::screen:
      return s + d - s * d;
    case BlendMode::lighten:
      return std::max(s, d);
    case BlendMode::darken:
      return std::min(s, d);
    case BlendMode::difference:
      return std::fabs(s - d);
    case BlendMode::add:
      return std::min(1.0f, s + d);
    case BlendMode::subtract:
      return std::max(0.0f, d - s);
    case BlendMode::invert:
      return 1 - d;
    case BlendMode::overlay:
      return d <= 0.5f ? 2 * s * d : 1 - 2 * (1 - s) * (1 - d);
    case BlendMode::hardlight:
      return s <= 0.5f ? 2 * s * d : 1 - 2 * (1 - s) * (1 - d);
    default:
      return s;
  }
}

uint32_t blend_pixel(BlendMode mode, uint32_t src, uint32_t dst) {
  const float sa = (src >> 24) / 255.0f, da = (dst >> 24) / 255.0f;
  if (mode == BlendMode::alpha) return scale_pixel(dst, uint32_t(sa * 256 + 0.5f));
  if (mode == BlendMode::erase) return scale_pixel(dst, uint32_t((1 - sa) * 256 + 0.5f));
  if (sa == 0) return dst;
  if (mode == BlendMode::normal || mode == BlendMode::layer) return blend_over(dst, src);
  if (mode == BlendMode::invert) {
    // The object's alpha inverts the colours below as they are stored: where
    // nothing is below, the inverse of transparent black shows as white.
    uint32_t inverted = (src & 0xFF000000u) | scale_pixel(~dst & 0x00FFFFFFu, (src >> 24) + 1);
    uint32_t kept = scale_pixel(dst, 256 - (src >> 24));
    uint32_t a = std::min(255u, (inverted >> 24) + (kept >> 24));
    auto channel = [&](int shift) {
      return std::min(a, ((inverted >> shift) & 0xFF) + ((kept >> shift) & 0xFF));
    };
    return (a << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
  }
  // General separable compositing: the blended colour where both are present,
  // each side alone where only it is.
  float out[4];
  const float ra = sa + da - sa * da;
  out[0] = ra;
  for (int c = 0; c < 3; ++c) {
    int shift = 16 - 8 * c;
    float sp = ((src >> shift) & 0xFF) / 255.0f, dp = ((dst >> shift) & 0xFF) / 255.0f;
    float sc = sp / sa, dc = da > 0 ? dp / da : 0;
    out[c + 1] = sp * (1 - da) + dp * (1 - sa) + sa * da * blend_channel(mode, sc, dc);
  }
  auto to8 = [](float v) { return uint32_t(std::max(0.0f, std::min(1.0f, v)) * 255 + 0.5f); };
  uint32_t a = to8(out[0]);
  return (a << 24) | (std::min(a, to8(out[1])) << 16) | (std::min(a, to8(out[2])) << 8) |
         std::min(a, to8(out[3]));
}

// Working copy of a region: premultiplied channels as floats (A, R, G, B).
struct Plane {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<float> v;  // 4 per pixel
  float* at(int x, int y) { return &v[(size_t(y) * width + x) * 4]; }
};

Plane load(const Canvas& c, const IntRect& r) {
  Plane p{r.left, r.top, r.width(), r.height(), {}};
  p.v.resize(size_t(p.width) * p.height * 4);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      uint32_t px = c.pixel(r.left + x, r.top + y);
      float* o = p.at(x, y);
      o[0] = float(px >> 24);
      o[1] = float((px >> 16) & 0xFF);
      o[2] = float((px >> 8) & 0xFF);
      o[3] = float(px & 0xFF);
    }
  return p;
}

void store(Plane& p, Canvas& c) {
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const float* o = p.at(x, y);
      auto ch = [](float f) { return uint32_t(std::max(0.0f, std::min(255.0f, f + 0.5f))); };
      uint32_t a = ch(o[0]);
      c.row(p.top + y)[p.left + x] = (a << 24) | (std::min(a, ch(o[1])) << 16) |
                                     (std::min(a, ch(o[2])) << 8) | std::min(a, ch(o[3]));
    }
}

// One box blur pass along a line of `count` values spaced `step` floats apart.
void box_line(float* data, int count, int step, int radius, std::vector<float>& scratch) {
  if (radius <= 0 || count <= 1) return;
  scratch.resize(size_t(count));
  float window = float(2 * radius + 1);
  double sum = 0;
  for (int i = -radius; i <= radius; ++i)
    if (i >= 0 && i < count) sum += data[size_t(i) * step];
  for (int i = 0; i < count; ++i) {
    scratch[size_t(i)] = float(sum / window);
    int out = i - radius, in = i + radius + 1;
    if (out >= 0) sum -= data[size_t(out) * step];
    if (in < count) sum += data[size_t(in) * step];
  }
  for (int i = 0; i < count; ++i) data[size_t(i) * step] = scratch[size_t(i)];
}

// Blurs channel `channels` (bit mask over A, R, G, B) of a plane.
void blur(Plane& p, double blur_x, double blur_y, int passes, int channels = 0xF) {
  int rx = int(blur_x / 2), ry = int(blur_y / 2);
  std::vector<float> scratch;
  for (int pass = 0; pass < std::max(1, passes); ++pass) {
    for (int c = 0; c < 4; ++c) {
      if (!(channels & (1 << c))) continue;
      if (rx > 0)
        for (int y = 0; y < p.height; ++y) box_line(p.at(0, y) + c, p.width, 4, rx, scratch);
      if (ry > 0)
        for (int x = 0; x < p.width; ++x)
          box_line(p.at(x, 0) + c, p.height, p.width * 4, ry, scratch);
    }
  }
}

int spread_of(const Filter& f) {
  int passes = std::max(1, f.passes);
  int blur_extent = int(std::ceil(std::max(f.blur_x, f.blur_y) / 2)) * passes;
  int offset =
      f.type == Filter::drop_shadow || f.type == Filter::bevel || f.type == Filter::gradient_bevel
          ? int(std::ceil(std::fabs(f.distance)))
          : 0;
  if (f.type == Filter::color_matrix || f.type == Filter::convolution)
    return f.matrix_x / 2 + f.matrix_y / 2;
  return blur_extent + offset;
}

// Shadow, glow and bevel: a coloured copy of the (shifted, blurred) alpha.
void apply_shadow(Plane& p, const Filter& f) {
  const int w = p.width, h = p.height;
  std::vector<float> alpha(size_t(w) * h), shadow(size_t(w) * h, 0.0f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) alpha[size_t(y) * w + x] = p.at(x, y)[0] / 255.0f;
  const bool bevel = f.type == Filter::bevel || f.type == Filter::gradient_bevel;
  const double dx = std::cos(f.angle) * f.distance, dy = std::sin(f.angle) * f.distance;
  // Blurred alpha in a one-channel plane.
  Plane a{0, 0, w, h, std::vector<float>(size_t(w) * h * 4, 0.0f)};
  for (size_t i = 0; i < alpha.size(); ++i)
    a.v[i * 4] = f.inner && !bevel ? 1 - alpha[i] : alpha[i];
  blur(a, f.blur_x, f.blur_y, f.passes, 1);
  auto sample = [&](double x, double y) {
    int ix = int(std::lround(x)), iy = int(std::lround(y));
    if (ix < 0 || iy < 0 || ix >= w || iy >= h) return f.inner && !bevel ? 1.0f : 0.0f;
    return a.v[(size_t(iy) * w + ix) * 4];
  };
  Rgba color = f.color, highlight = f.highlight;
  if ((f.type == Filter::gradient_glow || f.type == Filter::gradient_bevel) &&
      !f.gradient.empty()) {
    color = f.gradient.back().color;
    highlight = f.gradient.front().color;
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      float* o = p.at(x, y);
      const float object = alpha[size_t(y) * w + x];
      float shadow_amount, highlight_amount = 0;
      if (bevel) {
        float diff = sample(x - dx, y - dy) - sample(x + dx, y + dy);
        highlight_amount = std::min(1.0f, std::max(0.0f, diff) * float(f.strength));
        shadow_amount = std::min(1.0f, std::max(0.0f, -diff) * float(f.strength));
      } else {
        shadow_amount = std::min(1.0f, sample(x - dx, y - dy) * float(f.strength));
      }
      // Where the effect shows: inside the object (inner), outside it (outer),
      // or everywhere (a bevel drawn on top).
      const bool on_top = f.inner || (bevel && f.on_top);
      float where = f.inner ? object : (bevel && f.on_top ? 1.0f : 1 - object);
      float sa = color.a / 255.0f * shadow_amount * where;
      float effect[4] = {sa * 255, sa * color.r, sa * color.g, sa * color.b};
      if (bevel) {
        float ha = highlight.a / 255.0f * highlight_amount * where;
        float lit[4] = {ha * 255, ha * highlight.r, ha * highlight.g, ha * highlight.b};
        for (int c = 0; c < 4; ++c) effect[c] = lit[c] + effect[c] * (1 - ha);
      }
      const float effect_alpha = effect[0] / 255.0f, object_alpha = o[0] / 255.0f;
      for (int c = 0; c < 4; ++c) {
        if (f.knockout)
          o[c] = effect[c];
        else if (on_top)
          o[c] = effect[c] + o[c] * (1 - effect_alpha);
        else
          o[c] = o[c] + effect[c] * (1 - object_alpha);
      }
    }
  }
}

void apply_color_matrix(Plane& p, const std::vector<float>& m) {
  if (m.size() < 20) return;
  for (size_t i = 0; i < p.v.size(); i += 4) {
    float* o = &p.v[i];
    float a = o[0];
    float r = a > 0 ? o[1] * 255 / a : 0, g = a > 0 ? o[2] * 255 / a : 0,
          b = a > 0 ? o[3] * 255 / a : 0;
    float in[4] = {r, g, b, a};
    float out[4];
    for (int row = 0; row < 4; ++row) {
      const float* k = &m[size_t(row) * 5];
      out[row] = std::max(
          0.0f, std::min(255.0f, k[0] * in[0] + k[1] * in[1] + k[2] * in[2] + k[3] * in[3] + k[4]));
    }
    float na = out[3] / 255.0f;
    o[0] = out[3];
    o[1] = out[0] * na;
    o[2] = out[1] * na;
    o[3] = out[2] * na;
  }
}

void apply_convolution(Plane& p, const Filter& f) {
  const int mx = f.matrix_x, my = f.matrix_y;
  if (mx <= 0 || my <= 0 || f.matrix.size() < size_t(mx) * my) return;
  Plane source = p;
  const float divisor = f.divisor != 0 ? float(f.divisor) : 1.0f;
  const float def[4] = {float(f.default_color.a), f.default_color.r * f.default_color.a / 255.0f,
                        f.default_color.g * f.default_color.a / 255.0f,
                        f.default_color.b * f.default_color.a / 255.0f};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (int j = 0; j < my; ++j)
        for (int i = 0; i < mx; ++i) {
          int sx = x + i - mx / 2, sy = y + j - my / 2;
          const float* s;
          if (sx < 0 || sy < 0 || sx >= p.width || sy >= p.height) {
            if (f.clamp) {
              s = source.at(std::max(0, std::min(p.width - 1, sx)),
                            std::max(0, std::min(p.height - 1, sy)));
            } else {
              s = def;
            }
          } else {
            s = source.at(sx, sy);
          }
          float k = f.matrix[size_t(j) * mx + i];
          for (int c = 0; c < 4; ++c) sum[c] += k * s[c];
        }
      float* o = p.at(x, y);
      float bias = float(f.bias);
      float a = f.preserve_alpha ? source.at(x, y)[0]
                                 : std::max(0.0f, std::min(255.0f, sum[0] / divisor + bias));
      o[0] = a;
      for (int c = 1; c < 4; ++c) o[c] = std::max(0.0f, std::min(a, sum[c] / divisor + bias));
    }
}

}  // namespace

void composite_layer(const DrawTarget& target, const Canvas& layer, BlendMode mode) {
  if (!target.canvas || layer.width() != target.canvas->width() ||
      layer.height() != target.canvas->height())
    return;
  IntRect clip = intersect(target.clip, target.canvas->bounds());
  const Mask* mask = target.mask;
  if (mask && (mask->width() != layer.width() || mask->height() != layer.height())) return;
  for (int y = clip.top; y < clip.bottom; ++y) {
    const uint32_t* src = layer.row(y);
    uint32_t* dst = target.canvas->row(y);
    const uint8_t* m = mask ? mask->row(y) : nullptr;
    for (int x = clip.left; x < clip.right; ++x) {
      uint32_t s = src[x];
      if (m) {
        if (!m[x]) continue;
        if (m[x] != 255) s = scale_pixel(s, (m[x] * 256u + 127) / 255);
      }
      if (s == 0 && mode != BlendMode::alpha) continue;
      dst[x] = blend_pixel(mode, s, dst[x]);
    }
  }
}

size_t parse_filter_list(const uint8_t* data, size_t length, std::vector<Filter>& out) {
  BitReader in(data, length);
  out.clear();
  unsigned count = in.u8();
  auto fixed = [&] { return int32_t(in.u32()) / 65536.0; };
  auto fixed8 = [&] { return in.s16() / 256.0; };
  for (unsigned i = 0; i < count; ++i) {
    Filter f;
    f.type = in.u8();
    switch (f.type) {
      case Filter::drop_shadow: {
        f.color = read_rgba(in);
        f.blur_x = fixed();
        f.blur_y = fixed();
        f.angle = fixed();
        f.distance = fixed();
        f.strength = fixed8();
        uint8_t b = in.u8();
        f.inner = b & 0x80;
        f.knockout = b & 0x40;
        f.composite_source = b & 0x20;
        f.passes = b & 0x1F;
        break;
      }
      case Filter::blur: {
        f.blur_x = fixed();
        f.blur_y = fixed();
        f.passes = in.u8() >> 3;
        break;
      }
      case Filter::glow: {
        f.color = read_rgba(in);
        f.blur_x = fixed();
        f.blur_y = fixed();
        f.strength = fixed8();
        uint8_t b = in.u8();
        f.inner = b & 0x80;
        f.knockout = b & 0x40;
        f.composite_source = b & 0x20;
        f.passes = b & 0x1F;
        break;
      }
      case Filter::bevel: {
        f.color = read_rgba(in);
        f.highlight = read_rgba(in);
        f.blur_x = fixed();
        f.blur_y = fixed();
        f.angle = fixed();
        f.distance = fixed();
        f.strength = fixed8();
        uint8_t b = in.u8();
        f.inner = b & 0x80;
        f.knockout = b & 0x40;
        f.composite_source = b & 0x20;
        f.on_top = b & 0x10;
        f.passes = b & 0x0F;
        break;
      }
      case Filter::gradient_glow:
      case Filter::gradient_bevel: {
        unsigned n = in.u8();
        f.gradient.resize(n);
        for (unsigned k = 0; k < n; ++k) f.gradient[k].color = read_rgba(in);
        for (unsigned k = 0; k < n; ++k) f.gradient[k].ratio = in.u8();
        f.blur_x = fixed();
        f.blur_y = fixed();
        f.angle = fixed();
        f.distance = fixed();
        f.strength = fixed8();
        uint8_t b = in.u8();
        f.inner = b & 0x80;
        f.knockout = b & 0x40;
        f.composite_source = b & 0x20;
        f.on_top = b & 0x10;
        f.passes = b & 0x0F;
        break;
      }
      case Filter::convolution: {
        f.matrix_x = in.u8();
        f.matrix_y = in.u8();
        f.divisor = in.f32();
        f.bias = in.f32();
        size_t cells = size_t(f.matrix_x) * f.matrix_y;
        if (cells * 4 > in.remaining()) return 0;
        f.matrix.resize(cells);
        for (size_t k = 0; k < cells; ++k) f.matrix[k] = in.f32();
        f.default_color = read_rgba(in);
        uint8_t b = in.u8();
        f.clamp = b & 0x02;
        f.preserve_alpha = b & 0x01;
        break;
      }
      case Filter::color_matrix: {
        f.matrix.resize(20);
        for (float& v : f.matrix) v = in.f32();
        break;
      }
      default:
        return 0;
    }
    if (in.failed()) return 0;
    if (!std::isfinite(f.blur_x) || !std::isfinite(f.blur_y)) return 0;
    f.blur_x = std::max(0.0, std::min(255.0, f.blur_x));
    f.blur_y = std::max(0.0, std::min(255.0, f.blur_y));
    if (!std::isfinite(f.distance)) f.distance = 0;
    f.distance = std::max(-1000.0, std::min(1000.0, f.distance));
    out.push_back(std::move(f));
  }
  return in.failed() ? 0 : in.position();
}

int filter_margin(const std::vector<Filter>& filters) {
  int margin = 0;
  for (const Filter& f : filters) margin += spread_of(f);
  return margin;
}

void apply_filters(Canvas& layer, IntRect& area, const std::vector<Filter>& filters) {
  for (const Filter& f : filters) {
    int grow = spread_of(f);
    IntRect r = intersect(
        {area.left - grow, area.top - grow, area.right + grow, area.bottom + grow}, layer.bounds());
    if (r.empty()) return;
    Plane p = load(layer, r);
    switch (f.type) {
      case Filter::blur:
        blur(p, f.blur_x, f.blur_y, f.passes);
        break;
      case Filter::drop_shadow:
      case Filter::glow:
      case Filter::gradient_glow:
      case Filter::bevel:
      case Filter::gradient_bevel:
        apply_shadow(p, f);
        break;
      case Filter::color_matrix:
        apply_color_matrix(p, f.matrix);
        break;
      case Filter::convolution:
        apply_convolution(p, f);
        break;
      default:
        break;
    }
    store(p, layer);
    area = r;
  }
}

}  // namespace render
