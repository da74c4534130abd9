#ifndef CLIPREEL_CLI_COUNT_TEXT_H
#define CLIPREEL_CLI_COUNT_TEXT_H

#include <cstdint>
#include <string>

namespace clipreel {
namespace cli {

// A count and its noun, singular for one: "1 shooting unit", "2 shooting
// units", "1 channel", "4 bytes". The plural adds "s" unless given.
std::string CountText(std::uint64_t count, const std::string& singular, const std::string& plural = std::string());

}
}

#endif
