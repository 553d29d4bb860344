// Shared pieces of the tests of the library's batch edits: icons of solid colours (and the progress
// recorder).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ProgressRecorder.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"

namespace test {

// An icon of 32-bit images, each of one size and one opaque colour (0xAARRGGBB; never pure black, which
// would become transparent).
inline ZsBlock SolidIco(const std::vector<std::pair<int, uint32_t>>& images) {
    CIcon icon;
    for (const auto& [nSize, nColour] : images) {
        ZI_IMAGE image = CIcon::NewImage({nSize, nSize, 32});
        ZI_SetImageBitmap(image, CZsBitmap(nSize, nSize, 32, nColour));
        icon.AddImage(std::move(image));
    }
    return icon.GetData(-1);
}

}  // namespace test
