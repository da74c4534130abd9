#ifndef CLIPREEL_PLATFORM_RANDOM_GUID_H
#define CLIPREEL_PLATFORM_RANDOM_GUID_H

#include "platform/HResult.h"

#include <cstdint>

namespace clipreel {
namespace platform {

constexpr unsigned GuidSize = 16;

// A new random (version 4) GUID, its 16 bytes in the GUID structure's
// in-memory order: Data1 (32 bits), Data2 and Data3 (16 bits each) in the
// machine's little-endian order, then the 8 bytes of Data4. On Windows this
// is CoCreateGuid; elsewhere 16 bytes of the system's random source with
// the version and variant bits set. Negative when no GUID could be made
// (guid is then untouched).
HResult CreateRandomGuid(std::uint8_t guid[GuidSize]);

}
}

#endif
