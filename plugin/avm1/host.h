// What the script engine needs from its surroundings: the plug-in's NPAPI
// glue, a test runner or a benchmark. Every member has a harmless default
// except the trace line.
#pragma once

#include <cstdint>
#include <string>

namespace avm1 {

class Host {
 public:
  virtual ~Host() = default;

  // One line of trace output.
  virtual void trace(const std::string& line) = 0;
  // A steady clock in milliseconds (getTimer, intervals).
  virtual double now_ms() = 0;
  // The wall clock for Date: milliseconds since 1970-01-01 UTC, and the
  // local time zone's offset from UTC in minutes at a moment.
  virtual double wall_clock_ms() { return 0; }
  virtual int local_offset_minutes(double /*utc_ms*/) { return 0; }

  // getURL to a browser window (or a "javascript:" address).
  virtual void navigate(const std::string& /*url*/, const std::string& /*target*/,
                        const std::string& /*method*/, const std::string& /*data*/) {}
  // getURL("FSCommand:...") and fscommand().
  virtual void fscommand(const std::string& /*command*/, const std::string& /*args*/) {}
  // Starts loading a URL for the movie (variables, XML, a movie into a
  // clip). The answer arrives later through Engine::load_finished with the
  // same request number. False when the URL cannot be asked for.
  virtual bool load(uint32_t /*request*/, const std::string& /*url*/, const std::string& /*method*/,
                    const std::string& /*data*/) {
    return false;
  }
  // ExternalInterface: the container evaluates a script text; true with
  // the result text when it answered.
  virtual bool evaluate(const std::string& /*script*/, std::string& /*result*/) { return false; }
  // SharedObject data by name: read (false when there are none) and
  // write (false when they cannot be kept).
  virtual bool read_storage(const std::string& /*name*/, std::string& /*data*/) { return false; }
  virtual bool write_storage(const std::string& /*name*/, const std::string& /*data*/) {
    return false;
  }
  // The movie's address (the _url property).
  virtual std::string movie_url() { return std::string(); }
};

}  // namespace avm1
