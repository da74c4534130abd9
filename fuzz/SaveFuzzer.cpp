// The save path over an arbitrary camera movie file and an arbitrary
// editing list: the copiers and the new movie atom they build, the edited
// save or the unchanged copy, and the reference movie, all into files held
// in memory. Whatever is built must parse again; a save that reports
// success must have written a movie file that opens as valid.
//
// Input: one byte n (taken modulo 8), n bytes of original unit indices (the
// editing list), then the movie file's bytes.
#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "editor/MovieAtomCopy.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/MovieQueries.h"
#include "source/MoviePrivateAccess.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using clipreel::MoviePrivateAccess;

// Parses the built atom's bytes anew from a buffer of exactly its size and
// asks everything of it.
unsigned ParseAgain(const CZentiMovie& built, bool mustBeValid) {
    const unsigned size = MoviePrivateAccess::GetAtomSize(built);
    const auto* header = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(built));
    std::vector<std::uint8_t> copy(header, header + size);
    const auto again =
        MoviePrivateAccess::NewMovie(reinterpret_cast<const clipreel::AtomHeader*>(copy.data()), nullptr);
    if (mustBeValid && !MoviePrivateAccess::IsValidStructure(*again)) std::abort();
    return clipreel::fuzz::AskEverything(*again);
}

unsigned ReadBack(const wchar_t* path, bool mustBeValid) {
    const CZentiMovFile file((FileLocator(path)));
    if (mustBeValid && !file.IsValid()) std::abort();
    const CZentiMovie* movie = file.GetZentiMovie();
    return movie == nullptr ? 0u : clipreel::fuzz::AskEverything(*movie);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t listLength = data[0] % 8u;
    if (size < 1 + listLength) return 0;
    const std::vector<unsigned> list(data + 1, data + 1 + listLength);
    const wchar_t* const source = L"/fuzz/source.mov";
    const wchar_t* const output = L"/fuzz/output.mov";
    const wchar_t* const reference = L"/fuzz/reference.mov";
    clipreel::fuzz::FuzzFiles& files = clipreel::fuzz::Files();
    files.Hold(source, data + 1 + listLength, size - 1 - listLength);

    const CZentiMovFile file((FileLocator(source)));
    const CZentiMovie* movie = file.GetZentiMovie();
    if (!file.IsValid() || movie == nullptr) return 0;
    CClipreelMovie reel(&file);
    volatile unsigned sink = 0;
    try {
        if (!list.empty()) sink = sink + reel.SetEditingState(list);
        const bool sourceValid = MoviePrivateAccess::IsValidStructure(*movie);
        if (const auto built = clipreel::copyMovieAtom(*movie, &reel, nullptr, true))
            sink = sink + ParseAgain(*built, sourceValid);

        CClipreelMovFileEditor editor(file);
        if (editor.CreateNewMovFile(FileLocator(output), &reel) == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS)
            sink = sink + ReadBack(output, true);
        if (editor.CreateReferenceMovFile(FileLocator(reference), &reel) ==
            CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS)
            sink = sink + ReadBack(reference, false);
    } catch (const std::invalid_argument&) {
        // The reel's own answer to an editing list it cannot take.
    }
    if (files.Layer().OpenHandleCount() != 0) std::abort();
    return 0;
}
