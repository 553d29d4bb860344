// Helpers shared by the tests: temporary folders, captured log lines, scripted message boxes and builders of
// binary fixtures.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ZsBase.h"
#include "common/ZsLog.h"

namespace test {

// A fresh folder under the test run's private temporary root, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return mPath; }
    std::filesystem::path operator/(const std::string& name) const { return mPath / name; }

private:
    std::filesystem::path mPath;
};

// Collects the log lines written while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const std::vector<std::string>& Lines() const { return mLines; }
    bool Contains(const std::string& text) const;

private:
    std::vector<std::string> mLines;
};

// Answers message boxes from a script and records their texts.
class ScriptedMessages : public CZsMessageHandler {
public:
    explicit ScriptedMessages(std::vector<int> answers = {});
    ~ScriptedMessages() override;
    int MsgBox(int nType, const std::string& sText) override;
    // Recorded in shown with the type -1; the first button's label goes to firstLabels.
    int AskRemoveOrDelete(const std::string& sText, const std::string& sFirstLabel) override;
    std::vector<std::pair<int, std::string>> shown;
    std::vector<std::string> firstLabels;

private:
    std::vector<int> mAnswers;
    CZsMessageHandler* mpPrevious;
};

// One image of an ICO block under construction.
struct IcoImage {
    uint8_t bWidth = 0;
    uint8_t bHeight = 0;
    uint16_t wBitCount = 32;
    std::vector<uint8_t> data;
};

// A DIB image of the given size and depth: header with height 2h, zero colour table, colour bits filled with
// nFill, AND mask all clear (opaque).
IcoImage DibImage(int w, int h, int bits, uint8_t nFill = 0x11);
// A minimal PNG-signature image whose IHDR says w x h (not decodable beyond the header).
IcoImage PngStub(int w, int h, int bits = 32, size_t nExtra = 16);
// A PNG-compressed image of w x h pixels of one colour (0xAARRGGBB), decodable.
IcoImage PngImage(int w, int h, uint32_t nColor);
// A whole ICO block with the images in the given directory order.
std::vector<uint8_t> MakeIco(const std::vector<IcoImage>& images);

// The CRC-32 of PNG chunks and zip files.
uint32_t Crc32(const uint8_t* p, size_t n);
// Appends a PNG chunk: length, type, data and CRC.
void PngChunk(std::vector<uint8_t>& out, const char* pszType, const std::vector<uint8_t>& data);
// A PNG of any colour type written by hand: the chunks of extra after IHDR, then the rows (each with its
// filter byte) in one stored deflate block behind a zlib header declaring a window of 2^nWindowBits bytes.
std::vector<uint8_t> HandMadePng(uint32_t w, uint32_t h, uint8_t nDepth, uint8_t nColourType,
                                 const std::vector<uint8_t>& raw,
                                 const std::vector<std::pair<const char*, std::vector<uint8_t>>>& extra = {},
                                 int nWindowBits = 15);

// Animated cursors: a RIFF chunk (id, the true length unless one is given, data and the pad byte of an
// odd length), the "anih" header's data with its flags (1: the frames are icons or cursors), the "fram"
// list of frames and the whole file of chunks.
std::vector<uint8_t> RiffChunk(const char* pszId, const std::vector<uint8_t>& data, int64_t nLength = -1);
std::vector<uint8_t> AniHeader(uint32_t nFlags = 1);
std::vector<uint8_t> AniFrames(const std::vector<std::vector<uint8_t>>& frames);
std::vector<uint8_t> MakeAni(const std::vector<std::vector<uint8_t>>& chunks, int64_t nRiffLength = -1);

std::filesystem::path TestRoot();

// A 1024 x 1024 SVG drawing of thousands of elements that each fill the canvas with noise and blur it:
// minutes of drawing, for tests of the time limit (never to be drawn without one).
std::string SlowSvg();

}  // namespace test
