#include "CopyTestFixture.h"

#include "CopyTestAtoms.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace clipreel {
namespace test {

EClipreelMovFileEditorProgressCallbackResult ProgressRecorder::Callback(
    EClipreelMovFileEditorProgressCallbackMessage message, double value, void* userData) {
    auto* self = static_cast<ProgressRecorder*>(userData);
    self->calls.emplace_back(message, value);
    if (message == PROGRESS_MESSAGE_START) {
        switch (self->throwAtStart) {
        case Throw::RuntimeError: throw std::runtime_error("from the callback");
        case Throw::BadAlloc: throw std::bad_alloc();
        case Throw::InvalidArgument: throw std::invalid_argument("from the callback");
        case Throw::None: break;
        }
    }
    const bool cancel = static_cast<int>(self->calls.size()) - 1 == self->cancelAtCall;
    return cancel ? PROGRESS_RESULT_CANCEL : PROGRESS_RESULT_CONTINUE;
}

void ExpectUnchangedCopy(const std::vector<std::uint8_t>& source, std::uint64_t moovOffset,
                         const std::vector<std::uint8_t>& copy, std::uint32_t earliest, std::uint32_t latest) {
    ASSERT_EQ(copy.size(), source.size());
    const AtomRef moov = AtomAt(source, static_cast<std::size_t>(moovOffset));
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
