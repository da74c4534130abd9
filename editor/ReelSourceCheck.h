#ifndef CLIPREEL_EDITOR_REEL_SOURCE_CHECK_H
#define CLIPREEL_EDITOR_REEL_SOURCE_CHECK_H

class CZentiMovFile;
class CClipreelMovie;

namespace clipreel {

// Whether a source file can be saved from at all: it is valid and its movie
// is a Clipreel movie. Every operation asks this before anything else.
bool IsClipreelSource(const CZentiMovFile& source);

// Whether a reel describes this source file: both are valid, the source is a
// Clipreel movie with as many shooting units and frames as the reel, the
// same frames and sound samples per stored sample unit, and every kept unit
// covers the very block of the source (offset and size) that the source's
// own tables give for its original index. Every operation that reads the
// source's tables through a reel asks this first, so that a reel made from
// another file can never send the copiers to samples the source does not
// have. The reel's own index queries may raise std::invalid_argument for an
// editing list that names units it does not have.
bool ReelMatchesSource(const CZentiMovFile& source, const CClipreelMovie& reel);

}

#endif
