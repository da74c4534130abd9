#include "platform/RandomGuid.h"

#include <cstring>
#include <objbase.h>

namespace clipreel {
namespace platform {

static_assert(sizeof(GUID) == GuidSize, "a GUID is 16 bytes");

HResult CreateRandomGuid(std::uint8_t guid[GuidSize]) {
    if (guid == nullptr) return HResultPointer;
    GUID created;
    const HRESULT result = CoCreateGuid(&created);
    if (FAILED(result)) return static_cast<HResult>(result);
    std::memcpy(guid, &created, GuidSize);
    return HResultOk;
}

}
}
