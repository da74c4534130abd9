#include "editor/copiers/CopyContext.h"

#include "ClipreelMovie.h"

namespace clipreel {

std::uint32_t CopyContext::headerDuration() const {
    const std::uint32_t duration = static_cast<std::uint32_t>(reel->GetTotalDuration());
    const std::int32_t videoTimeScale = reel->GetTimeScale();
    if (movieTimeScale == 0 || videoTimeScale <= 0 ||
        movieTimeScale == static_cast<std::uint32_t>(videoTimeScale))
        return duration;
    const std::uint64_t converted =
        static_cast<std::uint64_t>(duration) * movieTimeScale / static_cast<std::uint64_t>(videoTimeScale);
    return static_cast<std::uint32_t>(converted);
}

}
