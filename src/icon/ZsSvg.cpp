#include "icon/ZsSvg.h"

#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/ZsLog.h"

namespace {

void SetError(std::string* pError, const std::string& text) {
    if (pError) {
        *pError = text;
    }
}

RsvgHandle* Handle(void* p) {
    return static_cast<RsvgHandle*>(p);
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
};
struct CairoDeleter {
    void operator()(cairo_t* p) const { cairo_destroy(p); }
};

// A GError's message, freeing it.
std::string TakeMessage(GError* pError, const char* pszDefault) {
    std::string s = pError && pError->message ? pError->message : pszDefault;
    if (pError) {
        g_error_free(pError);
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
        g_object_unref(Handle(mpHandle));
    }
}

bool CZsSvg::Load(ZsBytes bytes, std::string* pError) {
    if (bytes.size() > ZS_MAX_SVG_FILE_BYTES) {
        SetError(pError, ZsFormat("the SVG is larger than %llu MB",
                                  static_cast<unsigned long long>(ZS_MAX_SVG_FILE_BYTES >> 20)));
        return false;
    }
    GInputStream* pStream =
        g_memory_input_stream_new_from_data(bytes.data(), static_cast<gssize>(bytes.size()), nullptr);
    GError* pGError = nullptr;
    // No base file: references to other files resolve to nothing. The parser's safety limits stay on.
    RsvgHandle* pHandle =
        rsvg_handle_new_from_stream_sync(pStream, nullptr, RSVG_HANDLE_FLAGS_NONE, nullptr, &pGError);
    g_object_unref(pStream);
    if (!pHandle) {
        SetError(pError, "damaged SVG data (" + TakeMessage(pGError, "unreadable") + ")");
        return false;
    }
    if (pGError) {
        g_error_free(pGError);
    }
    if (mpHandle) {
        g_object_unref(Handle(mpHandle));
    }
    mpHandle = pHandle;
    mfWidth = mfHeight = 0;
    gdouble w = 0, h = 0;
    if (rsvg_handle_get_intrinsic_size_in_pixels(pHandle, &w, &h)) {
        mfWidth = w;
        mfHeight = h;
    } else {
        gboolean bHasViewBox = FALSE;
        RsvgRectangle viewBox{};
        rsvg_handle_get_intrinsic_dimensions(pHandle, nullptr, nullptr, nullptr, nullptr, &bHasViewBox,
                                             &viewBox);
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
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, nWidth, nHeight));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        SetError(pError, "out of memory");
        return {};
    }
    GError* pGError = nullptr;
    {
        std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
        const RsvgRectangle viewport{(nWidth - vw) / 2, (nHeight - vh) / 2, vw, vh};
        if (!rsvg_handle_render_document(Handle(mpHandle), cr.get(), &viewport, &pGError)) {
            SetError(pError, "the SVG cannot be drawn (" + TakeMessage(pGError, "unknown error") + ")");
            return {};
        }
    }
    cairo_surface_flush(surface.get());
    // Cairo holds premultiplied native-endian ARGB; the core holds it straight.
    CZsBitmap bmp(nWidth, nHeight);
    const unsigned char* pData = cairo_image_surface_get_data(surface.get());
    const int nStride = cairo_image_surface_get_stride(surface.get());
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
