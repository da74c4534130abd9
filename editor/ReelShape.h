#ifndef CLIPREEL_EDITOR_REEL_SHAPE_H
#define CLIPREEL_EDITOR_REEL_SHAPE_H

#include <string>

class CZentiMovie;

namespace clipreel {

// Why two Clipreel movies cannot be joined into one reel: the first of the
// properties every unit of a reel shares (video time scale, frame duration,
// frames per unit, group of pictures, the video and sound sample
// descriptions byte for byte, creator version, record kind) in which
// `other` differs from `first`, in words; empty when they have one shape.
std::string ReelShapeDifference(const CZentiMovie& first, const CZentiMovie& other);

}

#endif
