#include "reference/ReferenceMovieAtom.h"

#include "ZentiMovie.h"
#include "editor/MovieAtomCopy.h"
#include "reference/AliasRecordEx.h"

#include <cstdint>
#include <cstdlib>

namespace clipreel {

std::unique_ptr<CZentiMovie> copyMovieAtomWithAlias(const FileLocator& sourcePath, const CZentiMovie& source,
                                                    const CClipreelMovie* reel) {
    return copyMovieAtomWithAlias(sourcePath, source, reel, platform::SystemVolumeServices(),
                                  NativeAliasPathStyle());
}

std::unique_ptr<CZentiMovie> copyMovieAtomWithAlias(const FileLocator& sourcePath, const CZentiMovie& source,
                                                    const CClipreelMovie* reel, platform::VolumeServices& services,
                                                    AliasPathStyle style) {
    std::uint32_t length = 0;
    std::unique_ptr<std::uint8_t, decltype(&std::free)> record(nullptr, &std::free);
    {
        const CAliasRecordEx alias(static_cast<const wchar_t*>(sourcePath), services, style);
        record.reset(static_cast<std::uint8_t*>(alias.GetRecordData(length)));
    }
    // Without a record the tracks would keep their references to media in
    // the movie's own file, which a reference movie does not hold.
    if (!record) return nullptr;
    return CopyMovieAtomWithAliasRecord(source, reel, record.get(), length);
}

}
