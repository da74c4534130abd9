#ifndef CLIPREEL_SOURCE_MOVIE_CHECKS_H
#define CLIPREEL_SOURCE_MOVIE_CHECKS_H

// The checks promise that each atom reaches past the fields named there.
#include "source/AtomFields.h"
#include "source/MovieDirectory.h"

namespace clipreel {

// Whether a track's media lies in the movie's own file: its data reference
// has the self-reference flag.
bool MediaInOwnFile(const MyMovieDirectory& directory, const MyTrackMediaDirectory& track);

// Every track has the atoms the queries read, each long enough for the
// fields read from it and every table as long as its count says; the movie
// has a header.
bool CheckMovieStructure(const MyMovieDirectory& directory);

// The video track stores one frame per chunk, all of one duration; the
// sound track, if any, has fixed-size samples of duration 1.
bool CheckMovieMedia(const MyMovieDirectory& directory);

}

#endif
