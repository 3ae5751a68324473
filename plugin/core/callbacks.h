// Functions the movie publishes to its container (ExternalInterface
// callbacks): the scriptable object that the host invokes looks names up
// here. The script engine adds and removes entries.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace npfp {

// A value crossing between the container and the movie.
struct ScriptValue {
  enum Type { undefined, null, boolean, number, string } type = undefined;
  bool boolean_value = false;
  double number_value = 0;
  std::string string_value;

  static ScriptValue from_bool(bool b);
  static ScriptValue from_number(double n);
  static ScriptValue from_string(const std::string& s);
};

class CallbackRegistry {
 public:
  // Answers true with `result` set when the call was made.
  using Callback = std::function<bool(const std::vector<ScriptValue>& args, ScriptValue& result)>;

  // A later registration of the same name replaces the earlier one.
  void add(const std::string& name, Callback callback);
  bool remove(const std::string& name);
  bool has(const std::string& name) const;
  // False when the name is not registered or the callback fails.
  bool call(const std::string& name, const std::vector<ScriptValue>& args,
            ScriptValue& result) const;
  std::vector<std::string> names() const;

 private:
  std::map<std::string, Callback> callbacks_;
};

}  // namespace npfp
