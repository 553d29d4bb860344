// SVG drawings, rendered with librsvg at whatever size is asked for, so that every image of an icon made
// from a drawing is drawn at its own size rather than scaled from another. A drawing is untrusted like any
// file: it is read from memory without a base location, so it can reach no other file and no network
// (references to them draw nothing), librsvg's parser keeps its limits on nesting and on the elements a
// document may create, files above ZS_MAX_SVG_FILE_BYTES are refused, and nothing is rendered larger than
// ZS_MAX_SVG_SIDE on a side.
//
// Time and memory. librsvg cannot be interrupted, so a drawing made to be slow (thousands of filtered
// elements, huge blurs) could hold its caller for minutes. The programs therefore draw in a helper process,
// pictavo-svg-worker: one process reused for every drawing, limited to ZS_SVG_WORKER_ADDRESS_SPACE bytes of
// address space, and killed when one drawing (all the sizes asked of it) takes longer than the time limit
// (ZS_SVG_TIME_LIMIT_MS by default). That drawing is refused with "drawing the SVG took longer than N
// seconds"; one during which the helper dies is refused too; the caller carries on and the next drawing
// starts a fresh helper. The pixels are the same as drawn in process.
// The programs (pictavo, pictavo-cli, pictavo-thumbnailer) call ZsUseSvgWorker when they start. It looks
// for the helper beside the running executable (the build tree), then in the installed layout
// (<prefix>/libexec/pictavo/ for programs in <prefix>/bin/), and takes the time limit in seconds from the
// environment variable PICTAVO_SVG_TIME_LIMIT when that holds a number above 0 (up to 86400).
// Where no helper is set (ZsUseSvgWorker found none or was never called, as in the fuzz targets and the
// unit tests that set none) drawings are rendered in the calling process with no time limit: a deliberate
// choice, so that fuzzing exercises the renderer itself and the core works without the helper installed.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "common/ZsBase.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsIcon.h"

inline constexpr uint64_t ZS_MAX_SVG_FILE_BYTES = UINT64_C(10) << 20;
inline constexpr int ZS_MAX_SVG_SIDE = 4096;
// The images an icon made from a drawing holds when no formats are asked for: these sizes at 32 bits.
inline constexpr int ZI_SVG_ICON_SIZES[7] = {256, 128, 64, 48, 32, 24, 16};

inline constexpr std::chrono::milliseconds ZS_SVG_TIME_LIMIT_MS{5000};
inline constexpr uint64_t ZS_SVG_WORKER_ADDRESS_SPACE = UINT64_C(2) << 30;
inline constexpr const char* ZS_SVG_WORKER_NAME = "pictavo-svg-worker";

// Finds the helper and reads PICTAVO_SVG_TIME_LIMIT (see above); false, drawing in process, when no helper
// is found. The helper is started on the first drawing, not here.
bool ZsUseSvgWorker();
// The helper to draw in from now on; an empty path draws in process. The running helper, if any, is
// stopped.
void ZsSetSvgWorker(const std::filesystem::path& exe);
std::filesystem::path ZsGetSvgWorker();
// The time one drawing may take in the helper.
void ZsSetSvgTimeLimit(std::chrono::milliseconds limit);
std::chrono::milliseconds ZsGetSvgTimeLimit();
// The process id of the running helper, 0 when none runs. Safe to call while a drawing is in progress.
int ZsGetSvgWorkerPid();
// The helper's side: answers drawing requests read from nIn on nOut until its input ends; the exit code.
int ZsServeSvgRequests(int nIn, int nOut);

// True when the bytes look like an SVG document: after an optional byte order mark and white space an XML
// tag, and "<svg" among the first 4096 bytes.
bool ZsIsSvg(ZsBytes bytes);

// A parsed drawing, drawn in the calling process with no time limit: what the helper itself draws with.
// Callers draw through the functions below, which use the helper when one is set.
class CZsSvg {
public:
    CZsSvg() = default;
    ~CZsSvg();
    CZsSvg(const CZsSvg&) = delete;
    CZsSvg& operator=(const CZsSvg&) = delete;

    // Parses the document; false with a sentence in *pError when it is too large or cannot be parsed.
    bool Load(ZsBytes bytes, std::string* pError = nullptr);
    bool IsLoaded() const { return mpHandle != nullptr; }
    // The drawing's own size in pixels (rounded up): its width and height, else its viewBox's; 0 x 0 when
    // it gives neither.
    double Width() const { return mfWidth; }
    double Height() const { return mfHeight; }
    // The drawing fitted into nWidth x nHeight with its aspect kept and centred, transparent around it; a
    // null bitmap with a sentence in *pError when the size is out of bounds or rendering fails.
    CZsBitmap Render(int nWidth, int nHeight, std::string* pError = nullptr) const;

private:
    void* mpHandle = nullptr;
    double mfWidth = 0;
    double mfHeight = 0;
};

// A drawing as a picture of its own size (ZsDecodePicture's SVG case): a size above ZS_MAX_SVG_SIDE, or none
// at all, is refused.
CZsBitmap ZsRenderSvgPicture(ZsBytes svg, std::string* pError = nullptr);

// An icon of a drawing: one image per format, each rendered at its size (and reduced to its depth), by
// default (no formats) ZI_SVG_ICON_SIZES at 32 bits. Empty, with a sentence in *pError, when the drawing
// cannot be parsed or an image cannot be rendered.
ZsBlock ZI_SvgToIcon(ZsBytes svg, std::span<const ZI_FORMAT> formats, std::string* pError = nullptr);

// An Apple icon file of a drawing (ZI_IconToIcns): every side it holds drawn at its own size, none scaled.
// Without formats that is every standard side from 16 to 1024 pixels; with formats, the standard sides up
// to their largest side, each at the depth of a square format of that side given (else 32 bits).
ZsBlock ZI_SvgToIcns(ZsBytes svg, std::span<const ZI_FORMAT> formats, std::string* pError = nullptr);
