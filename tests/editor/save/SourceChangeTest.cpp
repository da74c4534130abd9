// The source changes between the start message and the reads: the save
// reports what happened to it, judged against the movie parsed at opening.
#include "tests/editor/save/SaveFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

// Runs a change of the source at the start message.
struct ChangeAtStart {
    std::function<void()> change;

    static EClipreelMovFileEditorProgressCallbackResult Callback(EClipreelMovFileEditorProgressCallbackMessage message,
                                                                 double, void* userData) {
        auto* self = static_cast<ChangeAtStart*>(userData);
        if (message == PROGRESS_MESSAGE_START && self->change) {
            self->change();
            self->change = nullptr;
        }
        return PROGRESS_RESULT_CONTINUE;
    }
};

enum class Change { Deleted, Shortened, Grown };

struct ChangeCase {
    const char* name;
    Change change;
    std::vector<unsigned> list;  // {0, 1, 2}: the unchanged copy
    Result expected;
};

TEST(SourceChange, AfterTheStartMessageTheSaveReportsWhatHappenedToTheSource) {
    const ChangeCase cases[] = {
        {"edited, source deleted", Change::Deleted, {0, 2}, CClipreelMovFileEditor::CREATEMOVFILE_READ_ERROR},
        {"edited, source shortened", Change::Shortened, {0, 2}, CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE},
        {"edited, source grown", Change::Grown, {0, 2}, CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS},
        {"unchanged, source deleted", Change::Deleted, {0, 1, 2}, CClipreelMovFileEditor::CREATEMOVFILE_READ_ERROR},
        {"unchanged, source shortened", Change::Shortened, {0, 1, 2},
         CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE},
        {"unchanged, source grown", Change::Grown, {0, 1, 2}, CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        sample::SampleMovieSpec spec;
        SampleReel source(dir, "source.mov", spec);
        ASSERT_TRUE(source.reel->SetEditingState(c.list));
        const Bytes in = ReadFileBytes(source.path);
        // Shortened halfway into the last unit: the last kept unit reads short.
        const sample::UnitLayout& last = source.layout.units.back();
        const std::uint64_t shortSize = last.offset + last.size / 2;

        ChangeAtStart hook;
        hook.change = [&] {
            switch (c.change) {
            case Change::Deleted: std::filesystem::remove(source.path); break;
            case Change::Shortened: std::filesystem::resize_file(source.path, shortSize); break;
            case Change::Grown: std::filesystem::resize_file(source.path, in.size() + 5); break;
            }
        };
        CClipreelMovFileEditor editor(*source.file);
        editor.SetProgressCallback(&ChangeAtStart::Callback, &hook);
        const std::filesystem::path out = dir.File("out.mov");
        EXPECT_EQ(c.expected, editor.CreateNewMovFile(FileLocator(out.wstring().c_str()), source.reel.get()));

        if (c.expected == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) {
            CZentiMovFile saved(FileLocator(out.wstring().c_str()));
            CClipreelMovie reel(&saved);
            ASSERT_TRUE(reel.IsValid());
            EXPECT_EQ(c.list.size(), reel.GetShootingUnitCount());
        }
        // A new movie cut short by the source keeps an 'mdat' header that
        // holds the data written so far: here the first kept unit's block.
        if (c.change == Change::Shortened && c.list.size() == 2) {
            const Bytes written = ReadFileBytes(out);
            const Atom mdat = FindTopAtom(written, "mdat");
            EXPECT_EQ(8 + source.layout.units[c.list[0]].size, U32At(written, mdat.offset));
            EXPECT_EQ(written.size(), mdat.offset + 8 + source.layout.units[c.list[0]].size);
        }
    }
}

// A reference movie reads the units of the movie parsed at opening: bytes
// added to the source since then change none of them.
TEST(SourceChange, AReferenceMovieOfAGrownSourceIsMade) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    SampleReel source(dir, "source.mov", spec);
    ASSERT_TRUE(source.reel->SetEditingState({2, 0}));
    std::filesystem::resize_file(source.path, source.layout.fileSize + 5);
    CClipreelMovFileEditor editor(*source.file);
    const std::filesystem::path out = dir.File("reference.mov");
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS,
              editor.CreateReferenceMovFile(FileLocator(out.wstring().c_str()), source.reel.get()));
    EXPECT_TRUE(std::filesystem::exists(out));
}

}
}
}
