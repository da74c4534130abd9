#ifndef CLIPREEL_PLATFORM_POSIX_WIDE_PATH_H
#define CLIPREEL_PLATFORM_POSIX_WIDE_PATH_H

#include <string>

namespace clipreel {
namespace platform {

// The system's spelling of a wide path: UTF-8. wchar_t holds UTF-32 here;
// UTF-16 surrogate pairs are joined as well, and the escapes of
// Utf8PathToWide (U+DC80 to U+DCFF) give back the bytes of a name that is
// not UTF-8. False (and out unchanged) for a null path or one that holds any
// other value that is no Unicode scalar (a lone surrogate, anything above
// U+10FFFF).
bool WidePathToUtf8(const wchar_t* path, std::string& out);

}
}

#endif
