#include "platform/ShareableMovieExport.h"

namespace clipreel {
namespace platform {

// The Windows build has no MP4 writer or AAC encoder: Media Foundation's
// would re-encode or re-time the frames, which the export promises not to.
bool shareableMovieExportAvailable() { return false; }

ExportStatus exportShareableMovie(const ShareableMovieRequest&) { return ExportStatus::NotSupported; }

}
}
