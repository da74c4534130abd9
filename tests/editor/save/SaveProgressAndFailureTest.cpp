#include "tests/editor/save/SaveFixture.h"

#include "editor/EditorPrivateAccess.h"
#include "editor/JpegImageData.h"
#include "source/MoviePrivateAccess.h"
#include "tests/support/JpegDecoding.h"
#include "tests/support/WineCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace clipreel {
namespace test {
namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;
using Call = std::pair<EClipreelMovFileEditorProgressCallbackMessage, double>;

class SaveRun : public ::testing::Test {
protected:
    Result Save(SampleReel& source, const std::string& name, ProgressRecorder* log = nullptr) {
        CClipreelMovFileEditor editor(*source.file);
        if (log != nullptr) log->Attach(editor);
        return editor.CreateNewMovFile(FileLocator(dir.WideFile(name).c_str()), source.reel.get());
    }
    TempDir dir;
};

// Four kept units: one message per unit with its fraction, and the current
// fraction repeated after every other atom and after the last write of the
// movie atom; start and end around them.
TEST_F(SaveRun, ReportsEachKeptUnitAndRepeatsBetweenTheOtherSteps) {
    sample::SampleMovieSpec spec;
    spec.units = 5;
    sample::AddAtomsAroundMediaData(spec);
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.reel->RemoveShootingUnit(2));
    ProgressRecorder log;
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, Save(source, "out.mov", &log));

    std::vector<Call> expected = {{PROGRESS_MESSAGE_START, 0.0}};
    double current = 0.0;
    for (const sample::AtomLayout& atom : source.layout.atoms) {
        if (atom.type == FourCC("mdat")) {
            for (double f : {0.25, 0.5, 0.75, 1.0}) expected.emplace_back(PROGRESS_MESSAGE_PROGRESS, current = f);
        } else {
            expected.emplace_back(PROGRESS_MESSAGE_PROGRESS, current);
        }
    }
    expected.emplace_back(PROGRESS_MESSAGE_PROGRESS, 1.0);
    expected.emplace_back(PROGRESS_MESSAGE_END, 1.0);
    EXPECT_EQ(expected, log.calls);
}

// Cancelled at the message after the second kept unit: the output holds the
// movie atom with absolute chunk offsets but the old record, an 'mdat'
// header still saying 0, and the first two kept blocks.
TEST_F(SaveRun, StopsAtACancelAfterTheSecondUnitLeavingWhatWasWritten) {
    sample::SampleMovieSpec spec;
    spec.units = 4;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.reel->SetEditingState({0, 2, 3}));
    ProgressRecorder log;
    // start, repeats after the atoms before 'mdat', then units 1 and 2.
    unsigned before = 0;
    for (const sample::AtomLayout& atom : source.layout.atoms) {
        if (atom.type == FourCC("mdat")) break;
        ++before;
    }
    log.cancelAtCall = static_cast<int>(1 + before + 1);
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_CANCELED, Save(source, "out.mov", &log));
    ASSERT_EQ(static_cast<std::size_t>(log.cancelAtCall + 1), log.calls.size());
    EXPECT_DOUBLE_EQ(2.0 / 3.0, log.calls.back().second);

    const Bytes in = ReadFileBytes(source.path);
    const Bytes out = ReadFileBytes(dir.File("out.mov"));
    const std::uint64_t moovEnd = source.layout.moovOffset + U32At(out, source.layout.moovOffset);
    const sample::UnitLayout& u0 = source.layout.units[0];
    const sample::UnitLayout& u2 = source.layout.units[2];
    ASSERT_EQ(moovEnd + 8 + u0.size + u2.size, out.size());
    EXPECT_EQ(0u, U32At(out, moovEnd));
    EXPECT_EQ(FourCC("mdat"), U32At(out, moovEnd + 4));
    EXPECT_TRUE(Slice(out, moovEnd + 8, u0.size) == Slice(in, u0.offset, u0.size));
    EXPECT_TRUE(Slice(out, moovEnd + 8 + u0.size, u2.size) == Slice(in, u2.offset, u2.size));

    const Bytes moov = Slice(out, source.layout.moovOffset, moovEnd - source.layout.moovOffset);
    std::unique_ptr<CZentiMovie> written =
        MoviePrivateAccess::NewMovie(reinterpret_cast<const AtomHeader*>(moov.data()), nullptr);
    EXPECT_EQ(moovEnd + 8 + (u0.frames[0].offset - u0.offset), written->GetVideoFrameFileOffset(0));
    EXPECT_EQ(moovEnd + 8 + u0.size + (u2.frames[0].offset - u2.offset),
              written->GetVideoFrameFileOffset(static_cast<unsigned>(u0.frames.size())));
    // The record still describes the source.
    EXPECT_TRUE(ThumbnailOf(*written) == source.layout.thumbnail);
}

// Sources the writer cannot rewrite, and destinations it cannot write, fail
// with their codes; nothing is created before the source has been checked.
TEST_F(SaveRun, RefusesSourcesThatBreakTheWritersLayoutBeforeWritingAnything) {
    struct Case {
        const char* name;
        bool mdatBeforeMoov;
        bool twoMdat;
    };
    const Case cases[] = {{"media data before the movie atom", true, false}, {"two media data atoms", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec spec;
        spec.breakage.mdatBeforeMoov = c.mdatBeforeMoov;
        spec.breakage.twoMdat = c.twoMdat;
        SampleReel source(dir, std::string(c.name) + ".mov", spec);
        source.reel->RemoveShootingUnit(1);
        CClipreelMovFileEditor editor(*source.file);
        const std::string name = std::string("out ") + c.name + ".mov";
        EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE,
                  EditorPrivateAccess::createNewMovFile_standard(editor, FileLocator(dir.WideFile(name).c_str()),
                                                                 source.reel.get()));
        EXPECT_FALSE(std::filesystem::exists(dir.File(name)));
    }
}

// The source became shorter after it was opened: the unit that can no
// longer be read in full ends the save with 3.
TEST_F(SaveRun, ReportsASourceThatBecameShorterAsInvalid) {
    sample::SampleMovieSpec spec;
    spec.units = 3;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.reel->RemoveShootingUnit(0));
    const sample::UnitLayout& last = source.layout.units[2];
    std::filesystem::resize_file(source.path, last.offset + last.size / 2);
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE, Save(source, "out.mov"));
}

TEST_F(SaveRun, ReportsAFullDiskAndAnUncreatableDestination) {
    sample::SampleMovieSpec spec;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.reel->RemoveShootingUnit(1));
    CClipreelMovFileEditor editor(*source.file);
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR,
              editor.CreateNewMovFile(FileLocator(dir.WideFile("missing/out.mov").c_str()), source.reel.get()));
    if (RunningOnWindows()) return;  // no device that is always full
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_DISK_FULL,
              editor.CreateNewMovFile(FileLocator(L"/dev/full"), source.reel.get()));
}

TEST_F(SaveRun, RefusesAMissingReelAsAnInternalError) {
    sample::SampleMovieSpec spec;
    SampleReel source(dir, "source.mov", spec);
    CClipreelMovFileEditor editor(*source.file);
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR,
              EditorPrivateAccess::createNewMovFile_standard(editor, FileLocator(dir.WideFile("out.mov").c_str()),
                                                             nullptr));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.mov")));
}

// The new thumbnail must fit the old one's room: it is encoded again at lower
// qualities until it does, and the save fails with 6 when it never does.
TEST_F(SaveRun, ShrinksTheNewThumbnailToTheOldRoomOrFails) {
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 sample frames in this build";
    // The sample thumbnail's Exif segment ends at byte 402 and its built-in
    // image makes the payload 1122 bytes: 720 bytes of room, less than even
    // the lowest quality needs. A payload of 1700 bytes leaves 1298, where
    // the default quality (about 1770 bytes of image data) does not fit but
    // a lower one does.
    struct Case {
        unsigned thumbnailRoom;
        Result result;
    };
    const Case cases[] = {{1700, CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS},
                          {0, CClipreelMovFileEditor::CREATEMOVFILE_THUMBNAIL_ERROR}};
    for (const Case& c : cases) {
        SCOPED_TRACE("room " + std::to_string(c.thumbnailRoom));
        // Wine's WIC JPEG encoder takes the quality but applies one fixed
        // quality, so no new thumbnail ever gets smaller there.
        if (c.result == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS && test::RunningUnderWine()) continue;
        sample::SampleMovieSpec spec;
        spec.units = 2;
        spec.frames = sample::FrameContent::H264;
        spec.thumbnailRoom = c.thumbnailRoom;
        SampleReel source(dir, "room" + std::to_string(c.thumbnailRoom) + ".mov", spec);
        ASSERT_TRUE(source.reel->RemoveShootingUnit(0));
        const std::string name = "out" + std::to_string(c.thumbnailRoom) + ".mov";
        EXPECT_EQ(c.result, Save(source, name));
        if (c.result != CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) continue;
        CZentiMovFile outFile(FileLocator(dir.WideFile(name).c_str()));
        const Bytes thumbnail = ThumbnailOf(*outFile.GetZentiMovie());
        EXPECT_LE(thumbnail.size(), source.layout.thumbnail.size());
        platform::Image decoded;
        ASSERT_TRUE(DecodeJpeg(thumbnail.data(), thumbnail.size(), decoded));
        std::uint8_t colour[3];
        sample::UnitColour(1, colour);
        EXPECT_LE(ColourDistance(AverageRows(decoded, 2, 26), colour), 16.0);
    }
}

}
}
}
