// Saves while other processes use the same files: two saves from one source
// at once, a destination another process holds open, a source another
// process reads. The other processes are SaveHelper runs.
#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/Commands.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace clipreel {
namespace test {
namespace {

namespace fs = std::filesystem;
using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;
using Bytes = std::vector<std::uint8_t>;

std::string Quoted(const fs::path& path) { return ShellQuoted(path.string()); }

// Runs the helper with these arguments; its exit code, or -1.
int RunHelper(const std::string& arguments) {
    const int status = std::system((std::string("'") + CLIPREEL_SAVE_HELPER + "' " + arguments).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A helper run on its own thread, joined when it goes.
class HelperProcess {
public:
    explicit HelperProcess(const std::string& arguments)
        : thread([this, arguments] { exitCode = RunHelper(arguments); }) {}
    ~HelperProcess() { Join(); }
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    int Join() {
        if (thread.joinable()) thread.join();
        return exitCode;
    }

private:
    int exitCode = -1;
    std::thread thread;
};

bool WaitForFile(const fs::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class ConcurrentSave : public ::testing::Test {
protected:
    void SetUp() override {
        sample::SampleMovieSpec spec;
        spec.units = 4;
        spec.frames = sample::FrameContent::Dummy;
        source = dir.File("source.mov");
        sample::WriteSampleMovie(source, spec);
    }

    // Saves in this process, unit 1 removed (or unedited).
    Result SaveHere(const fs::path& destination, bool edited) {
        const CZentiMovFile file(FileLocator(source.wstring().c_str()));
        CClipreelMovie reel(&file);
        if (edited && !reel.RemoveShootingUnit(1)) return CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
        CClipreelMovFileEditor editor(file);
        return editor.CreateNewMovFile(FileLocator(destination.wstring().c_str()), edited ? &reel : nullptr);
    }

    // The unit count of a written movie file, or 0 when it is not one.
    static unsigned UnitsOf(const fs::path& path) {
        const CZentiMovFile file(FileLocator(path.wstring().c_str()));
        if (!file.IsValid()) return 0;
        const CClipreelMovie reel(&file);
        return reel.IsValid() ? reel.GetShootingUnitCount() : 0;
    }

    TempDir dir;
    fs::path source;
};

TEST_F(ConcurrentSave, TwoProcessesSaveFromOneSourceAtOnce) {
    const fs::path meeting = dir.File("meeting");
    fs::create_directory(meeting);
    const fs::path first = dir.File("first.mov");
    const fs::path second = dir.File("second.mov");
    // Each save waits inside itself until the other is inside its own.
    HelperProcess a("save " + Quoted(source) + " " + Quoted(first) + " " + Quoted(meeting) + " 2");
    HelperProcess b("save " + Quoted(source) + " " + Quoted(second) + " " + Quoted(meeting) + " 2");
    EXPECT_EQ(0, a.Join());
    EXPECT_EQ(0, b.Join());
    EXPECT_EQ(3u, UnitsOf(first));
    EXPECT_EQ(3u, UnitsOf(second));
    EXPECT_EQ(fs::file_size(first), fs::file_size(second));
}

TEST_F(ConcurrentSave, ADestinationAnotherProcessHoldsOpenIsRefusedAndKept) {
    const fs::path destination = dir.File("held.mov");
    const Bytes kept = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};
    WriteFileBytes(destination, kept);
    const fs::path ready = dir.File("ready");
    const fs::path release = dir.File("release");
    HelperProcess holder("hold " + Quoted(destination) + " " + Quoted(ready) + " " + Quoted(release));
    ASSERT_TRUE(WaitForFile(ready));
    const DebugLineCapture expectedFailures;
    for (const bool edited : {true, false}) {
        SCOPED_TRACE(edited ? "edited save" : "unchanged copy");
        EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR, SaveHere(destination, edited));
        EXPECT_TRUE(ReadFileBytes(destination) == kept);
    }
    WriteFileBytes(release, {});
    EXPECT_EQ(0, holder.Join());
}

TEST_F(ConcurrentSave, AReaderHoldingTheSourceDoesNotBlockASave) {
    const fs::path ready = dir.File("ready");
    const fs::path release = dir.File("release");
    const Bytes before = ReadFileBytes(source);
    HelperProcess holder("hold " + Quoted(source) + " " + Quoted(ready) + " " + Quoted(release));
    ASSERT_TRUE(WaitForFile(ready));
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, SaveHere(dir.File("edited.mov"), true));
    EXPECT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, SaveHere(dir.File("copy.mov"), false));
    EXPECT_EQ(3u, UnitsOf(dir.File("edited.mov")));
    EXPECT_EQ(4u, UnitsOf(dir.File("copy.mov")));
    WriteFileBytes(release, {});
    EXPECT_EQ(0, holder.Join());
    EXPECT_TRUE(ReadFileBytes(source) == before);
}

}
}
}
