// Parsed forms of the characters the display list draws, made on first use
// and kept for the life of the movie.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "core/button.h"
#include "core/edit_text.h"
#include "core/movie.h"
#include "core/text.h"
#include "render/bitmap.h"
#include "render/font.h"
#include "render/morph.h"
#include "render/shape.h"

namespace npfp {

class CharacterCache {
 public:
  explicit CharacterCache(const Movie& movie) : movie_(movie) {}

  const Character* character(uint16_t id) const { return movie_.character(id); }
  // Each answers nullptr when the id names no character of that kind.
  const render::ShapeDefinition* shape(uint16_t id);
  const render::MorphShapeDefinition* morph_shape(uint16_t id);
  const render::FontDefinition* font(uint16_t id);
  const render::Bitmap* bitmap(uint16_t id);
  const TextDefinition* text(uint16_t id);
  const ButtonDefinition* button(uint16_t id);
  const EditTextDefinition* edit_text(uint16_t id);

  render::BitmapLookup bitmap_lookup() {
    return [this](uint16_t id) { return bitmap(id); };
  }
  FontLookup font_lookup() {
    return [this](uint16_t id) { return font(id); };
  }

 private:
  const Character* find(uint16_t id, CharacterKind kind) const;

  const Movie& movie_;
  std::map<uint16_t, std::unique_ptr<render::ShapeDefinition>> shapes_;
  std::map<uint16_t, std::unique_ptr<render::MorphShapeDefinition>> morphs_;
  std::map<uint16_t, std::unique_ptr<render::FontDefinition>> fonts_;
  std::map<uint16_t, std::unique_ptr<render::Bitmap>> bitmaps_;
  std::map<uint16_t, std::unique_ptr<TextDefinition>> texts_;
  std::map<uint16_t, std::unique_ptr<ButtonDefinition>> buttons_;
  std::map<uint16_t, std::unique_ptr<EditTextDefinition>> edit_texts_;
};

}  // namespace npfp
