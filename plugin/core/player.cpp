#include "core/player.h"

#include <algorithm>
#include <cmath>

namespace npfp {

namespace {

const size_t kMaxQueuedInput = 256;

}  // namespace

Player::Player() = default;

Player::~Player() {
  // The display list refers to the movie's definitions: it goes first.
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
  if (!root_) root_ = std::make_unique<TimelineInstance>(movie_, movie_.root);
  return root_->advance();
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
  render::DrawTarget target = render::DrawTarget::whole(canvas);
  target.clip = render::intersect(clip, canvas.bounds());
  if (target.clip.empty()) return;
  if (!options_.transparent) {
    render::Rgba bg = background();
    bg.a = 255;
    canvas.fill(target.clip, render::premultiply(bg));
  }
  if (!root_ || !movie_.has_header) return;
  bool low = options_.quality == Quality::low || options_.quality == Quality::autolow;
  target.antialias = !low;
  target.smooth_bitmaps = !low;
  scene_.draw_list(root_->display_list(), target, stage_matrix_for(canvas.width(), canvas.height()),
                   render::ColorTransform());
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
