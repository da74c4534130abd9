#ifndef CLIPREEL_CLI_CONSOLE_H
#define CLIPREEL_CLI_CONSOLE_H

namespace clipreel {
namespace cli {

// What the tool needs to know about its console, one backend per system.

// True when standard error is a terminal (a progress bar makes sense there).
bool StandardErrorIsTerminal();

// A write past the process's file-size limit must fail like any other write
// (and be reported as one) rather than end the process without a word.
void KeepRunningPastFileSizeLimit();

// Whether the codec libraries (FFmpeg and the encoders under it) print their
// own log lines; they do only with --verbose. It loads the libraries' base,
// so only the commands that may decode or encode frames call it.
void ShowCodecLogs(bool show);

}
}

#endif
