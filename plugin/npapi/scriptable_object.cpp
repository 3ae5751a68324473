#include "npapi/scriptable_object.h"

#include <string>
#include <vector>

#include "npapi/browser.h"
#include "npapi/trace.h"

namespace npfp {

namespace {

struct ScriptableObject : NPObject {
  CallbackRegistry* callbacks = nullptr;
  CallGuard* guard = nullptr;
};

CallbackRegistry* registry_of(NPObject* object) {
  return object ? static_cast<ScriptableObject*>(object)->callbacks : nullptr;
}

NPObject* allocate(NPP, NPClass*) { return new ScriptableObject(); }

void deallocate(NPObject* object) { delete static_cast<ScriptableObject*>(object); }

void invalidate(NPObject* object) {
  if (!object) return;
  static_cast<ScriptableObject*>(object)->callbacks = nullptr;
  static_cast<ScriptableObject*>(object)->guard = nullptr;
}

bool has_method(NPObject* object, NPIdentifier name) {
  CallbackRegistry* callbacks = registry_of(object);
  return callbacks && callbacks->has(browser_identifier_name(name));
}

ScriptValue from_variant(const NPVariant& v) {
  switch (v.type) {
    case NPVariantType_Null: {
      ScriptValue null_value;
      null_value.type = ScriptValue::null;
      return null_value;
    }
    case NPVariantType_Bool:
      return ScriptValue::from_bool(v.value.boolValue);
    case NPVariantType_Int32:
      return ScriptValue::from_number(v.value.intValue);
    case NPVariantType_Double:
      return ScriptValue::from_number(v.value.doubleValue);
    case NPVariantType_String:
      return ScriptValue::from_string(
          v.value.stringValue.UTF8Characters
              ? std::string(v.value.stringValue.UTF8Characters, v.value.stringValue.UTF8Length)
              : std::string());
    default:
      return ScriptValue();
  }
}

void to_variant(const ScriptValue& s, NPVariant& v) {
  switch (s.type) {
    case ScriptValue::null:
      v.type = NPVariantType_Null;
      break;
    case ScriptValue::boolean:
      v.type = NPVariantType_Bool;
      v.value.boolValue = s.boolean_value;
      break;
    case ScriptValue::number:
      v.type = NPVariantType_Double;
      v.value.doubleValue = s.number_value;
      break;
    case ScriptValue::string: {
      // The receiver frees it with NPN_ReleaseVariantValue: the host's allocator.
      char* text = browser_strdup(s.string_value);
      if (!text) {
        v.type = NPVariantType_Void;
        break;
      }
      v.type = NPVariantType_String;
      v.value.stringValue.UTF8Characters = text;
      v.value.stringValue.UTF8Length = static_cast<uint32_t>(s.string_value.size());
      break;
    }
    default:
      v.type = NPVariantType_Void;
      break;
  }
}

bool invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count,
            NPVariant* result) {
  std::string method = browser_identifier_name(name);
  CallbackRegistry* callbacks = registry_of(object);
  CallGuard* guard = object ? static_cast<ScriptableObject*>(object)->guard : nullptr;
  std::vector<ScriptValue> values;
  for (uint32_t i = 0; args && i < count; ++i) values.push_back(from_variant(args[i]));
  ScriptValue answer;
  if (guard) guard->enter();
  bool ok = callbacks && callbacks->call(method, values, answer);
  // The owner (and with it this object) may be gone after leave: only
  // locals from here on.
  if (guard) guard->leave();
  trace("NPObject invoke name=%s argc=%u -> %s", method.c_str(), static_cast<unsigned>(count),
        ok ? "true" : "false");
  if (ok && result) to_variant(answer, *result);
  return ok;
}

bool answer_false_default(NPObject*, const NPVariant*, uint32_t, NPVariant*) { return false; }
bool answer_false_name(NPObject*, NPIdentifier) { return false; }
bool answer_false_get(NPObject*, NPIdentifier, NPVariant*) { return false; }
bool answer_false_set(NPObject*, NPIdentifier, const NPVariant*) { return false; }

// structVersion 1: no enumerate or construct entries to call.
NPClass scriptable_class = {
    1,
    allocate,
    deallocate,
    invalidate,
    has_method,
    invoke,
    answer_false_default,
    answer_false_name,
    answer_false_get,
    answer_false_set,
    answer_false_name,
    nullptr,
    nullptr,
};

}  // namespace

NPObject* create_scriptable_object(NPP npp, CallbackRegistry* callbacks, CallGuard* guard) {
  if (!browser().createobject) return nullptr;
  NPObject* object = browser().createobject(npp, &scriptable_class);
  if (object) {
    static_cast<ScriptableObject*>(object)->callbacks = callbacks;
    static_cast<ScriptableObject*>(object)->guard = guard;
  }
  return object;
}

void detach_scriptable_object(NPObject* object) { invalidate(object); }

}  // namespace npfp
