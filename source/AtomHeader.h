#ifndef CLIPREEL_SOURCE_ATOM_HEADER_H
#define CLIPREEL_SOURCE_ATOM_HEADER_H

#include <cstdint>

namespace clipreel {

// The 8-byte QuickTime atom header as stored: a big-endian 32-bit size that
// includes the header, then the four-character type. Read it through
// ByteReader; it is only ever a view of bytes.
struct AtomHeader {
    std::uint8_t size[4];
    std::uint8_t type[4];
};
static_assert(sizeof(AtomHeader) == 8, "an atom header is 8 bytes");

constexpr std::uint32_t AtomHeaderSize = 8;

}

#endif
