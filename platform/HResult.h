#ifndef CLIPREEL_PLATFORM_HRESULT_H
#define CLIPREEL_PLATFORM_HRESULT_H

#include <cstdint>

namespace clipreel {

// The result of the thumbnail services: a COM HRESULT, 32 bits, negative on
// failure. On Windows the values are the system's own; the POSIX backends
// return the same codes, so callers test the sign and nothing else.
using HResult = std::int32_t;

constexpr HResult HResultOk = 0;
constexpr HResult HResultFail = static_cast<HResult>(0x80004005u);         // E_FAIL
constexpr HResult HResultOutOfMemory = static_cast<HResult>(0x8007000Eu);  // E_OUTOFMEMORY
constexpr HResult HResultInvalidArg = static_cast<HResult>(0x80070057u);   // E_INVALIDARG
constexpr HResult HResultPointer = static_cast<HResult>(0x80004003u);      // E_POINTER
constexpr HResult HResultNotImplemented = static_cast<HResult>(0x80004001u);  // E_NOTIMPL

constexpr bool Succeeded(HResult result) { return result >= 0; }
constexpr bool Failed(HResult result) { return result < 0; }

}

#endif
