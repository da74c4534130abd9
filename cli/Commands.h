#ifndef CLIPREEL_CLI_COMMANDS_H
#define CLIPREEL_CLI_COMMANDS_H

#include "cli/ReelOutputs.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

class CClipreelMovie;

namespace clipreel {
namespace cli {

// The options of each command, as the command line fills them, and the
// command itself; each returns the process exit code (cli/ExitCode.h).

struct InfoOptions {
    std::vector<std::string> files;
    bool json = false;
};
int RunInfo(const InfoOptions& options);

// edit and reference: the index lists are texts until the reel is open.
struct SaveOptions {
    std::string source;
    std::string destination;
    std::string keep;
    std::string remove;
    bool quiet = false;
    bool force = false;        // replace an existing destination
    bool keepPartial = false;
    bool dryRun = false;       // describe the result, write nothing
    bool json = false;         // the summary as one JSON object
    bool reference = false;  // a reference movie instead of a new self-contained one
};
int RunSave(const SaveOptions& options);

// Applies --keep or --remove to the reel; a complaint and false when the list
// is not one the reel can take whole (edit, reference, export).
bool ApplyIndexList(CClipreelMovie& reel, const SaveOptions& options);
// What edit, reference or export makes (or, for a dry run, would make), as
// they describe it: source, destination, kind, dry_run and, for a valid
// reel, its kept units with their frames and duration.
nlohmann::json DescribeSave(const CClipreelMovie& reel, const SaveOptions& options, const std::string& kind);

// export: the kept units as an MP4 for sharing; the index lists, --force,
// --dry-run and --json as for edit.
struct ExportOptions {
    SaveOptions save;
    std::string soundBitRate;  // empty: the default for the channel count
};
int RunExport(const ExportOptions& options);

// thumbnail and sheet: one reel and its output, or several reels with
// --output-dir; main turns the operands into outputs (cli/ReelOutputs.h).
struct ThumbnailOptions {
    std::vector<std::string> operands;
    std::string outputDir;
    std::vector<ReelOutput> outputs;
    bool force = false;
};
int RunThumbnail(const ThumbnailOptions& options);

struct SheetOptions {
    std::vector<std::string> operands;
    std::string outputDir;
    std::vector<ReelOutput> outputs;
    unsigned columns = 4;
    bool force = false;
    bool quiet = false;
};
int RunSheet(const SheetOptions& options);

struct WavOptions {
    std::string wavFile;
    std::string movie;
    bool json = false;
};
int RunWav(const WavOptions& options);

struct SampleOptions {
    std::string destination;
    unsigned units = 4;
    double secondsPerUnit = 1.0;
    std::string fps = "30000/1001";
    unsigned groupOfPicture = 0;  // 0: the largest divisor of the frames per unit up to 15
    unsigned width = 320;
    unsigned height = 240;
    bool noSound = false;
    unsigned soundRate = 48000;
    unsigned channels = 2;
    unsigned bits = 16;
    unsigned creatorVersion = 6;
    std::string recordKind;       // "short" or "long"; empty: the kind the creator version writes
    unsigned trailingAtomBytes = 0;  // a 'free' atom of this payload after the media data; 0: none
    bool dummyFrames = false;
    bool quiet = false;
    bool force = false;
};
int RunSample(const SampleOptions& options);

// split, join and salvage: whole reels in, camera reels out.
struct SplitOptions {
    std::string source;
    std::string folder;
    std::string keep;  // empty: every unit
    bool force = false;
    bool quiet = false;
};
int RunSplit(const SplitOptions& options);

struct JoinOptions {
    std::string destination;
    std::vector<std::string> reels;  // each FILE or FILE:LIST
    bool force = false;
    bool quiet = false;
};
int RunJoin(const JoinOptions& options);

struct SalvageOptions {
    std::string damaged;
    std::string destination;
    bool force = false;
    bool quiet = false;
};
int RunSalvage(const SalvageOptions& options);

}
}

#endif
