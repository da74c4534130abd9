#ifndef CLIPREEL_CLIPREEL_MOV_FILE_EDITOR_H
#define CLIPREEL_CLIPREEL_MOV_FILE_EDITOR_H

#include "ClipreelExport.h"
#include "FileLocator.h"

#include <cstdint>

class CZentiMovFile;
class CZentiMovie;
class CClipreelMovie;
namespace clipreel {
struct EditorPrivateAccess;
}

enum EClipreelMovFileEditorProgressCallbackMessage {
    PROGRESS_MESSAGE_START = 0,
    PROGRESS_MESSAGE_PROGRESS = 1,
    PROGRESS_MESSAGE_END = 2
};

enum EClipreelMovFileEditorProgressCallbackResult {
    PROGRESS_RESULT_CONTINUE = 0,
    PROGRESS_RESULT_CANCEL = 1
};

typedef EClipreelMovFileEditorProgressCallbackResult (*ClipreelProgressCallback)(
    EClipreelMovFileEditorProgressCallbackMessage message, double value, void* userData);

// Where a movie atom about to be written will stand, and the boundary on
// which the byte after it must fall.
class CLIPREEL_API CMoovAtomAlignmentInfo {
public:
    std::uint32_t alignment;
    std::uint32_t offset;
};

namespace clipreel {
// The progress state of an editor: the caller's callback and the highest
// fraction reported so far, which is never lowered, not even between runs.
struct ProgressReporter {
    ClipreelProgressCallback callback = nullptr;
    void* userData = nullptr;
    double rangeStart = 0.0;
    double rangeEnd = 1.0;
    double lastFraction = 0.0;

    // Maps a step's fraction into the range and reports the highest value so
    // far; the callback's result, or 0 without a callback.
    int ReportProgress(double fraction);
    // Reports the current value again: a cancel check between steps.
    int RepeatProgress();
};
}

// Writes new movie files from one source camera movie file, which must
// outlive the editor.
class CLIPREEL_API CClipreelMovFileEditor {
public:
    enum ERROR_CREATEMOVFILE : std::uint32_t {
        CREATEMOVFILE_SUCCESS = 0,
        CREATEMOVFILE_CANCELED = 1,
        CREATEMOVFILE_INVALID_SOURCE = 3,
        CREATEMOVFILE_READ_ERROR = 4,
        CREATEMOVFILE_WRITE_ERROR = 5,
        CREATEMOVFILE_THUMBNAIL_ERROR = 6,
        CREATEMOVFILE_DISK_FULL = 7,
        CREATEMOVFILE_OUT_OF_MEMORY = 8,
        CREATEMOVFILE_INTERNAL_ERROR = 0xFFFFFFFFu
    };

    explicit CClipreelMovFileEditor(const CZentiMovFile& source);
    ~CClipreelMovFileEditor();

    void SetProgressCallback(ClipreelProgressCallback callback, void* userData);
    ERROR_CREATEMOVFILE CreateNewMovFile(const FileLocator& destination, const CClipreelMovie* movie);
    ERROR_CREATEMOVFILE CreateReferenceMovFile(const FileLocator& destination,
                                               const CClipreelMovie* movie) const;

private:
    friend struct clipreel::EditorPrivateAccess;

    ERROR_CREATEMOVFILE copyMovFile(const FileLocator& destination);
    ERROR_CREATEMOVFILE createNewMovFile_standard(const FileLocator& destination,
                                                  const CClipreelMovie* movie);
    bool updateTHMData(CZentiMovie* movie, std::int64_t fileSize, const void* jpeg,
                       unsigned jpegSize) const;

    const CZentiMovFile* sourceFile;
    clipreel::ProgressReporter progress;
};

#endif
