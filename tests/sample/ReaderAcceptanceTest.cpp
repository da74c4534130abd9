// The library's reader takes the writer's movies as camera movies: every
// variant a test may need opens valid as a Clipreel reel of the written
// shape, and each breakage makes it refuse what the breakage is about.
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "sample/SampleMovieWriter.h"
#include "source/MoviePrivateAccess.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace clipreel {
namespace test {
namespace {

using sample::SampleMovieSpec;

struct AcceptanceCase {
    const char* name;
    std::function<void(SampleMovieSpec&)> change;
    bool valid;
    int shootingUnits;  // -1: not a Clipreel movie
    unsigned soundSamplesPerUnit;
};

const AcceptanceCase AcceptanceCases[] = {
    {"Default", [](SampleMovieSpec&) {}, true, 3, 48048},
    {"VideoOnly", [](SampleMovieSpec& s) { s.sound.present = false; }, true, 3, 0},
    {"TwosAt25", [](SampleMovieSpec& s) {
         s.timeScale = 25000; s.frameDuration = 1000; s.framesPerUnit = 12; s.groupOfPicture = 12;
         s.sound.format = FourCC("twos"); s.sound.sampleRate = 32000;
     }, true, 3, 15360},
    {"LongRecordBigEndian", [](SampleMovieSpec& s) {
         s.creatorVersion = 10; s.tiffOrder = ByteOrder::Big; s.makerNoteOrder = ByteOrder::Big;
     }, true, 3, 48048},
    {"RelocatedMakerNote", [](SampleMovieSpec& s) { s.makerNoteRelocation = 100; s.makerNoteOrder = ByteOrder::Big; }, true, 3, 48048},
    {"ProductAbove32Bits", [](SampleMovieSpec& s) { s.units = 2; s.framesPerUnit = 120; }, true, 2, 192192},
    {"OneUnit", [](SampleMovieSpec& s) { s.units = 1; }, true, 1, 48048},
    {"ExtraAtomsAndFree", [](SampleMovieSpec& s) {
         s.extraAtoms = {{FourCC("wide"), {}, false}, {FourCC("skip"), {1, 2}, true}};
         s.movieFreeAtoms = 1; s.movieEndsWithFree = true;
     }, true, 3, 48048},
    {"MediaDataFirst", [](SampleMovieSpec& s) { s.breakage.mdatBeforeMoov = true; }, true, 3, 48048},
    {"RealH264", [](SampleMovieSpec& s) { s.frames = sample::FrameContent::H264; s.units = 2; }, true, 2, 48048},
    {"SoundInOtherFile", [](SampleMovieSpec& s) { s.breakage.soundInOtherFile = true; }, true, 3, 0},
    {"WrongRecordedFileSize", [](SampleMovieSpec& s) { s.breakage.wrongRecordedFileSize = true; }, true, -1, 48048},
    {"ExtraFrames", [](SampleMovieSpec& s) { s.breakage.extraFrames = 10; }, true, -1, 48048},
    {"NotReelMode", [](SampleMovieSpec& s) { s.movieMode = 9; }, true, -1, 48048},
    {"Version5", [](SampleMovieSpec& s) { s.creatorVersion = 5; }, true, -1, 48048},
    {"BadZtcvDigits", [](SampleMovieSpec& s) { s.breakage.ztcvPayload = "ZentiAVC00A6"; }, false, -1, 0},
    {"TwoSamplesPerVideoChunk", [](SampleMovieSpec& s) { s.breakage.twoSamplesPerVideoChunk = true; }, false, -1, 0},
    {"TwoDataReferences", [](SampleMovieSpec& s) { s.breakage.twoDataReferences = true; }, false, -1, 0},
    {"VideoChunkOffsets64", [](SampleMovieSpec& s) { s.breakage.videoChunkOffsets64 = true; }, false, -1, 0},
    {"MdatSize64", [](SampleMovieSpec& s) { s.breakage.mdatSize64 = true; }, false, -1, 0},
    {"TrailingBytes", [](SampleMovieSpec& s) { s.breakage.trailingBytes = {0, 0, 0, 0}; }, false, -1, 0},
    {"SecondMoov", [](SampleMovieSpec& s) { s.breakage.secondMoov = true; }, false, -1, 0},
    {"NoFramePerUnitInRecord", [](SampleMovieSpec& s) { s.recordFramePerUnit = false; }, false, -1, 0},
    {"DescribedRateDoesNotDivide", [](SampleMovieSpec& s) { s.breakage.describedSampleRate = 44100; }, false, -1, 0},
};

class ReaderAcceptanceTest : public ::testing::TestWithParam<AcceptanceCase> {};

TEST_P(ReaderAcceptanceTest, ReaderSeesTheWrittenShape) {
    const AcceptanceCase& c = GetParam();
    SampleMovieSpec spec;
    c.change(spec);
    const TempDir dir;
    const std::wstring path = dir.WideFile("reel.mov");
    const sample::SampleMovieLayout layout = sample::WriteSampleMovie(dir.File("reel.mov"), spec);
    const CZentiMovFile file{FileLocator(path.c_str())};
    ASSERT_EQ(file.IsValid(), c.valid);
    if (!c.valid) return;
    const CZentiMovie* movie = file.GetZentiMovie();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(MoviePrivateAccess::GetMovieDescMovFileSize(*movie),
              layout.fileSize + (spec.breakage.wrongRecordedFileSize ? 1 : 0));
    const CStoredSampleUnit2* unit = MoviePrivateAccess::GetStoredSampleUnit(*movie);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->framesPerUnit, spec.framesPerUnit);
    EXPECT_EQ(unit->soundSamplesPerUnit, c.soundSamplesPerUnit);
    EXPECT_EQ(movie->GetVideoFrameCount(), spec.units * spec.framesPerUnit + spec.breakage.extraFrames);
    EXPECT_EQ(movie->GetVideoFrameFileOffset(0), layout.units.at(0).frames.at(0).offset);
    CZentiMovie::ClipreelMovieInfo info{};
    EXPECT_EQ(movie->IsClipreelMovie(&info), c.shootingUnits >= 0);
    if (c.shootingUnits >= 0) {
        EXPECT_EQ(info.shootingUnitCount, static_cast<unsigned>(c.shootingUnits));
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, ReaderAcceptanceTest, ::testing::ValuesIn(AcceptanceCases),
                         [](const ::testing::TestParamInfo<AcceptanceCase>& param) { return std::string(param.param.name); });

}
}
}
