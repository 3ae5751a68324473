// The surroundings a conformance runner gives the script engine: trace lines
// are collected, the clock is a counter the runner moves one frame interval
// per tick (so timers behave the same on every run), and fscommand("quit")
// asks the runner to stop advancing.
#pragma once

#include <string>

#include "avm1/host.h"

namespace conformance {

struct RunnerHost : avm1::Host {
  std::string output;
  double clock = 0;
  bool quit = false;
  void trace(const std::string& line) override { output += line + "\n"; }
  double now_ms() override { return clock; }
  double wall_clock_ms() override { return 1.1e12 + clock; }
  void fscommand(const std::string& command, const std::string&) override {
    if (command == "quit") quit = true;
  }
};

}  // namespace conformance
