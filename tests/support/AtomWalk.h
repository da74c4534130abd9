#ifndef CLIPREEL_TESTS_SUPPORT_ATOM_WALK_H
#define CLIPREEL_TESTS_SUPPORT_ATOM_WALK_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// A minimal atom walker, independent of the library's own parsing, for
// tests to find the atoms and fields of the movies they check.
struct Atom {
    std::uint32_t type = 0;
    std::uint64_t offset = 0;   // the size field
    std::uint64_t size = 0;     // header included
    std::uint64_t header = 8;   // 16 for the 64-bit size form
    bool found = false;
    std::uint64_t PayloadOffset() const { return offset + header; }
    std::uint64_t End() const { return offset + size; }
};

class AtomWalk {
public:
    explicit AtomWalk(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    // The atom whose header stands at start; found is false when it does
    // not fit before end.
    Atom At(std::uint64_t start, std::uint64_t end) const;
    // The atoms in [start, end) in order; stops at one that does not fit.
    std::vector<Atom> Children(std::uint64_t start, std::uint64_t end) const;
    std::vector<Atom> TopLevel() const { return Children(0, bytes_.size()); }
    std::vector<Atom> Children(const Atom& parent) const { return Children(parent.PayloadOffset(), parent.End()); }
    // The first child of this type; found is false when there is none.
    Atom Child(const Atom& parent, const char* type) const;
    // Follows a path of first children.
    Atom Path(const Atom& from, std::initializer_list<const char*> types) const;
    // The first top-level 'moov'.
    Atom Movie() const;
    // The 'trak' whose media handler names this subtype ("vide", "soun").
    Atom Track(const char* subtype) const;

    std::uint32_t U32(std::uint64_t offset) const;
    std::uint16_t U16(std::uint64_t offset) const;
    std::uint64_t U64(std::uint64_t offset) const;
    std::string Text(std::uint64_t offset, std::size_t length) const;

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    const std::vector<std::uint8_t>& bytes_;
};

std::uint32_t Code(const char* type);
std::string CodeText(std::uint32_t code);

// The same walk as free functions over a byte vector. Reads and walks that
// run past their bytes or parent fail the running test.
using AtomRef = Atom;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& bytes, std::size_t offset);
void PutU32At(Bytes& bytes, std::size_t offset, std::uint32_t value);
// A 32- or 16-bit field in either byte order.
std::uint32_t U32In(const Bytes& bytes, std::size_t offset, bool bigEndian);
std::uint16_t U16In(const Bytes& bytes, std::size_t offset, bool bigEndian);
Bytes Slice(const Bytes& bytes, std::uint64_t offset, std::uint64_t size);

// The whole atom at offset.
AtomRef AtomAt(const Bytes& bytes, std::size_t offset);
// The children of a container (they start after its header).
std::vector<AtomRef> ChildrenOf(const Bytes& bytes, const AtomRef& parent);
// The first child of that type; found false when there is none.
AtomRef ChildOf(const Bytes& bytes, const AtomRef& parent, std::uint32_t type);
// The 'trak' whose media handler has this component subtype ('vide', 'soun').
AtomRef TrackOf(const Bytes& bytes, const AtomRef& moov, std::uint32_t handler);
// An atom inside that track by the path below 'trak' (e.g. mdia, minf, stbl, stsz).
AtomRef InTrack(const Bytes& bytes, const AtomRef& moov, std::uint32_t handler, const std::vector<std::uint32_t>& path);
AtomRef SampleTableChild(const Bytes& bytes, const AtomRef& moov, std::uint32_t handler, std::uint32_t type);
// The 32-bit entries of a table atom whose count stands at countOffset.
std::vector<std::uint32_t> TableEntries(const Bytes& bytes, const AtomRef& table, std::size_t countOffset);
// Offsets (in bytes) of every modification time field: 'mvhd', each 'tkhd'
// and each 'mdhd'.
std::vector<std::size_t> ModificationTimeFields(const Bytes& bytes, const AtomRef& moov);

// The top-level atoms of a whole file, which must tile it.
using TopAtom = Atom;
std::vector<TopAtom> TopLevelAtoms(const Bytes& file);
TopAtom FindTopAtom(const Bytes& file, const char* type);

}
}

#endif
