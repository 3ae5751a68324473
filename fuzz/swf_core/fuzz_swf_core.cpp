// Feeds an input to the player core as a movie file, in pieces whose size
// the first byte picks, then plays a bounded number of frames and draws some
// of them. Seeds: tools/swfwriter/make_core_seeds.
#include <cstddef>
#include <cstdint>

#include "core/player.h"
#include "render/canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const size_t kPieces[] = {1, 3, 7, 64, 4096};
  size_t piece = kPieces[data[0] % 5];
  bool low_quality = data[0] & 0x80;
  ++data;
  --size;

  npfp::Player player;
  npfp::StageOptions options;
  options.scale = static_cast<npfp::ScaleMode>((size > 8 ? data[8] : 0) % 4);
  if (low_quality) options.quality = npfp::Quality::low;
  player.set_options(options);
  for (size_t at = 0; at < size; at += piece)
    if (!player.feed(data + at, size - at < piece ? size - at : piece)) break;
  player.finish_stream();

  render::Canvas canvas(48, 36);
  for (int frame = 0; frame < 12; ++frame) {
    player.advance();
    if (frame == 0 || frame == 5 || frame == 11) player.render(canvas, canvas.bounds());
  }
  if (npfp::TimelineInstance* root = player.root()) {
    root->goto_frame(0);
    player.render(canvas, canvas.bounds());
  }
  return 0;
}
