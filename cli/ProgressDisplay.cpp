#include "cli/ProgressDisplay.h"

#include "cli/Console.h"

#include <string>

namespace clipreel {
namespace cli {

namespace {

constexpr int BarWidth = 40;

}

ProgressDisplay::ProgressDisplay(Style shownAs, std::FILE* stream)
    : style(shownAs), out(stream), shownPercent(-1), lineOpen(false) {}

ProgressDisplay::Style ProgressDisplay::ForStandardError(bool quiet) {
    if (quiet) return Style::Quiet;
    return StandardErrorIsTerminal() ? Style::Bar : Style::Lines;
}

EClipreelMovFileEditorProgressCallbackResult ProgressDisplay::Callback(
    EClipreelMovFileEditorProgressCallbackMessage message, double value, void* userData) {
    return static_cast<ProgressDisplay*>(userData)->Show(message, value);
}

EClipreelMovFileEditorProgressCallbackResult ProgressDisplay::Show(
    EClipreelMovFileEditorProgressCallbackMessage message, double value) {
    if (InterruptRequested()) return PROGRESS_RESULT_CANCEL;
    if (value < 0.0) value = 0.0;
    if (value > 1.0) value = 1.0;
    const int percent = static_cast<int>(value * 100.0);
    switch (message) {
    case PROGRESS_MESSAGE_START:
        Draw(0);
        break;
    case PROGRESS_MESSAGE_PROGRESS:
        Draw(percent);
        break;
    case PROGRESS_MESSAGE_END:
        Draw(100);
        Finish();
        break;
    }
    return PROGRESS_RESULT_CONTINUE;
}

void ProgressDisplay::Draw(int percent) {
    if (style == Style::Quiet || percent <= shownPercent) return;
    shownPercent = percent;
    if (style == Style::Lines) {
        std::fprintf(out, "%d%%\n", percent);
    } else {
        const int filled = percent * BarWidth / 100;
        const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                                std::string(static_cast<std::size_t>(BarWidth - filled), '.');
        std::fprintf(out, "\r[%s] %3d%%", bar.c_str(), percent);
        lineOpen = true;
    }
    std::fflush(out);
}

void ProgressDisplay::Finish() {
    if (lineOpen) {
        std::fputc('\n', out);
        std::fflush(out);
        lineOpen = false;
    }
}

}
}
