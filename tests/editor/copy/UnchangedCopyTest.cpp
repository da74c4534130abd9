// The editor front: CreateNewMovFile's checks, the unchanged copy, its
// progress messages, cancelling, and the failures it reports.
#include "ClipreelMovFileEditor.h"
#include "editor/EditorPrivateAccess.h"
#include "source/MovieTime.h"
#include "tests/editor/copy/CopyTestFixture.h"
#include "tests/support/Commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>

namespace clipreel {
namespace test {
namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;
constexpr std::uint64_t MiB = 1024 * 1024;
constexpr std::uint64_t BlockSize = 10 * MiB;

FileLocator LocatorOf(const std::filesystem::path& path) { return FileLocator(path.wstring().c_str()); }

class UnchangedCopyTest : public ::testing::Test {
protected:
    TempDir dir;
};

// Which reel accompanies an unedited save; all of them give the unchanged copy.
enum class ReelKind { Null, Unedited, OneUnit, NotValid, ForeignUnedited };

struct ReelCase {
    const char* name;
    ReelKind kind;
};

TEST_F(UnchangedCopyTest, EveryUneditedReelGivesTheSourceWithFreshModificationTimes) {
    const ReelCase cases[] = {
        {"null reel", ReelKind::Null},
        {"unedited reel", ReelKind::Unedited},
        {"one-unit reel", ReelKind::OneUnit},
        {"reel that is not valid", ReelKind::NotValid},
        {"unedited reel of another file", ReelKind::ForeignUnedited},
    };
    for (const ReelCase& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec spec;
        if (c.kind == ReelKind::OneUnit) spec.units = 1;
        SampleReel source(dir, std::string("source-") + c.name + ".mov", spec);
        ASSERT_TRUE(source.file->IsValid());

        std::unique_ptr<SampleReel> other;
        const CClipreelMovie* reel = source.reel.get();
        if (c.kind == ReelKind::Null) reel = nullptr;
        if (c.kind == ReelKind::NotValid) {
            sample::SampleMovieSpec notReel;
            notReel.movieMode = 1;
            other = std::make_unique<SampleReel>(dir, std::string("other-") + c.name + ".mov", notReel);
            ASSERT_FALSE(other->reel->IsValid());
            reel = other->reel.get();
        }
        if (c.kind == ReelKind::ForeignUnedited) {
            sample::SampleMovieSpec foreign;
            foreign.units = 4;
            foreign.sound.present = false;
            other = std::make_unique<SampleReel>(dir, std::string("other-") + c.name + ".mov", foreign);
            ASSERT_TRUE(other->reel->IsValid());
            reel = other->reel.get();
        }

        CClipreelMovFileEditor editor(*source.file);
        const auto destination = dir.File(std::string("copy-") + c.name + ".mov");
        const std::uint32_t earliest = CurrentMovieTime();
        EXPECT_EQ(editor.CreateNewMovFile(LocatorOf(destination), reel), Result::CREATEMOVFILE_SUCCESS);
        const std::uint32_t latest = CurrentMovieTime();
        ExpectUnchangedCopy(source.Bytes(), source.layout.moovOffset, ReadFileBytes(destination), earliest, latest);
    }
}

// Progress of a copy: one message after the movie atom, one after each block
// of at most 10 MiB of every other atom, each carrying bytes copied over the
// source size; then the end message.
TEST_F(UnchangedCopyTest, ReportsProgressAfterTheMovieAtomAndEveryBlock) {
    sample::SampleMovieSpec spec;
    sample::ExtraAtom big;
    big.type = Code("skip");
    big.payload.assign(static_cast<std::size_t>(25 * MiB - 8), 0x5A);
    big.afterMediaData = true;
    spec.extraAtoms.push_back(big);
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.file->IsValid());
    ASSERT_EQ(source.layout.atoms.back().size, 25 * MiB);

    ProgressRecorder recorder;
    CClipreelMovFileEditor editor(*source.file);
    recorder.Attach(editor);
    ASSERT_EQ(editor.CreateNewMovFile(LocatorOf(dir.File("copy.mov")), nullptr), Result::CREATEMOVFILE_SUCCESS);

    const double total = static_cast<double>(source.layout.fileSize);
    std::vector<std::pair<EClipreelMovFileEditorProgressCallbackMessage, double>> expected;
    expected.emplace_back(PROGRESS_MESSAGE_START, 0.0);
    std::uint64_t copied = 0;
    for (const sample::AtomLayout& atom : source.layout.atoms) {
        if (atom.type == Code("moov")) {
            copied += atom.size;
            expected.emplace_back(PROGRESS_MESSAGE_PROGRESS, static_cast<double>(copied) / total);
            continue;
        }
        for (std::uint64_t left = atom.size; left > 0;) {
            const std::uint64_t block = left < BlockSize ? left : BlockSize;
            left -= block;
            copied += block;
            expected.emplace_back(PROGRESS_MESSAGE_PROGRESS, static_cast<double>(copied) / total);
        }
    }
    expected.emplace_back(PROGRESS_MESSAGE_END, 1.0);
    EXPECT_EQ(recorder.calls, expected);

    // The 25 MiB atom ends the file: its three blocks give the last three
    // progress messages, of 10, 10 and 5 MiB.
    ASSERT_GE(recorder.calls.size(), 5u);
    const std::size_t n = recorder.calls.size();
    const double before = total - static_cast<double>(25 * MiB);
    EXPECT_EQ(recorder.calls[n - 4].second, (before + static_cast<double>(10 * MiB)) / total);
    EXPECT_EQ(recorder.calls[n - 3].second, (before + static_cast<double>(20 * MiB)) / total);
    EXPECT_EQ(recorder.calls[n - 2].second, 1.0);
}

TEST_F(UnchangedCopyTest, ASecondRunOnTheSameEditorReportsTheHighestFractionSoFar) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    ProgressRecorder first;
    CClipreelMovFileEditor editor(*source.file);
    first.Attach(editor);
    ASSERT_EQ(editor.CreateNewMovFile(LocatorOf(dir.File("first.mov")), nullptr), Result::CREATEMOVFILE_SUCCESS);
    ASSERT_EQ(first.calls.at(1).first, PROGRESS_MESSAGE_PROGRESS);
    ASSERT_LT(first.calls.at(1).second, 1.0);

    ProgressRecorder second;
    second.Attach(editor);
    ASSERT_EQ(editor.CreateNewMovFile(LocatorOf(dir.File("second.mov")), nullptr), Result::CREATEMOVFILE_SUCCESS);
    ASSERT_EQ(second.calls.size(), first.calls.size());
    EXPECT_EQ(second.calls.front(), std::make_pair(PROGRESS_MESSAGE_START, 0.0));
    EXPECT_EQ(second.calls.back(), std::make_pair(PROGRESS_MESSAGE_END, 1.0));
    for (std::size_t i = 1; i + 1 < second.calls.size(); ++i)
        EXPECT_EQ(second.calls[i], std::make_pair(PROGRESS_MESSAGE_PROGRESS, 1.0)) << "call " << i;
}

TEST_F(UnchangedCopyTest, CancellingStopsWhereTheCallbackAsked) {
    struct CancelCase {
        const char* name;
        int cancelAtCall;
        bool destinationExists;
    };
    const CancelCase cases[] = {
        {"at the start message nothing is created", 0, false},
        {"at the first progress message the first atom is written", 1, true},
    };
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    const std::vector<std::uint8_t> sourceBytes = source.Bytes();
    const sample::AtomLayout first = source.layout.atoms.front();
    ASSERT_NE(first.type, Code("moov"));
    for (const CancelCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressRecorder recorder;
        recorder.cancelAtCall = c.cancelAtCall;
        CClipreelMovFileEditor editor(*source.file);
        recorder.Attach(editor);
        const auto destination = dir.File(std::string("cancel-") + std::to_string(c.cancelAtCall) + ".mov");
        EXPECT_EQ(editor.CreateNewMovFile(LocatorOf(destination), nullptr), Result::CREATEMOVFILE_CANCELED);
        EXPECT_EQ(recorder.calls.size(), static_cast<std::size_t>(c.cancelAtCall) + 1);
        ASSERT_EQ(std::filesystem::exists(destination), c.destinationExists);
        if (c.destinationExists) {
            const std::vector<std::uint8_t> written = ReadFileBytes(destination);
            const std::vector<std::uint8_t> expected(sourceBytes.begin(),
                                                     sourceBytes.begin() + static_cast<std::ptrdiff_t>(first.size));
            EXPECT_TRUE(written == expected);
        }
    }
}

TEST_F(UnchangedCopyTest, AValidMovieThatIsNotAReelIsRefusedBeforeAnything) {
    sample::SampleMovieSpec spec;
    spec.movieMode = 1;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.file->IsValid());
    ProgressRecorder recorder;
    CClipreelMovFileEditor editor(*source.file);
    recorder.Attach(editor);
    const auto destination = dir.File("copy.mov");
    EXPECT_EQ(editor.CreateNewMovFile(LocatorOf(destination), nullptr), Result::CREATEMOVFILE_INVALID_SOURCE);
    EXPECT_FALSE(std::filesystem::exists(destination));
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(UnchangedCopyTest, ExceptionsReachingTheEntryPointBecomeResultsOrPassOn) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    struct ThrowCase {
        const char* name;
        ProgressRecorder::Throw what;
        Result result;
    };
    const ThrowCase cases[] = {
        {"runtime error", ProgressRecorder::Throw::RuntimeError, Result::CREATEMOVFILE_INVALID_SOURCE},
        {"out of memory", ProgressRecorder::Throw::BadAlloc, Result::CREATEMOVFILE_OUT_OF_MEMORY},
    };
    for (const ThrowCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressRecorder recorder;
        recorder.throwAtStart = c.what;
        CClipreelMovFileEditor editor(*source.file);
        recorder.Attach(editor);
        EXPECT_EQ(editor.CreateNewMovFile(LocatorOf(dir.File("copy.mov")), nullptr), c.result);
    }
    ProgressRecorder recorder;
    recorder.throwAtStart = ProgressRecorder::Throw::InvalidArgument;
    CClipreelMovFileEditor editor(*source.file);
    recorder.Attach(editor);
    EXPECT_THROW(editor.CreateNewMovFile(LocatorOf(dir.File("copy.mov")), nullptr), std::invalid_argument);

    // An editing list naming a unit the reel does not have: the reel's own
    // exception reaches the caller, and nothing is created.
    ASSERT_TRUE(source.reel->SetEditingState({0, 7}));
    CClipreelMovFileEditor quiet(*source.file);
    const auto destination = dir.File("bad-list.mov");
    try {
        quiet.CreateNewMovFile(LocatorOf(destination), source.reel.get());
        ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Invalid originalIndex");
    }
    EXPECT_FALSE(std::filesystem::exists(destination));
}

TEST_F(UnchangedCopyTest, AFullDiskGivesDiskFull) {
    if (RunningOnWindows()) GTEST_SKIP() << "no full device to write to under Windows";
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    CClipreelMovFileEditor editor(*source.file);
    EXPECT_EQ(editor.CreateNewMovFile(FileLocator(L"/dev/full"), nullptr), Result::CREATEMOVFILE_DISK_FULL);
}

TEST_F(UnchangedCopyTest, ADestinationThatCannotBeCreatedGivesWriteError) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    CClipreelMovFileEditor editor(*source.file);
    const auto destination = dir.path() / "missing-folder" / "copy.mov";
    EXPECT_EQ(editor.CreateNewMovFile(LocatorOf(destination), nullptr), Result::CREATEMOVFILE_WRITE_ERROR);
    EXPECT_FALSE(std::filesystem::exists(destination));
}

TEST_F(UnchangedCopyTest, TheSourceIsNeverTheDestination) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    const std::vector<std::uint8_t> before = source.Bytes();
    std::vector<std::pair<std::string, std::filesystem::path>> names = {
        {"the same path", source.path},
        {"another spelling", dir.path() / "." / "source.mov"},
    };
    if (!RunningOnWindows()) {
        std::error_code error;
        std::filesystem::create_symlink(source.path, dir.File("link.mov"), error);
        ASSERT_FALSE(error) << error.message();
        names.emplace_back("a link to it", dir.File("link.mov"));
    }
    for (const auto& name : names) {
        SCOPED_TRACE(name.first);
        CClipreelMovFileEditor editor(*source.file);
        EXPECT_EQ(editor.CreateNewMovFile(LocatorOf(name.second), nullptr), Result::CREATEMOVFILE_WRITE_ERROR);
        EXPECT_TRUE(source.Bytes() == before);
        EXPECT_EQ(EditorPrivateAccess::copyMovFile(editor, LocatorOf(name.second)), Result::CREATEMOVFILE_WRITE_ERROR);
        EXPECT_TRUE(source.Bytes() == before);
    }
}

// An edited reel made from another file would make the rebuild read the
// source's tables where they have no entries: refused before anything.
TEST_F(UnchangedCopyTest, AnEditedReelOfAnotherFileIsAnInternalError) {
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    sample::SampleMovieSpec foreignSpec;
    foreignSpec.units = 4;
    SampleReel foreign(dir, "foreign.mov", foreignSpec);
    ASSERT_TRUE(foreign.reel->SetEditingState({3, 0}));
    ProgressRecorder recorder;
    CClipreelMovFileEditor editor(*source.file);
    recorder.Attach(editor);
    const auto destination = dir.File("copy.mov");
    EXPECT_EQ(editor.CreateNewMovFile(LocatorOf(destination), foreign.reel.get()),
              Result::CREATEMOVFILE_INTERNAL_ERROR);
    EXPECT_FALSE(std::filesystem::exists(destination));
}

// An independent decoder reads the unchanged copy of a real H.264 reel.
TEST_F(UnchangedCopyTest, FfprobeDecodesTheUnchangedCopy) {
#if defined(_WIN32)
    GTEST_SKIP() << "ffprobe is not run from the Windows build";
#else
    if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not on PATH";
    if (!sample::HaveH264()) GTEST_SKIP() << "no H.264 encoder in this build";
    sample::SampleMovieSpec spec;
    spec.frames = sample::FrameContent::H264;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.file->IsValid());
    CClipreelMovFileEditor editor(*source.file);
    const auto destination = dir.File("copy.mov");
    ASSERT_EQ(editor.CreateNewMovFile(LocatorOf(destination), nullptr), Result::CREATEMOVFILE_SUCCESS);

    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=nb_read_frames -of csv=p=0 '" + destination.string() + "'";
    const CommandResult probe = RunCommand(command);
    ASSERT_EQ(probe.status, 0) << probe.output;
    EXPECT_EQ(std::stoul(probe.output), spec.units * spec.framesPerUnit);
#endif
}

}
}
}
