#ifndef CLIPREEL_CLI_COMMAND_SUPPORT_H
#define CLIPREEL_CLI_COMMAND_SUPPORT_H

#include "ClipreelMovie.h"
#include "FileLocator.h"
#include "ZentiMovFile.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>

namespace clipreel {
namespace cli {

// "clipreel: <message>" on standard error.
void Complain(const std::string& message);

// The library's debug lines reach standard error only when verbose;
// otherwise a command's own messages are all it says (the codecs' log
// lines: ShowCodecLogs).
void ShowLibraryLogs(bool verbose);

// JSON as the tool prints it: indented; a file name that is not UTF-8 shows
// U+FFFD for each byte that is not.
std::string JsonText(const nlohmann::json& value);
std::string JsonText(const nlohmann::ordered_json& value);

// What edit, reference or export wrote or, for a dry run, would write, from
// its description (with "destination" and "dry_run"): with json the
// description, a written file's size added; otherwise, unless quiet, the
// command's summary line.
using SaveSummary = void (*)(const nlohmann::json& description, bool written);
void PrintSaveOutcome(nlohmann::json description, bool json, bool quiet, SaveSummary summary);

// Why a file cannot be read as input, in the system's words ("No such file
// or directory", "Is a directory", "Permission denied"); empty when it can
// be opened for reading.
std::string UnreadableReason(const std::string& path);

// What is wrong with a file the library does not take as a camera movie, as
// words after its name: "is truncated: ...", "has no movie atom", "is a
// reference movie (...)", "is not a camera movie".
std::string WhatIsWrong(const std::string& path, const CZentiMovFile& file);

// Why no new movie can be saved from this camera movie: the save cannot give
// its camera record the new file's values (the library's words, "the save
// knows creator versions 6 and 10 only"); empty when it can.
std::string WhyNoNewMovie(const CZentiMovFile& file);

// Opens a camera movie for a command. On failure complains in plain words
// ("cannot read X: No such file or directory", "X is truncated: ...; `clipreel
// salvage` can recover 2 of its 4 shooting units",
// "X is not a camera movie") and returns null; exitCode is then the code to leave with.
std::unique_ptr<CZentiMovFile> OpenCameraMovie(const std::string& path, bool needClipreel, int& exitCode);

// Whether the reel of the Clipreel movie at path has shooting units to
// remove, reorder, split or show; complains when its tables cannot lay them
// out.
bool HasShootingUnits(const CClipreelMovie& reel, const std::string& path);

}
}

#endif
