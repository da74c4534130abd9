// Every reel shape the reader accepts, crossed with the editing lists that
// matter: each edited save and each reference movie either succeeds with an
// output FFmpeg decodes in full (every kept frame and sound sample, the key
// frames where 'stss' says they are), or gives the one code the shape calls
// for. Never success with an output FFmpeg refuses.
#include "tests/editor/save/DecodedMedia.h"
#include "tests/editor/save/SaveFixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;

struct ReelShape {
    const char* name;
    sample::SampleMovieSpec spec;
    bool reelValid = true;       // the reader takes it as an editable reel
    bool soundChecked = true;    // its sound lies in the file, as described
    bool soundElsewhere = false;  // its sound track refers to another file
    Result saveResult = CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS;
};

std::vector<ReelShape> Shapes() {
    auto base = [] {
        sample::SampleMovieSpec spec;
        spec.units = 3;
        spec.width = 64;
        spec.height = 48;
        spec.frames = sample::FrameContent::H264;
        return spec;
    };
    std::vector<ReelShape> shapes;
    shapes.push_back({"ordinary", base()});
    {
        ReelShape s{"shorter last sound chunk", base()};
        s.spec.breakage.soundStscTwoEntries = true;
        shapes.push_back(s);
    }
    {
        ReelShape s{"sound in another file", base()};
        s.spec.breakage.soundInOtherFile = true;
        s.soundChecked = false;
        s.soundElsewhere = true;
        shapes.push_back(s);
    }
    {
        ReelShape s{"units not whole groups of pictures", base()};
        s.spec.groupOfPicture = 12;
        shapes.push_back(s);
    }
    {
        // The blocks could not cover the sound: not a valid reel.
        ReelShape s{"bytes per frame against the chunks", base()};
        s.spec.breakage.describedBytesPerFrame = 2;
        s.reelValid = false;
        s.soundChecked = false;
        shapes.push_back(s);
    }
    {
        ReelShape s{"a sound chunk offset missing", base()};
        s.spec.breakage.missingSoundChunkOffsets = 1;
        s.reelValid = false;
        s.soundChecked = false;
        shapes.push_back(s);
    }
    {
        ReelShape s{"constant video sample size", base()};
        s.spec.breakage.videoConstantSampleSize = true;
        shapes.push_back(s);
    }
    {
        // A valid movie of another kind: no new movie, a whole reference.
        ReelShape s{"not a Clipreel movie", base()};
        s.spec.movieMode = 1;
        s.reelValid = false;
        s.saveResult = CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
        shapes.push_back(s);
    }
    return shapes;
}

struct EditingCase {
    const char* name;
    std::vector<unsigned> list;
};

const EditingCase Lists[] = {
    {"keep the last unit", {0, 2}},
    {"drop the last unit", {0, 1}},
    {"reorder", {2, 0, 1}},
    {"keep one unit", {1}},
    {"keep all", {0, 1, 2}},
};

// What FFmpeg reads from one output; a reference movie's media is read
// through its alias record.
class FFmpegView {
public:
    FFmpegView(const std::filesystem::path& file, bool reference)
        : movieFile(file),
          isReference(reference),
          probeInput((reference ? " -enable_drefs 1 -use_absolute_path 1" : "") + std::string(" '") + file.string() +
                     "'"),
          input((reference ? " -enable_drefs 1 -use_absolute_path 1" : "") + std::string(" -i '") + file.string() +
                "'") {}

    // Decodes the whole video stream in one pass: no error line, every kept
    // frame, and every packet the sync sample table marks decodes to a key
    // frame (no B-frames: packets and frames come in the same order).
    void ExpectVideoDecodesWithItsKeyFrames(unsigned expectedFrames) const {
        const ProbedKeyFrames probed =
            ProbeKeyFrames(movieFile, isReference ? " -enable_drefs 1 -use_absolute_path 1" : "");
        EXPECT_EQ(0, probed.status);
        for (const std::string& line : probed.otherLines) ADD_FAILURE() << "FFmpeg: " << line;
        const std::vector<bool>& marked = probed.marked;
        const std::vector<bool>& decodedKey = probed.decodedKey;
        EXPECT_EQ(expectedFrames, marked.size());
        ASSERT_EQ(expectedFrames, decodedKey.size());
        unsigned keys = 0;
        for (std::size_t i = 0; i < marked.size(); ++i) {
            if (!marked[i]) continue;
            ++keys;
            EXPECT_TRUE(decodedKey[i]) << "sample " << i + 1 << " is in 'stss' but is not a key frame";
        }
        EXPECT_GT(keys, 0u);
    }

    // The sound stream's packets as FFmpeg reads them, and its duration in
    // samples as the media header states it.
    void SoundStream(unsigned& packets, unsigned long long& duration) const {
        int status = -1;
        const std::vector<std::string> lines = NonEmptyLines(RunCommand(
            "ffprobe -v error -select_streams a:0 -count_packets -show_entries stream=nb_read_packets,duration_ts "
            "-of default=noprint_wrappers=1" +
                probeInput + " 2>&1",
            status));
        EXPECT_EQ(0, status);
        packets = 0;
        duration = 0;
        // "N/A" for a duration of none.
        auto number = [](const std::string& text) { return text == "N/A" ? 0ull : std::stoull(text); };
        for (const std::string& line : lines) {
            if (line.rfind("nb_read_packets=", 0) == 0) {
                packets = static_cast<unsigned>(number(line.substr(16)));
            } else if (line.rfind("duration_ts=", 0) == 0) {
                duration = number(line.substr(12));
            } else {
                ADD_FAILURE() << "FFmpeg: " << line;
            }
        }
    }

    std::string Pcm() const {
        int status = -1;
        const std::string pcm =
            RunCommand("ffmpeg -v error" + input + " -map 0:a:0 -f s16le -acodec pcm_s16le - 2>/dev/null", status);
        EXPECT_EQ(0, status);
        return pcm;
    }

private:
    std::filesystem::path movieFile;
    bool isReference;
    std::string probeInput;
    std::string input;
};

class ReelShapesFFmpeg : public ::testing::TestWithParam<ReelShape> {};

TEST_P(ReelShapesFFmpeg, EverySaveAndReferenceDecodesInFullOrGivesItsCode) {
    if (RunningOnWindows()) GTEST_SKIP() << "FFmpeg's tools are run on the POSIX build";
    if (!sample::HaveH264()) GTEST_SKIP() << "this build writes no real H.264 frames";
    const ReelShape& shape = GetParam();
    TempDir dir;
    SampleReel source(dir, "source.mov", shape.spec);
    ASSERT_TRUE(source.layout.h264);
    ASSERT_EQ(shape.reelValid, source.reel->IsValid());
    const Bytes in = ReadFileBytes(source.path);
    for (const EditingCase& edit : Lists) {
        SCOPED_TRACE(edit.name);
        source.Open();
        // A reel that is not valid cannot be edited: every unit is kept.
        std::vector<unsigned> kept = {0, 1, 2};
        if (shape.reelValid) {
            ASSERT_TRUE(source.reel->SetEditingState(edit.list));
            kept = edit.list;
        } else {
            EXPECT_FALSE(source.reel->SetEditingState(edit.list));
        }
        std::string sound;
        for (unsigned unit : kept) {
            const sample::UnitLayout& u = source.layout.units[unit];
            sound.append(in.begin() + static_cast<std::ptrdiff_t>(u.soundOffset),
                         in.begin() + static_cast<std::ptrdiff_t>(u.soundOffset + u.soundSize));
        }

        CClipreelMovFileEditor editor(*source.file);
        const std::filesystem::path saved = dir.File("saved.mov");
        const std::filesystem::path reference = dir.File("reference.mov");
        const Result saveResult =
            editor.CreateNewMovFile(FileLocator(saved.wstring().c_str()), source.reel.get());
        const Result referenceResult =
            editor.CreateReferenceMovFile(FileLocator(reference.wstring().c_str()), source.reel.get());
        ASSERT_EQ(shape.saveResult, saveResult);
        ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, referenceResult);

        std::vector<std::pair<std::filesystem::path, bool>> outputs = {{reference, true}};
        if (saveResult == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS) outputs.push_back({saved, false});
        for (const auto& output : outputs) {
            SCOPED_TRACE(output.second ? "reference movie" : "new movie");
            const FFmpegView view(output.first, output.second);
            view.ExpectVideoDecodesWithItsKeyFrames(source.FrameCount(kept));
            unsigned packets = 0;
            unsigned long long duration = 0;
            view.SoundStream(packets, duration);
            if (shape.soundChecked) {
                const std::string pcm = view.Pcm();
                EXPECT_EQ(sound.size(), pcm.size());
                EXPECT_TRUE(sound == pcm);
                // The media header's duration is the kept samples, a
                // shorter last chunk wherever it now sits included.
                const unsigned frameBytes = 2 * shape.spec.sound.channels;
                EXPECT_EQ(pcm.size() / frameBytes, duration);
            }
            // An unedited reel is copied as it is, its sound reference with it.
            const bool copied = !output.second && kept == std::vector<unsigned>{0, 1, 2};
            if (shape.soundElsewhere && !copied) {
                // Sound in a file the output does not reach is not claimed:
                // no packet, rather than other bytes read in its place.
                EXPECT_EQ(0u, packets);
            }
            if (!output.second && shape.reelValid) {
                // The new movie is a reel this library reads again.
                const FileLocator locator(output.first.wstring().c_str());
                const CZentiMovFile again(locator);
                const CClipreelMovie reel(&again);
                EXPECT_TRUE(reel.IsValid());
                EXPECT_EQ(kept.size(), reel.GetShootingUnitCount());
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SampleReels, ReelShapesFFmpeg, ::testing::ValuesIn(Shapes()),
                         [](const ::testing::TestParamInfo<ReelShape>& param) {
                             std::string name;
                             for (const char* c = param.param.name; *c != 0; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

}
}
}
