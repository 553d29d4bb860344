// Shared pieces of the tests of the library's batch edits: a progress sink that records the run, and icons
// of solid colours.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/ZsProgress.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"

namespace test {

// Records the texts of a run by target and answers Pump from a script (true once the script runs out);
// installed for its lifetime.
class ProgressRecorder : public CZsProgressSink {
public:
    explicit ProgressRecorder(std::vector<bool> pumps = {})
        : mPumps(std::move(pumps)), mpPrevious(ZsSetProgressSink(this)) {}
    ~ProgressRecorder() override { ZsSetProgressSink(mpPrevious); }
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    void Begin() override { ++nBegun; }
    void SetText(int nTargets, const std::string& sText) override {
        if (nTargets & PRG_TITLE) {
            titles.push_back(sText);
        }
        if (nTargets & PRG_STATUS) {
            statuses.push_back(sText);
        }
        if (nTargets & PRG_LOG) {
            log.push_back(sText);
        }
    }
    void SetPos(int nPos, int nUpper) override { positions.emplace_back(nPos, nUpper); }
    bool Pump() override {
        ++nPumped;
        if (mPumps.empty()) {
            return true;
        }
        bool b = mPumps.front();
        mPumps.erase(mPumps.begin());
        return b;
    }
    void End(bool bCompleted) override { ends.push_back(bCompleted); }

    int nBegun = 0;
    int nPumped = 0;
    std::vector<std::string> titles, statuses, log;
    std::vector<std::pair<int, int>> positions;
    std::vector<bool> ends;

private:
    std::vector<bool> mPumps;
    CZsProgressSink* mpPrevious;
};

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
