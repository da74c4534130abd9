#include "bytes/ByteBuffer.h"

namespace clipreel {

void ByteBuffer::AppendFourCC(const char (&code)[5]) {
    AppendU32BE(FourCC(code));
}

void ByteBuffer::AppendBytes(const void* data, std::size_t count) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    stored.insert(stored.end(), p, p + count);
}

bool ByteBuffer::PatchU16(std::size_t offset, std::uint16_t value, ByteOrder order) {
    ByteWriter writer(stored.data(), stored.size());
    return writer.PokeU16(offset, value, order);
}

bool ByteBuffer::PatchU32(std::size_t offset, std::uint32_t value, ByteOrder order) {
    ByteWriter writer(stored.data(), stored.size());
    return writer.PokeU32(offset, value, order);
}

}
