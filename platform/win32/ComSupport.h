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

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** out() {
        Reset();
        return &p_;
    }
    void** outVoid() { return reinterpret_cast<void**>(out()); }
    void Reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// COM for the calling thread while it lives; a thread whose apartment is
// already of the other kind keeps it and is not uninitialised.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // Usable: initialised here or already initialised in another mode.
    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
    HResult result() const { return static_cast<HResult>(result_); }

private:
    HRESULT result_;
};

}
}

#endif
