// A save writes the same file, reports the same progress and gives the same
// result whether the system copies the unchanged bytes itself or they pass
// through the copier's buffer (the way of systems without such copies).
#include "tests/editor/save/SaveFixture.h"
#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using Call = std::pair<EClipreelMovFileEditorProgressCallbackMessage, double>;
constexpr std::size_t MiB = 1024 * 1024;

struct Written {
    CClipreelMovFileEditor::ERROR_CREATEMOVFILE result;
    std::vector<Call> progress;
    Bytes file;
};

sample::ExtraAtom Filler(std::uint32_t type, std::size_t size, bool afterMediaData) {
    sample::ExtraAtom atom;
    atom.type = type;
    atom.payload.assign(size, static_cast<std::uint8_t>(size));
    atom.afterMediaData = afterMediaData;
    return atom;
}

class CopyWays : public ::testing::Test {
protected:
    Written Save(SampleReel& source, const std::string& name, bool kernel) {
        const KernelCopies setting(kernel);
        ProgressRecorder log;
        CClipreelMovFileEditor editor(*source.file);
        log.Attach(editor);
        Written written;
        written.result = editor.CreateNewMovFile(FileLocator(dir.WideFile(name).c_str()), source.reel.get());
        written.progress = log.calls;
        written.file = ReadFileBytes(dir.File(name));
        return written;
    }
    TempDir dir;
};

// An unchanged copy whose last atom spans several copy blocks, and edited
// saves that reorder or remove units and copy atoms on both sides of the
// media data (the first unit stays first: a new thumbnail is not the point).
// Only the movie atom may differ (its modification times come from the
// clock); every byte before and after it is copied and must be the same.
TEST_F(CopyWays, BothWaysWriteTheSameFileAndReportTheSameProgress) {
    struct Case {
        const char* name;
        std::vector<unsigned> kept;  // empty: the unedited reel
        std::size_t atomAfterMediaData;
    };
    const Case cases[] = {
        {"unchanged copy", {}, 21 * MiB + 5},
        {"units reordered", {0, 3, 1}, 1000},
        {"units removed", {0, 2}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sample::SampleMovieSpec spec;
        spec.units = 4;
        spec.extraAtoms.push_back(Filler(FourCC("uuid"), 300, false));
        if (c.atomAfterMediaData > 0) spec.extraAtoms.push_back(Filler(FourCC("skip"), c.atomAfterMediaData, true));
        SampleReel source(dir, std::string(c.name) + ".mov", spec);
        if (!c.kept.empty()) {
            ASSERT_TRUE(source.reel->SetEditingState(c.kept));
        }

        const Written kernel = Save(source, std::string("kernel ") + c.name + ".mov", true);
        const Written buffer = Save(source, std::string("buffer ") + c.name + ".mov", false);
        ASSERT_EQ(kernel.result, CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS);
        EXPECT_EQ(buffer.result, kernel.result);
        EXPECT_EQ(buffer.progress, kernel.progress);
        ASSERT_EQ(buffer.file.size(), kernel.file.size());
        const Atom moov = FindTopAtom(kernel.file, "moov");
        ASSERT_GT(moov.size, 0u);
        EXPECT_TRUE(Slice(buffer.file, 0, moov.offset) == Slice(kernel.file, 0, moov.offset));
        const std::uint64_t end = moov.offset + moov.size;
        EXPECT_TRUE(Slice(buffer.file, end, buffer.file.size() - end) ==
                    Slice(kernel.file, end, kernel.file.size() - end));
    }
}

}
}
}
