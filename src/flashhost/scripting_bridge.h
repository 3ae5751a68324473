// The host's side of NPAPI scripting. The plug-in evaluates script text and
// invokes methods on browser objects; the host answers without any script
// engine by recognising a few fixed shapes (bridge/script_evaluation.h) and
// handing movie calls to the instance's host call handler. In the other
// direction the host calls the functions the movie published through the
// plug-in's scriptable object.
//
// Every string handed to the plug-in is a fresh copy from the host allocator
// (browser_functions.h); its UTF8Length is its length in bytes.
#pragma once

#include <cstdint>
#include <string>

#include "bridge/dispatcher.h"
#include "flashhost/npapi.h"

namespace flashhost {

struct PlayerInstance;

namespace scripting {

// --- Browser function table entries (NPNetscapeFuncs signatures) ----------

NPIdentifier get_string_identifier(const NPUTF8* name);
void get_string_identifiers(const NPUTF8** names, int32_t name_count, NPIdentifier* identifiers);
NPIdentifier get_int_identifier(int32_t value);
bool identifier_is_string(NPIdentifier identifier);
NPUTF8* utf8_from_identifier(NPIdentifier identifier);
int32_t int_from_identifier(NPIdentifier identifier);

NPObject* create_object(NPP npp, NPClass* object_class);
NPObject* retain_object(NPObject* object);
void release_object(NPObject* object);
void release_variant_value(NPVariant* variant);

bool invoke(NPP npp, NPObject* object, NPIdentifier method, const NPVariant* arguments,
            uint32_t argument_count, NPVariant* result);
bool invoke_default(NPP npp, NPObject* object, const NPVariant* arguments, uint32_t argument_count,
                    NPVariant* result);
bool evaluate(NPP npp, NPObject* object, NPString* script, NPVariant* result);
bool get_property(NPP npp, NPObject* object, NPIdentifier property, NPVariant* result);
bool set_property(NPP npp, NPObject* object, NPIdentifier property, const NPVariant* value);
bool remove_property(NPP npp, NPObject* object, NPIdentifier property);
bool has_property(NPP npp, NPObject* object, NPIdentifier property);
bool has_method(NPP npp, NPObject* object, NPIdentifier method);
void set_exception(NPObject* object, const NPUTF8* message);

// --- The four static host objects (never freed) ----------------------------

// What NPN_GetValue(NPNVWindowNPObject) hands out, after retain_object.
NPObject* browser_window_object();
NPObject* window_location_object();
NPObject* top_object();
NPObject* top_location_object();

// --- Calls into the movie ---------------------------------------------------

// Invokes the movie function `name` on the instance's scriptable object with
// the registered identifier of that name (0 when it is not registered). True
// with `answer` set when the plug-in answered with a string.
bool call_movie(PlayerInstance* instance, const char* name, const NPVariant* arguments,
                uint32_t argument_count, std::string& answer);

// Invokes "swhxCall" with two string arguments; a string answer as above.
bool call_swhx(PlayerInstance* instance, const std::string& text1, const std::string& text2,
               std::string& answer);

// Events for the movie of one instance (window events, Api.onInit).
class InstanceMovieCaller : public bridge::MovieCaller {
 public:
  explicit InstanceMovieCaller(PlayerInstance* instance) : instance_(instance) {}
  void set_instance(PlayerInstance* instance) { instance_ = instance; }
  void call_movie(const char* function, const NPVariant* arguments, uint32_t count) override;

 private:
  PlayerInstance* instance_;
};

// --- Host calls ------------------------------------------------------------

// The body of every instance's host call handler: the call goes to the API
// dispatcher of the player window object that owns the instance. No
// dispatcher (no such window object), or no answer from it: false.
bool dispatch_host_call(bridge::Dispatcher* dispatcher, NPObject* object, const char* name,
                        uint32_t argument_count, const NPVariant* arguments, std::string& answer);

}  // namespace scripting
}  // namespace flashhost
