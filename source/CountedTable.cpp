#include "source/CountedTable.h"

namespace clipreel {

std::uint32_t CountedTable::Count(const ByteReader& atom) const {
    std::uint32_t count = 0;
    return atom.PeekU32BE(countAt, count) ? count : 0;
}

bool CountedTable::HoldsEntries(const ByteReader& atom) const {
    return atom.size() >= firstAt && (atom.size() - firstAt) / entrySize >= Count(atom);
}

bool CountedTable::Entry(const ByteReader& atom, std::uint32_t index, ByteReader& entry) const {
    if (index >= Count(atom) || atom.size() < firstAt || (atom.size() - firstAt) / entrySize <= index) return false;
    return atom.Sub(firstAt + std::size_t(index) * entrySize, entrySize, entry);
}

bool CountedTable::Entry(ByteWriter& atom, std::uint32_t index, ByteWriter& entry) const {
    ByteReader entries;
    if (!Entry(ByteReader(atom.data(), atom.size()), index, entries)) return false;
    entry = ByteWriter(atom.data() + firstAt + std::size_t(index) * entrySize, entrySize);
    return true;
}

bool CountedTable::Begin(ByteWriter& dst, const ByteReader& source, std::uint32_t count, std::uint64_t entryBytes,
                         std::uint32_t& size) const {
    ByteReader header;
    if (!source.Sub(0, countAt, header)) return false;
    const std::uint64_t newSize = std::uint64_t(countAt) + 4 + entryBytes;
    if (newSize > 0xFFFFFFFFu) return false;
    const std::size_t start = dst.position();
    if (!dst.WriteBytes(header.data(), header.size()) || !dst.WriteU32BE(count) ||
        !dst.PokeU32BE(start, static_cast<std::uint32_t>(newSize)))
        return false;
    size = static_cast<std::uint32_t>(newSize);
    return true;
}

bool CountedTable::U32(const ByteReader& atom, std::uint32_t index, std::uint32_t& value) const {
    ByteReader entry;
    return Entry(atom, index, entry) && entry.PeekU32BE(0, value);
}

bool CountedTable::WriteU32s(ByteWriter& dst, const ByteReader& source, const std::vector<std::uint32_t>& entries,
                             std::uint32_t& size) const {
    if (!Begin(dst, source, static_cast<std::uint32_t>(entries.size()), entrySize * std::uint64_t(entries.size()),
               size))
        return false;
    for (const std::uint32_t entry : entries)
        if (!dst.WriteU32BE(entry)) return false;
    return true;
}

bool WriteEmptyTable(ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
    return U32Table.Begin(dst, source, 0, 0, size);
}

}
