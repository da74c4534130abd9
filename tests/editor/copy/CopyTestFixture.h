#ifndef CLIPREEL_TESTS_EDITOR_COPY_COPY_TEST_FIXTURE_H
#define CLIPREEL_TESTS_EDITOR_COPY_COPY_TEST_FIXTURE_H

#include "tests/support/AtomWalk.h"
#include "tests/support/SampleReel.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
#include <vector>

namespace clipreel {
namespace test {

// The bytes of a file as the unchanged copy must write them: the source's,
// with every modification time in its movie atom set to the value found in
// the copy, which must lie in [earliest, latest] and be the same everywhere.
void ExpectUnchangedCopy(const std::vector<std::uint8_t>& source, std::uint64_t moovOffset,
                         const std::vector<std::uint8_t>& copy, std::uint32_t earliest, std::uint32_t latest);

}
}

#endif
