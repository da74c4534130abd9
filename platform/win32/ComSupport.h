#ifndef CLIPREEL_PLATFORM_WIN32_COM_SUPPORT_H
#define CLIPREEL_PLATFORM_WIN32_COM_SUPPORT_H

#include "platform/HResult.h"

#include <objbase.h>

namespace clipreel {
namespace platform {

// Owns one COM interface reference and releases it.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* get() const { return held; }
    T* operator->() const { return held; }
    T** out() {
        Reset();
        return &held;
    }
    void** outVoid() { return reinterpret_cast<void**>(out()); }
    void Reset() {
        if (held != nullptr) held->Release();
        held = nullptr;
    }

private:
    T* held = nullptr;
};

// COM for the calling thread while it lives; a thread whose apartment is
// already of the other kind keeps it and is not uninitialised.
class ComApartment {
public:
    ComApartment() : initResult(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(initResult)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // Usable: initialised here or already initialised in another mode.
    bool usable() const { return SUCCEEDED(initResult) || initResult == RPC_E_CHANGED_MODE; }
    HResult result() const { return static_cast<HResult>(initResult); }

private:
    HRESULT initResult;
};

}
}

#endif
