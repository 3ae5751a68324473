// The trace file: when the environment variable NPFP_TRACE names a file,
// every NPAPI call appends one line to it (format in plugin/README.md).
#pragma once

namespace npfp {

// True when a trace file is named (looked up once per process).
bool tracing();
// Appends one printf-style line; the file is opened, written and closed for
// each line, so readers see every line at once.
void trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace npfp
