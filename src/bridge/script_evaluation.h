// What the host answers when the plug-in asks it to evaluate script text.
// There is no script engine: a handful of fixed shapes are recognised and
// everything else evaluates to nothing.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "bridge/dispatcher.h"
#include "bridge/invoke_protocol.h"

namespace bridge {

// The 20 characters a temp-variable script begins with.
constexpr std::string_view kTempVariablePrefix = "var __flash_temp = \"";

struct ScriptAnswer {
  enum Kind {
    kRefused,  // Evaluate answers false and leaves the result alone
    kVoid,     // true with a void result
    kString,   // true with `text` as a string result
  };
  Kind kind = kRefused;
  std::string text;
};

// Hands a movie call (name and argument texts, as string variants) to the
// instance's host call handler.
using HostCall = std::function<Result(const std::string& name, const OwnedArguments& arguments)>;

// A call text is cut and handed to `host_call`: any answer, also an empty
// one, is the string result; none refuses. A temp-variable script gives its
// unescaped quoted text. Any other script is void.
ScriptAnswer evaluate_script(std::string_view script, const HostCall& host_call);

// The quoted text of a temp-variable script: up to the first double quote
// that no backslash escapes, which must be followed by ";". Backslash escapes
// \" \\ \n \r \t are resolved; any other escape refuses the script.
bool read_temp_variable(std::string_view script, std::string& text);

}  // namespace bridge
