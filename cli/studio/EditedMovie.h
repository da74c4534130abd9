#ifndef CLIPREEL_STUDIO_EDITED_MOVIE_H
#define CLIPREEL_STUDIO_EDITED_MOVIE_H

#include "ClipreelMovFileEditor.h"

#include <filesystem>
#include <string>
#include <vector>

namespace clipreel {
namespace studio {

// Writes the units `order` (original numbers) of the reel at source to
// destination through the library: a new self-contained movie, or a
// reference movie whose media stay in the source. The source is opened
// afresh, so a save runs beside the server's other readers of the reel.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteEditedMovie(const std::filesystem::path& source,
                                                             const std::vector<unsigned>& order,
                                                             const std::filesystem::path& destination,
                                                             bool reference, ClipreelProgressCallback callback,
                                                             void* userData);

// A plain file name for a new movie in a reel's folder: no folder part, no
// leading dot, no control characters, ending in .mov; empty when acceptable,
// otherwise why not.
std::string CheckOutputName(const std::string& name);

}
}

#endif
