// The studio under hostile and heavy use from the same machine: each test
// plays one attack against a studio started inside the test (127.0.0.1
// only, every load bounded in count and time) and shows that the page's
// own request is still answered within a second while the attack runs, and
// that the process's memory (read from /proc) grows by tens of MiB at most.
// The figures each test measured are printed as "[figure] ..." lines.
//
// The studio's largest lane of workers (event streams and movies) has 8;
// 16 attacking connections would hold them all, and as many again.
#include "tests/cli/StudioHarness.h"

#include "cli/studio/ReelSession.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/SampleFolderSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char* const HeldName = "held.mov";
constexpr std::size_t MiB = 1024 * 1024;
constexpr unsigned Attackers = 16;
// What the studio's memory may grow by under one attack.
constexpr std::size_t GrowthBound = 48 * MiB;

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM").
std::size_t MemoryFigure(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, key.size() + 1, key + ":") == 0) return std::stoul(line.substr(key.size() + 1)) * 1024;
    }
    return 0;
}

// Resident memory when the watch began, and its peak since (the watch
// resets the peak).
struct MemoryWatch {
    MemoryWatch() {
        std::ofstream("/proc/self/clear_refs") << "5";
        before = MemoryFigure("VmRSS");
    }
    std::size_t Growth() const {
        const std::size_t peak = MemoryFigure("VmHWM");
        return peak > before ? peak - before : 0;
    }
    void Report(const char* row) const {
        std::printf("[figure] %s: resident %zu MiB before, peak %zu MiB, %zu MiB after\n", row, before / MiB,
                    MemoryFigure("VmHWM") / MiB, MemoryFigure("VmRSS") / MiB);
    }
    std::size_t before = 0;
};

// A plain TCP connection to the studio, for what no HTTP client sends.
class RawConnection {
public:
    explicit RawConnection(int port) : socket(::socket(AF_INET, SOCK_STREAM, 0)) {
        timeval limit{1, 0};
        setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawConnection() { close(socket); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // False once the studio closed the connection (or a second passed
    // without room to send).
    bool Send(const std::string& bytes) {
        std::size_t sent = 0;
        while (connected && sent < bytes.size()) {
            const ssize_t count = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (count <= 0) return false;
            sent += static_cast<std::size_t>(count);
        }
        return connected;
    }

    // What the studio answered within the time (up to its end).
    std::string Answer(milliseconds limit) {
        std::string answer;
        const Clock::time_point end = Clock::now() + limit;
        while (Clock::now() < end) {
            pollfd watched{socket, POLLIN, 0};
            if (poll(&watched, 1, 50) <= 0) continue;
            char bytes[4096];
            const ssize_t count = recv(socket, bytes, sizeof bytes, 0);
            if (count <= 0) break;
            answer.append(bytes, static_cast<std::size_t>(count));
        }
        return answer;
    }

    bool connected = false;

private:
    const int socket;
};

// Work run on a number of threads until its time is up (each loop of the
// work checks Running()).
class Load {
public:
    Load(unsigned threads, milliseconds length, std::function<void(const Load&)> work) : end(Clock::now() + length) {
        for (unsigned i = 0; i < threads; ++i) workers.emplace_back([this, work]() { work(*this); });
    }
    ~Load() {
        for (std::thread& worker : workers) worker.join();
    }
    bool Running() const { return Clock::now() < end; }
    // Waits up to `length` of the load's time.
    void Pause(milliseconds length) const {
        const Clock::time_point until = std::min(end, Clock::now() + length);
        while (Clock::now() < until) std::this_thread::sleep_for(milliseconds(20));
    }

    const Clock::time_point end;

private:
    std::vector<std::thread> workers;
};

struct PageAnswer {
    int status = -1;
    double seconds = 0;
    Clock::time_point at;
    std::string body;
};

// What the page asks most: its reels (or, as given, another request).
PageAnswer AskAsThePage(const StudioHarness& studio, const std::string& method = "GET",
                        const std::string& target = "/api/reels") {
    httplib::Request request;
    request.method = method;
    request.path = StudioHarness::WithToken(target);
    request.set_header("Origin", "http://" + studio.Host());
    const Clock::time_point start = Clock::now();
    const httplib::Result result = studio.Client(10)->send(request);
    PageAnswer answer;
    answer.at = Clock::now();
    answer.seconds = std::chrono::duration<double>(answer.at - start).count();
    if (result) {
        answer.status = result->status;
        answer.body = result->body;
    }
    return answer;
}

void ExpectAnsweredWithinASecond(const PageAnswer& answer, int status, const char* row) {
    std::printf("[figure] %s: the page's %d answered in %.3f s\n", row, answer.status, answer.seconds);
    EXPECT_EQ(answer.status, status) << answer.body;
    EXPECT_LT(answer.seconds, 1.0);
}

// The page's request is answered while the attack still runs.
void ExpectServedDuring(const PageAnswer& answer, const Load& load, const char* row) {
    ExpectAnsweredWithinASecond(answer, 200, row);
    EXPECT_LT(answer.at, load.end) << "answered only when the attack stopped";
}

// The page's request, made half a second into an attack by Attackers
// connections that lasts six seconds, is answered while the attack runs.
void ExpectServedDuringAttack(const StudioHarness& studio, const std::function<void(const Load&)>& attack,
                              const char* row) {
    const Load load(Attackers, milliseconds(6000), attack);
    load.Pause(milliseconds(500));
    ExpectServedDuring(AskAsThePage(studio), load, row);
}

class StudioUnderLoad : public SampleFolderSuite {
protected:
    static void SetUpTestSuite() {
        SampleFolderSuite::SetUpTestSuite();
        sample::SampleMovieSpec small;
        small.units = 3;
        WriteReel("reel.mov", small);
    }
};

TEST_F(StudioUnderLoad, SlowHeadersWithoutTokenHoldNoWorker) {
    StudioHarness studio({Folder().File("reel.mov")});
    ASSERT_TRUE(studio.Serving());
    const std::string head = "GET /api/reels HTTP/1.1\r\nHost: " + studio.Host() + "\r\nX-Slow: ";
    ExpectServedDuringAttack(
        studio,
        [&](const Load& attack) {
            RawConnection connection(studio.Port());
            for (std::size_t i = 0; i < head.size() && attack.Running(); ++i) {
                if (!connection.Send(head.substr(i, 1))) break;
                attack.Pause(milliseconds(2000));
            }
            attack.Pause(milliseconds(6000));
        },
        "16 connections sending a header byte every 2 s");
}

TEST_F(StudioUnderLoad, IdleConnectionsHoldNoWorker) {
    StudioHarness studio({Folder().File("reel.mov")});
    ASSERT_TRUE(studio.Serving());
    ExpectServedDuringAttack(
        studio,
        [&](const Load& attack) {
            const RawConnection connection(studio.Port());
            attack.Pause(milliseconds(6000));
        },
        "16 idle connections");
}

TEST_F(StudioUnderLoad, HeaderFloodWithoutTokenIsDroppedAtTheHead) {
    StudioHarness studio({Folder().File("reel.mov")});
    ASSERT_TRUE(studio.Serving());
    const MemoryWatch memory;
    std::atomic<std::size_t> sent{0};
    const std::string line = "X-Flood: " + std::string(8000, 'f') + "\r\n";
    {
        const Load load(4, milliseconds(8000), [&](const Load& attack) {
            for (int connections = 0; connections < 2000 && attack.Running() && sent < 190 * MiB; ++connections) {
                RawConnection connection(studio.Port());
                if (!connection.Send("GET /api/reels HTTP/1.1\r\nHost: " + studio.Host() + "\r\n")) continue;
                while (attack.Running() && sent < 190 * MiB && connection.Send(line)) sent += line.size();
            }
            attack.Pause(milliseconds(8000));
        });
        load.Pause(milliseconds(500));
        ExpectServedDuring(AskAsThePage(studio), load, "190 MiB of 8 KB header lines, no token");
    }
    std::printf("[figure] header flood: %zu MiB sent\n", sent.load() / MiB);
    memory.Report("190 MiB of 8 KB header lines, no token");
    EXPECT_LT(memory.Growth(), GrowthBound);
}

TEST_F(StudioUnderLoad, ChunkedBodyIsCutAt64KiB) {
    StudioHarness studio({Folder().File("reel.mov")});
    ASSERT_TRUE(studio.Serving());
    const MemoryWatch memory;
    RawConnection connection(studio.Port());
    ASSERT_TRUE(connection.Send("PUT " + StudioHarness::WithToken("/api/reels/0/order") +
                                " HTTP/1.1\r\nHost: " + studio.Host() +
                                "\r\nContent-Type: application/json\r\n"
                                "Transfer-Encoding: chunked\r\n\r\n"));
    const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
    std::size_t sent = 0;
    const Clock::time_point end = Clock::now() + milliseconds(15000);
    while (sent < 200 * MiB && Clock::now() < end && connection.Send(chunk)) sent += 0x10000;
    connection.Send("0\r\n\r\n");
    const std::string answer = connection.Answer(milliseconds(3000));
    std::printf("[figure] chunked body: %zu KiB sent before the studio answered \"%s\"\n", sent / 1024,
                answer.substr(0, answer.find('\r')).c_str());
    memory.Report("a 200 MiB chunked PUT /api/reels/0/order");
    EXPECT_LT(sent, 200 * MiB) << "the whole body was read";
    EXPECT_TRUE(answer.empty() || answer.compare(0, 12, "HTTP/1.1 413") == 0 ||
                answer.compare(0, 12, "HTTP/1.1 400") == 0)
        << answer;
    EXPECT_LT(memory.Growth(), GrowthBound);
    ExpectAnsweredWithinASecond(AskAsThePage(studio), 200, "after the chunked body");
}

TEST_F(StudioUnderLoad, EventStreamsLeaveThePageItsWorkers) {
    TempDir out;
    std::filesystem::copy_file(Folder().File("reel.mov"), out.File("reel.mov"));
    StudioHarness studio({out.File("reel.mov")}, HeldName);
    ASSERT_TRUE(studio.Serving());
    httplib::Headers own{{"Origin", "http://" + studio.Host()}};
    const httplib::Result started =
        studio.Client()->Post(StudioHarness::WithToken("/api/reels/0/save").c_str(), own,
                              std::string(R"({"name":")") + HeldName + "\"}", "application/json");
    ASSERT_TRUE(started);
    ASSERT_EQ(started->status, 202) << started->body;
    std::atomic<int> cancelledSeen{0};
    {
        const Load streams(Attackers, milliseconds(20000), [&](const Load& load) {
            std::string events;
            studio.Client(20)->Get(StudioHarness::WithToken("/api/saves/1/events").c_str(),
                                   [&](const char* bytes, std::size_t size) {
                                       events.append(bytes, size);
                                       return load.Running();
                                   });
            if (events.find("\"result\":\"cancelled\"") != std::string::npos) ++cancelledSeen;
        });
        streams.Pause(milliseconds(500));
        const PageAnswer list = AskAsThePage(studio);
        const PageAnswer cancel = AskAsThePage(studio, "POST", "/api/saves/1/cancel");
        ExpectAnsweredWithinASecond(list, 200, "16 event streams on a running save: the reel list");
        ExpectAnsweredWithinASecond(cancel, 202, "16 event streams on a running save: Cancel");
    }
    EXPECT_EQ(cancelledSeen, static_cast<int>(Attackers)) << "each stream saw the save end";
}

TEST_F(StudioUnderLoad, UnitMoviesAreSentFromDisk) {
    // Units of about 38 MB, mostly sound: 200 s each.
    TempDir out;
    sample::SampleMovieSpec big;
    big.units = 2;
    big.framesPerUnit = 6000;
    big.frames = sample::FrameContent::H264;
    sample::WriteSampleMovie(out.File("big.mov"), big);
    StudioHarness studio({out.File("big.mov")});
    ASSERT_TRUE(studio.Serving());
    const std::string movie = StudioHarness::WithToken("/api/reels/0/units/1/movie");
    const httplib::Result first = studio.Client(60)->Get(movie.c_str(), {{"Range", "bytes=0-0"}});
    ASSERT_TRUE(first);
    ASSERT_EQ(first->status, 206) << first->body;
    const std::string range = first->get_header_value("Content-Range");
    const std::size_t size = std::stoul(range.substr(range.find('/') + 1));
    std::printf("[figure] unit movie: %zu bytes\n", size);
    const MemoryWatch memory;
    std::atomic<int> whole{0};
    {
        const Load readers(8, milliseconds(30000), [&](const Load& load) {
            std::size_t received = 0;
            const httplib::Result answer =
                studio.Client(30)->Get(movie.c_str(), {{"Range", "bytes=0-"}}, [&](const char*, std::size_t count) {
                    received += count;
                    return load.Running();
                });
            if (answer && answer->status == 206 && received == size) ++whole;
        });
        readers.Pause(milliseconds(300));
        ExpectAnsweredWithinASecond(AskAsThePage(studio), 200, "8 Range requests for a 38 MB unit movie");
    }
    memory.Report("8 Range requests for a 38 MB unit movie");
    EXPECT_EQ(whole, 8);
    EXPECT_LT(memory.Growth(), GrowthBound);
}

TEST_F(StudioUnderLoad, ALinkSwappedInNeverGetsAFileOutsideReplaced) {
    TempDir out;
    TempDir outside;
    std::filesystem::copy_file(Folder().File("reel.mov"), out.File("reel.mov"));
    WriteFileBytes(outside.File("victim.mov"), {7, 7, 7});
    StudioHarness studio({out.File("reel.mov")});
    ASSERT_TRUE(studio.Serving());
    // The save's name turns into a link to the file outside and back, over
    // and over, while the page saves under it: some saves find no file when
    // asked and a link when they write.
    std::atomic<bool> racing{true};
    std::thread swapper([&]() {
        for (int round = 0; round < 1000000 && racing; ++round) {
            std::error_code ignored;
            std::filesystem::remove(out.File("race.mov"), ignored);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            std::filesystem::create_symlink(outside.File("victim.mov"), out.File("race.mov"), ignored);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    });
    int saved = 0;
    int refused = 0;
    const httplib::Headers own{{"Origin", "http://" + studio.Host()}};
    for (int round = 0; round < 20; ++round) {
        const httplib::Result started = studio.Client()->Post(StudioHarness::WithToken("/api/reels/0/save").c_str(),
                                                              own, R"({"name":"race.mov"})", "application/json");
        ASSERT_TRUE(started);
        if (started->status != 202) {
            EXPECT_EQ(started->status, 409) << started->body;
            ++refused;
            continue;
        }
        const std::string events = "/api/saves/" + nlohmann::json::parse(started->body)["save"].dump() + "/events";
        const httplib::Result end = studio.Client()->Get(StudioHarness::WithToken(events).c_str());
        ASSERT_TRUE(end);
        if (end->body.find(R"("result":"saved")") != std::string::npos) {
            ++saved;
        } else {
            ++refused;
        }
    }
    racing = false;
    swapper.join();
    std::printf("[figure] a link swapped in under the save's name: %d saves, %d refused, the file outside %s\n", saved,
                refused,
                ReadFileBytes(outside.File("victim.mov")) == std::vector<std::uint8_t>{7, 7, 7} ? "kept" : "REPLACED");
    EXPECT_EQ(ReadFileBytes(outside.File("victim.mov")), (std::vector<std::uint8_t>{7, 7, 7}));
    EXPECT_EQ(FolderEntries(outside.path()), std::vector<std::string>{"victim.mov"}) << "nothing written outside";
}

TEST_F(StudioUnderLoad, ASecondStudioOnThePortIsRefused) {
    StudioHarness first({Folder().File("reel.mov")});
    ASSERT_TRUE(first.Serving());
    std::vector<std::unique_ptr<studio::ReelSession>> reels;
    std::string error;
    reels.push_back(studio::ReelSession::Open(Folder().File("reel.mov"), error));
    studio::StudioServer second(std::move(reels), studio::AccessGuard());
    const int port = second.Bind(first.Port());
    std::printf("[figure] second studio on port %d: Bind gave %d\n", first.Port(), port);
    EXPECT_EQ(port, -1);
    EXPECT_NE(second.BindFailure().find("is in use"), std::string::npos) << second.BindFailure();
    ExpectAnsweredWithinASecond(AskAsThePage(first), 200, "the first studio after the second tried its port");
}

}
}
}
