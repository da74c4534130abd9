#ifndef CLIPREEL_REFERENCE_REFERENCE_MOVIE_ATOM_H
#define CLIPREEL_REFERENCE_REFERENCE_MOVIE_ATOM_H

#include "FileLocator.h"
#include "platform/VolumeInfo.h"
#include "reference/AliasTarget.h"

#include <memory>

class CZentiMovie;
class CClipreelMovie;

namespace clipreel {

// The movie atom of a reference movie: the source movie atom copied with
// every track's data reference replaced by one alias entry that points at
// the source file, and with a reel its sample tables rebuilt for the kept
// units with the source's own chunk offsets. Null when no alias record can
// be built for the source path (a reference movie whose media cannot be
// reached is no result) or the copy fails. The working buffer's allocation
// failure raises std::bad_alloc.
std::unique_ptr<CZentiMovie> copyMovieAtomWithAlias(const FileLocator& sourcePath, const CZentiMovie& source,
                                                    const CClipreelMovie* reel);

// The same with the given volume services and path spelling.
std::unique_ptr<CZentiMovie> copyMovieAtomWithAlias(const FileLocator& sourcePath, const CZentiMovie& source,
                                                    const CClipreelMovie* reel, platform::VolumeServices& services,
                                                    AliasPathStyle style);

}

#endif
