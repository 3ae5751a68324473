// Draws display lists: each object with its matrix and colour transform
// inside its parent's, clip-depth masks, and layers for blend modes and
// filters.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "core/character_cache.h"
#include "core/timeline.h"
#include "render/canvas.h"
#include "render/color.h"
#include "render/geometry.h"

namespace npfp {

class SceneRenderer {
 public:
  explicit SceneRenderer(CharacterCache& cache) : cache_(cache) {}

  // The work of one frame is bounded: definitions that nest into each other
  // many times over stop being drawn once this many draws were made.
  static constexpr size_t kMaxDrawsPerFrame = 100000;
  static constexpr size_t kMaxHitTestsPerQuery = 10000;
  // `root_to_device` maps the main timeline's space to device pixels (where
  // script masks are drawn from).
  void start_frame(const render::Matrix& root_to_device = render::Matrix()) {
    draws_left_ = kMaxDrawsPerFrame;
    root_to_device_ = root_to_device;
  }

  // `to_device` maps the list's space (twips) to device pixels.
  void draw_list(const std::map<Depth, DisplayObject>& list, const render::DrawTarget& target,
                 const render::Matrix& to_device, const render::ColorTransform& cxform);
  // A sprite's own timeline: what scripts drew, then its list.
  void draw_timeline(const TimelineInstance& timeline, const render::DrawTarget& target,
                     const render::Matrix& to_device, const render::ColorTransform& cxform);

  // Whether a point in a button's own space (twips) lies in its hit area.
  bool button_hit(const DisplayObject& button, render::Point p);

 private:
  void draw_object(const DisplayObject& o, const render::DrawTarget& target,
                   const render::Matrix& to_device, const render::ColorTransform& cxform);
  // Draws the object as it is, without layer effects.
  void draw_content(const DisplayObject& o, const render::DrawTarget& target,
                    const render::Matrix& m, const render::ColorTransform& cx);
  // A button shows the records of its state; `shown` (when given) holds the
  // state and the timelines of its sprites.
  void draw_button(uint16_t id, const DisplayObject* shown, const render::DrawTarget& target,
                   const render::Matrix& m, const render::ColorTransform& cx, int nesting);
  void draw_script_bitmap(const render::Bitmap& bitmap, bool smooth,
                          const render::DrawTarget& target, const render::Matrix& m,
                          const render::ColorTransform& cx);
  bool hit_character(uint16_t id, uint16_t ratio, render::Point p, int nesting);
  void draw_static(uint16_t id, uint16_t ratio, const render::DrawTarget& target,
                   const render::Matrix& m, const render::ColorTransform& cx, int nesting);
  // A cleared canvas of the target's size for masks and layers; canvases
  // are reused from frame to frame.
  render::Canvas* borrow_canvas(const render::DrawTarget& target, const render::IntRect& area);
  void return_canvas();

  bool spend_draw();
  bool spend_hit_test();

  // The coverage of the object masking `o` by script, drawn through
  // `around` (the masks it stands in); null when it draws nothing.
  std::unique_ptr<render::Mask> script_mask_for(const DisplayObject& o,
                                                const render::DrawTarget& around);

  CharacterCache& cache_;
  render::Matrix root_to_device_;
  size_t draws_left_ = kMaxDrawsPerFrame;
  size_t hit_tests_left_ = kMaxHitTestsPerQuery;
  // Buttons being drawn or tested, innermost last: one that shows itself
  // is not entered again.
  std::vector<uint16_t> open_buttons_;
  std::vector<std::unique_ptr<render::Canvas>> canvases_;
  size_t canvases_in_use_ = 0;
};

}  // namespace npfp
