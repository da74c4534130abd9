#ifndef CLIPREEL_TESTS_EDITOR_COPY_COPY_TEST_FIXTURE_H
#define CLIPREEL_TESTS_EDITOR_COPY_COPY_TEST_FIXTURE_H

#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace clipreel {
namespace test {

// One sample camera movie on disk, opened as the library opens it.
struct SampleReel {
    SampleReel(const TempDir& dir, const std::string& name, const sample::SampleMovieSpec& spec)
        : path(dir.File(name)), layout(sample::WriteSampleMovie(path, spec)) {
        Open();
    }
    // Reopens after the file's bytes were changed on purpose.
    void Open() {
        reel.reset();
        file = std::make_unique<CZentiMovFile>(Locator());
        reel = std::make_unique<CClipreelMovie>(file.get());
    }
    FileLocator Locator() const { return FileLocator(path.wstring().c_str()); }
    std::vector<std::uint8_t> Bytes() const { return ReadFileBytes(path); }

    std::filesystem::path path;
    sample::SampleMovieLayout layout;
    std::unique_ptr<CZentiMovFile> file;
    std::unique_ptr<CClipreelMovie> reel;
};

// Records every progress call; can cancel at one call or throw from it.
struct ProgressRecorder {
    enum class Throw { None, RuntimeError, BadAlloc, InvalidArgument };

    std::vector<std::pair<EClipreelMovFileEditorProgressCallbackMessage, double>> calls;
    int cancelAtCall = -1;  // index into calls
    Throw throwAtStart = Throw::None;

    static EClipreelMovFileEditorProgressCallbackResult Callback(EClipreelMovFileEditorProgressCallbackMessage message,
                                                                 double value, void* userData);
    void Attach(CClipreelMovFileEditor& editor) { editor.SetProgressCallback(&Callback, this); }
};

// The bytes of a file as the unchanged copy must write them: the source's,
// with every modification time in its movie atom set to the value found in
// the copy, which must lie in [earliest, latest] and be the same everywhere.
void ExpectUnchangedCopy(const std::vector<std::uint8_t>& source, std::uint64_t moovOffset,
                         const std::vector<std::uint8_t>& copy, std::uint32_t earliest, std::uint32_t latest);

}
}

#endif
