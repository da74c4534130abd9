#ifndef CLIPREEL_STUDIO_EDITED_MOVIE_H
#define CLIPREEL_STUDIO_EDITED_MOVIE_H

#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace clipreel {
namespace studio {

// The reel at source opened afresh with the units `order` (original
// numbers) as its editing list, for a writer that runs beside the server's
// other readers of the reel; not Valid when the file is no reel or the order
// does not fit it.
struct ReelInOrder {
    ReelInOrder(const std::filesystem::path& source, const std::vector<unsigned>& order);
    bool Valid() const { return valid; }

    const CZentiMovFile file;
    CClipreelMovie reel;
    bool valid = false;
};

// Writes the units `order` (original numbers) of the reel at source to
// destination through the library: a new self-contained movie, or a
// reference movie whose media stay in the source. The source is opened
// afresh, so a save runs beside the server's other readers of the reel.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteEditedMovie(const std::filesystem::path& source,
                                                             const std::vector<unsigned>& order,
                                                             const std::filesystem::path& destination,
                                                             bool reference, ClipreelProgressCallback callback,
                                                             void* userData);

// One reel's part of a joined movie: its kept units in order.
struct JoinPart {
    std::filesystem::path source;
    std::vector<unsigned> order;
};

// Why the parts cannot be joined into one reel (not of one shape, or a list
// the reel does not have), or empty when they can.
std::string JoinRefusal(const std::vector<JoinPart>& parts);

// Writes the parts' units, part after part, as one new reel through the
// library's joiner.
CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteJoinedMovie(const std::vector<JoinPart>& parts,
                                                             const std::filesystem::path& destination,
                                                             ClipreelProgressCallback callback, void* userData);

// A plain file name for a new movie in a reel's folder: no folder part, no
// leading dot, no control characters, ending in the extension (".mov", or
// ".mp4" for an export), in any case; empty when acceptable, otherwise why not.
std::string CheckOutputName(const std::string& name, const std::string& extension = ".mov");

}
}

#endif
