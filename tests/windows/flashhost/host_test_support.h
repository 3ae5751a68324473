// Shared by the host contract tests: the test plug-in's files, its trace and
// its knobs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "flashhost/npapi.h"

namespace host_test {

// Full Windows path of a test plug-in DLL built beside the tests.
std::string plugin_path(const std::string& dll_name);

// Sets (or with an empty value, clears) an environment variable the test
// plug-in reads.
void set_knob(const char* name, const std::string& value);
void clear_knobs();

// The trace lines written so far.
std::vector<std::string> read_trace(const std::string& path);

// Lines starting with `prefix`.
std::vector<std::string> lines_starting(const std::vector<std::string>& lines,
                                        const std::string& prefix);

// The browser table the loaded test plug-in received in NP_Initialize.
NPNetscapeFuncs* plugin_browser_table(const std::string& dll_name);

// Runs the messages waiting for this thread.
void pump_messages();

}  // namespace host_test
