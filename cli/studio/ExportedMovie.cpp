#include "ExportedMovie.h"

#include "ClipreelReelOperations.h"
#include "EditedMovie.h"
#include "cli/CommandPaths.h"

namespace clipreel {
namespace studio {

std::string ExportUnavailableReason() {
    if (CClipreelReelExporter::IsAvailable()) return std::string();
    return "export is not available in this build: it has no MP4 writer";
}

CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteExportedMovie(const std::filesystem::path& source,
                                                               const std::vector<unsigned>& order,
                                                               const std::filesystem::path& destination,
                                                               ClipreelProgressCallback callback, void* userData) {
    ReelInOrder opened(source, order);
    if (!opened.Valid()) return CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
    CClipreelReelExporter exporter(opened.file);
    exporter.SetProgressCallback(callback, userData);
    return exporter.CreateExportedMp4File(opened.reel, cli::LocatorFor(destination));
}

}
}
