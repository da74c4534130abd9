#include "platform/RandomGuid.h"

#include <cerrno>
#include <cstddef>
#include <sys/random.h>

namespace clipreel {
namespace platform {

HResult CreateRandomGuid(std::uint8_t guid[GuidSize]) {
    if (guid == nullptr) return HResultPointer;
    std::uint8_t bytes[GuidSize];
    std::size_t filled = 0;
    while (filled < GuidSize) {
        const ssize_t got = getrandom(bytes + filled, GuidSize - filled, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return HResultFail;
        }
        filled += static_cast<std::size_t>(got);
    }
    // Data3 is stored least significant byte first, so its version nibble
    // is the high half of byte 7; the variant bits lead Data4 (byte 8).
    bytes[7] = static_cast<std::uint8_t>((bytes[7] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    for (unsigned i = 0; i < GuidSize; ++i) guid[i] = bytes[i];
    return HResultOk;
}

}
}
