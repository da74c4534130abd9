#include "sample/DummyFrame.h"

#include "bytes/ByteWriter.h"

#include <algorithm>

namespace clipreel {
namespace sample {

namespace {

std::uint32_t Mix(std::uint32_t value) {
    value ^= value >> 16;
    value *= 0x7FEB352DU;
    value ^= value >> 15;
    value *= 0x846CA68BU;
    value ^= value >> 16;
    return value;
}

}

std::uint32_t DummyFrameSize(unsigned index, bool keyFrame, unsigned width, unsigned height) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
    const std::uint64_t base = std::max<std::uint64_t>(keyFrame ? 96 : 48, pixels / (keyFrame ? 16 : 64));
    const std::uint64_t spread = base / 4 + 1;
    return static_cast<std::uint32_t>(base + Mix(index * 2654435761U + 1U) % spread);
}

void FillDummyFrame(unsigned index, bool keyFrame, std::uint8_t* out, std::uint32_t size) {
    std::uint32_t state = Mix(index + 0x51ED270BU) | 1U;
    std::uint32_t pos = 0;
    while (pos < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        if (size - pos >= 4) {
            ByteWriter::Encode(out + pos, state, ByteOrder::Little);
            pos += 4;
        } else {
            for (int i = 0; pos < size; ++i, ++pos) out[pos] = static_cast<std::uint8_t>(state >> (8 * i));
        }
    }
    if (size >= DummyFrameIndexOffset + 4) {
        ByteWriter::Encode(out, static_cast<std::uint32_t>(size - 4), ByteOrder::Big);
        out[4] = keyFrame ? 0x65 : 0x41;
        ByteWriter::Encode(out + DummyFrameIndexOffset, static_cast<std::uint32_t>(index), ByteOrder::Big);
    }
}

}
}
