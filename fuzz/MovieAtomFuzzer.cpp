// CZentiMovie over arbitrary movie-atom bytes, without a file: the input is
// the atom's content after its header, whose size field is made to match.
#include "ZentiMovie.h"
#include "bytes/ByteWriter.h"
#include "bytes/FourCC.h"
#include "fuzz/MovieQueries.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0xFFFFFFF0u) return 0;
    // Exactly as many bytes as the header says, so that the sanitizer
    // catches a read one past the atom.
    std::vector<std::uint8_t> atom(size + 8);
    clipreel::ByteWriter header(atom.data(), 8);
    header.WriteU32BE(static_cast<std::uint32_t>(atom.size()));
    header.WriteFourCC(clipreel::FourCC("moov"));
    if (size > 0) std::copy(data, data + size, atom.begin() + 8);
    const auto movie =
        clipreel::MoviePrivateAccess::NewMovie(reinterpret_cast<const clipreel::AtomHeader*>(atom.data()), nullptr);
    volatile unsigned sink = clipreel::fuzz::AskEverything(*movie);
    sink = sink + clipreel::fuzz::PatchACopy(*movie);
    return 0;
}
