#ifndef CLIPREEL_PLATFORM_VOLUME_INFO_H
#define CLIPREEL_PLATFORM_VOLUME_INFO_H

#include <cstdint>
#include <string>

namespace clipreel {
namespace platform {

// How a conversion to the system's ANSI code page went.
enum class AnsiConversion {
    Clean,              // every character has its own code
    DefaultCharacters,  // converted, but some characters became the default character
    Failed              // nothing converted
};

// The volume and name services an alias record is built from. The system's
// own services are the default; tests put a double in their place where the
// system cannot provide the case (a volume without a label, a missing
// drive, a name outside the code page).
class VolumeServices {
public:
    virtual ~VolumeServices();

    // The label and serial number of the volume whose root directory is
    // rootPath ("C:\"). False when the volume cannot be queried.
    virtual bool QueryVolume(const std::wstring& rootPath, std::wstring& label,
                             std::uint32_t& serialNumber) = 0;
    // The short 8.3 name the file system keeps for the existing file or
    // directory at path. False when there is none.
    virtual bool QueryShortName(const std::wstring& path, std::wstring& shortName) = 0;
    // The text in the system's ANSI code page (the narrow encoding, UTF-8,
    // on POSIX systems), without a terminator.
    virtual AnsiConversion ToAnsi(const std::wstring& text, std::string& out) = 0;
};

// The system's services: GetVolumeInformationW, FindFirstFileW and
// WideCharToMultiByte on Windows; on POSIX systems no volume or short name
// is known and the ANSI text is UTF-8.
VolumeServices& SystemVolumeServices();

}
}

#endif
