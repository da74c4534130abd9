#include "source/TopLevelAtoms.h"

#include "bytes/FourCC.h"

namespace clipreel {

bool CTopLevelAtoms::Contains(std::uint32_t type) const {
    for (const TopLevelAtomInfo& info : records) {
        if (info.type == type) return true;
    }
    return false;
}

bool CTopLevelAtoms::FindMovieAtom(TopLevelAtomInfo& out) const {
    for (const TopLevelAtomInfo& info : records) {
        if (info.type == FourCC("moov")) {
            out = info;
            return true;
        }
    }
    return false;
}

}
