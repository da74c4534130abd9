// Every file operation of a whole save, struck one at a time: the n-th open,
// read, write, seek, size query or close fails (a full disk, an I/O error,
// an interruption, a refused permission, or a read or write that moves only
// half its bytes), for every n the save makes, for an edited save, an
// unchanged copy and a reference movie. Each run must give the result code
// that names the failure, leave the source as it was, leave no file open,
// and leave no output whose atoms claim more bytes than the file holds.
// Leaks show in the sanitizer build.
#include "ClipreelMovFileEditor.h"
#include "ClipreelMovie.h"
#include "ZentiMovFile.h"
#include "sample/SampleMovieWriter.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/FaultyFileLayer.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace clipreel {
namespace test {
namespace {

using Result = CClipreelMovFileEditor::ERROR_CREATEMOVFILE;
using Bytes = std::vector<std::uint8_t>;

// A small reel with an atom before and one after the media data, so that
// every kind of top-level atom is written.
sample::SampleMovieSpec SmallReel() {
    sample::SampleMovieSpec spec = sample::TinyMovieSpec(3);
    sample::AddAtomsAroundMediaData(spec);
    return spec;
}

// The first top-level atom whose header claims more than the file holds,
// or an empty text. A size of 0 claims the rest of the file; fewer than 8
// bytes left at the end are no atom.
std::string OverclaimingAtom(const Bytes& file) {
    const AtomWalk walk(file, AtomWalk::MisfitEnds);
    const std::vector<Atom> atoms = walk.TopLevel();
    const std::uint64_t offset = atoms.empty() ? 0 : atoms.back().End();
    if (file.size() - offset < 8) return {};
    std::uint64_t size = walk.U32(offset);
    if (size == 0) return {};
    if (size == 1) {
        if (file.size() - offset < 16) return "a 64-bit size cut off at " + std::to_string(offset);
        size = walk.U64(offset + 8);
    }
    return "the atom at " + std::to_string(offset) + " claims " + std::to_string(size) + " bytes of " +
           std::to_string(file.size() - offset);
}

enum class Job { EditedSave, UnchangedCopy, ReferenceMovie };

const char* NameOf(Job job) {
    switch (job) {
    case Job::EditedSave: return "edited save";
    case Job::UnchangedCopy: return "unchanged copy";
    case Job::ReferenceMovie: return "reference movie";
    }
    return "";
}

class FaultMatrix : public ::testing::TestWithParam<Job> {
protected:
    void SetUp() override {
        sourcePath = dir.File("source.mov");
        sample::WriteSampleMovie(sourcePath, SmallReel());
        sourceBytes = ReadFileBytes(sourcePath);
        destinationPath = dir.File("out.mov");
        file = std::make_unique<CZentiMovFile>(FileLocator(sourcePath.wstring().c_str()));
        reel = std::make_unique<CClipreelMovie>(file.get());
        ASSERT_TRUE(reel->IsValid());
        // Not the first unit: the save stays within the file layer (a new
        // first unit would grab its thumbnail through the decoder).
        ASSERT_TRUE(reel->RemoveShootingUnit(1));
    }

    Result Run(platform::FileLayer& layer) {
        std::error_code ignored;
        std::filesystem::remove(destinationPath, ignored);
        const std::wstring destination = destinationPath.wstring();
        CClipreelMovFileEditor editor(*file);
        const platform::ScopedFileLayer installed(layer);
        switch (GetParam()) {
        case Job::EditedSave: return editor.CreateNewMovFile(FileLocator(destination.c_str()), reel.get());
        case Job::UnchangedCopy: return editor.CreateNewMovFile(FileLocator(destination.c_str()), nullptr);
        case Job::ReferenceMovie: return editor.CreateReferenceMovFile(FileLocator(destination.c_str()), reel.get());
        }
        return CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
    }

    // The result a failure of this call must give. lastOutputSeek: the call
    // is the last positioning of the output; firstLookup: it is the first
    // lookup of the source's size by its path.
    Result Expected(const FaultyFileLayer::Call& call, FaultKind kind, bool lastOutputSeek, bool firstLookup,
                    bool readingBack) const {
        const bool onSource = call.path == sourcePath.wstring();
        // The written file read back before the save reports success: a file
        // that cannot be read back as planned is never reported as written;
        // closing it after reading loses nothing.
        if (readingBack) {
            return call.operation == FileOperation::Close ? CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS
                                                          : CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
        }
        // The source's size looked up by path is how a Clipreel movie is
        // recognised (the size its camera record holds): the front's source
        // check then finds no Clipreel movie, a later reel check a reel that
        // no longer matches its source.
        if (call.operation == FileOperation::Size && call.byPath && onSource) {
            return firstLookup && GetParam() != Job::ReferenceMovie
                       ? CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE
                       : CClipreelMovFileEditor::CREATEMOVFILE_INTERNAL_ERROR;
        }
        switch (call.operation) {
        case FileOperation::Read:
            if (kind == FaultKind::Short) return CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
            return CClipreelMovFileEditor::CREATEMOVFILE_READ_ERROR;
        case FileOperation::Write:
            if (kind == FaultKind::DiskFull || kind == FaultKind::Short)
                return CClipreelMovFileEditor::CREATEMOVFILE_DISK_FULL;
            return CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
        case FileOperation::Close:
            // The source was read in full; only the output's close can lose bytes.
            return onSource ? CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS
                            : CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
        case FileOperation::Seek:
            // The output positioned for the last write of the movie atom
            // counts as a read error.
            if (!onSource && lastOutputSeek && GetParam() == Job::EditedSave)
                return CClipreelMovFileEditor::CREATEMOVFILE_READ_ERROR;
            break;
        case FileOperation::Open:
        case FileOperation::Size:
            break;
        }
        return onSource ? CClipreelMovFileEditor::CREATEMOVFILE_READ_ERROR
                        : CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR;
    }

    TempDir dir;
    std::filesystem::path sourcePath;
    std::filesystem::path destinationPath;
    Bytes sourceBytes;
    std::unique_ptr<CZentiMovFile> file;
    std::unique_ptr<CClipreelMovie> reel;
};

TEST_P(FaultMatrix, EveryFailingOperationGivesItsCodeAndLeavesNothingBroken) {
    DebugLineCapture quiet;
    FaultyFileLayer counting;
    ASSERT_EQ(CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS, Run(counting));
    ASSERT_EQ(0u, counting.OpenHandleCount());
    const std::vector<FaultyFileLayer::Call> trace = counting.Trace();
    // The number, among the seeks, of the last one on the output; and among
    // the size queries, of the first lookup by path.
    std::size_t lastOutputSeek = 0;
    std::size_t firstLookup = 0;
    // Where the edited save's read-back of its output begins: after the
    // output's close that follows its last write.
    std::size_t lastWrite = 0;
    for (std::size_t i = 0; i < trace.size(); ++i)
        if (trace[i].operation == FileOperation::Write) lastWrite = i;
    std::size_t readBackStart = trace.size();
    if (GetParam() == Job::EditedSave) {
        for (std::size_t i = lastWrite; i < trace.size(); ++i) {
            if (trace[i].operation == FileOperation::Close && trace[i].path == destinationPath.wstring()) {
                readBackStart = i + 1;
                break;
            }
        }
    }
    std::vector<std::vector<const FaultyFileLayer::Call*>> byOperation(FileOperationCount);
    for (const auto& call : trace) {
        byOperation[static_cast<std::size_t>(call.operation)].push_back(&call);
        const bool written = static_cast<std::size_t>(&call - trace.data()) < readBackStart;
        if (call.operation == FileOperation::Seek && call.path == destinationPath.wstring() && written)
            lastOutputSeek = byOperation[static_cast<std::size_t>(FileOperation::Seek)].size();
        if (call.operation == FileOperation::Size && call.byPath && firstLookup == 0)
            firstLookup = byOperation[static_cast<std::size_t>(FileOperation::Size)].size();
    }
    // A reference movie reads nothing of the source: it writes one atom.
    std::vector<FileOperation> made = {FileOperation::Open, FileOperation::Write, FileOperation::Close};
    if (GetParam() != Job::ReferenceMovie) made.insert(made.end(), {FileOperation::Read, FileOperation::Seek});
    for (const FileOperation operation : made) {
        EXPECT_GT(counting.Count(operation), 0u) << NameOf(operation) << " never happens in a " << NameOf(GetParam());
    }

    for (std::size_t op = 0; op < FileOperationCount; ++op) {
        const auto operation = static_cast<FileOperation>(op);
        for (std::size_t k = 0; k < FaultKindCount; ++k) {
            const auto kind = static_cast<FaultKind>(k);
            if (!Applies(kind, operation)) continue;
            for (std::size_t n = 1; n <= counting.Count(operation); ++n) {
                const FaultyFileLayer::Call& call = *byOperation[op][n - 1];
                std::ostringstream what;
                what << NameOf(GetParam()) << ": " << NameOf(kind) << " at " << NameOf(operation) << " #" << n
                     << " (of the " << (call.path == sourcePath.wstring() ? "source" : "output") << ")";
                SCOPED_TRACE(what.str());
                FaultyFileLayer faulty(operation, n, kind);
                const Result result = Run(faulty);
                ASSERT_TRUE(faulty.Struck());
                const bool readingBack = static_cast<std::size_t>(&call - trace.data()) >= readBackStart;
                EXPECT_EQ(Expected(call, kind, n == lastOutputSeek, n == firstLookup, readingBack), result);
                EXPECT_EQ(0u, faulty.OpenHandleCount()) << "a file was left open";
                EXPECT_TRUE(ReadFileBytes(sourcePath) == sourceBytes) << "the source changed";
                if (std::filesystem::exists(destinationPath)) {
                    const Bytes output = ReadFileBytes(destinationPath);
                    EXPECT_EQ("", OverclaimingAtom(output));
                    if (result == CClipreelMovFileEditor::CREATEMOVFILE_SUCCESS && GetParam() != Job::ReferenceMovie) {
                        EXPECT_TRUE(CZentiMovFile(FileLocator(destinationPath.wstring().c_str())).IsValid());
                    }
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WholeJobs, FaultMatrix,
                         ::testing::Values(Job::EditedSave, Job::UnchangedCopy, Job::ReferenceMovie),
                         [](const ::testing::TestParamInfo<Job>& job) {
                             // The job's name without its blanks.
                             std::string name;
                             for (const char c : std::string(NameOf(job.param)))
                                 if (c != ' ') name.push_back(c);
                             return name;
                         });

}
}
}
