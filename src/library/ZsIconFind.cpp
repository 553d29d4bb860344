// Icon search: the matchers, the scope of a search in the category tree, and the search history.
#include <algorithm>
#include <unordered_set>

#include "common/ZsBase.h"
#include "common/ZsSettings.h"
#include "common/ZsText.h"
#include "library/ZsIconLib.h"

namespace {

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
        return true;
    }

    bool Match(const std::string& sText) {
        if (mbRegEx) {
            return mRegex.Search(sText);
        }
        const std::string& text = mbCase ? sText : Fold(sText);
        return mbWhole ? text == mPattern : text.find(mPattern) != std::string::npos;
    }

private:
    // The folded text in a buffer reused from text to text; plain ASCII is folded without decoding.
    const std::string& Fold(const std::string& sText) {
        mFolded.resize(sText.size());
        for (size_t i = 0; i < sText.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(sText[i]);
            if (c >= 0x80) {
                mFolded = ZsToLower(sText);
                return mFolded;
            }
            mFolded[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
        return mFolded;
    }

    bool mbCase = false;
    bool mbWhole = false;
    bool mbRegEx = false;
    std::string mPattern;
    std::string mFolded;
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
    unsigned nAccess = (bInNames ? ZIL_ICON_LOADNAME : 0u) | (bInKwds ? ZIL_ICON_LOADKWDS : 0u);
    // An icon listed in several of the searched categories is found once.
    std::unordered_set<int32_t> seen;
    seen.reserve(candidates.size());
    for (int32_t nId : candidates) {
        if (!seen.insert(nId).second) {
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
        for (ZsTreeItem c = mpTree->GetLastChildItem(selected); c != ZS_TI_NONE; c = mpTree->GetPrevSiblingItem(c)) {
            stack.push_back(c);
        }
        while (!stack.empty()) {
            ZsTreeItem item = stack.back();
            stack.pop_back();
            scope.push_back(mpTree->GetItemData(item));
            for (ZsTreeItem c = mpTree->GetLastChildItem(item); c != ZS_TI_NONE; c = mpTree->GetPrevSiblingItem(c)) {
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
    ZS_FIND_HISTORY.Set(ZsUpdateFindHistory(ZS_FIND_HISTORY.Get(ini), sText, ZS_OPT_FIND_HISTORY.Get(ini)), ini);
}
