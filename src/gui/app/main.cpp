// Starts the desktop program: the log, the message boxes, the main window, the tray icon and the libraries
// named on the command line.
#include <QApplication>
#include <QIcon>
#include <string>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "gui/app/FrmMain.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/common/ZsTray.h"
#include "gui/ui/DocManagerZIL.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(ZS_PRODUCT_NAME));
    QApplication::setApplicationVersion(QStringLiteral(PICTAVO_VERSION));
    QApplication::setWindowIcon(QIcon(ZsQPath(ZsGetAppDir() / "Images" / "pictavo.png")));

    std::string sCommandLine;
    for (int i = 0; i < argc; ++i) {
        sCommandLine += (i ? " " : "") + std::string(argv[i]);
    }
    CZsInit init(sCommandLine);
    CZsQtMessageHandlerScope messages;

    CFrmMain frame;
    if (!frame.Create()) {
        return 1;
    }
    frame.ShowAtStart();
    CZsTray tray(&frame);
    // Libraries named on the command line open at once.
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        std::error_code ec;
        const std::filesystem::path path = ZsPathOf(arguments[i]);
        if (std::filesystem::is_regular_file(path, ec)) {
            frame.Docs().OpenDocumentFile(path);
        }
    }
    return QApplication::exec();
}
