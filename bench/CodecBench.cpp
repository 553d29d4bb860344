// Speed of the pixel pipeline: scaling, colour reduction and icon generation from a large picture.
#include <benchmark/benchmark.h>

#include "icon/ZsCodec.h"
#include "icon/ZsFormats.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

namespace {

// A 1024 x 1024 picture with a soft transparent edge and many colours.
CZsBitmap Picture() {
    CZsBitmap bmp(1024, 1024);
    for (int y = 0; y < 1024; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const int dx = x - 512, dy = y - 512;
            const int d = dx * dx + dy * dy;
            const unsigned a = d < 400 * 400 ? 255 : d > 500 * 500 ? 0 : 128;
            bmp.At(x, y) = ZsArgb(a, static_cast<unsigned>(x / 4), static_cast<unsigned>(y / 4), 128);
        }
    }
    return bmp;
}

void ScaleTo(benchmark::State& state) {
    const CZsBitmap src = Picture();
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZsResizeHBITMAP(src, size, size, 32));
    }
}
BENCHMARK(ScaleTo)->Arg(256)->Arg(48)->Arg(16)->Unit(benchmark::kMillisecond);

void ReduceTo(benchmark::State& state) {
    const CZsBitmap src = ZsScaleBitmap(Picture(), 256, 256);
    const int bits = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZsResizeHBITMAP(src, 256, 256, bits));
    }
}
BENCHMARK(ReduceTo)->Arg(8)->Arg(4)->Arg(1)->Unit(benchmark::kMillisecond);

// The work of "convert in.png out.ico --formats" with seven 32-bit sizes, without the file reading.
void SevenSizes(benchmark::State& state) {
    const CZsBitmap src = Picture();
    std::vector<ZI_FORMAT> formats;
    std::string sError;
    ZI_ParseFormatList("256x256-XP,128x128-XP,64x64-XP,48x48-XP,32x32-XP,24x24-XP,16x16-XP", formats,
                       &sError);
    for (auto _ : state) {
        CIcon icon;
        icon.SetData(ZI_PictureToIcon(src, ZI_SIZING_ENLARGE));
        icon.SetFormats(formats);
        benchmark::DoNotOptimize(icon.GetData(-1));
    }
}
BENCHMARK(SevenSizes)->Unit(benchmark::kMillisecond);

}  // namespace
