#ifndef CLIPREEL_STUDIO_WEB_ASSETS_H
#define CLIPREEL_STUDIO_WEB_ASSETS_H

#include <cstddef>
#include <string>

namespace clipreel {
namespace studio {

// A file of the page (cli/studio/web), built into the program.
struct WebAsset {
    const char* name;
    const char* contentType;
    const unsigned char* bytes;
    std::size_t size;
};

// The file of that name, or null.
const WebAsset* FindWebAsset(const std::string& name);

}
}

#endif
