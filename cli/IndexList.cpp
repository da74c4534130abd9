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

// A reel never holds more units than this; a list longer is a typing slip
// such as "0-4000000000", refused before it fills memory.
constexpr std::size_t MaximumListLength = 1u << 20;

std::string InvalidListMessage(const std::string& text) {
    return "invalid index list \"" + text +
           "\": expected unit numbers or ranges separated by commas, such as 0-3,7 or 2-last";
}

// Reads the units of one item, from position on.
struct ItemReader {
    const std::string& item;
    std::size_t position;
    unsigned unitCount;
    const std::string& text;  // the whole list, for the message

    void SkipBlanks() {
        while (position < item.size() && std::isspace(static_cast<unsigned char>(item[position]))) ++position;
    }

    bool Number(unsigned& value, std::string& error) {
        const std::size_t begin = position;
        unsigned long long number = 0;
        while (position < item.size() && std::isdigit(static_cast<unsigned char>(item[position]))) {
            number = number * 10 + static_cast<unsigned>(item[position] - '0');
            if (number > std::numeric_limits<unsigned>::max()) {
                while (position < item.size() && std::isdigit(static_cast<unsigned char>(item[position]))) ++position;
                error = "index " + item.substr(begin, position - begin) + " is out of range";
                return false;
            }
            ++position;
        }
        if (position == begin) {
            error = InvalidListMessage(text);
            return false;
        }
        value = static_cast<unsigned>(number);
        return true;
    }

    // A number, "last" or "last-N".
    bool Unit(unsigned& value, std::string& error) {
        static const std::string Last = "last";
        if (item.compare(position, Last.size(), Last) != 0) return Number(value, error);
        position += Last.size();
        if (unitCount == 0) {
            error = "\"last\" needs a reel to count from";
            return false;
        }
        value = unitCount - 1;
        // "last-N", unless the '-' starts a range ("last-2-last" is the last three).
        const std::size_t afterLast = position;
        SkipBlanks();
        if (position < item.size() && item[position] == '-') {
            ++position;
            SkipBlanks();
            if (position < item.size() && std::isdigit(static_cast<unsigned char>(item[position]))) {
                const std::size_t numberStart = position;
                unsigned back = 0;
                if (!Number(back, error)) return false;
                if (back > value) {
                    error = "last-" + item.substr(numberStart, position - numberStart) +
                            " is before the first unit: the reel has " + std::to_string(unitCount) +
                            (unitCount == 1 ? " shooting unit" : " shooting units");
                    return false;
                }
                value -= back;
                return true;
            }
        }
        position = afterLast;
        return true;
    }
};

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

bool ParseIndexList(const std::string& text, unsigned unitCount, std::vector<unsigned>& indices,
                    std::string& error) {
    indices.clear();
    if (Trimmed(text).empty()) {
        error = "the index list is empty";
        return false;
    }
    std::vector<unsigned> parsed;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = Trimmed(text.substr(start, comma == std::string::npos ? std::string::npos
                                                                                        : comma - start));
        ItemReader reader{item, 0, unitCount, text};
        unsigned first = 0;
        unsigned last = 0;
        if (!reader.Unit(first, error)) return false;
        last = first;
        reader.SkipBlanks();
        if (reader.position < item.size() && item[reader.position] == '-') {
            ++reader.position;
            reader.SkipBlanks();
            if (!reader.Unit(last, error)) return false;
        }
        if (reader.position != item.size()) {
            error = InvalidListMessage(text);
            return false;
        }
        const unsigned long long length = (first <= last ? last - first : first - last) + 1ull;
        if (length > MaximumListLength - parsed.size()) {
            error = "the index list names more than " + std::to_string(MaximumListLength) + " units";
            return false;
        }
        for (unsigned long long step = 0; step < length; ++step) {
            parsed.push_back(static_cast<unsigned>(first <= last ? first + step : first - step));
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    indices.swap(parsed);
    return true;
}

bool ParseIndexList(const std::string& text, std::vector<unsigned>& indices, std::string& error) {
    return ParseIndexList(text, 0, indices, error);
}

std::string IndexRangesText(const std::vector<unsigned>& indices) {
    std::string text;
    std::size_t i = 0;
    while (i < indices.size()) {
        std::size_t end = i + 1;
        while (end < indices.size() && indices[end] == indices[end - 1] + 1) ++end;
        if (!text.empty()) text += ",";
        if (end - i >= 3) {
            text += std::to_string(indices[i]) + "-" + std::to_string(indices[end - 1]);
        } else {
            end = i + 1;
            text += std::to_string(indices[i]);
        }
        i = end;
    }
    return text;
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
