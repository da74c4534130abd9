#include "tests/editor/save/SaveFixture.h"

#include "source/MoviePrivateAccess.h"
#include "tests/support/JpegDecoding.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace clipreel {
namespace test {
namespace {

std::string ListText(const std::vector<unsigned>& list) {
    std::ostringstream text;
    text << "[";
    for (std::size_t i = 0; i < list.size(); ++i) text << (i ? ", " : "") << list[i];
    text << "]";
    return text.str();
}

sample::SampleMovieSpec H264Spec(unsigned units) {
    sample::SampleMovieSpec spec;
    spec.units = units;
    spec.frames = sample::FrameContent::H264;
    return spec;
}

class EditedSave : public ::testing::Test {
protected:
    // Saves source with the editing list; the result of CreateNewMovFile.
    CClipreelMovFileEditor::ERROR_CREATEMOVFILE Save(SampleReel& source, const std::vector<unsigned>& list,
                                                     const std::string& name) {
        EXPECT_TRUE(source.reel->SetEditingState(list)) << ListText(list);
        CClipreelMovFileEditor editor(*source.file);
        return editor.CreateNewMovFile(FileLocator(dir.WideFile(name).c_str()), source.reel.get());
    }

    TempDir dir;
};

// Any editing list: the output keeps the source's atoms in order, the new
// movie atom where the old one stood and ending on a 16-byte boundary, and an
// 'mdat' of the kept blocks back to back; every chunk offset points at the
// very bytes the source's chunk held.
TEST_F(EditedSave, WritesTheKeptBlocksInEditingOrderWithAbsoluteChunkOffsets) {
    // Lists that change the first unit need a decodable frame for the new
    // thumbnail: only where the sample writer makes real H.264.
    std::vector<std::vector<unsigned>> lists = {{0, 2}, {0, 1}, {0, 2, 1}};
    if (sample::HaveH264()) {
        for (std::vector<unsigned> list : {std::vector<unsigned>{1, 2}, {1, 0, 2}, {2, 0}, {2, 1, 0}, {1}})
            lists.push_back(list);
    }
    SampleReel source(dir, "source.mov", H264Spec(3));
    const Bytes in = ReadFileBytes(source.path);
    const CZentiMovie& inMovie = *source.file->GetZentiMovie();
    for (const std::vector<unsigned>& list : lists) {
        SCOPED_TRACE(ListText(list));
        const std::string name = "out" + ListText(list) + ".mov";
        ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, Save(source, list, name));
        const Bytes out = ReadFileBytes(dir.File(name));

        const std::vector<Atom> inAtoms = TopLevelAtoms(in);
        const std::vector<Atom> outAtoms = TopLevelAtoms(out);
        ASSERT_EQ(inAtoms.size(), outAtoms.size());
        for (std::size_t i = 0; i < inAtoms.size(); ++i) EXPECT_EQ(inAtoms[i].type, outAtoms[i].type) << i;
        const Atom moov = FindTopAtom(out, "moov");
        EXPECT_EQ(source.layout.moovOffset, moov.offset);
        EXPECT_EQ(0u, (moov.offset + moov.size) % 16);

        const Atom mdat = FindTopAtom(out, "mdat");
        Bytes expectedPayload;
        std::vector<std::uint64_t> blockStart;  // per original unit, in the output
        blockStart.assign(3, 0);
        for (unsigned unit : list) {
            const sample::UnitLayout& u = source.layout.units[unit];
            blockStart[unit] = mdat.offset + 8 + expectedPayload.size();
            const Bytes block = Slice(in, u.offset, u.size);
            expectedPayload.insert(expectedPayload.end(), block.begin(), block.end());
        }
        EXPECT_EQ(8 + expectedPayload.size(), mdat.size);
        EXPECT_TRUE(Slice(out, mdat.offset + 8, mdat.size - 8) == expectedPayload);

        CZentiMovFile outFile(FileLocator(dir.WideFile(name).c_str()));
        ASSERT_TRUE(outFile.IsValid());
        const CZentiMovie& outMovie = *outFile.GetZentiMovie();
        CZentiMovie::ClipreelMovieInfo info{};
        ASSERT_TRUE(outMovie.IsClipreelMovie(&info));
        EXPECT_EQ(list.size(), info.shootingUnitCount);
        CClipreelMovie outReel(&outFile);
        ASSERT_TRUE(outReel.IsValid());
        ASSERT_EQ(list.size(), outReel.GetShootingUnitCount());

        // Frame by frame and chunk by chunk, in editing-list order.
        unsigned frame = 0;
        unsigned chunk = 0;
        ASSERT_EQ(source.FrameCount(list), outMovie.GetVideoFrameCount());
        for (unsigned unit : list) {
            const sample::UnitLayout& u = source.layout.units[unit];
            const std::uint64_t shift = blockStart[unit] - u.offset;
            for (const sample::FrameLayout& f : u.frames) {
                EXPECT_EQ(f.offset + shift, outMovie.GetVideoFrameFileOffset(frame)) << "frame " << frame;
                EXPECT_EQ(f.size, outMovie.GetVideoFrameDataSize(frame)) << "frame " << frame;
                ++frame;
            }
            if (u.soundSize != 0) {
                EXPECT_EQ(u.soundOffset + shift, outMovie.GetSoundChunkFileOffset(chunk)) << "chunk " << chunk;
                ++chunk;
            }
        }
        EXPECT_EQ(chunk, outMovie.GetSoundChunkCount());
        EXPECT_EQ(inMovie.GetVideoFrameDuration(), outMovie.GetVideoFrameDuration());
    }
}

// The padding 'free' atom ends the movie atom and is replaced, not added to,
// when an edited file is edited again.
TEST_F(EditedSave, EditingTheOutputAgainDoesNotGrowThePadding) {
    sample::SampleMovieSpec spec;
    spec.units = 4;
    spec.movieEndsWithFree = true;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, Save(source, {0, 1, 3}, "first.mov"));

    CZentiMovFile first(FileLocator(dir.WideFile("first.mov").c_str()));
    ASSERT_TRUE(first.IsValid());
    CClipreelMovie firstReel(&first);
    ASSERT_TRUE(firstReel.IsValid());
    ASSERT_TRUE(firstReel.RemoveShootingUnit(2));
    CClipreelMovFileEditor editor(first);
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
              editor.CreateNewMovFile(FileLocator(dir.WideFile("second.mov").c_str()), &firstReel));

    for (const char* name : {"first.mov", "second.mov"}) {
        SCOPED_TRACE(name);
        const Bytes out = ReadFileBytes(dir.File(name));
        const Atom moov = FindTopAtom(out, "moov");
        EXPECT_EQ(0u, (moov.offset + moov.size) % 16);
        const std::vector<Atom> children = AtomWalk(out).Children(moov);
        ASSERT_FALSE(children.empty());
        unsigned freeAtoms = 0;
        for (const Atom& child : children)
            if (child.type == Code("free")) ++freeAtoms;
        const Atom& last = children.back();
        EXPECT_EQ(moov.End(), last.End());
        EXPECT_EQ(1u, freeAtoms);
        EXPECT_EQ(Code("free"), last.type);
        EXPECT_GE(last.size, 8u);
        EXPECT_LE(last.size, 23u);
    }
    CZentiMovFile second(FileLocator(dir.WideFile("second.mov").c_str()));
    CClipreelMovie secondReel(&second);
    ASSERT_TRUE(secondReel.IsValid());
    EXPECT_EQ(2u, secondReel.GetShootingUnitCount());
    EXPECT_EQ(source.FrameCount({0, 1}), second.GetZentiMovie()->GetVideoFrameCount());
}

// An independent decoder reads every kept frame and the kept sound of the
// output: the decoded PCM is the kept units' sound chunks end to end.
TEST_F(EditedSave, FfmpegDecodesEveryKeptFrameAndTheKeptSound) {
    if (RunningOnWindows()) GTEST_SKIP() << "ffprobe is a tool of the build machine";
    SampleReel source(dir, "source.mov", H264Spec(4));
    const std::vector<unsigned> list = {3, 0, 2};
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, Save(source, list, "out.mov"));
    const std::string out = dir.File("out.mov").string();

    int status = -1;
    const std::string frames = RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                          "stream=nb_read_frames -of csv=p=0 '" + out + "' 2>&1",
                                          status);
    ASSERT_EQ(0, status) << frames;
    EXPECT_EQ(std::to_string(source.FrameCount(list)) + "\n", frames);

    const std::string errors = RunCommand("ffmpeg -v error -i '" + out + "' -map 0:v:0 -f null - 2>&1", status);
    EXPECT_EQ(0, status);
    EXPECT_EQ("", errors);

    const std::string pcm =
        RunCommand("ffmpeg -v error -i '" + out + "' -map 0:a:0 -f s16le -acodec pcm_s16le - 2>/dev/null", status);
    ASSERT_EQ(0, status);
    const Bytes in = ReadFileBytes(source.path);
    std::string expected;
    for (unsigned unit : list) {
        const sample::UnitLayout& u = source.layout.units[unit];
        const Bytes chunk = Slice(in, u.soundOffset, u.soundSize);
        expected.append(chunk.begin(), chunk.end());
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected.size(), pcm.size());
    EXPECT_TRUE(expected == pcm);
}

// When the first unit changes, the thumbnail is made again from the middle
// of the new first unit's first frame; the new file is still read as a
// Clipreel movie.
TEST_F(EditedSave, MakesANewThumbnailShowingTheNewFirstUnit) {
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 sample frames in this build";
    const std::vector<std::vector<unsigned>> lists = {{1, 2}, {1, 0}, {2, 0, 1}};
    SampleReel source(dir, "source.mov", H264Spec(3));
    for (const std::vector<unsigned>& list : lists) {
        SCOPED_TRACE(ListText(list));
        const std::string name = "out" + ListText(list) + ".mov";
        ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, Save(source, list, name));
        CZentiMovFile outFile(FileLocator(dir.WideFile(name).c_str()));
        ASSERT_TRUE(outFile.IsValid());
        ASSERT_TRUE(outFile.GetZentiMovie()->IsClipreelMovie(nullptr));
        const Bytes thumbnail = ThumbnailOf(*outFile.GetZentiMovie());
        EXPECT_GE(thumbnail.size(), 1024u);
        EXPECT_LE(thumbnail.size(), source.layout.thumbnail.size());
        // The old start of image and Exif segment stay as they were apart
        // from the record and identifier.
        const std::uint32_t exifEnd = source.layout.thumbnailLayout.exifSegmentEnd;
        ASSERT_GT(thumbnail.size(), exifEnd);
        EXPECT_TRUE(Slice(thumbnail, 0, source.layout.thumbnailLayout.recordOffset) ==
                    Slice(source.layout.thumbnail, 0, source.layout.thumbnailLayout.recordOffset));
        platform::Image decoded;
        ASSERT_TRUE(DecodeJpeg(thumbnail.data(), thumbnail.size(), decoded));
        EXPECT_EQ(160u, decoded.width);
        EXPECT_EQ(120u, decoded.height);
        std::uint8_t colour[3];
        sample::UnitColour(list[0], colour);
        // The top quarter shows the unit's colour without its drawn number.
        EXPECT_LE(ColourDistance(AverageRows(decoded, 2, 26), colour), 12.0);
    }
}

// A new first unit whose frame cannot be decoded (dummy frame bytes) gives
// no thumbnail: the save fails with 6 and keeps the record unwritten.
TEST_F(EditedSave, FailsWithAThumbnailErrorWhenTheNewFirstFrameCannotBeDecoded) {
    sample::SampleMovieSpec spec;
    spec.units = 3;
    SampleReel source(dir, "source.mov", spec);
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_THUMBNAIL_ERROR, Save(source, {2, 0}, "out.mov"));
    const Bytes out = ReadFileBytes(dir.File("out.mov"));
    const std::uint64_t moovEnd = source.layout.moovOffset + U32At(out, source.layout.moovOffset);
    const Bytes moov = Slice(out, source.layout.moovOffset, moovEnd - source.layout.moovOffset);
    std::unique_ptr<CZentiMovie> written =
        MoviePrivateAccess::NewMovie(reinterpret_cast<const AtomHeader*>(moov.data()), nullptr);
    EXPECT_TRUE(ThumbnailOf(*written) == source.layout.thumbnail);
}

TEST_F(EditedSave, DrawsAFullHdFirstUnitIntoTheThumbnailsWideBand) {
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 sample frames in this build";
    sample::SampleMovieSpec spec = H264Spec(2);
    spec.width = 1920;
    spec.height = 1080;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, Save(source, {1}, "out.mov"));
    CZentiMovFile outFile(FileLocator(dir.WideFile("out.mov").c_str()));
    const Bytes thumbnail = ThumbnailOf(*outFile.GetZentiMovie());
    platform::Image decoded;
    ASSERT_TRUE(DecodeJpeg(thumbnail.data(), thumbnail.size(), decoded));
    ASSERT_EQ(120u, decoded.height);
    std::uint8_t colour[3];
    sample::UnitColour(1, colour);
    const std::uint8_t black[3] = {0, 0, 0};
    EXPECT_LE(ColourDistance(AverageRows(decoded, 0, 12), black), 4.0);
    EXPECT_LE(ColourDistance(AverageRows(decoded, 18, 36), colour), 12.0);
    EXPECT_LE(ColourDistance(AverageRows(decoded, 108, 120), black), 4.0);
}

}
}
}
