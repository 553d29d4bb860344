// One picture decoder on arbitrary bytes (the build gives each decoder its own target through
// PICTAVO_FUZZ_PICTURE, the picture type index), then the icon made of what it decoded and a round trip
// through the encoder of the same type.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "FuzzSupport.h"
#include "icon/ZsPicture.h"
#include "icon/ZsPngInflate.h"

namespace {

// The leading bytes by which the decoder of the type is chosen.
bool IsOfType(ZsBytes bytes) {
    const auto starts = [&](std::initializer_list<uint8_t> magic) {
        return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
    };
    switch (PICTAVO_FUZZ_PICTURE) {
        case ZS_PIC_BMP:
            return starts({'B', 'M'});
        case ZS_PIC_JPEG:
            return starts({0xFF, 0xD8, 0xFF});
        case ZS_PIC_GIF:
            return starts({'G', 'I', 'F', '8'});
        case ZS_PIC_TIFF:
            return starts({'I', 'I'}) || starts({'M', 'M'});
        case ZS_PIC_WEBP:
            return starts({'R', 'I', 'F', 'F'});
        default:
            return starts({0x89, 'P', 'N', 'G'});
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    const ZsBytes bytes(pData, nSize);
    if (!IsOfType(bytes)) {
        return 0;
    }
    // Whatever the inflating PNG decoder takes, it decodes exactly as libpng does.
    if (PICTAVO_FUZZ_PICTURE == ZS_PIC_PNG) {
        const CZsBitmap inflated = ZsInflatePng(bytes);
        if (!inflated.IsNull() && !(inflated == ZsDecodePngWithLibpng(bytes))) {
            __builtin_trap();
        }
    }
    std::string sError;
    CZsBitmap bmp = ZsDecodePicture(bytes, &sError);
    // A picture that cannot be decoded always says why.
    if (bmp.IsNull() != !sError.empty()) {
        __builtin_trap();
    }
    // The steps after decoding cost by the pixel; small pictures reach the same code.
    if (bmp.IsNull() || static_cast<int64_t>(bmp.Width()) * bmp.Height() > 64 * 64) {
        return 0;
    }
    ZI_PictureToIcon(bmp, ZI_SIZING_SHRINK);
    // What the encoder writes, the decoder reads.
    ZsBlock encoded = ZsEncodePicture(bmp, PICTAVO_FUZZ_PICTURE);
    if (encoded.empty() || ZsDecodePicture(encoded).IsNull()) {
        __builtin_trap();
    }
    return 0;
}
