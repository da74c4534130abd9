#include "cli/IndexList.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace clipreel {
namespace cli {

namespace {

std::string Trimmed(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

bool CheckRangeAndRepeats(const std::vector<unsigned>& indices, unsigned unitCount, std::string& error) {
    if (indices.empty()) {
        error = "the index list is empty";
        return false;
    }
    std::vector<bool> seen(unitCount, false);
    for (unsigned index : indices) {
        if (index >= unitCount) {
            error = "index " + std::to_string(index) + " is out of range: the reel has " +
                    std::to_string(unitCount) + (unitCount == 1 ? " shooting unit (index 0)"
                                                                : " shooting units (0 to " +
                                                                      std::to_string(unitCount - 1) + ")");
            return false;
        }
        if (seen[index]) {
            error = "index " + std::to_string(index) + " is listed twice";
            return false;
        }
        seen[index] = true;
    }
    return true;
}

}

bool ParseIndexList(const std::string& text, std::vector<unsigned>& indices, std::string& error) {
    indices.clear();
    if (Trimmed(text).empty()) {
        error = "the index list is empty";
        return false;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = Trimmed(text.substr(start, comma == std::string::npos ? std::string::npos
                                                                                        : comma - start));
        const bool digits = !item.empty() && std::all_of(item.begin(), item.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        });
        if (!digits) {
            error = "invalid index list \"" + text + "\": expected unit numbers separated by commas, such as 2,0,3";
            return false;
        }
        unsigned long long value = 0;
        for (char c : item) {
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > std::numeric_limits<unsigned>::max()) {
                error = "index " + item + " is out of range";
                return false;
            }
        }
        indices.push_back(static_cast<unsigned>(value));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

bool CheckKeepList(const std::vector<unsigned>& indices, unsigned unitCount, std::string& error) {
    return CheckRangeAndRepeats(indices, unitCount, error);
}

bool CheckRemoveList(const std::vector<unsigned>& indices, unsigned unitCount, std::string& error) {
    if (!CheckRangeAndRepeats(indices, unitCount, error)) return false;
    if (indices.size() >= unitCount) {
        error = "cannot remove every shooting unit: at least one must remain";
        return false;
    }
    return true;
}

std::vector<unsigned> KeptAfterRemoving(const std::vector<unsigned>& indices, unsigned unitCount) {
    std::vector<unsigned> kept;
    for (unsigned unit = 0; unit < unitCount; ++unit) {
        if (std::find(indices.begin(), indices.end(), unit) == indices.end()) kept.push_back(unit);
    }
    return kept;
}

}
}
