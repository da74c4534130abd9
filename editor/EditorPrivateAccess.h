#ifndef CLIPREEL_EDITOR_EDITOR_PRIVATE_ACCESS_H
#define CLIPREEL_EDITOR_EDITOR_PRIVATE_ACCESS_H

#include "ClipreelMovFileEditor.h"

namespace clipreel {

// The library's own way to the editor's private operations and state: the
// writer, the reference movie and the tests use it.
struct EditorPrivateAccess {
    using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

    static ProgressReporter& Progress(CClipreelMovFileEditor& e) { return e.progress; }
    static Result copyMovFile(CClipreelMovFileEditor& e, const FileLocator& d) { return e.copyMovFile(d); }
    static Result createNewMovFile_standard(CClipreelMovFileEditor& e, const FileLocator& d, const CClipreelMovie* m) {
        return e.createNewMovFile_standard(d, m);
    }
    static bool updateTHMData(const CClipreelMovFileEditor& e, CZentiMovie* movie, std::int64_t fileSize,
                              const void* jpeg, unsigned jpegSize) {
        return e.updateTHMData(movie, fileSize, jpeg, jpegSize);
    }
};

}

#endif
