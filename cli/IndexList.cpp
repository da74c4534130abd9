#include "cli/IndexList.h"

#include "cli/CountText.h"

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

// The tokens of one item, split at its dashes and trimmed: "last-1-5" is
// {"last", "1", "5"}.
std::vector<std::string> ItemTokens(const std::string& item) {
    std::vector<std::string> tokens;
    std::size_t start = 0;
    while (true) {
        const std::size_t dash = item.find('-', start);
        tokens.push_back(Trimmed(item.substr(start, dash == std::string::npos ? std::string::npos : dash - start)));
        if (dash == std::string::npos) return tokens;
        start = dash + 1;
    }
}

bool IsNumber(const std::string& token) {
    return !token.empty() && token.find_first_not_of("0123456789") == std::string::npos;
}

const std::string Last = "last";

// Reads one item's units: the ends of a range, each a number, "last" or,
// as the end of a range written with more than one dash, "last-N".
struct ItemReader {
    const std::string& text;  // the whole list, for the messages
    unsigned unitCount;

    bool Number(const std::string& token, unsigned& value, std::string& error) const {
        if (!IsNumber(token)) {
            error = InvalidListMessage(text);
            return false;
        }
        unsigned long long number = 0;
        for (const char c : token) {
            number = number * 10 + static_cast<unsigned>(c - '0');
            if (number > std::numeric_limits<unsigned>::max()) {
                error = "index " + token + " is out of range";
                return false;
            }
        }
        value = static_cast<unsigned>(number);
        return true;
    }

    bool LastUnit(unsigned& value, std::string& error) const {
        if (unitCount == 0) {
            error = "\"last\" needs a reel to count from";
            return false;
        }
        value = unitCount - 1;
        return true;
    }

    // A number or "last".
    bool Unit(const std::string& token, unsigned& value, std::string& error) const {
        if (token == Last) return LastUnit(value, error);
        return Number(token, value, error);
    }

    // "last-N": the unit N before the last.
    bool BeforeLast(const std::string& back, unsigned& value, std::string& error) const {
        unsigned steps = 0;
        if (!Number(back, steps, error) || !LastUnit(value, error)) return false;
        if (steps > value) {
            error = "last-" + back + " is before the first unit: the reel has " + CountText(unitCount, "shooting unit");
            return false;
        }
        value -= steps;
        return true;
    }

    // "last-N" alone reads two ways: the range from the last unit down to N,
    // as "last-0" (the reel reversed) is meant, or the one unit N before the
    // last. Only N = 0 has a single sensible reading; any other N is refused
    // with both spellings that say it plainly.
    bool LastDownTo(const std::string& item, const std::string& to, unsigned& first, unsigned& last,
                    std::string& error) const {
        if (!Number(to, last, error) || !LastUnit(first, error)) return false;
        if (last == 0) return true;
        error = "\"" + item + "\" is ambiguous: write \"" + std::to_string(first) + "-" + to +
                "\" for the units from the last down to " + to + ", or \"last-" + to + "-last-" + to +
                "\" for the one unit " + to + " before the last";
        return false;
    }

    // One item: a unit, or the two ends of a range.
    bool Item(const std::string& item, unsigned& first, unsigned& last, std::string& error) const {
        const std::vector<std::string> tokens = ItemTokens(item);
        bool read = false;
        switch (tokens.size()) {
        case 1:
            read = Unit(tokens[0], first, error);
            last = first;
            break;
        case 2:
            if (tokens[0] == Last && IsNumber(tokens[1])) return LastDownTo(item, tokens[1], first, last, error);
            read = Unit(tokens[0], first, error) && Unit(tokens[1], last, error);
            break;
        case 3:
            // "last-N-b" or "a-last-N"; "1-2-3" is no range.
            if (tokens[0] == Last && IsNumber(tokens[1])) {
                read = BeforeLast(tokens[1], first, error) && Unit(tokens[2], last, error);
            } else if (tokens[1] == Last && IsNumber(tokens[2])) {
                read = Unit(tokens[0], first, error) && BeforeLast(tokens[2], last, error);
            } else {
                error = InvalidListMessage(text);
            }
            break;
        case 4:
            if (tokens[0] == Last && tokens[2] == Last) {
                read = BeforeLast(tokens[1], first, error) && BeforeLast(tokens[3], last, error);
            } else {
                error = InvalidListMessage(text);
            }
            break;
        default: error = InvalidListMessage(text);
        }
        return read;
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
            error = "index " + std::to_string(index) + " is out of range: the reel has " + std::to_string(unitCount) +
                    (unitCount == 1 ? " shooting unit (index 0)"
                                    : " shooting units (0 to " + std::to_string(unitCount - 1) + ")");
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

bool ParseIndexList(const std::string& text, unsigned unitCount, std::vector<unsigned>& indices, std::string& error) {
    indices.clear();
    if (Trimmed(text).empty()) {
        error = "the index list is empty";
        return false;
    }
    std::vector<unsigned> parsed;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            Trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        const ItemReader reader{text, unitCount};
        unsigned first = 0;
        unsigned last = 0;
        if (!reader.Item(item, first, last, error)) return false;
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
        // A run goes up or down by one from its first unit on: "0-3", "59-57".
        std::size_t end = i + 1;
        if (end < indices.size() && indices[i] != 0 && indices[end] == indices[i] - 1) {
            while (end < indices.size() && indices[end - 1] != 0 && indices[end] == indices[end - 1] - 1) ++end;
        } else {
            while (end < indices.size() && indices[end] == indices[end - 1] + 1) ++end;
        }
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
