// clipreel: the ClipreelEditor library from a shell.
#include "cli/ArgumentCheck.h"
#include "cli/BashCompletion.h"
#include "cli/CommandHelp.h"
#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/Console.h"
#include "cli/Commands.h"
#include "cli/ExitCode.h"
#include "cli/HelpText.h"
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

void AddIndexListOptions(CLI::App& command, SaveOptions& options, bool required) {
    CLI::Option* keep =
        command.add_option("--keep", options.keep, "units to keep, in output order (original numbers), e.g. 2,0,3");
    CLI::Option* remove = command.add_option("--remove", options.remove, "units to remove, e.g. 1,4");
    keep->excludes(remove);
    remove->excludes(keep);
    keep->type_name("LIST");
    remove->type_name("LIST");
    if (required) {
        command.callback([keep, remove]() {
            if (keep->count() == 0 && remove->count() == 0) {
                throw CLI::ValidationError("which units? give --keep LIST or --remove LIST");
            }
        });
    }
}

void AddForceOption(CLI::App& command, bool& force) {
    command.add_flag("-y,--force", force, "replace the output file if it exists (never one of the inputs)");
}

// A command, its summary from its help (cli/CommandHelp.cpp).
CLI::App* AddCommand(CLI::App& app, const std::string& name) {
    const CommandHelp* help = FindCommandHelp(name);
    return app.add_subcommand(name, help != nullptr ? help->summary : std::string());
}

void AddOutputDirOption(CLI::App& command, std::string& folder, const std::string& naming) {
    command
        .add_option("-o,--output-dir", folder, "write one file per reel into DIR (made if missing), as DIR/" + naming)
        ->type_name("DIR");
}

std::string CommandList(const CLI::App& app) {
    std::string names;
    for (const CLI::App* command : app.get_subcommands({})) names += (names.empty() ? "" : ", ") + command->get_name();
    return names + " (clipreel help COMMAND)";
}

void AddSummaryOptions(CLI::App& command, SaveOptions& options) {
    command.add_flag("-n,--dry-run", options.dryRun, "print the resulting units, duration and size; write nothing");
    command.add_flag("--json", options.json, "print the summary as one JSON object");
}

// A mistake on the command line: one line that says it and how to mend it,
// then the usage line of the command.
int UsageError(const CLI::App* command, const std::string& problem) {
    std::fprintf(stderr, "clipreel: %s\n%s\n", problem.c_str(), UsageLine(command).c_str());
    return EXIT_USAGE;
}

int PrintHelp(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    return EXIT_OK;
}

// `clipreel help [COMMAND | --all | --bash-completion]`.
int RunHelp(const CLI::App& app, const std::vector<std::string>& topics) {
    if (topics.empty()) return PrintHelp(ToolHelpText(app));
    if (topics.size() > 1) return UsageError(nullptr, "help takes one command: clipreel help COMMAND");
    if (topics[0] == "--all") return PrintHelp(AllHelpText(app));
    if (topics[0] == "--bash-completion") return PrintHelp(BashCompletionScript(app));
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->get_name() == topics[0]) return PrintHelp(CommandHelpText(app, *command));
        names.push_back(command->get_name());
    }
    return UsageError(nullptr, "no command \"" + topics[0] + "\"" + DidYouMean(topics[0], names));
}

}

int main(int argc, char** argv) {
    InstallTerminationHandlers();
    CLI::App app{ToolSummary(), "clipreel"};
    app.set_version_flag("--version", std::string("clipreel ") + CLIPREEL_VERSION_TEXT, "print the version");
    app.set_help_flag("-h,--help", "print this help");
    app.require_subcommand(1);
    bool verbose = false;
    app.add_flag("-v,--verbose", verbose, "show the library's debug lines and the codecs' log lines");
    app.fallthrough();

    InfoOptions info;
    CLI::App* infoCommand = AddCommand(app, "info");
    infoCommand->add_option("FILE", info.files, "the movie files")->required();
    infoCommand->add_flag("--json", info.json,
                          "print one JSON object per file (an array for several; fields in the README)");

    SaveOptions edit;
    CLI::App* editCommand = AddCommand(app, "edit");
    editCommand->add_option("SRC", edit.source, "the Clipreel movie")->required();
    editCommand->add_option("DST", edit.destination, "the new movie file")->required();
    AddIndexListOptions(*editCommand, edit, true);
    AddForceOption(*editCommand, edit.force);
    AddSummaryOptions(*editCommand, edit);
    editCommand->add_flag("-q,--quiet", edit.quiet, "no progress and no summary");
    editCommand->add_flag("--keep-partial", edit.keepPartial, "keep the partial output after a failure or Ctrl-C");

    SaveOptions reference;
    reference.reference = true;
    CLI::App* referenceCommand = AddCommand(app, "reference");
    referenceCommand->add_option("SRC", reference.source, "the camera movie")->required();
    referenceCommand->add_option("DST", reference.destination, "the reference movie file")->required();
    AddIndexListOptions(*referenceCommand, reference, false);
    AddForceOption(*referenceCommand, reference.force);
    AddSummaryOptions(*referenceCommand, reference);
    referenceCommand->add_flag("-q,--quiet", reference.quiet, "no summary");
    referenceCommand->add_flag("--keep-partial", reference.keepPartial, "keep the partial output after a failure");

    ThumbnailOptions thumbnail;
    CLI::App* thumbnailCommand = AddCommand(app, "thumbnail");
    thumbnailCommand->add_option("REEL", thumbnail.operands, "the camera movie and its JPEG file, or with -o the reels")
        ->required();
    AddOutputDirOption(*thumbnailCommand, thumbnail.outputDir, "REEL.jpg");
    AddForceOption(*thumbnailCommand, thumbnail.force);

    SheetOptions sheet;
    CLI::App* sheetCommand = AddCommand(app, "sheet");
    sheetCommand->add_option("REEL", sheet.operands, "the Clipreel movie and its JPEG file, or with -o the reels")
        ->required();
    AddOutputDirOption(*sheetCommand, sheet.outputDir, "REEL-sheet.jpg");
    AddForceOption(*sheetCommand, sheet.force);
    sheetCommand->add_flag("-q,--quiet", sheet.quiet, "no progress");
    sheetCommand->add_option("--columns", sheet.columns, "pictures per row")
        ->capture_default_str()
        ->check(CLI::Range(1u, 64u).description(""))
        ->type_name("N");

    WavOptions wav;
    CLI::App* wavCommand = AddCommand(app, "wav");
    wavCommand->add_option("WAVFILE", wav.wavFile, "the WAV file")->required();
    wavCommand->add_option("--movie", wav.movie, "a camera movie to compare the sound format with")->type_name("FILE");
    wavCommand->add_flag("--json", wav.json, "print one JSON object");

    SampleOptions sample;
    CLI::App* sampleCommand = AddCommand(app, "sample");
    sampleCommand->add_option("DST", sample.destination, "the movie file to write")->required();
    sampleCommand->add_option("--units", sample.units, "shooting units")->capture_default_str()->type_name("N");
    sampleCommand->add_option("--seconds-per-unit", sample.secondsPerUnit, "length of a unit in seconds")
        ->capture_default_str()
        ->type_name("S");
    sampleCommand->add_option("--fps", sample.fps, "frame rate: 25, 29.97 or a fraction such as 30000/1001")
        ->capture_default_str()
        ->type_name("RATE");
    sampleCommand
        ->add_option("--gop", sample.groupOfPicture,
                     "frames per group of pictures (default: the largest divisor of a unit up to 15)")
        ->type_name("N");
    sampleCommand->add_option("--width", sample.width, "frame width")->capture_default_str()->type_name("N");
    sampleCommand->add_option("--height", sample.height, "frame height")->capture_default_str()->type_name("N");
    sampleCommand->add_flag("--no-sound", sample.noSound, "no sound track");
    sampleCommand->add_option("--sound-rate", sample.soundRate, "sound samples per second")
        ->capture_default_str()
        ->type_name("HZ");
    sampleCommand->add_option("--channels", sample.channels, "sound channels, 1 or 2")
        ->capture_default_str()
        ->type_name("N");
    sampleCommand->add_option("--bits", sample.bits, "bits per sound sample, 8 or 16")
        ->capture_default_str()
        ->type_name("N");
    sampleCommand
        ->add_option("--creator-version", sample.creatorVersion,
                     "the camera's creator version (6: SHORT record, 10: LONG record)")
        ->capture_default_str()
        ->type_name("N");
    sampleCommand
        ->add_option("--record", sample.recordKind,
                     "the camera record's kind, short or long, whatever the creator version (a reel the save "
                     "cannot refresh)")
        ->check(CLI::IsMember({"short", "long"}).description(""))
        ->type_name("KIND");
    sampleCommand
        ->add_option("--trailing-atom", sample.trailingAtomBytes,
                     "a 'free' atom with this many bytes after the media data (to cut a reel in)")
        ->type_name("BYTES");
    sampleCommand->add_flag("--dummy-frames", sample.dummyFrames, "placeholder frame bytes instead of H.264 (fast)");
    sampleCommand->add_flag("-q,--quiet", sample.quiet, "no summary");
    AddForceOption(*sampleCommand, sample.force);

    SplitOptions split;
    CLI::App* splitCommand = AddCommand(app, "split");
    splitCommand->add_option("REEL", split.source, "the Clipreel movie")->required();
    splitCommand->add_option("OUTDIR", split.folder, "the folder for REEL-u000.mov, REEL-u001.mov, ...")->required();
    splitCommand->add_option("--keep", split.keep, "units to write (original numbers), e.g. 0-3,7")->type_name("LIST");
    AddForceOption(*splitCommand, split.force);
    splitCommand->add_flag("-q,--quiet", split.quiet, "no progress and no summary");

    JoinOptions join;
    CLI::App* joinCommand = AddCommand(app, "join");
    joinCommand->add_option("OUT", join.destination, "the new movie file")->required();
    joinCommand->add_option("REEL", join.reels, "the reels, each optionally with its units: REEL.mov:0-3,7")
        ->required()
        ->expected(2, -1);
    AddForceOption(*joinCommand, join.force);
    joinCommand->add_flag("-q,--quiet", join.quiet, "no progress and no summary");

    SalvageOptions salvage;
    CLI::App* salvageCommand = AddCommand(app, "salvage");
    salvageCommand->add_option("DAMAGED", salvage.damaged, "the cut reel")->required();
    salvageCommand->add_option("OUT", salvage.destination, "the recovered reel")->required();
    AddForceOption(*salvageCommand, salvage.force);
    salvageCommand->add_flag("-q,--quiet", salvage.quiet, "no progress and no summary");

    ExportOptions exportMovie;
    CLI::App* exportCommand = AddCommand(app, "export");
    exportCommand->add_option("REEL", exportMovie.save.source, "the Clipreel movie")->required();
    exportCommand->add_option("OUT", exportMovie.save.destination, "the MP4 file to write")->required();
    AddIndexListOptions(*exportCommand, exportMovie.save, false);
    exportCommand
        ->add_option("--sound-bitrate", exportMovie.soundBitRate, "AAC bit rate, e.g. 128k (default: 96k a channel)")
        ->type_name("RATE");
    AddForceOption(*exportCommand, exportMovie.save.force);
    AddSummaryOptions(*exportCommand, exportMovie.save);
    exportCommand->add_flag("-q,--quiet", exportMovie.save.quiet, "no progress and no summary");

#ifdef CLIPREEL_WITH_STUDIO
    StudioOptions studio;
    CLI::App* studioCommand = AddCommand(app, "studio");
    studioCommand->add_option("REEL", studio.reels, "the Clipreel movies to edit, one tab each")->required();
    studioCommand->add_option("--port", studio.port, "the port to listen on (default: a free one)")
        ->check(CLI::Range(1, 65535).description(""))
        ->type_name("N");
    // The browser tests hold a save at its start so that they can press
    // Cancel while it runs; no one else needs it, so the help leaves it out.
    studioCommand->add_option("--hold-saves", studio.heldSave, "hold saves to files of this name until cancelled")
        ->type_name("NAME")
        ->group("");
#endif

    const CLI::App* named = nullptr;
    try {
        std::vector<std::string> arguments = CommandLineArguments(argc, argv);
        if (!arguments.empty() && arguments[0] == "help") {
            return RunHelp(app, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
        }
        const std::string problem = CheckCommandLine(app, arguments, named);
        if (!problem.empty()) return UsageError(named, problem);
        // The parser takes the arguments last first.
        std::reverse(arguments.begin(), arguments.end());
        app.parse(arguments);
    } catch (const CLI::CallForHelp&) {
        return PrintHelp(named != nullptr ? CommandHelpText(app, *named) : ToolHelpText(app));
    } catch (const CLI::CallForAllHelp&) {
        return PrintHelp(AllHelpText(app));
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        if (named == nullptr && error.get_exit_code() == static_cast<int>(CLI::ExitCodes::RequiredError)) {
            return UsageError(nullptr, "a command is needed: " + CommandList(app));
        }
        return UsageError(named, ParseErrorText(error));
    }
    if (thumbnailCommand->parsed()) {
        const std::string problem =
            PlanReelOutputs("thumbnail", thumbnail.operands, thumbnail.outputDir, ".jpg", thumbnail.outputs);
        if (!problem.empty()) return UsageError(thumbnailCommand, problem);
    }
    if (sheetCommand->parsed()) {
        const std::string problem =
            PlanReelOutputs("sheet", sheet.operands, sheet.outputDir, "-sheet.jpg", sheet.outputs);
        if (!problem.empty()) return UsageError(sheetCommand, problem);
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
