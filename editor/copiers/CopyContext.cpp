#include "editor/copiers/CopyContext.h"

#include "editor/NewMoviePlan.h"

namespace clipreel {

std::uint32_t CopyContext::headerDuration() const {
    const std::uint32_t duration = plan->videoDuration;
    const std::int32_t videoTimeScale = plan->videoTimeScale;
    if (movieTimeScale == 0 || videoTimeScale <= 0 ||
        movieTimeScale == static_cast<std::uint32_t>(videoTimeScale))
        return duration;
    const std::uint64_t converted =
        static_cast<std::uint64_t>(duration) * movieTimeScale / static_cast<std::uint64_t>(videoTimeScale);
    return static_cast<std::uint32_t>(converted);
}

}
