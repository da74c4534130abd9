// MovieDesc over arbitrary thumbnail bytes. The bytes are copied into a
// buffer of exactly their size so that any read past the end is caught.
#include "source/MovieDesc.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> thumbnail(data, data + size);
    const clipreel::MovieDesc desc(static_cast<unsigned>(size), thumbnail.empty() ? nullptr : thumbnail.data());
    // What a writer would patch must lie inside the thumbnail.
    if (desc.recordSize != 0 && (desc.recordOffset > size || desc.recordSize > size - desc.recordOffset)) {
        __builtin_trap();
    }
    if (desc.imageIdSize != 0 && (desc.imageIdOffset > size || desc.imageIdSize > size - desc.imageIdOffset)) {
        __builtin_trap();
    }
    if (desc.valid && desc.recordSize == 0) __builtin_trap();
    return 0;
}
