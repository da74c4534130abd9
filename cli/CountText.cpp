#include "cli/CountText.h"

namespace clipreel {
namespace cli {

std::string CountText(std::uint64_t count, const std::string& singular, const std::string& plural) {
    const std::string& noun = count == 1 ? singular : plural.empty() ? singular + "s" : plural;
    return std::to_string(count) + " " + noun;
}

}
}
