#include "sample/SoundChunk.h"

#include "bytes/FourCC.h"

#include <cmath>
#include <stdexcept>

namespace clipreel {
namespace sample {

std::uint32_t SoundBytesPerFrame(const SoundSpec& sound) {
    if (sound.format != FourCC("sowt") && sound.format != FourCC("twos") && sound.format != FourCC("raw ")) {
        throw std::invalid_argument("sound format must be 'sowt', 'twos' or 'raw '");
    }
    if (sound.bitsPerSample == 0 || sound.bitsPerSample % 8 != 0 || sound.bitsPerSample > 32) {
        throw std::invalid_argument("sound samples must be 8, 16, 24 or 32 bits");
    }
    if (sound.channels == 0) throw std::invalid_argument("sound needs at least one channel");
    if (sound.sampleRate == 0 || sound.sampleRate > 0xFFFF) {
        throw std::invalid_argument("sound sample rate must be 1 to 65535");
    }
    return static_cast<std::uint32_t>(sound.channels) * (sound.bitsPerSample / 8U);
}

void FillSoundChunk(const SoundSpec& sound, unsigned unitIndex, std::uint32_t samples, std::vector<std::uint8_t>& out) {
    const std::uint32_t bytesPerFrame = SoundBytesPerFrame(sound);
    const unsigned bytes = sound.bitsPerSample / 8U;
    const bool little = sound.format == FourCC("sowt");
    const bool offsetBinary = sound.format == FourCC("raw ");
    const double pi = 3.14159265358979323846;
    const double frequency = 220.0 * (1 + unitIndex % 8);
    const double amplitude = std::ldexp(0.25, static_cast<int>(sound.bitsPerSample) - 1);
    out.resize(static_cast<std::size_t>(samples) * bytesPerFrame);
    std::size_t pos = 0;
    for (std::uint32_t n = 0; n < samples; ++n) {
        const double phase = 2.0 * pi * frequency * n / sound.sampleRate;
        std::int64_t value = std::llround(amplitude * std::sin(phase));
        std::uint64_t raw = static_cast<std::uint64_t>(value);
        if (offsetBinary) raw += std::uint64_t{1} << (sound.bitsPerSample - 1);
        for (unsigned c = 0; c < sound.channels; ++c) {
            for (unsigned b = 0; b < bytes; ++b) {
                const unsigned shift = 8 * (little ? b : bytes - 1 - b);
                out[pos++] = static_cast<std::uint8_t>(raw >> shift);
            }
        }
    }
}

}
}
