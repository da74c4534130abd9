#include "cli/CutPoint.h"

#include "ClipreelReelOperations.h"
#include "MovieDetails.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "cli/CommandPaths.h"
#include "cli/FileLayout.h"

namespace clipreel {
namespace cli {

std::string DescribeCutAtAnAtomEnd(const std::string& path, const CZentiMovFile& file) {
    FileLayout layout;
    std::string reason;
    // Only a file tiled by whole atoms, a movie atom among them.
    if (!ReadFileLayout(ArgumentPath(path), layout, reason) || layout.Truncated() || !layout.movieAtom ||
        layout.trailingBytes != 0)
        return std::string();
    // The library's own rule for a cut file, the one salvage goes by.
    if (!CClipreelReelSalvager(file.GetFileLocator()).IsTruncated()) return std::string();
    const CZentiMovie* movie = file.GetZentiMovie();
    const std::uint64_t recorded = movie != nullptr ? CMovieDetails(*movie).GetRecordedFileSize() : 0;
    std::string words = "is truncated: " + std::to_string(layout.fileSize) + " bytes";
    if (recorded > layout.fileSize) words += ", its camera record gives " + std::to_string(recorded);
    if (!layout.mediaData) words += ", and it ends before its media data";
    return words;
}

}
}
