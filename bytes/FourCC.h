#ifndef CLIPREEL_BYTES_FOURCC_H
#define CLIPREEL_BYTES_FOURCC_H

#include <cstdint>

namespace clipreel {

// The four-character code of a literal: FourCC("moov") == 0x6D6F6F76.
constexpr std::uint32_t FourCC(const char (&code)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

}

#endif
