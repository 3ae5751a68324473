// The plug-in library carried as a resource of the program, written out to
// the work folder, and the clean-up of the work folder at the end of a run.
#pragma once

#include <cstdint>
#include <string>

namespace flashhost {

// Resource type and id of the plug-in library (language 1033).
constexpr const char* kPlayerResourceType = "NPFP";
constexpr int kPlayerResourceId = 130;

// Finds a resource of the program by type name and id. True when its data
// could be loaded; `size` is set whenever it was found.
bool load_resource(const char* type_name, int id, const void*& data, uint32_t& size);

// Writes the library resource to "npfp.dll" in the work folder (replacing
// an existing file; a file that cannot be opened is left as it is) and
// answers that file's full path, for PlayerLibrary::load.
std::string extract_player_library();

// Deletes the work folder and what it holds. An entry that cannot be deleted
// (the loaded plug-in library) stays, with the folder, and the clean-up goes
// on past it. Only when a work folder name is set. Links and junctions
// inside are removed themselves, never followed.
void delete_work_folder();

}  // namespace flashhost
