// The script engine of one player: binds script objects to display-list
// instances, moves the playheads in the order scripts observe, runs frame
// scripts, clip events, button actions, intervals and listeners, and
// reaches the container through a Host (trace, URLs, ExternalInterface).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "avm1/clip.h"
#include "avm1/host.h"
#include "avm1/runtime.h"
#include "core/character_cache.h"
#include "core/player.h"
#include "core/script_host.h"

namespace avm1 {

class Engine : public npfp::ScriptHost {
 public:
  // Attaches itself to the player (set_script_host); the player must not
  // advance after the engine is gone.
  Engine(npfp::Player& player, Host& host);
  ~Engine() override;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  Runtime& runtime() { return *runtime_; }
  Host& host() { return host_; }
  npfp::Player& player() { return player_; }
  int movie_version() const;

  // --- npfp::ScriptHost
  void root_created(npfp::TimelineInstance& root) override;
  bool advance_frame(npfp::TimelineInstance& root) override;
  void input(const npfp::InputEvent& event, const render::Matrix& device_to_movie) override;
  void button_event(npfp::TimelineInstance& owner, npfp::DisplayObject& button,
                    uint16_t condition) override;
  bool take_redraw_request() override;
  void object_added(npfp::TimelineInstance& owner, npfp::DisplayObject& object) override;
  void object_removed(npfp::TimelineInstance& owner, npfp::DisplayObject& object) override;
  void frame_entered(npfp::TimelineInstance& timeline) override;
  bool keep_removed(npfp::TimelineInstance& owner, npfp::DisplayObject& object) override;

  // --- Clips
  ClipObject* root_clip() const { return root_; }
  ClipObject* level(int n) const { return n == 0 ? root_ : nullptr; }
  ClipObject* clip_of(const npfp::DisplayObject& o) const {
    return static_cast<ClipObject*>(o.script_object);
  }
  // The clip a possibly removed clip stands for now: itself while alive,
  // else a live clip at the same path, else nullptr.
  ClipObject* live(Object* clip);
  // "_level0.a.b" and "/a/b".
  String target_path(Object* clip);
  String slash_path(Object* clip);
  // A target path from a base clip: "/a/b", "a/b", "../x", "_root.a",
  // "_levelN", "_parent", "this", "" (the base). nullptr when none.
  ClipObject* resolve_path(ClipObject* base, const std::string& path);
  // A target given as a value: a clip, or a path text.
  ClipObject* resolve_target(ClipObject* base, const Value& target);
  ClipObject* child_by_name(ClipObject* clip, const String& name);
  // The clip that shows a timeline (nullptr for timelines without one).
  ClipObject* clip_of_timeline(const npfp::TimelineInstance* timeline) const;

  // Text field properties (text, htmlText, variable, ...); false for other
  // names and for objects that are no text fields.
  bool text_get(ClipObject* field, const String& name, Value& out);
  bool text_set(ClipObject* field, const String& name, const Value& value);

  // --- Timeline control from scripts (frames are 0-based)
  void goto_frame(ClipObject* clip, long frame, bool play);
  bool goto_label(ClipObject* clip, const std::string& label, bool play);
  // gotoAndPlay/gotoAndStop with a frame number or a label, optionally
  // prefixed by a target ("path:frame").
  void goto_value(ClipObject* clip, const Value& frame, bool play, int scene_bias = 0);
  void play(ClipObject* clip);
  void stop(ClipObject* clip);
  void next_frame(ClipObject* clip);
  void previous_frame(ClipObject* clip);
  // Runs a frame's actions now (the Call action).
  void call_frame(ClipObject* clip, const Value& frame);
  bool frame_loaded(ClipObject* clip, long frame);

  // --- Clip properties by index
  Value get_clip_property(ClipObject* clip, int index);
  void set_clip_property(ClipObject* clip, int index, const Value& value);
  void set_focus_rect(ClipObject* clip, const Value& value);
  // Bounds of a clip's content in its own space, in twips; false if empty.
  bool content_bounds(ClipObject* clip, render::Rect& out);
  // The matrix from a clip's space to the movie's (root) space.
  render::Matrix to_root(ClipObject* clip);
  bool hit_test_point(ClipObject* clip, double x, double y, bool shape);

  // --- Display list changes from scripts (depths are script depths)
  ClipObject* attach(ClipObject* parent, const npfp::Character* definition, const String& name,
                     int depth, Object* init);
  ClipObject* duplicate(ClipObject* clip, const String& name, int depth, Object* init);
  void remove_clip(ClipObject* clip);
  bool swap_depths(ClipObject* clip, const Value& target);
  const npfp::Character* exported(const String& name);
  int next_highest_depth(ClipObject* clip);
  ClipObject* instance_at_depth(ClipObject* clip, int depth);

  // --- Dragging
  void start_drag(ClipObject* clip, bool lock_center, bool constrained, double x1, double y1,
                  double x2, double y2);
  void stop_drag();
  ClipObject* dragged() const { return drag_clip_; }

  // --- Services
  double timer_ms();
  void trace(const std::string& line) { host_.trace(line); }
  void request_redraw() { redraw_ = true; }
  // getURL and getURL2.
  void get_url(ClipObject* clip, const std::string& url, const std::string& target, int method,
               bool load_variables, bool load_target);
  // Loading into an object: XML.load, LoadVars.load and sendAndLoad. The
  // object's onData (or the clip's data event) hears of the answer.
  bool load_into(Object* receiver, const std::string& url, const std::string& method,
                 const std::string& data);
  // The container answered a load (`ok` false: it failed).
  void load_finished(uint32_t request, bool ok, const std::string& data);
  // Intervals and timeouts.
  int add_timer(Object* function_or_object, const Value& method, double interval_ms,
                std::vector<Value> args, bool repeat);
  void remove_timer(int id);
  // Listener lists for Key, Mouse and Stage (broadcast to each object).
  void broadcast(Object* source, const String& event, const std::vector<Value>& args);

  // ExternalInterface.addCallback: the container may call `name`.
  bool add_callback(const String& name, const Value& instance, const Value& function);
  // ExternalInterface: a call into the container; true with its value.
  bool external_call(const String& name, const std::vector<Value>& args, Value& result);
  // A value from the container's XML answer text.
  Value value_from_xml(const std::string& xml);

  // Input state for Key and Mouse.
  bool key_is_down(uint32_t code) const;
  uint32_t last_key_code() const { return last_key_; }
  uint32_t last_key_ascii() const { return last_ascii_; }
  double mouse_x() const { return mouse_x_; }  // twips in the movie's space
  double mouse_y() const { return mouse_y_; }
  bool mouse_hidden = false;
  // Stage.align as scripts last set it, in L T R B order: opposite edges
  // both stay listed though the layout centres between them.
  std::string script_align;
  bool script_align_set = false;
  // What Sound objects made for no clip set (each clip keeps its own).
  SoundLevels movie_sound_levels;

  // The size of the stage in pixels (Stage.width/height).
  int stage_width() const;
  int stage_height() const;

  // Runs one action list in a clip's scope (this = clip) and then what the
  // run queued.
  void run_actions(ClipObject* clip, const Bytes& bytes, size_t start, size_t size);
  // Calls a clip's method (onEnterFrame ...) if it has one.
  void call_clip_method(ClipObject* clip, const String& name, const std::vector<Value>& args = {});
  // Calls a method on any object (listeners).
  void call_object_method(Object* o, const String& name, const std::vector<Value>& args);

  // Collect garbage now (between runs only).
  void collect_garbage();
  size_t live_objects() { return runtime_->heap().count(); }
  // The movie's decoded characters (bitmaps for loadBitmap).
  npfp::CharacterCache& characters() { return cache_; }

 private:
  struct QueuedAction {
    enum Kind : uint8_t {
      frame_actions,
      init_actions,
      clip_event,
      clip_method,
      constructor_call,
      finish_removal
    } kind = frame_actions;
    ClipObject* clip = nullptr;
    Bytes bytes;
    size_t start = 0, size = 0;
    uint32_t event = 0;  // clip event flag
    String method;       // for `method`
  };
  struct Timer {
    int id;
    Object* target;  // a function, or an object whose method is called
    Value method;
    double interval, next;
    std::vector<Value> args;
    bool repeat;
  };
  struct Load {
    Object* receiver = nullptr;  // XML/LoadVars object, or a clip
    bool variables = false;      // name=value pairs into a clip
    bool movie = false;          // a movie into a clip (not loaded here)
  };

  ClipObject* make_clip(npfp::TimelineInstance* owner, npfp::DisplayObject& object,
                        ClipObject* parent);
  ClipObject* parent_clip_of(npfp::TimelineInstance& owner);
  void mark_removed(ClipObject* clip);
  // Whether a clip has an unload handler (a clip event or an onUnload
  // property), and whether it or a clip inside it has one.
  bool has_unload_handler(ClipObject* clip);
  bool wants_unload(ClipObject* clip, int nesting = 0);
  // Queues the unload events of a clip's subtree, innermost first.
  void queue_unloads(ClipObject* clip, bool later, int nesting = 0);
  // Removes what an unloading clip need not keep until its unload.
  void keep_unload_listeners(ClipObject* clip, int nesting = 0);
  // Moves a clip being removed that listens for its unload to a free
  // negative depth and queues its unload; false if it can go at once.
  bool park_for_unload(ClipObject* clip, bool by_timeline);
  void enqueue(QueuedAction a);
  void queue_frame(ClipObject* clip);
  void queue_event(ClipObject* clip, uint32_t event);
  void queue_init_actions(size_t up_to_frame);
  void queue_newborns();
  void run_queue();
  void run_one(const QueuedAction& a);
  void run_event(ClipObject* clip, uint32_t event, uint8_t key = 0);
  // Runs a new clip's initialize and construct events and its registered
  // class's constructor; `defer_initialize` queues the initialize event
  // instead (clips made by scripts).
  void construct_clip(ClipObject* clip, bool defer_initialize = false);
  void run_init_actions(size_t up_to_frame);
  void run_timers();
  void dispatch_mouse(uint32_t event, const char* method);
  void dispatch_key(uint32_t event, const char* method);
  void send_button_key(uint32_t code);
  void clip_mouse_events(const npfp::InputEvent& e);
  std::vector<ClipObject*> execution_order();
  void bind_text_variable(ClipObject* field);
  void update_text_fields();

  npfp::Player& player_;
  Host& host_;
  std::unique_ptr<Runtime> runtime_;
  npfp::CharacterCache cache_;
  ClipObject* root_ = nullptr;
  npfp::DisplayObject root_display_;
  std::vector<ClipObject*> clips_;  // live clips, oldest first
  std::vector<ClipObject*> newborns_;
  // Clips the timeline removed whose unload waits for the next newborn's
  // constructor (a replaced clip unloads after its successor's init).
  std::vector<ClipObject*> pending_unloads_;
  // Clips waiting at a negative depth for their unload: they go when the
  // queue has run empty.
  std::vector<ClipObject*> finishing_;
  std::vector<ClipObject*> text_fields_;
  std::deque<QueuedAction> queue_;
  std::vector<QueuedAction> inserts_;  // queued by the item running now
  bool running_queue_ = false;
  bool running_item_ = false;
  std::map<const npfp::TimelineInstance*, ClipObject*> timeline_clips_;
  // Functions published with ExternalInterface.addCallback.
  struct Callback {
    String name;
    Value instance, function;
  };
  std::vector<Callback> callbacks_;
  bool in_advance_ = false;
  // The list a script is adding a clip to (the clips its new clip places
  // are the timeline's).
  const npfp::TimelineInstance* script_creating_ = nullptr;
  std::vector<bool> init_actions_done_;
  uint64_t creation_counter_ = 0;
  bool redraw_ = false;
  // Whether focused objects get their rectangle (the movie-wide _focusrect).
  bool focus_rect_ = true;
  double start_ms_ = 0;
  std::vector<Timer> timers_;
  int next_timer_id_ = 1;
  std::map<uint32_t, Load> loads_;
  uint32_t next_load_ = 1;
  std::vector<bool> keys_down_;
  uint32_t last_key_ = 0, last_ascii_ = 0;
  double mouse_x_ = 0, mouse_y_ = 0;  // the pixel's centre, for hit tests
  // The pixel's own position, which _xmouse and _ymouse report.
  double mouse_pixel_x_ = 0, mouse_pixel_y_ = 0;
  bool mouse_down_ = false;
  ClipObject* drag_clip_ = nullptr;
  bool drag_lock_ = false, drag_constrained_ = false;
  double drag_x1_ = 0, drag_y1_ = 0, drag_x2_ = 0, drag_y2_ = 0;
  double drag_offset_x_ = 0, drag_offset_y_ = 0;
  ClipObject* pressed_clip_ = nullptr;
  ClipObject* hovered_clip_ = nullptr;
  int instance_counter_ = 0;
  // How deep live() is nested: a property that holds a removed clip can
  // lead a path back to that same clip.
  int live_depth_ = 0;

  friend void install_movieclip_builtins(Engine& engine);
  friend void install_stage_builtins(Engine& engine);
  friend class ClipObject;
};

// Installers of the built-in classes that need the engine.
void install_movieclip_builtins(Engine& engine);
void install_stage_builtins(Engine& engine);
void install_textfield_builtins(Engine& engine);
void install_textformat_builtins(Runtime& rt);
void install_system_builtins(Engine& engine);
void install_selection_builtins(Runtime& rt);
void install_bitmap_builtins(Engine& engine);
void install_media_builtins(Engine& engine);
void install_geom_builtins(Engine& engine);
void install_filter_builtins(Engine& engine);

}  // namespace avm1
