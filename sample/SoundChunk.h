#ifndef CLIPREEL_SAMPLE_SOUND_CHUNK_H
#define CLIPREEL_SAMPLE_SOUND_CHUNK_H

#include "sample/SampleMovieTypes.h"

#include <cstdint>
#include <vector>

namespace clipreel {
namespace sample {

// Bytes per sound frame (all channels of one sample instant); throws
// std::invalid_argument for a format the writer cannot produce.
std::uint32_t SoundBytesPerFrame(const SoundSpec& sound);

// One unit's sound: a sine whose pitch tells the unit, in the spec's sample
// format ('sowt' little-endian signed, 'twos' big-endian signed, 'raw '
// unsigned).
void FillSoundChunk(const SoundSpec& sound, unsigned unitIndex, std::uint32_t samples, std::vector<std::uint8_t>& out);

}
}

#endif
