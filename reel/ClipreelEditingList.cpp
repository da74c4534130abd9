// The editing list of a CClipreelMovie: which units are kept and in which
// order, the mapping between current and original indices, and the
// positions of kept units in the source and in the movie being written.
#include "ClipreelMovie.h"

#include "source/StoredSampleUnit.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void ThrowInvalidIndex() {
    throw std::invalid_argument(std::string("Invalid index"));
}

[[noreturn]] void ThrowInvalidOriginalIndex() {
    throw std::invalid_argument(std::string("Invalid originalIndex"));
}

[[noreturn]] void ThrowNotInEditingList() {
    throw std::invalid_argument(std::string("No originalIndex in editing list"));
}

// The checks of a walk over the kept units before currentIndex, without the
// walk: the index must be in the list, and every entry before it a source
// unit.
void CheckEntriesBefore(const std::vector<unsigned>& editingList, unsigned currentIndex, std::size_t unitCount) {
    if (currentIndex >= editingList.size()) {
        ThrowInvalidIndex();
    }
    const auto end = editingList.begin() + currentIndex;
    if (std::any_of(editingList.begin(), end, [unitCount](unsigned original) { return original >= unitCount; })) {
        ThrowInvalidOriginalIndex();
    }
}

}

bool CClipreelMovie::IsEdited() const {
    if (!valid || !editable) {
        return false;
    }
    if (editingList.size() != shootingUnits.size()) {
        return true;
    }
    for (unsigned i = 0; i < editingList.size(); ++i) {
        if (editingList[i] != i) {
            return true;
        }
    }
    return false;
}

bool CClipreelMovie::RemoveShootingUnit(unsigned currentIndex) {
    if (!editable || editingList.size() < 2 || currentIndex >= editingList.size()) {
        return false;
    }
    editingList.erase(editingList.begin() + currentIndex);
    return true;
}

bool CClipreelMovie::RemoveShootingUnits(const std::vector<unsigned>& currentIndices) {
    if (!editable) {
        return false;
    }
    std::vector<unsigned> sorted(currentIndices);
    std::sort(sorted.begin(), sorted.end());
    // Largest first, so each removal leaves the positions still to be
    // removed where they were.
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
        if (!RemoveShootingUnit(*it)) {
            return false;
        }
    }
    return true;
}

void CClipreelMovie::GetEditingState(std::vector<unsigned>& state) const {
    state = editingList;
}

// Entries are not checked for range, order or repetition here; a bad entry
// is reported when a query maps it.
bool CClipreelMovie::SetEditingState(const std::vector<unsigned>& state) {
    if (!editable || state.empty() || state.size() > shootingUnits.size()) {
        return false;
    }
    editingList = state;
    return true;
}

unsigned CClipreelMovie::getOriginalIndex(unsigned currentIndex) const {
    if (currentIndex >= editingList.size()) {
        ThrowInvalidIndex();
    }
    const unsigned originalIndex = editingList[currentIndex];
    if (originalIndex >= shootingUnits.size()) {
        ThrowInvalidOriginalIndex();
    }
    return originalIndex;
}

unsigned CClipreelMovie::GetCurrentIndex(unsigned originalIndex) const {
    if (originalIndex >= shootingUnits.size()) {
        ThrowInvalidOriginalIndex();
    }
    const auto found = std::find(editingList.begin(), editingList.end(), originalIndex);
    if (found == editingList.end()) {
        ThrowNotInEditingList();
    }
    return static_cast<unsigned>(found - editingList.begin());
}

std::uint64_t CClipreelMovie::GetRelativeOffset(unsigned currentIndex) const {
    if (currentIndex >= editingList.size()) {
        ThrowInvalidIndex();
    }
    std::uint64_t offset = 0;
    for (unsigned i = 0; i < currentIndex; ++i) {
        offset += shootingUnits[getOriginalIndex(i)].size;
    }
    return offset;
}

// Every unit holds the same number of stored sample units, so every unit
// lasts as long as the first: a start is a product, not a walk over the
// units before (which made listing a long reel quadratic). Both count in
// unsigned 32 bits, as a sum of the durations would.
std::int32_t CClipreelMovie::GetOriginalStartTime(unsigned originalIndex) const {
    if (originalIndex >= shootingUnits.size()) {
        ThrowInvalidOriginalIndex();
    }
    return static_cast<std::int32_t>(originalIndex * static_cast<unsigned>(shootingUnits[0].GetDuration()));
}

unsigned CClipreelMovie::GetOriginalStartVideoSampleIndex(unsigned originalIndex) const {
    return GetOriginalStartSoundChunkIndex(originalIndex) * (storedSampleUnit ? storedSampleUnit->framesPerUnit : 0);
}

unsigned CClipreelMovie::GetOriginalStartSoundChunkIndex(unsigned originalIndex) const {
    if (originalIndex >= shootingUnits.size()) {
        ThrowInvalidOriginalIndex();
    }
    // Every unit holds the same number of stored sample units, one sound
    // chunk each: a product, not a walk over the units before (which made
    // rebuilding the tables of a long reel quadratic).
    return originalIndex * storedUnitsPerShootingUnit;
}

std::int32_t CClipreelMovie::GetCurrentStartTime(unsigned currentIndex) const {
    CheckEntriesBefore(editingList, currentIndex, shootingUnits.size());
    return static_cast<std::int32_t>(currentIndex * static_cast<unsigned>(shootingUnits[0].GetDuration()));
}

unsigned CClipreelMovie::GetCurrentStartVideoSampleIndex(unsigned currentIndex) const {
    return GetCurrentStartSoundChunkIndex(currentIndex) * (storedSampleUnit ? storedSampleUnit->framesPerUnit : 0);
}

unsigned CClipreelMovie::GetCurrentStartSoundChunkIndex(unsigned currentIndex) const {
    CheckEntriesBefore(editingList, currentIndex, shootingUnits.size());
    return currentIndex * storedUnitsPerShootingUnit;
}
