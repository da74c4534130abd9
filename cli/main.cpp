// clipreel: the ClipreelEditor library from a shell.
#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/Interrupt.h"

#ifdef CLIPREEL_WITH_STUDIO
#include "cli/studio/StudioCommand.h"
#endif

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>

namespace {

using namespace clipreel::cli;

const char* const ListHelp =
    "Index lists are unit numbers and ranges separated by commas, as `clipreel info` numbers them;\n"
    "\"last\" is the reel's last unit and \"last-N\" the unit N before it.\n"
    "  --keep 2,0,3        keeps units 2, 0 and 3, in that order\n"
    "  --keep 0-3,7        keeps units 0, 1, 2, 3 and 7 (a range includes both ends)\n"
    "  --keep last-0       keeps units last down to 0: the reel reversed\n"
    "  --remove 1,4        removes units 1 and 4 and keeps the others in order\n"
    "  --remove last-1-last  removes the last two units\n"
    "The output is written to a temporary file beside it and renamed into place when complete;\n"
    "Ctrl-C stops the save and removes the temporary file (a second Ctrl-C too).\n";

const char* const ExportHelp =
    "The MP4 holds the kept units in order: the H.264 frames copied as they are (never re-encoded),\n"
    "the sound encoded as AAC-LC and cut at the same unit boundaries, the movie atom first so it\n"
    "plays while it downloads, and the recording's creation time. Nothing of the camera's own\n"
    "records (its settings, the thumbnail, the unit layout) is kept: the file is no camera reel\n"
    "any more, and clipreel cannot edit it again. Not available in the Windows build.\n";

// An empty list (an unset shell variable) is a mistake, never "no list".
const CLI::Validator NonEmptyList(
    [](std::string& value) -> std::string {
        return value.find_first_not_of(" \t") == std::string::npos ? "the index list is empty" : std::string();
    },
    "LIST");

void AddIndexListOptions(CLI::App& command, SaveOptions& options, bool required) {
    CLI::Option* keep =
        command.add_option("--keep", options.keep, "units to keep, in output order (original numbers), e.g. 2,0,3");
    CLI::Option* remove = command.add_option("--remove", options.remove, "units to remove, e.g. 1,4");
    keep->excludes(remove);
    remove->excludes(keep);
    keep->check(NonEmptyList);
    remove->check(NonEmptyList);
    keep->type_name("LIST");
    remove->type_name("LIST");
    if (required) {
        command.callback([keep, remove]() {
            if (keep->count() == 0 && remove->count() == 0) {
                throw CLI::RequiredError("one of --keep or --remove");
            }
        });
    }
}

void AddForceOption(CLI::App& command, bool& force) {
    command.add_flag("-y,--force", force, "replace the output file if it exists (never one of the inputs)");
}

void AddSummaryOptions(CLI::App& command, SaveOptions& options) {
    command.add_flag("-n,--dry-run", options.dryRun, "print the resulting units, duration and size; write nothing");
    command.add_flag("--json", options.json, "print the summary as one JSON object");
}

// A first word that names no command is said to be one, with the list.
bool IsUnknownCommand(const CLI::App& app, const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments[0].empty() || arguments[0][0] == '-') return false;
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->get_name() == arguments[0]) return false;
    }
    return true;
}

std::string CommandNames(const CLI::App& app) {
    std::string names;
    for (const CLI::App* command : app.get_subcommands({})) {
        names += (names.empty() ? "" : ", ") + command->get_name();
    }
    return names;
}

}

int main(int argc, char** argv) {
    InstallTerminationHandlers();
    CLI::App app{"clipreel: inspect and edit the movies a camera records in Clipreel mode,\n"
                 "losslessly: remove and reorder shooting units, write new or reference movies.",
                 "clipreel"};
    app.set_version_flag("--version", std::string("clipreel ") + CLIPREEL_VERSION_TEXT);
    app.require_subcommand(1);
    bool verbose = false;
    app.add_flag("-v,--verbose", verbose, "show the library's debug lines and the codecs' log lines");
    app.fallthrough();
    app.footer(ExitCodeTable());

    InfoOptions info;
    CLI::App* infoCommand = app.add_subcommand("info", "describe a camera movie and list its shooting units");
    infoCommand->add_option("FILE", info.files, "the movie files")->required();
    infoCommand->add_flag("--json", info.json,
                          "print one JSON object per file (an array for several; fields in the README)");

    SaveOptions edit;
    CLI::App* editCommand =
        app.add_subcommand("edit", "write a new movie holding only the kept shooting units, in the chosen order");
    editCommand->add_option("SRC", edit.source, "the Clipreel movie")->required();
    editCommand->add_option("DST", edit.destination, "the new movie file")->required();
    AddIndexListOptions(*editCommand, edit, true);
    AddForceOption(*editCommand, edit.force);
    AddSummaryOptions(*editCommand, edit);
    editCommand->add_flag("-q,--quiet", edit.quiet, "no progress and no summary");
    editCommand->add_flag("--keep-partial", edit.keepPartial, "keep the partial output after a failure or Ctrl-C");
    editCommand->footer(std::string(ListHelp) + "\n" + ExitCodeTable());

    SaveOptions reference;
    reference.reference = true;
    CLI::App* referenceCommand = app.add_subcommand(
        "reference", "write a reference movie: a movie atom whose media stay in the source file");
    referenceCommand->add_option("SRC", reference.source, "the camera movie")->required();
    referenceCommand->add_option("DST", reference.destination, "the reference movie file")->required();
    AddIndexListOptions(*referenceCommand, reference, false);
    AddForceOption(*referenceCommand, reference.force);
    AddSummaryOptions(*referenceCommand, reference);
    referenceCommand->add_flag("-q,--quiet", reference.quiet, "no summary");
    referenceCommand->add_flag("--keep-partial", reference.keepPartial, "keep the partial output after a failure");
    referenceCommand->footer(std::string(ListHelp) + "\n" + ExitCodeTable());

    ThumbnailOptions thumbnail;
    CLI::App* thumbnailCommand = app.add_subcommand("thumbnail", "save the movie's embedded thumbnail as a JPEG file");
    thumbnailCommand->add_option("FILE", thumbnail.file, "the camera movie")->required();
    thumbnailCommand->add_option("OUT", thumbnail.output, "the JPEG file to write")->required();
    AddForceOption(*thumbnailCommand, thumbnail.force);

    SheetOptions sheet;
    CLI::App* sheetCommand = app.add_subcommand(
        "sheet", "make a contact sheet: the first frame of every shooting unit, labelled with index and duration");
    sheetCommand->add_option("FILE", sheet.file, "the Clipreel movie")->required();
    sheetCommand->add_option("OUT", sheet.output, "the JPEG file to write")->required();
    AddForceOption(*sheetCommand, sheet.force);
    sheetCommand->add_option("--columns", sheet.columns, "pictures per row")
        ->capture_default_str()
        ->check(CLI::Range(1u, 64u));

    WavOptions wav;
    CLI::App* wavCommand =
        app.add_subcommand("wav", "describe a WAV file and, with --movie, whether its sound matches a movie's");
    wavCommand->add_option("WAVFILE", wav.wavFile, "the WAV file")->required();
    wavCommand->add_option("--movie", wav.movie, "a camera movie to compare the sound format with");
    wavCommand->add_flag("--json", wav.json, "print one JSON object");

    SampleOptions sample;
    CLI::App* sampleCommand = app.add_subcommand(
        "sample", "write a sample Clipreel movie (real H.264 frames, each unit its own colour and number)");
    sampleCommand->add_option("DST", sample.destination, "the movie file to write")->required();
    sampleCommand->add_option("--units", sample.units, "shooting units")->capture_default_str();
    sampleCommand->add_option("--seconds-per-unit", sample.secondsPerUnit, "length of a unit in seconds")
        ->capture_default_str();
    sampleCommand->add_option("--fps", sample.fps, "frame rate: 25, 29.97 or a fraction such as 30000/1001")
        ->capture_default_str();
    sampleCommand->add_option("--gop", sample.groupOfPicture,
                              "frames per group of pictures (default: the largest divisor of a unit up to 15)");
    sampleCommand->add_option("--width", sample.width, "frame width")->capture_default_str();
    sampleCommand->add_option("--height", sample.height, "frame height")->capture_default_str();
    sampleCommand->add_flag("--no-sound", sample.noSound, "no sound track");
    sampleCommand->add_option("--sound-rate", sample.soundRate, "sound samples per second")->capture_default_str();
    sampleCommand->add_option("--channels", sample.channels, "sound channels, 1 or 2")->capture_default_str();
    sampleCommand->add_option("--bits", sample.bits, "bits per sound sample, 8 or 16")->capture_default_str();
    sampleCommand->add_option("--creator-version", sample.creatorVersion,
                              "the camera's creator version (6: SHORT record, 10: LONG record)")
        ->capture_default_str();
    sampleCommand
        ->add_option("--record", sample.recordKind,
                     "the camera record's kind, short or long, whatever the creator version (a reel the save "
                     "cannot refresh)")
        ->check(CLI::IsMember({"short", "long"}));
    sampleCommand->add_option("--trailing-atom", sample.trailingAtomBytes,
                              "a 'free' atom with this many bytes after the media data (to cut a reel in)");
    sampleCommand->add_flag("--dummy-frames", sample.dummyFrames, "placeholder frame bytes instead of H.264 (fast)");
    sampleCommand->add_flag("-q,--quiet", sample.quiet, "no summary");
    AddForceOption(*sampleCommand, sample.force);

    SplitOptions split;
    CLI::App* splitCommand =
        app.add_subcommand("split", "write each shooting unit of a reel as its own one-unit reel");
    splitCommand->add_option("REEL", split.source, "the Clipreel movie")->required();
    splitCommand->add_option("OUTDIR", split.folder, "the folder for REEL-u000.mov, REEL-u001.mov, ...")->required();
    splitCommand->add_option("--keep", split.keep, "units to write (original numbers), e.g. 0-3,7")
        ->type_name("LIST")
        ->check(NonEmptyList);
    AddForceOption(*splitCommand, split.force);
    splitCommand->add_flag("-q,--quiet", split.quiet, "no progress and no summary");

    JoinOptions join;
    CLI::App* joinCommand = app.add_subcommand(
        "join", "combine the units of two or more reels of one shape into one reel, in the given order");
    joinCommand->add_option("OUT", join.destination, "the new movie file")->required();
    joinCommand->add_option("REEL", join.reels, "the reels, each optionally with its units: REEL.mov:0-3,7")
        ->required()
        ->expected(2, -1);
    AddForceOption(*joinCommand, join.force);
    joinCommand->add_flag("-q,--quiet", join.quiet, "no progress and no summary");

    SalvageOptions salvage;
    CLI::App* salvageCommand = app.add_subcommand(
        "salvage", "recover the whole shooting units of a reel cut short (an interrupted copy)");
    salvageCommand->add_option("DAMAGED", salvage.damaged, "the cut reel")->required();
    salvageCommand->add_option("OUT", salvage.destination, "the recovered reel")->required();
    AddForceOption(*salvageCommand, salvage.force);
    salvageCommand->add_flag("-q,--quiet", salvage.quiet, "no progress and no summary");

    ExportOptions exportMovie;
    CLI::App* exportCommand = app.add_subcommand(
        "export", "write the kept shooting units as an MP4 for sharing (browsers, phones, messaging)");
    exportCommand->add_option("REEL", exportMovie.save.source, "the Clipreel movie")->required();
    exportCommand->add_option("OUT", exportMovie.save.destination, "the MP4 file to write")->required();
    AddIndexListOptions(*exportCommand, exportMovie.save, false);
    exportCommand->add_option("--sound-bitrate", exportMovie.soundBitRate,
                              "AAC bit rate, e.g. 128k (default: 96k a channel)")
        ->type_name("RATE");
    AddForceOption(*exportCommand, exportMovie.save.force);
    AddSummaryOptions(*exportCommand, exportMovie.save);
    exportCommand->add_flag("-q,--quiet", exportMovie.save.quiet, "no progress and no summary");
    exportCommand->footer(std::string(ExportHelp) + "\n" + ListHelp + "\n" + ExitCodeTable());

    splitCommand->footer(std::string(ListHelp) + "\n" + ExitCodeTable());
    joinCommand->footer(std::string(ListHelp) + "\n" + ExitCodeTable());

#ifdef CLIPREEL_WITH_STUDIO
    StudioOptions studio;
    CLI::App* studioCommand = app.add_subcommand(
        "studio", "edit reels in the browser: serves a local page on 127.0.0.1 and prints its address");
    studioCommand->add_option("REEL", studio.reels, "the Clipreel movies to edit, one tab each")->required();
    studioCommand->add_option("--port", studio.port, "the port to listen on (default: a free one)")
        ->check(CLI::Range(1, 65535));
    studioCommand->footer(ExitCodeTable());
#endif

    for (CLI::App* command : {infoCommand, thumbnailCommand, sheetCommand, wavCommand, sampleCommand,
                              salvageCommand}) {
        command->footer(ExitCodeTable());
    }

    try {
        std::vector<std::string> arguments = CommandLineArguments(argc, argv);
        if (IsUnknownCommand(app, arguments)) {
            std::fprintf(stderr, "clipreel: unknown command \"%s\" (the commands: %s; see clipreel --help)\n",
                         arguments[0].c_str(), CommandNames(app).c_str());
            return EXIT_USAGE;
        }
        // The parser takes the arguments last first.
        std::reverse(arguments.begin(), arguments.end());
        app.parse(arguments);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        // One line, as every other problem: what is wrong and where to read more.
        std::string command;
        for (const CLI::App* parsed : app.get_subcommands()) command = " " + parsed->get_name();
        std::fprintf(stderr, "clipreel: %s (see clipreel%s --help)\n", error.what(), command.c_str());
        return EXIT_USAGE;
    }

    ShowLibraryLogs(verbose);
    // A command that reads camera data alone starts without the codecs.
    if (!infoCommand->parsed() && !thumbnailCommand->parsed() && !wavCommand->parsed()) ShowCodecLogs(verbose);
    try {
        if (infoCommand->parsed()) return RunInfo(info);
        if (editCommand->parsed()) return RunSave(edit);
        if (referenceCommand->parsed()) return RunSave(reference);
        if (thumbnailCommand->parsed()) return RunThumbnail(thumbnail);
        if (sheetCommand->parsed()) return RunSheet(sheet);
        if (wavCommand->parsed()) return RunWav(wav);
        if (sampleCommand->parsed()) return RunSample(sample);
        if (splitCommand->parsed()) return RunSplit(split);
        if (joinCommand->parsed()) return RunJoin(join);
        if (salvageCommand->parsed()) return RunSalvage(salvage);
        if (exportCommand->parsed()) return RunExport(exportMovie);
#ifdef CLIPREEL_WITH_STUDIO
        if (studioCommand->parsed()) return RunStudio(studio);
#endif
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "clipreel: unexpected error: %s\n", exception.what());
        return EXIT_FAILURE_OTHER;
    }
    return EXIT_USAGE;
}
