#include "TestSupport.h"

#include <cstdlib>
#include <random>

#include "common/ZsByteReader.h"
#include "icon/ZsPicture.h"

namespace test {

ZsBlock RiffChunk(const char* pszId, const ZsBlock& data, int64_t nLength) {
    ZsBlock out(pszId, pszId + 4);
    ZsPutU32(out, nLength < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(nLength));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        out.push_back(0);
    }
    return out;
}

ZsBlock AniHeader(uint32_t nFlags) {
    ZsBlock h;
    for (const uint32_t v : {36u, 2u, 2u, 0u, 0u, 0u, 0u, 10u, nFlags}) {
        ZsPutU32(h, v);
    }
    return h;
}

ZsBlock AniFrames(const std::vector<ZsBlock>& frames) {
    ZsBlock list{'f', 'r', 'a', 'm'};
    for (const ZsBlock& f : frames) {
        const ZsBlock c = RiffChunk("icon", f);
        list.insert(list.end(), c.begin(), c.end());
    }
    return RiffChunk("LIST", list);
}

ZsBlock MakeAni(const std::vector<ZsBlock>& chunks, int64_t nRiffLength) {
    ZsBlock body{'A', 'C', 'O', 'N'};
    for (const ZsBlock& c : chunks) {
        body.insert(body.end(), c.begin(), c.end());
    }
    return RiffChunk("RIFF", body, nRiffLength);
}

std::filesystem::path TestRoot() {
    static const std::filesystem::path root = [] {
        std::random_device rd;
        std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("pictavo-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return root;
}

TempDir::TempDir() {
    static int n = 0;
    mPath = TestRoot() / ("t" + std::to_string(++n));
    std::filesystem::remove_all(mPath);
    std::filesystem::create_directories(mPath);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
}

LogCapture::LogCapture() {
    ZsSetLogSink([this](const std::string& line) { mLines.push_back(line); });
}

LogCapture::~LogCapture() {
    ZsSetLogSink(nullptr);
}

bool LogCapture::Contains(const std::string& text) const {
    for (const std::string& l : mLines) {
        if (l.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

ScriptedMessages::ScriptedMessages(std::vector<int> answers)
    : mAnswers(std::move(answers)), mpPrevious(ZsSetMessageHandler(this)) {}

ScriptedMessages::~ScriptedMessages() {
    ZsSetMessageHandler(mpPrevious);
}

int ScriptedMessages::MsgBox(int nType, const std::string& sText) {
    shown.emplace_back(nType, sText);
    if (mAnswers.empty()) {
        return (nType & 0xF) == ZS_MB_OK ? ZS_IDOK : ZS_IDCANCEL;
    }
    int a = mAnswers.front();
    mAnswers.erase(mAnswers.begin());
    return a;
}

int ScriptedMessages::AskRemoveOrDelete(const std::string& sText, const std::string& sFirstLabel) {
    shown.emplace_back(-1, sText);
    firstLabels.push_back(sFirstLabel);
    if (mAnswers.empty()) {
        return ZS_IDCANCEL;
    }
    int a = mAnswers.front();
    mAnswers.erase(mAnswers.begin());
    return a;
}

IcoImage DibImage(int w, int h, int bits, uint8_t nFill) {
    IcoImage img;
    img.bWidth = static_cast<uint8_t>(w < 256 ? w : 0);
    img.bHeight = static_cast<uint8_t>(h < 256 ? h : 0);
    img.wBitCount = static_cast<uint16_t>(bits);
    int colours = bits <= 8 ? 1 << bits : 0;
    int xorStride = ((w * bits + 31) >> 3) & ~3;
    int andStride = ((w + 31) >> 3) & ~3;
    std::vector<uint8_t>& d = img.data;
    ZsPutU32(d, 40);
    ZsPutU32(d, static_cast<uint32_t>(w));
    ZsPutU32(d, static_cast<uint32_t>(2 * h));
    ZsPutU16(d, 1);
    ZsPutU16(d, static_cast<uint16_t>(bits));
    ZsPutU32(d, 0);
    ZsPutU32(d, static_cast<uint32_t>(xorStride * 2 * h));
    for (int i = 0; i < 4; ++i) {
        ZsPutU32(d, 0);
    }
    d.insert(d.end(), static_cast<size_t>(4 * colours), 0);
    d.insert(d.end(), static_cast<size_t>(xorStride * h), nFill);
    d.insert(d.end(), static_cast<size_t>(andStride * h), 0);
    return img;
}

IcoImage PngStub(int w, int h, int bits, size_t nExtra) {
    IcoImage img;
    img.bWidth = static_cast<uint8_t>(w < 256 ? w : 0);
    img.bHeight = static_cast<uint8_t>(h < 256 ? h : 0);
    img.wBitCount = static_cast<uint16_t>(bits);
    std::vector<uint8_t>& d = img.data;
    d = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int v : {w, h}) {
        d.push_back(static_cast<uint8_t>(v >> 24));
        d.push_back(static_cast<uint8_t>(v >> 16));
        d.push_back(static_cast<uint8_t>(v >> 8));
        d.push_back(static_cast<uint8_t>(v));
    }
    d.insert(d.end(), nExtra, 0x5A);
    return img;
}

namespace {

void PutU32BE(ZsBlock& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

}  // namespace

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

void PngChunk(ZsBlock& out, const char* pszType, const ZsBlock& data) {
    PutU32BE(out, static_cast<uint32_t>(data.size()));
    const size_t at = out.size();
    out.insert(out.end(), pszType, pszType + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutU32BE(out, Crc32(out.data() + at, out.size() - at));
}

ZsBlock HandMadePng(uint32_t w, uint32_t h, uint8_t nDepth, uint8_t nColourType, const ZsBlock& raw,
                    const std::vector<std::pair<const char*, ZsBlock>>& extra, int nWindowBits) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ZsBlock png(kSignature, kSignature + 8);
    ZsBlock ihdr;
    PutU32BE(ihdr, w);
    PutU32BE(ihdr, h);
    for (uint8_t v : {nDepth, nColourType, uint8_t{0}, uint8_t{0}, uint8_t{0}}) {
        ihdr.push_back(v);
    }
    PngChunk(png, "IHDR", ihdr);
    for (const auto& [pszType, data] : extra) {
        PngChunk(png, pszType, data);
    }
    // The header's check bits make CMF * 256 + FLG a multiple of 31.
    const uint8_t nCmf = static_cast<uint8_t>(((nWindowBits - 8) << 4) | 8);
    ZsBlock z{nCmf, static_cast<uint8_t>((31 - nCmf * 256 % 31) % 31), 0x01};
    ZsPutU16(z, static_cast<uint16_t>(raw.size()));
    ZsPutU16(z, static_cast<uint16_t>(~raw.size()));
    z.insert(z.end(), raw.begin(), raw.end());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    PutU32BE(z, (b << 16) | a);
    PngChunk(png, "IDAT", z);
    PngChunk(png, "IEND", {});
    return png;
}

IcoImage PngImage(int w, int h, uint32_t nColor) {
    IcoImage img;
    img.bWidth = static_cast<uint8_t>(w < 256 ? w : 0);
    img.bHeight = static_cast<uint8_t>(h < 256 ? h : 0);
    img.wBitCount = 32;
    img.data = ZsEncodePicture(CZsBitmap(w, h, 32, nColor), ZS_PIC_PNG);
    return img;
}

std::vector<uint8_t> MakeIco(const std::vector<IcoImage>& images) {
    std::vector<uint8_t> b;
    ZsPutU16(b, 0);
    ZsPutU16(b, 1);
    ZsPutU16(b, static_cast<uint16_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const IcoImage& img : images) {
        b.push_back(img.bWidth);
        b.push_back(img.bHeight);
        b.push_back(static_cast<uint8_t>(img.wBitCount <= 8 ? (1u << img.wBitCount) & 0xFF : 0));
        b.push_back(0);
        ZsPutU16(b, 1);
        ZsPutU16(b, img.wBitCount);
        ZsPutU32(b, static_cast<uint32_t>(img.data.size()));
        ZsPutU32(b, offset);
        offset += static_cast<uint32_t>(img.data.size());
    }
    for (const IcoImage& img : images) {
        b.insert(b.end(), img.data.begin(), img.data.end());
    }
    return b;
}

std::string SlowSvg() {
    std::string s =
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="1024" height="1024"><defs>)"
        R"(<filter id="f" x="0" y="0" width="1" height="1">)"
        R"(<feTurbulence baseFrequency="0.01" numOctaves="8"/><feGaussianBlur stdDeviation="40"/>)"
        R"(</filter></defs>)";
    for (int i = 0; i < 2000; ++i) {
        s += R"svg(<rect width="1024" height="1024" filter="url(#f)"/>)svg";
    }
    return s + "</svg>";
}

}  // namespace test
