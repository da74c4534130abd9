#ifndef CLIPREEL_TESTS_EDITOR_COPY_COPY_TEST_ATOMS_H
#define CLIPREEL_TESTS_EDITOR_COPY_COPY_TEST_ATOMS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CZentiMovie;

namespace clipreel {
namespace test {

// A plain walk over movie atom bytes, independent of the library's own
// parsing, for tests to find the fields they check.
struct AtomRef {
    std::uint32_t type = 0;
    std::size_t offset = 0;  // of the size field, in the bytes walked
    std::uint32_t size = 0;
    bool found = false;
};

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t offset);
void PutU32At(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
std::uint32_t Code(const char (&code)[5]);
std::string CodeText(std::uint32_t code);

// The whole atom at offset.
AtomRef AtomAt(const std::vector<std::uint8_t>& bytes, std::size_t offset);
// The children of a container (they start 8 bytes after it).
std::vector<AtomRef> ChildrenOf(const std::vector<std::uint8_t>& bytes, const AtomRef& parent);
// The first child of that type; found false when there is none.
AtomRef ChildOf(const std::vector<std::uint8_t>& bytes, const AtomRef& parent, std::uint32_t type);
// The 'trak' whose media handler has this component subtype ('vide', 'soun').
AtomRef TrackOf(const std::vector<std::uint8_t>& bytes, const AtomRef& moov, std::uint32_t handler);
// An atom inside that track by the path below 'trak' (e.g. mdia, minf, stbl, stsz).
AtomRef InTrack(const std::vector<std::uint8_t>& bytes, const AtomRef& moov, std::uint32_t handler,
                const std::vector<std::uint32_t>& path);
AtomRef SampleTableChild(const std::vector<std::uint8_t>& bytes, const AtomRef& moov, std::uint32_t handler,
                         std::uint32_t type);
// The 32-bit entries of a table atom whose count stands at countOffset.
std::vector<std::uint32_t> TableEntries(const std::vector<std::uint8_t>& bytes, const AtomRef& table,
                                        std::size_t countOffset);
// Offsets (in bytes) of every modification time field: 'mvhd', each 'tkhd'
// and each 'mdhd'.
std::vector<std::size_t> ModificationTimeFields(const std::vector<std::uint8_t>& bytes, const AtomRef& moov);

// The bytes of a parsed movie atom.
std::vector<std::uint8_t> MovieBytes(const CZentiMovie& movie);

}
}

#endif
