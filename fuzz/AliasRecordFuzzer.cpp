// The alias record builder over an arbitrary path and arbitrary answers of
// the volume and name services (a double in place of the system's), in
// either path spelling; every record built is flattened and read whole.
//
// Input: one byte of switches, four bytes of volume serial number, then
// UTF-16LE text split at U+FFFF into the path, the volume label and the
// short name the services answer with.
#include "fuzz/MovieQueries.h"
#include "platform/VolumeInfo.h"
#include "reference/AliasRecordEx.h"
#include "reference/AliasTarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using clipreel::platform::AnsiConversion;

class FuzzVolumeServices : public clipreel::platform::VolumeServices {
public:
    std::uint8_t switches = 0;
    std::uint32_t serialNumber = 0;
    std::wstring label;
    std::wstring shortName;

    bool QueryVolume(const std::wstring&, std::wstring& outLabel, std::uint32_t& outSerial) override {
        if ((switches & 2) == 0) return false;
        outLabel = label;
        outSerial = serialNumber;
        return true;
    }
    bool QueryShortName(const std::wstring&, std::wstring& outName) override {
        if ((switches & 4) == 0) return false;
        outName = shortName;
        return true;
    }
    // Latin-1 with '?' for the rest; or a failed conversion when asked.
    AnsiConversion ToAnsi(const std::wstring& text, std::string& out) override {
        if ((switches & 8) != 0) return AnsiConversion::Failed;
        out.clear();
        bool defaults = false;
        for (const wchar_t c : text) {
            const auto code = static_cast<unsigned long>(c);
            defaults = defaults || code > 0xFF;
            out.push_back(code > 0xFF ? '?' : static_cast<char>(code));
        }
        return defaults ? AnsiConversion::DefaultCharacters : AnsiConversion::Clean;
    }
};

std::vector<std::wstring> SplitText(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> parts(1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const unsigned unit = data[i] | (data[i + 1] << 8);
        if (unit == 0xFFFF) {
            parts.emplace_back();
        } else {
            parts.back().push_back(static_cast<wchar_t>(unit));
        }
    }
    parts.resize(3);
    return parts;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    FuzzVolumeServices services;
    services.switches = data[0];
    services.serialNumber = static_cast<std::uint32_t>(data[1] | (data[2] << 8) | (data[3] << 16)) |
                            (static_cast<std::uint32_t>(data[4]) << 24);
    const std::vector<std::wstring> text = SplitText(data + 5, size - 5);
    services.label = text[1];
    services.shortName = text[2];
    const clipreel::AliasPathStyle style =
        (services.switches & 1) != 0 ? clipreel::AliasPathStyle::Posix : clipreel::AliasPathStyle::Windows;

    const clipreel::CAliasRecordEx record(text[0].c_str(), services, style);
    volatile unsigned sink = record.HasBaseRecord();
    std::uint32_t length = 0;
    void* flat = record.GetRecordData(length);
    if (flat != nullptr) {
        // The record's own size field must tell its length.
        const auto* bytes = static_cast<const std::uint8_t*>(flat);
        if (length < 6 || static_cast<std::uint32_t>((bytes[4] << 8) | bytes[5]) != length) std::abort();
        sink = sink + clipreel::fuzz::Touch(flat, length);
        std::free(flat);
    } else if (length != 0) {
        std::abort();
    }
    for (const auto& tagged : record.GetTaggedRecords()) {
        if (tagged.data.size() < tagged.length) std::abort();
        sink = sink + clipreel::fuzz::Touch(tagged.data.data(), tagged.data.size());
    }
    return 0;
}
