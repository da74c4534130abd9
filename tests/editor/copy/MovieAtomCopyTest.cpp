// The movie atom copy: what it keeps, drops and rebuilds, the padding that
// ends it, the alias mode, and its refusal of bytes it cannot copy in bounds.
#include "ClipreelMovFileEditor.h"
#include "editor/MoovAtomPadding.h"
#include "editor/MovieAtomCopy.h"
#include "source/MoviePrivateAccess.h"
#include "source/MovieTime.h"
#include "tests/editor/copy/CopyTestFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

const std::uint32_t Vide = Code("vide");
const std::uint32_t Soun = Code("soun");

std::string ListText(const std::vector<unsigned>& list) {
    std::string text = "[";
    for (unsigned v : list) text += std::to_string(v) + " ";
    return text + "]";
}

std::vector<std::uint32_t> ChildTypes(const std::vector<std::uint8_t>& bytes, const Atom& parent) {
    std::vector<std::uint32_t> types;
    for (const Atom& child : AtomWalk(bytes).Children(parent)) types.push_back(child.type);
    return types;
}

std::vector<std::uint8_t> AtomBytes(const std::vector<std::uint8_t>& bytes, const Atom& atom) {
    return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(atom.offset),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(atom.offset + atom.size));
}

class MovieAtomCopyTest : public ::testing::Test {
protected:
    TempDir dir;
};

// Without a reel the copy is the source movie atom with its movie-level
// 'free' atoms gone and fresh modification times; 'udta' stays byte for byte.
TEST_F(MovieAtomCopyTest, WithoutAReelOnlyFreeAtomsAndModificationTimesChange) {
    struct FreeCase {
        const char* name;
        unsigned freeAtoms;
        bool endsWithFree;
    };
    const FreeCase cases[] = {
        {"no free atoms", 0, false},
        {"two free atoms before udta", 2, false},
        {"two free atoms and an old padding atom", 2, true},
    };
    for (const FreeCase& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec spec;
        spec.movieFreeAtoms = c.freeAtoms;
        spec.movieEndsWithFree = c.endsWithFree;
        SampleReel source(dir, std::string(c.name) + ".mov", spec);
        ASSERT_TRUE(source.file->IsValid());
        const std::vector<std::uint8_t> sourceMoov = MovieBytes(*source.file->GetZentiMovie());
        const Atom sourceRoot = AtomWalk(sourceMoov).At(0);

        const std::uint32_t earliest = CurrentMovieTime();
        std::unique_ptr<CZentiMovie> copy = copyMovieAtom(*source.file->GetZentiMovie(), nullptr, nullptr, true);
        const std::uint32_t latest = CurrentMovieTime();
        ASSERT_NE(copy, nullptr);
        EXPECT_TRUE(copy->IsValid());
        const std::vector<std::uint8_t> copied = MovieBytes(*copy);

        // Expected: the source's children without the 'free' ones, the
        // modification times set to the copy's.
        std::vector<std::uint8_t> expected(sourceMoov.begin(), sourceMoov.begin() + 8);
        std::uint32_t freeBytes = 0;
        unsigned freeCount = 0;
        for (const Atom& child : AtomWalk(sourceMoov).Children(sourceRoot)) {
            if (child.type == Code("free")) {
                freeBytes += child.size;
                ++freeCount;
                continue;
            }
            const std::vector<std::uint8_t> bytes = AtomBytes(sourceMoov, child);
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        EXPECT_EQ(freeCount, c.freeAtoms + (c.endsWithFree ? 1u : 0u));
        PutU32At(expected, 0, static_cast<std::uint32_t>(sourceMoov.size() - freeBytes));
        const std::vector<std::size_t> fields = ModificationTimeFields(expected, AtomWalk(expected).At(0));
        ASSERT_EQ(fields.size(), 5u);  // movie header, two tracks with two headers each
        const std::uint32_t stamped = U32At(copied, fields.front());
        EXPECT_GE(stamped, earliest);
        EXPECT_LE(stamped, latest);
        for (std::size_t field : fields) PutU32At(expected, field, stamped);
        EXPECT_TRUE(copied == expected);
        EXPECT_EQ(AtomBytes(copied, AtomWalk(copied).Child(AtomWalk(copied).At(0), Code("udta"))),
                  AtomBytes(sourceMoov, AtomWalk(sourceMoov).Child(sourceRoot, Code("udta"))));
    }
}

TEST(MoovAtomPaddingTest, PadsToTheBoundaryWithRoomForAHeader) {
    struct PadCase {
        std::uint32_t alignment;
        std::uint32_t offset;
        std::uint32_t size;
        std::uint32_t pad;
    };
    const PadCase cases[] = {
        {16, 32, 1000, 8},   // (32 + 1000) mod 16 = 8
        {16, 32, 1004, 20},  // 4 bytes cannot hold a header: one more boundary
        {16, 32, 992, 16},   // already on a boundary: a whole alignment
        {16, 0, 1, 15},
        {16, 0xFFFFFFF0u, 0x20, 16},  // the end wraps around 32 bits
        {4, 0, 4, 8},        // small alignments grow until a header fits
        {1, 7, 5, 8},
        {0, 32, 1000, 0},    // no alignment asked: no padding
    };
    for (const PadCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.alignment << " " << c.offset << " " << c.size);
        CMoovAtomAlignmentInfo alignment{c.alignment, c.offset};
        EXPECT_EQ(MoovAtomPadding(alignment, c.size), c.pad);
    }
}

// The driver ends the copy with a 'free' atom of the padding size, zero
// filled, so that the byte after the movie atom falls on the boundary.
TEST_F(MovieAtomCopyTest, AlignmentEndsTheMovieAtomWithAFreeAtom) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    ASSERT_TRUE(source.reel->SetEditingState({1, 2}));
    std::unique_ptr<CZentiMovie> plain = copyMovieAtom(*source.file->GetZentiMovie(), source.reel.get(), nullptr, true);
    ASSERT_NE(plain, nullptr);
    const std::uint32_t n = static_cast<std::uint32_t>(MovieBytes(*plain).size());

    struct ResidueCase {
        std::uint32_t residue;  // (offset + N) mod 16
        std::uint32_t pad;
    };
    const ResidueCase cases[] = {{8, 8}, {12, 20}, {0, 16}, {1, 15}, {9, 23}};
    for (const ResidueCase& c : cases) {
        SCOPED_TRACE(c.residue);
        const std::uint32_t offset = 64 + ((c.residue - n) & 15u);
        const CMoovAtomAlignmentInfo alignment{16, offset};
        std::unique_ptr<CZentiMovie> copy =
            copyMovieAtom(*source.file->GetZentiMovie(), source.reel.get(), &alignment, true);
        ASSERT_NE(copy, nullptr);
        EXPECT_TRUE(copy->IsValid());
        const std::vector<std::uint8_t> bytes = MovieBytes(*copy);
        ASSERT_EQ(bytes.size(), std::size_t(n) + c.pad);
        EXPECT_EQ((offset + bytes.size()) % 16, 0u);
        const std::vector<Atom> children = AtomWalk(bytes).Children(AtomWalk(bytes).At(0));
        ASSERT_FALSE(children.empty());
        EXPECT_EQ(children.back().type, Code("free"));
        EXPECT_EQ(children.back().size, c.pad);
        EXPECT_EQ(children.back().offset, n);
        EXPECT_TRUE(std::all_of(bytes.begin() + n + 8, bytes.end(), [](std::uint8_t b) { return b == 0; }));
    }
}

struct EditCase {
    std::vector<unsigned> list;
    bool rebase;
    bool sound;
};

// The rebuilt tables list the kept units' samples in editing-list order;
// rebased chunk offsets count from the start of the kept blocks laid end to
// end, kept ones are the source file's own.
TEST_F(MovieAtomCopyTest, RebuiltTablesFollowTheEditingList) {
    const EditCase cases[] = {
        {{2, 0}, true, true},     {{2, 0}, false, true},   {{1, 2}, true, true},  {{0}, true, true},
        {{2, 1, 0}, true, true},  {{1}, false, true},      {{2, 0}, true, false}, {{0, 2}, false, false},
        {{3, 1, 0}, true, true},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(ListText(c.list) + (c.rebase ? " rebased" : " kept") + (c.sound ? " with sound" : " silent"));
        sample::SampleMovieSpec spec;
        spec.units = 4;
        spec.sound.present = c.sound;
        SampleReel source(dir, ListText(c.list) + std::to_string(c.rebase) + std::to_string(c.sound) + ".mov", spec);
        ASSERT_TRUE(source.reel->IsValid());
        ASSERT_TRUE(source.reel->SetEditingState(c.list));
        const sample::SampleMovieLayout& layout = source.layout;

        std::unique_ptr<CZentiMovie> copy =
            copyMovieAtom(*source.file->GetZentiMovie(), source.reel.get(), nullptr, c.rebase);
        ASSERT_NE(copy, nullptr);
        ASSERT_TRUE(copy->IsValid());

        std::vector<std::uint32_t> sizes;
        std::vector<std::uint64_t> frameOffsets;
        std::vector<std::uint64_t> soundOffsets;
        std::uint64_t relative = 0;
        for (unsigned original : c.list) {
            const sample::UnitLayout& unit = layout.units.at(original);
            const std::uint64_t base = c.rebase ? relative - unit.offset : 0;
            for (const sample::FrameLayout& frame : unit.frames) {
                sizes.push_back(frame.size);
                frameOffsets.push_back((frame.offset + base) & 0xFFFFFFFFu);
            }
            if (c.sound) soundOffsets.push_back((unit.soundOffset + base) & 0xFFFFFFFFu);
            relative += unit.size;
        }
        const unsigned frames = static_cast<unsigned>(sizes.size());
        ASSERT_EQ(copy->GetVideoFrameCount(), frames);
        for (unsigned i = 0; i < frames; ++i) {
            EXPECT_EQ(copy->GetVideoFrameDataSize(i), sizes[i]) << "frame " << i;
            EXPECT_EQ(copy->GetVideoFrameFileOffset(i), frameOffsets[i]) << "frame " << i;
        }
        const std::uint32_t duration = frames * spec.frameDuration;
        EXPECT_EQ(static_cast<std::uint32_t>(copy->GetVideoMediaDuration()), duration);

        const std::vector<std::uint8_t> bytes = MovieBytes(*copy);
        const AtomWalk walk(bytes);
        const Atom moov = walk.At(0);
        EXPECT_EQ(U32At(bytes, walk.Child(moov, "mvhd").offset + 24), duration);
        EXPECT_EQ(U32At(bytes, walk.Path(walk.Track(moov, Vide), {"tkhd"}).offset + 28), duration);
        EXPECT_EQ(U32At(bytes, walk.SampleTable(walk.Track(moov, Vide), "stts").offset + 16), frames);
        const std::vector<std::uint8_t> sourceMoov = MovieBytes(*source.file->GetZentiMovie());
        const AtomWalk sourceWalk(sourceMoov);
        const std::vector<std::uint32_t> sourceSync =
            TableEntries(sourceMoov, sourceWalk.SampleTable(sourceWalk.Track(sourceWalk.At(0), Vide), "stss"), 12);
        const std::size_t keptSync = frames / spec.groupOfPicture;
        ASSERT_LE(keptSync, sourceSync.size());
        EXPECT_EQ(TableEntries(bytes, walk.SampleTable(walk.Track(moov, Vide), "stss"), 12),
                  std::vector<std::uint32_t>(sourceSync.begin(), sourceSync.begin() + keptSync));

        ASSERT_EQ(copy->HasSound(), c.sound);
        if (!c.sound) continue;
        const unsigned chunks = static_cast<unsigned>(c.list.size());
        const std::uint32_t samples = chunks * layout.soundSamplesPerUnit;
        ASSERT_EQ(copy->GetSoundChunkCount(), chunks);
        for (unsigned i = 0; i < chunks; ++i)
            EXPECT_EQ(copy->GetSoundChunkFileOffset(i), soundOffsets[i]) << "chunk " << i;
        EXPECT_EQ(copy->GetSoundSampleCount(), samples);
        const Atom soundStsz = walk.SampleTable(walk.Track(moov, Soun), "stsz");
        EXPECT_EQ(soundStsz.size, 20u);
        EXPECT_EQ(U32At(bytes, walk.SampleTable(walk.Track(moov, Soun), "stts").offset + 16), samples);
        EXPECT_EQ(U32At(bytes, walk.Path(walk.Track(moov, Soun), {"mdia", "mdhd"}).offset + 24), samples);
        EXPECT_EQ(U32At(bytes, walk.Path(walk.Track(moov, Soun), {"tkhd"}).offset + 28), duration);
    }
}

// The sync samples kept: the kept frames' own entries of the source's table,
// at their new positions, however many that is, and none at all when the
// source has no table, without taking the next table for one.
TEST_F(MovieAtomCopyTest, SyncSamplesAreCutToTheKeptGroups) {
    struct SyncCase {
        const char* name;
        std::vector<unsigned> list;
        bool noSyncSample;
        std::uint32_t sourceCountPatch;  // 0: the count as written
        std::vector<std::uint32_t> expected;
    };
    const SyncCase cases[] = {
        {"30 kept frames in groups of 15", {1}, false, 0, {1, 16}},
        {"60 kept frames", {2, 0}, false, 0, {1, 16, 31, 46}},
        // Its one entry is unit 0's first frame, now the 31st.
        {"a source table of one entry", {2, 0}, false, 1, {31}},
        {"no source table", {2, 0}, true, 0, {}},
    };
    for (const SyncCase& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec spec;
        spec.breakage.noSyncSample = c.noSyncSample;
        SampleReel source(dir, std::string(c.name) + ".mov", spec);
        if (c.sourceCountPatch != 0) {
            std::vector<std::uint8_t> file = source.Bytes();
            const Atom moov = AtomWalk(file).At(static_cast<std::size_t>(source.layout.moovOffset));
            const Atom stss = AtomWalk(file).SampleTable(AtomWalk(file).Track(moov, Vide), Code("stss"));
            ASSERT_TRUE(stss.found);
            PutU32At(file, stss.offset + 12, c.sourceCountPatch);
            WriteFileBytes(source.path, file);
            source.Open();
        }
        ASSERT_TRUE(source.reel->IsValid());
        ASSERT_TRUE(source.reel->SetEditingState(c.list));
        std::unique_ptr<CZentiMovie> copy =
            copyMovieAtom(*source.file->GetZentiMovie(), source.reel.get(), nullptr, true);
        ASSERT_NE(copy, nullptr);
        EXPECT_TRUE(copy->IsValid());
        const std::vector<std::uint8_t> bytes = MovieBytes(*copy);
        const AtomWalk walk(bytes);
        const Atom stbl = walk.Path(walk.Track(walk.At(0), Vide), {"mdia", "minf", "stbl"});
        std::vector<std::uint32_t> types = {Code("stsd"), Code("stts"), Code("stss"), Code("stsc"), Code("stsz"),
                                            Code("stco")};
        if (c.noSyncSample) types.erase(types.begin() + 2);
        EXPECT_EQ(ChildTypes(bytes, stbl), types);
        if (c.noSyncSample) continue;
        const Atom stss = walk.Child(stbl, "stss");
        EXPECT_EQ(stss.size, 16 + 4 * c.expected.size());
        EXPECT_EQ(TableEntries(bytes, stss, 12), c.expected);
    }
}

// The movie and track headers count in the movie's time scale, the reel in
// the video media's: the duration is converted when the two differ.
TEST_F(MovieAtomCopyTest, HeaderDurationsAreInTheMovieTimeScale) {
    struct ScaleCase {
        std::uint32_t movieTimeScale;
    };
    const ScaleCase cases[] = {{30000}, {600}, {90000}};
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE(c.movieTimeScale);
        sample::SampleMovieSpec spec;
        SampleReel source(dir, std::to_string(c.movieTimeScale) + ".mov", spec);
        std::vector<std::uint8_t> file = source.Bytes();
        const Atom moov = AtomWalk(file).At(static_cast<std::size_t>(source.layout.moovOffset));
        PutU32At(file, AtomWalk(file).Child(moov, Code("mvhd")).offset + 20, c.movieTimeScale);
        WriteFileBytes(source.path, file);
        source.Open();
        ASSERT_TRUE(source.reel->IsValid());
        ASSERT_TRUE(source.reel->SetEditingState({2}));

        std::unique_ptr<CZentiMovie> copy =
            copyMovieAtom(*source.file->GetZentiMovie(), source.reel.get(), nullptr, true);
        ASSERT_NE(copy, nullptr);
        const std::vector<std::uint8_t> bytes = MovieBytes(*copy);
        const AtomWalk walk(bytes);
        const Atom root = walk.At(0);
        const std::uint64_t mediaDuration = std::uint64_t(spec.framesPerUnit) * spec.frameDuration;
        const std::uint32_t expected = static_cast<std::uint32_t>(mediaDuration * c.movieTimeScale / spec.timeScale);
        EXPECT_EQ(U32At(bytes, walk.Child(root, "mvhd").offset + 24), expected);
        EXPECT_EQ(U32At(bytes, walk.Path(walk.Track(root, Vide), {"tkhd"}).offset + 28), expected);
        EXPECT_EQ(U32At(bytes, walk.Path(walk.Track(root, Soun), {"tkhd"}).offset + 28), expected);
        EXPECT_EQ(static_cast<std::uint64_t>(copy->GetVideoMediaDuration()), mediaDuration);
    }
}

// Alias mode: every track's data reference becomes one entry of the source
// entry's type, flags 0, carrying the record; chunk offsets stay the
// source's whatever the rebasing flag says.
TEST_F(MovieAtomCopyTest, AliasModeReplacesDataReferencesAndNeverRebases) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    ASSERT_TRUE(source.reel->SetEditingState({1, 0}));
    std::vector<std::uint8_t> record(40);
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(0xA0 + i);
    record[4] = 0;
    record[5] = 38;  // the record's own size: its last two bytes are not part of it
    const std::vector<std::uint8_t> recordBytes(record.begin(), record.begin() + 38);

    const std::vector<std::uint8_t> sourceMoov = MovieBytes(*source.file->GetZentiMovie());
    const Atom sourceRoot = AtomWalk(sourceMoov).At(0);
    for (bool rebase : {false, true}) {
        SCOPED_TRACE(rebase ? "rebasing asked" : "rebasing not asked");
        MovieAtomCopyRequest request;
        request.reel = source.reel.get();
        request.rebaseChunkOffsets = rebase;
        request.aliasRecord = record.data();
        request.aliasRecordBytes = record.size();
        std::unique_ptr<CZentiMovie> copy = CopyMovieAtom(*source.file->GetZentiMovie(), request);
        ASSERT_NE(copy, nullptr);
        const std::vector<std::uint8_t> bytes = MovieBytes(*copy);
        const AtomWalk walk(bytes);
        const Atom root = walk.At(0);
        for (std::uint32_t handler : {Vide, Soun}) {
            SCOPED_TRACE(CodeText(handler));
            const std::vector<AtomType> dinfPath = {"mdia", "minf", "dinf", "dref"};
            const Atom dref = walk.Path(walk.Track(root, handler), dinfPath);
            const Atom sourceDref =
                AtomWalk(sourceMoov).Path(AtomWalk(sourceMoov).Track(sourceRoot, handler), dinfPath);
            ASSERT_TRUE(dref.found);
            EXPECT_EQ(dref.size, 16u + 12u + 38u);
            EXPECT_EQ(U32At(bytes, dref.offset + 8), 0u);
            EXPECT_EQ(U32At(bytes, dref.offset + 12), 1u);
            const Atom entry = walk.At(dref.offset + 16);
            EXPECT_EQ(entry.size, 12u + 38u);
            EXPECT_EQ(entry.type, U32At(sourceMoov, sourceDref.offset + 20));
            EXPECT_EQ(U32At(bytes, entry.offset + 8), 0u);
            EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(entry.offset + 12),
                                                bytes.begin() + static_cast<std::ptrdiff_t>(entry.offset + 50)),
                      recordBytes);
        }
        const sample::UnitLayout& first = source.layout.units.at(1);
        EXPECT_EQ(TableEntries(bytes, walk.SampleTable(walk.Track(root, Vide), "stco"), 12).front(),
                  first.frames.front().offset);
        EXPECT_EQ(TableEntries(bytes, walk.SampleTable(walk.Track(root, Soun), "stco"), 12).front(), first.soundOffset);
    }
}

TEST_F(MovieAtomCopyTest, AnAliasRecordLongerThanItsBytesIsRefused) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    std::vector<std::uint8_t> record(20, 0);
    record[5] = 21;
    EXPECT_EQ(CopyMovieAtomWithAliasRecord(*source.file->GetZentiMovie(), nullptr, record.data(), record.size()),
              nullptr);
}

// Bytes the copiers cannot copy within their atoms, or a reel asking for
// samples the source does not have, give no movie rather than reads out of
// range.
TEST_F(MovieAtomCopyTest, ACopyOutOfBoundsGivesNoMovie) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    ASSERT_TRUE(source.reel->SetEditingState({2, 0}));
    const std::vector<std::uint8_t> original = MovieBytes(*source.file->GetZentiMovie());
    const Atom root = AtomWalk(original).At(0);

    struct Breakage {
        const char* name;
        std::uint32_t handler;
        std::uint32_t table;
        std::size_t field;
        std::uint32_t value;
    };
    const Breakage cases[] = {
        {"video sample sizes count fewer entries than the reel asks", Vide, Code("stsz"), 16, 40},
        {"video chunk offsets count fewer entries", Vide, Code("stco"), 12, 59},
        {"sound chunk offsets count fewer entries", Soun, Code("stco"), 12, 2},
        {"a table runs past its sample table", Vide, Code("stco"), 0, 0x10000},
        {"a table of size 0", Vide, Code("stsd"), 0, 0},
        {"a table of unexpected type in place of stsc", Vide, Code("stsc"), 4, Code("xxxx")},
        {"sound sample sizes are not constant", Soun, Code("stsz"), 12, 0},
    };
    for (const Breakage& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes = original;
        const Atom table = AtomWalk(bytes).SampleTable(AtomWalk(bytes).Track(root, c.handler), c.table);
        ASSERT_TRUE(table.found);
        PutU32At(bytes, table.offset + c.field, c.value);
        std::unique_ptr<CZentiMovie> broken =
            MoviePrivateAccess::NewMovie(reinterpret_cast<const AtomHeader*>(bytes.data()), nullptr);
        EXPECT_EQ(copyMovieAtom(*broken, source.reel.get(), nullptr, true), nullptr);
    }

    sample::SampleMovieSpec foreignSpec;
    foreignSpec.units = 4;
    SampleReel foreign(dir, "foreign.mov", foreignSpec);
    ASSERT_TRUE(foreign.reel->SetEditingState({3, 0}));
    EXPECT_EQ(copyMovieAtom(*source.file->GetZentiMovie(), foreign.reel.get(), nullptr, true), nullptr);
}

// Every 32-bit word of the movie header and the tracks, damaged in turn: the
// copy either refuses or gives a movie atom whose size field is its length
// and which is no larger than the source's (the tables only shrink).
TEST_F(MovieAtomCopyTest, EveryDamagedWordOfTheTracksGivesNoMovieOrAConsistentOne) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    ASSERT_TRUE(source.reel->SetEditingState({2, 0}));
    const std::vector<std::uint8_t> original = MovieBytes(*source.file->GetZentiMovie());
    const Atom udta = AtomWalk(original).Child(AtomWalk(original).At(0), Code("udta"));
    ASSERT_TRUE(udta.found);
    const CMoovAtomAlignmentInfo alignment{16, 32};
    unsigned refused = 0;
    for (std::size_t at = 8; at + 4 <= udta.offset; at += 4) {
        for (std::uint32_t value : {0u, 8u, 0x7FFFFFF0u, 0xFFFFFFFFu}) {
            std::vector<std::uint8_t> bytes = original;
            PutU32At(bytes, at, value);
            std::unique_ptr<CZentiMovie> damaged =
                MoviePrivateAccess::NewMovie(reinterpret_cast<const AtomHeader*>(bytes.data()), nullptr);
            std::unique_ptr<CZentiMovie> copy = copyMovieAtom(*damaged, source.reel.get(), &alignment, true);
            if (copy == nullptr) {
                ++refused;
                continue;
            }
            const std::vector<std::uint8_t> copied = MovieBytes(*copy);
            ASSERT_GE(copied.size(), 8u) << "word at " << at << " = " << value;
            EXPECT_EQ(U32At(copied, 0), copied.size()) << "word at " << at << " = " << value;
            EXPECT_LE(copied.size(), original.size() + 23) << "word at " << at << " = " << value;
            EXPECT_EQ((32 + copied.size()) % 16, 0u) << "word at " << at << " = " << value;
        }
    }
    // Damaged sizes and counts are refused, not copied blindly.
    EXPECT_GT(refused, 0u);
}

}
}
}
