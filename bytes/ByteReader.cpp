#include "bytes/ByteReader.h"

#include <cstring>

namespace clipreel {

bool ByteReader::ReadBytes(void* out, std::size_t count) {
    if (!HasBytes(count)) return false;
    if (count != 0) std::memcpy(out, data_ + pos_, count);
    pos_ += count;
    return true;
}

bool ByteReader::Sub(std::size_t offset, std::size_t length, ByteReader& out) const {
    if (offset > size_ || length > size_ - offset) return false;
    out = ByteReader(data_ + offset, length);
    return true;
}

bool ByteReader::Take(std::size_t length, ByteReader& out) {
    if (!Sub(pos_, length, out)) return false;
    pos_ += length;
    return true;
}

bool ByteReader::PeekU16(std::size_t offset, std::uint16_t& out, ByteOrder order) const {
    if (offset > size_ || size_ - offset < 2) return false;
    out = Decode<std::uint16_t>(data_ + offset, order);
    return true;
}

bool ByteReader::PeekU32(std::size_t offset, std::uint32_t& out, ByteOrder order) const {
    if (offset > size_ || size_ - offset < 4) return false;
    out = Decode<std::uint32_t>(data_ + offset, order);
    return true;
}

}
