#include "core/character_cache.h"

namespace npfp {

namespace {

// Looks a parsed definition up, or parses it once. `parse` answers whether
// the result is worth keeping; a miss is remembered too, so a broken
// definition is not parsed again every frame.
template <typename T, typename Parse>
const T* cached(std::map<uint16_t, std::unique_ptr<T>>& map, uint16_t id, const Character* c,
                Parse parse) {
  auto it = map.find(id);
  if (it != map.end()) return it->second.get();
  std::unique_ptr<T> made;
  if (c) {
    made = std::make_unique<T>();
    if (!parse(*made, *c)) made.reset();
  }
  return map.emplace(id, std::move(made)).first->second.get();
}

}  // namespace

const Character* CharacterCache::find(uint16_t id, CharacterKind kind) const {
  const Character* c = movie_.character(id);
  return c && c->kind == kind && c->body ? c : nullptr;
}

// Shapes, morphs, fonts, texts and buttons keep what parsed before any
// damage, so a partly broken definition still draws its intact part.

const render::ShapeDefinition* CharacterCache::shape(uint16_t id) {
  return cached(shapes_, id, find(id, CharacterKind::shape),
                [](render::ShapeDefinition& d, const Character& c) {
                  d.parse(c.tag_code, c.body->data(), c.body->size());
                  return true;
                });
}

const render::MorphShapeDefinition* CharacterCache::morph_shape(uint16_t id) {
  return cached(morphs_, id, find(id, CharacterKind::morph_shape),
                [](render::MorphShapeDefinition& d, const Character& c) {
                  d.parse(c.tag_code, c.body->data(), c.body->size());
                  return true;
                });
}

const render::FontDefinition* CharacterCache::font(uint16_t id) {
  return cached(fonts_, id, find(id, CharacterKind::font),
                [](render::FontDefinition& d, const Character& c) {
                  d.parse(c.tag_code, c.body->data(), c.body->size());
                  for (const auto& extra : c.extras)
                    if (extra.first == kTagDefineFontInfo || extra.first == kTagDefineFontInfo2)
                      d.parse_info(extra.first, extra.second->data(), extra.second->size());
                  return true;
                });
}

const render::Bitmap* CharacterCache::bitmap(uint16_t id) {
  return cached(
      bitmaps_, id, find(id, CharacterKind::bitmap), [this](render::Bitmap& b, const Character& c) {
        uint16_t decoded_id = 0;
        return render::decode_bitmap_tag(c.tag_code, c.body->data(), c.body->size(),
                                         movie_.jpeg_tables, movie_.header.version, decoded_id, b);
      });
}

const TextDefinition* CharacterCache::text(uint16_t id) {
  return cached(texts_, id, find(id, CharacterKind::text),
                [](TextDefinition& d, const Character& c) {
                  d.parse(c.tag_code, c.body->data(), c.body->size());
                  return true;
                });
}

const ButtonDefinition* CharacterCache::button(uint16_t id) {
  return cached(buttons_, id, find(id, CharacterKind::button),
                [](ButtonDefinition& d, const Character& c) {
                  d.parse(c.tag_code, c.body->data(), c.body->size());
                  return true;
                });
}

const EditTextDefinition* CharacterCache::edit_text(uint16_t id) {
  return cached(edit_texts_, id, find(id, CharacterKind::edit_text),
                [](EditTextDefinition& d, const Character& c) {
                  d.parse(c.body->data(), c.body->size());
                  return true;
                });
}

}  // namespace npfp
