#ifndef CLIPREEL_TESTS_REFERENCE_FAKE_VOLUME_SERVICES_H
#define CLIPREEL_TESTS_REFERENCE_FAKE_VOLUME_SERVICES_H

#include "platform/VolumeInfo.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace clipreel {
namespace test {

// Volume services with made-up volumes and short names. Its "ANSI code
// page" is Latin-1: characters up to U+00FF take one byte of the same
// value, every other character becomes '?' (a default character), so an
// ANSI field and a UTF-8 field of the same name differ visibly.
class FakeVolumeServices : public platform::VolumeServices {
public:
    struct Volume {
        std::wstring label;
        std::uint32_t serialNumber = 0;
    };

    std::map<std::wstring, Volume> volumes;          // by root path, "C:\"
    std::map<std::wstring, std::wstring> shortNames;  // by full path
    std::vector<std::wstring> volumeQueries;
    std::vector<std::wstring> shortNameQueries;

    bool QueryVolume(const std::wstring& rootPath, std::wstring& label, std::uint32_t& serialNumber) override {
        volumeQueries.push_back(rootPath);
        const auto found = volumes.find(rootPath);
        if (found == volumes.end()) return false;
        label = found->second.label;
        serialNumber = found->second.serialNumber;
        return true;
    }

    bool QueryShortName(const std::wstring& path, std::wstring& shortName) override {
        shortNameQueries.push_back(path);
        const auto found = shortNames.find(path);
        if (found == shortNames.end()) return false;
        shortName = found->second;
        return true;
    }

    platform::AnsiConversion ToAnsi(const std::wstring& text, std::string& out) override {
        bool defaults = false;
        std::string converted;
        for (const wchar_t c : text) {
            const unsigned long code = static_cast<unsigned long>(c);
            if (code <= 0xFF) {
                converted.push_back(static_cast<char>(code));
            } else {
                converted.push_back('?');
                defaults = true;
            }
        }
        out = converted;
        return defaults ? platform::AnsiConversion::DefaultCharacters : platform::AnsiConversion::Clean;
    }
};

}
}

#endif
