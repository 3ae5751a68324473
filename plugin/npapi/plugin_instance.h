// One plug-in instance: the player core, the windowless drawing into the
// host's device context, the frame clock and the streams. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "avm1/engine.h"
#include "core/player.h"
#include "flashhost/npapi.h"
#include "npapi/script_glue.h"
#include "npapi/scriptable_object.h"
#include "render/canvas.h"

namespace npfp {

class PluginInstance final : private CallGuard {
 public:
  PluginInstance(NPP npp, std::vector<std::pair<std::string, std::string>> parameters);
  // NPP_Destroy: frees the instance now, or, when the host destroys it from
  // inside one of its own calls (a script asked the host to close the
  // window), cuts it off from the host and frees it when that call ends.
  void destroy();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  NPError set_window(NPWindow* window);
  NPError new_stream(NPMIMEType type, NPStream* stream, uint16_t* stype);
  int32_t write_ready(NPStream* stream);
  int32_t write(NPStream* stream, int32_t offset, int32_t length, const void* buffer);
  NPError destroy_stream(NPStream* stream, NPReason reason);
  void stream_as_file(NPStream* stream, const char* file_name);
  int16_t handle_event(const NPEvent& event);
  NPObject* scriptable_object();
  // The end of a URL request the movie made (NPP_URLNotify).
  void url_notify(const char* url, NPReason reason, void* notify_data);

  // The clock's tick: the next frame, and a repaint request when it changed.
  void tick();
  // Hands finished URL requests to the scripts. The host answers a request
  // inside the call that made it, while a script may still be running, so
  // answers wait for this step (the clock's window runs it soon after).
  void deliver_loads();

  Player& player() { return player_; }
  // The script engine; null until the movie's header has arrived (its
  // version decides the engine's conversion rules).
  avm1::Engine* engine() { return engine_.get(); }
  NPP npp() const { return npp_; }

  // Bytes taken per NPP_Write: keeps each piece small enough that frames
  // can be shown while a big movie is still arriving.
  static constexpr int32_t kWriteChunk = 65536;

 private:
  ~PluginInstance();
  // Every entry that may run scripts holds one of these.
  class Busy {
   public:
    explicit Busy(PluginInstance* instance) : instance_(instance) { instance_->enter(); }
    ~Busy() { instance_->leave(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    PluginInstance* instance_;
  };
  // CallGuard: the scriptable object's calls into the movie.
  void enter() override { ++depth_; }
  void leave() override;

  bool is_movie_stream(NPStream* stream) const;
  // The movie's own URL request a stream answers (0: none).
  uint32_t load_request(NPStream* stream) const;
  void after_data();
  void start_clock();
  void stop_clock();
  void request_repaint();
  bool paint(HDC hdc, const RECT* dirty);
  bool ensure_surface(int width, int height);
  void free_surface();

  NPP npp_;
  int depth_ = 0;           // calls under way that may run scripts
  bool destroyed_ = false;  // NPP_Destroy came while depth_ > 0
  Player player_;
  NPWindow* window_ = nullptr;  // the host's record: it may change its DC in place
  NPStream* movie_stream_ = nullptr;
  bool movie_fed_ = false;
  NPObject* scriptable_ = nullptr;

  // Scripts: the browser side they reach, and the engine (made once the
  // header is there, destroyed before the player).
  ScriptGlue glue_;
  std::unique_ptr<avm1::Engine> engine_;
  // Answers of the movie's URL requests, by request number, while they
  // arrive; then finished, waiting for deliver_loads.
  std::map<uint32_t, std::string> arriving_;
  struct FinishedLoad {
    uint32_t request;
    bool ok;
    std::string data;
  };
  std::vector<FinishedLoad> finished_;

  // The frame clock: a message-only window's timer on this thread.
  HWND clock_window_ = nullptr;
  unsigned clock_interval_ = 0;

  // The picture is drawn into a DIB section and copied to the host's DC.
  HDC surface_dc_ = nullptr;
  HBITMAP surface_bitmap_ = nullptr;
  HGDIOBJ surface_old_ = nullptr;
  uint32_t* surface_pixels_ = nullptr;
  int surface_width_ = 0, surface_height_ = 0;
  render::Canvas canvas_;
};

// The module handle of npfp.dll (set by DllMain).
HINSTANCE module_handle();

// Classes a DLL registers outlive it: NP_Shutdown takes the clock's window
// class away (it fails harmlessly while a clock window still exists).
void unregister_clock_class();

}  // namespace npfp
