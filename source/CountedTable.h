#ifndef CLIPREEL_SOURCE_COUNTED_TABLE_H
#define CLIPREEL_SOURCE_COUNTED_TABLE_H

#include "bytes/ByteReader.h"
#include "bytes/ByteWriter.h"
#include "source/AtomFields.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace clipreel {

// Where a sample table keeps its entries: a 32-bit count at countAt, then
// entries of entrySize bytes from firstAt, all counted from the atom's first
// byte. The typed tables read and write their entries through it, so every
// entry lies inside both the count and the atom's bytes.
struct CountedTable {
    std::size_t countAt;
    std::size_t firstAt;
    std::size_t entrySize;

    // The count; 0 when the atom is too short to hold it.
    std::uint32_t Count(const ByteReader& atom) const;
    // Whether the atom reaches its first entry and holds every counted one.
    bool HoldsEntries(const ByteReader& atom) const;
    // A window over entry index; false past the count or the atom's end.
    bool Entry(const ByteReader& atom, std::uint32_t index, ByteReader& entry) const;
    bool Entry(ByteWriter& atom, std::uint32_t index, ByteWriter& entry) const;
    // Starts a new table at dst's position: the source table's bytes before
    // the count, the count, and the size field set for entryBytes of entries
    // to follow. False when the size passes 32 bits, the source is shorter
    // than its header or dst has no room.
    bool Begin(ByteWriter& dst, const ByteReader& source, std::uint32_t count, std::uint64_t entryBytes,
               std::uint32_t& size) const;

    // For tables of 32-bit entries: one entry, and a whole new table.
    bool U32(const ByteReader& atom, std::uint32_t index, std::uint32_t& value) const;
    bool WriteU32s(ByteWriter& dst, const ByteReader& source, const std::vector<std::uint32_t>& entries,
                   std::uint32_t& size) const;
};

// The layout 'stco' and 'stss' share: 32-bit entries after the count.
constexpr CountedTable U32Table{atom_fields::EntryCount, atom_fields::FirstEntry, 4};

// A table of the layout 'stts', 'stsc', 'stco' and 'stss' share, with the
// source table's header and no entries.
bool WriteEmptyTable(ByteWriter& dst, const ByteReader& source, std::uint32_t& size);

}

#endif
