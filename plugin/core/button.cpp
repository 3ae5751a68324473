#include "core/button.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "render/layers.h"

namespace npfp {

bool ButtonDefinition::parse(int tag_code, const uint8_t* body, size_t length) {
  ByteReader in(body, length);
  id_ = in.u16();
  bool version2 = tag_code == 34;
  if (version2) {
    track_as_menu_ = in.u8() & 0x01;
    has_actions_ = in.u16() != 0;  // offset of the actions
  }
  bool ok = true;
  for (;;) {
    uint8_t flags = in.u8();
    if (in.failed()) {
      ok = false;
      break;
    }
    if (flags == 0) break;
    ButtonRecord r;
    r.states = flags & 0x0F;
    r.character = in.u16();
    r.depth = in.u16();
    r.matrix = in.matrix();
    if (version2) {
      r.color_transform = in.color_transform(true);
      if (flags & 0x10) {
        std::vector<render::Filter> filters;
        size_t used = render::parse_filter_list(in.current(), in.remaining(), filters);
        if (used == 0)
          in.skip(in.remaining() + 1);  // cut off: fail
        else
          in.skip(used);
      }
      if (flags & 0x20) r.blend_mode = in.u8();
    }
    if (in.failed()) {
      ok = false;
      break;
    }
    records_.push_back(r);
  }
  // DefineButton's action list follows its records; a lone end byte is empty.
  if (ok && !version2) has_actions_ = !in.at_end() && in.u8() != 0;
  std::stable_sort(records_.begin(), records_.end(),
                   [](const ButtonRecord& a, const ButtonRecord& b) { return a.depth < b.depth; });
  return ok;
}

std::vector<const ButtonRecord*> ButtonDefinition::records_for(ButtonState state) const {
  std::vector<const ButtonRecord*> out;
  for (const ButtonRecord& r : records_)
    if (r.states & state) out.push_back(&r);
  return out;
}

}  // namespace npfp
