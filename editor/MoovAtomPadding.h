#ifndef CLIPREEL_EDITOR_MOOV_ATOM_PADDING_H
#define CLIPREEL_EDITOR_MOOV_ATOM_PADDING_H

#include <cstdint>

class CMoovAtomAlignmentInfo;

namespace clipreel {

// The size of the 'free' atom that ends a movie atom of movieAtomSize bytes
// written at alignment.offset, so that the byte after it falls on an
// alignment.alignment boundary counted from the file start:
// alignment − ((offset + size) mod alignment) in 32-bit arithmetic, grown by
// the alignment until it holds an 8-byte atom header. A movie atom that
// already ends on a boundary still gets a whole alignment of padding; with
// alignment 16 the padding lies between 8 and 23 bytes. An alignment of 0
// asks for no padding (0).
std::uint32_t MoovAtomPadding(const CMoovAtomAlignmentInfo& alignment, std::uint32_t movieAtomSize);

}

#endif
