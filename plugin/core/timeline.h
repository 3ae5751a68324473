// The display list and the playhead of one timeline instance: the main movie
// or a placed sprite (each placed sprite has its own playhead and list).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/button.h"
#include "core/movie.h"

namespace npfp {

class TimelineInstance;

// One object on a display list.
struct DisplayObject {
  uint16_t depth = 0;
  uint16_t character = 0;
  // The character's definition; nullptr when the id names nothing (the
  // object then draws nothing).
  const Character* definition = nullptr;
  render::Matrix matrix;
  render::ColorTransform color_transform;
  uint16_t ratio = 0;
  std::string name;
  uint16_t clip_depth = 0;  // > 0: a mask for the depths up to it
  uint8_t blend_mode = 0;
  std::shared_ptr<const std::vector<render::Filter>> filters;
  SharedBytes clip_actions;
  // A sprite's own timeline; empty for every other kind.
  std::unique_ptr<TimelineInstance> sprite;
  // Buttons: the state shown (kButtonUp, kButtonOver or kButtonDown), and
  // the timelines of the sprites that state shows, by record index.
  uint8_t button_state = kButtonUp;
  std::map<size_t, std::unique_ptr<TimelineInstance>> button_sprites;
  // Tells a kept object from one made anew by a later placement.
  uint64_t serial = 0;
};

// Shared by all timelines of one movie: a movie whose sprites place
// themselves, or fan out without end, stops growing at these limits.
struct InstanceBudget {
  size_t live_sprites = 0;
  static constexpr size_t kMaxLiveSprites = 50000;
  static constexpr int kMaxNesting = 64;
};

class TimelineInstance {
 public:
  // `budget` is shared with the instances of nested sprites; `nesting` is
  // the depth of this timeline below the main one.
  TimelineInstance(const Movie& movie, const Timeline& timeline,
                   std::shared_ptr<InstanceBudget> budget = nullptr, int nesting = 0);
  ~TimelineInstance();
  TimelineInstance(const TimelineInstance&) = delete;
  TimelineInstance& operator=(const TimelineInstance&) = delete;

  // Shows the first frame once it is loaded; true when it did.
  bool start();
  bool started() const { return current_ >= 0; }

  // One tick of the clock: the sprites already on the list advance, then
  // the playhead moves to the next loaded frame, looping to the first after
  // the last once the timeline is complete. True when something changed.
  bool advance();

  // Moves the playhead to a zero-based frame (clamped to the loaded frames).
  // Going back rebuilds the list as it stands at that frame: objects that
  // stay (same character at the same depth) are kept with their state.
  bool goto_frame(size_t frame);

  void play() { playing_ = true; }
  void stop() { playing_ = false; }
  bool playing() const { return playing_; }

  // Zero-based current frame, -1 before start.
  int current_frame() const { return current_; }
  size_t loaded_frames() const { return timeline_.frames.size(); }
  const Timeline& timeline() const { return timeline_; }

  const std::map<uint16_t, DisplayObject>& display_list() const { return list_; }
  const DisplayObject* object_at(uint16_t depth) const;
  // The timeline of the sprite at a depth, nullptr when there is none.
  TimelineInstance* sprite_at(uint16_t depth);

  // Shows another state of the button at a depth; the sprites of the new
  // state start at their first frame. False when nothing changed.
  bool set_button_state(uint16_t depth, uint8_t state);

 private:
  bool apply_frame(size_t frame);
  void place(const PlaceCommand& c);
  void make_object(DisplayObject& o, uint16_t depth, uint16_t character);
  void set_character(DisplayObject& o, uint16_t character);
  void rebuild_to(size_t frame);
  void make_button_sprites(DisplayObject& o);
  std::unique_ptr<TimelineInstance> new_sprite(const Character* definition);

  const Movie& movie_;
  const Timeline& timeline_;
  std::shared_ptr<InstanceBudget> budget_;
  int nesting_ = 0;
  std::map<uint16_t, DisplayObject> list_;
  int current_ = -1;
  bool playing_ = true;
  uint64_t serial_counter_ = 0;
};

}  // namespace npfp
