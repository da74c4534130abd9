#ifndef CLIPREEL_TESTS_EDITOR_SAVE_SAVE_FIXTURE_H
#define CLIPREEL_TESTS_EDITOR_SAVE_SAVE_FIXTURE_H

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

using Bytes = std::vector<std::uint8_t>;

// A sample camera movie on disk, opened as a caller opens it, with its reel.
struct SavedReelSource {
    SavedReelSource(const TempDir& dir, const std::string& name, const sample::SampleMovieSpec& movieSpec)
        : spec(movieSpec), path(dir.File(name)), layout(sample::WriteSampleMovie(path, spec)) {
        Open();
    }
    void Open() {
        reel.reset();
        file = std::make_unique<CZentiMovFile>(FileLocator(path.wstring().c_str()));
        reel = std::make_unique<CClipreelMovie>(file.get());
    }
    // The frames of the original units, in the given order.
    unsigned FrameCount(const std::vector<unsigned>& units) const;

    sample::SampleMovieSpec spec;
    std::filesystem::path path;
    sample::SampleMovieLayout layout;
    std::unique_ptr<CZentiMovFile> file;
    std::unique_ptr<CClipreelMovie> reel;
};

// A top-level atom of a file's bytes.
struct TopAtom {
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};
std::vector<TopAtom> TopLevelAtoms(const Bytes& file);
TopAtom FindTopAtom(const Bytes& file, const char (&type)[5]);

std::uint32_t BigU32(const Bytes& bytes, std::size_t offset);
std::uint32_t U32In(const Bytes& bytes, std::size_t offset, bool bigEndian);
std::uint16_t U16In(const Bytes& bytes, std::size_t offset, bool bigEndian);
Bytes Slice(const Bytes& bytes, std::uint64_t offset, std::uint64_t size);

// The thumbnail payload of a file's movie atom as the library reads it.
Bytes ThumbnailOf(const CZentiMovie& movie);

// Records every progress call; cancels at one of them when asked.
struct ProgressLog {
    std::vector<std::pair<EClipreelMovFileEditorProgressCallbackMessage, double>> calls;
    int cancelAtCall = -1;

    static EClipreelMovFileEditorProgressCallbackResult Callback(EClipreelMovFileEditorProgressCallbackMessage message,
                                                                 double value, void* userData);
    void Attach(CClipreelMovFileEditor& editor) { editor.SetProgressCallback(&Callback, this); }
};

// Runs a command through the shell and returns its standard output; the
// exit status goes to status.
std::string RunCommand(const std::string& command, int& status);

}
}

#endif
