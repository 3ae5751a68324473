// Buttons (DefineButton, DefineButton2): the characters each state shows.
// The button's actions are kept raw for the script engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/color.h"
#include "render/geometry.h"

namespace npfp {

enum ButtonState : uint8_t {
  kButtonUp = 0x01,
  kButtonOver = 0x02,
  kButtonDown = 0x04,
  kButtonHitTest = 0x08,
};

struct ButtonRecord {
  uint8_t states = 0;  // ButtonState bits
  uint16_t character = 0;
  uint16_t depth = 0;
  render::Matrix matrix;
  render::ColorTransform color_transform;
  uint8_t blend_mode = 0;
};

class ButtonDefinition {
 public:
  // A DefineButton (7) or DefineButton2 (34) body. Records read before any
  // damage stay (false is answered then).
  bool parse(int tag_code, const uint8_t* body, size_t length);

  uint16_t id() const { return id_; }
  bool track_as_menu() const { return track_as_menu_; }
  // Whether the button carries actions (a non-empty action list, or a
  // DefineButton2 action offset).
  bool has_actions() const { return has_actions_; }
  // Records in depth order.
  const std::vector<ButtonRecord>& records() const { return records_; }
  // The records shown in one state, in depth order.
  std::vector<const ButtonRecord*> records_for(ButtonState state) const;

 private:
  uint16_t id_ = 0;
  bool track_as_menu_ = false;
  bool has_actions_ = false;
  std::vector<ButtonRecord> records_;
};

}  // namespace npfp
