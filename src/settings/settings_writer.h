// The settings text of a SaverSettings record, as the builder stores it in a
// saver: the saver flags on "windows" and every attribute of every window,
// nested windows inside "sub_data". Reading the text back gives the same
// record (movie and mask paths become the same names in the work folder).
#pragma once

#include <string>

struct SaverSettings;

std::string settings_text(const SaverSettings& settings);

// The name a path in the work folder was made from (what "swf" and "mask"
// hold); the last component of a path elsewhere.
std::string work_file_name(const std::string& path);
