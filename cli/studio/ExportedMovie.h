#ifndef CLIPREEL_STUDIO_EXPORTED_MOVIE_H
#define CLIPREEL_STUDIO_EXPORTED_MOVIE_H

#include "ClipreelMovFileEditor.h"

#include <filesystem>
#include <string>
#include <vector>

namespace clipreel {
namespace studio {

// Why the studio cannot export in this build; empty when it can.
std::string ExportUnavailableReason();

// Writes the units `order` (original numbers) of the reel at source to
// destination as an MP4 for sharing, through the library's exporter. The
// source is opened afresh, as for a save.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteExportedMovie(const std::filesystem::path& source,
                                                               const std::vector<unsigned>& order,
                                                               const std::filesystem::path& destination,
                                                               ClipreelProgressCallback callback, void* userData);

}
}

#endif
