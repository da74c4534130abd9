#ifndef CLIPREEL_CLI_PROGRESS_DISPLAY_H
#define CLIPREEL_CLI_PROGRESS_DISPLAY_H

#include "ClipreelMovFileEditor.h"
#include "cli/Interrupt.h"

#include <cstdio>

namespace clipreel {
namespace cli {

// Ctrl-C during a save (cli/Interrupt.h): the next progress call turns the
// raised flag into a cancel request, so the library stops between two writes
// and the tool can clean up.

// Shows a save's progress: a bar that redraws itself on a terminal, one
// "NN%" line per whole percent elsewhere, nothing when quiet.
class ProgressDisplay {
public:
    enum class Style { Quiet, Bar, Lines };

    ProgressDisplay(Style style, std::FILE* out);

    // The style a command shows on standard error: nothing when quiet, a bar
    // on a terminal, lines elsewhere.
    static Style ForStandardError(bool quiet);

    // The editor's progress callback; userData is the display.
    static EClipreelMovFileEditorProgressCallbackResult Callback(
        EClipreelMovFileEditorProgressCallbackMessage message, double value, void* userData);

    // Ends the bar's line after a save that stopped early.
    void Finish();

private:
    EClipreelMovFileEditorProgressCallbackResult Show(EClipreelMovFileEditorProgressCallbackMessage message,
                                                      double value);
    void Draw(int percent);

    Style style;
    std::FILE* out;
    int shownPercent;
    bool lineOpen;
};

}
}

#endif
