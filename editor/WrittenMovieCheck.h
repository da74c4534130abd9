#ifndef CLIPREEL_EDITOR_WRITTEN_MOVIE_CHECK_H
#define CLIPREEL_EDITOR_WRITTEN_MOVIE_CHECK_H

class FileLocator;

namespace clipreel {

struct NewMoviePlan;

// The last check of a new movie file before its writer reports success: its
// movie atom read back (the media data is not read) describes a valid reel
// of exactly the planned units, in order: per unit the same frames with the
// same sizes, the same sync samples, the same sound chunks with the same
// samples, and a block of the same size that lies wholly in the file.
bool WrittenMovieMatchesPlan(const FileLocator& written, const NewMoviePlan& plan);

}

#endif
