#include "platform/ImageScaler.h"

#include "platform/win32/ComSupport.h"

#include <vector>
#include <wincodec.h>

namespace clipreel {
namespace platform {

namespace {

// Draws the whole source into rows [top, top + bandHeight) of destination
// with WIC's Fant scaler, which averages the source pixels each destination
// pixel covers.
HRESULT DrawInto(const Image& source, Image& destination, unsigned top, unsigned bandHeight) {
    ComRef<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.outVoid());
    if (FAILED(hr)) return hr;
    std::vector<BYTE> bgr(source.pixels.begin(), source.pixels.end());
    for (std::size_t i = 0; i + 2 < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    ComRef<IWICBitmap> bitmap;
    hr = factory->CreateBitmapFromMemory(source.width, source.height, GUID_WICPixelFormat24bppBGR,
                                         static_cast<UINT>(source.Stride()), static_cast<UINT>(bgr.size()),
                                         bgr.data(), bitmap.out());
    if (FAILED(hr)) return hr;
    ComRef<IWICBitmapScaler> scaler;
    hr = factory->CreateBitmapScaler(scaler.out());
    if (FAILED(hr)) return hr;
    hr = scaler->Initialize(bitmap.get(), destination.width, bandHeight, WICBitmapInterpolationModeFant);
    if (FAILED(hr)) return hr;
    std::vector<BYTE> band(destination.Stride() * bandHeight);
    hr = scaler->CopyPixels(nullptr, static_cast<UINT>(destination.Stride()), static_cast<UINT>(band.size()),
                            band.data());
    if (FAILED(hr)) return hr;
    BYTE* out = destination.pixels.data() + top * destination.Stride();
    for (std::size_t i = 0; i + 2 < band.size(); i += 3) {
        out[i] = band[i + 2];
        out[i + 1] = band[i + 1];
        out[i + 2] = band[i];
    }
    return S_OK;
}

}

HResult scaleToThumbnail(const Image& source, Image& destination) {
    destination.Reset(ThumbnailWidth, ThumbnailHeight);
    if (source.IsEmpty() || source.pixels.size() != source.Stride() * source.height) return HResultFail;
    if (source.pixels.size() > 0xFFFFFFFFu) return HResultFail;
    ComApartment apartment;
    if (!apartment.usable()) return HResultFail;
    const bool wide = IsWideFrame(source.width, source.height);
    const HRESULT hr = wide ? DrawInto(source, destination, WideBandTop, WideBandHeight)
                            : DrawInto(source, destination, 0, ThumbnailHeight);
    if (FAILED(hr)) {
        destination.Reset(ThumbnailWidth, ThumbnailHeight);
        return HResultFail;
    }
    return HResultOk;
}

}
}
