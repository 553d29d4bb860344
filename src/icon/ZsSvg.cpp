#include "icon/ZsSvg.h"

#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "common/ZsLog.h"

namespace {

void SetError(std::string* pError, const std::string& text) {
    if (pError) {
        *pError = text;
    }
}

// The functions of librsvg, GLib and Cairo that drawings use, from librsvg loaded on the first drawing (its
// dependencies bring GLib and Cairo). Their types come from the headers, so a call that does not match its
// declaration does not compile.
struct SvgLibrary {
    decltype(&::g_memory_input_stream_new_from_data) memoryInputStreamNew = nullptr;
    decltype(&::g_object_unref) objectUnref = nullptr;
    decltype(&::g_error_free) errorFree = nullptr;
    decltype(&::rsvg_handle_new_from_stream_sync) handleNewFromStream = nullptr;
    decltype(&::rsvg_handle_get_intrinsic_size_in_pixels) intrinsicSizeInPixels = nullptr;
    decltype(&::rsvg_handle_get_intrinsic_dimensions) intrinsicDimensions = nullptr;
    decltype(&::rsvg_handle_render_document) renderDocument = nullptr;
    decltype(&::cairo_image_surface_create) imageSurfaceCreate = nullptr;
    decltype(&::cairo_surface_status) surfaceStatus = nullptr;
    decltype(&::cairo_surface_flush) surfaceFlush = nullptr;
    decltype(&::cairo_surface_destroy) surfaceDestroy = nullptr;
    decltype(&::cairo_image_surface_get_data) imageSurfaceGetData = nullptr;
    decltype(&::cairo_image_surface_get_stride) imageSurfaceGetStride = nullptr;
    decltype(&::cairo_create) create = nullptr;
    decltype(&::cairo_destroy) destroy = nullptr;
};

// The loaded functions, or null with the reason in *pError when librsvg or one of them is missing.
const SvgLibrary* GetSvgLibrary(std::string* pError) {
    static SvgLibrary lib;
    static std::string sFailure;
    static std::once_flag once;
    std::call_once(once, [] {
        std::string sWhy;
        void* pLibrary = ZsOpenSharedLibrary("librsvg-2.so.2", &sWhy);
        if (!pLibrary) {
            sFailure = "SVG drawings need librsvg, which cannot be loaded (" + sWhy + ")";
            return;
        }
        bool bAll = true;
        const auto find = [&](auto& fn, const char* pszName) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
                ZsFindSharedSymbol(pLibrary, pszName));
            if (!fn && bAll) {
                bAll = false;
                sFailure = ZsFormat("SVG drawings need librsvg 2.52 or later (%s is missing)", pszName);
            }
        };
        find(lib.memoryInputStreamNew, "g_memory_input_stream_new_from_data");
        find(lib.objectUnref, "g_object_unref");
        find(lib.errorFree, "g_error_free");
        find(lib.handleNewFromStream, "rsvg_handle_new_from_stream_sync");
        find(lib.intrinsicSizeInPixels, "rsvg_handle_get_intrinsic_size_in_pixels");
        find(lib.intrinsicDimensions, "rsvg_handle_get_intrinsic_dimensions");
        find(lib.renderDocument, "rsvg_handle_render_document");
        find(lib.imageSurfaceCreate, "cairo_image_surface_create");
        find(lib.surfaceStatus, "cairo_surface_status");
        find(lib.surfaceFlush, "cairo_surface_flush");
        find(lib.surfaceDestroy, "cairo_surface_destroy");
        find(lib.imageSurfaceGetData, "cairo_image_surface_get_data");
        find(lib.imageSurfaceGetStride, "cairo_image_surface_get_stride");
        find(lib.create, "cairo_create");
        find(lib.destroy, "cairo_destroy");
    });
    if (!sFailure.empty()) {
        ZS_LOG_ERR("GetSvgLibrary", "%s", sFailure.c_str());
        SetError(pError, sFailure);
        return nullptr;
    }
    return &lib;
}

RsvgHandle* Handle(void* p) {
    return static_cast<RsvgHandle*>(p);
}

struct SurfaceDeleter {
    const SvgLibrary* pLib;
    void operator()(cairo_surface_t* p) const { pLib->surfaceDestroy(p); }
};
struct CairoDeleter {
    const SvgLibrary* pLib;
    void operator()(cairo_t* p) const { pLib->destroy(p); }
};

// A GError's message, freeing it.
std::string TakeMessage(const SvgLibrary& lib, GError* pError, const char* pszDefault) {
    std::string s = pError && pError->message ? pError->message : pszDefault;
    if (pError) {
        lib.errorFree(pError);
    }
    return s;
}

}  // namespace

bool ZsIsSvg(ZsBytes bytes) {
    size_t at = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        at = 3;
    }
    while (at < bytes.size() &&
           (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n')) {
        ++at;
    }
    if (at >= bytes.size() || bytes[at] != '<') {
        return false;
    }
    const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                                std::min<size_t>(bytes.size(), 4096));
    return head.find("<svg") != std::string_view::npos;
}

CZsSvg::~CZsSvg() {
    if (mpHandle) {
        GetSvgLibrary(nullptr)->objectUnref(Handle(mpHandle));
    }
}

bool CZsSvg::Load(ZsBytes bytes, std::string* pError) {
    if (bytes.size() > ZS_MAX_SVG_FILE_BYTES) {
        SetError(pError, ZsFormat("the SVG is larger than %llu MB",
                                  static_cast<unsigned long long>(ZS_MAX_SVG_FILE_BYTES >> 20)));
        return false;
    }
    const SvgLibrary* pLib = GetSvgLibrary(pError);
    if (!pLib) {
        return false;
    }
    const SvgLibrary& lib = *pLib;
    GInputStream* pStream =
        lib.memoryInputStreamNew(bytes.data(), static_cast<gssize>(bytes.size()), nullptr);
    GError* pGError = nullptr;
    // No base file: references to other files resolve to nothing. The parser's safety limits stay on.
    RsvgHandle* pHandle =
        lib.handleNewFromStream(pStream, nullptr, RSVG_HANDLE_FLAGS_NONE, nullptr, &pGError);
    lib.objectUnref(pStream);
    if (!pHandle) {
        SetError(pError, "damaged SVG data (" + TakeMessage(lib, pGError, "unreadable") + ")");
        return false;
    }
    if (pGError) {
        lib.errorFree(pGError);
    }
    if (mpHandle) {
        lib.objectUnref(Handle(mpHandle));
    }
    mpHandle = pHandle;
    mfWidth = mfHeight = 0;
    gdouble w = 0, h = 0;
    if (lib.intrinsicSizeInPixels(pHandle, &w, &h)) {
        mfWidth = w;
        mfHeight = h;
    } else {
        gboolean bHasViewBox = FALSE;
        RsvgRectangle viewBox{};
        lib.intrinsicDimensions(pHandle, nullptr, nullptr, nullptr, nullptr, &bHasViewBox, &viewBox);
        if (bHasViewBox) {
            mfWidth = viewBox.width;
            mfHeight = viewBox.height;
        }
    }
    if (!(std::isfinite(mfWidth) && std::isfinite(mfHeight) && mfWidth > 0 && mfHeight > 0)) {
        mfWidth = mfHeight = 0;
    }
    return true;
}

CZsBitmap CZsSvg::Render(int nWidth, int nHeight, std::string* pError) const {
    if (!mpHandle) {
        SetError(pError, "no SVG is loaded");
        return {};
    }
    if (nWidth < 1 || nHeight < 1 || nWidth > ZS_MAX_SVG_SIDE || nHeight > ZS_MAX_SVG_SIDE) {
        SetError(pError, ZsFormat("an SVG is rendered at 1 to %d pixels on a side, not %d x %d",
                                  ZS_MAX_SVG_SIDE, nWidth, nHeight));
        return {};
    }
    // The drawing's aspect decides the part of the canvas it fills; without a size of its own it fills all.
    double vw = nWidth, vh = nHeight;
    if (mfWidth > 0 && mfHeight > 0) {
        const double scale = std::min(nWidth / mfWidth, nHeight / mfHeight);
        vw = mfWidth * scale;
        vh = mfHeight * scale;
    }
    // A drawing is loaded, so the library is.
    const SvgLibrary& lib = *GetSvgLibrary(pError);
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        lib.imageSurfaceCreate(CAIRO_FORMAT_ARGB32, nWidth, nHeight), SurfaceDeleter{&lib});
    if (lib.surfaceStatus(surface.get()) != CAIRO_STATUS_SUCCESS) {
        SetError(pError, "out of memory");
        return {};
    }
    GError* pGError = nullptr;
    {
        std::unique_ptr<cairo_t, CairoDeleter> cr(lib.create(surface.get()), CairoDeleter{&lib});
        const RsvgRectangle viewport{(nWidth - vw) / 2, (nHeight - vh) / 2, vw, vh};
        if (!lib.renderDocument(Handle(mpHandle), cr.get(), &viewport, &pGError)) {
            SetError(pError, "the SVG cannot be drawn (" + TakeMessage(lib, pGError, "unknown error") + ")");
            return {};
        }
    }
    lib.surfaceFlush(surface.get());
    // Cairo holds premultiplied native-endian ARGB; the core holds it straight.
    CZsBitmap bmp(nWidth, nHeight);
    const unsigned char* pData = lib.imageSurfaceGetData(surface.get());
    const int nStride = lib.imageSurfaceGetStride(surface.get());
    for (int y = 0; y < nHeight; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(pData + static_cast<ptrdiff_t>(y) * nStride);
        uint32_t* out = bmp.Row(y);
        for (int x = 0; x < nWidth; ++x) {
            const uint32_t p = in[x];
            const unsigned a = ZsAlpha(p);
            if (a == 0 || a == 255) {
                out[x] = a == 0 ? 0 : p;
                continue;
            }
            const auto straight = [a](unsigned c) { return std::min(255u, (c * 255 + a / 2) / a); };
            out[x] = ZsArgb(a, straight(ZsRed(p)), straight(ZsGreen(p)), straight(ZsBlue(p)));
        }
    }
    return bmp;
}

CZsBitmap ZsRenderSvgPicture(ZsBytes svg, std::string* pError) {
    CZsSvg drawing;
    if (!drawing.Load(svg, pError)) {
        return {};
    }
    if (drawing.Width() <= 0) {
        SetError(pError, "the SVG has no size of its own");
        return {};
    }
    if (drawing.Width() > ZS_MAX_SVG_SIDE || drawing.Height() > ZS_MAX_SVG_SIDE) {
        SetError(pError, ZsFormat("the SVG's own size, %.0f x %.0f, is larger than %d x %d pixels",
                                  drawing.Width(), drawing.Height(), ZS_MAX_SVG_SIDE, ZS_MAX_SVG_SIDE));
        return {};
    }
    return drawing.Render(std::max(1, static_cast<int>(std::ceil(drawing.Width()))),
                          std::max(1, static_cast<int>(std::ceil(drawing.Height()))), pError);
}

ZsBlock ZI_SvgToIcon(ZsBytes svg, std::span<const ZI_FORMAT> formats, std::string* pError) {
    CZsSvg drawing;
    if (!drawing.Load(svg, pError)) {
        return {};
    }
    std::vector<ZI_FORMAT> list(formats.begin(), formats.end());
    if (list.empty()) {
        for (int n : ZI_SVG_ICON_SIZES) {
            list.push_back({n, n, 32});
        }
    }
    CIcon icon;
    for (const ZI_FORMAT& format : list) {
        if (icon.HasFormat(format)) {
            continue;
        }
        const CZsBitmap image = drawing.Render(format.nWidth, format.nHeight, pError);
        if (image.IsNull() || icon.AddFormat(format, &image) < 0) {
            if (!image.IsNull()) {
                SetError(pError,
                         ZsFormat("%s is not a format an icon can hold", ZI_GetFormatName(format).c_str()));
            }
            return {};
        }
    }
    return icon.GetData(-1);
}
