#include "reference/ReferenceMovieAtom.h"

#include "ZentiMovie.h"
#include "editor/MovieAtomCopy.h"
#include "reference/AliasRecordEx.h"
#include "reference/AliasTarget.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace clipreel {

namespace {

// An alias record says where the file lies from its volume's root, so a
// source opened through a path relative to the current folder is resolved
// against that folder, as it was when the source was opened. A POSIX system
// follows each folder of a path to where it really is, so that "link/.."
// is the folder above the link's target: the folder is resolved through the
// file system, not by collapsing the text, and the file's own name is kept.
// Windows collapses ".." in the text itself. A path that cannot be resolved
// is left as it is (and then gives no record, or the record of its text).
std::wstring ResolvedSourcePath(const FileLocator& sourcePath) {
    const std::wstring path(static_cast<const wchar_t*>(sourcePath));
    try {
        const std::filesystem::path given(path);
        std::error_code error;
        if (NativeAliasPathStyle() == AliasPathStyle::Posix && given.has_parent_path() && given.has_filename()) {
            const std::filesystem::path folder = std::filesystem::canonical(given.parent_path(), error);
            if (!error) return (folder / given.filename()).wstring();
        }
        if (given.empty() || given.is_absolute()) return path;
        const std::filesystem::path absolute = std::filesystem::absolute(given, error);
        return error ? path : absolute.lexically_normal().wstring();
    } catch (const std::exception&) {
        return path;
    }
}

}

std::unique_ptr<CZentiMovie> copyMovieAtomWithAlias(const FileLocator& sourcePath, const CZentiMovie& source,
                                                    const CClipreelMovie* reel) {
    const std::wstring resolved = ResolvedSourcePath(sourcePath);
    return copyMovieAtomWithAlias(FileLocator(resolved.c_str()), source, reel, platform::SystemVolumeServices(),
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
