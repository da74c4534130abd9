#include "cli/CommandSupport.h"

#include "cli/ExitCode.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace clipreel {
namespace cli {

void Complain(const std::string& message) {
    std::fprintf(stderr, "clipreel: %s\n", message.c_str());
}

std::wstring WidePath(const std::string& path) {
    // Absolute, so that a reference movie's alias record can find the source
    // from wherever the reference movie is opened.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? std::filesystem::path(path).wstring() : absolute.wstring();
}

std::unique_ptr<CZentiMovFile> OpenCameraMovie(const std::string& path, bool needClipreel, int& exitCode) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        Complain("cannot read " + path + ": no such file");
        exitCode = EXIT_BAD_INPUT;
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        Complain("cannot read " + path + ": it is a folder");
        exitCode = EXIT_BAD_INPUT;
        return nullptr;
    }
    const std::wstring wide = WidePath(path);
    auto file = std::make_unique<CZentiMovFile>(FileLocator(wide.c_str()));
    if (!file->IsValid() || file->GetZentiMovie() == nullptr) {
        Complain(path + " is not a camera movie");
        exitCode = EXIT_BAD_INPUT;
        return nullptr;
    }
    if (needClipreel && !file->GetZentiMovie()->IsClipreelMovie(nullptr)) {
        Complain(path + " is not a Clipreel movie");
        exitCode = EXIT_BAD_INPUT;
        return nullptr;
    }
    exitCode = EXIT_OK;
    return file;
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    if (!out) {
        Complain("cannot create " + path);
        return false;
    }
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
        out.close();
        Complain("cannot write " + path);
        // Leave no half-written file behind; a device (such as /dev/full) is
        // never removed.
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) std::filesystem::remove(path, error);
        return false;
    }
    return true;
}

}
}
