// The builder's work, apart from its command line: making a saver, listing
// and extracting what a saver carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/payload_listing.h"

namespace saverbuild {

// The text the windowed player program carries (resource RCDATA 1), by
// which the builder tells it from the screen saver program.
constexpr const char* kWindowedRuntimeMarker = "swfsaver windowed player runtime";

struct BuildRequest {
  // The saver program without a payload; with `windowed`, the windowed
  // player program (player.exe).
  std::string runtime_path;
  // Builds a windowed player instead of a screen saver: the runtime must be
  // the windowed player program, and without it must not be.
  bool windowed = false;
  std::string output_path;
  // The settings text comes from a file when one is named; otherwise from
  // settings_text, which options that generate the settings fill in.
  std::string settings_file;
  std::string settings_text;
  bool has_settings_text = false;
  // Movie files and folders of files, in the order they go into the saver.
  std::vector<std::string> inputs;
};

struct BuildSummary {
  uint64_t program_size = 0;
  uint64_t output_size = 0;
  size_t entries = 0;  // file and folder entries
};

// Writes the saver: a copy of the runtime, an end entry, one entry per input,
// the settings entry, the trailer. Everything is checked before the output is
// touched, and the output is written under a temporary name and renamed at
// the end, so a failure leaves no output (an older output stays as it was).
// On failure `error` holds one line naming the file and the reason.
bool build_saver(const BuildRequest& request, BuildSummary& summary, std::string& error);

// Lines describing a listing, for people.
std::string describe_listing(const std::string& saver_path, const payload::PayloadListing& listing);

// Whether the file at `path` is the windowed player program (it carries
// kWindowedRuntimeMarker). False for a file that cannot be read.
bool is_windowed_runtime(const std::string& path);

// A reader error as words.
std::string describe_reader_error(int error);

// Extracts a saver's payload into a folder (created if needed), settings as
// "fp.dat". `written` receives the files written, `skipped` the number of
// entries the saver itself would refuse to extract.
bool extract_saver(const std::string& saver_path, const std::string& folder,
                   std::vector<std::string>& written, size_t& skipped, std::string& error);

}  // namespace saverbuild
