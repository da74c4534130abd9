#ifndef CLIPREEL_TESTS_SUPPORT_SAMPLE_REEL_H
#define CLIPREEL_TESTS_SUPPORT_SAMPLE_REEL_H

#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace clipreel {
namespace test {

// One sample camera movie on disk, opened as a caller opens it, with its reel.
struct SampleReel {
    SampleReel(const TempDir& dir, const std::string& name, const sample::SampleMovieSpec& movieSpec)
        : spec(movieSpec), path(dir.File(name)), layout(sample::WriteSampleMovie(path, spec)) {
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
    // The frames of the original units, in the given order.
    unsigned FrameCount(const std::vector<unsigned>& units) const;

    sample::SampleMovieSpec spec;
    std::filesystem::path path;
    sample::SampleMovieLayout layout;
    std::unique_ptr<CZentiMovFile> file;
    std::unique_ptr<CClipreelMovie> reel;
};

// Records every progress call; can cancel at one call or throw from the
// first.
struct ProgressRecorder {
    enum class Throw { None, RuntimeError, BadAlloc, InvalidArgument };

    std::vector<std::pair<EClipreelMovFileEditorProgressCallbackMessage, double>> calls;
    int cancelAtCall = -1;  // index into calls
    Throw throwAtStart = Throw::None;

    static EClipreelMovFileEditorProgressCallbackResult Callback(EClipreelMovFileEditorProgressCallbackMessage message,
                                                                 double value, void* userData);
    void Attach(CClipreelMovFileEditor& editor) { editor.SetProgressCallback(&Callback, this); }
};

// The bytes of a parsed movie atom.
std::vector<std::uint8_t> MovieBytes(const CZentiMovie& movie);
// The thumbnail payload of a file's movie atom as the library reads it.
std::vector<std::uint8_t> ThumbnailOf(const CZentiMovie& movie);

}
}

#endif
