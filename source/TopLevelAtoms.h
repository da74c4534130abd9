#ifndef CLIPREEL_SOURCE_TOP_LEVEL_ATOMS_H
#define CLIPREEL_SOURCE_TOP_LEVEL_ATOMS_H

#include <cstdint>
#include <vector>

namespace clipreel {

struct TopLevelAtomInfo {
    std::uint32_t type;    // four-character code: 'moov' is 0x6D6F6F76
    std::uint64_t size;    // from the 32-bit size field
    std::uint64_t offset;  // file offset of the atom's size field
};

// Every top-level atom of a file, in file order, duplicates included.
class CTopLevelAtoms {
public:
    void Append(const TopLevelAtomInfo& info) { records.push_back(info); }
    unsigned GetCount() const { return static_cast<unsigned>(records.size()); }
    // index must be below GetCount().
    const TopLevelAtomInfo& GetAt(unsigned index) const { return records[index]; }
    bool Contains(std::uint32_t type) const;
    // Copies the first 'moov' record into out; false (out unchanged) without one.
    bool FindMovieAtom(TopLevelAtomInfo& out) const;

private:
    std::vector<TopLevelAtomInfo> records;
};

}

#endif
