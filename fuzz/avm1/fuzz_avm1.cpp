// Runs an input as action bytes: the first byte picks the SWF version (4 to
// 9) and whether the block also runs as a clip's second frame; the rest is
// the body of a DoAction in the first frame of a hand-made movie. The engine
// runs three frames with a small action budget per run, so loops end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "avm1/engine.h"
#include "avm1/host.h"
#include "core/player.h"

namespace {

struct QuietHost : avm1::Host {
  size_t lines = 0;
  double clock = 0;
  void trace(const std::string&) override { ++lines; }
  double now_ms() override { return clock; }
};

void tag(std::vector<uint8_t>& out, uint16_t code, const uint8_t* body, size_t size) {
  uint16_t head = static_cast<uint16_t>((code << 6) | 0x3F);
  out.push_back(static_cast<uint8_t>(head & 0xFF));
  out.push_back(static_cast<uint8_t>(head >> 8));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>((size >> (8 * i)) & 0xFF));
  out.insert(out.end(), body, body + size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 65536) return 0;
  uint8_t version = static_cast<uint8_t>(4 + data[0] % 6);
  bool twice = data[0] & 0x80;
  std::vector<uint8_t> movie = {'F', 'W', 'S', version, 0, 0, 0, 0};
  movie.push_back(0x00);  // an empty frame rectangle
  movie.push_back(0);
  movie.push_back(20);  // 20 frames a second
  movie.push_back(2);
  movie.push_back(0);  // two frames
  tag(movie, 12, data + 1, size - 1);
  tag(movie, 1, nullptr, 0);
  if (twice) tag(movie, 12, data + 1, size - 1);
  tag(movie, 1, nullptr, 0);
  tag(movie, 0, nullptr, 0);
  uint32_t length = static_cast<uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) movie[4 + i] = static_cast<uint8_t>((length >> (8 * i)) & 0xFF);

  npfp::Player player;
  player.feed(movie.data(), movie.size());
  player.finish_stream();
  QuietHost host;
  avm1::Engine engine(player, host);
  engine.runtime().max_actions_per_run = 20000;
  engine.runtime().max_call_depth = 64;
  engine.runtime().max_live_objects = 200000;
  for (int frame = 0; frame < 3; ++frame) {
    player.advance();
    host.clock += 50;
  }
  return 0;
}
