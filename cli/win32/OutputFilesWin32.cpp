#include "cli/OutputFiles.h"

#include "cli/CommandPaths.h"

#include <algorithm>
#include <system_error>
#include <windows.h>

namespace clipreel {
namespace cli {

namespace {

std::string Reason(DWORD error) {
    return SystemReason(std::error_code(static_cast<int>(error), std::system_category()));
}

bool IsExistsError(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

}

bool CreateNewFile(const std::filesystem::path& path, std::string& reason, bool& exists) {
    exists = false;
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        exists = IsExistsError(error);
        reason = Reason(error);
        return false;
    }
    CloseHandle(handle);
    return true;
}

bool MoveFile(const std::filesystem::path& from, const std::filesystem::path& to, bool replace,
              std::string& reason, bool& exists) {
    exists = false;
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(from.c_str(), to.c_str(), flags)) return true;
    const DWORD error = GetLastError();
    exists = IsExistsError(error);
    reason = Reason(error);
    return false;
}

bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& reason) {
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reason = Reason(GetLastError());
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            reason = Reason(GetLastError());
            CloseHandle(handle);
            return false;
        }
        done += written;
    }
    if (!CloseHandle(handle)) {
        reason = Reason(GetLastError());
        return false;
    }
    return true;
}

void RemoveFileNow(const NativeChar* path) {
    DeleteFileW(path);
}

void MoveFileNow(const NativeChar* from, const NativeChar* to) {
    MoveFileExW(from, to, 0);
}

}
}
