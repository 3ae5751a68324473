// The player: takes the movie file as it streams in, runs the clock's
// frames and draws the current frame onto a canvas with the stage options
// (scale, alignment, background, quality). The glue owns the clock and the
// device; everything here is portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "core/callbacks.h"
#include "core/character_cache.h"
#include "core/movie.h"
#include "core/scene.h"
#include "core/script_host.h"
#include "core/stage.h"
#include "core/swf_stream.h"
#include "core/timeline.h"
#include "render/canvas.h"

namespace npfp {

class Player {
 public:
  Player();
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  void set_options(const StageOptions& options) { options_ = options; }

  // The script engine that drives the timelines and answers input (none:
  // the timelines simply play). Set before the first frame; it must outlive
  // the player's use of it.
  void set_script_host(ScriptHost* host) { script_ = host; }
  ScriptHost* script_host() const { return script_; }
  // The viewport size used for mouse positions (see set_viewport).
  int viewport_width() const;
  int viewport_height() const;
  const StageOptions& options() const { return options_; }

  // The movie file, in pieces as they arrive. False once the data are not a
  // movie (the frames read before that still play).
  bool feed(const uint8_t* data, size_t size);
  // The stream ended (all data, or cut off).
  void finish_stream();
  bool failed() const { return stream_.state() == SwfStream::State::failed; }
  bool stream_complete() const;

  const Movie& movie() const { return movie_; }
  bool has_header() const { return movie_.has_header; }

  // Frames per second for the clock: the movie's rate, 1 when the movie says
  // 0 (or nothing yet), at most 120.
  double frame_rate() const;
  unsigned frame_interval_ms() const;

  // One clock tick. The first tick that finds the first frame loaded shows
  // it. True when the picture may have changed.
  bool advance();
  // Zero-based frame of the main timeline, -1 before it starts.
  int current_frame() const { return root_ ? root_->current_frame() : -1; }
  const TimelineInstance* root() const { return root_.get(); }
  TimelineInstance* root() { return root_.get(); }

  // The stage colour: the bgcolor parameter, else the movie's, else white.
  render::Rgba background() const;
  // The matrix from movie twips to pixels of a width x height area.
  render::Matrix stage_matrix_for(int width, int height) const;

  // Draws the current frame onto the canvas, which stands for the plug-in's
  // whole area; only pixels inside `clip` change. In transparent mode the
  // canvas keeps what is under the movie; otherwise the stage colour fills
  // the clip first.
  void render(render::Canvas& canvas, const render::IntRect& clip);

  // Functions the movie publishes to the container.
  CallbackRegistry& callbacks() { return callbacks_; }
  const CallbackRegistry& callbacks() const { return callbacks_; }

  // The size of the area the movie is shown in, in device pixels (render()
  // sets it too; until then the movie's own size); mouse positions are in
  // this area.
  void set_viewport(int width, int height);

  // Input for buttons and scripts: queued (the oldest events go once 256
  // wait), and mouse events move the buttons between their states at once.
  // True when a button changed its picture.
  bool handle_input(const InputEvent& e);
  // Whether the mouse is over a button's hit area.
  bool mouse_over_button() const { return hovered_.object != nullptr; }
  void queue_input(const InputEvent& e);
  bool next_input(InputEvent& out);
  size_t pending_input() const { return input_.size(); }

 private:
  StageOptions options_;
  Movie movie_;
  MovieBuilder builder_{movie_};
  SwfStream stream_{builder_};
  std::unique_ptr<TimelineInstance> root_;
  ScriptHost* script_ = nullptr;
  CharacterCache cache_{movie_};
  SceneRenderer scene_{cache_};
  // Moves every button to the state the mouse asks for; true on a change.
  bool update_buttons();
  bool handle_buttons(const InputEvent& e);

  std::deque<InputEvent> input_;
  CallbackRegistry callbacks_;

  // A button remembered across events: its object and serial, so that a
  // new object at the same address is not taken for it.
  struct ButtonRef {
    const DisplayObject* object = nullptr;
    uint64_t serial = 0;
    bool is(const DisplayObject& o) const { return object == &o && serial == o.serial; }
  };
  int viewport_width_ = 0, viewport_height_ = 0;
  bool mouse_known_ = false, mouse_down_ = false;
  int mouse_x_ = 0, mouse_y_ = 0;
  ButtonRef hovered_, pressed_;
};

}  // namespace npfp
