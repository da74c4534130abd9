// Salvage: a reel cut short keeps the units whose blocks lie wholly in the
// file; a cut that leaves no movie atom or no whole unit is refused.
#include "ClipreelReelOperations.h"
#include "tests/editor/save/DecodedMedia.h"
#include "tests/editor/save/SaveFixture.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {
namespace {

// One point a reel is cut at, and what salvage makes of it.
struct CutCase {
    const char* where;
    std::uint64_t cutAt;
    unsigned recovered;  // 0: refused
    const char* reason;
    bool readsWhole;     // cut where an atom ends: the reader alone may take the file
};

// Cuts the reel that spec describes (written whole as `whole`) at each point
// and salvages it: the units whose blocks lie wholly in the file come back
// as a camera reel that FFmpeg decodes to exactly those units of the whole
// reel; a refusal writes nothing.
void ExpectSalvageAtEachCut(const TempDir& dir, const sample::SampleMovieSpec& spec, const SampleReel& whole,
                            const std::vector<CutCase>& cases) {
    const sample::SampleMovieLayout& layout = whole.layout;
    const bool decode = !RunningOnWindows() && layout.h264;
    DecodedMedia decodedWhole;
    if (decode) {
        decodedWhole = DecodeWithFfmpeg(whole.path, layout.soundSamplesPerUnit);
        ASSERT_TRUE(decodedWhole.decoded) << decodedWhole.errors;
    }
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.where);
        sample::SampleMovieSpec cutSpec = spec;
        cutSpec.breakage.truncateAt = c.cutAt;
        const std::filesystem::path cut = dir.File(std::string("cut-") + c.where + ".mov");
        sample::WriteSampleMovie(cut, cutSpec);
        ASSERT_EQ(c.cutAt, std::filesystem::file_size(cut));
        // The reader alone refuses it, or, cut where an atom ends, never
        // takes it for a Clipreel movie.
        const CZentiMovFile asItStands(FileLocator(cut.wstring().c_str()));
        if (!c.readsWhole) {
            EXPECT_FALSE(asItStands.IsValid());
        }
        EXPECT_FALSE(asItStands.IsValid() && asItStands.GetZentiMovie()->IsClipreelMovie(nullptr));

        CClipreelReelSalvager salvager(FileLocator(cut.wstring().c_str()));
        EXPECT_TRUE(salvager.IsTruncated());
        EXPECT_EQ(c.recovered, salvager.GetRecoverableShootingUnitCount());
        EXPECT_EQ(c.recovered != 0, salvager.CanSalvage());
        EXPECT_EQ(c.reason, salvager.GetRefusalReason());
        const std::filesystem::path out = dir.File(std::string("saved-") + c.where + ".mov");
        const auto result = salvager.CreateSalvagedMovFile(FileLocator(out.wstring().c_str()));
        if (c.recovered == 0) {
            EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE, result);
            EXPECT_FALSE(std::filesystem::exists(out));
            continue;
        }
        EXPECT_EQ(3u, salvager.GetShootingUnitCount());
        ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, result);
        ExpectCameraReel(out, c.recovered, spec.framesPerUnit, layout.thumbnail);
        // Whatever atom the cut left incomplete is not carried over.
        EXPECT_FALSE(CClipreelReelSalvager(FileLocator(out.wstring().c_str())).IsTruncated());
        if (!decode) continue;
        const DecodedMedia decoded = DecodeWithFfmpeg(out, layout.soundSamplesPerUnit);
        ASSERT_TRUE(decoded.decoded) << decoded.errors;
        std::vector<unsigned> units;
        for (unsigned u = 0; u < c.recovered; ++u) units.push_back(u);
        const DecodedMedia expected = UnitsOf(decodedWhole, units, spec.framesPerUnit);
        EXPECT_EQ(expected.frames, decoded.frames);
        EXPECT_EQ(expected.soundUnits, decoded.soundUnits);
    }
}

TEST(ReelSalvage, RecoversTheWholeUnitsOfReelsCutAtSeveralPoints) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    spec.units = 3;
    spec.frames = sample::FrameContent::H264;
    SampleReel whole(dir, "whole.mov", spec);
    const sample::SampleMovieLayout& layout = whole.layout;
    ExpectSalvageAtEachCut(dir, spec, whole,
                           {
                               {"inside the movie atom", layout.moovOffset + layout.moovSize / 2, 0,
                                "no whole movie atom: the file ends before its movie atom does", false},
                               {"inside the first unit", layout.units[0].offset + layout.units[0].size / 2, 0,
                                "no shooting unit lies wholly in the file", false},
                               {"between the first and second unit", layout.units[1].offset, 1, "", false},
                               {"inside the last unit", layout.units[2].offset + 100, 2, "", false},
                               {"one byte short", layout.fileSize - 1, 2, "", false},
                           });
}

// A reel with an atom after its media data, cut where a copy may stop: in
// that atom, in its header, exactly where the media data end, or right
// after the movie atom. Every unit whose block is whole comes back; a file
// that kept no media data is refused for what it is. Each cut file is a
// cut one, even where it reads as a whole movie.
TEST(ReelSalvage, RecoversTheUnitsOfAReelCutAfterItsMediaData) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    spec.units = 3;
    spec.frames = sample::FrameContent::H264;
    sample::ExtraAtom trailing;
    trailing.type = FourCC("udta");
    trailing.payload.assign(600, 0x5A);
    trailing.afterMediaData = true;
    spec.extraAtoms.push_back(trailing);
    SampleReel whole(dir, "whole.mov", spec);
    const sample::SampleMovieLayout& layout = whole.layout;
    const std::uint64_t mediaEnd = layout.mdatOffset + layout.mdatSize;
    ASSERT_EQ(layout.moovOffset + layout.moovSize, layout.mdatOffset);
    ASSERT_EQ(mediaEnd + 8 + trailing.payload.size(), layout.fileSize);
    ExpectSalvageAtEachCut(dir, spec, whole,
                           {
                               {"inside the trailing atom", mediaEnd + 300, 3, "", false},
                               {"inside the header of the trailing atom", mediaEnd + 5, 3, "", false},
                               {"where the media data end", mediaEnd, 3, "", true},
                               {"right after the movie atom", layout.moovOffset + layout.moovSize, 0,
                                "no media data: the file ends before its media data begins", false},
                           });
    // The whole reel, its trailing atom included, is not cut.
    EXPECT_FALSE(CClipreelReelSalvager(whole.Locator()).IsTruncated());
}

// A movie whose media lie in another file holds no media data by design: a
// reference movie is never taken for a cut reel.
TEST(ReelSalvage, AReferenceMovieIsNotACutReel) {
    TempDir dir;
    SampleReel whole(dir, "whole.mov", sample::SampleMovieSpec());
    CClipreelMovFileEditor editor(*whole.file);
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
              editor.CreateReferenceMovFile(FileLocator(dir.WideFile("ref.mov").c_str()), whole.reel.get()));
    CClipreelReelSalvager salvager(FileLocator(dir.WideFile("ref.mov").c_str()));
    EXPECT_FALSE(salvager.IsTruncated());
    EXPECT_FALSE(salvager.CanSalvage());
}

TEST(ReelSalvage, AWholeReelIsNotTruncatedAndKeepsEveryUnit) {
    TempDir dir;
    SampleReel whole(dir, "whole.mov", sample::SampleMovieSpec());
    CClipreelReelSalvager salvager(FileLocator(whole.path.wstring().c_str()));
    EXPECT_FALSE(salvager.IsTruncated());
    EXPECT_EQ(3u, salvager.GetRecoverableShootingUnitCount());
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
              salvager.CreateSalvagedMovFile(FileLocator(dir.WideFile("out.mov").c_str())));
    ExpectCameraReel(dir.File("out.mov"), 3, whole.spec.framesPerUnit, {});
    // Never over the damaged file itself.
    const Bytes before = ReadFileBytes(whole.path);
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR,
              salvager.CreateSalvagedMovFile(FileLocator(whole.path.wstring().c_str())));
    EXPECT_EQ(before, ReadFileBytes(whole.path));
}

TEST(ReelSalvage, RefusesAMovieWithoutCameraData) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    spec.breakage.ztcvPayload = "XXXX";
    spec.breakage.truncateAt = 0;
    SampleReel broken(dir, "nocamera.mov", spec);
    sample::SampleMovieSpec cutSpec = spec;
    cutSpec.breakage.truncateAt = broken.layout.units[1].offset;
    sample::WriteSampleMovie(dir.File("cut.mov"), cutSpec);
    CClipreelReelSalvager salvager(FileLocator(dir.WideFile("cut.mov").c_str()));
    EXPECT_FALSE(salvager.CanSalvage());
    EXPECT_EQ("no camera data: the movie atom is not a camera movie's", salvager.GetRefusalReason());
}

}
}
}
