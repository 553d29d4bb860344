// The document/view layer: a document holds the data of one open file, its path, title and modified state,
// and the views that show it; views are told of changes through OnUpdate with a hint.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <vector>

#include "gui/common/ZsCmdTarget.h"

class CZsDocument;

class CZsView {
public:
    virtual ~CZsView();
    CZsDocument* GetDocument() const { return mpDocument; }
    // The document changed; pSender is the view that made the change (or null), nHint says what changed.
    virtual void OnUpdate(CZsView* pSender, int nHint) = 0;

private:
    friend class CZsDocument;
    CZsDocument* mpDocument = nullptr;
};

class CZsDocument : public QObject, public CZsCmdTarget {
    Q_OBJECT
public:
    explicit CZsDocument(QObject* pParent = nullptr);
    ~CZsDocument() override;

    const std::filesystem::path& GetPathName() const { return mPath; }
    // Sets the path and makes the file's name the title (keeping the modified marker).
    void SetPathName(const std::filesystem::path& path);
    const QString& GetTitle() const { return msTitle; }
    void SetTitle(const QString& sTitle);
    // The title without the modified marker: the name the user gave or the program made up.
    QString GetPlainTitle() const;

    bool IsModified() const { return mbModified; }
    // Every document, with a path or still untitled, shows its modified state in its title: " *" is
    // appended when it becomes modified and taken off when it becomes clean. The frames showing it are told
    // through titleChanged.
    virtual void SetModifiedFlag(bool bModified = true);

    void AddView(CZsView* pView);
    void RemoveView(CZsView* pView);
    const std::vector<CZsView*>& Views() const { return mViews; }
    // Calls OnUpdate of every view but the sender.
    void UpdateAllViews(CZsView* pSender, int nHint = 0);

signals:
    void titleChanged(const QString& sTitle);

private:
    std::filesystem::path mPath;
    QString msTitle;
    bool mbModified = false;
    std::vector<CZsView*> mViews;
};
