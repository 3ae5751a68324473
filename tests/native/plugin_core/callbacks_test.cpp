// The registry of functions the movie publishes to its container.
#include "core/callbacks.h"

#include <gtest/gtest.h>

#include "core/player.h"

namespace {

using npfp::CallbackRegistry;
using npfp::ScriptValue;

TEST(PluginCoreCallbacks, PublishedFunctionsAreCalledByName) {
  CallbackRegistry r;
  EXPECT_FALSE(r.has("add"));
  ScriptValue out;
  EXPECT_FALSE(r.call("add", {}, out));
  r.add("add", [](const std::vector<ScriptValue>& args, ScriptValue& result) {
    double sum = 0;
    for (const ScriptValue& a : args) {
      if (a.type != ScriptValue::number) return false;
      sum += a.number_value;
    }
    result = ScriptValue::from_number(sum);
    return true;
  });
  EXPECT_TRUE(r.has("add"));
  EXPECT_FALSE(r.has("Add"));  // names keep their case
  ASSERT_TRUE(r.call("add", {ScriptValue::from_number(2), ScriptValue::from_number(3.5)}, out));
  EXPECT_EQ(out.type, ScriptValue::number);
  EXPECT_DOUBLE_EQ(out.number_value, 5.5);
  EXPECT_FALSE(r.call("add", {ScriptValue::from_string("x")}, out));  // the callback refused

  r.add("add", [](const std::vector<ScriptValue>&, ScriptValue& result) {
    result = ScriptValue::from_string("replaced");
    return true;
  });
  ASSERT_TRUE(r.call("add", {}, out));
  EXPECT_EQ(out.string_value, "replaced");
  EXPECT_EQ(r.names(), std::vector<std::string>({"add"}));
  EXPECT_TRUE(r.remove("add"));
  EXPECT_FALSE(r.remove("add"));
  EXPECT_FALSE(r.call("add", {}, out));
}

TEST(PluginCoreCallbacks, CallbackMayRemoveItselfWhileRunning) {
  npfp::Player player;  // each player has its own registry
  CallbackRegistry& r = player.callbacks();
  int calls = 0;
  r.add("once", [&](const std::vector<ScriptValue>&, ScriptValue& result) {
    ++calls;
    r.remove("once");
    result = ScriptValue::from_bool(true);
    return true;
  });
  ScriptValue out;
  EXPECT_TRUE(r.call("once", {}, out));
  EXPECT_TRUE(out.boolean_value);
  EXPECT_FALSE(r.call("once", {}, out));
  EXPECT_EQ(calls, 1);
}

}  // namespace
