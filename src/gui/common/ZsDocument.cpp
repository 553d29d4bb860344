#include "gui/common/ZsDocument.h"

#include <algorithm>

#include "gui/common/ZsQt.h"

namespace {
const QString kModifiedMark = QStringLiteral(" *");
}

CZsView::~CZsView() {
    if (mpDocument) {
        mpDocument->RemoveView(this);
    }
}

CZsDocument::CZsDocument(QObject* pParent) : QObject(pParent) {}

CZsDocument::~CZsDocument() {
    for (CZsView* pView : mViews) {
        pView->mpDocument = nullptr;
    }
}

void CZsDocument::SetPathName(const std::filesystem::path& path) {
    mPath = path;
    QString sTitle = ZsQPath(path.filename());
    if (mbModified) {
        sTitle += kModifiedMark;
    }
    SetTitle(sTitle);
}

void CZsDocument::SetTitle(const QString& sTitle) {
    if (sTitle == msTitle) {
        return;
    }
    msTitle = sTitle;
    emit titleChanged(msTitle);
}

QString CZsDocument::GetPlainTitle() const {
    return mbModified && msTitle.endsWith(kModifiedMark) ? msTitle.chopped(kModifiedMark.size()) : msTitle;
}

void CZsDocument::SetModifiedFlag(bool bModified) {
    if (bModified != mbModified) {
        if (bModified) {
            SetTitle(msTitle + kModifiedMark);
        } else if (msTitle.endsWith(kModifiedMark)) {
            // Only the marker comes off: a title that lost it otherwise keeps all its characters.
            SetTitle(msTitle.chopped(kModifiedMark.size()));
        }
    }
    mbModified = bModified;
}

void CZsDocument::AddView(CZsView* pView) {
    if (!pView || std::find(mViews.begin(), mViews.end(), pView) != mViews.end()) {
        return;
    }
    if (pView->mpDocument && pView->mpDocument != this) {
        pView->mpDocument->RemoveView(pView);
    }
    pView->mpDocument = this;
    mViews.push_back(pView);
}

void CZsDocument::RemoveView(CZsView* pView) {
    auto it = std::find(mViews.begin(), mViews.end(), pView);
    if (it != mViews.end()) {
        (*it)->mpDocument = nullptr;
        mViews.erase(it);
    }
}

void CZsDocument::UpdateAllViews(CZsView* pSender, int nHint) {
    // A view may add or remove views while it updates; walk a copy.
    const std::vector<CZsView*> views = mViews;
    for (CZsView* pView : views) {
        if (pView != pSender && std::find(mViews.begin(), mViews.end(), pView) != mViews.end()) {
            pView->OnUpdate(pSender, nHint);
        }
    }
}
