#include "core/player.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace npfp {

namespace {

const size_t kMaxQueuedInput = 256;

}  // namespace

Player::Player() = default;

Player::~Player() {
  // The display list refers to the movie's definitions: it goes first, and
  // without telling an observer that may be gone already.
  if (root_) root_->set_observer(nullptr);
  root_.reset();
}

bool Player::feed(const uint8_t* data, size_t size) { return stream_.feed(data, size); }

void Player::finish_stream() { stream_.finish(); }

bool Player::stream_complete() const { return movie_.root.complete; }

double Player::frame_rate() const {
  double rate = movie_.has_header ? movie_.header.frame_rate : 0;
  // A rate of 0 occurs in real files; it plays as a very slow movie.
  if (!(rate >= 1)) return 1;
  return std::min(rate, 120.0);
}

unsigned Player::frame_interval_ms() const {
  return static_cast<unsigned>(std::lround(1000.0 / frame_rate()));
}

bool Player::advance() {
  if (!movie_.has_header) return false;
  if (!root_) {
    root_ = std::make_unique<TimelineInstance>(movie_, movie_.root);
    if (script_) {
      root_->set_observer(script_);
      script_->root_created(*root_);
    }
  }
  bool changed = script_ ? script_->advance_frame(*root_) : root_->advance();
  // Buttons may have moved under a mouse that stayed still.
  if (mouse_known_ && update_buttons()) changed = true;
  return changed;
}

void Player::set_viewport(int width, int height) {
  viewport_width_ = width;
  viewport_height_ = height;
}

int Player::viewport_width() const {
  return viewport_width_ > 0 ? viewport_width_ : movie_.header.width_pixels();
}

int Player::viewport_height() const {
  return viewport_height_ > 0 ? viewport_height_ : movie_.header.height_pixels();
}

namespace {

// The condition bit for a move between two tracking states (0 for none).
uint16_t button_condition(uint8_t from, uint8_t to) {
  switch (from * 4 + to) {
    case kTrackIdle * 4 + kTrackOverUp:
      return kCondIdleToOverUp;
    case kTrackOverUp * 4 + kTrackIdle:
      return kCondOverUpToIdle;
    case kTrackOverUp * 4 + kTrackOverDown:
      return kCondOverUpToOverDown;
    case kTrackOverDown * 4 + kTrackOverUp:
      return kCondOverDownToOverUp;
    case kTrackOverDown * 4 + kTrackOutDown:
      return kCondOverDownToOutDown;
    case kTrackOutDown * 4 + kTrackOverDown:
      return kCondOutDownToOverDown;
    case kTrackOutDown * 4 + kTrackIdle:
      return kCondOutDownToIdle;
    case kTrackIdle * 4 + kTrackOverDown:
      return kCondIdleToOverDown;
    case kTrackOverDown * 4 + kTrackIdle:
      return kCondOverDownToIdle;
    default:
      return 0;
  }
}

struct ButtonSearch {
  SceneRenderer& scene;
  render::Point device;
  const DisplayObject* found = nullptr;
};

// The topmost button under a device point: lists are searched from the top
// depth down, sprites before what lies under them.
bool find_button(const std::map<Depth, DisplayObject>& list, const render::Matrix& to_device,
                 ButtonSearch& search, int nesting) {
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    const DisplayObject& o = it->second;
    if (!o.definition || o.clip_depth > 0 || !o.visible) continue;
    render::Matrix m = to_device * o.matrix;
    if (o.definition->kind == CharacterKind::button) {
      bool invertible = false;
      render::Point local = m.inverse(&invertible).apply(search.device);
      if (invertible && search.scene.button_hit(o, local)) {
        search.found = &o;
        return true;
      }
    } else if (o.sprite && nesting < InstanceBudget::kMaxNesting) {
      if (find_button(o.sprite->display_list(), m, search, nesting + 1)) return true;
    }
  }
  return false;
}

}  // namespace

bool Player::update_buttons() {
  if (!root_) return false;
  ButtonSearch search{scene_, {mouse_x_ + 0.5, mouse_y_ + 0.5}};
  // Until the area is known the movie is taken at its own size.
  if (mouse_known_)
    find_button(root_->display_list(), stage_matrix_for(viewport_width(), viewport_height()),
                search, 0);
  hovered_ = ButtonRef();
  if (search.found) hovered_ = {search.found, search.found->serial};

  // A push button keeps showing "over" while the mouse that pressed it is
  // dragged out; a menu button lets go.
  bool changed = false;
  struct Transition {
    TimelineInstance* owner;
    Depth depth;
    uint64_t serial;
    uint16_t condition;
  };
  std::vector<Transition> transitions;
  std::function<void(TimelineInstance&, int)> apply = [&](TimelineInstance& t, int nesting) {
    for (auto& entry : t.display_list()) {
      DisplayObject& o = entry.second;
      if (o.definition && o.definition->kind == CharacterKind::button) {
        const ButtonDefinition* b = cache_.button(o.character);
        bool menu = b && b->track_as_menu();
        bool over = hovered_.is(o), pressed_here = pressed_.is(o);
        uint8_t state = kButtonUp;
        uint8_t tracking = kTrackIdle;
        if (!mouse_down_) {
          state = over ? kButtonOver : kButtonUp;
          tracking = over ? kTrackOverUp : kTrackIdle;
        } else if (over) {
          state = pressed_here || menu ? kButtonDown : kButtonUp;
          tracking = pressed_here || menu ? kTrackOverDown : kTrackIdle;
        } else {
          state = pressed_here && !menu ? kButtonOver : kButtonUp;
          tracking = pressed_here && !menu ? kTrackOutDown : kTrackIdle;
        }
        if (uint16_t condition = button_condition(o.button_tracking, tracking))
          transitions.push_back({&t, entry.first, o.serial, condition});
        o.button_tracking = tracking;
        if (t.set_button_state(entry.first, state)) changed = true;
      }
      if (TimelineInstance* sprite = o.sprite.get())
        if (nesting < InstanceBudget::kMaxNesting) apply(*sprite, nesting + 1);
    }
  };
  apply(*root_, 0);
  // Scripts run once the states are settled; one may remove the next
  // button, which is then skipped.
  if (script_) {
    for (const Transition& tr : transitions) {
      DisplayObject* o = tr.owner->object_at(tr.depth);
      if (o && o->serial == tr.serial) script_->button_event(*tr.owner, *o, tr.condition);
    }
    if (script_->take_redraw_request()) changed = true;
  }
  return changed;
}

bool Player::handle_input(const InputEvent& e) {
  queue_input(e);
  bool changed = handle_buttons(e);
  if (script_ && root_) {
    render::Matrix to_movie =
        stage_matrix_for(viewport_width(), viewport_height()).inverse(nullptr);
    script_->input(e, to_movie);
    if (script_->take_redraw_request()) changed = true;
  }
  return changed;
}

bool Player::handle_buttons(const InputEvent& e) {
  switch (e.type) {
    case InputEvent::mouse_move:
    case InputEvent::mouse_down:
    case InputEvent::mouse_up:
      break;
    default:
      return false;
  }
  mouse_known_ = true;
  mouse_x_ = e.x;
  mouse_y_ = e.y;
  if (e.button != 0) return update_buttons();  // buttons answer the left button
  bool changed = update_buttons();             // what is under the mouse now
  if (e.type == InputEvent::mouse_down) {
    mouse_down_ = true;
    pressed_ = hovered_;
  } else if (e.type == InputEvent::mouse_up) {
    mouse_down_ = false;
    pressed_ = ButtonRef();
  } else {
    return changed;
  }
  return update_buttons() || changed;
}

render::Rgba Player::background() const {
  if (options_.has_background) return options_.background;
  if (movie_.has_background) return movie_.background;
  return render::Rgba{255, 255, 255, 255};
}

render::Matrix Player::stage_matrix_for(int width, int height) const {
  return stage_matrix(movie_.header.frame, width, height, options_.scale, options_.align);
}

void Player::render(render::Canvas& canvas, const render::IntRect& clip) {
  set_viewport(canvas.width(), canvas.height());
  render::DrawTarget target = render::DrawTarget::whole(canvas);
  target.clip = render::intersect(clip, canvas.bounds());
  if (target.clip.empty()) return;
  if (!options_.transparent) {
    render::Rgba bg = background();
    bg.a = 255;
    canvas.fill(target.clip, render::premultiply(bg));
  }
  if (!root_ || !movie_.has_header) return;
  render::Matrix to_device = stage_matrix_for(canvas.width(), canvas.height());
  scene_.start_frame(to_device);
  bool low = options_.quality == Quality::low || options_.quality == Quality::autolow;
  target.antialias = !low;
  target.smooth_bitmaps = !low;
  scene_.draw_timeline(*root_, target, to_device, render::ColorTransform());
}

void Player::queue_input(const InputEvent& e) {
  if (input_.size() >= kMaxQueuedInput) input_.pop_front();
  input_.push_back(e);
}

bool Player::next_input(InputEvent& out) {
  if (input_.empty()) return false;
  out = input_.front();
  input_.pop_front();
  return true;
}

}  // namespace npfp
