#ifndef CLIPREEL_CLI_EXIT_CODE_H
#define CLIPREEL_CLI_EXIT_CODE_H

#include "ClipreelMovFileEditor.h"

namespace clipreel {
namespace cli {

// The tool's exit codes: one per way a command can end, so that a script can
// tell a cancelled save from a full disk without reading the message.
enum ExitCode : int {
    EXIT_OK = 0,
    EXIT_FAILURE_OTHER = 1,      // a feature this build lacks, an unexpected error
    EXIT_USAGE = 2,              // a bad command line or index list
    EXIT_BAD_INPUT = 3,          // the input is missing, unreadable or not the kind of file needed
    EXIT_CANNOT_WRITE = 4,       // the tool's own output (thumbnail, sheet, sample) could not be written
    EXIT_SOUND_MISMATCH = 5,     // `wav --movie`: the formats differ
    EXIT_OUTPUT_EXISTS = 6,      // the output exists and --force was not given: nothing written
    // A failed save: 10 + the library's result code; the internal error last.
    EXIT_SAVE_CANCELED = 11,
    EXIT_SAVE_INVALID_SOURCE = 13,
    EXIT_SAVE_READ_ERROR = 14,
    EXIT_SAVE_WRITE_ERROR = 15,
    EXIT_SAVE_THUMBNAIL_ERROR = 16,
    EXIT_SAVE_DISK_FULL = 17,
    EXIT_SAVE_OUT_OF_MEMORY = 18,
    EXIT_SAVE_INTERNAL_ERROR = 19
};

// The exit code for a save's result, and the result in plain words.
int ExitCodeForResult(CClipreelMovFileEditor::ERROR_CREATEMOVFILE result);
const char* DescribeResult(CClipreelMovFileEditor::ERROR_CREATEMOVFILE result);

// The table above as text, for --help.
const char* ExitCodeTable();

}
}

#endif
