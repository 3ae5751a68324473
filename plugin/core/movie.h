// The movie model: the file header, the dictionary of characters by id and
// the timelines (the main movie's and each sprite's) as lists of frames, each
// frame holding the display-list commands, labels and actions of its tags.
// MovieBuilder fills a Movie from tags as they arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/color.h"
#include "render/geometry.h"
#include "render/layers.h"

namespace npfp {

using SharedBytes = std::shared_ptr<const std::vector<uint8_t>>;

// Tag codes the core knows by name.
enum TagCode : int {
  kTagEnd = 0,
  kTagShowFrame = 1,
  kTagDefineShape = 2,
  kTagPlaceObject = 4,
  kTagRemoveObject = 5,
  kTagDefineBits = 6,
  kTagDefineButton = 7,
  kTagJpegTables = 8,
  kTagSetBackgroundColor = 9,
  kTagDefineFont = 10,
  kTagDefineText = 11,
  kTagDoAction = 12,
  kTagDefineFontInfo = 13,
  kTagDefineSound = 14,
  kTagDefineButtonSound = 17,
  kTagDefineBitsLossless = 20,
  kTagDefineBitsJpeg2 = 21,
  kTagDefineShape2 = 22,
  kTagDefineButtonCxform = 23,
  kTagPlaceObject2 = 26,
  kTagRemoveObject2 = 28,
  kTagDefineShape3 = 32,
  kTagDefineText2 = 33,
  kTagDefineButton2 = 34,
  kTagDefineBitsJpeg3 = 35,
  kTagDefineBitsLossless2 = 36,
  kTagDefineEditText = 37,
  kTagDefineSprite = 39,
  kTagFrameLabel = 43,
  kTagDefineMorphShape = 46,
  kTagDefineFont2 = 48,
  kTagExportAssets = 56,
  kTagDoInitAction = 59,
  kTagDefineVideoStream = 60,
  kTagDefineFontInfo2 = 62,
  kTagPlaceObject3 = 70,
  kTagDefineFont3 = 75,
  kTagDefineScalingGrid = 78,
  kTagDefineShape4 = 83,
  kTagDefineMorphShape2 = 84,
};

enum class CharacterKind : uint8_t {
  shape,
  morph_shape,
  bitmap,
  font,
  text,
  edit_text,
  button,
  sprite,
  sound,
  video,
};

// The kind a definition tag creates; false for tags that define nothing.
bool character_kind_of_tag(int tag_code, CharacterKind& kind);

// One PlaceObject/2/3. Fields are present only when their flag is set.
struct PlaceCommand {
  uint16_t depth = 0;
  bool move = false;  // PlaceObject2/3 Move flag
  bool has_character = false;
  uint16_t character = 0;
  bool has_matrix = false;
  render::Matrix matrix;
  bool has_color_transform = false;
  render::ColorTransform color_transform;
  bool has_ratio = false;
  uint16_t ratio = 0;
  bool has_name = false;
  std::string name;
  bool has_clip_depth = false;
  uint16_t clip_depth = 0;
  bool has_blend_mode = false;
  uint8_t blend_mode = 0;
  std::shared_ptr<const std::vector<render::Filter>> filters;  // PlaceObject3 filter list
  SharedBytes clip_actions;  // raw CLIPACTIONS, kept for the script engine
};

struct DisplayCommand {
  enum Kind : uint8_t { place, remove } kind = place;
  PlaceCommand command;  // for remove only command.depth counts
};

struct Frame {
  std::vector<DisplayCommand> commands;
  std::vector<std::string> labels;
  std::vector<SharedBytes> actions;  // DoAction bodies in file order
  // For each DoAction, how many display commands came before it.
  std::vector<size_t> commands_before_action;
  // DoInitAction (sprite id, actions) of this frame: the main timeline's only.
  std::vector<std::pair<uint16_t, SharedBytes>> init_actions;
};

struct Timeline {
  std::vector<Frame> frames;  // complete frames (their ShowFrame was seen)
  uint16_t declared_frame_count = 0;
  bool complete = false;  // its End tag (or the end of the data) was reached

  // Zero-based frame of a label, -1 if none. Labels compare without case.
  int frame_of_label(const std::string& label) const;
};

struct Character {
  CharacterKind kind = CharacterKind::shape;
  uint16_t id = 0;
  int tag_code = 0;
  SharedBytes body;                          // the whole tag body, id included
  std::shared_ptr<const Timeline> timeline;  // sprites
  // Tags that add to the definition (DefineFontInfo, DefineButtonCxform,
  // DefineButtonSound, DefineScalingGrid), as (tag code, body).
  std::vector<std::pair<int, SharedBytes>> extras;
};

struct MovieHeader {
  uint8_t version = 0;
  uint32_t file_length = 0;  // declared, uncompressed, header included
  bool compressed = false;
  render::Rect frame;  // twips
  double frame_rate = 0;
  uint16_t frame_count = 0;

  int width_pixels() const { return (frame.x_max - frame.x_min) / 20; }
  int height_pixels() const { return (frame.y_max - frame.y_min) / 20; }
};

class Movie {
 public:
  bool has_header = false;
  MovieHeader header;
  bool has_background = false;
  render::Rgba background{255, 255, 255, 255};
  std::map<uint16_t, Character> characters;
  std::vector<uint8_t> jpeg_tables;
  std::map<std::string, uint16_t> exports;                     // ExportAssets name -> id
  std::vector<std::pair<uint16_t, SharedBytes>> init_actions;  // DoInitAction
  Timeline root;

  const Character* character(uint16_t id) const;
};

// Turns tags into the model. The main stream's tags come one at a time;
// a DefineSprite's nested stream is read whole from its body.
class MovieBuilder {
 public:
  explicit MovieBuilder(Movie& movie) : movie_(movie) {}

  void header(const MovieHeader& header);
  // One tag of the main stream (the body is copied where it is kept).
  void tag(int code, const uint8_t* body, size_t length);
  // The data ended: commands after the last ShowFrame become a last frame
  // and the main timeline is complete.
  void finish();
  // Tags after End are not part of the movie.
  bool ended() const { return movie_.root.complete; }

 private:
  // State of one timeline being built.
  struct TimelineBuild {
    Timeline* timeline;
    Frame pending;
    bool pending_used = false;
  };
  // Handles the tags a timeline holds (display list, frames, labels, actions);
  // false for others.
  bool timeline_tag(TimelineBuild& build, int code, const uint8_t* body, size_t length);
  void close_timeline(TimelineBuild& build);
  void define_character(int code, const uint8_t* body, size_t length);
  void define_sprite(const uint8_t* body, size_t length);
  void add_extra(int code, const uint8_t* body, size_t length);

  Movie& movie_;
  TimelineBuild root_{&movie_.root, Frame(), false};
};

// Parses PlaceObject (4), PlaceObject2 (26) or PlaceObject3 (70). Fields that
// a damaged body cuts off stay absent; false when not even the depth (and
// the character of PlaceObject) could be read.
bool parse_place_command(int code, const uint8_t* body, size_t length, PlaceCommand& out);

}  // namespace npfp
