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
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr std::size_t FixtureSize = 1000;

class FileReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(dir.File("source.bin"), PatternBytes(FixtureSize));
    }
    FileLocator Source() const { return FileLocator(dir.WideFile("source.bin").c_str()); }

    TempDir dir;
    DebugLineCapture log;
};

// The size is known with or without an open handle; without one the path is
// looked up and nothing is opened.
TEST_F(FileReaderTest, SizeOfEachKindOfPath) {
    WriteFileBytes(dir.File("empty.bin"), {});
    std::filesystem::create_directory(dir.File("folder"));
    struct Case {
        const char* name;
        bool open;
        std::uint64_t size;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"source.bin", false, FixtureSize, {}},
        {"source.bin", true, FixtureSize, {}},
        {"empty.bin", false, 0, {}},
        {"empty.bin", true, 0, {}},
        {"folder", false, 0, {}},
        {"missing.bin", false, InvalidFileSize, {LogLine("FindFirstFileW", FileNotFound)}},
        // Wildcards name no file, although source.bin would match them.
        {"*.bin", false, InvalidFileSize, {LogLine("FindFirstFileW", WildcardName)}},
        {"sourc?.bin", false, InvalidFileSize, {LogLine("FindFirstFileW", WildcardName)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.open ? " open" : " not open"));
        log.clear();
        FileReader reader(FileLocator(dir.WideFile(c.name).c_str()));
        if (c.open) {
            ASSERT_TRUE(reader.Open());
        }
        EXPECT_EQ(reader.GetFileSize(), c.size);
        EXPECT_EQ(reader.IsOpen(), c.open);
        EXPECT_EQ(log.lines(), c.lines);
    }
}

TEST_F(FileReaderTest, SizeLookupOpensNothingSoAWriterCanStillOpen) {
    FileReader reader(Source());
    ASSERT_EQ(reader.GetFileSize(), FixtureSize);
    FileWriter writer(Source());
    EXPECT_TRUE(writer.Open());
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(FileReaderTest, ClosedReaderLooksThePathUpAgain) {
    FileReader reader(Source());
    ASSERT_TRUE(reader.Open());
    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    WriteFileBytes(dir.File("source.bin"), PatternBytes(12));
    EXPECT_EQ(reader.GetFileSize(), 12u);
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(FileReaderTest, OpenOfAMissingFileOrAFolderFailsWithOneLine) {
    std::filesystem::create_directory(dir.File("folder"));
    struct Case {
        const char* name;
        unsigned error;
    };
    const Case cases[] = {{"missing.bin", FileNotFound}, {"folder", FolderAsFile}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        FileReader reader(FileLocator(dir.WideFile(c.name).c_str()));
        EXPECT_FALSE(reader.Open());
        EXPECT_FALSE(reader.IsOpen());
        EXPECT_THAT(log.lines(), ElementsAre(LogLine("CreateFile", c.error)));
    }
}

TEST_F(FileReaderTest, SeekFromEachOriginMovesToTheExpectedPosition) {
    struct Case {
        unsigned origin;
        std::int64_t offset;
        std::uint64_t position;
    };
    // Each case starts from position 100.
    const Case cases[] = {
        {0, 0, 0},     {0, 250, 250},  {0, 5000, 5000}, // past the end is allowed
        {1, 0, 100},   {1, 23, 123},   {1, -100, 0},
        {2, 0, FixtureSize}, {2, -4, FixtureSize - 4},
    };
    FileReader reader(Source());
    ASSERT_TRUE(reader.Open());
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "origin " << c.origin << " offset " << c.offset);
        ASSERT_TRUE(reader.Seek(SeekBegin, 100));
        EXPECT_TRUE(reader.Seek(c.origin, c.offset));
        EXPECT_EQ(reader.GetPosition(), c.position);
    }
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(FileReaderTest, SeekWithAnUnknownOriginFailsWithoutALine) {
    FileReader reader(Source());
    ASSERT_TRUE(reader.Open());
    ASSERT_TRUE(reader.Seek(SeekBegin, 40));
    for (unsigned origin : {3u, 4u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(origin);
        EXPECT_FALSE(reader.Seek(origin, 0));
        EXPECT_EQ(reader.GetPosition(), 40u);
    }
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(FileReaderTest, SeekBeforeTheStartFailsAndKeepsThePosition) {
    FileReader reader(Source());
    ASSERT_TRUE(reader.Open());
    ASSERT_TRUE(reader.Seek(SeekBegin, 10));
    EXPECT_FALSE(reader.Seek(SeekCurrent, -11));
    EXPECT_EQ(reader.GetPosition(), 10u);
    EXPECT_THAT(log.lines(), ElementsAre(LogLine("SetFilePointerEx", NegativeSeek)));
}

TEST_F(FileReaderTest, ReadsReportShortReadsAtTheEndAsSuccess) {
    struct Case {
        std::uint64_t position;
        std::uint32_t count;
        std::size_t arrived;
        bool shortRead;
    };
    const Case cases[] = {
        {0, 16, 16, false},
        {500, 100, 100, false},
        {FixtureSize - 8, 8, 8, false},      // exactly to the end
        {FixtureSize - 4, 8, 4, true},       // 4 bytes before the end
        {FixtureSize, 8, 0, true},           // at the end
        {FixtureSize + 10, 8, 0, true},      // past the end
        {20, 0, 0, false},                    // nothing asked, nothing short
    };
    const std::vector<std::uint8_t> expected = PatternBytes(FixtureSize);
    FileReader reader(Source());
    ASSERT_TRUE(reader.Open());
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "at " << c.position << " count " << c.count);
        ASSERT_TRUE(reader.Seek(SeekBegin, static_cast<std::int64_t>(c.position)));
        std::vector<std::uint8_t> buffer(c.count + 1, 0xEE);
        bool shortRead = !c.shortRead;
        EXPECT_TRUE(reader.Read(buffer.data(), c.count, shortRead));
        EXPECT_EQ(shortRead, c.shortRead);
        const std::size_t from = static_cast<std::size_t>(std::min<std::uint64_t>(c.position, FixtureSize));
        std::vector<std::uint8_t> want(expected.begin() + static_cast<std::ptrdiff_t>(from),
                                       expected.begin() + static_cast<std::ptrdiff_t>(from + c.arrived));
        want.resize(c.count + 1, 0xEE);  // bytes that did not arrive are untouched
        EXPECT_EQ(buffer, want);
        EXPECT_EQ(reader.GetPosition(), c.position + c.arrived);
    }
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(FileReaderTest, ConsecutiveReadsContinueWhereTheLastStopped) {
    FileReader reader(Source());
    ASSERT_TRUE(reader.Open());
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 4; ++i) {
        std::vector<std::uint8_t> part(300);
        bool shortRead = false;
        ASSERT_TRUE(reader.Read(part.data(), 300, shortRead));
        EXPECT_EQ(shortRead, i == 3);
        all.insert(all.end(), part.begin(), part.begin() + (i == 3 ? 100 : 300));
    }
    EXPECT_EQ(all, PatternBytes(FixtureSize));
}

// No operation checks that the object is open: the system call fails and
// the usual line is written.
TEST_F(FileReaderTest, OperationsOnAnUnopenedReaderFailWithTheirLine) {
    FileReader reader(Source());
    std::uint8_t buffer[4] = {};
    bool shortRead = true;
    EXPECT_FALSE(reader.Read(buffer, 4, shortRead));
    EXPECT_FALSE(shortRead);
    EXPECT_EQ(reader.GetPosition(), InvalidFileSize);
    EXPECT_FALSE(reader.Seek(SeekBegin, 0));
    EXPECT_THAT(log.lines(), ElementsAre(LogLine("ReadFile", InvalidHandle),
                                         LogLine("SetFilePointerEx", InvalidHandle),
                                         LogLine("SetFilePointerEx", InvalidHandle)));
}

TEST_F(FileReaderTest, CloseIsQuietAndRepeatable) {
    FileReader reader(Source());
    reader.Close();
    ASSERT_TRUE(reader.Open());
    reader.Close();
    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(FileReaderTest, SecondOpenReleasesTheFirstHandle) {
    {
        FileReader reader(Source());
        ASSERT_TRUE(reader.Open());
        ASSERT_TRUE(reader.Open());
    }
    // Had the first handle been lost, the file would still be shared-locked.
    FileWriter writer(Source());
    EXPECT_TRUE(writer.Open());
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(FileReaderTest, NonAsciiPathsReachTheSameFile) {
    const std::wstring wideName = L"caf\u00e9 \u65e5\u672c \U0001F3A5.bin";
#if defined(_WIN32)
    const std::filesystem::path name = dir.path() / std::filesystem::path(wideName);
#else
    // The system's spelling is UTF-8, whatever the locale says.
    const std::filesystem::path name = dir.path() / "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xA5.bin";
#endif
    const std::wstring widePath =
        dir.path().wstring() + std::wstring(1, std::filesystem::path::preferred_separator) + wideName;
    WriteFileBytes(name, PatternBytes(33));
    FileReader reader(FileLocator(widePath.c_str()));
    EXPECT_EQ(reader.GetFileSize(), 33u);
    ASSERT_TRUE(reader.Open());
    std::vector<std::uint8_t> buffer(33);
    bool shortRead = true;
    EXPECT_TRUE(reader.Read(buffer.data(), 33, shortRead));
    EXPECT_FALSE(shortRead);
    EXPECT_EQ(buffer, PatternBytes(33));
}

}
}
}
