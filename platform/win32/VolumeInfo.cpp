#include "platform/VolumeInfo.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <climits>
#include <vector>

namespace clipreel {
namespace platform {

namespace {

class Win32VolumeServices : public VolumeServices {
public:
    bool QueryVolume(const std::wstring& rootPath, std::wstring& label, std::uint32_t& serialNumber) override {
        wchar_t name[MAX_PATH + 1] = {};
        DWORD serial = 0;
        if (!GetVolumeInformationW(rootPath.c_str(), name, MAX_PATH + 1, &serial, nullptr, nullptr, nullptr, 0))
            return false;
        label = name;
        serialNumber = serial;
        return true;
    }

    bool QueryShortName(const std::wstring& path, std::wstring& shortName) override {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW(path.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return false;
        FindClose(find);
        // Empty when the long name is itself a valid short name.
        if (data.cAlternateFileName[0] == L'\0') return false;
        shortName = data.cAlternateFileName;
        return true;
    }

    AnsiConversion ToAnsi(const std::wstring& text, std::string& out) override {
        if (text.empty()) {
            out.clear();
            return AnsiConversion::Clean;
        }
        if (text.size() > static_cast<std::size_t>(INT_MAX / 4)) return AnsiConversion::Failed;
        const int length = static_cast<int>(text.size());
        const UINT codePage = GetACP();
        // A UTF-8 ANSI code page takes no default character; there only what
        // is no Unicode scalar value fails to convert. Elsewhere best-fit
        // look-alikes would name another file, so they count as defaults.
        const bool utf8 = codePage == CP_UTF8;
        const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
        BOOL usedDefault = FALSE;
        BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
        const int needed = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr,
                                               usedDefaultOut);
        if (needed <= 0) {
            if (!utf8) return AnsiConversion::Failed;
            const int lenient = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
            if (lenient <= 0) return AnsiConversion::Failed;
            std::vector<char> buffer(static_cast<std::size_t>(lenient));
            if (WideCharToMultiByte(codePage, 0, text.data(), length, buffer.data(), lenient, nullptr, nullptr) !=
                lenient)
                return AnsiConversion::Failed;
            out.assign(buffer.begin(), buffer.end());
            return AnsiConversion::DefaultCharacters;
        }
        std::vector<char> buffer(static_cast<std::size_t>(needed));
        usedDefault = FALSE;
        if (WideCharToMultiByte(codePage, flags, text.data(), length, buffer.data(), needed, nullptr,
                                usedDefaultOut) != needed)
            return AnsiConversion::Failed;
        out.assign(buffer.begin(), buffer.end());
        return usedDefault ? AnsiConversion::DefaultCharacters : AnsiConversion::Clean;
    }
};

}

VolumeServices& SystemVolumeServices() {
    static Win32VolumeServices services;
    return services;
}

}
}
