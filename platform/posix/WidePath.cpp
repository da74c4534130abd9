#include "platform/posix/WidePath.h"

#include "platform/UnicodeText.h"

namespace clipreel {
namespace platform {

bool WidePathToUtf8(const wchar_t* path, std::string& out) {
    if (path == nullptr) return false;
    return WidePathToBytes(std::wstring(path), out);
}

}
}
