// flash.display.BitmapData: pixels a script makes and changes (setPixel,
// fillRect, copyPixels, clone, loadBitmap), shown by MovieClip.attachBitmap.
// The pixels are kept premultiplied, as the renderer reads them, and shared
// with the objects that show them, so changes show at the next drawing.
#include <algorithm>
#include <cmath>
#include <memory>

#include "avm1/engine.h"
#include "render/bitmap.h"
#include "render/color.h"

namespace avm1 {

namespace {

// The largest side the player allows.
constexpr int kMaxSide = 2880;

class BitmapDataObject : public Object {
 public:
  ObjectClass object_class() const override { return ObjectClass::other; }
  bool get_native(Runtime& rt, const String& name, Value& out) override;

  std::shared_ptr<render::Bitmap> pixels = std::make_shared<render::Bitmap>();
  bool transparent = true;
  bool valid() const { return !pixels->empty(); }
};

BitmapDataObject* self_bitmap(CallInfo& call) {
  Object* o = call.this_object();
  return dynamic_cast<BitmapDataObject*>(o);
}

uint32_t premultiplied(uint32_t argb, bool transparent) {
  if (!transparent) argb |= 0xFF000000u;
  render::Rgba c{static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8),
                 static_cast<uint8_t>(argb), static_cast<uint8_t>(argb >> 24)};
  return render::premultiply(c);
}

uint32_t straight(uint32_t pixel) {
  render::Rgba c = render::unpremultiply(pixel);
  return (uint32_t(c.a) << 24) | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

int int_arg(Runtime& rt, const Value& v) {
  double d = rt.to_number(v);
  if (std::isnan(d)) return 0;
  return static_cast<int>(std::max(-1e9, std::min(1e9, std::floor(d))));
}

struct Area {
  int x = 0, y = 0, w = 0, h = 0;
};

Area area_of(Runtime& rt, const Value& rect) {
  Area a;
  Object* r = rect.as_object();
  if (!r) return a;
  a.x = int_arg(rt, rt.get_property(r, "x"));
  a.y = int_arg(rt, rt.get_property(r, "y"));
  a.w = int_arg(rt, rt.get_property(r, "width"));
  a.h = int_arg(rt, rt.get_property(r, "height"));
  return a;
}

Value make_rectangle(Runtime& rt, double x, double y, double w, double h) {
  Value ctor = rt.get_property(rt.global(), "flash");
  ctor = rt.get_member(rt.get_member(ctor, "geom"), "Rectangle");
  Value args[4] = {Value::number(x), Value::number(y), Value::number(w), Value::number(h)};
  return rt.construct(ctor, args, 4);
}

bool BitmapDataObject::get_native(Runtime& rt, const String& name, Value& out) {
  bool cs = rt.case_sensitive();
  double w = valid() ? pixels->width : -1, h = valid() ? pixels->height : -1;
  if (name.same("width", cs)) {
    out = Value::number(w);
  } else if (name.same("height", cs)) {
    out = Value::number(h);
  } else if (name.same("transparent", cs)) {
    out = valid() ? Value::boolean(transparent) : Value::number(-1);
  } else if (name.same("rectangle", cs)) {
    out = valid() ? make_rectangle(rt, 0, 0, w, h) : Value::number(-1);
  } else {
    return false;
  }
  return true;
}

BitmapDataObject* make_bitmap(Runtime& rt, Object* proto) {
  auto* b = rt.heap().make<BitmapDataObject>();
  b->set_proto(proto);
  return b;
}

Object* bitmap_prototype(Runtime& rt) {
  Value ctor = rt.get_property(rt.global(), "flash");
  ctor = rt.get_member(rt.get_member(ctor, "display"), "BitmapData");
  Object* c = ctor.as_object();
  return c ? rt.get_property(c, "prototype").as_object() : nullptr;
}

Value bitmap_constructor(Runtime& rt, CallInfo& call) {
  Object* proto = call.callee ? rt.get_property(call.callee, "prototype").as_object() : nullptr;
  BitmapDataObject* b = make_bitmap(rt, proto ? proto : bitmap_prototype(rt));
  int w = int_arg(rt, call.arg(0)), h = int_arg(rt, call.arg(1));
  b->transparent = call.count < 3 || rt.to_boolean(call.arg(2));
  uint32_t fill = call.count < 4 ? 0xFFFFFFFFu : static_cast<uint32_t>(rt.to_int32(call.arg(3)));
  if (w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide) {
    b->pixels->width = w;
    b->pixels->height = h;
    b->pixels->pixels.assign(size_t(w) * h, premultiplied(fill, b->transparent));
  }
  return Value::object(b);
}

Value bitmap_get_pixel(Runtime& rt, CallInfo& call, bool with_alpha) {
  BitmapDataObject* b = self_bitmap(call);
  if (!b || !b->valid()) return Value::number(0);
  int x = int_arg(rt, call.arg(0)), y = int_arg(rt, call.arg(1));
  if (x < 0 || y < 0 || x >= b->pixels->width || y >= b->pixels->height) return Value::number(0);
  uint32_t c = straight(b->pixels->at(x, y));
  if (!with_alpha) return Value::number(c & 0xFFFFFF);
  return Value::number(static_cast<int32_t>(c));
}

Value bitmap_get_pixel24(Runtime& rt, CallInfo& call) { return bitmap_get_pixel(rt, call, false); }
Value bitmap_get_pixel32(Runtime& rt, CallInfo& call) { return bitmap_get_pixel(rt, call, true); }

Value bitmap_set_pixel(Runtime& rt, CallInfo& call, bool with_alpha) {
  BitmapDataObject* b = self_bitmap(call);
  if (!b || !b->valid()) return Value();
  int x = int_arg(rt, call.arg(0)), y = int_arg(rt, call.arg(1));
  if (x < 0 || y < 0 || x >= b->pixels->width || y >= b->pixels->height) return Value();
  uint32_t c = static_cast<uint32_t>(rt.to_int32(call.arg(2)));
  uint32_t& p = b->pixels->pixels[size_t(y) * b->pixels->width + x];
  // setPixel keeps the pixel's alpha.
  if (!with_alpha) c = (c & 0xFFFFFF) | (straight(p) & 0xFF000000u);
  p = premultiplied(c, b->transparent);
  return Value();
}

Value bitmap_set_pixel24(Runtime& rt, CallInfo& call) { return bitmap_set_pixel(rt, call, false); }
Value bitmap_set_pixel32(Runtime& rt, CallInfo& call) { return bitmap_set_pixel(rt, call, true); }

// The part of a w x h area at x, y that lies in a bitmap.
bool clip_area(const render::Bitmap& b, Area& a) {
  int x0 = std::max(0, a.x), y0 = std::max(0, a.y);
  int x1 = std::min(b.width, a.x + std::max(0, a.w)),
      y1 = std::min(b.height, a.y + std::max(0, a.h));
  if (x1 <= x0 || y1 <= y0) return false;
  a = {x0, y0, x1 - x0, y1 - y0};
  return true;
}

Value bitmap_fill_rect(Runtime& rt, CallInfo& call) {
  BitmapDataObject* b = self_bitmap(call);
  if (!b || !b->valid()) return Value();
  Area a = area_of(rt, call.arg(0));
  if (!clip_area(*b->pixels, a)) return Value();
  uint32_t c = premultiplied(static_cast<uint32_t>(rt.to_int32(call.arg(1))), b->transparent);
  for (int y = a.y; y < a.y + a.h; ++y)
    std::fill_n(b->pixels->pixels.begin() + (size_t(y) * b->pixels->width + a.x), a.w, c);
  return Value();
}

// copyPixels(source, sourceRect, destPoint[, alphaBitmap, alphaPoint,
// mergeAlpha]): without mergeAlpha the source's pixels replace the
// destination's; with it they are laid over them.
Value bitmap_copy_pixels(Runtime& rt, CallInfo& call) {
  BitmapDataObject* b = self_bitmap(call);
  auto* source = dynamic_cast<BitmapDataObject*>(call.arg(0).as_object());
  Object* point = call.arg(2).as_object();
  if (!b || !b->valid() || !source || !source->valid() || !point) return Value();
  Area from = area_of(rt, call.arg(1));
  int dx = int_arg(rt, rt.get_property(point, "x")), dy = int_arg(rt, rt.get_property(point, "y"));
  bool merge = call.count > 5 && rt.to_boolean(call.arg(5));
  // Clip against the source, shifting the destination with it.
  Area src = from;
  if (!clip_area(*source->pixels, src)) return Value();
  dx += src.x - from.x;
  dy += src.y - from.y;
  Area dst{dx, dy, src.w, src.h};
  if (!clip_area(*b->pixels, dst)) return Value();
  src.x += dst.x - dx;
  src.y += dst.y - dy;
  // Read from a copy when both are the same bitmap and the areas overlap.
  render::Bitmap copy;
  const render::Bitmap* in = source->pixels.get();
  if (source == b) {
    copy = *source->pixels;
    in = &copy;
  }
  for (int y = 0; y < dst.h; ++y)
    for (int x = 0; x < dst.w; ++x) {
      uint32_t s = in->at(src.x + x, src.y + y);
      uint32_t& d = b->pixels->pixels[size_t(dst.y + y) * b->pixels->width + dst.x + x];
      if (merge) {
        uint32_t k = 255 - (s >> 24);
        auto over = [&](int shift) {
          uint32_t v = ((s >> shift) & 255) + (((d >> shift) & 255) * k + 127) / 255;
          return std::min<uint32_t>(v, 255) << shift;
        };
        s = over(24) | over(16) | over(8) | over(0);
      }
      d = b->transparent ? s : premultiplied(straight(s), false);
    }
  return Value();
}

Value bitmap_clone(Runtime& rt, CallInfo& call) {
  BitmapDataObject* b = self_bitmap(call);
  if (!b) return Value();
  BitmapDataObject* c = make_bitmap(rt, b->proto());
  *c->pixels = *b->pixels;
  c->transparent = b->transparent;
  return Value::object(c);
}

Value bitmap_dispose(Runtime&, CallInfo& call) {
  BitmapDataObject* b = self_bitmap(call);
  if (b) *b->pixels = render::Bitmap();
  return Value();
}

// BitmapData.loadBitmap(linkage name): a copy of an exported bitmap.
Value bitmap_load(Runtime& rt, CallInfo& call) {
  Engine& e = *rt.engine();
  const auto& exports = e.player().movie().exports;
  std::string name = rt.to_string(call.arg(0)).str();
  auto it = exports.find(name);
  if (it == exports.end()) return Value();
  const npfp::Character* c = e.player().movie().character(it->second);
  if (!c || c->kind != npfp::CharacterKind::bitmap) return Value();
  const render::Bitmap* image = e.characters().bitmap(it->second);
  if (!image || image->empty() || image->width > kMaxSide || image->height > kMaxSide)
    return Value();
  BitmapDataObject* b = make_bitmap(rt, bitmap_prototype(rt));
  *b->pixels = *image;
  b->transparent = true;
  return Value::object(b);
}

// MovieClip.attachBitmap(bitmap, depth[, pixelSnapping, smoothing]).
Value mc_attach_bitmap(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  auto* bitmap = dynamic_cast<BitmapDataObject*>(call.arg(0).as_object());
  if (!self || !self->is_clip() || !bitmap) return Value();
  auto* clip = static_cast<ClipObject*>(self);
  if (!clip->timeline || clip->removed) return Value();
  double depth = rt.to_number(call.arg(1));
  if (std::isnan(depth)) return Value();
  npfp::DisplayObject* o = clip->timeline->add_script_object(
      static_cast<npfp::Depth>(std::max(-1e9, std::min(1e9, depth))) + 16384,
      npfp::TimelineInstance::script_bitmap_character(), std::string());
  if (!o) return Value();
  o->script_bitmap = bitmap->pixels;
  o->smooth_bitmap = call.count > 3 && rt.to_boolean(call.arg(3));
  rt.engine()->request_redraw();
  return Value();
}

}  // namespace

void install_bitmap_builtins(Engine& engine) {
  Runtime& rt = engine.runtime();
  // The class arrived with SWF 8.
  if (rt.version() < 8) return;
  Object* g = rt.global();
  Object* flash = rt.get_property(g, "flash").as_object();
  if (!flash) {
    flash = rt.make_object();
    g->define("flash", Value::object(flash), kDontEnum);
  }
  Object* display = rt.get_property(flash, "display").as_object();
  if (!display) {
    display = rt.make_object();
    flash->define("display", Value::object(display), 0);
  }
  Object* proto = rt.make_object();
  FunctionObject* ctor = rt.make_class(bitmap_constructor, proto);
  ctor->makes_own_object = true;
  display->define("BitmapData", Value::object(ctor), 0);
  rt.add_method(ctor, "loadBitmap", bitmap_load);
  const std::pair<const char*, NativeFunction> methods[] = {
      {"getPixel", bitmap_get_pixel24}, {"getPixel32", bitmap_get_pixel32},
      {"setPixel", bitmap_set_pixel24}, {"setPixel32", bitmap_set_pixel32},
      {"fillRect", bitmap_fill_rect},   {"copyPixels", bitmap_copy_pixels},
      {"clone", bitmap_clone},          {"dispose", bitmap_dispose},
  };
  for (const auto& m : methods) rt.add_method(proto, m.first, m.second);
  if (Object* clip_proto = rt.known().movieclip_prototype)
    rt.add_method(clip_proto, "attachBitmap", mc_attach_bitmap, kHidden | kOnlyVersion8);
}

}  // namespace avm1
