#ifndef CLIPREEL_TESTS_SUPPORT_WINE_CHECK_H
#define CLIPREEL_TESTS_SUPPORT_WINE_CHECK_H

#if defined(_WIN32)
#include <windows.h>
#endif

namespace clipreel {
namespace test {

// True when the Windows tests run under wine, whose WIC takes the scaler's
// interpolation mode and the JPEG encoder's quality but applies neither
// (nearest-neighbour scaling, one fixed quality). Real Windows runs those
// checks.
inline bool RunningUnderWine() {
#if defined(_WIN32)
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}
}

#endif
