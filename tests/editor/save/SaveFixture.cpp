#include "tests/editor/save/SaveFixture.h"

#include "source/MoviePrivateAccess.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace clipreel {
namespace test {

unsigned SavedReelSource::FrameCount(const std::vector<unsigned>& units) const {
    unsigned frames = 0;
    for (unsigned unit : units) frames += static_cast<unsigned>(layout.units.at(unit).frames.size());
    return frames;
}

std::uint32_t BigU32(const Bytes& bytes, std::size_t offset) { return U32In(bytes, offset, true); }

std::uint32_t U32In(const Bytes& bytes, std::size_t offset, bool bigEndian) {
    if (offset + 4 > bytes.size()) {
        ADD_FAILURE() << "read past the end at " << offset;
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const int shift = bigEndian ? 24 - 8 * i : 8 * i;
        value |= std::uint32_t(bytes[offset + i]) << shift;
    }
    return value;
}

std::uint16_t U16In(const Bytes& bytes, std::size_t offset, bool bigEndian) {
    if (offset + 2 > bytes.size()) {
        ADD_FAILURE() << "read past the end at " << offset;
        return 0;
    }
    return bigEndian ? static_cast<std::uint16_t>((bytes[offset] << 8) | bytes[offset + 1])
                     : static_cast<std::uint16_t>((bytes[offset + 1] << 8) | bytes[offset]);
}

Bytes Slice(const Bytes& bytes, std::uint64_t offset, std::uint64_t size) {
    if (offset + size > bytes.size()) {
        ADD_FAILURE() << "slice past the end at " << offset;
        return Bytes();
    }
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

std::vector<TopAtom> TopLevelAtoms(const Bytes& file) {
    std::vector<TopAtom> atoms;
    std::uint64_t at = 0;
    while (at + 8 <= file.size()) {
        TopAtom atom;
        atom.offset = at;
        atom.size = BigU32(file, at);
        atom.type = BigU32(file, at + 4);
        if (atom.size < 8 || at + atom.size > file.size()) {
            ADD_FAILURE() << "top-level atom at " << at << " does not fit";
            break;
        }
        atoms.push_back(atom);
        at += atom.size;
    }
    EXPECT_EQ(file.size(), at) << "the atoms do not tile the file";
    return atoms;
}

TopAtom FindTopAtom(const Bytes& file, const char (&type)[5]) {
    const std::uint32_t code = (std::uint32_t(std::uint8_t(type[0])) << 24) | (std::uint32_t(std::uint8_t(type[1])) << 16) |
                               (std::uint32_t(std::uint8_t(type[2])) << 8) | std::uint32_t(std::uint8_t(type[3]));
    for (const TopAtom& atom : TopLevelAtoms(file))
        if (atom.type == code) return atom;
    ADD_FAILURE() << "no '" << type << "' atom";
    return TopAtom{};
}

Bytes ThumbnailOf(const CZentiMovie& movie) {
    unsigned size = 0;
    const void* data = MoviePrivateAccess::GetTHMData(movie, size);
    if (data == nullptr) return Bytes();
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return Bytes(bytes, bytes + size);
}

EClipreelMovFileEditorProgressCallbackResult ProgressLog::Callback(EClipreelMovFileEditorProgressCallbackMessage message,
                                                                   double value, void* userData) {
    auto* log = static_cast<ProgressLog*>(userData);
    log->calls.emplace_back(message, value);
    const bool cancel = log->cancelAtCall >= 0 && static_cast<int>(log->calls.size()) - 1 == log->cancelAtCall;
    return cancel ? PROGRESS_RESULT_CANCEL : PROGRESS_RESULT_CONTINUE;
}

std::string RunCommand(const std::string& command, int& status) {
    std::string output;
#if defined(_WIN32)
    FILE* pipe = _popen(command.c_str(), "rb");
#else
    FILE* pipe = popen(command.c_str(), "r");
#endif
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
#if defined(_WIN32)
    status = _pclose(pipe);
#else
    status = pclose(pipe);
#endif
    return output;
}

}
}
