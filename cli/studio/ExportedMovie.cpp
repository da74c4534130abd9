#include "ExportedMovie.h"

#include "ClipreelMovie.h"
#include "ClipreelReelOperations.h"
#include "ZentiMovFile.h"
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
    const CZentiMovFile file{cli::LocatorFor(source)};
    if (!file.IsValid()) return CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
    CClipreelMovie reel(&file);
    if (!reel.IsValid()) return CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
    std::vector<unsigned> current;
    reel.GetEditingState(current);
    if (order != current && (!reel.IsEditable() || !reel.SetEditingState(order))) {
        return CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
    }
    CClipreelReelExporter exporter(file);
    exporter.SetProgressCallback(callback, userData);
    return exporter.CreateExportedMp4File(reel, cli::LocatorFor(destination));
}

}
}
