// CZentiMovie's copy of its sound format lives with the sound formats: the
// movie only locates the description, CSoundFormatInfo owns the conversion.
#include "ZentiMovie.h"

#include "bytes/ByteReader.h"
#include "source/AtomHeader.h"

#include <cstdint>
#include <memory>

CSoundFormatInfo* CZentiMovie::CopySoundFormatInfo() const {
    const SoundDescriptionV1* description = getSoundDescriptionInMoovAtom();
    if (description == nullptr) {
        return nullptr;
    }
    // The description's own size field says how many bytes are copied; the
    // copy is only made when that many bytes lie inside the movie atom copy.
    // Otherwise the description is unusable and the format is not valid.
    const SoundDescriptionV1* usable = nullptr;
    const clipreel::AtomHeader* atom = GetAtomHeader();
    if (atom != nullptr) {
        const std::uintptr_t atomStart = reinterpret_cast<std::uintptr_t>(atom);
        const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(description);
        const std::uintptr_t atomSize = GetAtomSize();
        if (start >= atomStart && start - atomStart <= atomSize) {
            const std::size_t available = static_cast<std::size_t>(atomSize - (start - atomStart));
            clipreel::ByteReader reader(description, available);
            std::uint32_t statedSize = 0;
            if (reader.ReadU32BE(statedSize) && statedSize <= available) {
                usable = description;
            }
        }
    }
    return std::make_unique<CSoundFormatInfo>(usable).release();
}
