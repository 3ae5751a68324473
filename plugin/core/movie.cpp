#include "core/movie.h"

#include <algorithm>
#include <cctype>

#include "core/byte_reader.h"

namespace npfp {

namespace {

SharedBytes copy_bytes(const uint8_t* data, size_t length) {
  return std::make_shared<const std::vector<uint8_t>>(data, data + length);
}

bool same_label(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

bool character_kind_of_tag(int tag_code, CharacterKind& kind) {
  switch (tag_code) {
    case kTagDefineShape:
    case kTagDefineShape2:
    case kTagDefineShape3:
    case kTagDefineShape4:
      kind = CharacterKind::shape;
      return true;
    case kTagDefineMorphShape:
    case kTagDefineMorphShape2:
      kind = CharacterKind::morph_shape;
      return true;
    case kTagDefineBits:
    case kTagDefineBitsJpeg2:
    case kTagDefineBitsJpeg3:
    case kTagDefineBitsLossless:
    case kTagDefineBitsLossless2:
      kind = CharacterKind::bitmap;
      return true;
    case kTagDefineFont:
    case kTagDefineFont2:
    case kTagDefineFont3:
      kind = CharacterKind::font;
      return true;
    case kTagDefineText:
    case kTagDefineText2:
      kind = CharacterKind::text;
      return true;
    case kTagDefineEditText:
      kind = CharacterKind::edit_text;
      return true;
    case kTagDefineButton:
    case kTagDefineButton2:
      kind = CharacterKind::button;
      return true;
    case kTagDefineSprite:
      kind = CharacterKind::sprite;
      return true;
    case kTagDefineSound:
      kind = CharacterKind::sound;
      return true;
    case kTagDefineVideoStream:
      kind = CharacterKind::video;
      return true;
    default:
      return false;
  }
}

int Timeline::frame_of_label(const std::string& label) const {
  for (size_t f = 0; f < frames.size(); ++f)
    for (const std::string& l : frames[f].labels)
      if (same_label(l, label)) return static_cast<int>(f);
  return -1;
}

const Character* Movie::character(uint16_t id) const {
  auto it = characters.find(id);
  return it == characters.end() ? nullptr : &it->second;
}

bool parse_place_command(int code, const uint8_t* body, size_t length, PlaceCommand& out) {
  ByteReader in(body, length);
  PlaceCommand p;
  if (code == kTagPlaceObject) {
    p.has_character = true;
    p.character = in.u16();
    p.depth = in.u16();
    if (in.failed()) return false;
    p.matrix = in.matrix();
    p.has_matrix = !in.failed();
    if (p.has_matrix && !in.at_end()) {
      render::ColorTransform cx = in.color_transform(false);
      if (!in.failed()) {
        p.has_color_transform = true;
        p.color_transform = cx;
      }
    }
    out = p;
    return true;
  }

  uint8_t flags = in.u8();
  uint8_t flags2 = code == kTagPlaceObject3 ? in.u8() : 0;
  p.depth = in.u16();
  if (in.failed()) return false;
  p.move = flags & 0x01;
  bool has_character = flags & 0x02;
  if (code == kTagPlaceObject3 && ((flags2 & 0x08) || ((flags2 & 0x10) && has_character)))
    in.string();  // class name (a later player's feature)
  if (has_character) {
    p.character = in.u16();
    if (in.failed()) return false;
    p.has_character = true;
  }
  out = p;  // from here on a cut-off body keeps what was read
  if (flags & 0x04) {
    render::Matrix m = in.matrix();
    if (in.failed()) return true;
    out.has_matrix = true;
    out.matrix = m;
  }
  if (flags & 0x08) {
    render::ColorTransform cx = in.color_transform(true);
    if (in.failed()) return true;
    out.has_color_transform = true;
    out.color_transform = cx;
  }
  if (flags & 0x10) {
    uint16_t ratio = in.u16();
    if (in.failed()) return true;
    out.has_ratio = true;
    out.ratio = ratio;
  }
  if (flags & 0x20) {
    std::string name = in.string();
    if (in.failed()) return true;
    out.has_name = true;
    out.name = name;
  }
  if (flags & 0x40) {
    uint16_t clip_depth = in.u16();
    if (in.failed()) return true;
    out.has_clip_depth = true;
    out.clip_depth = clip_depth;
  }
  if (code == kTagPlaceObject3) {
    if (flags2 & 0x01) {
      auto filters = std::make_shared<std::vector<render::Filter>>();
      size_t used = render::parse_filter_list(in.current(), in.remaining(), *filters);
      if (used == 0) return true;
      in.skip(used);
      out.filters = filters;
    }
    if (flags2 & 0x02) {
      uint8_t mode = in.u8();
      if (in.failed()) return true;
      out.has_blend_mode = true;
      out.blend_mode = mode;
    }
    if (flags2 & 0x04) in.u8();    // cache as bitmap
    if (flags2 & 0x20) in.u8();    // visible (later players)
    if (flags2 & 0x40) in.rgba();  // opaque background (later players)
    if (in.failed()) return true;
  }
  if ((flags & 0x80) && !in.at_end()) out.clip_actions = copy_bytes(in.current(), in.remaining());
  return true;
}

void MovieBuilder::header(const MovieHeader& header) {
  movie_.header = header;
  movie_.has_header = true;
  movie_.root.declared_frame_count = header.frame_count;
}

bool MovieBuilder::timeline_tag(TimelineBuild& build, int code, const uint8_t* body,
                                size_t length) {
  switch (code) {
    case kTagShowFrame:
      build.timeline->frames.push_back(std::move(build.pending));
      build.pending = Frame();
      build.pending_used = false;
      return true;
    case kTagPlaceObject:
    case kTagPlaceObject2:
    case kTagPlaceObject3: {
      DisplayCommand c;
      c.kind = DisplayCommand::place;
      if (parse_place_command(code, body, length, c.command)) {
        build.pending.commands.push_back(std::move(c));
        build.pending_used = true;
      }
      return true;
    }
    case kTagRemoveObject:
    case kTagRemoveObject2: {
      ByteReader in(body, length);
      if (code == kTagRemoveObject) in.u16();  // the character id is redundant
      DisplayCommand c;
      c.kind = DisplayCommand::remove;
      c.command.depth = in.u16();
      if (!in.failed()) {
        build.pending.commands.push_back(std::move(c));
        build.pending_used = true;
      }
      return true;
    }
    case kTagFrameLabel: {
      ByteReader in(body, length);
      std::string label = in.string();
      if (!label.empty()) build.pending.labels.push_back(label);
      build.pending_used = true;
      return true;
    }
    case kTagDoAction:
      build.pending.actions.push_back(copy_bytes(body, length));
      build.pending.commands_before_action.push_back(build.pending.commands.size());
      build.pending_used = true;
      return true;
    default:
      return false;
  }
}

void MovieBuilder::close_timeline(TimelineBuild& build) {
  // Commands after the last ShowFrame still make a frame, so a movie that
  // lacks its final ShowFrame shows what it placed.
  if (build.pending_used || build.timeline->frames.empty()) {
    build.timeline->frames.push_back(std::move(build.pending));
    build.pending = Frame();
    build.pending_used = false;
  }
  build.timeline->complete = true;
}

void MovieBuilder::tag(int code, const uint8_t* body, size_t length) {
  if (movie_.root.complete) return;
  if (code == kTagEnd) {
    close_timeline(root_);
    return;
  }
  if (timeline_tag(root_, code, body, length)) return;
  switch (code) {
    case kTagSetBackgroundColor: {
      ByteReader in(body, length);
      render::Rgba c = in.rgb();
      // The first colour a movie sets stays; later ones are ignored.
      if (!in.failed() && !movie_.has_background) {
        movie_.background = c;
        movie_.has_background = true;
      }
      return;
    }
    case kTagJpegTables:
      if (movie_.jpeg_tables.empty()) movie_.jpeg_tables.assign(body, body + length);
      return;
    case kTagDefineSprite:
      define_sprite(body, length);
      return;
    case kTagDefineFontInfo:
    case kTagDefineFontInfo2:
    case kTagDefineButtonCxform:
    case kTagDefineButtonSound:
    case kTagDefineScalingGrid:
      add_extra(code, body, length);
      return;
    case kTagExportAssets: {
      ByteReader in(body, length);
      uint16_t count = in.u16();
      for (uint16_t i = 0; i < count && !in.failed(); ++i) {
        uint16_t id = in.u16();
        std::string name = in.string();
        if (!in.failed()) movie_.exports[name] = id;
      }
      return;
    }
    case kTagDoInitAction: {
      ByteReader in(body, length);
      uint16_t sprite = in.u16();
      if (!in.failed()) {
        SharedBytes actions = copy_bytes(in.current(), in.remaining());
        movie_.init_actions.emplace_back(sprite, actions);
        root_.pending.init_actions.emplace_back(sprite, actions);
        root_.pending_used = true;
      }
      return;
    }
    default:
      define_character(code, body, length);
      return;
  }
}

void MovieBuilder::define_character(int code, const uint8_t* body, size_t length) {
  CharacterKind kind;
  if (!character_kind_of_tag(code, kind) || length < 2) return;
  uint16_t id = static_cast<uint16_t>(body[0] | (body[1] << 8));
  // Ids are unique in a well-formed file; a second definition is ignored so
  // objects already placed keep what they show.
  if (movie_.characters.count(id)) return;
  Character c;
  c.kind = kind;
  c.id = id;
  c.tag_code = code;
  c.body = copy_bytes(body, length);
  movie_.characters.emplace(id, std::move(c));
}

void MovieBuilder::define_sprite(const uint8_t* body, size_t length) {
  ByteReader in(body, length);
  uint16_t id = in.u16();
  uint16_t frame_count = in.u16();
  if (in.failed() || movie_.characters.count(id)) return;

  auto timeline = std::make_shared<Timeline>();
  timeline->declared_frame_count = frame_count;
  TimelineBuild build{timeline.get(), Frame(), false};
  while (in.remaining() >= 2) {
    uint16_t code_and_length = in.u16();
    int code = code_and_length >> 6;
    uint32_t tag_length = code_and_length & 0x3F;
    if (tag_length == 0x3F) tag_length = in.u32();
    if (in.failed()) break;
    if (code == kTagEnd) break;
    // A nested tag that claims more than the sprite holds is cut to what is
    // there: the sprite keeps every frame before it.
    ByteReader tag = in.sub(std::min<size_t>(tag_length, in.remaining()));
    // Definitions inside a sprite are not allowed; they are skipped.
    timeline_tag(build, code, tag.data(), tag.size());
  }
  close_timeline(build);

  Character c;
  c.kind = CharacterKind::sprite;
  c.id = id;
  c.tag_code = kTagDefineSprite;
  c.body = copy_bytes(body, length);
  c.timeline = timeline;
  movie_.characters.emplace(id, std::move(c));
}

void MovieBuilder::add_extra(int code, const uint8_t* body, size_t length) {
  if (length < 2) return;
  uint16_t id = static_cast<uint16_t>(body[0] | (body[1] << 8));
  auto it = movie_.characters.find(id);
  if (it != movie_.characters.end()) it->second.extras.emplace_back(code, copy_bytes(body, length));
}

void MovieBuilder::finish() {
  if (!movie_.root.complete) close_timeline(root_);
}

}  // namespace npfp
