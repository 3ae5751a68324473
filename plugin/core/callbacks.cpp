#include "core/callbacks.h"

namespace npfp {

ScriptValue ScriptValue::from_bool(bool b) {
  ScriptValue v;
  v.type = boolean;
  v.boolean_value = b;
  return v;
}

ScriptValue ScriptValue::from_number(double n) {
  ScriptValue v;
  v.type = number;
  v.number_value = n;
  return v;
}

ScriptValue ScriptValue::from_string(const std::string& s) {
  ScriptValue v;
  v.type = string;
  v.string_value = s;
  return v;
}

void CallbackRegistry::add(const std::string& name, Callback callback) {
  if (callback) callbacks_[name] = std::move(callback);
}

bool CallbackRegistry::remove(const std::string& name) { return callbacks_.erase(name) > 0; }

bool CallbackRegistry::has(const std::string& name) const { return callbacks_.count(name) > 0; }

bool CallbackRegistry::call(const std::string& name, const std::vector<ScriptValue>& args,
                            ScriptValue& result) const {
  auto it = callbacks_.find(name);
  if (it == callbacks_.end()) return false;
  // A callback may change the registry while it runs: call a copy.
  Callback callback = it->second;
  return callback(args, result);
}

std::vector<std::string> CallbackRegistry::names() const {
  std::vector<std::string> out;
  for (const auto& entry : callbacks_) out.push_back(entry.first);
  return out;
}

}  // namespace npfp
