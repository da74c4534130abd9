#include "editor/JpegImageData.h"

#include "bytes/ByteReader.h"

namespace clipreel {

namespace {

constexpr std::uint16_t StartOfImage = 0xFFD8;
constexpr std::uint16_t EndOfImage = 0xFFD9;
constexpr std::uint16_t StartOfScan = 0xFFDA;

bool StartsImageData(std::uint16_t marker) {
    return marker == 0xFFDB || marker == 0xFFC0 || marker == 0xFFC4 || marker == 0xFFDD;
}

}

const std::uint8_t* findJpegImageData(const void* jpeg, unsigned size, unsigned* remaining) {
    if (remaining != nullptr) *remaining = 0;
    if (jpeg == nullptr) return nullptr;
    ByteReader reader(jpeg, size);
    std::uint16_t marker = 0;
    if (!reader.ReadU16BE(marker) || marker != StartOfImage) return nullptr;
    for (;;) {
        const std::size_t at = reader.position();
        if (!reader.ReadU16BE(marker) || (marker >> 8) != 0xFF) return nullptr;
        if (StartsImageData(marker)) {
            if (remaining != nullptr) *remaining = static_cast<unsigned>(size - at);
            return reader.data() + at;
        }
        if (marker == EndOfImage || marker == StartOfScan) return nullptr;
        std::uint16_t length = 0;
        if (!reader.ReadU16BE(length)) return nullptr;
        // The segment and its marker must end before the data does.
        if (length < 2) return nullptr;  // a length counts its own two bytes
        const std::size_t segment = static_cast<std::size_t>(length) + 2;
        if (segment >= size - at) return nullptr;
        if (!reader.Seek(at + segment)) return nullptr;
    }
}

}
