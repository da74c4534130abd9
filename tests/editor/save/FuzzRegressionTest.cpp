// Inputs the save fuzzer found faults with, replayed through a real save:
// each input is one byte n, n original unit indices (the editing list), then
// the source movie file's bytes.
#include "tests/editor/save/SaveFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace clipreel {
namespace test {
namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

struct Regression {
    const char* input;
    Result result;
};

// unit-past-source-end: tables that put a unit 4 GiB past the end of a
// small source; the edited save took a buffer of that size before finding
// the read short. The reel now refuses blocks the media cannot cover, so no
// reel is made and the save is the unchanged copy (the writer also checks
// each unit against the source's size before taking its buffer).
//
// edited-save-output-not-valid: a maker note moved since the camera wrote it
// (only its footer tells by how much) whose image identifier lies over that
// footer. Keeping unit 0 of two, the new identifier overwrote the footer, the
// record was no longer found in the new file, and the save reported success
// for a file that did not open as valid. The camera record must read as the
// same record once refreshed, so the save now refuses before writing.
const Regression regressions[] = {
    {"unit-past-source-end", CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS},
    {"edited-save-output-not-valid", CClipreelMovFileEditor::CREATEMOVFILE_THUMBNAIL_ERROR},
};

TEST(SaveFuzzRegression, EachFoundInputGivesItsResult) {
    const std::filesystem::path folder = std::filesystem::path(CLIPREEL_FUZZ_REGRESSIONS) / "SaveFuzzer";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "the source tree is not visible here";
    for (const Regression& regression : regressions) {
        SCOPED_TRACE(regression.input);
        const Bytes input = ReadFileBytes(folder / regression.input);
        ASSERT_FALSE(input.empty());
        const std::size_t listLength = input[0] % 8u;
        ASSERT_GE(input.size(), 1 + listLength);
        const auto movieStart = input.begin() + 1 + static_cast<std::ptrdiff_t>(listLength);
        const std::vector<unsigned> list(input.begin() + 1, movieStart);
        TempDir dir;
        WriteFileBytes(dir.File("source.mov"), Bytes(movieStart, input.end()));
        const CZentiMovFile file(FileLocator(dir.WideFile("source.mov").c_str()));
        CClipreelMovie reel(&file);
        if (!list.empty()) reel.SetEditingState(list);
        CClipreelMovFileEditor editor(file);
        EXPECT_EQ(regression.result, editor.CreateNewMovFile(FileLocator(dir.WideFile("out.mov").c_str()), &reel));
    }
}

}
}
}
