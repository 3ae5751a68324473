// saverbuild: the command-line front of the builder.
#include <cstdio>
#include <string>
#include <vector>

#include "builder/build.h"
#include "builder/command_line.h"
#include "builder/settings_options.h"
#include "payload/payload_listing.h"

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "saverbuild: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  saverbuild::CommandLine line;
  std::string error;
  if (!saverbuild::parse_command_line(args, line, error)) {
    std::fprintf(stderr, "saverbuild: %s\n", error.c_str());
    return 2;
  }
  switch (line.command) {
    case saverbuild::Command::kHelp:
      std::fputs(saverbuild::usage_text().c_str(), stdout);
      return 0;
    case saverbuild::Command::kBuild: {
      saverbuild::BuildSummary summary;
      saverbuild::complete_settings(line.build);
      if (!saverbuild::build_saver(line.build, summary, error)) return fail(error);
      std::printf("%s: %zu %s and the settings, %llu bytes\n", line.build.output_path.c_str(),
                  summary.entries, summary.entries == 1 ? "entry" : "entries",
                  static_cast<unsigned long long>(summary.output_size));
      return 0;
    }
    case saverbuild::Command::kList: {
      payload::PayloadListing listing;
      int reader_error = payload::list_payload(line.saver_path, listing);
      if (reader_error != 0) {
        return fail(line.saver_path + ": " + saverbuild::describe_reader_error(reader_error));
      }
      std::fputs(saverbuild::describe_listing(line.saver_path, listing).c_str(), stdout);
      return 0;
    }
    case saverbuild::Command::kExtract: {
      std::vector<std::string> written;
      size_t skipped = 0;
      bool ok = saverbuild::extract_saver(line.saver_path, line.folder, written, skipped, error);
      for (const std::string& path : written) std::printf("%s\n", path.c_str());
      if (skipped > 0) {
        std::fprintf(stderr, "saverbuild: %s: %zu entries with unsafe names were skipped\n",
                     line.saver_path.c_str(), skipped);
      }
      return ok ? 0 : fail(error);
    }
  }
  return fail("internal error: unhandled command");
}
