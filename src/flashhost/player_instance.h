// One plug-in instance: its parameter list, its NPP record, its scriptable
// object and where the plug-in's requests go.
#pragma once

#include <cstdint>
#include <string>

#include "flashhost/npapi.h"
#include "flashhost/player_parameters.h"

namespace flashhost {

struct PlayerView;  // flashhost/player_view.h
struct PlayerLibrary;
class PlayerWindow;  // the player window object that owns the API dispatcher
struct PlayerInstance;

// Links an instance, its view and the player window object (set by the
// window set-up).
struct CallContext {
  PlayerInstance* instance = nullptr;
  PlayerView* view = nullptr;
  PlayerWindow* window = nullptr;
};

// Answers a request that the plug-in made of the host: the API calls the
// scripting bridge cuts out of evaluated script, and the URL request kinds
// (":postData", ":post", ...). `object` is the NPObject the call was made on
// (null for evaluated script). True when there is an answer, which is placed
// in `answer` (its length may exceed any text: ":post" answers bytes).
using HostCallHandler = bool (*)(PlayerInstance* instance, NPObject* object, const char* name,
                                 uint32_t argument_count, const NPVariant* arguments,
                                 std::string& answer);

struct PlayerInstance {
  PlayerView* view = nullptr;  // may be null
  // The library current when the instance was created. Several savers in
  // one process may each load their own copy; an instance is only ever
  // driven by the copy that created it.
  PlayerLibrary* library = nullptr;
  ParameterList parameters;
  bool created = false;  // NPP_New succeeded and NPP_Destroy is owed
  NPP_t npp = {nullptr, nullptr};
  HostCallHandler host_call_handler = nullptr;
  CallContext* call_context = nullptr;
  NPObject* scriptable_object = nullptr;  // retained, released at destroy
  std::string movie_path;                 // set by start: the full path, or "empty"
  // The movie's first frame runs while start hands it over, and its script
  // may close the window: a destroy asked for then waits until start ends.
  bool starting = false;
  bool destroy_requested = false;
};

// Allocates an instance for `view` (which may be null) with `ndata` pointing
// back to it, the current library and the default parameters set.
PlayerInstance* create_instance(PlayerView* view);

void set_parameter(PlayerInstance* instance, const std::string& name, const std::string& value);

// NPP_New with the parameters, the scriptable object, NPP_SetWindow with the
// view's window, then the movie named by "src" as a paced stream. Calls the
// plug-in through the current library. False when something failed or when
// the instance was destroyed meanwhile (then the record is freed).
bool start(PlayerInstance* instance);

// Puts back the window procedure recorded at start, releases the scriptable
// object, NPP_Destroy when owed, frees the record. Null is ignored. Asked
// during start, it happens when start ends.
void destroy(PlayerInstance* instance);

void attach(PlayerInstance* instance, HostCallHandler handler, CallContext* context);

// The instance behind an NPP the plug-in hands back; null for a null NPP.
PlayerInstance* instance_of(NPP npp);

// The library that drives the instance behind `npp`: the one it was created
// with, else the current one.
PlayerLibrary* library_of(NPP npp);

}  // namespace flashhost
