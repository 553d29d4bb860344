// Icon search: the matchers, the scope of a search in the category tree, and the search history.
#include <algorithm>
#include <unordered_set>

#include "common/ZsBase.h"
#include "common/ZsSettings.h"
#include "common/ZsText.h"
#include "library/ZsIconLib.h"

namespace {

// Plain ASCII folds to plain ASCII: letters are lowered through a table, other bytes stay.
struct CAsciiFold {
    unsigned char map[256];
    CAsciiFold() {
        for (int c = 0; c < 256; ++c) {
            map[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
    }
};
const CAsciiFold kFold;

bool IsAscii(std::string_view text) {
    unsigned char bits = 0;
    for (char c : text) {
        bits |= static_cast<unsigned char>(c);
    }
    return !(bits & 0x80);
}

// Tests texts against one pattern. Everything that depends only on the pattern is prepared once.
class CTextMatcher {
public:
    bool Prepare(const std::string& sPattern, bool bCaseSensitive, bool bWholeWord, bool bRegEx,
                 std::string* pError) {
        mbCase = bCaseSensitive;
        mbWhole = bWholeWord;
        mbRegEx = bRegEx;
        if (bRegEx) {
            return mRegex.Compile(sPattern, !bCaseSensitive, bWholeWord, pError);
        }
        mPattern = bCaseSensitive ? sPattern : ZsToLower(sPattern);
        mbAsciiPattern = IsAscii(mPattern);
        return true;
    }

    bool Match(const std::string& sText) {
        if (mbRegEx) {
            return mRegex.Search(sText);
        }
        if (mbCase) {
            return mbWhole ? sText == mPattern : sText.find(mPattern) != std::string::npos;
        }
        // Texts of plain ASCII (nearly all of them) are compared through the table, without folding a copy.
        if (mbAsciiPattern && IsAscii(sText)) {
            return mbWhole ? EqualAscii(sText) : FindAscii(sText);
        }
        std::string folded = ZsToLower(sText);
        return mbWhole ? folded == mPattern : folded.find(mPattern) != std::string::npos;
    }

private:
    bool EqualAscii(std::string_view text) const {
        if (text.size() != mPattern.size()) {
            return false;
        }
        for (size_t i = 0; i < text.size(); ++i) {
            if (kFold.map[static_cast<unsigned char>(text[i])] != static_cast<unsigned char>(mPattern[i])) {
                return false;
            }
        }
        return true;
    }

    bool FindAscii(std::string_view text) const {
        size_t n = text.size(), m = mPattern.size();
        if (m == 0) {
            return true;
        }
        const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data());
        const unsigned char* p = reinterpret_cast<const unsigned char*>(mPattern.data());
        for (size_t i = 0; i + m <= n; ++i) {
            if (kFold.map[s[i]] != p[0]) {
                continue;
            }
            size_t k = 1;
            while (k < m && kFold.map[s[i + k]] == p[k]) {
                ++k;
            }
            if (k == m) {
                return true;
            }
        }
        return false;
    }

    bool mbCase = false;
    bool mbWhole = false;
    bool mbRegEx = false;
    bool mbAsciiPattern = false;
    std::string mPattern;
    CZsRegex mRegex;
};

}  // namespace

bool CZsIconLib::FindIcons(const std::string& sText, const std::vector<int32_t>& scope, bool bCaseSensitive,
                           bool bWholeWord, bool bRegEx, bool bInNames, bool bInKwds, std::string* pError) {
    // The candidates are gathered before the results are emptied, so a search in "Find Results" narrows
    // the previous results.
    ZIL_LIST candidates;
    for (int32_t nNode : scope) {
        NodeToList(nNode, candidates);
    }
    ZIL_LIST& results = *GetNodeIcons(ZIL_ID_FIND, ZIL_NODE_ALLOC).list;
    results.clear();
    CTextMatcher matcher;
    if (!matcher.Prepare(sText, bCaseSensitive, bWholeWord, bRegEx, pError)) {
        return false;
    }
    // Names and keywords not read yet come in one pass over their rows, without the image data.
    unsigned nAccess = (bInNames ? ZIL_ICON_LOADNAME : 0u) | (bInKwds ? ZIL_ICON_LOADKWDS : 0u);
    LoadIconTexts(candidates, nAccess);
    // An icon listed in several of the searched categories is found once. Ids are dense, so a byte per id
    // marks them; a stray id beyond that range goes to a set.
    std::vector<uint8_t> seenDense(static_cast<size_t>(
        std::clamp<int64_t>(mnNextIcon, 0, static_cast<int64_t>(candidates.size()) * 4 + 4096)));
    std::unordered_set<int32_t> seenSparse;
    for (int32_t nId : candidates) {
        size_t nIdx = static_cast<size_t>(nId);
        if (nId >= 0 && nIdx < seenDense.size()) {
            if (seenDense[nIdx]) {
                continue;
            }
            seenDense[nIdx] = 1;
        } else if (!seenSparse.insert(nId).second) {
            continue;
        }
        const ZIL_ICON& icon = GetIconRec(nId, nAccess);
        if ((bInNames && matcher.Match(*icon.name)) || (bInKwds && matcher.Match(*icon.kwds))) {
            results.push_back(nId);
        }
    }
    return true;
}

std::vector<int32_t> CZsIconLib::GetFindScope(ZsTreeItem selected, int nScope) const {
    if (nScope == ZIL_SCOPE_ALL) {
        return {ZIL_ID_ALL};
    }
    int32_t nId = mpTree ? mpTree->GetItemData(selected) : 0;
    std::vector<int32_t> scope{nId};
    if (nScope == ZIL_SCOPE_DESCENDANTS && nId >= 1) {
        // The descendants in pre-order: each child, then its subtree, then the next child.
        std::vector<ZsTreeItem> stack;
        for (ZsTreeItem c = mpTree->GetLastChildItem(selected); c != ZS_TI_NONE;
             c = mpTree->GetPrevSiblingItem(c)) {
            stack.push_back(c);
        }
        while (!stack.empty()) {
            ZsTreeItem item = stack.back();
            stack.pop_back();
            scope.push_back(mpTree->GetItemData(item));
            for (ZsTreeItem c = mpTree->GetLastChildItem(item); c != ZS_TI_NONE;
                 c = mpTree->GetPrevSiblingItem(c)) {
                stack.push_back(c);
            }
        }
    }
    return scope;
}

std::vector<std::string> ZsUpdateFindHistory(std::vector<std::string> history, const std::string& sText,
                                             int nLimit) {
    history.erase(std::remove_if(history.begin(), history.end(),
                                 [&](const std::string& s) { return ZsEqualNoCase(s, sText); }),
                  history.end());
    history.insert(history.begin(), sText);
    history.resize(std::min(history.size(), static_cast<size_t>(std::max(nLimit, 0))));
    return history;
}

void ZsAddFindHistory(const std::string& sText, CZsMemIni& ini) {
    ZS_FIND_HISTORY.Set(ZsUpdateFindHistory(ZS_FIND_HISTORY.Get(ini), sText, ZS_OPT_FIND_HISTORY.Get(ini)),
                        ini);
}
