#include "render/paint.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

double srgb_to_linear(double c) {
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double linear_to_srgb(double c) {
  return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

void build_ramp(const Gradient& gradient, const ColorTransform& cxform, uint32_t* ramp) {
  const auto& stops = gradient.stops;
  bool linear = gradient.interpolation == Interpolation::linear_rgb;
  std::vector<GradientStop> colors(stops.size());
  for (size_t i = 0; i < stops.size(); ++i)
    colors[i] = {stops[i].ratio, cxform.apply(stops[i].color)};
  // The stop pointer moves on by at most one stop per ramp entry, once the
  // entry passes the current stop's ratio. For ascending ratios this is plain
  // interpolation between neighbours; ratios that go backwards (damaged or
  // hand-made data) take effect one entry after the ratio they follow.
  size_t k = 0;
  const size_t last = colors.size() - 1;
  for (int t = 0; t < 256; ++t) {
    if (k < last && t > colors[k].ratio) ++k;
    Rgba c;
    if (k == 0) {
      c = colors[0].color;
    } else {
      const GradientStop& a = colors[k - 1];
      const GradientStop& b = colors[k];
      double f;
      if (t >= b.ratio)
        f = 1;
      else if (t <= a.ratio)
        f = 0;
      else
        f = (t - a.ratio) / (double(b.ratio) - a.ratio);
      auto mix = [&](uint8_t x, uint8_t y) {
        if (!linear) return uint8_t(std::lround(x + (double(y) - x) * f));
        double lx = srgb_to_linear(x / 255.0), ly = srgb_to_linear(y / 255.0);
        return uint8_t(std::lround(linear_to_srgb(lx + (ly - lx) * f) * 255));
      };
      c.r = mix(a.color.r, b.color.r);
      c.g = mix(a.color.g, b.color.g);
      c.b = mix(a.color.b, b.color.b);
      c.a = uint8_t(std::lround(a.color.a + (double(b.color.a) - a.color.a) * f));
    }
    ramp[t] = premultiply(c);
  }
}

inline int spread_index(double t, SpreadMode spread) {
  // t in ramp units: 0 at the first ratio, 255 at the last.
  if (!(t == t)) return 0;  // NaN from degenerate matrices
  switch (spread) {
    case SpreadMode::repeat: {
      double u = std::fmod(t / 256.0, 1.0);
      if (u < 0) u += 1;
      return std::min(255, int(u * 256));
    }
    case SpreadMode::reflect: {
      double u = std::fmod(std::fabs(t) / 255.0, 2.0);
      if (u > 1) u = 2 - u;
      return int(std::lround(u * 255));
    }
    default:
      if (t <= 0) return 0;
      if (t >= 255) return 255;
      return int(t + 0.5);
  }
}

inline uint32_t lerp_pixel(uint32_t p, uint32_t q, uint32_t f /* 0..256 */) {
  uint32_t rb_p = p & 0x00FF00FFu, rb_q = q & 0x00FF00FFu;
  uint32_t ag_p = (p >> 8) & 0x00FF00FFu, ag_q = (q >> 8) & 0x00FF00FFu;
  uint32_t rb = ((rb_p * (256 - f) + rb_q * f) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((ag_p * (256 - f) + ag_q * f)) & 0xFF00FF00u;
  return rb | ag;
}

inline int wrap(int v, int size) {
  int r = v % size;
  return r < 0 ? r + size : r;
}

}  // namespace

bool make_paint(const FillStyle& style, const Matrix& to_device, const ColorTransform& cxform,
                const BitmapLookup& bitmaps, bool smooth_bitmaps, Paint& out) {
  out = Paint();
  out.cxform = cxform;
  if (style.type == FillStyle::solid) {
    Rgba c = cxform.apply(style.color);
    out.kind = Paint::solid;
    out.color = premultiply(c);
    out.opaque = c.a == 255;
    return c.a != 0;
  }
  bool ok = false;
  if (style.is_gradient()) {
    if (style.gradient.stops.empty()) return false;
    out.inverse = (to_device * style.matrix).inverse(&ok);
    if (!ok) return false;
    build_ramp(style.gradient, cxform, out.ramp);
    out.opaque = true;
    for (uint32_t c : out.ramp) out.opaque = out.opaque && (c >> 24) == 255;
    out.spread = style.gradient.spread;
    if (style.type == FillStyle::linear_gradient) {
      out.kind = Paint::linear;
    } else if (style.type == FillStyle::radial_gradient) {
      out.kind = Paint::radial;
    } else {
      out.kind = Paint::focal;
      out.focal_point = std::max(-0.98, std::min(0.98, style.gradient.focal_point));
    }
    return true;
  }
  if (style.is_bitmap()) {
    const Bitmap* image = bitmaps ? bitmaps(style.bitmap_id) : nullptr;
    if (!image || image->empty() ||
        image->pixels.size() < size_t(image->width) * size_t(image->height))
      return false;
    out.inverse = (to_device * style.matrix).inverse(&ok);
    if (!ok) return false;
    out.kind = Paint::bitmap;
    out.image = image;
    out.repeat =
        style.type == FillStyle::repeating_bitmap || style.type == FillStyle::repeating_bitmap_hard;
    out.smooth = smooth_bitmaps && (style.type == FillStyle::repeating_bitmap ||
                                    style.type == FillStyle::clipped_bitmap);
    out.transform_pixels = !cxform.is_identity();
    // Fades only scale alpha: premultiplied pixels then just scale as a whole.
    if (cxform.mult_r == 256 && cxform.mult_g == 256 && cxform.mult_b == 256 && cxform.add_r == 0 &&
        cxform.add_g == 0 && cxform.add_b == 0 && cxform.add_a == 0 && cxform.mult_a >= 0 &&
        cxform.mult_a < 256) {
      out.transform_pixels = false;
      out.fade = uint32_t(cxform.mult_a);
    }
    return true;
  }
  return false;
}

void Paint::shade(int y, int x0, int x1, uint32_t* out) const {
  const double py = y + 0.5;
  switch (kind) {
    case none:
      std::fill(out, out + (x1 - x0), 0u);
      return;
    case solid:
      std::fill(out, out + (x1 - x0), color);
      return;
    case linear:
    case radial:
    case focal: {
      double gx = inverse.a * (x0 + 0.5) + inverse.c * py + inverse.tx;
      double gy = inverse.b * (x0 + 0.5) + inverse.d * py + inverse.ty;
      const double fx = focal_point;
      if (kind == linear && spread == SpreadMode::pad) {
        // The common case: t changes by a constant step along the row.
        const double scale = 255.0 / 32768.0;
        double t = (gx + 16384.0) * scale, step = inverse.a * scale;
        for (int x = x0; x < x1; ++x, t += step) {
          int index = t <= 0 ? 0 : t >= 255 ? 255 : int(t + 0.5);
          out[x - x0] = ramp[index];
        }
        return;
      }
      for (int x = x0; x < x1; ++x, gx += inverse.a, gy += inverse.b) {
        double t;
        if (kind == linear) {
          t = (gx + 16384.0) / 32768.0 * 255.0;
        } else if (kind == radial) {
          t = std::sqrt(gx * gx + gy * gy) / 16384.0 * 255.0;
        } else {
          // Fraction of the way from the focal point to the unit circle.
          double px = gx / 16384.0 - fx, py2 = gy / 16384.0;
          double dot = fx * px, dd = px * px + py2 * py2;
          double k = 1 - fx * fx;
          double root = std::sqrt(dot * dot + k * dd);
          t = (dot + root) / k * 255.0;
        }
        out[x - x0] = ramp[spread_index(t, spread)];
      }
      return;
    }
    case bitmap: {
      const int w = image->width, h = image->height;
      const uint32_t* pixels = image->pixels.data();
      double u = inverse.a * (x0 + 0.5) + inverse.c * py + inverse.tx;
      double v = inverse.b * (x0 + 0.5) + inverse.d * py + inverse.ty;
      for (int x = x0; x < x1; ++x, u += inverse.a, v += inverse.b) {
        uint32_t c;
        double uu = std::max(-1e9, std::min(1e9, u)), vv = std::max(-1e9, std::min(1e9, v));
        if (!smooth) {
          int ix = int(std::floor(uu)), iy = int(std::floor(vv));
          if (repeat) {
            ix = wrap(ix, w);
            iy = wrap(iy, h);
          } else {
            ix = std::max(0, std::min(w - 1, ix));
            iy = std::max(0, std::min(h - 1, iy));
          }
          c = pixels[size_t(iy) * w + ix];
        } else {
          double sx = uu - 0.5, sy = vv - 0.5;
          int ix = int(std::floor(sx)), iy = int(std::floor(sy));
          uint32_t fx8 = uint32_t((sx - ix) * 256), fy8 = uint32_t((sy - iy) * 256);
          int ix1 = ix + 1, iy1 = iy + 1;
          if (repeat) {
            ix = wrap(ix, w);
            iy = wrap(iy, h);
            ix1 = wrap(ix1, w);
            iy1 = wrap(iy1, h);
          } else {
            ix = std::max(0, std::min(w - 1, ix));
            iy = std::max(0, std::min(h - 1, iy));
            ix1 = std::max(0, std::min(w - 1, ix1));
            iy1 = std::max(0, std::min(h - 1, iy1));
          }
          uint32_t top = lerp_pixel(pixels[size_t(iy) * w + ix], pixels[size_t(iy) * w + ix1], fx8);
          uint32_t bottom =
              lerp_pixel(pixels[size_t(iy1) * w + ix], pixels[size_t(iy1) * w + ix1], fx8);
          c = lerp_pixel(top, bottom, fy8);
        }
        out[x - x0] = transform_pixels ? cxform.apply_premultiplied(c)
                      : fade < 256     ? scale_pixel(c, fade)
                                       : c;
      }
      return;
    }
  }
}

}  // namespace render
