// Stream intake and the movie model: the header, FWS and CWS, pieces of any
// size, and damaged or truncated files that must load what they can.
#include <gtest/gtest.h>

#include "core/movie.h"
#include "core/player.h"
#include "core/swf_stream.h"
#include "test_movies.h"

namespace {

using namespace plugin_core_test;

TEST(PluginCoreStream, ReadsHeaderCharactersFramesAndLabels) {
  auto p = load(three_frame_movie());
  const npfp::Movie& m = p->movie();
  ASSERT_TRUE(m.has_header);
  EXPECT_EQ(m.header.version, 8);
  EXPECT_FALSE(m.header.compressed);
  EXPECT_EQ(m.header.width_pixels(), 200);
  EXPECT_EQ(m.header.height_pixels(), 100);
  EXPECT_DOUBLE_EQ(m.header.frame_rate, 24);
  EXPECT_EQ(m.header.frame_count, 3);
  ASSERT_TRUE(m.has_background);
  EXPECT_EQ(m.background.r, 10);
  EXPECT_EQ(m.background.b, 30);
  ASSERT_EQ(m.characters.size(), 2u);
  EXPECT_EQ(m.character(1)->kind, npfp::CharacterKind::shape);
  EXPECT_EQ(m.character(2)->tag_code, 32);  // DefineShape3
  EXPECT_EQ(m.character(3), nullptr);
  EXPECT_TRUE(m.root.complete);
  ASSERT_EQ(m.root.frames.size(), 3u);
  EXPECT_EQ(m.root.frame_of_label("START"), 0);
  EXPECT_EQ(m.root.frame_of_label("end"), 2);
  EXPECT_EQ(m.root.frame_of_label("middle"), -1);
  const npfp::Frame& last = m.root.frames[2];
  ASSERT_EQ(last.commands.size(), 2u);
  EXPECT_EQ(last.commands[0].kind, npfp::DisplayCommand::remove);
  EXPECT_EQ(last.commands[0].command.depth, 1);
  EXPECT_EQ(last.commands[1].command.character, 2);
  EXPECT_EQ(last.commands[1].command.matrix.tx, 2000);
}

TEST(PluginCoreStream, CompressedMovieGivesTheSameModel) {
  auto plain = load(three_frame_movie(false));
  auto packed = load(three_frame_movie(true));
  EXPECT_TRUE(packed->movie().header.compressed);
  std::string a = describe(plain->movie()), b = describe(packed->movie());
  EXPECT_EQ(a, b);
  EXPECT_EQ(packed->movie().root.frames.size(), 3u);
}

TEST(PluginCoreStream, TinyPiecesGiveTheSameModelAsOnePiece) {
  for (bool compressed : {false, true}) {
    Bytes file = three_frame_movie(compressed);
    std::string whole = describe(load(file)->movie());
    for (size_t piece : {1, 2, 3, 7, 64}) {
      SCOPED_TRACE("piece " + std::to_string(piece) + (compressed ? " CWS" : " FWS"));
      EXPECT_EQ(describe(load(file, piece)->movie()), whole);
    }
  }
}

TEST(PluginCoreStream, FramesBecomeAvailableAsTheirBytesArrive) {
  Bytes file = three_frame_movie();
  npfp::Player p;
  size_t frames_seen = 0;
  for (size_t at = 0; at < file.size(); ++at) {
    p.feed(&file[at], 1);
    size_t now = p.movie().root.frames.size();
    EXPECT_GE(now, frames_seen);  // frames never disappear
    frames_seen = now;
    if (at + 1 < file.size()) {
      EXPECT_FALSE(p.movie().root.complete);
    }
  }
  EXPECT_EQ(frames_seen, 3u);
  EXPECT_TRUE(p.stream_complete());
}

TEST(PluginCoreStream, EveryTruncationLoadsTheCompleteFramesBeforeTheCut) {
  for (bool compressed : {false, true}) {
    Bytes file = three_frame_movie(compressed);
    size_t last_frames = 0;
    for (size_t cut = 0; cut <= file.size(); ++cut) {
      Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
      auto p = load(part);
      size_t frames = p->movie().root.frames.size();
      EXPECT_LE(frames, 3u);
      // A longer prefix never holds fewer frames.
      EXPECT_GE(frames, last_frames) << "cut " << cut;
      last_frames = frames;
      if (p->movie().has_header) {
        EXPECT_TRUE(p->movie().root.complete);
      }
      // Playing the remains is safe.
      for (int i = 0; i < 5; ++i) p->advance();
    }
    EXPECT_EQ(last_frames, 3u);
  }
}

TEST(PluginCoreStream, RejectsWhatIsNotAMovie) {
  npfp::Player p;
  const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
  EXPECT_FALSE(p.feed(gif, sizeof gif));
  EXPECT_TRUE(p.failed());
  EXPECT_FALSE(p.has_header());
  EXPECT_FALSE(p.advance());
  EXPECT_FALSE(p.feed(gif, sizeof gif));  // stays failed
}

TEST(PluginCoreStream, BrokenCompressedDataKeepsWhatCameBefore) {
  Bytes file = three_frame_movie(true);
  // Damage the deflate data near its end: the header and the first tags
  // inflate, then the stream breaks (or its check fails).
  Bytes damaged = file;
  for (size_t i = damaged.size() - 12; i < damaged.size(); ++i) damaged[i] ^= 0x5A;
  auto p = load(damaged);
  EXPECT_TRUE(p->has_header());
  EXPECT_TRUE(p->movie().root.complete);
  EXPECT_LE(p->movie().root.frames.size(), 3u);
  p->advance();
  EXPECT_EQ(p->current_frame(), 0);
}

TEST(PluginCoreStream, UnknownTagsAreSkippedAndTagsAfterEndIgnored) {
  swfwriter::Movie m;
  m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  m.tag(777, {1, 2, 3, 4, 5});        // unknown code
  m.tag(40, Bytes(100, 0xEE), true);  // obsolete code, long form
  m.place(swfwriter::Placement::place(1, 1));
  m.show_frame();
  m.end();
  m.place(swfwriter::Placement::place(1, 2));  // after End: not part of the movie
  m.show_frame();
  auto p = load(m.finish());
  ASSERT_EQ(p->movie().root.frames.size(), 1u);
  EXPECT_EQ(p->movie().root.frames[0].commands.size(), 1u);
}

TEST(PluginCoreStream, ImpossibleTagLengthEndsTheMovieThere) {
  swfwriter::Movie m;
  m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  m.place(swfwriter::Placement::place(1, 1));
  m.show_frame();
  Bytes file = m.finish();
  file.resize(file.size() - 2);  // drop End
  // A tag header claiming 0xFFFFFFF0 bytes.
  Bytes bad = {0xFF, 0x00, 0xF0, 0xFF, 0xFF, 0xFF, 1, 2, 3};
  file.insert(file.end(), bad.begin(), bad.end());
  npfp::Player p;
  p.feed(file.data(), file.size());
  EXPECT_TRUE(p.stream_complete());
  EXPECT_EQ(p.movie().root.frames.size(), 1u);
}

TEST(PluginCoreStream, CommandsAfterTheLastShowFrameMakeAFrame) {
  swfwriter::Movie m;
  m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  m.place(swfwriter::Placement::place(1, 1));
  m.end();  // no ShowFrame at all
  auto p = load(m.finish());
  ASSERT_EQ(p->movie().root.frames.size(), 1u);
  p->advance();
  EXPECT_NE(p->root()->object_at(1), nullptr);
}

TEST(PluginCoreStream, SpritesAndPlacementFieldsAreRead) {
  swfwriter::Movie m;
  m.define_shape(1, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));
  swfwriter::TagStream inner;
  inner.place(swfwriter::Placement::place(1, 1));
  inner.show_frame();
  inner.define_shape(9, rectangle_shape(0, 0, 20, 20, {1, 2, 3, 255}));  // not allowed here
  inner.remove(1);
  inner.show_frame();
  m.define_sprite(5, 2, inner);
  swfwriter::Placement p = swfwriter::Placement::place(5, 3, swfwriter::Matrix::scaling(2, 3));
  p.name = "clip";
  p.has_ratio = true;
  p.ratio = 77;
  p.clip_depth = 9;
  p.has_color_transform = true;
  p.color_transform.has_add = true;
  p.color_transform.add[0] = 40;
  p.version3 = true;
  p.blend_mode = 3;
  m.place(p);
  m.show_frame();
  auto player = load(m.finish());
  const npfp::Movie& movie = player->movie();
  ASSERT_NE(movie.character(5), nullptr);
  ASSERT_TRUE(movie.character(5)->timeline);
  EXPECT_EQ(movie.character(5)->timeline->frames.size(), 2u);
  EXPECT_EQ(movie.character(5)->timeline->declared_frame_count, 2);
  EXPECT_EQ(movie.character(9), nullptr);  // the definition inside the sprite was skipped
  const npfp::PlaceCommand& c = movie.root.frames[0].commands[0].command;
  EXPECT_EQ(c.depth, 3);
  EXPECT_EQ(c.character, 5);
  EXPECT_DOUBLE_EQ(c.matrix.d, 3);
  EXPECT_EQ(c.name, "clip");
  EXPECT_EQ(c.ratio, 77);
  EXPECT_EQ(c.clip_depth, 9);
  EXPECT_EQ(c.color_transform.add_r, 40);
  ASSERT_TRUE(c.has_blend_mode);
  EXPECT_EQ(c.blend_mode, 3);
}

TEST(PluginCoreStream, CutPlacementKeepsTheFieldsBeforeTheCut) {
  // PlaceObject2 with character, matrix and name, cut inside the name.
  swfwriter::BitWriter w;
  w.u8(0x02 | 0x04 | 0x20);
  w.u16(4);
  w.u16(7);
  swfwriter::write_matrix(w, swfwriter::Matrix::translation(100, 200));
  w.bytes("nam", 3);  // no terminator
  const Bytes& body = w.data();
  npfp::PlaceCommand c;
  ASSERT_TRUE(npfp::parse_place_command(26, body.data(), body.size(), c));
  EXPECT_EQ(c.depth, 4);
  EXPECT_EQ(c.character, 7);
  EXPECT_TRUE(c.has_matrix);
  EXPECT_EQ(c.matrix.ty, 200);
  EXPECT_FALSE(c.has_name);
  // Without even a depth there is nothing to place.
  EXPECT_FALSE(npfp::parse_place_command(26, body.data(), 2, c));
  EXPECT_FALSE(npfp::parse_place_command(4, body.data(), 3, c));
}

}  // namespace
