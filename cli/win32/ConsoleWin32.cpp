#include "cli/CommandPaths.h"
#include "cli/Console.h"

#include <cstdio>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

namespace clipreel {
namespace cli {

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

void KeepRunningPastFileSizeLimit() {
    // Windows has no file-size limit signal.
}
void ShowCodecLogs(bool) {
    // The system's codecs print nothing.
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    // argv holds the arguments in the ANSI code page, which cannot spell
    // most names; the wide command line holds them all.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(length > 0 ? static_cast<std::size_t>(length) : 1u, '\0');
        if (length > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], length, nullptr, nullptr);
        text.resize(text.size() - 1);
        arguments.push_back(text);
    }
    LocalFree(wide);
    return arguments;
}

}
}
