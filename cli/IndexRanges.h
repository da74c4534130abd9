#ifndef CLIPREEL_CLI_INDEX_RANGES_H
#define CLIPREEL_CLI_INDEX_RANGES_H

#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// A keep list that may hold ranges, "0-3,7" for 0,1,2,3,7 (a range running
// down, "3-1", is 3,2,1), checked as a keep list of a reel of unitCount
// units (cli/IndexList.h). False with a plain sentence in error otherwise.
bool ParseKeepRanges(const std::string& text, unsigned unitCount, std::vector<unsigned>& kept, std::string& error);

}
}

#endif
