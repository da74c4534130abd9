#include "ClipreelMovFileEditor.h"

namespace clipreel {

int ProgressReporter::ReportProgress(double fraction) {
    if (callback == nullptr) return 0;
    if (fraction < 0.0) fraction = 0.0;
    if (fraction > 1.0) fraction = 1.0;
    const double value = rangeStart + fraction * (rangeEnd - rangeStart);
    if (value > lastFraction) lastFraction = value;
    return callback(PROGRESS_MESSAGE_PROGRESS, lastFraction, userData);
}

int ProgressReporter::RepeatProgress() {
    if (callback == nullptr) return 0;
    return callback(PROGRESS_MESSAGE_PROGRESS, lastFraction, userData);
}

}
