#include "file/FileReader.h"

#include "tests/support/FileTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace clipreel {
namespace test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

enum class Kind { Reader, Writer };

std::unique_ptr<FileReader> Make(Kind kind, const FileLocator& locator) {
    if (kind == Kind::Reader) return std::make_unique<FileReader>(locator);
    return std::make_unique<FileWriter>(locator);
}

const char* Name(Kind kind) { return kind == Kind::Reader ? "reader" : "writer"; }

// A reader shares the file with readers only; a writer shares it with
// nobody. A refused writer leaves the held file's bytes as they were.
TEST(FileSharingTest, SecondOpenOfAHeldFile) {
    struct Case {
        Kind first;
        Kind second;
        bool secondOpens;
    };
    const Case cases[] = {
        {Kind::Reader, Kind::Reader, true},
        {Kind::Reader, Kind::Writer, false},
        {Kind::Writer, Kind::Reader, false},
        {Kind::Writer, Kind::Writer, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Name(c.first)) + " then " + Name(c.second));
        TempDir dir;
        const std::vector<std::uint8_t> original = PatternBytes(300);
        WriteFileBytes(dir.File("held.bin"), original);
        const FileLocator locator(dir.WideFile("held.bin").c_str());
        DebugLineCapture log;
        auto first = Make(c.first, locator);
        ASSERT_TRUE(first->Open());
        // What the first object has in the file when the second one comes.
        const std::vector<std::uint8_t> held = c.first == Kind::Reader ? original : std::vector<std::uint8_t>{};
        auto second = Make(c.second, locator);
        EXPECT_EQ(second->Open(), c.secondOpens);
        EXPECT_EQ(second->IsOpen(), c.secondOpens);
        if (c.secondOpens) {
            EXPECT_THAT(log.lines(), IsEmpty());
        } else {
            EXPECT_THAT(log.lines(), ElementsAre(LogLine("CreateFile", SharingViolation)));
        }
        EXPECT_EQ(first->GetFileSize(), held.size());
        second.reset();
        first.reset();
        EXPECT_EQ(ReadFileBytes(dir.File("held.bin")), held);
    }
}

TEST(FileSharingTest, FileIsFreeAgainOnceClosed) {
    TempDir dir;
    WriteFileBytes(dir.File("held.bin"), PatternBytes(10));
    const FileLocator locator(dir.WideFile("held.bin").c_str());
    DebugLineCapture log;
    FileReader reader(locator);
    ASSERT_TRUE(reader.Open());
    reader.Close();
    FileWriter writer(locator);
    EXPECT_TRUE(writer.Open());
    EXPECT_THAT(log.lines(), IsEmpty());
}

#if !defined(_WIN32)
// The rule holds between processes too: a writer in another process cannot
// open (nor empty) a file this process reads.
TEST(FileSharingTest, WriterInAnotherProcessIsRefused) {
    TempDir dir;
    WriteFileBytes(dir.File("held.bin"), PatternBytes(50));
    const FileLocator locator(dir.WideFile("held.bin").c_str());
    FileReader reader(locator);
    ASSERT_TRUE(reader.Open());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileWriter writer(locator);
        _exit(writer.Open() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process opened the held file for writing";
    EXPECT_EQ(ReadFileBytes(dir.File("held.bin")), PatternBytes(50));
}
#endif

}
}
}
