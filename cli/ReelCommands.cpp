// split, join and salvage: the library's reel operations, their outputs
// written beside their final names and renamed into place only on success.
#include "cli/Commands.h"

#include "ClipreelMovie.h"
#include "ClipreelReelOperations.h"
#include "SoundFormat.h"
#include "ZentiMovie.h"
#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/CountText.h"
#include "cli/ExitCode.h"
#include "cli/FileLayout.h"
#include "cli/IndexList.h"
#include "cli/MovieReport.h"
#include "cli/ReelOutputs.h"
#include "cli/SaveRunner.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace clipreel {
namespace cli {

namespace {

// How split, join and salvage run their write: "cannot WHAT: REASON" for a
// failure.
SaveRunner::InTool ReelWriting(const SaveRunner& runner, bool quiet, const std::string& what) {
    SaveRunner::InTool how;
    how.quiet = quiet;
    how.failure = [&runner, what](SaveRunner::Result result) {
        const std::string limit = runner.SizeLimitFailure();
        const bool limitReached = result == CClipreelMovFileEditor::CREATEMOVFILE_WRITE_ERROR && !limit.empty();
        return "cannot " + what + ": " + (limitReached ? limit : std::string(DescribeResult(result)));
    };
    return how;
}

// The name of unit `index` of a split reel: the source's stem, "-u", the
// index zero-padded to `width` digits, the source's extension.
std::string UnitFileName(const std::filesystem::path& source, unsigned index, std::size_t width) {
    std::string number = std::to_string(index);
    if (number.size() < width) number.insert(0, width - number.size(), '0');
    return source.stem().u8string() + "-u" + number + source.extension().u8string();
}

// "FILE:LIST" names a file and its keep list when LIST is made of digits,
// commas, dashes, blanks and the word "last" and FILE is not empty; a whole
// argument that names an existing file is always just the file.
void SplitReelArgument(const std::string& argument, std::string& path, std::string& list) {
    path = argument;
    list.clear();
    std::error_code error;
    if (std::filesystem::exists(ArgumentPath(argument), error)) return;
    const std::size_t colon = argument.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == argument.size()) return;
    const std::string tail = argument.substr(colon + 1);
    std::string rest = tail;
    for (std::size_t at = rest.find("last"); at != std::string::npos; at = rest.find("last")) rest.erase(at, 4);
    for (const char c : rest)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != ',' && c != '-' && c != ' ') return;
    path = argument.substr(0, colon);
    list = tail;
}

// The sample descriptions the joiner compares, said with their values: "its
// video is 640x480, the first reel's is 320x240", "sound: 1 channel, the
// first reel has 2"; empty when they agree (the refusal is then another).
std::string ShapeDifference(const CZentiMovFile& reel, const std::string& path, const CZentiMovFile& first,
                            const std::string& firstPath) {
    FileLayout ours;
    FileLayout theirs;
    std::string reason;
    if (ReadFileLayout(ArgumentPath(path), ours, reason) && ReadFileLayout(ArgumentPath(firstPath), theirs, reason)) {
        if (ours.codecTag != theirs.codecTag) {
            return "its video is " + CodecName(ours.codecTag) + ", the first reel's is " + CodecName(theirs.codecTag);
        }
        if (ours.width != theirs.width || ours.height != theirs.height) {
            return "its video is " + std::to_string(ours.width) + "x" + std::to_string(ours.height) +
                   ", the first reel's is " + std::to_string(theirs.width) + "x" + std::to_string(theirs.height);
        }
    }
    const std::unique_ptr<CSoundFormatInfo> sound(reel.GetZentiMovie()->CopySoundFormatInfo());
    const std::unique_ptr<CSoundFormatInfo> firstSound(first.GetZentiMovie()->CopySoundFormatInfo());
    const bool hasSound = reel.GetZentiMovie()->HasSound() && sound;
    const bool firstHasSound = first.GetZentiMovie()->HasSound() && firstSound;
    if (hasSound != firstHasSound) {
        return hasSound ? "it has sound, the first reel has none" : "it has no sound, the first reel has";
    }
    if (!hasSound || *sound == *firstSound) return std::string();
    return SoundDifference(DescribeSoundFormat(*sound), DescribeSoundFormat(*firstSound), "the first reel");
}

}

int RunSplit(const SplitOptions& options) {
    int exitCode = EXIT_OK;
    const std::unique_ptr<CZentiMovFile> source = OpenCameraMovie(options.source, true, exitCode);
    if (!source) return exitCode;
    const std::string noNewMovie = WhyNoNewMovie(*source);
    if (!noNewMovie.empty()) {
        Complain(options.source + " cannot be split: " + noNewMovie);
        return EXIT_BAD_INPUT;
    }
    CClipreelMovie reel(source.get());
    if (!HasShootingUnits(reel, options.source)) return EXIT_BAD_INPUT;
    const unsigned count = reel.GetShootingUnitCount();
    std::vector<unsigned> kept;
    reel.GetEditingState(kept);
    if (!options.keep.empty()) {
        std::string error;
        if (!ParseIndexList(options.keep, count, kept, error) || !CheckKeepList(kept, count, error)) {
            Complain(error);
            return EXIT_USAGE;
        }
        if (reel.IsEditable() && !reel.SetEditingState(kept)) {
            Complain("the reel refused the index list");
            return EXIT_USAGE;
        }
    }

    if (!MakeOutputFolder(options.folder)) return EXIT_CANNOT_WRITE;
    // Every output is checked and given its temporary file before the
    // first is written; all are renamed into place only when all were.
    const std::size_t width = std::max<std::size_t>(3, std::to_string(count - 1).size());
    std::vector<std::string> names;
    SaveRunner runner({options.source}, options.force, false);
    std::vector<FileLocator> destinations;
    for (const unsigned unit : kept) {
        names.push_back(UnitFileName(ArgumentPath(options.source), unit, width));
        std::string path = options.folder;
        if (path.back() != '/' && path.back() != '\\') path += '/';
        path += names.back();
        if (!runner.AddOutput(path)) return runner.Refused().FailureExitCode();
        destinations.push_back(runner.Output(destinations.size()).TemporaryLocator());
    }

    CClipreelReelSplitter splitter(*source);
    const int code = runner.RunInTool(ReelWriting(runner, options.quiet, "split " + options.source),
                                      [&](ClipreelProgressCallback callback, void* data) {
                                          splitter.SetProgressCallback(callback, data);
                                          return splitter.SplitShootingUnits(reel, destinations);
                                      });
    if (code != EXIT_OK) return code;
    if (!options.quiet) {
        std::printf("wrote %s to %s:\n", CountText(names.size(), "reel").c_str(), options.folder.c_str());
        for (const std::string& name : names) std::printf("  %s\n", name.c_str());
    }
    return EXIT_OK;
}

int RunJoin(const JoinOptions& options) {
    std::vector<std::unique_ptr<CZentiMovFile>> files;
    std::vector<std::string> paths;
    CClipreelReelJoiner joiner;
    for (const std::string& argument : options.reels) {
        std::string path;
        std::string list;
        SplitReelArgument(argument, path, list);
        int exitCode = EXIT_OK;
        files.push_back(OpenCameraMovie(path, true, exitCode));
        if (!files.back()) return exitCode;
        const std::string noNewMovie = WhyNoNewMovie(*files.back());
        if (!noNewMovie.empty()) {
            Complain("cannot join " + path + ": " + noNewMovie);
            return EXIT_BAD_INPUT;
        }
        paths.push_back(path);
        std::vector<unsigned> kept;
        if (!list.empty()) {
            const CClipreelMovie reel(files.back().get());
            std::string error;
            const unsigned count = reel.GetShootingUnitCount();
            if (!ParseIndexList(list, count, kept, error) || !CheckKeepList(kept, count, error)) {
                Complain(path + ": " + error);
                return EXIT_USAGE;
            }
        }
        if (!joiner.AddReel(*files.back(), kept)) {
            const std::string difference = ShapeDifference(*files.back(), paths.back(), *files.front(), paths.front());
            Complain("cannot join " + path + ": " + (difference.empty() ? joiner.GetRefusalReason() : difference));
            return EXIT_BAD_INPUT;
        }
    }

    SaveRunner runner(paths, options.force, false);
    if (!runner.AddOutput(options.destination)) return runner.Refused().FailureExitCode();
    const int code = runner.RunInTool(ReelWriting(runner, options.quiet, "join into " + options.destination),
                                      [&](ClipreelProgressCallback callback, void* data) {
                                          joiner.SetProgressCallback(callback, data);
                                          return joiner.CreateJoinedMovFile(runner.Output(0).TemporaryLocator());
                                      });
    if (code != EXIT_OK) return code;
    if (!options.quiet) {
        const unsigned units = joiner.GetShootingUnitCount();
        std::printf("wrote %s: %s from %zu reels\n", options.destination.c_str(),
                    CountText(units, "shooting unit").c_str(), paths.size());
    }
    return EXIT_OK;
}

int RunSalvage(const SalvageOptions& options) {
    const std::string unreadable = UnreadableReason(options.damaged);
    if (!unreadable.empty()) {
        Complain("cannot read " + options.damaged + ": " + unreadable);
        return EXIT_BAD_INPUT;
    }
    CClipreelReelSalvager salvager(LocatorFor(options.damaged));
    if (!salvager.CanSalvage()) {
        Complain("cannot salvage " + options.damaged + ": " + salvager.GetRefusalReason());
        return EXIT_BAD_INPUT;
    }
    SaveRunner runner({options.damaged}, options.force, false);
    if (!runner.AddOutput(options.destination)) return runner.Refused().FailureExitCode();
    const int code = runner.RunInTool(ReelWriting(runner, options.quiet, "salvage into " + options.destination),
                                      [&](ClipreelProgressCallback callback, void* data) {
                                          salvager.SetProgressCallback(callback, data);
                                          return salvager.CreateSalvagedMovFile(runner.Output(0).TemporaryLocator());
                                      });
    if (code != EXIT_OK) return code;
    if (!options.quiet) {
        const unsigned total = salvager.GetShootingUnitCount();
        const unsigned recovered = salvager.GetRecoverableShootingUnitCount();
        std::printf("wrote %s: recovered %u of %s, %u lost%s\n", options.destination.c_str(), recovered,
                    CountText(total, "shooting unit").c_str(), total - recovered,
                    salvager.IsTruncated() ? "" : " (the file was not cut short)");
    }
    return EXIT_OK;
}

}
}
