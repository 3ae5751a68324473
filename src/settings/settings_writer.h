// The settings text of a SaverSettings record, as the builder stores it in a
// saver: the saver flags on "windows" and every attribute of every window,
// nested windows inside "sub_data". Reading the text back gives the same
// record (movie and mask paths become the same names in the work folder).
#pragma once

#include <string>

struct SaverSettings;

std::string settings_text(const SaverSettings& settings);
