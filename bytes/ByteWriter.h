#ifndef CLIPREEL_BYTES_BYTE_WRITER_H
#define CLIPREEL_BYTES_BYTE_WRITER_H

#include "bytes/ByteOrder.h"

#include <cstddef>
#include <cstdint>

namespace clipreel {

// A bounds-checked cursor for writing and patching a fixed buffer: sizes,
// chunk offsets, record fields. Byte order is decided here and nowhere else.
class ByteWriter {
public:
    ByteWriter() = default;
    ByteWriter(void* data, std::size_t size) : window(static_cast<std::uint8_t*>(data)), windowSize(data ? size : 0) {}

    std::uint8_t* data() const { return window; }
    std::size_t size() const { return windowSize; }
    std::size_t position() const { return cursor; }
    std::size_t remaining() const { return windowSize - cursor; }
    bool HasRoom(std::size_t count) const { return count <= remaining(); }

    bool Seek(std::size_t pos) {
        if (pos > windowSize) return false;
        cursor = pos;
        return true;
    }
    bool Skip(std::size_t count) {
        if (!HasRoom(count)) return false;
        cursor += count;
        return true;
    }

    bool WriteU8(std::uint8_t value) { return WriteInteger(value, ByteOrder::Big); }
    bool WriteU16(std::uint16_t value, ByteOrder order) { return WriteInteger(value, order); }
    bool WriteU32(std::uint32_t value, ByteOrder order) { return WriteInteger(value, order); }
    bool WriteU64(std::uint64_t value, ByteOrder order) { return WriteInteger(value, order); }
    bool WriteU16BE(std::uint16_t value) { return WriteInteger(value, ByteOrder::Big); }
    bool WriteU32BE(std::uint32_t value) { return WriteInteger(value, ByteOrder::Big); }
    bool WriteU16LE(std::uint16_t value) { return WriteInteger(value, ByteOrder::Little); }
    bool WriteU32LE(std::uint32_t value) { return WriteInteger(value, ByteOrder::Little); }
    bool WriteFourCC(std::uint32_t code) { return WriteU32BE(code); }
    bool WriteBytes(const void* bytes, std::size_t count);
    bool WriteZeros(std::size_t count);

    // Writes at an absolute offset without moving the cursor.
    bool PokeU16(std::size_t offset, std::uint16_t value, ByteOrder order);
    bool PokeU32(std::size_t offset, std::uint32_t value, ByteOrder order);
    bool PokeU32BE(std::size_t offset, std::uint32_t value) { return PokeU32(offset, value, ByteOrder::Big); }

    template <typename T>
    static void Encode(std::uint8_t* p, T value, ByteOrder order) {
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            const std::size_t shift = order == ByteOrder::Big ? (sizeof(T) - 1 - i) * 8 : i * 8;
            p[i] = static_cast<std::uint8_t>(value >> shift);
        }
    }

private:
    template <typename T>
    bool WriteInteger(T value, ByteOrder order) {
        if (!HasRoom(sizeof(T))) return false;
        Encode(window + cursor, value, order);
        cursor += sizeof(T);
        return true;
    }

    std::uint8_t* window = nullptr;
    std::size_t windowSize = 0;
    std::size_t cursor = 0;
};

}

#endif
