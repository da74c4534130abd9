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
    ByteWriter(void* data, std::size_t size)
        : data_(static_cast<std::uint8_t*>(data)), size_(data ? size : 0) {}

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return size_ - pos_; }
    bool HasRoom(std::size_t count) const { return count <= remaining(); }

    bool Seek(std::size_t pos) {
        if (pos > size_) return false;
        pos_ = pos;
        return true;
    }
    bool Skip(std::size_t count) {
        if (!HasRoom(count)) return false;
        pos_ += count;
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
        Encode(data_ + pos_, value, order);
        pos_ += sizeof(T);
        return true;
    }

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
};

}

#endif
