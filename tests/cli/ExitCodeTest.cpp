#include "cli/ExitCode.h"

#include <gtest/gtest.h>

#include <set>

namespace clipreel {
namespace cli {
namespace {

using Editor = CClipreelMovFileEditor;

// A script tells failures apart by the exit code alone: each result code has
// its own, none of them collides with the tool's own codes, and the help
// text lists them all.
TEST(ExitCode, EachSaveResultHasItsOwnCode) {
    struct Case {
        Editor::ERROR_CREATEMOVFILE result;
        int exitCode;
        const char* words;
    };
    const Case cases[] = {
        {Editor::CREATEMOVFILE_SUCCESS, 0, "done"},
        {Editor::CREATEMOVFILE_CANCELED, 11, "cancelled"},
        {Editor::CREATEMOVFILE_INVALID_SOURCE, 13, "the source is not a usable Clipreel movie"},
        {Editor::CREATEMOVFILE_READ_ERROR, 14, "cannot read the source"},
        {Editor::CREATEMOVFILE_WRITE_ERROR, 15, "cannot create or write the destination"},
        {Editor::CREATEMOVFILE_THUMBNAIL_ERROR, 16, "cannot make the new thumbnail"},
        {Editor::CREATEMOVFILE_DISK_FULL, 17, "disk full"},
        {Editor::CREATEMOVFILE_OUT_OF_MEMORY, 18, "out of memory"},
        {Editor::CREATEMOVFILE_INTERNAL_ERROR, 19,
         "internal error (the new movie could not be built, or it did not read back as the units planned for it)"},
        {static_cast<Editor::ERROR_CREATEMOVFILE>(2), 19, "unknown failure"},
    };
    const std::set<int> toolCodes = {EXIT_FAILURE_OTHER, EXIT_USAGE, EXIT_BAD_INPUT, EXIT_CANNOT_WRITE,
                                     EXIT_SOUND_MISMATCH, EXIT_OUTPUT_EXISTS};
    const std::string table = ExitCodeTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exitCode);
        EXPECT_EQ(ExitCodeForResult(c.result), c.exitCode);
        EXPECT_STREQ(DescribeResult(c.result), c.words);
        EXPECT_EQ(toolCodes.count(c.exitCode), 0u);
        if (c.exitCode != 0) {
            EXPECT_NE(table.find("  " + std::to_string(c.exitCode) + "  "), std::string::npos);
        }
    }
}

}
}
}
