#include "cli/OutputFiles.h"

#include "cli/CommandPaths.h"

#include <algorithm>
#include <random>
#include <system_error>
#include <windows.h>

// Windows has no unnamed files: a temporary has its hidden name from the
// start, and the writer opens it by that name (sharing nothing while it
// writes).

namespace clipreel {
namespace cli {

namespace {

std::string Reason(DWORD error) {
    return SystemReason(std::error_code(static_cast<int>(error), std::system_category()));
}

bool IsExistsError(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

std::uint32_t FreshTag() {
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint32_t>(generator());
}

// Opens the file itself, never what a reparse point (a link) leads to.
HANDLE OpenOwn(const std::filesystem::path& path, DWORD access, DWORD disposition) {
    return CreateFileW(path.c_str(), access, 0, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool WriteWhole(HANDLE handle, const std::vector<std::uint8_t>& bytes, std::string& reason) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            reason = Reason(GetLastError());
            return false;
        }
        done += written;
    }
    return true;
}

bool WriteAndClose(HANDLE handle, const std::vector<std::uint8_t>& bytes, std::string& reason) {
    if (handle == INVALID_HANDLE_VALUE) {
        reason = Reason(GetLastError());
        return false;
    }
    if (!WriteWhole(handle, bytes, reason)) {
        CloseHandle(handle);
        return false;
    }
    if (!CloseHandle(handle)) {
        reason = Reason(GetLastError());
        return false;
    }
    return true;
}

}

struct TemporaryFile::State {
    std::filesystem::path name;
};

TemporaryFile::TemporaryFile(std::unique_ptr<State> opened) : state(std::move(opened)) {}

TemporaryFile::~TemporaryFile() = default;

std::unique_ptr<TemporaryFile> TemporaryFile::CreateBeside(const std::filesystem::path& target, std::string& reason) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = TemporaryNameBeside(target, FreshTag());
        const HANDLE handle = OpenOwn(candidate, GENERIC_WRITE, CREATE_NEW);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            auto state = std::make_unique<State>();
            state->name = candidate;
            return std::unique_ptr<TemporaryFile>(new TemporaryFile(std::move(state)));
        }
        const DWORD error = GetLastError();
        if (!IsExistsError(error)) {
            reason = Reason(error);
            return nullptr;
        }
    }
    reason = Reason(ERROR_FILE_EXISTS);
    return nullptr;
}

const std::filesystem::path& TemporaryFile::WritePath() const { return state->name; }

const std::filesystem::path& TemporaryFile::Name() const { return state->name; }

bool TemporaryFile::WriteAll(const std::vector<std::uint8_t>& bytes, std::string& reason) {
    return WriteAndClose(OpenOwn(state->name, GENERIC_WRITE, TRUNCATE_EXISTING), bytes, reason);
}

std::vector<std::uint8_t> TemporaryFile::FirstBytes() const {
    std::vector<std::uint8_t> bytes(8);
    DWORD read = 0;
    const HANDLE handle = OpenOwn(state->name, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE || !ReadFile(handle, bytes.data(), 8, &read, nullptr)) read = 0;
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    bytes.resize(read);
    return bytes;
}

std::string TemporaryFile::SizeLimitReason() const {
    return {};  // Windows sets no file-size limit on a process
}

bool TemporaryFile::Flush(std::string& reason) {
    const HANDLE handle = OpenOwn(state->name, GENERIC_WRITE, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
        reason = Reason(GetLastError());
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        return false;
    }
    CloseHandle(handle);
    return true;
}

bool TemporaryFile::GiveHiddenName(std::string&) { return true; }

bool TemporaryFile::Place(const std::filesystem::path& target, bool replace, std::string& reason, bool& exists) {
    exists = false;
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(state->name.c_str(), target.c_str(), flags)) {
        state->name.clear();
        return true;
    }
    const DWORD error = GetLastError();
    exists = IsExistsError(error);
    reason = Reason(error);
    return false;
}

bool TemporaryFile::SyncFolder(std::string&) {
    return true;  // MOVEFILE_WRITE_THROUGH: the move was on the disk when it returned
}

void TemporaryFile::Remove() {
    if (state->name.empty()) return;
    DeleteFileW(state->name.c_str());
    state->name.clear();
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& reason) {
    return WriteAndClose(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr), bytes,
        reason);
}

void UseNamedTemporariesOnly(bool) {}

void RemoveFileNow(const NativeChar* path) { DeleteFileW(path); }

void MoveFileNow(const NativeChar* from, const NativeChar* to) { MoveFileExW(from, to, 0); }

void LinkFileNow(const NativeChar*, const NativeChar*) {}

}
}
