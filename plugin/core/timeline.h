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
#include "render/bitmap.h"
#include "render/shape.h"

namespace npfp {

class TimelineInstance;
struct DisplayObject;

// Told about display-list changes so that a script engine can bind its
// objects to instances and run frame scripts. A removed object is still in
// its list while the observer hears of it; an added one is told before its
// own timeline shows its first frame.
class TimelineObserver {
 public:
  virtual ~TimelineObserver() = default;
  virtual void object_added(TimelineInstance& owner, DisplayObject& object) = 0;
  virtual void object_removed(TimelineInstance& owner, DisplayObject& object) = 0;
  // The timeline is about to remove an object: true when the observer keeps
  // it a while longer (it has then moved it to a free negative depth).
  virtual bool keep_removed(TimelineInstance& /*owner*/, DisplayObject& /*object*/) {
    return false;
  }
  // The playhead entered a frame: the first one, the next, the first again
  // after the last, or one a goto chose.
  virtual void frame_entered(TimelineInstance& timeline) = 0;
};

// Where the mouse stands with a button, for the button's events.
enum ButtonTracking : uint8_t { kTrackIdle, kTrackOverUp, kTrackOverDown, kTrackOutDown };

// Depths on a list: the file's depths (1 to 65535) as they are; objects
// that scripts create may lie anywhere in the signed range.
using Depth = int32_t;
// Script depth 0: the lowest depth a script's clip leaves alone when the
// timeline goes back.
constexpr Depth kFirstScriptDepth = 16384;

// A mask a script set between two objects (MovieClip.setMask): the maskee
// shows only where the mask covers, and the mask itself is not drawn. Each
// side ends the pairing when its object goes, so neither keeps a dangling
// pointer; a moved object starts unpaired.
class ScriptMaskLink {
 public:
  ScriptMaskLink() = default;
  ScriptMaskLink(ScriptMaskLink&&) noexcept {}
  ScriptMaskLink& operator=(ScriptMaskLink&&) noexcept {
    clear();
    return *this;
  }
  ScriptMaskLink(const ScriptMaskLink&) = delete;
  ScriptMaskLink& operator=(const ScriptMaskLink&) = delete;
  ~ScriptMaskLink() { clear(); }

  // Masks `maskee` by `mask`, ending the pairings either had in that role.
  static void pair(DisplayObject& maskee, DisplayObject& mask);
  // Ends this object's own mask (it shows whole again).
  void clear_mask();
  // Ends both roles.
  void clear();

  const DisplayObject* mask() const { return mask_; }
  bool is_mask() const { return maskee_ != nullptr; }

 private:
  DisplayObject* mask_ = nullptr;    // the object masking this one
  DisplayObject* maskee_ = nullptr;  // the object this one masks
};

// One object on a display list.
struct DisplayObject {
  Depth depth = 0;
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
  // The timeline frame (0-based) whose placement made it.
  int placed_frame = 0;
  // Script state: shown at all; placed (or moved in depth) by a script, so
  // the timeline's own commands leave it alone; its transform set by a
  // script, so timeline moves no longer change it.
  bool visible = true;
  bool script_placed = false;
  bool script_transform = false;
  // A button's ButtonTracking state.
  uint8_t button_tracking = 0;
  // Text a script gave a dynamic text field (shown instead of the tag's).
  std::shared_ptr<const std::string> script_text;
  // The script engine's object for this instance (opaque here).
  void* script_object = nullptr;
  // Pixels a script attached (attachBitmap), drawn with their top left at
  // the object's origin, one pixel per 20 twips; shared with the script's
  // bitmap object, which may change them.
  std::shared_ptr<const render::Bitmap> script_bitmap;
  bool smooth_bitmap = false;
  // The list holding the object, for finding where a script mask stands.
  const TimelineInstance* owner = nullptr;
  ScriptMaskLink script_mask;
};

// Shared by all timelines of one movie: a movie whose sprites place
// themselves, or fan out without end, stops growing at these limits. The
// observer, when set, hears of every timeline's changes.
struct InstanceBudget {
  size_t live_sprites = 0;
  TimelineObserver* observer = nullptr;
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
  // The same for this playhead alone (a script engine visits the sprites
  // in an order of its own). Button sprites still advance here.
  bool advance_self();

  // The observer of this timeline and every nested one.
  void set_observer(TimelineObserver* observer) { budget_->observer = observer; }

  // Moves the playhead to a zero-based frame (clamped to the loaded frames).
  // Going back rebuilds the list as it stands at that frame: objects that
  // stay (same character at the same depth) are kept with their state.
  bool goto_frame(size_t frame);

  void play() { playing_ = true; }
  void stop() { playing_ = false; }
  bool playing() const { return playing_; }

  // Zero-based current frame, -1 before start.
  int current_frame() const { return current_; }
  // While a frame's commands are applied: how many have been so far (the
  // one being applied included); 0 otherwise.
  size_t applying_command() const { return applying_command_; }
  size_t loaded_frames() const { return timeline_.frames.size(); }
  const Timeline& timeline() const { return timeline_; }

  const std::map<Depth, DisplayObject>& display_list() const { return list_; }
  std::map<Depth, DisplayObject>& display_list() { return list_; }
  const DisplayObject* object_at(Depth depth) const;
  DisplayObject* object_at(Depth depth);
  // The timeline of the sprite at a depth, nullptr when there is none.
  TimelineInstance* sprite_at(Depth depth);

  // Shows another state of the button at a depth; the sprites of the new
  // state start at their first frame. False when nothing changed.
  bool set_button_state(Depth depth, uint8_t state);

  // Changes scripts make. A new object replaces whatever is at its depth;
  // it is script-placed, so the timeline's commands leave it alone.
  // `definition` is a character of the movie (or empty_sprite()). Null when
  // the budget allows no more sprites.
  DisplayObject* add_script_object(Depth depth, const Character* definition,
                                   const std::string& name);
  bool remove_object(Depth depth);
  // Exchanges the objects at two depths (one of them may be empty); both
  // become script-placed.
  bool swap_depths(Depth from, Depth to);

  // Shapes drawn by script, under the display list.
  const std::shared_ptr<render::ShapeGeometry>& drawing() const { return drawing_; }
  render::ShapeGeometry& drawing_for_update();
  void clear_drawing() { drawing_.reset(); }
  // Shares another timeline's drawing (copied once either draws on).
  void share_drawing(const std::shared_ptr<render::ShapeGeometry>& drawing) { drawing_ = drawing; }

  // A sprite definition with one empty frame (createEmptyMovieClip).
  static const Character* empty_sprite();
  // The definition of objects that show a script's bitmap.
  static const Character* script_bitmap_character();

  // The object whose sprite this timeline is; nullptr for a main timeline.
  const DisplayObject* host() const { return host_; }
  // An object's matrix within the main timeline's space (twips).
  static render::Matrix to_root(const DisplayObject& o);

 private:
  bool apply_frame(size_t frame);
  void place(const PlaceCommand& c);
  void make_object(DisplayObject& o, Depth depth, uint16_t character);
  void set_character(DisplayObject& o, uint16_t character);
  void set_definition(DisplayObject& o, const Character* definition);
  // Tells the observer and then starts the object's sprite.
  void added(DisplayObject& o);
  void removing(DisplayObject& o);
  // Removes a placed object unless the observer keeps it a while.
  void remove_placed(Depth depth);
  void entered_frame();
  void rebuild_to(size_t frame);
  void make_button_sprites(DisplayObject& o);
  std::unique_ptr<TimelineInstance> new_sprite(const Character* definition);

  const Movie& movie_;
  const Timeline& timeline_;
  std::shared_ptr<InstanceBudget> budget_;
  int nesting_ = 0;
  std::map<Depth, DisplayObject> list_;
  std::shared_ptr<render::ShapeGeometry> drawing_;
  const DisplayObject* host_ = nullptr;
  int current_ = -1;
  size_t applying_command_ = 0;
  bool playing_ = true;
  uint64_t serial_counter_ = 0;
};

}  // namespace npfp
