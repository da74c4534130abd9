// The layout the writer reports agrees with the bytes it wrote: the
// top-level atoms tile the file, the units and frames lie where the sample
// tables say, and the thumbnail's record states the final file size.
#include "sample/DummyFrame.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

namespace clipreel {
namespace test {
namespace {

using sample::FrameContent;
using sample::SampleMovieLayout;
using sample::SampleMovieSpec;

struct LayoutCase {
    const char* name;
    std::function<void(SampleMovieSpec&)> change;
    std::uint32_t soundSamplesPerUnit;  // expected; 0 without sound
};

std::uint32_t ReadOrdered(const std::vector<std::uint8_t>& bytes, std::size_t offset, ByteOrder order) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t byte = bytes.at(offset + static_cast<std::size_t>(i));
        value |= order == ByteOrder::Big ? byte << (8 * (3 - i)) : byte << (8 * i);
    }
    return value;
}

std::vector<std::uint32_t> TableU32(const AtomWalk& walk, const Atom& atom, std::uint64_t countAt, std::uint64_t firstAt,
                                    unsigned stride = 4) {
    std::vector<std::uint32_t> values(walk.U32(atom.offset + countAt));
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = walk.U32(atom.offset + firstAt + stride * i);
    return values;
}

const LayoutCase LayoutCases[] = {
    {"Default", [](SampleMovieSpec&) {}, 48048},
    {"VideoOnly", [](SampleMovieSpec& s) { s.sound.present = false; }, 0},
    {"TwosMono8BitAt25", [](SampleMovieSpec& s) {
         s.timeScale = 25000; s.frameDuration = 1000; s.framesPerUnit = 12; s.groupOfPicture = 12;
         s.sound.format = FourCC("twos"); s.sound.channels = 1; s.sound.bitsPerSample = 8; s.sound.sampleRate = 32000;
     }, 15360},
    {"Raw8BitAt23976", [](SampleMovieSpec& s) {
         s.timeScale = 24000; s.frameDuration = 1001; s.framesPerUnit = 24; s.groupOfPicture = 12;
         s.sound.format = FourCC("raw "); s.sound.bitsPerSample = 8; s.sound.sampleRate = 24000;
     }, 24024},
    // 120 × 48000 × 1001 passes 2^32: the samples per unit must still be exact.
    {"LongUnitsProductAbove32Bits", [](SampleMovieSpec& s) { s.units = 2; s.framesPerUnit = 120; }, 192192},
    {"OneUnit", [](SampleMovieSpec& s) { s.units = 1; }, 48048},
    {"NoUnits", [](SampleMovieSpec& s) { s.units = 0; }, 48048},
    {"ExtraAtomsAndMovieFree", [](SampleMovieSpec& s) {
         s.extraAtoms = {{FourCC("wide"), {}, false}, {FourCC("skip"), {1, 2, 3}, true}, {FourCC("free"), {9, 9}, false}};
         s.movieFreeAtoms = 2;
         s.movieEndsWithFree = true;
     }, 48048},
    {"MediaDataBeforeMovie", [](SampleMovieSpec& s) { s.breakage.mdatBeforeMoov = true; }, 48048},
    {"TwoMediaDataAtoms", [](SampleMovieSpec& s) { s.units = 5; s.breakage.twoMdat = true; }, 48048},
    {"MediaDataSize64", [](SampleMovieSpec& s) { s.breakage.mdatSize64 = true; }, 48048},
    {"ExtraFrames", [](SampleMovieSpec& s) { s.breakage.extraFrames = 7; }, 48048},
    {"TrailingBytes", [](SampleMovieSpec& s) { s.breakage.trailingBytes = {0, 0, 0, 4}; }, 48048},
    {"SecondMovie", [](SampleMovieSpec& s) { s.breakage.secondMoov = true; }, 48048},
    {"LongRecordBigEndianRelocated", [](SampleMovieSpec& s) {
         s.creatorVersion = 10; s.makerNoteOrder = ByteOrder::Big; s.tiffOrder = ByteOrder::Big;
         s.makerNoteRelocation = 100;
     }, 48048},
    {"ShortRecordMixedOrders", [](SampleMovieSpec& s) { s.makerNoteOrder = ByteOrder::Big; s.shortRecordSize = 246; }, 48048},
    {"RealH264", [](SampleMovieSpec& s) { s.frames = FrameContent::H264; s.units = 2; s.framesPerUnit = 15; }, 24024},
};

class SampleMovieLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SampleMovieLayoutTest, LayoutAgreesWithTheBytes) {
    SampleMovieSpec spec;
    GetParam().change(spec);
    SampleMovieLayout layout;
    const std::vector<std::uint8_t> bytes = sample::BuildSampleMovie(spec, &layout);
    const AtomWalk walk(bytes, AtomWalk::MisfitEnds);
    const std::size_t trailing = spec.breakage.trailingBytes.size();
    const bool h264 = spec.frames == FrameContent::H264 && sample::HaveH264();
    EXPECT_EQ(layout.h264, h264);

    // The top-level atoms tile the file up to the trailing bytes.
    ASSERT_EQ(layout.fileSize, bytes.size());
    const std::vector<Atom> atoms = walk.TopLevel();
    ASSERT_EQ(atoms.size(), layout.atoms.size());
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(atoms[i].type, layout.atoms[i].type);
        EXPECT_EQ(atoms[i].offset, layout.atoms[i].offset);
        EXPECT_EQ(atoms[i].size, layout.atoms[i].size);
        EXPECT_EQ(atoms[i].offset, end);
        end = atoms[i].End();
    }
    EXPECT_EQ(end + trailing, bytes.size());
    EXPECT_EQ(atoms.front().type, Code("ftyp"));

    const Atom movie = walk.Movie();
    ASSERT_TRUE(movie.found);
    EXPECT_EQ(movie.offset, layout.moovOffset);
    EXPECT_EQ(movie.size, layout.moovSize);
    std::vector<Atom> mediaData;
    for (const Atom& atom : atoms) {
        if (atom.type == Code("mdat")) mediaData.push_back(atom);
    }
    ASSERT_FALSE(mediaData.empty());
    EXPECT_EQ(mediaData.front().offset, layout.mdatOffset);
    EXPECT_EQ(mediaData.front().size, layout.mdatSize);

    // The units fill the media data payloads end to end, each its sound
    // chunk first, then its frames.
    const std::size_t wholeUnits = spec.units;
    const std::size_t layoutUnits = wholeUnits + (spec.breakage.extraFrames > 0 ? 1 : 0);
    ASSERT_EQ(layout.units.size(), layoutUnits);
    EXPECT_EQ(layout.soundSamplesPerUnit, GetParam().soundSamplesPerUnit);
    const std::uint32_t bytesPerFrame = spec.sound.present ? spec.sound.channels * (spec.sound.bitsPerSample / 8U) : 0;
    EXPECT_EQ(layout.soundBytesPerFrame, bytesPerFrame);
    std::uint64_t unitBytes = 0;
    std::vector<std::uint64_t> frameOffsets;
    std::vector<std::uint32_t> frameSizes;
    std::vector<std::uint32_t> keyFrames;
    std::vector<std::uint32_t> soundOffsets;
    for (std::size_t u = 0; u < layout.units.size(); ++u) {
        SCOPED_TRACE(u);
        const sample::UnitLayout& unit = layout.units[u];
        const bool hasSound = spec.sound.present && u < wholeUnits;
        std::uint64_t pos = unit.offset;
        if (hasSound) {
            EXPECT_EQ(unit.soundOffset, unit.offset);
            EXPECT_EQ(unit.soundSize, layout.soundSamplesPerUnit * bytesPerFrame);
            soundOffsets.push_back(static_cast<std::uint32_t>(unit.soundOffset));
            pos += unit.soundSize;
        } else {
            EXPECT_EQ(unit.soundSize, 0U);
        }
        const std::size_t expectedFrames = u < wholeUnits ? spec.framesPerUnit : spec.breakage.extraFrames;
        ASSERT_EQ(unit.frames.size(), expectedFrames);
        for (std::size_t f = 0; f < unit.frames.size(); ++f) {
            const sample::FrameLayout& frame = unit.frames[f];
            const std::size_t index = u * spec.framesPerUnit + f;
            EXPECT_EQ(frame.offset, pos) << "frame " << index;
            EXPECT_GT(frame.size, 8U);
            if (!h264) {
                EXPECT_EQ(walk.U32(frame.offset + sample::DummyFrameIndexOffset), index);
            } else {
                // Length-prefixed NAL units tile the frame; key frames hold an IDR slice.
                std::uint64_t nal = frame.offset;
                bool idr = false;
                while (nal + 4 < frame.offset + frame.size) {
                    const std::uint32_t length = walk.U32(nal);
                    idr = idr || (bytes.at(nal + 4) & 0x1F) == 5;
                    nal += 4 + std::uint64_t{length};
                }
                EXPECT_EQ(nal, frame.offset + frame.size) << "frame " << index;
                EXPECT_EQ(idr, frame.keyFrame) << "frame " << index;
            }
            EXPECT_EQ(frame.keyFrame, f % spec.groupOfPicture == 0) << "frame " << index;
            if (frame.keyFrame) keyFrames.push_back(static_cast<std::uint32_t>(index + 1));
            frameOffsets.push_back(frame.offset);
            frameSizes.push_back(frame.size);
            pos += frame.size;
        }
        EXPECT_EQ(unit.size, pos - unit.offset);
        unitBytes += unit.size;
        const bool inside = std::any_of(mediaData.begin(), mediaData.end(), [&](const Atom& atom) {
            return unit.offset >= atom.PayloadOffset() && unit.offset + unit.size <= atom.End();
        });
        EXPECT_TRUE(inside);
    }
    std::uint64_t payloads = 0;
    for (const Atom& atom : mediaData) payloads += atom.size - atom.header;
    EXPECT_EQ(unitBytes, payloads);

    // The sample tables state the same offsets and sizes.
    const Atom videoTables = walk.Path(walk.Track("vide"), {"mdia", "minf", "stbl"});
    ASSERT_TRUE(videoTables.found);
    const Atom videoOffsets = walk.Child(videoTables, "stco");
    const std::vector<std::uint32_t> stco = TableU32(walk, videoOffsets, 12, 16);
    ASSERT_EQ(stco.size(), frameOffsets.size());
    for (std::size_t i = 0; i < stco.size(); ++i) EXPECT_EQ(stco[i], frameOffsets[i]) << "frame " << i;
    EXPECT_EQ(TableU32(walk, walk.Child(videoTables, "stsz"), 16, 20), frameSizes);
    EXPECT_EQ(TableU32(walk, walk.Child(videoTables, "stss"), 12, 16), keyFrames);
    const Atom videoStts = walk.Child(videoTables, "stts");
    EXPECT_EQ(walk.U32(videoStts.offset + 12), 1U);
    EXPECT_EQ(walk.U32(videoStts.offset + 16), frameOffsets.size());
    EXPECT_EQ(walk.U32(videoStts.offset + 20), spec.frameDuration);
    EXPECT_EQ(walk.U32(walk.Path(walk.Track("vide"), {"mdia", "mdhd"}).offset + 20), spec.timeScale);
    EXPECT_EQ(walk.U32(walk.Child(movie, "mvhd").offset + 20), spec.timeScale);

    const Atom soundTrack = walk.Track("soun");
    ASSERT_EQ(soundTrack.found, spec.sound.present);
    if (spec.sound.present) {
        const Atom soundTables = walk.Path(soundTrack, {"mdia", "minf", "stbl"});
        EXPECT_EQ(TableU32(walk, walk.Child(soundTables, "stco"), 12, 16), soundOffsets);
        const Atom stsc = walk.Child(soundTables, "stsc");
        EXPECT_EQ(TableU32(walk, stsc, 12, 16, 12), std::vector<std::uint32_t>{1});
        EXPECT_EQ(walk.U32(stsc.offset + 20), layout.soundSamplesPerUnit);
        const Atom stsz = walk.Child(soundTables, "stsz");
        EXPECT_EQ(walk.U32(stsz.offset + 12), 1U);
        EXPECT_EQ(walk.U32(stsz.offset + 16), layout.soundSamplesPerUnit * wholeUnits);
        const Atom stsd = walk.Child(soundTables, "stsd");
        EXPECT_EQ(walk.U32(stsd.offset + 16 + 4), spec.sound.format);
        EXPECT_EQ(walk.U32(stsd.offset + 16 + 32), spec.sound.sampleRate << 16);
        EXPECT_EQ(walk.U32(stsd.offset + 16 + 44), bytesPerFrame);
    }

    // The thumbnail lies where reported and its record states this file's size.
    const Atom thumbnail = walk.Path(movie, {"udta", "ZTTH", "ZTDA"});
    ASSERT_TRUE(thumbnail.found);
    EXPECT_EQ(thumbnail.PayloadOffset(), layout.thumbnailOffset);
    ASSERT_EQ(thumbnail.size - 8, layout.thumbnail.size());
    EXPECT_TRUE(std::equal(layout.thumbnail.begin(), layout.thumbnail.end(),
                           bytes.begin() + static_cast<std::ptrdiff_t>(layout.thumbnailOffset)));
    EXPECT_GE(layout.thumbnail.size(), spec.thumbnailRoom);
    ASSERT_NE(layout.thumbnailLayout.movFileSizeOffset, 0U);
    EXPECT_EQ(ReadOrdered(layout.thumbnail, layout.thumbnailLayout.movFileSizeOffset, spec.makerNoteOrder), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Specs, SampleMovieLayoutTest, ::testing::ValuesIn(LayoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& param) { return std::string(param.param.name); });

TEST(SampleMovieFileTest, FileHoldsTheSameBytesAsTheMemoryBuild) {
    const TempDir dir;
    for (const bool sound : {true, false}) {
        SCOPED_TRACE(sound);
        SampleMovieSpec spec;
        spec.sound.present = sound;
        spec.breakage.twoMdat = true;
        SampleMovieLayout inMemory;
        const std::vector<std::uint8_t> bytes = sample::BuildSampleMovie(spec, &inMemory);
        const SampleMovieLayout written = sample::WriteSampleMovie(dir.File("reel.mov"), spec);
        EXPECT_EQ(ReadFileBytes(dir.File("reel.mov")), bytes);
        EXPECT_EQ(written.fileSize, inMemory.fileSize);
        EXPECT_EQ(written.thumbnail, inMemory.thumbnail);
    }
}

TEST(SampleMovieFileTest, UnwritablePathThrows) {
    const TempDir dir;
    EXPECT_THROW(sample::WriteSampleMovie(dir.File("missing") / "reel.mov", SampleMovieSpec()), std::runtime_error);
}

}
}
}
