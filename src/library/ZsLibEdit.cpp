#include "library/ZsLibEdit.h"

#include <algorithm>

#include "common/ZsLog.h"
#include "common/ZsProgress.h"
#include "icon/ZsFormats.h"

namespace {

// The icons of the selected rows, each once, in row order or (bFromLast) from the last row up.
std::vector<int32_t> SelectedIds(const ZIL_LIST& list, std::vector<int> rows, bool bFromLast) {
    std::vector<int> clean = ZsCleanRows(std::move(rows), list.size());
    if (bFromLast) {
        std::reverse(clean.begin(), clean.end());
    }
    return ZsIconsOfRows(list, clean);
}

bool IsDeleted(CZsIconLib& lib, int32_t nId) {
    return (lib.GetIconRec(nId, 0).nFlags & ZIL_DELETED) != 0;
}

// The icons a batch deletes: each is marked at once, so that the batch passes over it from then on, and all
// leave the lists in one pass when the batch ends (one pass per icon would grow with the square of their
// number).
class CBatchDelete {
public:
    explicit CBatchDelete(CZsIconLib& lib) : mLib(lib) {}
    void Add(int32_t nId) {
        mLib.GetIconRec(nId, 0).nFlags |= ZIL_DELETED;
        mIds.push_back(nId);
    }
    void Finish() {
        mLib.DelIcons(mIds);
        mIds.clear();
    }

private:
    CZsIconLib& mLib;
    std::vector<int32_t> mIds;
};

// The log line of an icon whose data could not be read or written; it is named in the result's failures.
std::string FailedLine(ZIL_EDIT_RESULT& result, const char* pszFunction, int32_t nId, int k,
                       const std::string& sName) {
    ZS_LOG_ERR(pszFunction, "#%d", nId);
    result.failed.push_back(nId);
    return ZsFormat("%.4d. FAILED! '%s'", k, sName.c_str());
}

std::string HexId(int32_t nId) {
    return ZsFormat("0x%08X", static_cast<uint32_t>(nId));
}

}  // namespace

ZIL_CHECK ZsCheckMergeIcons(CZsIconLib& lib, int32_t nNode, std::vector<int> rows) {
    return ZsCheckMergeCount(ZsCleanRows(std::move(rows), lib.GetList(nNode).size()).size());
}

ZIL_CHECK ZsCheckMergeCount(size_t nRows) {
    ZIL_CHECK check;
    if (nRows < 2 || nRows % 2 != 0) {
        check.nRefusal = ZIL_REFUSED_NOT_PAIRS;
        check.sRefusal = "Merging takes an even number of icons, at least two.";
    }
    return check;
}

ZIL_EDIT_RESULT ZsMergeIcons(CZsIconLib& lib, int32_t nNode, std::vector<int> rows) {
    ZIL_EDIT_RESULT result;
    if (ZsMsgBox(ZS_MB_QUESTION, "Are you sure you want to merge the selected icons?") != ZS_IDOK) {
        result.nStatus = ZIL_EDIT_DECLINED;
        return result;
    }
    const ZIL_LIST list = lib.GetList(nNode);
    const std::vector<int> S = ZsCleanRows(std::move(rows), list.size());
    const int P = static_cast<int>(S.size() / 2);
    CBatchDelete deleted(lib);
    BeginProgress();
    for (int i = 0; i < P; ++i) {
        if (!PumpProgress()) {
            result.nStatus = ZIL_EDIT_ABORTED;
            break;
        }
        const int nTargetRow = S[static_cast<size_t>(i)];
        const int nSourceRow = S[static_cast<size_t>(i + P)];
        const int32_t t = list[static_cast<size_t>(nTargetRow)];
        const int32_t s = list[static_cast<size_t>(nSourceRow)];
        const std::string sTarget = lib.GetIconName(t);
        const std::string sSource = lib.GetIconName(s);
        SetProgressText(PRG_TITLE, "Merge Icons (%d/%d)", i, P);
        SetProgressText(PRG_STATUS, "Merging icon '%s' and '%s' ...", sTarget.c_str(), sSource.c_str());

        // A list may name one icon twice, so a pair may hold one icon, or one that an earlier pair took;
        // merging it would delete what it merged into.
        CIcon target, source;
        bool bOk = t != s && !IsDeleted(lib, t) && !IsDeleted(lib, s) && lib.GetIcon(t, target) &&
                   lib.GetIcon(s, source);
        int c = 0;
        ZsBlock merged;
        if (bOk) {
            for (const ZI_IMAGE& image : source.Images()) {
                target.AddImage(image);
                ++c;
            }
            merged = target.GetData(-1);
            bOk = !merged.empty();
        }
        if (bOk) {
            lib.SetIconData(t, merged);
            deleted.Add(s);
            ++result.nChanged;
            ++result.nDeleted;
        } else {
            ZS_LOG_ERR("ZsMergeIcons", "#%d << #%d", t, s);
            result.failed.push_back(t);
        }
        SetProgressText(PRG_TITLE, "Combine Icons (%d/%d)", i + 1, P);
        if (bOk) {
            SetProgressText(PRG_LOG, "%.4d. #%.4d[%s] << #%.4d[%s](%2d) (#%.4d:'%s' #%.4d:'%s')", i,
                            nTargetRow, HexId(t).c_str(), nSourceRow, HexId(s).c_str(), c, nTargetRow,
                            sTarget.c_str(), nSourceRow, sSource.c_str());
        } else {
            SetProgressText(PRG_LOG, "%.4d. FAILED! #%.4d[%s] << #%.4d[%s] (#%.4d:'%s' #%.4d:'%s')", i,
                            nTargetRow, HexId(t).c_str(), nSourceRow, HexId(s).c_str(), nTargetRow,
                            sTarget.c_str(), nSourceRow, sSource.c_str());
        }
        SetProgressPos(i + 1, P);
    }
    deleted.Finish();
    result.nCaret = ZsClampRow(S.empty() ? 0 : S.front(), lib.GetList(nNode).size());
    result.rows.assign(S.begin(), S.begin() + P);
    EndProgress();
    return result;
}

ZIL_EDIT_RESULT ZsDeleteIcons(CZsIconLib& lib, int32_t nNode, std::vector<int> rows, int nCaret) {
    ZIL_EDIT_RESULT result;
    int nAnswer =
        nNode == ZIL_ID_ALL
            ? ZsAskRemoveOrDelete("Are you sure you want to permanently delete the selected icons?", "")
            : ZsAskRemoveOrDelete(
                  "Are you sure you want to remove or permanently delete the selected "
                  "icons?\n\nChoose Remove to remove the icons from the current "
                  "category.\nChoose Delete to permanently delete the icons.",
                  "&Remove");
    // "My Icons" offers no Remove: whatever else comes back from there declines.
    if (nAnswer != ZS_ID_DELETE && (nAnswer != ZS_ID_FIRST || nNode == ZIL_ID_ALL)) {
        result.nStatus = ZIL_EDIT_DECLINED;
        return result;
    }
    const ZIL_REMOVE_ICONS_OPTIONS options{nCaret};
    if (nAnswer == ZS_ID_DELETE) {
        const ZIL_ICONS_RESULT r = ZsDeleteIconsFromLibrary(lib, nNode, std::move(rows), options);
        result.nDeleted = r.nIcons;
        result.nCaret = r.Ok() ? r.nCaret : ZsClampRow(nCaret, lib.GetList(nNode).size());
    } else {
        const ZIL_ICONS_RESULT r = ZsRemoveIcons(lib, nNode, std::move(rows), options);
        result.nChanged = r.nIcons;
        result.nCaret = r.Ok() ? r.nCaret : ZsClampRow(nCaret, lib.GetList(nNode).size());
    }
    return result;
}

namespace {

// Works on the icons one by one in one progress run: an abort is checked before each icon, the title
// "<title> (k/m)" is shown before and after it, the status "<doing> '<name>' ..." while fnIcon (id, name, k)
// works on it and returns its log line, which follows the second title; then the bar moves.
template <typename Fn>
void ForEachIcon(CZsIconLib& lib, const std::vector<int32_t>& ids, const char* pszTitle, const char* pszDoing,
                 ZIL_EDIT_RESULT& result, Fn fnIcon) {
    const int m = static_cast<int>(ids.size());
    BeginProgress();
    for (int k = 0; k < m; ++k) {
        if (!PumpProgress()) {
            result.nStatus = ZIL_EDIT_ABORTED;
            break;
        }
        const int32_t nId = ids[static_cast<size_t>(k)];
        const std::string sName = lib.GetIconName(nId);
        SetProgressText(PRG_TITLE, "%s (%d/%d)", pszTitle, k, m);
        SetProgressText(PRG_STATUS, "%s '%s' ...", pszDoing, sName.c_str());
        const std::string sLine = fnIcon(nId, sName, k);
        SetProgressText(PRG_TITLE, "%s (%d/%d)", pszTitle, k + 1, m);
        SetProgressText(PRG_LOG, "%s", sLine.c_str());
        SetProgressPos(k + 1, m);
    }
    EndProgress();
}

}  // namespace

ZIL_EDIT_RESULT ZsDeleteFormats(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                                std::span<const ZI_FORMAT> formats, bool bExcept, bool bKeepLargest) {
    ZIL_EDIT_RESULT result;
    // From the last selected row up; an icon listed twice is worked on once.
    const std::vector<int32_t> ids = SelectedIds(lib.GetList(nNode), std::move(rows), true);
    CBatchDelete deleted(lib);
    ForEachIcon(lib, ids, "Delete Formats from Selected Icons", "Deleting formats from icon", result,
                [&](int32_t nId, const std::string& sName, int k) {
                    // Stored data that is no icon is kept as it is rather than taken for an icon without
                    // images, which would be deleted.
                    CIcon icon;
                    if (!lib.GetIcon(nId, icon)) {
                        return FailedLine(result, "ZsDeleteFormats", nId, k, sName);
                    }
                    const int N = icon.GetImageCount();
                    const int r = icon.RemoveFormats(formats, bExcept, bKeepLargest);
                    bool bDeleted = false;
                    if (r > 0) {
                        if (r == N) {
                            deleted.Add(nId);
                            bDeleted = true;
                            ++result.nDeleted;
                        } else {
                            lib.SetIcon(nId, icon);
                            ++result.nChanged;
                        }
                    }
                    return ZsFormat("%.4d. %2d images deleted from icon(%2d images) '%s'%s", k, r, N,
                                    sName.c_str(), bDeleted ? ". Icon deleted." : "");
                });
    deleted.Finish();
    return result;
}

ZIL_EDIT_RESULT ZsAddFormats(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                             std::span<const ZI_FORMAT> formats) {
    ZIL_EDIT_RESULT result;
    const std::vector<int32_t> ids = SelectedIds(lib.GetList(nNode), std::move(rows), false);
    ForEachIcon(lib, ids, "Add Formats to Selected Icons", "Adding formats to icon", result,
                [&](int32_t nId, const std::string& sName, int k) {
                    // Stored data that is no icon is kept as it is rather than replaced by blank images.
                    CIcon icon;
                    int nAdded = 0;
                    bool bOk = lib.GetIcon(nId, icon);
                    const int N = icon.GetImageCount();
                    if (bOk) {
                        nAdded = ZI_NewFormats(icon, formats, N > 0 ? 0 : -1, nullptr);
                        if (nAdded > 0) {
                            ZsBlock data = icon.GetData(-1);
                            bOk = !data.empty();
                            if (bOk) {
                                lib.SetIconData(nId, data);
                                ++result.nChanged;
                            }
                        }
                    }
                    if (bOk) {
                        return ZsFormat("%.4d. %2d images added to icon(%2d images) '%s'", k, nAdded, N,
                                        sName.c_str());
                    }
                    return FailedLine(result, "ZsAddFormats", nId, k, sName);
                });
    return result;
}

ZIL_EDIT_RESULT ZsDeleteImages(CZsIconLib& lib, int32_t nId, std::vector<int> images, int nCaret) {
    ZIL_EDIT_RESULT result;
    CIcon icon;
    if (!lib.GetIcon(nId, icon)) {
        ZS_LOG_ERR("ZsDeleteImages", "#%d", nId);
        result.failed.push_back(nId);
        return result;
    }
    images = ZsCleanRows(std::move(images), static_cast<size_t>(icon.GetImageCount()));
    // From the last to the first, so that the indexes still to go keep their images.
    for (auto it = images.rbegin(); it != images.rend(); ++it) {
        icon.RemoveImage(*it);
    }
    if (!images.empty()) {
        lib.SetIcon(nId, icon);
        result.nChanged = 1;
    }
    result.nCaret = ZsClampRow(nCaret, static_cast<size_t>(icon.GetImageCount()));
    return result;
}

bool ZsPasteImage(CZsIconLib& lib, int32_t nId, int nImage, const CZsBitmap& picture) {
    CIcon icon;
    if (!lib.GetIcon(nId, icon) || nImage < 0 || nImage >= icon.GetImageCount() ||
        !icon.SetHBITMAP(picture, nImage)) {
        ZS_LOG_ERR("ZsPasteImage", "#%d, image %d", nId, nImage);
        return false;
    }
    lib.SetIcon(nId, icon);
    return true;
}
