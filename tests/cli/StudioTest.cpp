// The studio's parts below its HTTP side: who may talk to it, what the
// connection gate reads of a request's head, which names a save accepts,
// the order a reel takes, its frame pictures and their cache, the player's
// folders, and a save that is cancelled or finishes.
#include "cli/studio/AccessGuard.h"
#include "cli/studio/EditedMovie.h"
#include "cli/studio/FrameCache.h"
#include "cli/studio/ReelSession.h"
#include "cli/studio/RequestHead.h"
#include "cli/studio/SaveJob.h"
#include "cli/studio/UnitMovies.h"

#include "sample/SampleMovieWriter.h"
#include "tests/cli/StudioReelSuite.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace clipreel {
namespace test {
namespace {

using studio::AccessGuard;

TEST(StudioAccessGuard, OnlyItsOwnHostWithTheTokenPasses) {
    AccessGuard guard("0123456789abcdef0123456789abcdef");
    EXPECT_FALSE(guard.Refusal("127.0.0.1:0", guard.Token()).empty()) << "no port bound yet";
    guard.SetPort(8123);
    struct Case {
        const char* host;
        const char* token;
        bool passes;
    };
    const Case cases[] = {
        {"127.0.0.1:8123", "0123456789abcdef0123456789abcdef", true},
        {"127.0.0.1:8123", "", false},
        {"127.0.0.1:8123", "0123456789abcdef0123456789abcde", false},
        {"127.0.0.1:8123", "0123456789abcdef0123456789abcdef0", false},
        {"127.0.0.1:8123", "0123456789ABCDEF0123456789ABCDEF", false},
        {"127.0.0.1:8123", "1123456789abcdef0123456789abcdef", false},
        {"localhost:8123", "0123456789abcdef0123456789abcdef", false},
        {"evil.example:8123", "0123456789abcdef0123456789abcdef", false},
        {"127.0.0.1", "0123456789abcdef0123456789abcdef", false},
        {"127.0.0.1:8124", "0123456789abcdef0123456789abcdef", false},
        {"", "0123456789abcdef0123456789abcdef", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(guard.Refusal(c.host, c.token).empty(), c.passes) << c.host << " " << c.token;
    }
}

TEST(StudioAccessGuard, ChangesOnlyFromItsOwnPage) {
    AccessGuard guard("0123456789abcdef0123456789abcdef");
    guard.SetPort(8123);
    struct Case {
        const char* method;
        const char* origin;
        bool passes;
    };
    const Case cases[] = {
        {"GET", "http://evil.example", true},
        {"HEAD", "http://evil.example", true},
        {"PUT", "", true},
        {"POST", "http://127.0.0.1:8123", true},
        {"POST", "http://evil.example", false},
        {"PUT", "http://127.0.0.1:8124", false},
        {"POST", "https://127.0.0.1:8123", false},
        {"DELETE", "null", false},
        {"POST", "http://localhost:8123", false},
        {"POST", "http://127.0.0.1:8123/", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(guard.OriginRefusal(c.method, c.origin).empty(), c.passes) << c.method << " " << c.origin;
    }
}

TEST(StudioRequestHead, ReadsTheTargetHostAndToken) {
    struct Case {
        std::string text;
        bool parsed;
        const char* method;
        const char* path;
        const char* host;
        const char* token;
    };
    const std::string many = [] {
        std::string lines;
        for (int i = 0; i < 65; ++i) lines += "X-" + std::to_string(i) + ": 1\r\n";
        return lines;
    }();
    const Case cases[] = {
        {"GET /api/reels?token=abc HTTP/1.1\r\nHost: 127.0.0.1:9\r\n\r\n", true, "GET", "/api/reels", "127.0.0.1:9",
         "abc"},
        {"GET /x?a=1&token=t2&b=2 HTTP/1.1\r\nhost:  h \r\n\r\n", true, "GET", "/x", "h", "t2"},
        {"PUT /o HTTP/1.1\r\nX-Clipreel-Token: t3\r\nHOST: h\r\n\r\nbody", true, "PUT", "/o", "h", "t3"},
        {"GET /o?token=q HTTP/1.1\r\nx-clipreel-token: h\r\n\r\n", true, "GET", "/o", "", "q"},
        {"GET /o?tokens=q HTTP/1.1\r\n\r\n", true, "GET", "/o", "", ""},
        {"GET /api/reels HTTP/1.1\r\nHost: h\r\n", false, "", "", "", ""},
        {"GARBAGE\r\n\r\n", false, "", "", "", ""},
        {"GET /o HTTP/1.1\r\nno colon\r\n\r\n", false, "", "", "", ""},
        {"GET /o HTTP/1.1\r\n" + many + "\r\n", false, "", "", "", ""},
    };
    for (const Case& c : cases) {
        studio::RequestHead head;
        EXPECT_EQ(studio::RequestHead::Parse(c.text, head), c.parsed) << c.text;
        if (!c.parsed) continue;
        EXPECT_EQ(head.method, c.method) << c.text;
        EXPECT_EQ(head.path, c.path) << c.text;
        EXPECT_EQ(head.host, c.host) << c.text;
        EXPECT_EQ(head.token, c.token) << c.text;
    }
    EXPECT_EQ(studio::RequestHead::EndOf("GET / HTTP/1.1\r\n\r\nrest"), 18u);
    EXPECT_EQ(studio::RequestHead::EndOf("GET / HTTP/1.1\r\n"), 0u);
}

TEST(StudioFrameCache, KeepsWithinItsBoundAndLetsTheLeastUsedGo) {
    studio::FrameCache cache(100);
    const std::vector<std::uint8_t> forty(40, 1);
    cache.Keep(0, 0, forty);
    cache.Keep(0, 1, forty);
    std::vector<std::uint8_t> found;
    ASSERT_TRUE(cache.Find(0, 0, found)) << "used again: frame 1 is now the least used";
    cache.Keep(0, 2, forty);
    EXPECT_EQ(cache.Bytes(), 80u);
    EXPECT_TRUE(cache.Find(0, 0, found));
    EXPECT_FALSE(cache.Find(0, 1, found));
    EXPECT_TRUE(cache.Find(0, 2, found));
    cache.Keep(1, 0, std::vector<std::uint8_t>(101, 2));
    EXPECT_FALSE(cache.Find(1, 0, found)) << "larger than the whole cache";
    cache.Keep(1, 1, std::vector<std::uint8_t>(100, 3));
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.Bytes(), 100u);
    ASSERT_TRUE(cache.Find(1, 1, found));
    EXPECT_EQ(found, std::vector<std::uint8_t>(100, 3));
}

// A child process that ended; waited for (its number is free) or not yet
// (a zombie until the caller waits for it).
pid_t EndedChild(bool waited) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    if (waited) {
        waitpid(child, nullptr, 0);
    } else {
        // Until it has ended, leaving it unwaited: a zombie from then on.
        siginfo_t info{};
        waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT);
    }
    return child;
}

TEST(StudioPlayerFolders, OnlyThoseOfEndedStudiosAreRemoved) {
    TempDir temporary;
    TempDir elsewhere;
    WriteFileBytes(elsewhere.File("kept.mov"), {1});
    const std::string ended = std::to_string(EndedChild(true));
    const pid_t zombie = EndedChild(false);
    const std::string prefix = studio::UnitMovies::FolderPrefix;
    const std::vector<std::string> folders = {
        prefix + ended + "-1",
        prefix + std::to_string(zombie) + "-8",
        prefix + std::to_string(getpid()) + "-2",
        prefix + "1-3",
        prefix + "12345678901-4",
        prefix + "x-5",
        "other-" + ended + "-6",
    };
    for (const std::string& name : folders) {
        std::filesystem::create_directory(temporary.File(name));
        WriteFileBytes(temporary.File(name) / "reel0-unit0-0.mov", {1});
    }
    std::filesystem::create_directory_symlink(elsewhere.path(), temporary.File(prefix + ended + "-7"));
    studio::RemoveStalePlayerFolders(temporary.path());
    waitpid(zombie, nullptr, 0);
    EXPECT_FALSE(std::filesystem::exists(temporary.File(folders[0]))) << "its studio ended";
    EXPECT_FALSE(std::filesystem::exists(temporary.File(folders[1]))) << "its studio ended, not yet waited for";
    for (std::size_t i = 2; i < folders.size(); ++i) {
        EXPECT_TRUE(std::filesystem::exists(temporary.File(folders[i]) / "reel0-unit0-0.mov")) << folders[i];
    }
    EXPECT_TRUE(std::filesystem::exists(elsewhere.File("kept.mov"))) << "a link is never followed";
}

TEST(StudioAccessGuard, FreshTokensAreLongAndDiffer) {
    const AccessGuard one;
    const AccessGuard two;
    EXPECT_EQ(one.Token().size(), 32u);
    EXPECT_EQ(one.Token().find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(one.Token(), two.Token());
    EXPECT_FALSE(studio::SameSecret("", ""));
}

TEST(StudioOutputName, OnlyPlainMovieNamesInTheReelsFolder) {
    struct Case {
        const char* name;
        bool accepted;
    };
    const Case cases[] = {
        {"edited.MOV", true},         {"Edited Reel 2.mov", true}, {"r\xc3\xa9sum\xc3\xa9.MoV", true},
        {"", false},                  {".MOV", false},             {".hidden.MOV", false},
        {"../up.MOV", false},         {"sub/in.MOV", false},       {"/abs.MOV", false},
        {"back\\slash.MOV", false},   {"c:drive.MOV", false},      {"tab\there.MOV", false},
        {"edited.mp4", false},        {"edited", false},           {"MOV", false},
        {"what?.MOV", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(studio::CheckOutputName(c.name).empty(), c.accepted) << c.name;
    }
    EXPECT_FALSE(studio::CheckOutputName(std::string(300, 'a') + ".MOV").empty());
}

// An export's name ends in .mp4 and is as plain as a movie's.
TEST(StudioOutputName, ExportsAreNamedMp4) {
    struct Case {
        const char* name;
        bool accepted;
    };
    const Case cases[] = {
        {"shared.mp4", true}, {"Shared.MP4", true}, {"shared.MOV", false},
        {".mp4", false},      {"../up.mp4", false}, {"mp4", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(studio::CheckOutputName(c.name, ".mp4").empty(), c.accepted) << c.name;
    }
    EXPECT_EQ("the name must end in .MP4", studio::CheckOutputName("shared.mov", ".mp4"));
}

class StudioReel : public StudioReelSuite {
protected:
    static std::unique_ptr<studio::ReelSession> Open() {
        std::string error;
        auto reel = studio::ReelSession::Open(Folder().File("reel.mov"), error);
        EXPECT_TRUE(reel) << error;
        return reel;
    }
};

TEST_F(StudioReel, OpensOnlyClipreelMovies) {
    std::string error;
    EXPECT_FALSE(studio::ReelSession::Open(Folder().File("missing.mov"), error));
    EXPECT_NE(error.find("no such file"), std::string::npos);
    EXPECT_FALSE(studio::ReelSession::Open(Folder().path(), error)) << "a folder";
    const auto reel = Open();
    ASSERT_TRUE(reel);
    EXPECT_EQ(reel->UnitCount(), 3u);
    const nlohmann::json description = reel->Describe();
    EXPECT_EQ(description["order"], nlohmann::json({0, 1, 2}));
    EXPECT_EQ(description["info"]["shooting_units"].size(), 3u);
    EXPECT_GT(description["header_bytes"].get<std::uint64_t>(), 0u);
}

TEST_F(StudioReel, TakesOnlyOrdersThatNameEachUnitOnce) {
    const auto reel = Open();
    ASSERT_TRUE(reel);
    struct Case {
        std::vector<unsigned> order;
        bool taken;
    };
    const Case cases[] = {
        {{2, 0}, true}, {{1}, true},      {{0, 1, 2}, true}, {{}, false},
        {{0, 0}, false}, {{3}, false}, {{0, 1, 2, 1}, false}, {{0xFFFFFFFFu}, false},
    };
    for (const Case& c : cases) {
        const std::vector<unsigned> before = reel->Order();
        std::string error;
        EXPECT_EQ(reel->SetOrder(c.order, error), c.taken) << testing::PrintToString(c.order);
        EXPECT_EQ(reel->Order(), c.taken ? c.order : before) << "a refused order changes nothing";
        EXPECT_EQ(error.empty(), c.taken);
    }
}

TEST_F(StudioReel, FramePicturesAreJpegsOfFramesThatExist) {
    const auto reel = Open();
    ASSERT_TRUE(reel);
    std::vector<std::uint8_t> first;
    ASSERT_TRUE(reel->FramePicture(1, 0, first));
    ASSERT_GT(first.size(), 3u);
    EXPECT_EQ(first[0], 0xFF);
    EXPECT_EQ(first[1], 0xD8);
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(reel->FramePicture(1, 0, again));
    EXPECT_EQ(again, first);
    std::vector<std::uint8_t> otherUnit;
    ASSERT_TRUE(reel->FramePicture(2, 0, otherUnit));
    EXPECT_NE(otherUnit, first) << "each unit has its own colour";
    std::vector<std::uint8_t> none;
    const unsigned frames = reel->Describe()["info"]["shooting_units"][0]["frames"].get<unsigned>();
    EXPECT_FALSE(reel->FramePicture(3, 0, none));
    EXPECT_FALSE(reel->FramePicture(0, frames, none));
    EXPECT_TRUE(none.empty());
}

studio::SaveJob::Writer EditedMovie(const std::filesystem::path& source, const std::vector<unsigned>& order) {
    return [source, order](const std::filesystem::path& file, ClipreelProgressCallback callback, void* userData) {
        return studio::WriteEditedMovie(source, order, file, false, callback, userData);
    };
}

nlohmann::json LastEvent(studio::SaveJob& job) {
    std::size_t next = 0;
    nlohmann::json last;
    for (int round = 0; round < 600 && !job.Finished(); ++round) {
        for (auto& event : job.EventsFrom(next, std::chrono::milliseconds(100))) last = event;
    }
    for (auto& event : job.EventsFrom(next, std::chrono::milliseconds(0))) last = event;
    return last;
}

TEST_F(StudioReel, SaveWritesTheOrderAndReportsTheEnd) {
    TempDir out;
    std::filesystem::copy_file(Folder().File("reel.mov"), out.File("reel.mov"));
    studio::SaveJob::Request request;
    request.sources = {out.File("reel.mov")};
    request.write = EditedMovie(out.File("reel.mov"), {2, 0});
    request.destination = out.File("saved.mov");
    std::filesystem::path reported;
    studio::SaveJob job(request, [&](const std::filesystem::path& path) {
        reported = path;
        return nlohmann::json(7);
    });
    const nlohmann::json end = LastEvent(job);
    EXPECT_EQ(end["result"], "saved") << end.dump();
    EXPECT_EQ(end["reel"], 7);
    EXPECT_EQ(reported, out.File("saved.mov"));
    EXPECT_EQ(FolderEntries(out.path()), (std::vector<std::string>{"reel.mov", "saved.mov"})) << "no part file left";
    std::string error;
    const auto saved = studio::ReelSession::Open(out.File("saved.mov"), error);
    ASSERT_TRUE(saved) << error;
    EXPECT_EQ(saved->UnitCount(), 2u);
}

TEST_F(StudioReel, JoinsReelsOfOneShapeOnly) {
    TempDir out;
    sample::SampleMovieSpec other;
    other.units = 2;
    other.width = 160;
    other.height = 120;
    sample::WriteSampleMovie(out.File("other.mov"), other);
    const std::filesystem::path reel = Folder().File("reel.mov");
    EXPECT_EQ(studio::JoinRefusal({{reel, {2, 0}}, {reel, {1}}}), "");
    EXPECT_NE(studio::JoinRefusal({{reel, {2, 0}}}), "") << "one reel is no join";
    EXPECT_NE(studio::JoinRefusal({{reel, {0}}, {reel, {5}}}), "") << "a unit the reel does not have";
    EXPECT_NE(studio::JoinRefusal({{reel, {0}}, {out.File("other.mov"), {0}}}), "") << "another frame size";

    studio::SaveJob::Request request;
    request.sources = {reel};
    request.write = [reel](const std::filesystem::path& file, ClipreelProgressCallback callback, void* userData) {
        return studio::WriteJoinedMovie({{reel, {2, 0}}, {reel, {1}}}, file, callback, userData);
    };
    request.destination = out.File("joined.mov");
    studio::SaveJob job(request, nullptr);
    EXPECT_EQ(LastEvent(job)["result"], "saved");
    std::string error;
    const auto joined = studio::ReelSession::Open(out.File("joined.mov"), error);
    ASSERT_TRUE(joined) << error;
    EXPECT_EQ(joined->UnitCount(), 3u);
}

TEST_F(StudioReel, CancelledSaveLeavesNothing) {
    TempDir out;
    studio::SaveJob::Request request;
    request.sources = {Folder().File("reel.mov")};
    request.write = EditedMovie(Folder().File("reel.mov"), {1, 2});
    request.destination = out.File("cancelled.mov");
    // Held at its start, so that the cancel cannot come after a save that
    // had already ended.
    request.heldAtStart = true;
    bool savedCalled = false;
    {
        studio::SaveJob job(request, [&](const std::filesystem::path&) {
            savedCalled = true;
            return nlohmann::json();
        });
        job.Cancel();
        const nlohmann::json end = LastEvent(job);
        EXPECT_EQ(end["result"], "cancelled") << end.dump();
    }
    EXPECT_FALSE(savedCalled);
    EXPECT_TRUE(FolderEntries(out.path()).empty());
}

TEST_F(StudioReel, SaveKeepsAFileThatAppearedWithoutConsent) {
    TempDir out;
    studio::SaveJob::Request request;
    request.sources = {Folder().File("reel.mov")};
    request.write = EditedMovie(Folder().File("reel.mov"), {0});
    request.destination = out.File("taken.mov");
    WriteFileBytes(request.destination, {1, 2, 3});
    studio::SaveJob job(request, nullptr);
    const nlohmann::json end = LastEvent(job);
    EXPECT_EQ(end["result"], "failed") << end.dump();
    EXPECT_EQ(ReadFileBytes(request.destination), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(FolderEntries(out.path()), std::vector<std::string>{"taken.mov"});
}

}
}
}
