#ifndef CLIPREEL_TESTS_SUPPORT_ATOM_WALK_H
#define CLIPREEL_TESTS_SUPPORT_ATOM_WALK_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// The one atom walker of the tests, independent of the library's own
// parsing, for tests to find the atoms and fields of the movies they check.
// It takes the 64-bit size form; a read past the bytes throws. An atom that
// runs past its parent (fewer than 8 bytes left over are no atom) ends the
// walk, and fails the running test unless the walk is told to expect such
// atoms (a test of broken or cut-off movies).
struct Atom {
    std::uint32_t type = 0;
    std::uint64_t offset = 0;  // the size field
    std::uint64_t size = 0;    // header included
    std::uint64_t header = 8;  // 16 for the 64-bit size form
    bool found = false;
    std::uint64_t PayloadOffset() const { return offset + header; }
    std::uint64_t End() const { return offset + size; }
};

std::uint32_t Code(const char* type);
std::string CodeText(std::uint32_t code);

// An atom type as its four characters ("moov") or as its code (Code("moov")).
struct AtomType {
    AtomType(const char* type) : code(Code(type)) {}
    AtomType(std::uint32_t typeCode) : code(typeCode) {}
    std::uint32_t code;
};

class AtomWalk {
public:
    enum Misfits { MisfitFails, MisfitEnds };
    explicit AtomWalk(const std::vector<std::uint8_t>& bytes, Misfits onMisfit = MisfitFails)
        : walked(bytes), misfits(onMisfit) {}

    // The atom whose header stands at start; found is false when it does
    // not fit before end (or, without end, before the end of the bytes).
    Atom At(std::uint64_t start, std::uint64_t end) const;
    Atom At(std::uint64_t start) const { return At(start, walked.size()); }
    // The atoms in [start, end) in order; stops at one that does not fit.
    std::vector<Atom> Children(std::uint64_t start, std::uint64_t end) const;
    std::vector<Atom> TopLevel() const { return Children(0, walked.size()); }
    // The children of a container (they start after its header); none for
    // an atom not found.
    std::vector<Atom> Children(const Atom& parent) const;
    // The first child of this type; found is false when there is none.
    Atom Child(const Atom& parent, AtomType type) const;
    // Follows a path of first children.
    Atom Path(const Atom& from, const std::vector<AtomType>& types) const;
    // The first top-level 'moov'.
    Atom Movie() const;
    // The 'trak' whose media handler names this subtype ("vide", "soun"),
    // in the first top-level 'moov' or in the one given.
    Atom Track(AtomType subtype) const { return Track(Movie(), subtype); }
    Atom Track(const Atom& movie, AtomType subtype) const;
    // The atom of this type in a track's sample table ('stbl').
    Atom SampleTable(const Atom& track, AtomType type) const;

    std::uint32_t U32(std::uint64_t offset) const;
    std::uint16_t U16(std::uint64_t offset) const;
    std::uint64_t U64(std::uint64_t offset) const;
    std::string Text(std::uint64_t offset, std::size_t length) const;

    const std::vector<std::uint8_t>& bytes() const { return walked; }

private:
    const std::vector<std::uint8_t>& walked;
    Misfits misfits;
};

// Fields of a walked movie. Reads that run past their bytes fail the
// running test.
using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& bytes, std::size_t offset);
void PutU32At(Bytes& bytes, std::size_t offset, std::uint32_t value);
// A 32- or 16-bit field in either byte order.
std::uint32_t U32In(const Bytes& bytes, std::size_t offset, bool bigEndian);
std::uint16_t U16In(const Bytes& bytes, std::size_t offset, bool bigEndian);
Bytes Slice(const Bytes& bytes, std::uint64_t offset, std::uint64_t size);

// The 32-bit entries of a table atom whose count stands at countOffset.
std::vector<std::uint32_t> TableEntries(const Bytes& bytes, const Atom& table, std::size_t countOffset);
// Offsets (in bytes) of every modification time field: 'mvhd', each 'tkhd'
// and each 'mdhd'.
std::vector<std::size_t> ModificationTimeFields(const Bytes& bytes, const Atom& moov);

// The top-level atoms of a whole file, which must tile it.
std::vector<Atom> TopLevelAtoms(const Bytes& file);
// The first top-level atom of that type, which must be there.
Atom FindTopAtom(const Bytes& file, const char* type);

}
}

#endif
