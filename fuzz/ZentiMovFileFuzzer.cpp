// CZentiMovFile over arbitrary file bytes: the scan, the movie atom, the
// camera records and every query on what was parsed. The file lies in
// memory behind the platform file layer.
#include "ZentiMovFile.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/MovieQueries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wchar_t* const path = L"/fuzz/input.mov";
    clipreel::fuzz::Files().Hold(path, data, size);
    const CZentiMovFile file((FileLocator(path)));
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
