// Every writer (edited save, split, join, salvage) describes exactly the
// units it planned: FFmpeg decodes each output whole, with every kept sound
// sample (a shorter sound chunk wherever it now sits) and with 'stss' naming
// exactly the frames it decodes as key frames; each output reads back as a
// reel of the planned units. A join past 4 GiB is refused before anything is
// written, and a written file that does not match its plan is caught.
#include "ClipreelReelOperations.h"
#include "editor/NewMoviePlan.h"
#include "editor/WrittenMovieCheck.h"
#include "tests/editor/save/DecodedMedia.h"
#include "tests/editor/save/SaveFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using E = CClipreelMovFileEditor;

FileLocator LocatorOf(const std::filesystem::path& path) { return FileLocator(path.wstring().c_str()); }

// One output of a writer and what it must hold.
struct Output {
    std::filesystem::path path;
    unsigned units = 0;
    unsigned frames = 0;
    unsigned keyFrames = 0;  // the sync samples FFmpeg must find and decode as key frames
    Bytes sound;             // the PCM FFmpeg must decode, byte for byte
};

// FFmpeg's reading of one output: the packets 'stss' marks, the frames it
// decodes as key frames, and the PCM of the sound.
void ExpectFFmpegDecodes(const Output& output) {
    SCOPED_TRACE(output.path.filename().string());
    const ProbedKeyFrames probed = ProbeKeyFrames(output.path);
    EXPECT_EQ(0, probed.status);
    for (const std::string& line : probed.otherLines) ADD_FAILURE() << "FFmpeg: " << line;
    const std::vector<bool>& marked = probed.marked;
    EXPECT_EQ(output.frames, marked.size());
    EXPECT_EQ(marked, probed.decodedKey) << "'stss' and the key frames FFmpeg decodes differ";
    unsigned keys = 0;
    for (const bool key : marked) keys += key ? 1 : 0;
    EXPECT_EQ(output.keyFrames, keys);

    int status = -1;
    const std::string input = " " + ShellQuoted(output.path.string());
    const std::filesystem::path pcm = output.path.string() + ".pcm";
    const std::string errors = RunCommand("ffmpeg -v error -y -i" + input + " -map 0:a:0 -f s16le -acodec pcm_s16le " +
                                              ShellQuoted(pcm.string()) + " 2>&1",
                                          status);
    EXPECT_EQ(0, status);
    EXPECT_EQ("", errors);
    const Bytes decoded = ReadFileBytes(pcm);
    EXPECT_EQ(output.sound.size(), decoded.size());
    EXPECT_TRUE(output.sound == decoded) << "the decoded sound is not the kept units' sound";
}

// The output read back by the library: a valid reel of the planned units.
void ExpectReadsBackAsReel(const Output& output, unsigned framesPerUnit) {
    SCOPED_TRACE(output.path.filename().string());
    const CZentiMovFile file(LocatorOf(output.path));
    ASSERT_TRUE(file.IsValid());
    const CClipreelMovie reel(&file);
    ASSERT_TRUE(reel.IsValid());
    EXPECT_EQ(output.units, reel.GetShootingUnitCount());
    EXPECT_EQ(output.units * framesPerUnit, reel.GetTotalFrameCount());
    EXPECT_EQ(output.units > 1, reel.IsEditable());
}

// The sound and key frames of a sample reel's units, as the writer laid them out.
struct SourceMedia {
    explicit SourceMedia(const SampleReel& reel) : bytes(ReadFileBytes(reel.path)), layout(reel.layout) {}
    Bytes Sound(const std::vector<unsigned>& units) const {
        Bytes sound;
        for (const unsigned unit : units) {
            const sample::UnitLayout& u = layout.units[unit];
            const Bytes chunk = Slice(bytes, u.soundOffset, u.soundSize);
            sound.insert(sound.end(), chunk.begin(), chunk.end());
        }
        return sound;
    }
    unsigned KeyFrames(const std::vector<unsigned>& units) const {
        unsigned keys = 0;
        for (const unsigned unit : units)
            for (const sample::FrameLayout& frame : layout.units[unit].frames) keys += frame.keyFrame ? 1 : 0;
        return keys;
    }
    Bytes bytes;
    sample::SampleMovieLayout layout;
};

std::vector<unsigned> Range(unsigned first, unsigned count) {
    std::vector<unsigned> units;
    for (unsigned i = 0; i < count; ++i) units.push_back(first + i);
    return units;
}

std::vector<unsigned> Reversed(unsigned count) {
    std::vector<unsigned> units;
    for (unsigned i = count; i > 0; --i) units.push_back(i - 1);
    return units;
}

// One row: a reel shape, and a writer run over it that gives its outputs.
struct Row {
    const char* name;
    sample::SampleMovieSpec spec;
    std::function<std::vector<Output>(const TempDir&, SampleReel&, const SourceMedia&)> run;
};

Output Expected(const std::filesystem::path& path, const SourceMedia& media, const std::vector<unsigned>& units,
                unsigned framesPerUnit) {
    Output output;
    output.path = path;
    output.units = static_cast<unsigned>(units.size());
    output.frames = output.units * framesPerUnit;
    output.keyFrames = media.KeyFrames(units);
    output.sound = media.Sound(units);
    return output;
}

std::vector<Output> Edit(const TempDir& dir, SampleReel& reel, const SourceMedia& media,
                         const std::vector<unsigned>& list) {
    EXPECT_TRUE(reel.reel->SetEditingState(list));
    const std::filesystem::path out = dir.File("edited.mov");
    CClipreelMovFileEditor editor(*reel.file);
    EXPECT_EQ(E::CREATEMOVFILE_SUCCESS, editor.CreateNewMovFile(LocatorOf(out), reel.reel.get()));
    return {Expected(out, media, list, reel.spec.framesPerUnit)};
}

// Joins the reel with itself, each time with its list.
std::vector<Output> JoinWithItself(const TempDir& dir, SampleReel& reel, const SourceMedia& media,
                                   const std::vector<unsigned>& first, const std::vector<unsigned>& second) {
    CClipreelReelJoiner joiner;
    const CZentiMovFile again(reel.Locator());
    EXPECT_TRUE(joiner.AddReel(*reel.file, first)) << joiner.GetRefusalReason();
    EXPECT_TRUE(joiner.AddReel(again, second)) << joiner.GetRefusalReason();
    const std::filesystem::path out = dir.File("joined.mov");
    EXPECT_EQ(E::CREATEMOVFILE_SUCCESS, joiner.CreateJoinedMovFile(LocatorOf(out)));
    std::vector<unsigned> units = first.empty() ? Range(0, reel.spec.units) : first;
    const std::vector<unsigned> more = second.empty() ? Range(0, reel.spec.units) : second;
    units.insert(units.end(), more.begin(), more.end());
    return {Expected(out, media, units, reel.spec.framesPerUnit)};
}

// Splits the kept units of the list, one file each.
std::vector<Output> Split(const TempDir& dir, SampleReel& reel, const SourceMedia& media,
                          const std::vector<unsigned>& list) {
    EXPECT_TRUE(reel.reel->SetEditingState(list));
    std::vector<FileLocator> destinations;
    std::vector<Output> outputs;
    for (const unsigned unit : list) {
        const std::filesystem::path out = dir.File("unit" + std::to_string(unit) + ".mov");
        destinations.push_back(LocatorOf(out));
        outputs.push_back(Expected(out, media, {unit}, reel.spec.framesPerUnit));
    }
    CClipreelReelSplitter splitter(*reel.file);
    EXPECT_EQ(E::CREATEMOVFILE_SUCCESS, splitter.SplitShootingUnits(*reel.reel, destinations));
    return outputs;
}

// Cuts the reel inside unit `cutUnit` and salvages the whole units before it.
std::vector<Output> Salvage(const TempDir& dir, SampleReel& reel, const SourceMedia& media, unsigned cutUnit) {
    const std::filesystem::path damaged = dir.File("damaged.mov");
    const sample::UnitLayout& cut = reel.layout.units[cutUnit];
    WriteFileBytes(damaged, Slice(media.bytes, 0, cut.offset + cut.size / 2));
    CClipreelReelSalvager salvager(LocatorOf(damaged));
    EXPECT_TRUE(salvager.CanSalvage()) << salvager.GetRefusalReason();
    const std::filesystem::path out = dir.File("salvaged.mov");
    EXPECT_EQ(E::CREATEMOVFILE_SUCCESS, salvager.CreateSalvagedMovFile(LocatorOf(out)));
    return {Expected(out, media, Range(0, cutUnit), reel.spec.framesPerUnit)};
}

sample::SampleMovieSpec ShortLastSoundChunk() {
    sample::SampleMovieSpec spec;
    spec.units = 8;
    spec.width = 64;
    spec.height = 48;
    spec.frames = sample::FrameContent::H264;
    spec.breakage.soundStscTwoEntries = true;
    spec.breakage.lastSoundChunkSamples = 1000;
    return spec;
}

// 24 frames per unit in groups of 10: each unit starts a group, so it holds
// three key frames (frames 0, 10 and 20), more than frames ÷ group.
sample::SampleMovieSpec GroupsOfTenInUnitsOf24(unsigned units) {
    sample::SampleMovieSpec spec;
    spec.units = units;
    spec.framesPerUnit = 24;
    spec.groupOfPicture = 10;
    spec.timeScale = 24000;
    spec.frameDuration = 1001;
    spec.width = 64;
    spec.height = 48;
    spec.frames = sample::FrameContent::H264;
    return spec;
}

std::vector<Row> Rows() {
    std::vector<Row> rows;
    rows.push_back(
        {"join a reel with a shorter last sound chunk to itself", ShortLastSoundChunk(),
         [](const TempDir& d, SampleReel& r, const SourceMedia& m) { return JoinWithItself(d, r, m, {}, {}); }});
    rows.push_back({"split that reel, then join its first and last parts", ShortLastSoundChunk(),
                    [](const TempDir& d, SampleReel& r, const SourceMedia& m) {
                        const std::vector<Output> parts = Split(d, r, m, Range(0, 8));
                        const CZentiMovFile first(LocatorOf(parts.front().path));
                        const CZentiMovFile last(LocatorOf(parts.back().path));
                        CClipreelReelJoiner joiner;
                        EXPECT_TRUE(joiner.AddReel(first, {})) << joiner.GetRefusalReason();
                        EXPECT_TRUE(joiner.AddReel(last, {})) << joiner.GetRefusalReason();
                        const std::filesystem::path out = d.File("ends.mov");
                        EXPECT_EQ(E::CREATEMOVFILE_SUCCESS, joiner.CreateJoinedMovFile(LocatorOf(out)));
                        std::vector<Output> outputs = parts;
                        outputs.push_back(Expected(out, m, {0, 7}, r.spec.framesPerUnit));
                        return outputs;
                    }});
    rows.push_back({"edit that reel: the shorter chunk first and between", ShortLastSoundChunk(),
                    [](const TempDir& d, SampleReel& r, const SourceMedia& m) {
                        return Edit(d, r, m, {7, 0, 1});
                    }});
    rows.push_back({"edit: 40 units reversed", GroupsOfTenInUnitsOf24(40),
                    [](const TempDir& d, SampleReel& r, const SourceMedia& m) { return Edit(d, r, m, Reversed(40)); }});
    rows.push_back({"join: reversed, then in order", GroupsOfTenInUnitsOf24(40),
                    [](const TempDir& d, SampleReel& r, const SourceMedia& m) {
                        return JoinWithItself(d, r, m, Reversed(40), {});
                    }});
    rows.push_back({"split: the last, first and a middle unit", GroupsOfTenInUnitsOf24(40),
                    [](const TempDir& d, SampleReel& r, const SourceMedia& m) {
                        return Split(d, r, m, {39, 0, 17});
                    }});
    rows.push_back({"salvage: cut inside unit 33", GroupsOfTenInUnitsOf24(40),
                    [](const TempDir& d, SampleReel& r, const SourceMedia& m) { return Salvage(d, r, m, 33); }});
    return rows;
}

TEST(PlannedUnits, EveryWriterDescribesExactlyItsUnits) {
    if (RunningOnWindows()) GTEST_SKIP() << "FFmpeg's tools are run on the POSIX build";
    if (!sample::HaveH264()) GTEST_SKIP() << "this build writes no real H.264 frames";
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        SampleReel reel(dir, "source.mov", row.spec);
        ASSERT_TRUE(reel.reel->IsValid());
        const SourceMedia media(reel);
        const std::vector<Output> outputs = row.run(dir, reel, media);
        ASSERT_FALSE(outputs.empty());
        for (const Output& output : outputs) {
            ExpectReadsBackAsReel(output, row.spec.framesPerUnit);
            ExpectFFmpegDecodes(output);
        }
    }
}

// The figures of the reported faults, as this library reads them.
TEST(PlannedUnits, TheReportedShapesGiveTheReportedCounts) {
    if (!sample::HaveH264()) GTEST_SKIP() << "this build writes no real H.264 frames";
    TempDir dir;
    SampleReel reel(dir, "keys.mov", GroupsOfTenInUnitsOf24(40));
    EXPECT_EQ(120u, SourceMedia(reel).KeyFrames(Range(0, 40)));
    // Frames ÷ group of pictures undercounts them.
    EXPECT_EQ(96u, reel.reel->GetTotalIFrameCount());
    SampleReel shorter(dir, "short.mov", ShortLastSoundChunk());
    EXPECT_EQ(1000u * 4, shorter.layout.units[7].soundSize);
}

// The last line of defence: a written file whose tables differ from its plan
// in any one of the checked ways does not pass.
TEST(PlannedUnits, AWrittenFileUnlikeItsPlanIsCaught) {
    TempDir dir;
    sample::SampleMovieSpec spec = ShortLastSoundChunk();
    spec.frames = sample::FrameContent::Dummy;
    SampleReel reel(dir, "source.mov", spec);
    ASSERT_TRUE(reel.reel->SetEditingState({0, 7, 2}));
    NewMoviePlan plan;
    ASSERT_TRUE(BuildNewMoviePlan(*reel.file->GetZentiMovie(), reel.file.get(), *reel.reel, plan));
    const std::filesystem::path out = dir.File("saved.mov");
    CClipreelMovFileEditor editor(*reel.file);
    ASSERT_EQ(E::CREATEMOVFILE_SUCCESS, editor.CreateNewMovFile(LocatorOf(out), reel.reel.get()));
    const Bytes written = ReadFileBytes(out);
    ASSERT_TRUE(WrittenMovieMatchesPlan(LocatorOf(out), plan));

    const Atom moov = FindTopAtom(written, "moov");
    const AtomWalk walk(written);
    const Atom stss = walk.SampleTable(walk.Track(moov, "vide"), "stss");
    const Atom videoSizes = walk.SampleTable(walk.Track(moov, "vide"), "stsz");
    const Atom soundRuns = walk.SampleTable(walk.Track(moov, "soun"), "stsc");
    ASSERT_TRUE(stss.found && videoSizes.found && soundRuns.found);
    struct Damage {
        const char* name;
        std::function<void(Bytes&)> apply;
    };
    const Damage damages[] = {
        {"a sync sample moved", [&](Bytes& b) { PutU32At(b, stss.offset + 16 + 4, U32At(b, stss.offset + 20) + 1); }},
        {"a frame size changed",
         [&](Bytes& b) { PutU32At(b, videoSizes.offset + 20, U32At(b, videoSizes.offset + 20) + 1); }},
        {"the shorter chunk's samples", [&](Bytes& b) { PutU32At(b, soundRuns.offset + 16 + 12 + 4, 999); }},
        {"the media data cut short", [&](Bytes& b) { b.resize(b.size() - 1); }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        Bytes bytes = written;
        damage.apply(bytes);
        const std::filesystem::path damaged = dir.File("damaged.mov");
        WriteFileBytes(damaged, bytes);
        EXPECT_FALSE(WrittenMovieMatchesPlan(LocatorOf(damaged), plan));
    }
    // Another order of the same units is another plan.
    ASSERT_TRUE(reel.reel->SetEditingState({0, 2, 7}));
    NewMoviePlan reordered;
    ASSERT_TRUE(BuildNewMoviePlan(*reel.file->GetZentiMovie(), reel.file.get(), *reel.reel, reordered));
    EXPECT_FALSE(WrittenMovieMatchesPlan(LocatorOf(out), reordered));
}

// A join whose media data would pass what 32-bit chunk offsets address is
// refused when the reel that crosses the line is added, naming the limit;
// nothing is written. Each reel here holds about 19 MB of sound.
TEST(PlannedUnits, AJoinPastFourGibibytesIsRefusedBeforeWriting) {
    TempDir dir;
    sample::SampleMovieSpec spec;
    spec.units = 100;
    spec.width = 64;
    spec.height = 48;
    SampleReel reel(dir, "big.mov", spec);
    std::uint64_t perReel = 0;
    for (const sample::UnitLayout& unit : reel.layout.units) perReel += unit.size;
    CClipreelReelJoiner joiner;
    unsigned added = 0;
    while (joiner.AddReel(*reel.file, {})) ++added;
    EXPECT_NE(std::string::npos, joiner.GetRefusalReason().find("4 GiB")) << joiner.GetRefusalReason();
    EXPECT_NE(std::string::npos, joiner.GetRefusalReason().find("4,294,967,295 bytes")) << joiner.GetRefusalReason();
    EXPECT_EQ(added, joiner.GetReelCount());
    // Just below the limit: one reel more would cross it.
    EXPECT_LE(added * perReel, 0xFFFFFFFFull);
    EXPECT_GT((added + 1) * perReel, 0xFFFFFFFFull - 16 * 1024 * 1024);
}

}
}
}
