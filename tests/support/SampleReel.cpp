#include "tests/support/SampleReel.h"

#include "source/MoviePrivateAccess.h"

#include <new>
#include <stdexcept>

namespace clipreel {
namespace test {

unsigned SampleReel::FrameCount(const std::vector<unsigned>& units) const {
    unsigned frames = 0;
    for (unsigned unit : units) frames += static_cast<unsigned>(layout.units.at(unit).frames.size());
    return frames;
}

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
    const bool cancel = self->cancelAtCall >= 0 && static_cast<int>(self->calls.size()) - 1 == self->cancelAtCall;
    return cancel ? PROGRESS_RESULT_CANCEL : PROGRESS_RESULT_CONTINUE;
}

std::vector<std::uint8_t> MovieBytes(const CZentiMovie& movie) {
    const auto* header = reinterpret_cast<const std::uint8_t*>(MoviePrivateAccess::GetAtomHeader(movie));
    const unsigned size = MoviePrivateAccess::GetAtomSize(movie);
    if (header == nullptr) return {};
    return std::vector<std::uint8_t>(header, header + size);
}

std::vector<std::uint8_t> ThumbnailOf(const CZentiMovie& movie) {
    unsigned size = 0;
    const void* data = MoviePrivateAccess::GetTHMData(movie, size);
    if (data == nullptr) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

}
}
