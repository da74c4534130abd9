#include "tests/support/JpegDecoding.h"

#include <algorithm>
#include <cmath>

#if defined(_WIN32)
#include <objbase.h>
#include <wincodec.h>
#else
#include <turbojpeg.h>
#endif

namespace clipreel {
namespace test {

#if defined(_WIN32)
namespace {
template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};
}

bool DecodeJpeg(const void* jpeg, std::size_t size, platform::Image& image) {
    image = platform::Image();
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    bool ok = false;
    {
        Released<IWICImagingFactory> factory;
        Released<IWICStream> stream;
        Released<IWICBitmapDecoder> decoder;
        Released<IWICBitmapFrameDecode> frame;
        Released<IWICFormatConverter> converter;
        UINT width = 0, height = 0;
        ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(&factory.p))) &&
             SUCCEEDED(factory.p->CreateStream(&stream.p)) &&
             SUCCEEDED(stream.p->InitializeFromMemory(
                 static_cast<BYTE*>(const_cast<void*>(jpeg)), static_cast<DWORD>(size))) &&
             SUCCEEDED(factory.p->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                           &decoder.p)) &&
             SUCCEEDED(decoder.p->GetFrame(0, &frame.p)) && SUCCEEDED(frame.p->GetSize(&width, &height)) &&
             SUCCEEDED(factory.p->CreateFormatConverter(&converter.p)) &&
             SUCCEEDED(converter.p->Initialize(frame.p, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone,
                                               nullptr, 0.0, WICBitmapPaletteTypeCustom));
        if (ok) {
            image.Reset(width, height);
            ok = SUCCEEDED(converter.p->CopyPixels(nullptr, static_cast<UINT>(image.Stride()),
                                                   static_cast<UINT>(image.pixels.size()), image.pixels.data()));
            for (std::size_t i = 0; ok && i + 2 < image.pixels.size(); i += 3) std::swap(image.pixels[i], image.pixels[i + 2]);
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    if (!ok) image = platform::Image();
    return ok;
}
#else
bool DecodeJpeg(const void* jpeg, std::size_t size, platform::Image& image) {
    image = platform::Image();
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) return false;
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    const auto* bytes = static_cast<const unsigned char*>(jpeg);
    bool ok = tjDecompressHeader3(handle, bytes, static_cast<unsigned long>(size), &width, &height, &subsampling,
                                  &colourspace) == 0 &&
              width > 0 && height > 0;
    if (ok) {
        image.Reset(static_cast<unsigned>(width), static_cast<unsigned>(height));
        ok = tjDecompress2(handle, bytes, static_cast<unsigned long>(size), image.pixels.data(), width, 0, height,
                           TJPF_RGB, TJFLAG_ACCURATEDCT) == 0;
    }
    tjDestroy(handle);
    if (!ok) image = platform::Image();
    return ok;
}
#endif

Colour AverageRows(const platform::Image& image, unsigned top, unsigned bottom) {
    Colour sum;
    double count = 0;
    for (unsigned y = top; y < bottom && y < image.height; ++y) {
        for (unsigned x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.Pixel(x, y);
            sum.r += p[0];
            sum.g += p[1];
            sum.b += p[2];
            count += 1;
        }
    }
    if (count > 0) {
        sum.r /= count;
        sum.g /= count;
        sum.b /= count;
    }
    return sum;
}

double ColourDistance(const Colour& a, const Colour& b) {
    return std::max({std::fabs(a.r - b.r), std::fabs(a.g - b.g), std::fabs(a.b - b.b)});
}

double ColourDistance(const Colour& a, const std::uint8_t rgb[3]) {
    return ColourDistance(a, Colour{double(rgb[0]), double(rgb[1]), double(rgb[2])});
}

std::vector<std::uint16_t> JpegMarkers(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::uint16_t> markers;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const auto marker = static_cast<std::uint16_t>(0xFF00 | jpeg[at + 1]);
        markers.push_back(marker);
        if (marker == 0xFFDA || marker == 0xFFD9) break;
        at += 2 + ((static_cast<std::size_t>(jpeg[at + 2]) << 8) | jpeg[at + 3]);
    }
    return markers;
}

}
}
