#include "cli/IndexRanges.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace cli {
namespace {

TEST(IndexRanges, ExpandsRangesAndChecksTheWholeList) {
    struct Case {
        const char* text;
        unsigned units;
        std::vector<unsigned> kept;  // empty: refused
        const char* error;
    };
    const std::vector<Case> cases = {
        {"0-3,7", 8, {0, 1, 2, 3, 7}, ""},
        {"3-1", 4, {3, 2, 1}, ""},
        {"2", 3, {2}, ""},
        {" 1 - 2 , 0", 3, {1, 2, 0}, ""},
        {"0-9", 4, {}, "the range 0-9 reaches past the last unit (3)"},
        {"1-", 4, {}, "\"1-\" is not a range such as 0-3"},
        {"0-2,1", 4, {}, "index 1 is listed twice"},
        {"", 4, {}, "the index list is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<unsigned> kept;
        std::string error;
        EXPECT_EQ(!c.kept.empty(), ParseKeepRanges(c.text, c.units, kept, error));
        if (c.kept.empty()) {
            EXPECT_EQ(c.error, error);
        } else {
            EXPECT_EQ(c.kept, kept);
        }
    }
}

}
}
}
