// The tool's index-list parser over arbitrary text, and the keep and remove
// checks over whatever it accepts, against a unit count from the input.
#include "cli/IndexList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A check that accepted a list must give one the reel applies whole.
void Verify(bool ok, bool condition) {
    if (ok && !condition) std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned unitCount = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<unsigned> indices;
    std::string error;
    if (!clipreel::cli::ParseIndexList(text, indices, error)) {
        Verify(true, !error.empty());
        return 0;
    }
    std::vector<bool> seen(unitCount, false);
    bool inRangeAndUnique = !indices.empty();
    for (unsigned index : indices) {
        if (index >= unitCount || seen[index]) {
            inRangeAndUnique = false;
            break;
        }
        seen[index] = true;
    }
    std::string keepError;
    Verify(clipreel::cli::CheckKeepList(indices, unitCount, keepError), inRangeAndUnique);
    std::string removeError;
    const bool removable = clipreel::cli::CheckRemoveList(indices, unitCount, removeError);
    Verify(removable, inRangeAndUnique && indices.size() < unitCount);
    if (removable) {
        const std::vector<unsigned> kept = clipreel::cli::KeptAfterRemoving(indices, unitCount);
        Verify(true, kept.size() + indices.size() == unitCount);
        for (unsigned index : kept) Verify(true, index < unitCount && !seen[index]);
    }
    return 0;
}
