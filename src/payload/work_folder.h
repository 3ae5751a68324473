// The work folder: where a run extracts its movies, its settings file and the
// plug-in library. It lives under the user's temporary folder and its name is
// process-wide. The name starts empty; the main saver window sets it (and
// creates the folder) during its start-up, and windows started before that
// write straight into the temporary folder.
#pragma once

#include <string>

namespace work_folder {

// The name a run uses: "qnfpssver_1".
std::string default_name();

void set_name(const std::string& name);

// Empty until set_name is called.
const std::string& name();

// The temporary folder joined with the name, without a trailing separator;
// the temporary folder itself (no trailing separator) while the name is empty.
std::string path();

// A file in the work folder: temporary folder, separator, name, separator,
// file name; directly in the temporary folder while the name is empty.
std::string path_of(const std::string& file_name);

// Creates the folder; true also when it already exists.
bool create();

}  // namespace work_folder
