#ifndef CLIPREEL_CLI_FRAME_RATE_TEXT_H
#define CLIPREEL_CLI_FRAME_RATE_TEXT_H

#include <cstdint>
#include <string>

namespace clipreel {
namespace cli {

// A frame rate as given on the command line: "30000/1001" (a time scale and a
// frame duration), one of the video rates 23.976, 29.97 and 59.94 (their
// exact NTSC fractions), or a decimal number of frames per second (in
// thousandths: 25 is 25000/1000). False for anything else or a zero part.
bool ParseFrameRate(const std::string& text, std::uint32_t& timeScale, std::uint32_t& frameDuration);

// Frames per second as a fraction in lowest terms, a whole number without
// its "/1": "25" for 25000/1000, "30000/1001", "25/2"; "unknown" for a zero
// part.
std::string FrameRateText(std::uint32_t timeScale, std::uint32_t frameDuration);

}
}

#endif
