#ifndef CLIPREEL_FUZZ_FUZZ_FILES_H
#define CLIPREEL_FUZZ_FUZZ_FILES_H

#include "tests/support/MemoryFileLayer.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace clipreel {
namespace fuzz {

// The fuzzing process's files, in memory behind the platform file layer:
// one input costs a copy, not a trip to the disk.
class FuzzFiles {
public:
    FuzzFiles() { platform::InstallFileLayer(&files); }
    ~FuzzFiles() { platform::InstallFileLayer(nullptr); }
    FuzzFiles(const FuzzFiles&) = delete;
    FuzzFiles& operator=(const FuzzFiles&) = delete;

    // Forgets the last input's files and holds this one at path.
    void Hold(const std::wstring& path, const std::uint8_t* data, std::size_t size) {
        files.Clear();
        files.SetFile(path, data, size);
    }
    const test::MemoryFileLayer& Layer() const { return files; }

private:
    test::MemoryFileLayer files;
};

inline FuzzFiles& Files() {
    static FuzzFiles files;
    return files;
}

}
}

#endif
