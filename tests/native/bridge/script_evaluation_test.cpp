#include "bridge/script_evaluation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using bridge::OwnedArguments;
using bridge::Result;
using bridge::ScriptAnswer;

// Records the calls handed to the host and answers with `reply`.
struct RecordingHostCall {
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> arguments;
  Result reply;

  bridge::HostCall function() {
    return [this](const std::string& name, const OwnedArguments& given) {
      names.push_back(name);
      std::vector<std::string> texts;
      for (uint32_t i = 1; i <= given.count(); ++i) texts.emplace_back(given.list().text(i));
      arguments.push_back(texts);
      return reply;
    };
  }
};

std::string call_script(const std::string& call) {
  return "try { __flash__toXML(" + call + ") ; } catch (e) { \"<undefined/>\"; }";
}

ScriptAnswer temp_variable(const std::string& quoted_and_rest) {
  return bridge::evaluate_script("var __flash_temp = \"" + quoted_and_rest, nullptr);
}

TEST(ScriptEvaluation, CallTextGoesToTheHostWithItsArguments) {
  RecordingHostCall host;
  host.reply = std::string("<true/>");
  const ScriptAnswer answer =
      bridge::evaluate_script(call_script("Window.setTitle(\"a, b\")"), host.function());
  EXPECT_EQ(answer.kind, ScriptAnswer::kString);
  EXPECT_EQ(answer.text, "<true/>");
  ASSERT_EQ(host.names, std::vector<std::string>{"Window.setTitle"});
  EXPECT_EQ(host.arguments[0], (std::vector<std::string>{"", ""}));
}

TEST(ScriptEvaluation, AnEmptyAnswerIsStillAnAnswer) {
  RecordingHostCall host;
  host.reply = std::string();
  const ScriptAnswer answer = bridge::evaluate_script(call_script("Api.onInit()"), host.function());
  EXPECT_EQ(answer.kind, ScriptAnswer::kString);
  EXPECT_EQ(answer.text, "");
  EXPECT_TRUE(host.arguments[0].empty());
}

TEST(ScriptEvaluation, NoAnswerOrNoCallRefuses) {
  RecordingHostCall host;
  EXPECT_EQ(bridge::evaluate_script(call_script("Api.onInit()"), host.function()).kind,
            ScriptAnswer::kRefused);
  EXPECT_EQ(host.names.size(), 1u);
  host.reply = std::string("x");
  EXPECT_EQ(bridge::evaluate_script("try { __flash__toXML(noParenthesis", host.function()).kind,
            ScriptAnswer::kRefused);
  EXPECT_EQ(bridge::evaluate_script("try { __flash__toXML(f(", host.function()).kind,
            ScriptAnswer::kRefused);
  EXPECT_EQ(host.names.size(), 1u);
  // No host call handler at all.
  EXPECT_EQ(bridge::evaluate_script(call_script("f()"), nullptr).kind, ScriptAnswer::kRefused);
}

TEST(ScriptEvaluation, TempVariableUnescapes) {
  ScriptAnswer answer = temp_variable("a\\\"b\";");
  EXPECT_EQ(answer.kind, ScriptAnswer::kString);
  EXPECT_EQ(answer.text, "a\"b");
  EXPECT_EQ(temp_variable("\\\\\\n\\r\\t\";").text, "\\\n\r\t");
  EXPECT_EQ(temp_variable("\";").text, "");
  // Two backslashes are one escaped backslash: the quote after them closes.
  answer = temp_variable("ab\\\\\"; more");
  EXPECT_EQ(answer.kind, ScriptAnswer::kString);
  EXPECT_EQ(answer.text, "ab\\");
}

TEST(ScriptEvaluation, BrokenTempVariablesRefuse) {
  EXPECT_EQ(temp_variable("a\\qb\";").kind, ScriptAnswer::kRefused);
  EXPECT_EQ(temp_variable("abc").kind, ScriptAnswer::kRefused);
  EXPECT_EQ(temp_variable("abc\"").kind, ScriptAnswer::kRefused);
  EXPECT_EQ(temp_variable("abc\" ;").kind, ScriptAnswer::kRefused);
  EXPECT_EQ(temp_variable("abc\\\";").kind, ScriptAnswer::kRefused);
  EXPECT_EQ(temp_variable("abc\\").kind, ScriptAnswer::kRefused);
  EXPECT_EQ(temp_variable("").kind, ScriptAnswer::kRefused);
}

TEST(ScriptEvaluation, EverythingElseIsVoid) {
  RecordingHostCall host;
  host.reply = std::string("x");
  for (const char* script : {"", "window.location.href", "var __flash_temp = 1;",
                             "try { __flash__toXML", " try { __flash__toXML(f())"}) {
    EXPECT_EQ(bridge::evaluate_script(script, host.function()).kind, ScriptAnswer::kVoid) << script;
  }
  EXPECT_TRUE(host.names.empty());
}

}  // namespace
