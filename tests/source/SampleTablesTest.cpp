// The typed sample tables over hand-made atoms: what each reads, where its
// bounds stop it (a count larger than the atom, a truncated entry, an empty
// table), and tables written by the writers read back.
#include "source/ChunkOffsetTable.h"
#include "source/CountedTable.h"
#include "source/SampleSizeTable.h"
#include "source/SampleToChunkTable.h"
#include "source/SyncSampleTable.h"
#include "source/TimeToSampleTable.h"

#include "bytes/ByteBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace clipreel {
namespace {

using Words = std::vector<std::uint32_t>;

// An atom of the given type: its size, its type, then the words, less the
// last cut bytes (the size field keeps saying what is there).
std::vector<std::uint8_t> Atom(const std::string& type, const Words& words, std::size_t cut = 0) {
    ByteBuffer atom;
    atom.AppendU32BE(0);
    atom.AppendText(type);
    for (const std::uint32_t word : words) atom.AppendU32BE(word);
    atom.bytes().resize(atom.size() - cut);
    atom.PatchU32BE(0, static_cast<std::uint32_t>(atom.size()));
    return atom.bytes();
}

ByteReader Reader(const std::vector<std::uint8_t>& atom) { return ByteReader(atom.data(), atom.size()); }

// Every entry a table gives, from the first until one is refused (asked up
// to one past the count), each as its fields.
struct Reading {
    std::uint32_t count;
    bool holds;
    Words entries;
};

Reading Read(const std::string& type, const ByteReader& atom) {
    Reading reading{0, false, {}};
    auto each = [&](std::uint32_t count, auto readEntry) {
        reading.count = count;
        for (std::uint32_t i = 0; i <= count && readEntry(i); ++i) {
        }
    };
    if (type == "stts") {
        const TimeToSampleTable table(atom);
        reading.holds = table.HoldsEntries();
        each(table.Count(), [&](std::uint32_t i) {
            TimeToSampleEntry entry;
            if (!table.Entry(i, entry)) return false;
            reading.entries.insert(reading.entries.end(), {entry.sampleCount, entry.sampleDuration});
            return true;
        });
    } else if (type == "stsc") {
        const SampleToChunkTable table(atom);
        reading.holds = table.HoldsEntries();
        each(table.Count(), [&](std::uint32_t i) {
            SampleToChunkEntry entry;
            if (!table.Entry(i, entry)) return false;
            reading.entries.insert(reading.entries.end(),
                                   {entry.firstChunk, entry.samplesPerChunk, entry.descriptionId});
            return true;
        });
    } else if (type == "stsz") {
        const SampleSizeTable table(atom);
        reading.holds = table.HoldsSizes();
        // The constant size leads the fields read.
        reading.entries.push_back(table.ConstantSize());
        each(table.SampleCount(), [&](std::uint32_t i) {
            std::uint32_t size = 0;
            if (!table.Size(i, size)) return false;
            reading.entries.push_back(size);
            return true;
        });
    } else if (type == "stco") {
        const ChunkOffsetTable table(atom);
        reading.holds = table.HoldsEntries();
        each(table.Count(), [&](std::uint32_t i) {
            std::uint32_t offset = 0;
            if (!table.Offset(i, offset)) return false;
            reading.entries.push_back(offset);
            return true;
        });
    } else {
        const SyncSampleTable table(atom);
        reading.holds = table.HoldsEntries();
        each(table.Count(), [&](std::uint32_t i) {
            std::uint32_t number = 0;
            if (!table.Sample(i, number)) return false;
            reading.entries.push_back(number);
            return true;
        });
    }
    return reading;
}

TEST(SampleTables, EntriesAreReadInsideTheCountAndTheAtom) {
    struct Case {
        const char* name;
        const char* type;
        Words words;  // after the type: version and flags, then the fields
        std::size_t cut;
        std::uint32_t count;
        bool holds;
        Words entries;  // the sample size table's lead with its constant size
    };
    const Case cases[] = {
        {"time-to-sample runs", "stts", {0, 2, 30, 1001, 1, 2002}, 0, 2, true, {30, 1001, 1, 2002}},
        {"time-to-sample counting more runs than it holds", "stts", {0, 3, 30, 1001, 1, 2002}, 0, 3, false,
         {30, 1001, 1, 2002}},
        {"time-to-sample run cut short", "stts", {0, 1, 30, 1001}, 2, 1, false, {}},
        {"empty time-to-sample", "stts", {0, 0}, 0, 0, true, {}},
        {"time-to-sample too short for its count", "stts", {0}, 0, 0, false, {}},
        {"sample-to-chunk runs", "stsc", {0, 2, 1, 1601, 1, 4, 1600, 1}, 0, 2, true, {1, 1601, 1, 4, 1600, 1}},
        {"sample-to-chunk's last run cut short", "stsc", {0, 2, 1, 1601, 1, 4, 1600, 1}, 1, 2, false,
         {1, 1601, 1}},
        {"empty sample-to-chunk", "stsc", {0, 0}, 0, 0, true, {}},
        {"constant sample size: no sizes listed", "stsz", {0, 1000, 4}, 0, 4, true, {1000}},
        {"listed sample sizes", "stsz", {0, 0, 3, 10, 20, 30}, 0, 3, true, {0, 10, 20, 30}},
        {"sample sizes counting more than listed", "stsz", {0, 0, 4, 10, 20, 30}, 0, 4, false, {0, 10, 20, 30}},
        {"sample sizes without their count", "stsz", {0, 1000}, 0, 0, false, {1000}},
        {"chunk offsets", "stco", {0, 3, 100, 0xFFFFFFFFu, 0}, 0, 3, true, {100, 0xFFFFFFFFu, 0}},
        {"chunk offsets counting more than listed", "stco", {0, 0xFFFFFFFFu, 100}, 0, 0xFFFFFFFFu, false, {100}},
        {"empty chunk offsets", "stco", {0, 0}, 0, 0, true, {}},
        {"chunk offsets: bytes past the count are no entries", "stco", {0, 1, 100, 200}, 0, 1, true, {100}},
        {"sync samples", "stss", {0, 2, 1, 16}, 0, 2, true, {1, 16}},
        {"sync samples, the last cut short", "stss", {0, 2, 1, 16}, 3, 2, false, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> atom = Atom(c.type, c.words, c.cut);
        const Reading reading = Read(c.type, Reader(atom));
        EXPECT_EQ(reading.count, c.count);
        EXPECT_EQ(reading.holds, c.holds);
        EXPECT_EQ(reading.entries, c.entries);
    }
    // No atom at all reads as an empty table that does not hold its count.
    EXPECT_EQ(ChunkOffsetTable(ByteReader()).Count(), 0u);
    EXPECT_FALSE(ChunkOffsetTable(ByteReader()).HoldsEntries());
}

// A table written from a source table keeps the source's header (version
// and flags), gets a size field that is the bytes written, and reads back
// what was written.
TEST(SampleTables, WrittenTablesReadBack) {
    struct Case {
        const char* name;
        const char* type;
        Words source;  // the source table's words after its type
        bool (*write)(ByteWriter& dst, const ByteReader& source, std::uint32_t& size);
        bool written;
        Words entries;  // as read back, as above
    };
    const Case cases[] = {
        {"chunk offsets", "stco", {0x01000002u, 1, 5},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             return ChunkOffsetTable::Write(dst, source, {7, 0xFFFFFFFFu, 0}, size);
         },
         true, {7, 0xFFFFFFFFu, 0}},
        {"sync samples", "stss", {0x01000002u, 0},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             return SyncSampleTable::Write(dst, source, {1, 16, 31}, size);
         },
         true, {1, 16, 31}},
        {"sample-to-chunk runs", "stsc", {0x01000002u, 1, 1, 1601, 3},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             return SampleToChunkTable::Write(dst, source, {{1, 1601, 3}, {5, 1600, 3}}, size);
         },
         true, {1, 1601, 3, 5, 1600, 3}},
        {"listed sample sizes replace a constant one", "stsz", {0x01000002u, 1000, 2},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             return SampleSizeTable::WriteSizes(dst, source, {10, 20, 30}, size);
         },
         true, {0, 10, 20, 30}},
        {"a constant sample size keeps the source's", "stsz", {0x01000002u, 1000, 2},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             return SampleSizeTable::WriteConstant(dst, source, 9, size);
         },
         true, {1000}},
        {"no constant sample size to keep", "stsz", {0x01000002u, 0, 0},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             return SampleSizeTable::WriteConstant(dst, source, 9, size);
         },
         false, {}},
        {"an empty table", "stts", {0x01000002u, 1, 30, 1001},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             return WriteEmptyTable(dst, source, size);
         },
         true, {}},
        {"a source shorter than its header", "stco", {},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             return ChunkOffsetTable::Write(dst, source, {7}, size);
         },
         false, {}},
        {"no room for the entries", "stco", {0x01000002u, 0},
         [](ByteWriter& dst, const ByteReader& source, std::uint32_t& size) {
             ByteWriter small(dst.data(), 20);
             return ChunkOffsetTable::Write(small, source, {7, 8}, size);
         },
         false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> source = Atom(c.type, c.source);
        std::vector<std::uint8_t> buffer(64, 0xEE);
        ByteWriter dst(buffer.data(), buffer.size());
        std::uint32_t size = 0;
        ASSERT_EQ(c.write(dst, Reader(source), size), c.written);
        if (!c.written) continue;
        EXPECT_EQ(size, dst.position());
        const ByteReader written(buffer.data(), size);
        std::uint32_t field = 0;
        ASSERT_TRUE(written.PeekU32BE(0, field));
        EXPECT_EQ(field, size);
        EXPECT_TRUE(std::equal(source.begin() + 4, source.begin() + 12, buffer.begin() + 4));
        const Reading reading = Read(c.type, written);
        EXPECT_TRUE(reading.holds);
        EXPECT_EQ(reading.entries, c.entries);
    }
}

// Entries are changed in place only inside the count and the atom.
TEST(SampleTables, EntriesAreSetInPlaceInsideTheTable) {
    std::vector<std::uint8_t> stts = Atom("stts", {0, 1, 30, 1001});
    ByteWriter sttsBytes(stts.data(), stts.size());
    EXPECT_TRUE(TimeToSampleTable::SetSampleCount(sttsBytes, 0, 90));
    EXPECT_FALSE(TimeToSampleTable::SetSampleCount(sttsBytes, 1, 90));
    EXPECT_EQ(Read("stts", Reader(stts)).entries, (Words{90, 1001}));

    std::vector<std::uint8_t> stco = Atom("stco", {0, 3, 100, 200, 300}, 4);
    ByteWriter stcoBytes(stco.data(), stco.size());
    EXPECT_TRUE(ChunkOffsetTable::SetOffset(stcoBytes, 1, 250));
    EXPECT_FALSE(ChunkOffsetTable::SetOffset(stcoBytes, 2, 350));  // counted, cut off
    EXPECT_FALSE(ChunkOffsetTable::SetOffset(stcoBytes, 3, 450));  // past the count
    EXPECT_EQ(Read("stco", Reader(stco)).entries, (Words{100, 250}));
}

}
}
