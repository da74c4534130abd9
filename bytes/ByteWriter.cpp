#include "bytes/ByteWriter.h"

#include <cstring>

namespace clipreel {

bool ByteWriter::WriteBytes(const void* bytes, std::size_t count) {
    if (!HasRoom(count)) return false;
    if (count != 0) std::memcpy(data_ + pos_, bytes, count);
    pos_ += count;
    return true;
}

bool ByteWriter::WriteZeros(std::size_t count) {
    if (!HasRoom(count)) return false;
    if (count != 0) std::memset(data_ + pos_, 0, count);
    pos_ += count;
    return true;
}

bool ByteWriter::PokeU16(std::size_t offset, std::uint16_t value, ByteOrder order) {
    if (offset > size_ || size_ - offset < 2) return false;
    Encode(data_ + offset, value, order);
    return true;
}

bool ByteWriter::PokeU32(std::size_t offset, std::uint32_t value, ByteOrder order) {
    if (offset > size_ || size_ - offset < 4) return false;
    Encode(data_ + offset, value, order);
    return true;
}

}
