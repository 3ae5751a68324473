#include "bridge/identifiers.h"

#include <deque>
#include <unordered_map>

namespace bridge {

const char* const kMovieFunctionNames[kMovieFunctionCount] = {
    "menuCommand",      "addWindowForm",    "setThisWindowForm", "onMenuCommand",
    "onWindowResize",   "onWindowPosition", "onWindowClose",     "onWindowActivate",
    "onWindowMinimize", "onWindowMaximize", "onWindowRestore",   "apiInitFinished",
};

namespace {

constexpr std::string_view kSwhxCall = "swhxCall";

// Table values must stay below the fixed ones; a table that full (some 267
// million names) hands out no more values.
constexpr uint32_t kTableLimit = kSwhxCallIdentifier - 1;

// Process-wide, main thread only. A deque keeps every name where it is while
// the table grows.
struct IdentifierTable {
  std::deque<std::string> names;
  std::unordered_map<std::string, uint32_t> positions;
  bool movie_functions_registered = false;
};

IdentifierTable& table() {
  static IdentifierTable instance;
  return instance;
}

bool is_table_value(uint32_t identifier) {
  return identifier >= 1 && identifier <= table().names.size();
}

int movie_function_index(uint32_t identifier) {
  if (!table().movie_functions_registered || identifier < kFirstMovieFunctionIdentifier) return -1;
  const uint32_t index = identifier - kFirstMovieFunctionIdentifier;
  return index < static_cast<uint32_t>(kMovieFunctionCount) ? static_cast<int>(index) : -1;
}

}  // namespace

uint32_t string_identifier(const char* name) {
  if (!name) return 0;
  const std::string_view text(name);
  if (text == "__flash__request") return kFlashRequestIdentifier;
  if (text == "_DoFSCommand") return kDoFSCommandIdentifier;
  IdentifierTable& names = table();
  auto found = names.positions.find(std::string(text));
  if (found != names.positions.end()) return found->second + 1;
  if (text == kSwhxCall) return kSwhxCallIdentifier;
  if (names.names.size() >= kTableLimit) return 0;
  const uint32_t position = static_cast<uint32_t>(names.names.size());
  names.names.emplace_back(text);
  names.positions.emplace(names.names.back(), position);
  return position + 1;
}

bool identifier_is_string(uint32_t identifier) {
  return is_table_value(identifier) || identifier == kSwhxCallIdentifier;
}

bool identifier_text(uint32_t identifier, std::string& text) {
  const int function = movie_function_index(identifier);
  if (function >= 0) {
    text = kMovieFunctionNames[function];
    return true;
  }
  if (is_table_value(identifier)) {
    text = table().names[identifier - 1];
    return true;
  }
  if (identifier == kSwhxCallIdentifier) {
    text = kSwhxCall;
    return true;
  }
  return false;
}

bool identifier_names(uint32_t identifier, std::string_view text) {
  if (is_table_value(identifier)) return table().names[identifier - 1] == text;
  return identifier == kSwhxCallIdentifier && text == kSwhxCall;
}

void register_movie_functions() { table().movie_functions_registered = true; }

uint32_t movie_function_identifier(std::string_view name) {
  if (!table().movie_functions_registered) return 0;
  for (int i = 0; i < kMovieFunctionCount; ++i) {
    if (name == kMovieFunctionNames[i]) return kFirstMovieFunctionIdentifier + i;
  }
  return 0;
}

uint32_t identifier_table_size() { return static_cast<uint32_t>(table().names.size()); }

}  // namespace bridge
