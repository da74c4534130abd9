#include "cli/ExitCode.h"

namespace clipreel {
namespace cli {

int ExitCodeForResult(CClipreelMovFileEditor::ERROR_CREATEMOVFILE result) {
    switch (result) {
    case CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS: return EXIT_OK;
    case CClipreelMovFileEditor::CREATEMOVFILE_CANCELED: return EXIT_SAVE_CANCELED;
    case CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE: return EXIT_SAVE_INVALID_SOURCE;
    case CClipreelMovFileEditor::CREATEMOVFILE_READ_ERROR: return EXIT_SAVE_READ_ERROR;
    case CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR: return EXIT_SAVE_WRITE_ERROR;
    case CClipreelMovFileEditor::CREATEMOVFILE_THUMBNAIL_ERROR: return EXIT_SAVE_THUMBNAIL_ERROR;
    case CClipreelMovFileEditor::CREATEMOVFILE_DISK_FULL: return EXIT_SAVE_DISK_FULL;
    case CClipreelMovFileEditor::CREATEMOVFILE_OUT_OF_MEMORY: return EXIT_SAVE_OUT_OF_MEMORY;
    case CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR: return EXIT_SAVE_INTERNAL_ERROR;
    }
    // A value the library never returns (2, or anything new) is still a failure.
    return EXIT_SAVE_INTERNAL_ERROR;
}

const char* DescribeResult(CClipreelMovFileEditor::ERROR_CREATEMOVFILE result) {
    switch (result) {
    case CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS: return "done";
    case CClipreelMovFileEditor::CREATEMOVFILE_CANCELED: return "cancelled";
    case CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE: return "the source is not a usable Clipreel movie";
    case CClipreelMovFileEditor::CREATEMOVFILE_READ_ERROR: return "cannot read the source";
    case CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR: return "cannot create or write the destination";
    case CClipreelMovFileEditor::CREATEMOVFILE_THUMBNAIL_ERROR: return "cannot make the new thumbnail";
    case CClipreelMovFileEditor::CREATEMOVFILE_DISK_FULL: return "disk full";
    case CClipreelMovFileEditor::CREATEMOVFILE_OUT_OF_MEMORY: return "out of memory";
    case CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR:
        return "internal error (the new movie could not be built, or it did not read back as the units planned for it)";
    }
    return "unknown failure";
}

const char* ExitCodeTable() {
    return "Exit codes:\n"
           "   0  success\n"
           "   1  other failure (a feature this build lacks)\n"
           "   2  invalid command line or index list; an output that is one of the inputs\n"
           "   3  input missing, unreadable, not a camera movie or not a Clipreel movie\n"
           "   4  cannot write the output file\n"
           "   5  wav --movie: the sound formats differ\n"
           "   6  the output file exists: give --force (-y) to replace it\n"
           "  11  cancelled (Ctrl-C); nothing written\n"
           "  13  save: the source is not a usable Clipreel movie\n"
           "  14  save: cannot read the source\n"
           "  15  save: cannot create or write the destination\n"
           "  16  save: cannot make the new thumbnail\n"
           "  17  save: disk full\n"
           "  18  save: out of memory\n"
           "  19  save: internal error\n";
}

}
}
