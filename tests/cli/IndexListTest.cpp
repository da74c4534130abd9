#include "cli/IndexList.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace cli {
namespace {

TEST(IndexListParse, ReadsNumbersSeparatedByCommas) {
    struct Case {
        const char* text;
        std::vector<unsigned> expected;
    };
    const Case cases[] = {
        {"0", {0}},
        {"2,0,3", {2, 0, 3}},
        {" 4 , 1 ", {4, 1}},
        {"10,9", {10, 9}},
        {"4294967295", {4294967295u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<unsigned> indices;
        std::string error;
        ASSERT_TRUE(ParseIndexList(c.text, indices, error)) << error;
        EXPECT_EQ(indices, c.expected);
    }
}

// Ranges and counting from the end, against a reel of ten units.
TEST(IndexListParse, ReadsRangesAndCountsFromTheEnd) {
    struct Case {
        const char* text;
        std::vector<unsigned> expected;
    };
    const Case cases[] = {
        {"0-3,7", {0, 1, 2, 3, 7}},
        {"3-0", {3, 2, 1, 0}},
        {"2-2", {2}},
        {" 1 - 3 , 9 ", {1, 2, 3, 9}},
        {"last", {9}},
        {"7-last", {7, 8, 9}},
        {"last-2-last", {7, 8, 9}},
        {"last-last", {9}},
        {"last-0", {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
        {" last - 0 ", {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
        {"last-1-last-1", {8}},
        {"last-9-last-9,0-1", {0, 0, 1}},
        {"0-last-8", {0, 1}},
        {"last-2-last-4", {7, 6, 5}},
        {"last - 1 - 6", {8, 7, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<unsigned> indices;
        std::string error;
        ASSERT_TRUE(ParseIndexList(c.text, 10, indices, error)) << error;
        EXPECT_EQ(indices, c.expected);
    }
}

TEST(IndexListParse, RefusesBadRangesAndCounts) {
    struct Case {
        const char* text;
        unsigned unitCount;
        std::string error;
    };
    const std::string invalid = ": expected unit numbers or ranges separated by commas, such as 0-3,7 or 2-last";
    const Case cases[] = {
        {"last-10-last", 10, "last-10 is before the first unit: the reel has 10 shooting units"},
        {"last-1-last", 1, "last-1 is before the first unit: the reel has 1 shooting unit"},
        // "last-N" alone: the units from the last down to N, or the unit N
        // before the last? Only "last-0" is read without asking.
        {"last-1", 10, "\"last-1\" is ambiguous: write \"9-1\" for the units from the last down to 1, or "
                       "\"last-1-last-1\" for the one unit 1 before the last"},
        {"0,last-8", 10, "\"last-8\" is ambiguous: write \"9-8\" for the units from the last down to 8, or "
                         "\"last-8-last-8\" for the one unit 8 before the last"},
        {"last-0", 0, "\"last\" needs a reel to count from"},
        {"1-last-2-3", 10, "invalid index list \"1-last-2-3\"" + invalid},
        {"last-x-2", 10, "invalid index list \"last-x-2\"" + invalid},
        {"last", 0, "\"last\" needs a reel to count from"},
        {"1-", 10, "invalid index list \"1-\"" + invalid},
        {"-3", 10, "invalid index list \"-3\"" + invalid},
        {"1-2-3", 10, "invalid index list \"1-2-3\"" + invalid},
        {"lastly", 10, "invalid index list \"lastly\"" + invalid},
        {"0-4000000000", 10, "the index list names more than 1048576 units"},
        {"0-4294967296", 10, "index 4294967296 is out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<unsigned> indices = {5};
        std::string error;
        EXPECT_FALSE(ParseIndexList(c.text, c.unitCount, indices, error));
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(indices.empty());
    }
}

// Summaries: runs of three or more, up or down, as ranges; the rest as numbers.
TEST(IndexListText, WritesRunsAsRanges) {
    struct Case {
        std::vector<unsigned> indices;
        const char* text;
    };
    const Case cases[] = {
        {{}, ""},
        {{4}, "4"},
        {{0, 1}, "0,1"},
        {{0, 1, 2, 3}, "0-3"},
        {{0, 1, 2, 3, 7}, "0-3,7"},
        {{0, 2, 3}, "0,2,3"},
        {{3, 2, 1, 0}, "3-0"},
        {{59, 58, 57}, "59-57"},
        {{2, 1}, "2,1"},
        {{1, 0, 1, 2}, "1,0-2"},
        {{0, 1, 2, 1, 0}, "0-2,1,0"},
        {{7, 6, 5, 9, 10, 11, 3}, "7-5,9-11,3"},
        {{5, 6, 7, 0, 1, 2}, "5-7,0-2"},
        {{9, 0, 1}, "9,0,1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IndexRangesText(c.indices), c.text);
    }
}

TEST(IndexListParse, RefusesWhatIsNotAList) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"", "the index list is empty"},
        {"  ", "the index list is empty"},
        {"1,,2", "invalid index list \"1,,2\": expected unit numbers or ranges separated by commas, such as 0-3,7 or 2-last"},
        {"1,", "invalid index list \"1,\": expected unit numbers or ranges separated by commas, such as 0-3,7 or 2-last"},
        {"-1", "invalid index list \"-1\": expected unit numbers or ranges separated by commas, such as 0-3,7 or 2-last"},
        {"a,b", "invalid index list \"a,b\": expected unit numbers or ranges separated by commas, such as 0-3,7 or 2-last"},
        {"1 2", "invalid index list \"1 2\": expected unit numbers or ranges separated by commas, such as 0-3,7 or 2-last"},
        {"4294967296", "index 4294967296 is out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<unsigned> indices;
        std::string error;
        EXPECT_FALSE(ParseIndexList(c.text, indices, error));
        EXPECT_EQ(error, c.error);
    }
}

// The reel's own operations take repeats and out-of-range entries and may
// apply a removal list partly; the tool refuses such lists before the reel
// sees them.
TEST(IndexListCheck, KeepAndRemoveListsAgainstTheReel) {
    struct Case {
        bool remove;
        std::vector<unsigned> indices;
        unsigned units;
        const char* error;  // null: accepted
    };
    const Case cases[] = {
        {false, {2, 0, 1}, 3, nullptr},
        {false, {1}, 3, nullptr},
        {false, {0, 3}, 3, "index 3 is out of range: the reel has 3 shooting units (0 to 2)"},
        {false, {1, 0, 1}, 3, "index 1 is listed twice"},
        {false, {}, 3, "the index list is empty"},
        {false, {1}, 1, "index 1 is out of range: the reel has 1 shooting unit (index 0)"},
        {true, {1}, 3, nullptr},
        {true, {2, 0}, 3, nullptr},
        {true, {0, 1, 2}, 3, "cannot remove every shooting unit: at least one must remain"},
        {true, {1, 1}, 3, "index 1 is listed twice"},
        {true, {7, 0}, 3, "index 7 is out of range: the reel has 3 shooting units (0 to 2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.remove ? "remove" : "keep") << " of " << c.indices.size()
                                        << " on " << c.units << " units");
        std::string error;
        const bool accepted = c.remove ? CheckRemoveList(c.indices, c.units, error)
                                       : CheckKeepList(c.indices, c.units, error);
        EXPECT_EQ(accepted, c.error == nullptr);
        EXPECT_EQ(error, c.error == nullptr ? "" : c.error);
    }
}

TEST(IndexListCheck, KeptAfterRemovingKeepsTheOthersInOrder) {
    EXPECT_EQ(KeptAfterRemoving({1}, 3), (std::vector<unsigned>{0, 2}));
    EXPECT_EQ(KeptAfterRemoving({4, 0}, 5), (std::vector<unsigned>{1, 2, 3}));
    EXPECT_EQ(KeptAfterRemoving({}, 2), (std::vector<unsigned>{0, 1}));
}

}
}
}
