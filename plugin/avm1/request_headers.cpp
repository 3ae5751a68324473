// addRequestHeader, shared by XML and LoadVars: the pairs go into the
// object's `_customHeaders` list through its own push, so a list a movie
// put there (or replaced push on) takes part.
#include <algorithm>

#include "avm1/runtime.h"

namespace avm1 {

namespace {

void add_pair(std::vector<Value>& pairs, const Value& name, const Value& value) {
  // Only text names with text values count.
  if (!name.is_string() || !value.is_string()) return;
  pairs.push_back(name);
  pairs.push_back(value);
}

}  // namespace

Value add_request_header(Runtime& rt, CallInfo& call) {
  Object* self = call.this_object();
  if (!self) return Value();
  std::vector<Value> pairs;
  if (call.count >= 2) {
    add_pair(pairs, call.arg(0), call.arg(1));
  } else if (Object* list = call.arg(0).as_object();
             list && list->object_class() == ObjectClass::array) {
    // One array holds name, value, name, value...
    size_t length = std::min(static_cast<ArrayObject*>(list)->length(), kMaxArrayWalk);
    for (size_t i = 0; i + 1 < length; i += 2)
      add_pair(pairs, rt.get_property(list, String(std::to_string(i))),
               rt.get_property(list, String(std::to_string(i + 1))));
  }
  if (pairs.empty()) return Value();
  String key("_customHeaders");
  if (rt.get_property(self, key).is_undefined()) {
    Value list = rt.construct(Value::object(rt.known().array_constructor), nullptr, 0);
    // Code of SWF 5 does not see the list it makes.
    self->define(key, list, rt.version() < 6 ? kHidden | kOnlyVersion6 : kHidden);
  }
  rt.call_method(rt.get_property(self, key), "push", pairs);
  return Value();
}

}  // namespace avm1
