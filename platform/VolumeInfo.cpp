#include "platform/VolumeInfo.h"

namespace clipreel {
namespace platform {

VolumeServices::~VolumeServices() = default;

}
}
