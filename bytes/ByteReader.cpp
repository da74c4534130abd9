#include "bytes/ByteReader.h"

#include <cstring>

namespace clipreel {

bool ByteReader::ReadBytes(void* out, std::size_t count) {
    if (!HasBytes(count)) return false;
    if (count != 0) std::memcpy(out, window + cursor, count);
    cursor += count;
    return true;
}

bool ByteReader::Sub(std::size_t offset, std::size_t length, ByteReader& out) const {
    if (offset > windowSize || length > windowSize - offset) return false;
    out = ByteReader(window + offset, length);
    return true;
}

bool ByteReader::Take(std::size_t length, ByteReader& out) {
    if (!Sub(cursor, length, out)) return false;
    cursor += length;
    return true;
}

bool ByteReader::PeekU16(std::size_t offset, std::uint16_t& out, ByteOrder order) const {
    if (offset > windowSize || windowSize - offset < 2) return false;
    out = Decode<std::uint16_t>(window + offset, order);
    return true;
}

bool ByteReader::PeekU32(std::size_t offset, std::uint32_t& out, ByteOrder order) const {
    if (offset > windowSize || windowSize - offset < 4) return false;
    out = Decode<std::uint32_t>(window + offset, order);
    return true;
}

}
