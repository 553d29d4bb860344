// WebP pictures through libwebp: still pictures are read, lossless ones written.
#include <webp/decode.h>
#include <webp/encode.h>

#include "icon/ZsCodec.h"
#include "icon/ZsPicture.h"

namespace {

// The largest side a WebP picture can have.
constexpr int kMaxWebpSide = 16383;
// Neither lossless nor lossy WebP has a least cost per pixel (a pixel of a one-symbol code costs no bits), so
// a few bytes could otherwise claim half a gigabyte of pixels and the time to fill them. Real pictures, even
// flat drawings, stay far below this many pixels per byte of the file.
constexpr uint64_t kMaxWebpPixelsPerByte = 1 << 16;

void SetError(std::string* pError, const std::string& text) {
    if (pError) {
        *pError = text;
    }
}

}  // namespace

CZsBitmap ZsDecodeWebp(ZsBytes bytes, std::string* pError) {
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA) {
        SetError(pError, "the WebP data is truncated");
        return {};
    }
    if (status != VP8_STATUS_OK) {
        SetError(pError, "damaged WebP data (unreadable header)");
        return {};
    }
    if (features.has_animation) {
        SetError(pError, "animated WebP pictures are not read (save one frame as a still picture)");
        return {};
    }
    const uint64_t nMaxPixels =
        bytes.size() > UINT64_MAX / kMaxWebpPixelsPerByte ? UINT64_MAX : bytes.size() * kMaxWebpPixelsPerByte;
    if (!ZsCheckPictureData(features.width, features.height, bytes.size(), nMaxPixels, pError)) {
        return {};
    }
    CZsBitmap bmp(features.width, features.height);
    // BGRA bytes are 0xAARRGGBB values in memory; pictures without alpha come out opaque.
    const size_t nStride = 4 * static_cast<size_t>(bmp.Width());
    if (!WebPDecodeBGRAInto(bytes.data(), bytes.size(), reinterpret_cast<uint8_t*>(bmp.Pixels().data()),
                            nStride * static_cast<size_t>(bmp.Height()), static_cast<int>(nStride))) {
        SetError(pError, "damaged WebP data (the picture cannot be decoded)");
        return {};
    }
    return bmp;
}

ZsBlock ZsEncodeWebp(const CZsBitmap& bitmap) {
    if (bitmap.IsNull() || bitmap.Width() > kMaxWebpSide || bitmap.Height() > kMaxWebpSide) {
        return {};
    }
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture)) {
        return {};
    }
    config.lossless = 1;
    config.exact = 1;
    config.method = 4;
    config.quality = 75;
    picture.use_argb = 1;
    picture.width = bitmap.Width();
    picture.height = bitmap.Height();
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    ZsBlock out;
    if (WebPPictureImportBGRA(&picture, reinterpret_cast<const uint8_t*>(bitmap.Pixels().data()),
                              4 * bitmap.Width()) &&
        WebPEncode(&config, &picture)) {
        out.assign(writer.mem, writer.mem + writer.size);
    }
    WebPPictureFree(&picture);
    WebPMemoryWriterClear(&writer);
    return out;
}
