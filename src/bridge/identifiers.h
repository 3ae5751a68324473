// Scripting identifiers: 32-bit values the plug-in compares by value. 1 to N
// index a process-wide table of names that only grows; a few fixed values
// stand for the glue functions; the movie functions that the windowed start
// registers get consecutive values of their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bridge {

constexpr uint32_t kSwhxCallIdentifier = 0x0FEEBBCC;
constexpr uint32_t kFlashRequestIdentifier = 0x0FEEBBCD;
constexpr uint32_t kDoFSCommandIdentifier = 0x0FEEBBCE;
constexpr uint32_t kFirstMovieFunctionIdentifier = 0x0FEEBBCF;

// The movie functions the host may call, in registration order.
constexpr int kMovieFunctionCount = 12;
extern const char* const kMovieFunctionNames[kMovieFunctionCount];

// NPN_GetStringIdentifier: "__flash__request" and "_DoFSCommand" give their
// fixed values; a name in the table its position + 1; "swhxCall" its fixed
// value; any other name is appended. Never a registered movie function's
// value. 0 for a null name.
uint32_t string_identifier(const char* name);

// NPN_IdentifierIsString: true for table entries and "swhxCall" only.
bool identifier_is_string(uint32_t identifier);

// NPN_UTF8FromIdentifier: the registered movie function's name, the table
// entry, or "swhxCall"; false for every other value.
bool identifier_text(uint32_t identifier, std::string& text);

// Whether `identifier` names `text` for a method or property comparison: a
// table entry equal to it, or the "swhxCall" value for "swhxCall".
bool identifier_names(uint32_t identifier, std::string_view text);

// Fills the registered movie functions (kMovieFunctionNames, values from
// kFirstMovieFunctionIdentifier on). Registering again changes nothing.
void register_movie_functions();

// The registered value of a movie function; 0 when it is not registered.
uint32_t movie_function_identifier(std::string_view name);

// Number of names in the table.
uint32_t identifier_table_size();

}  // namespace bridge
