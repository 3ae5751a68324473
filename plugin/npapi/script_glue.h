// What the script engine of one instance reaches through the browser: trace
// output, clocks, URL requests and navigation, FSCommand, ExternalInterface
// evaluation and the movie's stored objects. Windows only.
#pragma once

#include <cstdint>
#include <string>

#include "avm1/host.h"
#include "flashhost/npapi.h"

namespace npfp {

// The environment variable that names the file trace() output is appended
// to (one line per trace call; the file is opened and closed per line).
constexpr char kScriptTraceVariable[] = "NPFP_SCRIPT_TRACE";

// notifyData of a load request: the engine's request number (never 0).
inline void* load_notify_data(uint32_t request) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(request));
}
inline uint32_t load_request_of(void* notify_data) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(notify_data));
}

class ScriptGlue : public avm1::Host {
 public:
  explicit ScriptGlue(NPP npp);
  ~ScriptGlue() override;
  ScriptGlue(const ScriptGlue&) = delete;
  ScriptGlue& operator=(const ScriptGlue&) = delete;

  // The movie's address as the host named its stream.
  void set_movie_url(const std::string& url) { movie_url_ = url; }
  // The host has destroyed the instance: its NPP is gone, so nothing may
  // reach the browser any more (a script still running finishes quietly).
  void detach();

  void trace(const std::string& line) override;
  double now_ms() override;
  double wall_clock_ms() override;
  int local_offset_minutes(double utc_ms) override;
  void navigate(const std::string& url, const std::string& target, const std::string& method,
                const std::string& data) override;
  void fscommand(const std::string& command, const std::string& args) override;
  bool load(uint32_t request, const std::string& url, const std::string& method,
            const std::string& data) override;
  bool evaluate(const std::string& script, std::string& result) override;
  bool read_storage(const std::string& name, std::string& data) override;
  bool write_storage(const std::string& name, const std::string& data) override;
  std::string movie_url() override { return movie_url_; }

 private:
  // The browser's window object, asked for once and released with the glue.
  NPObject* window_object();
  // Where stored objects live: next to the movie file; empty when the
  // movie did not come from a file.
  std::string storage_path(const std::string& name) const;

  NPP npp_;
  bool detached_ = false;
  NPObject* window_ = nullptr;
  bool window_asked_ = false;
  std::string movie_url_;
};

}  // namespace npfp
