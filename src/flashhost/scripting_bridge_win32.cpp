#include <algorithm>
#include <cstring>

#include "bridge/identifiers.h"
#include "bridge/invoke_protocol.h"
#include "bridge/script_evaluation.h"
#include "flashhost/browser_functions.h"
#include "flashhost/player_instance.h"
#include "flashhost/scripting_bridge.h"

namespace flashhost {
namespace scripting {

namespace {

uint32_t value_of(NPIdentifier identifier) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(identifier));
}

NPIdentifier identifier_of(uint32_t value) {
  return reinterpret_cast<NPIdentifier>(static_cast<uintptr_t>(value));
}

PlayerInstance* instance_behind(NPP npp) {
  return npp ? static_cast<PlayerInstance*>(npp->ndata) : nullptr;
}

// A NUL-terminated copy from the host allocator; null when it cannot be had.
char* host_copy(std::string_view text) {
  char* copy = static_cast<char*>(host_alloc(static_cast<uint32_t>(text.size() + 1)));
  if (!copy) return nullptr;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

// Makes `result` a string variant holding a host copy of `text`. False,
// leaving `result` alone, when there is no memory.
bool set_string(NPVariant* result, std::string_view text) {
  char* copy = host_copy(text);
  if (!copy) return false;
  result->type = NPVariantType_String;
  result->value.stringValue.UTF8Characters = copy;
  result->value.stringValue.UTF8Length = static_cast<uint32_t>(text.size());
  return true;
}

void set_object(NPVariant* result, NPObject* object) {
  result->type = NPVariantType_Object;
  result->value.objectValue = retain_object(object);
}

// The host objects: plain NPObjects of one class whose every method and
// property entry answers false; their behaviour lives in invoke and
// get_property below.
NPObject* host_allocate(NPP, NPClass*) {
  return static_cast<NPObject*>(host_alloc(sizeof(NPObject)));
}
void host_deallocate(NPObject* object) { host_free(object); }
void no_invalidate(NPObject*) {}
bool no_method(NPObject*, NPIdentifier) { return false; }
bool no_invoke(NPObject*, NPIdentifier, const NPVariant*, uint32_t, NPVariant*) { return false; }
bool no_invoke_default(NPObject*, const NPVariant*, uint32_t, NPVariant*) { return false; }
bool no_get(NPObject*, NPIdentifier, NPVariant*) { return false; }
bool no_set(NPObject*, NPIdentifier, const NPVariant*) { return false; }

NPClass g_host_class = {
    1,         host_allocate,     host_deallocate, no_invalidate, no_method,
    no_invoke, no_invoke_default, no_method,       no_get,        no_set,
    no_method, nullptr,           nullptr,
};

NPObject g_browser_window = {&g_host_class, 1};
NPObject g_window_location = {&g_host_class, 1};
NPObject g_top = {&g_host_class, 1};
NPObject g_top_location = {&g_host_class, 1};

bool is_host_object(const NPObject* object) {
  return object == &g_browser_window || object == &g_window_location || object == &g_top ||
         object == &g_top_location;
}

}  // namespace

// --- Identifiers -------------------------------------------------------------

NPIdentifier get_string_identifier(const NPUTF8* name) {
  return identifier_of(bridge::string_identifier(name));
}

void get_string_identifiers(const NPUTF8**, int32_t, NPIdentifier*) {}

NPIdentifier get_int_identifier(int32_t) {
  return reinterpret_cast<NPIdentifier>(static_cast<intptr_t>(-1));
}

bool identifier_is_string(NPIdentifier identifier) {
  return bridge::identifier_is_string(value_of(identifier));
}

NPUTF8* utf8_from_identifier(NPIdentifier identifier) {
  std::string name;
  if (!bridge::identifier_text(value_of(identifier), name)) return nullptr;
  return host_copy(name);
}

int32_t int_from_identifier(NPIdentifier) { return 0; }

// --- Objects and variants ----------------------------------------------------

NPObject* create_object(NPP npp, NPClass* object_class) {
  if (!object_class) return nullptr;
  NPObject* object = object_class->allocate ? object_class->allocate(npp, object_class)
                                            : static_cast<NPObject*>(host_alloc(sizeof(NPObject)));
  if (!object) return nullptr;
  object->_class = object_class;
  object->referenceCount = 1;
  return object;
}

NPObject* retain_object(NPObject* object) {
  if (object) ++object->referenceCount;
  return object;
}

void release_object(NPObject* object) {
  if (!object || object->referenceCount == 0) return;
  if (is_host_object(object)) {
    // Static records: a plug-in that releases one more often than it was
    // handed out must not make the host free memory it never allocated.
    if (object->referenceCount > 1) --object->referenceCount;
    return;
  }
  if (--object->referenceCount != 0) return;
  NPClass* object_class = object->_class;
  if (object_class && object_class->deallocate) {
    object_class->deallocate(object);
    return;
  }
  if (object_class && object_class->invalidate) object_class->invalidate(object);
  host_free(object);
}

void release_variant_value(NPVariant* variant) {
  if (!variant) return;
  if (variant->type == NPVariantType_String) {
    host_free(const_cast<NPUTF8*>(variant->value.stringValue.UTF8Characters));
    variant->type = NPVariantType_Void;
  } else if (variant->type == NPVariantType_Object) {
    release_object(variant->value.objectValue);
    variant->type = NPVariantType_Void;
  }
}

// --- Host objects -----------------------------------------------------------

NPObject* browser_window_object() { return &g_browser_window; }
NPObject* window_location_object() { return &g_window_location; }
NPObject* top_object() { return &g_top; }
NPObject* top_location_object() { return &g_top_location; }

// --- Invoke, properties, evaluation -----------------------------------------

bool invoke(NPP npp, NPObject* object, NPIdentifier method, const NPVariant* arguments,
            uint32_t argument_count, NPVariant* result) {
  if (!result) return false;
  const uint32_t id = value_of(method);
  if (id == bridge::kFlashRequestIdentifier && argument_count >= 1 && arguments &&
      arguments[0].type == NPVariantType_String) {
    // The movie glue's request: the invoke text for the name in the first
    // argument and the rest as its arguments.
    const std::string text =
        bridge::invoke_text(bridge::variant_text(arguments[0]), arguments + 1, argument_count - 1);
    return set_string(result, text);
  }
  if (object == &g_window_location) {
    PlayerInstance* instance = instance_behind(npp);
    if (instance && bridge::identifier_names(id, "toString")) {
      std::string path = instance->movie_path;
      std::replace(path.begin(), path.end(), '\\', '/');
      set_string(result, path);
    }
    return true;
  }
  if (object == &g_top_location) {
    if (bridge::identifier_names(id, "toString")) {
      set_string(result, "chrome://global/content/console.xul");
    }
    return true;
  }
  if (bridge::identifier_names(id, "__flash_getWindowLocation")) {
    set_object(result, &g_window_location);
    return true;
  }
  if (bridge::identifier_names(id, "__flash_getTopLocation")) {
    set_object(result, &g_top_location);
    return true;
  }
  return false;
}

bool invoke_default(NPP, NPObject*, const NPVariant*, uint32_t, NPVariant*) { return false; }

bool get_property(NPP, NPObject* object, NPIdentifier property, NPVariant* result) {
  if (object != &g_browser_window || !result) return false;
  const uint32_t id = value_of(property);
  if (bridge::identifier_names(id, "location")) return set_string(result, "swhx");
  if (bridge::identifier_names(id, "top")) {
    set_object(result, &g_top);
    return true;
  }
  if (bridge::identifier_names(id, "__flash_getWindowLocation")) return set_string(result, "");
  return false;
}

bool evaluate(NPP npp, NPObject*, NPString* script, NPVariant* result) {
  if (!script || !result) return false;
  NPVariant script_variant;
  std::memset(&script_variant, 0, sizeof script_variant);
  script_variant.type = NPVariantType_String;
  script_variant.value.stringValue = *script;
  // The text ends at its NUL, and never runs past the length the plug-in
  // gave: a script without a terminator is not read beyond its buffer.
  const std::string_view text = bridge::variant_text(script_variant);

  PlayerInstance* instance = instance_behind(npp);
  const bridge::HostCall host_call = [instance](const std::string& name,
                                                const bridge::OwnedArguments& arguments) {
    bridge::Result answer;
    if (!instance || !instance->host_call_handler) return answer;
    std::string handler_answer;
    if (instance->host_call_handler(instance, nullptr, name.c_str(), arguments.count(),
                                    arguments.variants(), handler_answer)) {
      answer = std::move(handler_answer);
    }
    return answer;
  };
  const bridge::ScriptAnswer answer = bridge::evaluate_script(text, host_call);
  switch (answer.kind) {
    case bridge::ScriptAnswer::kString:
      return set_string(result, answer.text);
    case bridge::ScriptAnswer::kVoid:
      result->type = NPVariantType_Void;
      return true;
    default:
      return false;
  }
}

bool set_property(NPP, NPObject*, NPIdentifier, const NPVariant*) { return false; }
bool remove_property(NPP, NPObject*, NPIdentifier) { return false; }
bool has_property(NPP, NPObject*, NPIdentifier) { return false; }
bool has_method(NPP, NPObject*, NPIdentifier) { return false; }
void set_exception(NPObject*, const NPUTF8*) {}

// --- Calls into the movie ----------------------------------------------------

namespace {

bool invoke_scriptable(PlayerInstance* instance, uint32_t identifier, const NPVariant* arguments,
                       uint32_t argument_count, std::string& answer) {
  NPObject* object = instance ? instance->scriptable_object : nullptr;
  if (!object || !object->_class || !object->_class->invoke) return false;
  NPVariant result;
  std::memset(&result, 0, sizeof result);
  result.type = NPVariantType_Void;
  const bool answered = object->_class->invoke(object, identifier_of(identifier), arguments,
                                               argument_count, &result) &&
                        result.type == NPVariantType_String;
  if (answered) answer.assign(bridge::variant_text(result));
  release_variant_value(&result);
  return answered;
}

}  // namespace

bool call_movie(PlayerInstance* instance, const char* name, const NPVariant* arguments,
                uint32_t argument_count, std::string& answer) {
  const uint32_t identifier = name ? bridge::movie_function_identifier(name) : 0;
  return invoke_scriptable(instance, identifier, arguments, argument_count, answer);
}

bool call_swhx(PlayerInstance* instance, const std::string& text1, const std::string& text2,
               std::string& answer) {
  const NPVariant arguments[2] = {bridge::string_variant(text1), bridge::string_variant(text2)};
  return invoke_scriptable(instance, bridge::kSwhxCallIdentifier, arguments, 2, answer);
}

void InstanceMovieCaller::call_movie(const char* function, const NPVariant* arguments,
                                     uint32_t count) {
  std::string ignored;
  scripting::call_movie(instance_, function, arguments, count, ignored);
}

// --- Host calls ------------------------------------------------------------

bool dispatch_host_call(bridge::Dispatcher* dispatcher, NPObject*, const char* name,
                        uint32_t argument_count, const NPVariant* arguments, std::string& answer) {
  if (!dispatcher || !name) return false;
  bridge::Result result =
      dispatcher->dispatch(name, bridge::ArgumentList(arguments, argument_count));
  if (!result) return false;
  answer = std::move(*result);
  return true;
}

}  // namespace scripting
}  // namespace flashhost
