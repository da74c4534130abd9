#include "file/DebugLog.h"

#include "DebugOutput.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using ::testing::ElementsAre;

TEST(DebugLogTest, FormatsTheErrorNumberAsUnsignedDecimal) {
    struct Case {
        const char* format;
        std::uint32_t error;
        const char* line;
    };
    const Case cases[] = {
        {"CreateFile Error : %u \n", 2, "CreateFile Error : 2 \n"},
        {"WriteFile Error : %u \n", 112, "WriteFile Error : 112 \n"},
        {"SetFilePointerEx Error : %u \n", 0, "SetFilePointerEx Error : 0 \n"},
        {"ReadFile Error : %u \n", 0xFFFFFFFFu, "ReadFile Error : 4294967295 \n"},
        {"FindClose Error : %u \n", 0x80000000u, "FindClose Error : 2147483648 \n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        DebugLineCapture log;
        WriteDebugLog(c.format, c.error);
        EXPECT_THAT(log.lines(), ElementsAre(c.line));
    }
}

// The line is built in a 256-byte buffer: at most 255 characters reach the
// channel, and the number is cut like the text when it falls past the end.
TEST(DebugLogTest, LongLinesAreCutTo255Characters) {
    struct Case {
        std::size_t prefix;
        std::string line;
    };
    const Case cases[] = {
        {250, std::string(250, 'x') + " 77 \n"},               // 255 exactly: whole
        {251, std::string(251, 'x') + " 77 "},                 // one over: the newline goes
        {253, std::string(253, 'x') + " 7"},                   // the number itself is cut
        {300, std::string(255, 'x')},                          // the text alone is too long
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        const std::string format = std::string(c.prefix, 'x') + " %u \n";
        DebugLineCapture log;
        WriteDebugLog(format.c_str(), 77);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0], c.line);
        EXPECT_LE(log.lines()[0].size(), 255u);
    }
}

struct Recorder {
    std::vector<std::string> lines;
    static void Sink(const char* line, void* self) { static_cast<Recorder*>(self)->lines.emplace_back(line); }
};

TEST(DebugLogTest, ALaterSinkReplacesTheEarlierOne) {
    Recorder first;
    Recorder second;
    ClipreelSetDebugOutputSink(&Recorder::Sink, &first);
    WriteDebugLog("CloseHandle Error : %u \n", 6);
    ClipreelSetDebugOutputSink(&Recorder::Sink, &second);
    WriteDebugLog("CloseHandle Error : %u \n", 9);
    ClipreelSetDebugOutputSink(nullptr, nullptr);
    EXPECT_THAT(first.lines, ElementsAre("CloseHandle Error : 6 \n"));
    EXPECT_THAT(second.lines, ElementsAre("CloseHandle Error : 9 \n"));
}

struct Reentrant {
    std::vector<std::string> lines;
    static void Sink(const char* line, void* self) {
        auto* me = static_cast<Reentrant*>(self);
        me->lines.emplace_back(line);
        // A sink that logs itself must not deadlock; the nested line arrives too.
        if (me->lines.size() == 1) WriteDebugLog("nested %u\n", 1);
    }
};

TEST(DebugLogTest, SinkMayLogFromInsideItself) {
    Reentrant sink;
    ClipreelSetDebugOutputSink(&Reentrant::Sink, &sink);
    WriteDebugLog("outer %u\n", 0);
    ClipreelSetDebugOutputSink(nullptr, nullptr);
    EXPECT_THAT(sink.lines, ElementsAre("outer 0\n", "nested 1\n"));
}

#if !defined(_WIN32)
TEST(DebugLogTest, WithoutASinkLinesGoToStandardError) {
    Recorder recorder;
    ClipreelSetDebugOutputSink(&Recorder::Sink, &recorder);
    ClipreelSetDebugOutputSink(nullptr, nullptr);
    ::testing::internal::CaptureStderr();
    WriteDebugLog("GetFileSizeEx Error : %u \n", 5);
    const std::string captured = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(captured, "GetFileSizeEx Error : 5 \n");
    EXPECT_TRUE(recorder.lines.empty());
}
#endif

}
}
}
