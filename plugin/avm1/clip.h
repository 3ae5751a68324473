// Script objects bound to display-list instances: movie clips (the main
// timeline and placed or created sprites), text fields and buttons. They
// expose the built-in properties (_x, _alpha, _currentframe, ...), their
// children by instance name, and keep their clip event handlers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avm1/runtime.h"
#include "core/timeline.h"

namespace avm1 {

class Engine;

// Clip event flags as a 32-bit value (CLIPEVENTFLAGS of SWF 6 and later).
enum ClipEventFlag : uint32_t {
  kEventLoad = 0x1,
  kEventEnterFrame = 0x2,
  kEventUnload = 0x4,
  kEventMouseMove = 0x8,
  kEventMouseDown = 0x10,
  kEventMouseUp = 0x20,
  kEventKeyDown = 0x40,
  kEventKeyUp = 0x80,
  kEventData = 0x100,
  kEventInitialize = 0x200,
  kEventPress = 0x400,
  kEventRelease = 0x800,
  kEventReleaseOutside = 0x1000,
  kEventRollOver = 0x2000,
  kEventRollOut = 0x4000,
  kEventDragOver = 0x8000,
  kEventDragOut = 0x10000,
  kEventKeyPress = 0x20000,
  kEventConstruct = 0x40000,
};

struct ClipEventHandler {
  uint32_t flags = 0;
  uint8_t key = 0;
  size_t start = 0, size = 0;  // actions within the clip's event bytes
};

// Reads a CLIPACTIONS record (PlaceObject2/3) of a file of `version`.
std::vector<ClipEventHandler> parse_clip_actions(const std::vector<uint8_t>& bytes, int version);

// The built-in clip properties by GetProperty index.
enum ClipProperty : int {
  kPropX = 0,
  kPropY,
  kPropXScale,
  kPropYScale,
  kPropCurrentFrame,
  kPropTotalFrames,
  kPropAlpha,
  kPropVisible,
  kPropWidth,
  kPropHeight,
  kPropRotation,
  kPropTarget,
  kPropFramesLoaded,
  kPropName,
  kPropDropTarget,
  kPropUrl,
  kPropHighQuality,
  kPropFocusRect,
  kPropSoundBufTime,
  kPropQuality,
  kPropXMouse,
  kPropYMouse,
  kPropCount,
};
// The index of a property name (_x ...), -1 if it is none.
int clip_property_index(const String& name, bool case_sensitive);

// State of a text field bound to a script object.
struct TextFieldState {
  std::string text;  // as set (HTML markup kept for HTML fields)
  String variable;   // the variable the field shows, empty if none
  bool html = false;
  bool multiline = false, word_wrap = false, password = false, selectable = true;
  bool border = false, background = false, embed_fonts = false;
  bool condense_white = false, mouse_wheel = true, input = false;
  std::string auto_size = "none";  // none, left, center or right
  Value restrict = Value::null();  // the characters allowed, null for all
  Value style_sheet;               // an object, or undefined
  uint32_t text_color = 0, border_color = 0, background_color = 0xFFFFFF;
  int max_chars = 0;
};

// The pen of the drawing methods (beginFill, lineTo, ...): coordinates in
// twips; fills and lines index the current style group of the clip's
// drawing.
struct DrawingState {
  bool filling = false;
  uint16_t fill = 0, line = 0;  // 1-based in the current group, 0 = none
  bool has_line = false;
  render::LineStyle line_style;
  double pen_x = 0, pen_y = 0;
  double start_x = 0, start_y = 0;
  size_t path_first_edge = 0;
  size_t group = 0;
  bool has_group = false;
  // A fill path being drawn shows closed, as the player shows it: while
  // `closing`, its last edge is a provisional one back to the start.
  // `area` is twice the signed area of its edges (without that one);
  // `flipped` tells that its fills were moved to the other side of the
  // edges because the path runs counter-clockwise.
  bool closing = false;
  bool flipped = false;
  double area = 0;
};

// What Sound objects set for a clip's sounds: volume and the four channel
// levels left-to-left, left-to-right, right-to-left and right-to-right.
// Nothing plays them.
struct SoundLevels {
  int32_t volume = 100;
  int32_t ll = 100, lr = 0, rl = 0, rr = 100;
};

class ClipObject : public Object {
 public:
  ClipObject(Engine& engine, ObjectClass kind) : engine_(engine), kind_(kind) {}
  ObjectClass object_class() const override { return kind_; }
  void trace_children(Tracer& t) override;
  bool get_native(Runtime& rt, const String& name, Value& out) override;
  bool set_native(Runtime& rt, const String& name, const Value& value) override;
  bool get_late(Runtime& rt, const String& name, Value& out) override;
  void native_names(Runtime& rt, std::vector<String>& names) override;

  Engine& engine() const { return engine_; }
  bool is_movieclip() const { return kind_ == ObjectClass::movieclip; }
  bool is_text_field() const { return kind_ == ObjectClass::text_field; }
  bool alive() const { return !removed; }

  // The clip's binding. The main timeline has no display object of a list
  // (it keeps one of its own for its properties).
  ClipObject* parent = nullptr;
  npfp::TimelineInstance* owner = nullptr;     // the list holding `display`
  npfp::DisplayObject* display = nullptr;      // the instance
  npfp::TimelineInstance* timeline = nullptr;  // a movie clip's own timeline
  int level = -1;                              // main timelines: the level
  bool removed = false;
  // The path it had, for finding a clip of the same path after removal.
  std::string last_path;
  int swf_version = 0;
  uint64_t created = 0;  // creation order
  SoundLevels sound_levels;
  // Handlers from the placement's clip actions.
  Bytes event_bytes;
  std::vector<ClipEventHandler> events;
  // Scale and rotation as last set, kept apart from the matrix so that
  // repeated changes do not drift.
  bool transform_known = false;
  double xscale = 100, yscale = 100, rotation = 0;
  // Event state: the load event was sent; the frame of its last
  // enterFrame visit.
  bool loaded = false;
  bool constructed = false;
  bool script_created = false;  // by attachMovie, duplicateMovieClip, ...
  // Placed by the timeline: the command's place in its frame (1-based),
  // for loading before the frame's later actions; 0 when unknown.
  size_t placed_command = 0;
  bool load_queued = false;
  bool lock_root = false;
  // Removed by a script while it (or a clip inside it) listens for its
  // unload: kept at a negative depth until its unload events ran.
  bool unloading = false;
  bool unload_queued = false;
  bool locks_root() const { return lock_root; }
  // A clip's own _focusrect: unset (null), or a flag.
  enum class FocusRect : uint8_t { unset, off, on };
  FocusRect focus_rect = FocusRect::unset;
  // Text fields.
  std::unique_ptr<TextFieldState> text;
  // Movie clips that were drawn on.
  std::unique_ptr<DrawingState> drawing;

  // Shortcuts on the binding.
  npfp::DisplayObject* object() const { return display; }
  int current_frame() const;  // 1-based; 0 when there is no timeline
  int total_frames() const;
  String instance_name() const;
  int depth() const;  // script depth: list depth - 16384

 private:
  Engine& engine_;
  ObjectClass kind_;
};

}  // namespace avm1
