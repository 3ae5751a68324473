#include "bridge/script_evaluation.h"

#include <utility>

namespace bridge {

ScriptAnswer evaluate_script(std::string_view script, const HostCall& host_call) {
  ScriptAnswer answer;
  if (script.substr(0, kCallTextPrefix.size()) == kCallTextPrefix) {
    CallText call;
    if (!cut_call_text(script, call)) return answer;
    const OwnedArguments arguments(std::move(call.arguments));
    Result result = host_call ? host_call(call.name, arguments) : std::nullopt;
    if (!result) return answer;
    answer.kind = ScriptAnswer::kString;
    answer.text = std::move(*result);
    return answer;
  }
  if (script.substr(0, kTempVariablePrefix.size()) == kTempVariablePrefix) {
    if (read_temp_variable(script, answer.text)) answer.kind = ScriptAnswer::kString;
    return answer;
  }
  answer.kind = ScriptAnswer::kVoid;
  return answer;
}

bool read_temp_variable(std::string_view script, std::string& text) {
  if (script.substr(0, kTempVariablePrefix.size()) != kTempVariablePrefix) return false;
  const std::string_view rest = script.substr(kTempVariablePrefix.size());
  std::size_t close = 0;
  while (close < rest.size() && rest[close] != '"') close += rest[close] == '\\' ? 2 : 1;
  if (close >= rest.size()) return false;
  if (close + 1 >= rest.size() || rest[close + 1] != ';') return false;

  std::string unescaped;
  unescaped.reserve(close);
  for (std::size_t i = 0; i < close; ++i) {
    if (rest[i] != '\\') {
      unescaped += rest[i];
      continue;
    }
    switch (rest[++i]) {
      case '"':
        unescaped += '"';
        break;
      case '\\':
        unescaped += '\\';
        break;
      case 'n':
        unescaped += '\n';
        break;
      case 'r':
        unescaped += '\r';
        break;
      case 't':
        unescaped += '\t';
        break;
      default:
        return false;
    }
  }
  text = std::move(unescaped);
  return true;
}

}  // namespace bridge
