#include "source/MovieUserData.h"

#include "bytes/FourCC.h"
#include "source/AtomHeader.h"

#include <cstring>

namespace clipreel {

bool FindUserDataChild(const MyMovieDirectory& directory, std::uint32_t type, AtomSpan& child) {
    if (!directory.validStructure || !directory.userData.Found()) return false;
    const ByteReader udta = directory.Read(directory.userData);
    std::size_t position = AtomHeaderSize;
    // Fewer than 8 bytes left (such as the customary terminating zero) hold
    // no child.
    while (udta.size() - position >= AtomHeaderSize) {
        std::uint32_t size = 0;
        std::uint32_t childType = 0;
        if (!udta.PeekU32BE(position, size) || !udta.PeekU32BE(position + 4, childType)) return false;
        if (size < AtomHeaderSize || size > udta.size() - position) return false;
        if (childType == type) {
            child = AtomSpan{directory.userData.offset + position, size};
            return true;
        }
        position += size;
    }
    return false;
}

std::uint32_t ReadCreatorVersion(const MyMovieDirectory& directory) {
    AtomSpan ztcv;
    if (!FindUserDataChild(directory, FourCC("ZTCV"), ztcv)) return 0;
    const std::size_t payload = ztcv.size - AtomHeaderSize;
    if (payload != 12 && payload != 30) return 0;
    ByteReader cursor = directory.Read(ztcv);
    std::uint8_t record[12] = {};
    if (!cursor.Skip(AtomHeaderSize) || !cursor.ReadBytes(record, sizeof record)) return 0;
    static const char Signature[8] = {'Z', 'e', 'n', 't', 'i', 'A', 'V', 'C'};
    if (std::memcmp(record, Signature, sizeof Signature) != 0) return 0;
    std::uint32_t version = 0;
    for (std::size_t i = 8; i < sizeof record; ++i) {
        const std::uint8_t digit = record[i];
        if (digit < '0' || digit > '9') return 0;
        version = version * 10 + static_cast<std::uint32_t>(digit - '0');
    }
    return version;
}

bool FindThumbnailAtom(const MyMovieDirectory& directory, AtomSpan& ztda) {
    AtomSpan ztth;
    if (!FindUserDataChild(directory, FourCC("ZTTH"), ztth)) return false;
    const ByteReader atom = directory.Read(ztth);
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    if (!atom.PeekU32BE(AtomHeaderSize, size) || !atom.PeekU32BE(AtomHeaderSize + 4, type)) return false;
    if (type != FourCC("ZTDA") || size < AtomHeaderSize || size > atom.size() - AtomHeaderSize) return false;
    ztda = AtomSpan{ztth.offset + AtomHeaderSize, size};
    return true;
}

}
