// CZentiMovFile over arbitrary file bytes: the scan, the movie atom, the
// camera records and every query on what was parsed.
#include "ZentiMovFile.h"
#include "fuzz/MovieQueries.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

// One file per fuzzing process, rewritten for each input.
const std::filesystem::path& InputPath() {
    static const std::filesystem::path path = [] {
        std::random_device random;
        return std::filesystem::temp_directory_path() /
               ("clipreel-fuzz-" + std::to_string(random()) + "-" + std::to_string(random()) + ".mov");
    }();
    return path;
}

struct RemoveInputAtExit {
    ~RemoveInputAtExit() {
        std::error_code ignored;
        std::filesystem::remove(InputPath(), ignored);
    }
} removeInputAtExit;

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(InputPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) return 0;
    }
    const std::wstring path = InputPath().wstring();
    const CZentiMovFile file(FileLocator(path.c_str()));
    volatile unsigned sink = file.IsValid();
    sink = sink + file.GetCreatorVersion();
    const clipreel::CTopLevelAtoms* atoms = clipreel::MoviePrivateAccess::GetTopLevelAtoms(file);
    for (unsigned i = 0; i < atoms->GetCount(); ++i) sink = sink + static_cast<unsigned>(atoms->GetAt(i).size);
    clipreel::TopLevelAtomInfo moov{};
    sink = sink + atoms->FindMovieAtom(moov);
    if (const CZentiMovie* movie = file.GetZentiMovie()) {
        sink = sink + clipreel::fuzz::AskEverything(*movie);
        sink = sink + clipreel::fuzz::PatchACopy(*movie);
    }
    return 0;
}
