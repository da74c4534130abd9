#include "file/FileReader.h"

#include "tests/support/FileTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FileWriterTest : public ::testing::Test {
protected:
    FileLocator Target() const { return FileLocator(dir.WideFile("target.bin").c_str()); }

    TempDir dir;
    DebugLineCapture log;
};

TEST_F(FileWriterTest, OpenCreatesOrTruncates) {
    struct Case {
        const char* what;
        bool exists;
        std::size_t oldSize;
    };
    const Case cases[] = {{"new file", false, 0}, {"empty file", true, 0}, {"file with bytes", true, 4096}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir.File("target.bin"));
        if (c.exists) WriteFileBytes(dir.File("target.bin"), PatternBytes(c.oldSize));
        FileWriter writer(Target());
        ASSERT_TRUE(writer.Open());
        EXPECT_EQ(writer.GetFileSize(), 0u);
        EXPECT_EQ(writer.GetPosition(), 0u);
        writer.Close();
        EXPECT_TRUE(ReadFileBytes(dir.File("target.bin")).empty());
    }
    EXPECT_THAT(log.lines(), IsEmpty());
}

// The writing code writes a size field, moves on, and comes back to patch it.
TEST_F(FileWriterTest, WritesThenPatchesEarlierBytes) {
    const std::vector<std::uint8_t> body = PatternBytes(100);
    {
        FileWriter writer(Target());
        ASSERT_TRUE(writer.Open());
        bool diskFull = true;
        const std::uint8_t placeholder[4] = {0, 0, 0, 0};
        ASSERT_TRUE(writer.Write(placeholder, 4, diskFull));
        EXPECT_FALSE(diskFull);
        ASSERT_TRUE(writer.Write(body.data(), 100, diskFull));
        EXPECT_EQ(writer.GetPosition(), 104u);
        EXPECT_EQ(writer.GetFileSize(), 104u);
        ASSERT_TRUE(writer.Seek(SeekBegin, 0));
        const std::uint8_t size[4] = {0, 0, 0, 104};
        ASSERT_TRUE(writer.Write(size, 4, diskFull));
        EXPECT_EQ(writer.GetPosition(), 4u);
    }
    std::vector<std::uint8_t> expected = {0, 0, 0, 104};
    expected.insert(expected.end(), body.begin(), body.end());
    EXPECT_EQ(ReadFileBytes(dir.File("target.bin")), expected);
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(FileWriterTest, WritingPastTheEndLeavesAZeroGap) {
    {
        FileWriter writer(Target());
        ASSERT_TRUE(writer.Open());
        ASSERT_TRUE(writer.Seek(SeekBegin, 6));
        bool diskFull = false;
        const std::uint8_t tail[2] = {0xAB, 0xCD};
        ASSERT_TRUE(writer.Write(tail, 2, diskFull));
    }
    EXPECT_EQ(ReadFileBytes(dir.File("target.bin")), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xAB, 0xCD}));
}

// A writer opens for writing only.
TEST_F(FileWriterTest, ReadingThroughAWriterFails) {
    FileWriter writer(Target());
    ASSERT_TRUE(writer.Open());
    std::uint8_t buffer[4] = {};
    bool shortRead = true;
    EXPECT_FALSE(writer.Read(buffer, 4, shortRead));
    EXPECT_FALSE(shortRead);
    EXPECT_THAT(log.lines(), ElementsAre(LogLine("ReadFile", NotReadable)));
}

TEST_F(FileWriterTest, WriteThroughAReadOnlyHandleIsNotDiskFull) {
    WriteFileBytes(dir.File("target.bin"), PatternBytes(10));
    FileWriter writer(Target());
    ASSERT_TRUE(writer.FileReader::Open());
    bool diskFull = true;
    const std::uint8_t byte = 1;
    EXPECT_FALSE(writer.Write(&byte, 1, diskFull));
    EXPECT_FALSE(diskFull);
    EXPECT_THAT(log.lines(), ElementsAre(LogLine("WriteFile", NotWritable)));
    writer.Close();
    EXPECT_EQ(ReadFileBytes(dir.File("target.bin")), PatternBytes(10));
}

TEST_F(FileWriterTest, WriteOnAnUnopenedWriterFails) {
    FileWriter writer(Target());
    bool diskFull = true;
    const std::uint8_t byte = 1;
    EXPECT_FALSE(writer.Write(&byte, 1, diskFull));
    EXPECT_FALSE(diskFull);
    EXPECT_THAT(log.lines(), ElementsAre(LogLine("WriteFile", InvalidHandle)));
}

TEST_F(FileWriterTest, WriteOnAFullDeviceIsDiskFull) {
#if defined(_WIN32)
    GTEST_SKIP() << "no full volume can be provoked here";
#else
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    FileWriter writer(FileLocator(L"/dev/full"));
    ASSERT_TRUE(writer.Open());
    const std::vector<std::uint8_t> bytes = PatternBytes(64);
    bool diskFull = false;
    EXPECT_FALSE(writer.Write(bytes.data(), 64, diskFull));
    EXPECT_TRUE(diskFull);
    EXPECT_THAT(log.lines(), ElementsAre(LogLine("WriteFile", ENOSPC)));
#endif
}

// Where no full volume can be provoked, the decision itself is checked: only
// the system's disk-full errors set diskFull.
TEST(DiskFullErrorTest, OnlyTheDiskFullErrorsCount) {
    struct Case {
        unsigned error;
        bool diskFull;
    };
#if defined(_WIN32)
    const Case cases[] = {{112, true}, {39, false}, {5, false}, {6, false}, {0, false}};
#else
    const Case cases[] = {{ENOSPC, true}, {EDQUOT, true}, {EBADF, false}, {EIO, false}, {EFBIG, false}, {0, false}};
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(platform::IsDiskFullError(c.error), c.diskFull);
    }
}

TEST_F(FileWriterTest, CreateInAMissingFolderFails) {
    FileWriter writer(FileLocator(dir.WideFile("no-such-folder/target.bin").c_str()));
    EXPECT_FALSE(writer.Open());
    EXPECT_FALSE(writer.IsOpen());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("CreateFile Error : ", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("no-such-folder")));
}

}
}
}
