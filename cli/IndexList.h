#ifndef CLIPREEL_CLI_INDEX_LIST_H
#define CLIPREEL_CLI_INDEX_LIST_H

#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// The index lists of --keep and --remove: "2,0,3", "0-3,7", "5-last",
// "last-0", "last-1-last". Each check fills error with a plain sentence and
// returns false; nothing reaches the library until the list is known to be
// one it applies whole, because the reel's own operations accept repeated or
// out-of-range entries and apply removals partly.

// Items separated by commas; blanks around them are allowed. An item is a
// unit or an inclusive range of units "a-b" (descending when b < a); a unit
// is a decimal number or "last" (the reel's last unit), which needs
// unitCount (0: not known, and then refused). "last-N", the unit N before
// the last, is an end of a range written with more dashes ("last-1-last",
// "0-last-1", "last-2-last-2"). "last-0" is the range from the last unit
// down to 0, the reel reversed; "last-N" alone for any other N could be
// either and is refused, with the spellings that say each.
bool ParseIndexList(const std::string& text, unsigned unitCount, std::vector<unsigned>& indices, std::string& error);
bool ParseIndexList(const std::string& text, std::vector<unsigned>& indices, std::string& error);

// The list as text, runs of three or more (up or down) as ranges:
// "0-3,7,5", "59-57".
std::string IndexRangesText(const std::vector<unsigned>& indices);

// A keep list: original indices in output order, each below unitCount, none
// repeated, at least one.
bool CheckKeepList(const std::vector<unsigned>& indices, unsigned unitCount, std::string& error);

// A remove list: current indices, each below unitCount, none repeated, and at
// least one unit left.
bool CheckRemoveList(const std::vector<unsigned>& indices, unsigned unitCount, std::string& error);

// The units kept, in output order, after removing these indices from 0..n-1.
std::vector<unsigned> KeptAfterRemoving(const std::vector<unsigned>& indices, unsigned unitCount);

}
}

#endif
