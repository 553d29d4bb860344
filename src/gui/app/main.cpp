// Starts the desktop program: a later start hands its arguments to the running one and ends; the first one
// runs until its main window closes.
#include <QApplication>
#include <QIcon>

#include "common/ZsBase.h"
#include "gui/app/ZsProjApp.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(ZS_PRODUCT_NAME));
    QApplication::setApplicationVersion(QStringLiteral(PICTAVO_VERSION));
    QApplication::setWindowIcon(QIcon(ZsQPath(ZsGetAppDir() / "Images" / "pictavo.png")));
    CZsQtMessageHandlerScope messages;
    CZsProjApp theApp(QApplication::arguments());
    return theApp.Run();
}
