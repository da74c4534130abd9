#include "platform/VolumeInfo.h"

#include "platform/UnicodeText.h"

namespace clipreel {
namespace platform {

namespace {

// A POSIX path names no drive, so no volume is ever queried, and there are
// no short names; the narrow encoding is UTF-8, in which every Unicode
// scalar value has its own bytes.
class PosixVolumeServices : public VolumeServices {
public:
    bool QueryVolume(const std::wstring&, std::wstring&, std::uint32_t&) override { return false; }
    bool QueryShortName(const std::wstring&, std::wstring&) override { return false; }
    AnsiConversion ToAnsi(const std::wstring& text, std::string& out) override {
        if (WideToUtf8Strict(text, out)) return AnsiConversion::Clean;
        out = WideToUtf8(text);
        return AnsiConversion::DefaultCharacters;
    }
};

}

VolumeServices& SystemVolumeServices() {
    static PosixVolumeServices services;
    return services;
}

}
}
