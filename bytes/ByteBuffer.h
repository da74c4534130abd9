#ifndef CLIPREEL_BYTES_BYTE_BUFFER_H
#define CLIPREEL_BYTES_BYTE_BUFFER_H

#include "bytes/ByteOrder.h"
#include "bytes/FourCC.h"
#include "bytes/ByteWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace clipreel {

// A growable byte buffer for building atoms and records front to back;
// sizes written before their content is known are patched afterwards.
class ByteBuffer {
public:
    std::vector<std::uint8_t>& bytes() { return stored; }
    const std::vector<std::uint8_t>& bytes() const { return stored; }
    std::size_t size() const { return stored.size(); }
    std::uint8_t* data() { return stored.data(); }
    const std::uint8_t* data() const { return stored.data(); }

    void AppendU8(std::uint8_t value) { stored.push_back(value); }
    void AppendU16(std::uint16_t value, ByteOrder order) { Append(value, order); }
    void AppendU32(std::uint32_t value, ByteOrder order) { Append(value, order); }
    void AppendU64(std::uint64_t value, ByteOrder order) { Append(value, order); }
    void AppendU16BE(std::uint16_t value) { Append(value, ByteOrder::Big); }
    void AppendU32BE(std::uint32_t value) { Append(value, ByteOrder::Big); }
    void AppendFourCC(std::uint32_t code) { Append(code, ByteOrder::Big); }
    void AppendFourCC(const char (&code)[5]);
    void AppendBytes(const void* data, std::size_t count);
    void AppendText(const std::string& text) { AppendBytes(text.data(), text.size()); }
    void AppendZeros(std::size_t count) { stored.insert(stored.end(), count, 0); }

    // Patches a value written earlier; false when it would not fit.
    bool PatchU16(std::size_t offset, std::uint16_t value, ByteOrder order);
    bool PatchU32(std::size_t offset, std::uint32_t value, ByteOrder order);
    bool PatchU32BE(std::size_t offset, std::uint32_t value) { return PatchU32(offset, value, ByteOrder::Big); }

private:
    // Grown first and encoded in place: GCC 12 at -O2 misreads an insert of a
    // small array into an empty vector as an overflow (-Wstringop-overflow).
    template <typename T>
    void Append(T value, ByteOrder order) {
        const std::size_t at = stored.size();
        stored.resize(at + sizeof(T));
        ByteWriter::Encode(stored.data() + at, value, order);
    }

    std::vector<std::uint8_t> stored;
};


}

#endif
