// What scripts draw, checked on the drawn picture. The drawing methods: a
// fill still being drawn shows closed whichever way it runs, a duplicate
// takes the drawing and the pen along. Bitmaps scripts make and attach.
// Masks set with setMask: the masked clip shows only
// inside its mask wherever the mask stands, the mask is not drawn, and
// null, a removed mask or an older file version leave the clip whole.
#include <gtest/gtest.h>

#include <functional>

#include "native/avm1/action_asm.h"
#include "render/canvas.h"
#include "render/color.h"

using avm1_test::Asm;
using avm1_test::Push;

namespace {

constexpr swfwriter::Rgba kRed{255, 0, 0, 255};
constexpr swfwriter::Rgba kGreen{0, 255, 0, 255};
constexpr swfwriter::Rgba kWhite{255, 255, 255, 255};

swfwriter::ShapeBuilder square(int32_t size_twips, swfwriter::Rgba color) {
  swfwriter::ShapeBuilder s;
  int fill = s.add_fill(swfwriter::FillStyle::solid(color));
  s.rectangle(0, 0, size_twips, size_twips, fill);
  return s;
}

// obj.method(args...): `args` pushes the arguments last to first.
void call_method(Asm& a, const std::string& object, const std::string& method, int count,
                 const std::function<void(Asm&)>& args) {
  args(a);
  a.push({Push(count)});
  a.get(object);
  a.push({Push(method)}).op(avm1::kActionCallMethod).op(avm1::kActionPop);
}

// A 200 x 100 pixel stage, white: "big" is a red 100-pixel square at the
// top left (sprite 10 at depth 1); "small" is a green 50-pixel square
// (sprite 11) at 25,25, depth 2; "holder" (sprite 12, at 100,0, depth 3)
// holds another green square named "inner" at 0,50 in it. The script runs
// in the first frame.
std::vector<uint8_t> mask_movie(const Asm& script, uint8_t version, bool with_clips) {
  swfwriter::Movie m;
  m.version = version;
  m.width_twips = 200 * 20;
  m.height_twips = 100 * 20;
  m.frame_rate = 20;
  m.frame_count = 1;
  m.set_background_color(kWhite);
  m.define_shape(1, square(2000, kRed));
  m.define_shape(2, square(1000, kGreen));
  swfwriter::TagStream red, green, holder;
  red.place(swfwriter::Placement::place(1, 1));
  red.show_frame();
  green.place(swfwriter::Placement::place(2, 1));
  green.show_frame();
  m.define_sprite(10, 1, red);
  m.define_sprite(11, 1, green);
  swfwriter::Placement inner =
      swfwriter::Placement::place(11, 1, swfwriter::Matrix::translation(0, 1000));
  inner.name = "inner";
  holder.place(inner);
  holder.show_frame();
  m.define_sprite(12, 1, holder);
  auto named = [](uint16_t id, uint16_t depth, int32_t x, int32_t y, const char* name) {
    swfwriter::Placement p =
        swfwriter::Placement::place(id, depth, swfwriter::Matrix::translation(x, y));
    p.name = name;
    return p;
  };
  if (with_clips) {
    m.place(named(10, 1, 0, 0, "big"));
    m.place(named(11, 2, 500, 500, "small"));
    m.place(named(12, 3, 2000, 0, "holder"));
  }
  m.do_action(script.finished());
  m.show_frame();
  m.end();
  return m.finish();
}

struct Picture {
  render::Canvas canvas{200, 100};
  std::string trace;
  // "r", "g", "b", "w" (white) or "?" for the pixel's colour.
  std::string at(int x, int y) const {
    render::Rgba c = render::unpremultiply(canvas.pixel(x, y));
    if (c.r > 250 && c.g < 5 && c.b < 5) return "r";
    if (c.r < 5 && c.g > 250 && c.b < 5) return "g";
    if (c.r < 5 && c.g < 5 && c.b > 250) return "b";
    if (c.r > 250 && c.g > 250 && c.b > 250) return "w";
    return "?";
  }
};

Picture draw(const Asm& script, uint8_t version = 8, bool with_clips = true) {
  std::vector<uint8_t> movie = mask_movie(script, version, with_clips);
  npfp::Player player;
  player.feed(movie.data(), movie.size());
  player.finish_stream();
  avm1_test::TraceHost host;
  avm1::Engine engine(player, host);
  for (int i = 0; i < 2; ++i) player.advance();
  Picture p;
  player.render(p.canvas, p.canvas.bounds());
  p.trace = host.output;
  return p;
}

void line_to(Asm& a, const std::string& clip, int x, int y) {
  call_method(a, clip, "lineTo", 2, [&](Asm& s) { s.push({Push(y), Push(x)}); });
}

void move_to(Asm& a, const std::string& clip, int x, int y) {
  call_method(a, clip, "moveTo", 2, [&](Asm& s) { s.push({Push(y), Push(x)}); });
}

// clip = _root.createEmptyMovieClip(clip, depth); clip.beginFill(0xFF0000)
void red_fill_clip(Asm& a, const std::string& clip, int depth) {
  call_method(a, "_root", "createEmptyMovieClip", 2, [&](Asm& s) {
    s.push({Push(depth), Push(clip)});
  });
  call_method(a, clip, "beginFill", 1, [](Asm& s) { s.push({Push(0xFF0000)}); });
}

TEST(Avm1Drawing, AFillStillBeingDrawnShowsClosedWhicheverWayItRuns) {
  Asm a;
  red_fill_clip(a, "d", 1);
  move_to(a, "d", 0, 0);  // down, then right: the triangle below the diagonal
  line_to(a, "d", 0, 50);
  line_to(a, "d", 50, 50);
  red_fill_clip(a, "e", 2);
  move_to(a, "e", 100, 0);  // right, then down: the one above it
  line_to(a, "e", 150, 0);
  line_to(a, "e", 150, 50);
  Picture p = draw(a, 8, false);
  EXPECT_EQ(p.at(10, 40), "r");
  EXPECT_EQ(p.at(40, 10), "w");
  EXPECT_EQ(p.at(140, 10), "r");
  EXPECT_EQ(p.at(110, 40), "w");

  // Ended, a path that turned from one direction to the other keeps the
  // inside of its outline.
  Asm turning;
  red_fill_clip(turning, "d", 1);
  move_to(turning, "d", 50, 0);
  line_to(turning, "d", 0, 0);  // alone, this runs one way round
  line_to(turning, "d", 0, 50);
  line_to(turning, "d", 100, 50);
  line_to(turning, "d", 100, 0);  // all of it, the other way
  call_method(turning, "d", "endFill", 0, [](Asm&) {});
  p = draw(turning, 8, false);
  EXPECT_EQ(p.at(10, 10), "r");
  EXPECT_EQ(p.at(90, 10), "r");
  EXPECT_EQ(p.at(150, 10), "w");
  EXPECT_EQ(p.at(50, 80), "w");
}

TEST(Avm1Drawing, ADuplicateTakesTheDrawingAndThePenAlong) {
  Asm a;
  red_fill_clip(a, "d", 1);
  move_to(a, "d", 0, 0);
  line_to(a, "d", 0, 50);
  line_to(a, "d", 50, 50);
  call_method(a, "d", "duplicateMovieClip", 2, [](Asm& s) { s.push({Push(2), Push("e")}); });
  a.get("e").push({Push("_x"), Push(100)}).op(avm1::kActionSetMember);
  line_to(a, "e", 50, 0);  // the duplicate goes on to a square
  line_to(a, "e", 0, 0);
  call_method(a, "e", "endFill", 0, [](Asm&) {});
  Picture p = draw(a, 8, false);
  EXPECT_EQ(p.at(10, 40), "r");  // the original stays a triangle
  EXPECT_EQ(p.at(40, 10), "w");
  EXPECT_EQ(p.at(110, 40), "r");
  EXPECT_EQ(p.at(140, 10), "r");
}

// b = new flash.display.BitmapData(args...)
void new_bitmap(Asm& a, const std::string& name, std::initializer_list<Push> args_last_first,
                int count) {
  a.push({Push(name)});
  a.push(args_last_first);
  a.push({Push(count)});
  a.get("flash").push({Push("display")}).op(avm1::kActionGetMember);
  a.push({Push("BitmapData")}).op(avm1::kActionNewMethod).op(avm1::kActionSetVariable);
}

void trace_call(Asm& a, const std::string& object, const std::string& method,
                std::initializer_list<Push> args_last_first, int count) {
  a.push(args_last_first);
  a.push({Push(count)});
  a.get(object);
  a.push({Push(method)}).op(avm1::kActionCallMethod).op(avm1::kActionTrace);
}

TEST(Avm1Bitmaps, PixelsAreSetFilledCopiedAndShownWhereAttached) {
  Asm a;
  // 20 x 10, opaque, red; its right half green; one blue pixel.
  new_bitmap(a, "b", {Push(static_cast<double>(0xFFFF0000u)), Push::b(false), Push(10), Push(20)},
             4);
  a.get("b").push({Push("width")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.get("b").push({Push("transparent")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  call_method(a, "b", "fillRect", 2, [](Asm& s) {
    s.push({Push(0x00FF00), Push(10), Push(10), Push(0), Push(10), Push(4)});
    s.get("flash").push({Push("geom")}).op(avm1::kActionGetMember);
    s.push({Push("Rectangle")}).op(avm1::kActionNewMethod);
  });
  call_method(a, "b", "setPixel", 3, [](Asm& s) { s.push({Push(0x0000FF), Push(1), Push(1)}); });
  trace_call(a, "b", "getPixel", {Push(1), Push(1)}, 2);
  trace_call(a, "b", "getPixel32", {Push(5), Push(15)}, 2);  // alpha forced: opaque bitmap
  trace_call(a, "b", "getPixel", {Push(0), Push(99)}, 2);    // outside
  // A transparent copy of part of it, then both shown.
  new_bitmap(a, "c", {Push(0), Push::b(true), Push(10), Push(20)}, 4);
  call_method(a, "c", "copyPixels", 3, [](Asm& s) {
    s.push({Push(0), Push(5), Push(2)});
    s.get("flash").push({Push("geom")}).op(avm1::kActionGetMember);
    s.push({Push("Point")}).op(avm1::kActionNewMethod);
    s.push({Push(10), Push(10), Push(0), Push(5), Push(4)});
    s.get("flash").push({Push("geom")}).op(avm1::kActionGetMember);
    s.push({Push("Rectangle")}).op(avm1::kActionNewMethod);
    s.get("b");
  });
  trace_call(a, "c", "getPixel32", {Push(0), Push(0)}, 2);  // not copied: clear
  trace_call(a, "c", "getPixel", {Push(0), Push(10)}, 2);   // from b's green half
  call_method(a, "_root", "attachBitmap", 2, [](Asm& s) { s.push({Push(1)}).get("b"); });
  call_method(a, "_root", "createEmptyMovieClip", 2, [](Asm& s) { s.push({Push(2), Push("m")}); });
  a.get("m").push({Push("_x"), Push(100)}).op(avm1::kActionSetMember);
  call_method(a, "m", "attachBitmap", 2, [](Asm& s) { s.push({Push(1)}).get("c"); });
  // Changed after attaching: the picture follows.
  call_method(a, "b", "setPixel", 3, [](Asm& s) { s.push({Push(0x0000FF), Push(8), Push(2)}); });
  Picture p = draw(a, 8, false);
  EXPECT_EQ(p.trace, "20\nfalse\n255\n-16711936\n0\n0\n65280\n");
  EXPECT_EQ(p.at(3, 3), "r");
  EXPECT_EQ(p.at(1, 1), "b");
  EXPECT_EQ(p.at(2, 8), "b");
  EXPECT_EQ(p.at(15, 5), "g");
  EXPECT_EQ(p.at(25, 5), "w");
  EXPECT_EQ(p.at(100, 0), "w");  // the clear part of the copy
  EXPECT_EQ(p.at(111, 7), "g");  // b's 5..15 x 0..10, at 5,0 in c
  EXPECT_EQ(p.at(107, 7), "r");
  EXPECT_EQ(p.at(104, 7), "w");
}

TEST(Avm1Masks, SetMaskShowsTheClipOnlyInsideItsMaskAndHidesTheMask) {
  Asm a;
  call_method(a, "big", "setMask", 1, [](Asm& s) { s.get("small"); });
  Picture p = draw(a);
  EXPECT_EQ(p.at(10, 10), "w");  // outside the mask
  EXPECT_EQ(p.at(30, 30), "r");  // inside it: the clip, not the green mask
  EXPECT_EQ(p.at(70, 70), "r");
  EXPECT_EQ(p.at(90, 90), "w");
  EXPECT_EQ(p.at(110, 60), "g");  // other clips are untouched
}

TEST(Avm1Masks, AMaskInAnotherParentMasksWhereItIsShown) {
  // holder.inner covers 100..150 x 50..100 on the stage; big covers
  // 0..100, so nothing of it is left, and the mask is not drawn.
  Asm a;
  call_method(a, "big", "setMask", 1,
              [](Asm& s) { s.get("holder").push({Push("inner")}).op(avm1::kActionGetMember); });
  Picture p = draw(a);
  EXPECT_EQ(p.at(10, 10), "w");
  EXPECT_EQ(p.at(60, 60), "g");  // "small" still draws over the empty spot
  EXPECT_EQ(p.at(90, 90), "w");
  EXPECT_EQ(p.at(120, 70), "w");

  // Moving the holder left puts the mask over the red square.
  Asm moved;
  call_method(moved, "big", "setMask", 1,
              [](Asm& s) { s.get("holder").push({Push("inner")}).op(avm1::kActionGetMember); });
  moved.get("holder").push({Push("_x"), Push(0)}).op(avm1::kActionSetMember);
  p = draw(moved);
  EXPECT_EQ(p.at(10, 60), "r");
  EXPECT_EQ(p.at(10, 40), "w");
  EXPECT_EQ(p.at(60, 40), "g");  // small, unmasked
}

TEST(Avm1Masks, NullOrARemovedMaskShowsTheClipWholeAgain) {
  Asm unmasked;
  call_method(unmasked, "big", "setMask", 1, [](Asm& s) { s.get("small"); });
  call_method(unmasked, "big", "setMask", 1, [](Asm& s) { s.push({Push::null_value()}); });
  Picture p = draw(unmasked);
  EXPECT_EQ(p.at(10, 10), "r");
  EXPECT_EQ(p.at(30, 30), "g");  // the former mask is drawn again

  // A mask drawn by script on a new clip, then removed with the clip.
  Asm drawn;
  call_method(drawn, "_root", "createEmptyMovieClip", 2, [](Asm& s) {
    s.push({Push(10), Push("d")});
  });
  call_method(drawn, "d", "beginFill", 1, [](Asm& s) { s.push({Push(0x0000FF)}); });
  call_method(drawn, "d", "moveTo", 2, [](Asm& s) { s.push({Push(0), Push(0)}); });
  call_method(drawn, "d", "lineTo", 2, [](Asm& s) { s.push({Push(0), Push(20)}); });
  call_method(drawn, "d", "lineTo", 2, [](Asm& s) { s.push({Push(20), Push(20)}); });
  call_method(drawn, "d", "lineTo", 2, [](Asm& s) { s.push({Push(20), Push(0)}); });
  call_method(drawn, "d", "endFill", 0, [](Asm&) {});
  call_method(drawn, "big", "setMask", 1, [](Asm& s) { s.get("d"); });
  Asm still = drawn;
  p = draw(still);
  EXPECT_EQ(p.at(5, 5), "r");
  EXPECT_EQ(p.at(40, 10), "w");
  call_method(drawn, "d", "removeMovieClip", 0, [](Asm&) {});
  p = draw(drawn);
  EXPECT_EQ(p.at(5, 5), "r");
  EXPECT_EQ(p.at(40, 10), "r");
}

TEST(Avm1Masks, SetMaskArrivedWithFileVersionSix) {
  Asm a;
  a.get("big").push({Push("setMask")}).op(avm1::kActionGetMember).op(avm1::kActionTypeOf);
  a.op(avm1::kActionTrace);
  call_method(a, "big", "setMask", 1, [](Asm& s) { s.get("small"); });
  Picture five = draw(a, 5);
  EXPECT_EQ(five.trace, "undefined\n");
  EXPECT_EQ(five.at(10, 10), "r");
  Picture six = draw(a, 6);
  EXPECT_EQ(six.trace, "function\n");
  EXPECT_EQ(six.at(10, 10), "w");
}

TEST(Avm1Paths, AClipKeptUnderItsOwnRemovedPathEndsTheLookup) {
  // c = createEmptyMovieClip("c", 1) stores the clip in the property "c"
  // of the same timeline; once removed, its old path leads back to that
  // property, which holds the removed clip again.
  Asm a;
  a.push({Push("c"), Push(1), Push("c"), Push(2)});
  a.get("_root").push({Push("createEmptyMovieClip")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionSetVariable);
  call_method(a, "c", "removeMovieClip", 0, [](Asm&) {});
  a.get("c").push({Push("_x")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.trace({Push("done")});
  EXPECT_EQ(draw(a).trace, "undefined\ndone\n");
}

}  // namespace
