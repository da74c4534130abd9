#include "platform/FileSystem.h"

#include "tests/support/FileTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace clipreel {
namespace test {
namespace {

TEST(SameFileTest, TellsOneFileFromAnother) {
    TempDir dir;
    WriteFileBytes(dir.File("a.bin"), PatternBytes(10));
    WriteFileBytes(dir.File("b.bin"), PatternBytes(10));  // same bytes, another file
    std::filesystem::create_directory(dir.File("sub"));
    std::filesystem::create_hard_link(dir.File("a.bin"), dir.File("link.bin"));
    const std::wstring a = dir.WideFile("a.bin");
    struct Case {
        std::wstring other;
        bool same;
    };
    const Case cases[] = {
        {a, true},
        {(dir.path() / "sub" / ".." / "a.bin").wstring(), true},
        {dir.WideFile("link.bin"), true},
        {dir.WideFile("b.bin"), false},
        {dir.WideFile("missing.bin"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::filesystem::path(c.other).string());
        EXPECT_EQ(platform::IsSameFile(a.c_str(), c.other.c_str()), c.same);
        EXPECT_EQ(platform::IsSameFile(c.other.c_str(), a.c_str()), c.same);
    }
}

TEST(SameFileTest, WorksWhileTheFileIsHeldOpen) {
    TempDir dir;
    WriteFileBytes(dir.File("a.bin"), PatternBytes(10));
    platform::ErrorNumber error = 0;
    const std::wstring a = dir.WideFile("a.bin");
    const platform::FileHandle handle = platform::CreateForWriting(a.c_str(), error);
    ASSERT_NE(handle, platform::InvalidFileHandle);
    EXPECT_TRUE(platform::IsSameFile(a.c_str(), a.c_str()));
    EXPECT_TRUE(platform::CloseFile(handle, error));
}

}
}
}
