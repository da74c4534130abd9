#include "cli/ProgressDisplay.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace clipreel {
namespace cli {
namespace {

struct Step {
    EClipreelMovFileEditorProgressCallbackMessage message;
    double value;
};

// Feeds the steps to a display writing into a temporary file; the text it wrote.
std::string Shown(ProgressDisplay::Style style, const std::vector<Step>& steps) {
    const test::TempDir dir;
    std::FILE* out = std::fopen(dir.File("progress.txt").string().c_str(), "wb");
    if (out == nullptr) throw std::runtime_error("cannot create the progress file");
    ProgressDisplay display(style, out);
    for (const Step& step : steps) {
        EXPECT_EQ(ProgressDisplay::Callback(step.message, step.value, &display), PROGRESS_RESULT_CONTINUE);
    }
    display.Finish();
    std::fclose(out);
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(dir.File("progress.txt"));
    return std::string(bytes.begin(), bytes.end());
}

class ProgressDisplayTest : public testing::Test {
protected:
    void SetUp() override { ClearInterrupt(); }
    void TearDown() override { ClearInterrupt(); }
};

TEST_F(ProgressDisplayTest, EachStyleShowsEveryNewWholePercentOnce) {
    const std::vector<Step> save = {{PROGRESS_MESSAGE_START, 0.0},    {PROGRESS_MESSAGE_PROGRESS, 0.25},
                                    {PROGRESS_MESSAGE_PROGRESS, 0.25}, {PROGRESS_MESSAGE_PROGRESS, 0.504},
                                    {PROGRESS_MESSAGE_PROGRESS, 1.0},  {PROGRESS_MESSAGE_END, 1.0}};
    struct Case {
        ProgressDisplay::Style style;
        std::string expected;
    };
    const std::string empty(40, '.');
    const Case cases[] = {
        {ProgressDisplay::Style::Quiet, ""},
        {ProgressDisplay::Style::Lines, "0%\n25%\n50%\n100%\n"},
        {ProgressDisplay::Style::Bar, "\r[" + empty + "]   0%" + "\r[" + std::string(10, '#') + std::string(30, '.') +
                                          "]  25%" + "\r[" + std::string(20, '#') + std::string(20, '.') + "]  50%" +
                                          "\r[" + std::string(40, '#') + "] 100%\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        EXPECT_EQ(Shown(c.style, save), c.expected);
    }
}

TEST_F(ProgressDisplayTest, AnInterruptTurnsTheNextCallIntoACancel) {
    ProgressDisplay display(ProgressDisplay::Style::Quiet, stderr);
    EXPECT_EQ(ProgressDisplay::Callback(PROGRESS_MESSAGE_START, 0.0, &display), PROGRESS_RESULT_CONTINUE);
    RequestInterrupt();
    EXPECT_EQ(ProgressDisplay::Callback(PROGRESS_MESSAGE_PROGRESS, 0.5, &display), PROGRESS_RESULT_CANCEL);
    EXPECT_EQ(ProgressDisplay::Callback(PROGRESS_MESSAGE_START, 0.0, &display), PROGRESS_RESULT_CANCEL);
}

}
}
}
