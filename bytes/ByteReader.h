#ifndef CLIPREEL_BYTES_BYTE_READER_H
#define CLIPREEL_BYTES_BYTE_READER_H

#include "bytes/ByteOrder.h"

#include <cstddef>
#include <cstdint>

namespace clipreel {

// A bounds-checked cursor over bytes that came from a file. Every read
// checks that the bytes exist before touching them and returns false,
// leaving the cursor where it was, when they do not. Parsers never do
// pointer arithmetic with a size read from a file outside this class.
class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const void* data, std::size_t size)
        : window(static_cast<const std::uint8_t*>(data)), windowSize(data ? size : 0) {}

    const std::uint8_t* data() const { return window; }
    std::size_t size() const { return windowSize; }
    std::size_t position() const { return cursor; }
    std::size_t remaining() const { return windowSize - cursor; }
    bool HasBytes(std::size_t count) const { return count <= remaining(); }

    // Absolute positioning within the window; pos may equal size().
    bool Seek(std::size_t pos) {
        if (pos > windowSize) return false;
        cursor = pos;
        return true;
    }
    bool Skip(std::size_t count) {
        if (!HasBytes(count)) return false;
        cursor += count;
        return true;
    }

    bool ReadU8(std::uint8_t& out) { return ReadInteger(out, ByteOrder::Big); }
    bool ReadU16(std::uint16_t& out, ByteOrder order) { return ReadInteger(out, order); }
    bool ReadU32(std::uint32_t& out, ByteOrder order) { return ReadInteger(out, order); }
    bool ReadU64(std::uint64_t& out, ByteOrder order) { return ReadInteger(out, order); }
    bool ReadU16BE(std::uint16_t& out) { return ReadInteger(out, ByteOrder::Big); }
    bool ReadU32BE(std::uint32_t& out) { return ReadInteger(out, ByteOrder::Big); }
    bool ReadU64BE(std::uint64_t& out) { return ReadInteger(out, ByteOrder::Big); }
    bool ReadU16LE(std::uint16_t& out) { return ReadInteger(out, ByteOrder::Little); }
    bool ReadU32LE(std::uint32_t& out) { return ReadInteger(out, ByteOrder::Little); }
    // A four-character code is a big-endian 32-bit number: 'moov' is 0x6D6F6F76.
    bool ReadFourCC(std::uint32_t& out) { return ReadU32BE(out); }

    bool ReadBytes(void* out, std::size_t count);

    // A window of length bytes starting at offset (absolute in this window);
    // the cursor does not move.
    bool Sub(std::size_t offset, std::size_t length, ByteReader& out) const;
    // A window of length bytes at the cursor; the cursor moves past it.
    bool Take(std::size_t length, ByteReader& out);

    // Reads at an absolute offset without moving the cursor.
    bool PeekU16(std::size_t offset, std::uint16_t& out, ByteOrder order) const;
    bool PeekU32(std::size_t offset, std::uint32_t& out, ByteOrder order) const;
    bool PeekU16BE(std::size_t offset, std::uint16_t& out) const { return PeekU16(offset, out, ByteOrder::Big); }
    bool PeekU32BE(std::size_t offset, std::uint32_t& out) const { return PeekU32(offset, out, ByteOrder::Big); }

private:
    template <typename T>
    bool ReadInteger(T& out, ByteOrder order) {
        if (!HasBytes(sizeof(T))) return false;
        out = Decode<T>(window + cursor, order);
        cursor += sizeof(T);
        return true;
    }

public:
    template <typename T>
    static T Decode(const std::uint8_t* p, ByteOrder order) {
        T value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            const std::size_t shift = order == ByteOrder::Big ? (sizeof(T) - 1 - i) * 8 : i * 8;
            value = static_cast<T>(value | (static_cast<T>(p[i]) << shift));
        }
        return value;
    }

private:
    const std::uint8_t* window = nullptr;
    std::size_t windowSize = 0;
    std::size_t cursor = 0;
};

}

#endif
