#include "icon/ZsSvg.h"

#include <librsvg/rsvg.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"
#include "common/ZsWorkerProcess.h"
#include "icon/ZsIcns.h"

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

bool SizeAllowed(ZsBytes bytes, std::string* pError) {
    if (bytes.size() > ZS_MAX_SVG_FILE_BYTES) {
        SetError(pError, ZsFormat("the SVG is larger than %llu MB",
                                  static_cast<unsigned long long>(ZS_MAX_SVG_FILE_BYTES >> 20)));
        return false;
    }
    return true;
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
    if (!SizeAllowed(bytes, pError)) {
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

namespace {

// A size to draw at; 0 x 0 is the drawing's own size.
struct SVG_SIZE {
    int nWidth;
    int nHeight;
    bool operator==(const SVG_SIZE&) const = default;
};
// Takes the image of sizes[nIndex]; false stops the drawing.
using SvgImageSink = std::function<bool(size_t nIndex, CZsBitmap&& image)>;

// The most sizes one drawing is asked for, and the most text an error answer carries.
constexpr size_t kMaxSizes = 1024;
constexpr size_t kMaxErrorText = 4096;
// The most memory a buffer kept between drawings holds on to.
constexpr size_t kKeptBufferBytes = size_t{8} << 20;

CZsBitmap RenderOwnSize(const CZsSvg& drawing, std::string* pError) {
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

// Draws in this process, in the order of the sizes, stopping at the first that fails.
bool RenderHere(ZsBytes svg, std::span<const SVG_SIZE> sizes, const SvgImageSink& sink, std::string* pError) {
    CZsSvg drawing;
    if (!drawing.Load(svg, pError)) {
        return false;
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        CZsBitmap image = sizes[i] == SVG_SIZE{0, 0}
                              ? RenderOwnSize(drawing, pError)
                              : drawing.Render(sizes[i].nWidth, sizes[i].nHeight, pError);
        if (image.IsNull() || !sink(i, std::move(image))) {
            return false;
        }
    }
    return true;
}

// The request to the helper: the number of sizes, each width and height, then the drawing. Each size is
// answered by 'I', width, height and the straight ARGB pixels row by row, or the drawing ends with 'E'
// and the sentence saying why.
ZsBlock EncodeRequest(ZsBytes svg, std::span<const SVG_SIZE> sizes) {
    ZsBlock request;
    request.reserve(4 + 8 * sizes.size() + svg.size());
    ZsPutU32(request, static_cast<uint32_t>(sizes.size()));
    for (const SVG_SIZE& size : sizes) {
        ZsPutU32(request, static_cast<uint32_t>(size.nWidth));
        ZsPutU32(request, static_cast<uint32_t>(size.nHeight));
    }
    request.insert(request.end(), svg.begin(), svg.end());
    return request;
}

// The answer is written into a buffer kept from one image to the next, so that its pages are touched once.
void EncodeImage(const CZsBitmap& image, ZsBlock& answer) {
    answer.resize(9 + image.Pixels().size() * 4);
    answer[0] = 'I';
    ZsSetU32(&answer[1], static_cast<uint32_t>(image.Width()));
    ZsSetU32(&answer[5], static_cast<uint32_t>(image.Height()));
    uint8_t* p = answer.data() + 9;
    for (const uint32_t pixel : image.Pixels()) {
        ZsSetU32(p, pixel);
        p += 4;
    }
}

// Gives back a buffer kept between drawings when one drawing made it large.
void Trim(ZsBlock& buffer) {
    if (buffer.capacity() > kKeptBufferBytes) {
        ZsBlock().swap(buffer);
    }
}

ZsBlock EncodeError(const std::string& sError) {
    ZsBlock answer{'E'};
    answer.insert(answer.end(), sError.begin(), sError.begin() + std::min(sError.size(), kMaxErrorText));
    return answer;
}

// The image an answer holds for a size asked for; null when the answer does not fit the request.
CZsBitmap DecodeImage(ZsBytes answer, SVG_SIZE size) {
    CZsByteReader in(answer);
    if (in.U8() != 'I') {
        return {};
    }
    const uint32_t w = in.U32(), h = in.U32();
    const bool bOwn = size == SVG_SIZE{0, 0};
    if (!in.Ok() || w < 1 || h < 1 || w > static_cast<uint32_t>(ZS_MAX_SVG_SIDE) ||
        h > static_cast<uint32_t>(ZS_MAX_SVG_SIDE) ||
        (!bOwn && (w != static_cast<uint32_t>(size.nWidth) || h != static_cast<uint32_t>(size.nHeight))) ||
        answer.size() != 9 + static_cast<size_t>(w) * h * 4) {
        return {};
    }
    CZsBitmap image(static_cast<int>(w), static_cast<int>(h));
    const uint8_t* p = answer.data() + 9;
    for (uint32_t& pixel : image.Pixels()) {
        pixel = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
        p += 4;
    }
    return image;
}

// The one helper of the process, shared by every thread that draws.
struct SVG_WORKER {
    std::mutex mutex;
    std::filesystem::path exe;
    std::chrono::milliseconds limit = ZS_SVG_TIME_LIMIT_MS;
    std::unique_ptr<CZsWorkerProcess> process;
    std::atomic<int> nPid{0};
    ZsBlock answer;
};

SVG_WORKER& Worker() {
    static SVG_WORKER worker;
    return worker;
}

std::string TooLong(std::chrono::milliseconds limit) {
    const double fSeconds = static_cast<double>(limit.count()) / 1000;
    return ZsFormat("drawing the SVG took longer than %g second%s", fSeconds, fSeconds == 1 ? "" : "s");
}

// Draws in the helper, under its lock.
bool RenderInWorker(SVG_WORKER& worker, ZsBytes svg, std::span<const SVG_SIZE> sizes,
                    const SvgImageSink& sink, std::string* pError) {
    if (!worker.process) {
        worker.process = std::make_unique<CZsWorkerProcess>(worker.exe);
    }
    CZsWorkerProcess& process = *worker.process;
    const auto deadline = CZsWorkerProcess::Clock::now() + worker.limit;
    std::string sWhy;
    const auto refuse = [&](ZS_WORKER_RESULT r) {
        worker.nPid = process.Pid();
        SetError(pError,
                 r == ZS_WORKER_TIMED_OUT ? TooLong(worker.limit) : "the SVG cannot be drawn: " + sWhy);
        return false;
    };
    ZS_WORKER_RESULT r = process.Send(EncodeRequest(svg, sizes), deadline, &sWhy);
    worker.nPid = process.Pid();
    if (r != ZS_WORKER_OK) {
        return refuse(r);
    }
    bool bSinkOk = true;
    ZsBlock& answer = worker.answer;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const SVG_SIZE size =
            sizes[i] == SVG_SIZE{0, 0} ? SVG_SIZE{ZS_MAX_SVG_SIDE, ZS_MAX_SVG_SIDE} : sizes[i];
        const size_t nMax = 9 + static_cast<size_t>(size.nWidth) * static_cast<size_t>(size.nHeight) * 4;
        r = process.Receive(answer, std::max(nMax, 1 + kMaxErrorText), deadline, &sWhy);
        if (r != ZS_WORKER_OK) {
            return refuse(r);
        }
        if (!answer.empty() && answer[0] == 'E') {
            SetError(pError, std::string(answer.begin() + 1, answer.end()));
            return false;
        }
        CZsBitmap image = DecodeImage(answer, sizes[i]);
        if (image.IsNull()) {
            sWhy = "its helper answered out of turn";
            process.Stop();
            return refuse(ZS_WORKER_FAILED);
        }
        // The helper draws every size; the answers are all read even when the caller wants no more.
        bSinkOk = bSinkOk && sink(i, std::move(image));
    }
    return bSinkOk;
}

// Draws in the helper when one is set, else here.
bool RenderSvg(ZsBytes svg, std::span<const SVG_SIZE> sizes, const SvgImageSink& sink, std::string* pError) {
    if (!SizeAllowed(svg, pError)) {
        return false;
    }
    if (sizes.size() > kMaxSizes) {
        SetError(pError, ZsFormat("an SVG is drawn at most at %zu sizes at once", kMaxSizes));
        return false;
    }
    SVG_WORKER& worker = Worker();
    std::unique_lock lock(worker.mutex);
    if (worker.exe.empty()) {
        lock.unlock();
        return RenderHere(svg, sizes, sink, pError);
    }
    const bool bDrawn = RenderInWorker(worker, svg, sizes, sink, pError);
    Trim(worker.answer);
    return bDrawn;
}

}  // namespace

void ZsSetSvgWorker(const std::filesystem::path& exe) {
    SVG_WORKER& worker = Worker();
    std::lock_guard lock(worker.mutex);
    if (worker.process) {
        worker.process->Stop();
    }
    worker.process.reset();
    worker.nPid = 0;
    worker.exe = exe;
}

std::filesystem::path ZsGetSvgWorker() {
    SVG_WORKER& worker = Worker();
    std::lock_guard lock(worker.mutex);
    return worker.exe;
}

void ZsSetSvgTimeLimit(std::chrono::milliseconds limit) {
    SVG_WORKER& worker = Worker();
    std::lock_guard lock(worker.mutex);
    worker.limit = std::max(limit, std::chrono::milliseconds{1});
}

std::chrono::milliseconds ZsGetSvgTimeLimit() {
    SVG_WORKER& worker = Worker();
    std::lock_guard lock(worker.mutex);
    return worker.limit;
}

int ZsGetSvgWorkerPid() {
    return Worker().nPid;
}

bool ZsUseSvgWorker() {
    if (const char* pszLimit = std::getenv("PICTAVO_SVG_TIME_LIMIT")) {
        char* pEnd = nullptr;
        const double fSeconds = std::strtod(pszLimit, &pEnd);
        // Anything but a number of seconds (up to a day) leaves the default.
        if (pEnd != pszLimit && *pEnd == '\0' && fSeconds > 0 && fSeconds <= 86400) {
            ZsSetSvgTimeLimit(
                std::chrono::milliseconds(std::max<long long>(1, std::llround(fSeconds * 1000))));
        }
    }
    const std::filesystem::path here = ZsGetExecutableDir().parent_path();
    for (const std::filesystem::path& exe :
         {here / ZS_SVG_WORKER_NAME, here / PICTAVO_SVG_WORKER_FROM_BINDIR / ZS_SVG_WORKER_NAME}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(exe, ec) && access(exe.c_str(), X_OK) == 0) {
            ZsSetSvgWorker(exe.lexically_normal());
            return true;
        }
    }
    return false;
}

int ZsServeSvgRequests(int nIn, int nOut) {
    ZsBlock request, answer;
    while (ZsReadWorkerMessage(nIn, request, 4 + 8 * kMaxSizes + ZS_MAX_SVG_FILE_BYTES)) {
        Trim(answer);
        CZsByteReader in(request);
        const uint32_t nSizes = in.U32();
        std::vector<SVG_SIZE> sizes;
        for (uint32_t i = 0; in.Ok() && i < nSizes && i < kMaxSizes; ++i) {
            const uint32_t w = in.U32(), h = in.U32();
            sizes.push_back({static_cast<int>(std::min<uint32_t>(w, INT32_MAX)),
                             static_cast<int>(std::min<uint32_t>(h, INT32_MAX))});
        }
        bool bWritten = true;
        std::string sError;
        if (!in.Ok() || nSizes > kMaxSizes) {
            sError = "the drawing request is damaged";
        } else {
            const ZsBytes svg = ZsBytes(request).subspan(static_cast<size_t>(in.Pos()));
            const auto sink = [&](size_t, CZsBitmap&& image) {
                EncodeImage(image, answer);
                bWritten = ZsWriteWorkerMessage(nOut, answer);
                return bWritten;
            };
            try {
                if (RenderHere(svg, sizes, sink, &sError)) {
                    continue;
                }
            } catch (const std::bad_alloc&) {
                sError = "out of memory";
            }
        }
        if (!bWritten || !ZsWriteWorkerMessage(nOut, EncodeError(sError))) {
            return 1;
        }
    }
    return 0;
}

CZsBitmap ZsRenderSvgPicture(ZsBytes svg, std::string* pError) {
    CZsBitmap picture;
    const SVG_SIZE own{0, 0};
    RenderSvg(
        svg, std::span(&own, 1),
        [&](size_t, CZsBitmap&& image) {
            picture = std::move(image);
            return true;
        },
        pError);
    return picture;
}

ZsBlock ZI_SvgToIcon(ZsBytes svg, std::span<const ZI_FORMAT> formats, std::string* pError) {
    std::vector<ZI_FORMAT> list(formats.begin(), formats.end());
    if (list.empty()) {
        for (int n : ZI_SVG_ICON_SIZES) {
            list.push_back({n, n, 32});
        }
    }
    // Each size is drawn once, whatever the depths asked of it.
    std::vector<SVG_SIZE> sizes;
    for (const ZI_FORMAT& format : list) {
        if (ZI_GetDibSize(format.nWidth, format.nHeight, format.nBitCount) == 0) {
            SetError(pError,
                     ZsFormat("%s is not a format an icon can hold", ZI_GetFormatName(format).c_str()));
            return {};
        }
        const SVG_SIZE size{format.nWidth, format.nHeight};
        if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) {
            sizes.push_back(size);
        }
    }
    CIcon icon;
    const auto sink = [&](size_t nIndex, CZsBitmap&& image) {
        for (const ZI_FORMAT& format : list) {
            if (SVG_SIZE{format.nWidth, format.nHeight} == sizes[nIndex] && !icon.HasFormat(format) &&
                icon.AddFormat(format, &image) < 0) {
                SetError(pError, ZsFormat("%s cannot be made", ZI_GetFormatName(format).c_str()));
                return false;
            }
        }
        return true;
    };
    if (!RenderSvg(svg, sizes, sink, pError)) {
        return {};
    }
    return icon.GetData(-1);
}

ZsBlock ZI_SvgToIcns(ZsBytes svg, std::span<const ZI_FORMAT> formats, std::string* pError) {
    int nLargest = formats.empty() ? ZI_ICNS_SIDES[std::size(ZI_ICNS_SIDES) - 1] : 0;
    for (const ZI_FORMAT& format : formats) {
        nLargest = std::max({nLargest, format.nWidth, format.nHeight});
    }
    std::vector<ZI_FORMAT> list(formats.begin(), formats.end());
    for (const int nSide : ZI_ICNS_SIDES) {
        const bool bGiven = std::any_of(list.begin(), list.end(), [&](const ZI_FORMAT& f) {
            return f.nWidth == nSide && f.nHeight == nSide;
        });
        if (ZI_IcnsHoldsSide(nSide, nLargest) && !bGiven) {
            list.push_back({nSide, nSide, 32});
        }
    }
    CIcon icon;
    if (!icon.SetData(ZI_SvgToIcon(svg, list, pError))) {
        return {};
    }
    ZsBlock icns = ZI_IconToIcns(icon);
    if (icns.empty()) {
        SetError(pError, "the Apple icon file cannot be made");
    }
    return icns;
}
