// The help window: the help pages that ship beside the program, shown by the program itself, so that help
// works on a desktop without a web browser. Links between the pages stay in the window; links to the web and
// to mail go to the desktop's programs.
#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

class CFrmHelp : public QWidget {
    Q_OBJECT
public:
    explicit CFrmHelp(QWidget* pParent = nullptr);

    // Shows the page (a file of the help folder) and brings the window to the front; false when the page
    // does not exist.
    bool ShowPage(const QUrl& page);
    QTextBrowser* Browser() const { return mpBrowser; }

private:
    void OnLink(const QUrl& url);

    QTextBrowser* mpBrowser;
};
