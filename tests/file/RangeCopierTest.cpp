// The range copier: the same bytes, the same positions and the same outcomes
// whether the system copies the bytes itself or the copier's buffer carries
// them (kernel copies turned off, as on a system without them).
#include "file/RangeCopier.h"

#include "tests/support/FileTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#endif

namespace clipreel {
namespace test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Way {
    const char* name;
    bool kernel;
};
constexpr Way Ways[] = {{"kernel copy", true}, {"buffer copy", false}};

Bytes Slice(const Bytes& bytes, std::uint64_t offset, std::uint64_t size) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

class RangeCopierTest : public ::testing::Test {
protected:
    FileLocator Locator(const std::string& name) const { return FileLocator(dir.WideFile(name).c_str()); }
    // Runs copy once each way (kernel copies allowed, then not), from
    // source.bin opened afresh into a fresh target.bin (closed after it,
    // unless copy closed it to read it back).
    template <typename Copy>
    void EachWay(Copy copy) {
        for (const Way& way : Ways) {
            SCOPED_TRACE(way.name);
            const KernelCopies setting(way.kernel);
            FileReader reader(Locator("source.bin"));
            FileWriter writer(Locator("target.bin"));
            ASSERT_TRUE(reader.Open());
            ASSERT_TRUE(writer.Open());
            copy(way, reader, writer);
            writer.Close();
        }
    }

    TempDir dir;
};

// Ranges copied in a given order after a header written by the caller, as a
// save does: each range lands at the writer's position, and both positions
// move on by its size. The buffer is smaller than some ranges, so they go
// in several pieces when the system does not copy them.
TEST_F(RangeCopierTest, BothWaysWriteTheSameBytesAtTheSamePositions) {
    struct Range {
        std::uint64_t offset;
        std::uint64_t size;
    };
    struct Case {
        const char* name;
        std::size_t fileSize;
        std::uint32_t bufferSize;
        std::vector<Range> ranges;
    };
    const Case cases[] = {
        {"one whole file", 5000, 4096, {{0, 5000}}},
        {"ranges out of order, larger than the buffer", 100000, 4096, {{70001, 29999}, {3, 12345}, {40000, 1}}},
        {"a range of exactly the buffer's size", 8192, 4096, {{4096, 4096}}},
        {"an empty range between two", 3000, 1024, {{10, 100}, {500, 0}, {2000, 1000}}},
        {"ranges at the same place within a page on both sides", 300000, 4096, {{4096, 200000}, {3392, 50000}}},
    };
    const Bytes header = PatternBytes(4096, 9);
    for (const Case& c : cases) {
        const Bytes source = PatternBytes(c.fileSize, 3);
        WriteFileBytes(dir.File("source.bin"), source);
        Bytes expected = header;
        // Linux copies every range inside the system: at the same place
        // within a page of both files with copy_file_range, from elsewhere
        // through a pipe.
        std::uint64_t rangeBytes = 0;
        for (const Range& r : c.ranges) {
            rangeBytes += r.size;
            const Bytes part = Slice(source, r.offset, r.size);
            expected.insert(expected.end(), part.begin(), part.end());
        }
        std::vector<Bytes> written;
        for (const Way& way : Ways) {
            SCOPED_TRACE(std::string(c.name) + ", " + way.name);
            const KernelCopies setting(way.kernel);
            FileReader reader(Locator("source.bin"));
            ASSERT_TRUE(reader.OpenSequential());
            FileWriter writer(Locator("target.bin"));
            ASSERT_TRUE(writer.Open());
            bool diskFull = false;
            ASSERT_TRUE(writer.Write(header.data(), static_cast<std::uint32_t>(header.size()), diskFull));
            RangeCopier copier(c.bufferSize);
            std::uint64_t total = 0;
            for (const Range& r : c.ranges) {
                ASSERT_TRUE(reader.Seek(SeekBegin, static_cast<std::int64_t>(r.offset)));
                EXPECT_EQ(copier.Copy(reader, writer, r.size), RangeCopyResult::Copied);
                total += r.size;
                EXPECT_EQ(reader.GetPosition(), r.offset + r.size);
                EXPECT_EQ(writer.GetPosition(), header.size() + total);
            }
            // Windows never copies between two files inside the system.
            EXPECT_EQ(copier.KernelBytes(), way.kernel && !RunningOnWindows() ? rangeBytes : 0u);
            writer.Close();
            written.push_back(ReadFileBytes(dir.File("target.bin")));
            EXPECT_TRUE(written.back() == expected);
        }
        EXPECT_TRUE(written.front() == written.back()) << c.name;
    }
}

// A range that runs past the end of the source ends the copy with
// SourceEnded either way, before anything of it is written.
TEST_F(RangeCopierTest, ASourceThatEndsEarlyIsToldEitherWay) {
    const Bytes source = PatternBytes(10000, 5);
    WriteFileBytes(dir.File("source.bin"), source);
    EachWay([&](const Way&, FileReader& reader, FileWriter& writer) {
        ASSERT_TRUE(reader.Seek(SeekBegin, 6000));
        RangeCopier copier(1024);
        EXPECT_EQ(copier.Copy(reader, writer, 5000), RangeCopyResult::SourceEnded);
        writer.Close();
        // The source's size tells before the copy: nothing is written.
        EXPECT_TRUE(ReadFileBytes(dir.File("target.bin")).empty());
    });
}

// A reader or writer that is not open fails as a read or a write failure,
// not as a refused kernel copy.
TEST_F(RangeCopierTest, TellsAFailedReadFromAFailedWrite) {
    WriteFileBytes(dir.File("source.bin"), PatternBytes(3000));
    DebugLineCapture log;
    for (const Way& way : Ways) {
        SCOPED_TRACE(way.name);
        const KernelCopies setting(way.kernel);
        {
            FileReader closedReader(Locator("source.bin"));
            FileWriter writer(Locator("target.bin"));
            ASSERT_TRUE(writer.Open());
            RangeCopier copier;
            EXPECT_EQ(copier.Copy(closedReader, writer, 3000), RangeCopyResult::ReadFailed);
        }
        {
            FileReader reader(Locator("source.bin"));
            ASSERT_TRUE(reader.Open());
            FileWriter closedWriter(Locator("target.bin"));
            RangeCopier copier;
            EXPECT_EQ(copier.Copy(reader, closedWriter, 3000), RangeCopyResult::WriteFailed);
        }
        // One line for the failed read and one for the failed write: a
        // refused kernel copy writes none.
        EXPECT_THAT(log.lines(), ::testing::ElementsAre(LogLine("ReadFile", InvalidHandle),
                                                       LogLine("WriteFile", InvalidHandle)));
        log.clear();
    }
}

// Files the system will not copy between: a full device as the destination,
// and a source on another file system whose size the system does not know.
// The copier falls back to its buffer and tells the outcome as a read and a
// write would.
TEST_F(RangeCopierTest, FallsBackWhereTheSystemRefuses) {
    if (RunningOnWindows()) GTEST_SKIP() << "no full device and no /proc under Windows";
    WriteFileBytes(dir.File("source.bin"), PatternBytes(3000));
    {
        FileReader reader(Locator("source.bin"));
        ASSERT_TRUE(reader.Open());
        FileWriter full(FileLocator(L"/dev/full"));
        ASSERT_TRUE(full.Open());
        RangeCopier copier;
        EXPECT_EQ(copier.Copy(reader, full, 3000), RangeCopyResult::DiskFull);
        EXPECT_EQ(copier.KernelBytes(), 0u);
    }
    std::ifstream in("/proc/version", std::ios::binary);
    const Bytes version((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(version.empty());
    FileReader reader(FileLocator(L"/proc/version"));
    ASSERT_TRUE(reader.Open());
    FileWriter writer(Locator("target.bin"));
    ASSERT_TRUE(writer.Open());
    RangeCopier copier;
    EXPECT_EQ(copier.Copy(reader, writer, version.size()), RangeCopyResult::Copied);
    EXPECT_EQ(copier.KernelBytes(), 0u);
    writer.Close();
    EXPECT_TRUE(ReadFileBytes(dir.File("target.bin")) == version);
}

#if !defined(_WIN32)
// A destination that stops taking bytes partway through a range (here the
// process's file size limit, which fails a write as a full disk does, but
// with EFBIG): the copy fails as a write, and every byte written before the
// stop is the right one at the right place, whichever way the bytes went.
TEST_F(RangeCopierTest, ADestinationThatStopsPartwayKeepsWhatItTook) {
    const Bytes source = PatternBytes(300000, 7);
    WriteFileBytes(dir.File("source.bin"), source);
    const Bytes header = PatternBytes(1000, 2);
    constexpr rlim_t Limit = 100000;
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    EachWay([&](const Way& way, FileReader& reader, FileWriter& writer) {
        bool diskFull = false;
        ASSERT_TRUE(writer.Write(header.data(), static_cast<std::uint32_t>(header.size()), diskFull));
        // From 3 into the source to 1000 into the destination: the two
        // positions differ within a page.
        ASSERT_TRUE(reader.Seek(SeekBegin, 3));
        rlimit limited = previous;
        limited.rlim_cur = Limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        RangeCopier copier(4096);
        const RangeCopyResult result = copier.Copy(reader, writer, 200000);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &previous), 0);
        EXPECT_EQ(result, RangeCopyResult::WriteFailed);
        // The system carried the bytes up to the stop.
        EXPECT_EQ(copier.KernelBytes() > 0, way.kernel);
        writer.Close();
        const Bytes written = ReadFileBytes(dir.File("target.bin"));
        ASSERT_LE(written.size(), Limit);
        ASSERT_GE(written.size(), header.size());
        EXPECT_TRUE(Slice(written, 0, header.size()) == header);
        EXPECT_TRUE(Slice(written, header.size(), written.size() - header.size()) ==
                    Slice(source, 3, written.size() - header.size()));

        // Bytes the stopped destination never took must not reach the next
        // copy: the next range, to another file, is exactly its own.
        FileWriter next(Locator("next.bin"));
        ASSERT_TRUE(next.Open());
        ASSERT_TRUE(next.Write(header.data(), static_cast<std::uint32_t>(header.size()), diskFull));
        ASSERT_TRUE(reader.Seek(SeekBegin, 5));
        EXPECT_EQ(copier.Copy(reader, next, 150000), RangeCopyResult::Copied);
        next.Close();
        Bytes expected = header;
        const Bytes range = Slice(source, 5, 150000);
        expected.insert(expected.end(), range.begin(), range.end());
        EXPECT_TRUE(ReadFileBytes(dir.File("next.bin")) == expected);
    });
    std::signal(SIGXFSZ, ignored);
}
#endif

}
}
}
