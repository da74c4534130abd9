#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "ZentiMovie.h"
#include "reference/AliasRecordEx.h"
#include "sample/SampleMovieWriter.h"
#include "source/MovieTime.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/SampleReel.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;
using sample::SampleMovieSpec;

// The alias record every track of a reference movie to this file must carry.
std::vector<std::uint8_t> AliasRecordOf(const std::filesystem::path& source) {
    const std::wstring path = source.wstring();
    CAliasRecordEx record(path.c_str());
    std::uint32_t length = 0;
    std::unique_ptr<void, decltype(&std::free)> data(record.GetRecordData(length), &std::free);
    if (!data) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data.get());
    return std::vector<std::uint8_t>(bytes, bytes + length);
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, const Atom& atom) {
    if (!atom.found) return {};
    return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(atom.offset),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(atom.offset + atom.size));
}

// The data reference atom a reference movie's track must hold: version and
// flags 0, one entry of the source entry's type with flags 0 whose data is
// the alias record.
std::vector<std::uint8_t> ExpectedDataReference(std::uint32_t entryType, const std::vector<std::uint8_t>& alias) {
    const std::uint32_t entrySize = 12 + static_cast<std::uint32_t>(alias.size());
    std::vector<std::uint8_t> bytes(16 + entrySize, 0);
    PutU32At(bytes, 0, 16 + entrySize);
    PutU32At(bytes, 4, Code("dref"));
    PutU32At(bytes, 12, 1);
    PutU32At(bytes, 16, entrySize);
    PutU32At(bytes, 20, entryType);
    std::copy(alias.begin(), alias.end(), bytes.begin() + 28);
    return bytes;
}

Atom DataReference(const std::vector<std::uint8_t>& bytes, const Atom& moov, std::uint32_t handler) {
    const AtomWalk walk(bytes);
    return walk.Path(walk.Track(moov, handler), {"mdia", "minf", "dinf", "dref"});
}

class ReferenceMovFileTest : public ::testing::Test {
protected:
    static SampleMovieSpec Spec() {
        SampleMovieSpec spec;
        spec.units = 3;
        spec.movieFreeAtoms = 2;  // dropped from the reference movie
        return spec;
    }

    Result Create(const CClipreelMovie* reel) {
        CClipreelMovFileEditor editor(*source.file);
        progress.Attach(editor);
        earliest = CurrentMovieTime();
        const Result result = editor.CreateReferenceMovFile(FileLocator(destination.wstring().c_str()), reel);
        latest = CurrentMovieTime();
        // A reference movie is one write: it sends no progress message at all.
        EXPECT_TRUE(progress.calls.empty()) << progress.calls.size() << " progress messages";
        return result;
    }

    // The destination is one 'moov' atom as long as the file.
    Atom ExpectOneMovieAtom(const std::vector<std::uint8_t>& bytes) {
        const Atom moov = AtomWalk(bytes).At(0);
        EXPECT_TRUE(moov.found);
        EXPECT_EQ(CodeText(moov.type), "moov");
        EXPECT_EQ(moov.size, bytes.size());
        return moov;
    }

    void ExpectAliasDataReferences(const std::vector<std::uint8_t>& bytes, const Atom& moov) {
        const std::vector<std::uint8_t> sourceBytes = source.Bytes();
        const Atom sourceMoov = AtomWalk(sourceBytes).At(source.layout.moovOffset);
        const std::vector<std::uint8_t> alias = AliasRecordOf(source.path);
        ASSERT_FALSE(alias.empty());
        for (const std::uint32_t handler : {Code("vide"), Code("soun")}) {
            SCOPED_TRACE(CodeText(handler));
            const Atom sourceDref = DataReference(sourceBytes, sourceMoov, handler);
            ASSERT_TRUE(sourceDref.found);
            const std::uint32_t entryType = U32At(sourceBytes, sourceDref.offset + 20);
            EXPECT_EQ(Slice(bytes, DataReference(bytes, moov, handler)), ExpectedDataReference(entryType, alias));
        }
    }

    void ExpectFreshModificationTimes(const std::vector<std::uint8_t>& bytes, const Atom& moov) {
        const std::vector<std::size_t> fields = ModificationTimeFields(bytes, moov);
        ASSERT_EQ(fields.size(), 5u);  // the movie, two tracks and two media
        for (const std::size_t field : fields) {
            EXPECT_GE(U32At(bytes, field), earliest);
            EXPECT_LE(U32At(bytes, field), latest);
        }
    }

    TempDir dir;
    SampleReel source{dir, "source.mov", Spec()};
    std::filesystem::path destination = dir.File("reference.mov");
    std::uint32_t earliest = 0;
    std::uint32_t latest = 0;
    ProgressRecorder progress;
};

// Without a reel the reference movie keeps every sample table and duration
// of the source; only the data references, the modification times and the
// movie-level 'free' atoms differ.
TEST_F(ReferenceMovFileTest, WholeSourceWithoutReel) {
    ASSERT_EQ(Create(nullptr), CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS);

    const std::vector<std::uint8_t> bytes = ReadFileBytes(destination);
    const Atom moov = ExpectOneMovieAtom(bytes);
    ExpectAliasDataReferences(bytes, moov);
    ExpectFreshModificationTimes(bytes, moov);

    const std::vector<std::uint8_t> sourceBytes = source.Bytes();
    const Atom sourceMoov = AtomWalk(sourceBytes).At(source.layout.moovOffset);
    for (const std::uint32_t handler : {Code("vide"), Code("soun")}) {
        SCOPED_TRACE(CodeText(handler));
        const std::vector<AtomType> stbl = {"mdia", "minf", "stbl"};
        const AtomWalk walk(bytes);
        const AtomWalk sourceWalk(sourceBytes);
        EXPECT_EQ(Slice(bytes, walk.Path(walk.Track(moov, handler), stbl)),
                  Slice(sourceBytes, sourceWalk.Path(sourceWalk.Track(sourceMoov, handler), stbl)));
    }
    std::vector<std::string> children;
    for (const Atom& child : AtomWalk(bytes).Children(moov)) children.push_back(CodeText(child.type));
    EXPECT_EQ(children, (std::vector<std::string>{"mvhd", "trak", "trak", "udta"}));
    EXPECT_EQ(Slice(bytes, AtomWalk(bytes).Child(moov, Code("udta"))),
              Slice(sourceBytes, AtomWalk(sourceBytes).Child(sourceMoov, Code("udta"))));
}

// With the editing list [1, 0] the tables list unit 1's samples before unit
// 0's, at their own places in the source file.
TEST_F(ReferenceMovFileTest, EditedReelPointsAtTheKeptUnitsInTheSource) {
    ASSERT_TRUE(source.reel->SetEditingState({1, 0}));

    ASSERT_EQ(Create(source.reel.get()), CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS);

    const std::vector<std::uint8_t> bytes = ReadFileBytes(destination);
    const Atom moov = ExpectOneMovieAtom(bytes);
    ExpectAliasDataReferences(bytes, moov);
    ExpectFreshModificationTimes(bytes, moov);

    std::vector<std::uint32_t> frameSizes;
    std::vector<std::uint32_t> frameOffsets;
    std::vector<std::uint32_t> soundOffsets;
    for (const unsigned unit : {1u, 0u}) {
        for (const sample::FrameLayout& frame : source.layout.units[unit].frames) {
            frameSizes.push_back(frame.size);
            frameOffsets.push_back(static_cast<std::uint32_t>(frame.offset));
        }
        soundOffsets.push_back(static_cast<std::uint32_t>(source.layout.units[unit].soundOffset));
    }
    const AtomWalk walk(bytes);
    EXPECT_EQ(TableEntries(bytes, walk.SampleTable(walk.Track(moov, "vide"), "stsz"), 16), frameSizes);
    EXPECT_EQ(TableEntries(bytes, walk.SampleTable(walk.Track(moov, "vide"), "stco"), 12), frameOffsets);
    EXPECT_EQ(TableEntries(bytes, walk.SampleTable(walk.Track(moov, "soun"), "stco"), 12), soundOffsets);
}

// A valid camera movie that is not a Clipreel movie has a reference movie
// of its whole self.
TEST(ReferenceMovFileOtherMovieTest, NonClipreelSourceWithoutReel) {
    TempDir dir;
    SampleMovieSpec spec;
    spec.movieMode = 12;
    SampleReel source(dir, "other.mov", spec);
    ASSERT_TRUE(source.file->IsValid());
    ASSERT_FALSE(source.file->GetZentiMovie()->IsClipreelMovie(nullptr));
    CClipreelMovFileEditor editor(*source.file);
    const std::filesystem::path destination = dir.File("reference.mov");

    ASSERT_EQ(editor.CreateReferenceMovFile(FileLocator(destination.wstring().c_str()), nullptr),
              CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS);

    const std::vector<std::uint8_t> bytes = ReadFileBytes(destination);
    const Atom moov = AtomWalk(bytes).At(0);
    EXPECT_EQ(CodeText(moov.type), "moov");
    EXPECT_EQ(moov.size, bytes.size());
}

// Refusals: the result code, and whether the destination was created.
TEST_F(ReferenceMovFileTest, RefusedRequests) {
    // A reel of another file: two units where the source has three.
    SampleMovieSpec otherSpec = Spec();
    otherSpec.units = 2;
    SampleReel other(dir, "other.mov", otherSpec);
    // A file that is no camera movie.
    WriteFileBytes(dir.File("garbage.mov"), std::vector<std::uint8_t>(4096, 0x5A));
    CZentiMovFile garbage(FileLocator(dir.WideFile("garbage.mov").c_str()));

    struct Case {
        const char* why;
        const CZentiMovFile* file;
        const CClipreelMovie* reel;
        std::filesystem::path destination;
        Result expected;
        bool destinationExists;
    };
    std::vector<Case> cases = {
        {"source is no camera movie", &garbage, nullptr, dir.File("a.mov"), CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE, false},
        {"reel of another file", source.file.get(), other.reel.get(), dir.File("b.mov"),
         CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR, false},
        {"destination folder missing", source.file.get(), nullptr, dir.File("missing") / "d.mov",
         CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR, false},
        {"destination is the source", source.file.get(), nullptr, source.path,
         CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR, true},
    };
    const std::vector<std::uint8_t> sourceBytes = source.Bytes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        CClipreelMovFileEditor editor(*c.file);
        EXPECT_EQ(editor.CreateReferenceMovFile(FileLocator(c.destination.wstring().c_str()), c.reel), c.expected);
        EXPECT_EQ(std::filesystem::exists(c.destination), c.destinationExists);
    }
    EXPECT_EQ(source.Bytes(), sourceBytes);
}

// A source opened through a path relative to the current folder: the alias
// records where that path leads, exactly as for the absolute path.
TEST_F(ReferenceMovFileTest, RelativeSourcePathGivesTheAbsolutePathsAlias) {
    const std::filesystem::path relative = std::filesystem::relative(source.path);
    if (relative.empty() || !relative.is_relative()) {
        GTEST_SKIP() << "no relative path leads to the temporary folder from here";
    }
    CZentiMovFile relativeSource(FileLocator(relative.wstring().c_str()));
    ASSERT_TRUE(relativeSource.IsValid());
    CClipreelMovFileEditor editor(relativeSource);
    ASSERT_EQ(editor.CreateReferenceMovFile(FileLocator(destination.wstring().c_str()), nullptr),
              CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS);

    const std::vector<std::uint8_t> bytes = ReadFileBytes(destination);
    ExpectAliasDataReferences(bytes, ExpectOneMovieAtom(bytes));
}

// Opened through "link/../clip.mov", where link leads to a/b, the source is
// a/clip.mov: the system follows the link before it goes up. The alias
// names that file, not the dir/clip.mov the text would collapse to.
TEST_F(ReferenceMovFileTest, APathThroughALinkGivesTheAliasOfTheFileOpened) {
    if (RunningOnWindows()) GTEST_SKIP() << "Windows collapses '..' in the text of a path";
    std::filesystem::create_directories(dir.File("a") / "b");
    std::filesystem::create_directory_symlink(dir.File("a") / "b", dir.File("link"));
    const std::filesystem::path opened = dir.File("a") / "clip.mov";
    std::filesystem::copy_file(source.path, opened);
    CZentiMovFile linked(FileLocator((dir.File("link") / ".." / "clip.mov").wstring().c_str()));
    ASSERT_TRUE(linked.IsValid());
    CClipreelMovFileEditor editor(linked);
    ASSERT_EQ(editor.CreateReferenceMovFile(FileLocator(destination.wstring().c_str()), nullptr),
              CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS);

    const std::vector<std::uint8_t> bytes = ReadFileBytes(destination);
    const std::vector<std::uint8_t> alias = AliasRecordOf(opened);
    ASSERT_FALSE(alias.empty());
    const Atom moov = ExpectOneMovieAtom(bytes);
    const Atom dref = DataReference(bytes, moov, Code("vide"));
    const std::vector<std::uint8_t> written = Slice(bytes, dref);
    EXPECT_NE(std::search(written.begin(), written.end(), alias.begin(), alias.end()), written.end());
}

}
}
}
