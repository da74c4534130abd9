#ifndef CLIPREEL_SOURCE_MOVIE_USER_DATA_H
#define CLIPREEL_SOURCE_MOVIE_USER_DATA_H

#include "source/MovieDirectory.h"

#include <cstdint>

namespace clipreel {

// The first child of the movie's 'udta' with this type; false when the
// movie fails its structure check or has no such child. A child that runs
// past the 'udta', or is shorter than a header, ends the search.
bool FindUserDataChild(const MyMovieDirectory& directory, std::uint32_t type, AtomSpan& child);

// The creator version from the camera's 'ZTCV' record ("ZentiAVC" and four
// decimal digits); 0 when absent or malformed.
std::uint32_t ReadCreatorVersion(const MyMovieDirectory& directory);

// The 'ZTDA' child that opens the 'ZTTH' atom; it must lie inside its
// 'ZTTH'. ztda spans the whole 'ZTDA' atom; its payload is the thumbnail.
bool FindThumbnailAtom(const MyMovieDirectory& directory, AtomSpan& ztda);

}

#endif
