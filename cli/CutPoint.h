#ifndef CLIPREEL_CLI_CUT_POINT_H
#define CLIPREEL_CLI_CUT_POINT_H

#include <string>

class CZentiMovFile;

namespace clipreel {
namespace cli {

// A camera movie that a copy cut exactly where one of its atoms ends has
// nothing half-written in it: it reads as a whole movie of another kind
// (cut where its media data end) or as a reference movie (cut right after
// its movie atom). What it is, as words after its name: "is truncated: 3000
// bytes, its camera record gives 3651"; empty for a file not cut so (a file
// that ends inside an atom is told by its atoms' sizes).
std::string DescribeCutAtAnAtomEnd(const std::string& path, const CZentiMovFile& file);

}
}

#endif
