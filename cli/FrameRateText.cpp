#include "cli/FrameRateText.h"

#include <cmath>
#include <cstdlib>
#include <numeric>

namespace clipreel {
namespace cli {

namespace {

bool ParseWhole(const std::string& text, std::uint32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    value = static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    return value != 0;
}

}

bool ParseFrameRate(const std::string& text, std::uint32_t& timeScale, std::uint32_t& frameDuration) {
    const std::size_t slash = text.find('/');
    if (slash != std::string::npos) {
        return ParseWhole(text.substr(0, slash), timeScale) && ParseWhole(text.substr(slash + 1), frameDuration);
    }
    struct Named {
        const char* text;
        std::uint32_t timeScale;
        std::uint32_t frameDuration;
    };
    static const Named named[] = {{"23.976", 24000, 1001}, {"29.97", 30000, 1001}, {"59.94", 60000, 1001}};
    for (const Named& rate : named) {
        if (text == rate.text) {
            timeScale = rate.timeScale;
            frameDuration = rate.frameDuration;
            return true;
        }
    }
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.')) {
        return false;
    }
    const double fps = std::strtod(text.c_str(), nullptr);
    if (!(fps > 0.0) || fps > 1000.0) return false;
    const double thousandths = std::round(fps * 1000.0);
    if (thousandths < 1.0) return false;
    timeScale = static_cast<std::uint32_t>(thousandths);
    frameDuration = 1000;
    return true;
}

std::string FrameRateText(std::uint32_t timeScale, std::uint32_t frameDuration) {
    if (timeScale == 0 || frameDuration == 0) return "unknown";
    const std::uint32_t divisor = std::gcd(timeScale, frameDuration);
    const std::string frames = std::to_string(timeScale / divisor);
    return frameDuration == divisor ? frames : frames + "/" + std::to_string(frameDuration / divisor);
}

}
}
