#include "tests/editor/copy/CopyTestFixture.h"

#include <gtest/gtest.h>

namespace clipreel {
namespace test {

void ExpectUnchangedCopy(const std::vector<std::uint8_t>& source, std::uint64_t moovOffset,
                         const std::vector<std::uint8_t>& copy, std::uint32_t earliest, std::uint32_t latest) {
    ASSERT_EQ(copy.size(), source.size());
    const Atom moov = AtomWalk(source).At(static_cast<std::size_t>(moovOffset));
    ASSERT_TRUE(moov.found);
    ASSERT_EQ(moov.type, Code("moov"));
    const std::vector<std::size_t> fields = ModificationTimeFields(source, moov);
    ASSERT_FALSE(fields.empty());
    const std::uint32_t stamped = U32At(copy, fields.front());
    EXPECT_GE(stamped, earliest);
    EXPECT_LE(stamped, latest);
    std::vector<std::uint8_t> expected = source;
    for (std::size_t field : fields) {
        // The sample writer's own times lie far in the past.
        EXPECT_NE(U32At(source, field), stamped) << "field at " << field;
        PutU32At(expected, field, stamped);
    }
    EXPECT_TRUE(copy == expected) << "the copy differs from the source beyond its modification times";
}

}
}
