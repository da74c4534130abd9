#include "cli/Commands.h"

#include "cli/CommandSupport.h"
#include "cli/ExitCode.h"
#include "cli/FrameRateText.h"
#include "cli/SafeOutput.h"
#include "sample/SampleMovieWriter.h"  // the writer's own FourCC comes with it

#include <cmath>
#include <cstdio>
#include <exception>

namespace clipreel {
namespace cli {

namespace {

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
        Complain("invalid frame rate \"" + options.fps + "\": give frames per second (25, 29.97) or a fraction (30000/1001)");
        return EXIT_USAGE;
    }
    if (options.units == 0) {
        Complain("a reel needs at least one shooting unit");
        return EXIT_USAGE;
    }
    const double frames = std::round(options.secondsPerUnit * timeScale / frameDuration);
    if (!(frames >= 1.0) || frames > 65535.0) {
        Complain("--seconds-per-unit must give between 1 and 65535 frames per unit");
        return EXIT_USAGE;
    }
    const unsigned framesPerUnit = static_cast<unsigned>(frames);
    const unsigned group = options.groupOfPicture != 0 ? options.groupOfPicture : DefaultGroupOfPicture(framesPerUnit);
    if (framesPerUnit % group != 0) {
        Complain("--gop " + std::to_string(group) + " does not divide the " + std::to_string(framesPerUnit) +
                 " frames of a unit");
        return EXIT_USAGE;
    }
    if (options.width == 0 || options.height == 0 || options.width % 2 != 0 || options.height % 2 != 0 ||
        options.width > 4096 || options.height > 4096) {
        Complain("--width and --height must be even numbers from 2 to 4096");
        return EXIT_USAGE;
    }
    if (options.bits != 8 && options.bits != 16) {
        Complain("--bits must be 8 or 16");
        return EXIT_USAGE;
    }
    if (options.channels != 1 && options.channels != 2) {
        Complain("--channels must be 1 or 2");
        return EXIT_USAGE;
    }
    if (options.soundRate == 0 || options.soundRate > 65535) {
        Complain("--sound-rate must be from 1 to 65535 samples per second");
        return EXIT_USAGE;
    }
    if (options.creatorVersion < 6 || options.creatorVersion > 9999) {
        Complain("--creator-version must be 6 or more (Clipreel movies start at 6)");
        return EXIT_USAGE;
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

    if (!options.dummyFrames && !sample::HaveH264() && !options.quiet) {
        Complain("this build has no H.264 encoder: the frames are placeholder bytes that no player decodes");
    }
    SafeOutput output(options.destination, options.force, false);
    if (!output.Prepare({})) return output.FailureExitCode();
    sample::SampleMovieLayout layout;
    try {
        layout = sample::WriteSampleMovie(output.TemporaryPath(), spec);
    } catch (const std::exception& exception) {
        Complain("cannot write " + options.destination + ": " + exception.what());
        return EXIT_CANNOT_WRITE;
    }
    if (!output.Commit()) return output.FailureExitCode();
    if (!options.quiet) {
        std::printf("wrote %s: %u shooting units of %u frames at %u/%u, %s, %s frames, %llu bytes\n",
                    options.destination.c_str(), spec.units, framesPerUnit, timeScale, frameDuration,
                    spec.sound.present ? "with sound" : "no sound", layout.h264 ? "H.264" : "placeholder",
                    static_cast<unsigned long long>(layout.fileSize));
    }
    return EXIT_OK;
}

}
}
