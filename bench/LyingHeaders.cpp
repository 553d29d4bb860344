// What small files with lying headers cost: pictures whose headers claim thousands of times more pixels than
// their data can fill, and an icon whose directory names the same image thousands of times. Each case runs
// in a child process of its own, so that its peak memory is its own; the table gives the file's size, the
// outcome, the time and the peak resident memory above that of a child that does nothing.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "common/ZsByteReader.h"
#include "common/ZsText.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

namespace {

struct Case {
    const char* pszName;
    ZsBlock bytes;
    std::function<std::string(ZsBytes)> run;
};

std::string Decode(ZsBytes bytes) {
    std::string sError;
    CZsBitmap bmp = ZsDecodePicture(bytes, &sError);
    return bmp.IsNull() ? "refused: " + sError : ZsFormat("decoded %d x %d", bmp.Width(), bmp.Height());
}

std::string Unpack(ZsBytes bytes) {
    CIcon icon;
    icon.SetData(bytes);
    return ZsFormat("%zu entries, %d unpacked", static_cast<size_t>(bytes[4] | (bytes[5] << 8)),
                    icon.GetImageCount());
}

// A GIF of a 2-colour screen and one frame whose one pixel is coded (the LZW codes clear, 1, end).
ZsBlock Gif(uint16_t sw, uint16_t sh, uint16_t w, uint16_t h) {
    ZsBlock g{'G', 'I', 'F', '8', '9', 'a'};
    ZsPutU16(g, sw);
    ZsPutU16(g, sh);
    for (uint8_t v : {0x80, 0, 0, 0, 0, 0, 255, 255, 255, 0x2C, 0, 0, 0, 0}) {
        g.push_back(v);
    }
    ZsPutU16(g, w);
    ZsPutU16(g, h);
    for (uint8_t v : {0, 2, 2, 0x4C, 0x01, 0, 0x3B}) {
        g.push_back(v);
    }
    return g;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) {
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
    }
    return ~c;
}

void SetU32BE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
}

std::vector<Case> Cases() {
    std::vector<Case> cases;
    cases.push_back({"GIF, screen 16384 x 8192, frame 1 x 1", Gif(16384, 8192, 1, 1), Decode});
    cases.push_back({"GIF, frame 16384 x 8192", Gif(16384, 8192, 16384, 8192), Decode});

    CZsBitmap small(4, 4, 32, 0xFF336699);
    ZsBlock png = ZsEncodePicture(small, ZS_PIC_PNG);
    SetU32BE(png.data() + 16, 8192);
    SetU32BE(png.data() + 20, 8192);
    SetU32BE(png.data() + 29, Crc32(png.data() + 12, 17));
    cases.push_back({"PNG, 8192 x 8192", png, Decode});

    ZsBlock rle{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14 + 40 + 8, 0, 0, 0};
    for (uint32_t v : {40u, 16384u, 8192u}) {
        ZsPutU32(rle, v);
    }
    ZsPutU16(rle, 1);
    ZsPutU16(rle, 8);
    ZsPutU32(rle, 1);
    rle.resize(14 + 40, 0);
    ZsSetU32(rle.data() + 46, 2);
    for (uint8_t v : {0, 0, 0, 0, 255, 255, 255, 0, 0xFF, 1, 0, 1}) {
        rle.push_back(v);
    }
    cases.push_back({"BMP run-length, 16384 x 8192", rle, Decode});

    ZsBlock jpeg = ZsEncodePicture(small, ZS_PIC_JPEG);
    const uint8_t sof0[2] = {0xFF, 0xC0};
    auto sof = std::search(jpeg.begin(), jpeg.end(), std::begin(sof0), std::end(sof0));
    if (sof != jpeg.end()) {
        sof[5] = 8000 >> 8;
        sof[6] = 8000 & 0xFF;
        sof[7] = 16000 >> 8;
        sof[8] = 16000 & 0xFF;
    }
    cases.push_back({"JPEG, 16000 x 8000", jpeg, Decode});

    ZsBlock tiff = ZsEncodePicture(small, ZS_PIC_TIFF);
    CZsByteReader r(tiff);
    const uint32_t ifd = r.U32At(4);
    for (uint32_t i = 0; i < r.U16At(ifd); ++i) {
        const uint32_t at = ifd + 2 + 12 * i;
        const uint16_t tag = r.U16At(at);
        if (tag == 256 || tag == 257) {
            const uint32_t v = tag == 256 ? 16000 : 8000;
            if (r.U16At(at + 2) == 3) {
                ZsSetU16(tiff.data() + at + 8, static_cast<uint16_t>(v));
            } else {
                ZsSetU32(tiff.data() + at + 8, v);
            }
        }
    }
    cases.push_back({"TIFF, 16000 x 8000", tiff, Decode});

    // 20,000 directory entries that all name one 32 x 32 image.
    CIcon one;
    one.AddFormat(ZI_FORMAT{32, 32, 32});
    ZsBlock image = one.GetData();
    const uint32_t nImage = static_cast<uint32_t>(image.size() - 22);
    ZsBlock ico{0, 0, 1, 0};
    ZsPutU16(ico, 20000);
    for (int i = 0; i < 20000; ++i) {
        ico.insert(ico.end(), image.begin() + 6, image.begin() + 14);
        ZsPutU32(ico, nImage);
        ZsPutU32(ico, 6 + 16 * 20000);
    }
    ico.insert(ico.end(), image.begin() + 22, image.end());
    cases.push_back({"ICO, 20000 entries naming one image", ico, Unpack});
    return cases;
}

// Runs fn in a child and gives its wall time and peak resident memory; the child's answer comes back
// through a pipe.
struct Measured {
    std::string sOutcome;
    double ms = 0;
    long nPeakKb = 0;
};

Measured InChild(const std::function<std::string()>& fn) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string s = fn();
        ssize_t n = write(fds[1], s.data(), s.size());
        _exit(n < 0 ? 1 : 0);
    }
    close(fds[1]);
    Measured m;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) {
        m.sOutcome.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    m.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    m.nPeakKb = usage.ru_maxrss;
    return m;
}

}  // namespace

int main() {
    std::vector<Case> cases = Cases();
    const long nBaseKb = InChild([] { return std::string(); }).nPeakKb;
    std::printf("| File | Bytes | Outcome | Time | Peak memory |\n|---|---|---|---|---|\n");
    for (Case& c : cases) {
        const Measured m = InChild([&] { return c.run(c.bytes); });
        std::printf("| %s | %zu | %s | %.1f ms | %.1f MB |\n", c.pszName, c.bytes.size(), m.sOutcome.c_str(),
                    m.ms, static_cast<double>(std::max(0L, m.nPeakKb - nBaseKb)) / 1024.0);
    }
    return 0;
}
