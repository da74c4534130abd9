#include "cli/IndexRanges.h"

#include "cli/IndexList.h"

namespace clipreel {
namespace cli {

bool ParseKeepRanges(const std::string& text, unsigned unitCount, std::vector<unsigned>& kept, std::string& error) {
    // Each range is written out as the plain list it stands for, so that
    // the numbers and the whole list go through the one list parser.
    std::string plain;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        const std::size_t dash = item.find('-');
        std::string expanded = item;
        if (dash != std::string::npos) {
            std::vector<unsigned> bounds;
            if (!ParseIndexList(item.substr(0, dash) + "," + item.substr(dash + 1), bounds, error) ||
                bounds.size() != 2) {
                error = "\"" + item + "\" is not a range such as 0-3";
                return false;
            }
            if (bounds[0] >= unitCount || bounds[1] >= unitCount) {
                error = "the range " + item + " reaches past the last unit (" + std::to_string(unitCount - 1) + ")";
                return false;
            }
            expanded.clear();
            const int step = bounds[0] <= bounds[1] ? 1 : -1;
            for (long long i = bounds[0];; i += step) {
                if (!expanded.empty()) expanded += ",";
                expanded += std::to_string(i);
                if (i == bounds[1]) break;
            }
        }
        if (start > 0) plain += ",";
        plain += expanded;
        start = end + 1;
    }
    return ParseIndexList(plain, kept, error) && CheckKeepList(kept, unitCount, error);
}

}
}
