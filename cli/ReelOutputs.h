#ifndef CLIPREEL_CLI_REEL_OUTPUTS_H
#define CLIPREEL_CLI_REEL_OUTPUTS_H

#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// A reel and the file a command makes from it (a thumbnail, a sheet).
struct ReelOutput {
    std::string reel;
    std::string output;
};

// The outputs of a command that makes one file per reel, from its operands:
// with outputDir, every operand is a reel, written as outputDir/STEM+suffix
// (STEM the reel's name without its extension); without, exactly one reel
// and its output. The error (empty when none) is a usage mistake: a count
// that fits neither form, an output that names a movie (a file pattern that
// matched two reels), two reels that would share an output name.
std::string PlanReelOutputs(const std::string& command, const std::vector<std::string>& operands,
                            const std::string& outputDir, const std::string& suffix, std::vector<ReelOutput>& outputs);

// Makes the output folder of a command with --output-dir; false after a
// complaint with the system's reason.
bool MakeOutputFolder(const std::string& folder);

}
}

#endif
