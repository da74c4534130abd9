// The progress record: mapping, clamping, never lowering, and the callback's
// answer passed back.
#include "ClipreelMovFileEditor.h"
#include "editor/EditorPrivateAccess.h"
#include "tests/editor/copy/CopyTestFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace clipreel {
namespace test {
namespace {

TEST(ProgressReporterTest, ReportsTheHighestClampedFractionSoFar) {
    struct Step {
        double fraction;
        double reported;
    };
    const Step steps[] = {
        {0.25, 0.25},
        {0.5, 0.5},
        {0.4, 0.5},   // never lowered
        {-3.0, 0.5},  // clamped to 0, still not lowered
        {0.75, 0.75},
        {7.0, 1.0},   // clamped to 1
        {std::numeric_limits<double>::quiet_NaN(), 1.0},
        {0.1, 1.0},
    };
    ProgressRecorder recorder;
    ProgressReporter reporter;
    reporter.callback = &ProgressRecorder::Callback;
    reporter.userData = &recorder;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.fraction);
        recorder.calls.clear();
        EXPECT_EQ(reporter.ReportProgress(step.fraction), 0);
        ASSERT_EQ(recorder.calls.size(), 1u);
        EXPECT_EQ(recorder.calls[0].first, PROGRESS_MESSAGE_PROGRESS);
        EXPECT_EQ(recorder.calls[0].second, step.reported);
        EXPECT_EQ(reporter.lastFraction, step.reported);
    }
}

TEST(ProgressReporterTest, RepeatProgressSendsTheCurrentValueAndPassesTheAnswerBack) {
    ProgressRecorder recorder;
    ProgressReporter reporter;
    reporter.callback = &ProgressRecorder::Callback;
    reporter.userData = &recorder;
    reporter.lastFraction = 0.625;
    recorder.cancelAtCall = 1;
    EXPECT_EQ(reporter.RepeatProgress(), 0);
    EXPECT_EQ(reporter.RepeatProgress(), 1);
    EXPECT_EQ(reporter.ReportProgress(0.5), 0);
    const std::vector<std::pair<EClipreelMovFileEditorProgressCallbackMessage, double>> expected = {
        {PROGRESS_MESSAGE_PROGRESS, 0.625}, {PROGRESS_MESSAGE_PROGRESS, 0.625}, {PROGRESS_MESSAGE_PROGRESS, 0.625}};
    EXPECT_EQ(recorder.calls, expected);
}

TEST(ProgressReporterTest, WithoutACallbackNothingIsReportedOrRemembered) {
    ProgressReporter reporter;
    EXPECT_EQ(reporter.ReportProgress(0.5), 0);
    EXPECT_EQ(reporter.RepeatProgress(), 0);
    EXPECT_EQ(reporter.lastFraction, 0.0);
}

TEST(ProgressReporterTest, TheEditorStartsAtZeroAndKeepsTheFractionWhenTheCallbackChanges) {
    TempDir dir;
    SampleReel source(dir, "source.mov", sample::SampleMovieSpec());
    CClipreelMovFileEditor editor(*source.file);
    ProgressReporter& reporter = EditorPrivateAccess::Progress(editor);
    EXPECT_EQ(reporter.callback, nullptr);
    EXPECT_EQ(reporter.userData, nullptr);
    EXPECT_EQ(reporter.rangeStart, 0.0);
    EXPECT_EQ(reporter.rangeEnd, 1.0);
    EXPECT_EQ(reporter.lastFraction, 0.0);

    ProgressRecorder recorder;
    recorder.Attach(editor);
    EXPECT_EQ(reporter.callback, &ProgressRecorder::Callback);
    EXPECT_EQ(reporter.userData, &recorder);
    reporter.ReportProgress(0.5);
    editor.SetProgressCallback(nullptr, nullptr);
    EXPECT_EQ(reporter.lastFraction, 0.5);
    EXPECT_EQ(reporter.ReportProgress(0.75), 0);
    EXPECT_EQ(recorder.calls.size(), 1u);
}

}
}
}
