// How `clipreel studio` ends: SIGHUP (its terminal closed) cleans up as
// SIGTERM does, and a studio that was killed leaves a player folder that
// the next studio to start removes. Each studio here has a temporary
// folder of its own (TMPDIR), so no other studio's folders are touched.
#include "sample/SampleMovieWriter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace clipreel {
namespace test {
namespace {

// A studio run as its own process, killed at the end if still running.
class StudioProcess {
public:
    StudioProcess(const std::filesystem::path& reel, const std::filesystem::path& temporary) {
        int out[2];
        if (pipe(out) != 0) return;
        process = fork();
        if (process == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            setenv("TMPDIR", temporary.c_str(), 1);
            execl(CLIPREEL_TOOL_PATH, "clipreel", "studio", reel.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        // The studio prints its address once it serves.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (address.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
            pollfd watched{out[0], POLLIN, 0};
            if (poll(&watched, 1, 100) <= 0) continue;
            char bytes[256];
            const ssize_t count = read(out[0], bytes, sizeof bytes);
            if (count <= 0) break;
            address.append(bytes, static_cast<std::size_t>(count));
        }
        close(out[0]);
    }
    ~StudioProcess() {
        if (process > 0 && !ended) {
            kill(process, SIGKILL);
            waitpid(process, nullptr, 0);
        }
    }
    StudioProcess(const StudioProcess&) = delete;
    StudioProcess& operator=(const StudioProcess&) = delete;

    bool Serving() const { return address.compare(0, 17, "http://127.0.0.1:") == 0; }

    // Sends the signal and waits (at most 20 s) for the end: the wait status.
    int EndWith(int signalNumber) {
        kill(process, signalNumber);
        int status = -1;
        for (int round = 0; round < 200; ++round) {
            if (waitpid(process, &status, WNOHANG) == process) {
                ended = true;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return -1;
    }

    pid_t process = -1;
    std::string address;

private:
    bool ended = false;
};

TEST(StudioExit, HangUpCleansUpAndAKilledStudiosFolderGoesAtTheNextStart) {
    TempDir reels;
    TempDir temporary;
    sample::WriteSampleMovie(reels.File("reel.mov"), sample::SampleMovieSpec());
    const std::string prefix = "clipreel-studio-";
    {
        StudioProcess studio(reels.File("reel.mov"), temporary.path());
        ASSERT_TRUE(studio.Serving()) << studio.address;
        ASSERT_EQ(FolderEntries(temporary.path()).size(), 1u);
        const std::string own = prefix + std::to_string(studio.process) + "-";
        EXPECT_EQ(FolderEntries(temporary.path())[0].compare(0, own.size(), own), 0);
        const int status = studio.EndWith(SIGHUP);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
        EXPECT_TRUE(FolderEntries(temporary.path()).empty()) << "the player's folder is removed";
    }
    std::string killedFolder;
    {
        StudioProcess killed(reels.File("reel.mov"), temporary.path());
        ASSERT_TRUE(killed.Serving()) << killed.address;
        ASSERT_EQ(FolderEntries(temporary.path()).size(), 1u);
        killedFolder = FolderEntries(temporary.path())[0];
        const int status = killed.EndWith(SIGKILL);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(FolderEntries(temporary.path()), std::vector<std::string>{killedFolder}) << "left behind";
    }
    StudioProcess next(reels.File("reel.mov"), temporary.path());
    ASSERT_TRUE(next.Serving()) << next.address;
    const std::vector<std::string> left = FolderEntries(temporary.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(left[0], killedFolder) << "the killed studio's folder is gone, the new one's is there";
    const int status = next.EndWith(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    EXPECT_TRUE(FolderEntries(temporary.path()).empty());
}

}
}
}
