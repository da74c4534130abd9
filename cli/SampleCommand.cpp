#include "cli/Commands.h"

#include "cli/CommandPaths.h"
#include "cli/CommandSupport.h"
#include "cli/CountText.h"
#include "cli/ExitCode.h"
#include "cli/FrameRateText.h"
#include "cli/HelpText.h"
#include "cli/SafeOutput.h"
#include "sample/SampleMovieWriter.h"  // the writer's own FourCC comes with it

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <system_error>

namespace clipreel {
namespace cli {

namespace {

// A problem with the options: a usage error, with where to read about them.
int UsageProblem(const std::string& message) {
    Complain(message);
    std::fprintf(stderr, "%s\n", UsageLine("sample").c_str());
    return EXIT_USAGE;
}

unsigned DefaultGroupOfPicture(unsigned framesPerUnit) {
    // Every unit must begin with a key frame, so the group divides the unit.
    for (unsigned group = 15; group > 1; --group) {
        if (framesPerUnit % group == 0) return group;
    }
    return 1;
}

}

int RunSample(const SampleOptions& options) {
    std::uint32_t timeScale = 0;
    std::uint32_t frameDuration = 0;
    if (!ParseFrameRate(options.fps, timeScale, frameDuration)) {
        return UsageProblem("invalid frame rate \"" + options.fps + "\": give frames per second (25, 29.97) or a fraction (30000/1001)");
    }
    if (options.units == 0) {
        return UsageProblem("a reel needs at least one shooting unit");
    }
    const double frames = std::round(options.secondsPerUnit * timeScale / frameDuration);
    if (!(frames >= 1.0) || frames > 65535.0) {
        return UsageProblem("--seconds-per-unit must give between 1 and 65535 frames per unit");
    }
    const unsigned framesPerUnit = static_cast<unsigned>(frames);
    const unsigned group = options.groupOfPicture != 0 ? options.groupOfPicture : DefaultGroupOfPicture(framesPerUnit);
    if (framesPerUnit % group != 0) {
        return UsageProblem("--gop " + std::to_string(group) + " does not divide the " + std::to_string(framesPerUnit) +
                 " frames of a unit");
    }
    if (options.width == 0 || options.height == 0 || options.width % 2 != 0 || options.height % 2 != 0 ||
        options.width > 4096 || options.height > 4096) {
        return UsageProblem("--width and --height must be even numbers from 2 to 4096");
    }
    if (options.bits != 8 && options.bits != 16) {
        return UsageProblem("--bits must be 8 or 16");
    }
    if (options.channels != 1 && options.channels != 2) {
        return UsageProblem("--channels must be 1 or 2");
    }
    if (options.soundRate == 0 || options.soundRate > 65535) {
        return UsageProblem("--sound-rate must be from 1 to 65535 samples per second");
    }
    if (options.creatorVersion < 6 || options.creatorVersion > 9999) {
        return UsageProblem("--creator-version must be 6 or more (Clipreel movies start at 6)");
    }

    sample::SampleMovieSpec spec;
    spec.units = options.units;
    spec.framesPerUnit = framesPerUnit;
    spec.groupOfPicture = group;
    spec.timeScale = timeScale;
    spec.frameDuration = frameDuration;
    spec.width = options.width;
    spec.height = options.height;
    spec.frames = options.dummyFrames ? sample::FrameContent::Dummy : sample::FrameContent::H264;
    spec.sound.present = !options.noSound;
    spec.sound.format = options.bits == 8 ? FourCC("raw ") : FourCC("sowt");
    spec.sound.sampleRate = options.soundRate;
    spec.sound.channels = static_cast<std::uint16_t>(options.channels);
    spec.sound.bitsPerSample = static_cast<std::uint16_t>(options.bits);
    spec.creatorVersion = options.creatorVersion;
    if (!options.recordKind.empty()) {
        spec.recordKindFromVersion = false;
        spec.recordKind = options.recordKind == "long" ? sample::RecordKind::Long : sample::RecordKind::Short;
    }
    if (options.trailingAtomBytes != 0) {
        sample::ExtraAtom trailing;
        trailing.type = FourCC("free");
        trailing.payload.assign(options.trailingAtomBytes, 0);
        trailing.afterMediaData = true;
        spec.extraAtoms.push_back(trailing);
    }

    if (!options.dummyFrames && !sample::HaveH264() && !options.quiet) {
        Complain("this build has no H.264 encoder: the frames are placeholder bytes that no player decodes");
    }
    SafeOutput output(options.destination, options.force, false);
    if (!output.Prepare({})) return output.FailureExitCode();
    sample::SampleMovieLayout layout;
    errno = 0;
    try {
        layout = sample::WriteSampleMovie(output.TemporaryPath(), spec);
    } catch (const std::invalid_argument& exception) {
        // The writer refuses a combination no single check above catches.
        return UsageProblem(std::string("these options make no sample movie: ") + exception.what());
    } catch (const std::exception& exception) {
        // The writer names its temporary file; the reason is what matters.
        const int error = errno;
        Complain("cannot write " + options.destination + ": " +
                 (error != 0 ? SystemReason(std::error_code(error, std::generic_category())) : exception.what()));
        return EXIT_CANNOT_WRITE;
    }
    if (!output.Commit()) return output.FailureExitCode();
    if (!options.quiet) {
        std::printf("wrote %s: %s of %s at %s, %s, %s frames, %llu bytes\n", options.destination.c_str(),
                    CountText(spec.units, "shooting unit").c_str(), CountText(framesPerUnit, "frame").c_str(),
                    FrameRateText(timeScale, frameDuration).c_str(), spec.sound.present ? "with sound" : "no sound",
                    layout.h264 ? "H.264" : "placeholder", static_cast<unsigned long long>(layout.fileSize));
    }
    return EXIT_OK;
}

}
}
