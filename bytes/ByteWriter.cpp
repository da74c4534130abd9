#include "bytes/ByteWriter.h"

#include <cstring>

namespace clipreel {

bool ByteWriter::WriteBytes(const void* bytes, std::size_t count) {
    if (!HasRoom(count)) return false;
    if (count != 0) std::memcpy(window + cursor, bytes, count);
    cursor += count;
    return true;
}

bool ByteWriter::WriteZeros(std::size_t count) {
    if (!HasRoom(count)) return false;
    if (count != 0) std::memset(window + cursor, 0, count);
    cursor += count;
    return true;
}

bool ByteWriter::PokeU16(std::size_t offset, std::uint16_t value, ByteOrder order) {
    if (offset > windowSize || windowSize - offset < 2) return false;
    Encode(window + offset, value, order);
    return true;
}

bool ByteWriter::PokeU32(std::size_t offset, std::uint32_t value, ByteOrder order) {
    if (offset > windowSize || windowSize - offset < 4) return false;
    Encode(window + offset, value, order);
    return true;
}

}
