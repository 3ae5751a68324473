// What the player asks of a script engine. Without one, timelines simply
// play; with one, the engine moves the playheads in its own order, runs the
// movie's scripts and answers input.
#pragma once

#include <cstdint>

#include "core/timeline.h"

namespace npfp {

// Mouse and keyboard input as the glue receives it, for buttons and scripts.
struct InputEvent {
  enum Type : uint8_t { mouse_move, mouse_down, mouse_up, key_down, key_up, character };
  Type type = mouse_move;
  int x = 0, y = 0;  // device pixels in the plug-in's area (mouse events)
  int button = 0;    // 0 left, 1 right, 2 middle
  uint32_t key = 0;  // virtual key or character code
};

// Button transitions, as the bits of DefineButton2's conditions.
enum ButtonCondition : uint16_t {
  kCondIdleToOverUp = 0x0001,
  kCondOverUpToIdle = 0x0002,
  kCondOverUpToOverDown = 0x0004,
  kCondOverDownToOverUp = 0x0008,
  kCondOverDownToOutDown = 0x0010,
  kCondOutDownToOverDown = 0x0020,
  kCondOutDownToIdle = 0x0040,
  kCondIdleToOverDown = 0x0080,
  kCondOverDownToIdle = 0x0100,
};

class ScriptHost : public TimelineObserver {
 public:
  // The main timeline was made; it has not shown a frame yet.
  virtual void root_created(TimelineInstance& root) = 0;
  // One clock tick. True when the picture may have changed.
  virtual bool advance_frame(TimelineInstance& root) = 0;
  // Input, after the buttons took what they need. `device_to_movie` maps
  // device pixels of the event to the movie's twips.
  virtual void input(const InputEvent& event, const render::Matrix& device_to_movie) = 0;
  // A button moved between idle, over and pressed states (one condition
  // bit of ButtonCondition).
  virtual void button_event(TimelineInstance& owner, DisplayObject& button, uint16_t condition) = 0;
  // The picture must be drawn again although no timeline moved.
  virtual bool take_redraw_request() = 0;
};

}  // namespace npfp
