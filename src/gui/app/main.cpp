// Starts the desktop program: a later start hands its arguments to the running one and ends; the first one
// runs until its main window closes. "--help" and "--version" only print their text: they need no display
// and never reach a running instance.
#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/ZsBase.h"
#include "common/ZsFileTypes.h"
#include "gui/app/ZsProjApp.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/common/ZsTranslate.h"
#include "icon/ZsSvg.h"

namespace {

// The help text; its file types come from the table of those read.
std::string HelpText() {
    return "Usage: pictavo [FILE]...\n"
           "\n"
           "Pictavo keeps icons in extended icon libraries (.pctv) and converts them between icon files,\n"
           "classic icon libraries, modules and pictures. It opens the libraries named on the command line, "
           "or\n"
           "else the libraries that were open at the last exit; on the very first start it makes\n"
           "\"Default.pctv\" from the pictures of the installed icon themes and opens it. The other files "
           "named\n"
           "(of the types below, and folders of them) are imported into the selected category of the active\n"
           "library, or of a new library when none is open. Pictavo runs once per user: a later start hands\n"
           "the files it names to the running window and ends.\n"
           "\n"
           "Options:\n"
           "  -h, --help     print this help and exit\n"
           "  --version      print the version and exit\n"
           "\n"
           "File types:\n" +
           ZsFileTypeHelp() +
           "\n"
           "Files:\n"
           "  $XDG_CONFIG_HOME/Pictavo/config.ini   the settings (default ~/.config/Pictavo/)\n"
           "  $XDG_STATE_HOME/Pictavo/log.txt       the activity log of the last run (default "
           "~/.local/state/)\n"
           "  $XDG_CACHE_HOME/Pictavo/              unsaved data and passing files (default "
           "~/.cache/Pictavo/)\n"
           "  $XDG_DATA_HOME/Pictavo/Default.pctv   the library of the very first start (default "
           "~/.local/share/)\n"
           "\n"
           "The command-line tool pictavo-cli does the same work without a window.\n";
}

// The text to print for an argument that asks for one, else null. Arguments after "--" are files.
const char* InfoText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            break;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            static const std::string sHelp = HelpText();
            return sHelp.c_str();
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            static const std::string sVersion = std::string("pictavo ") + PICTAVO_VERSION + "\n";
            return sVersion.c_str();
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* pszText = InfoText(argc, argv)) {
        std::fputs(pszText, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    ZsUseSvgWorker();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(ZS_PRODUCT_NAME));
    QApplication::setApplicationVersion(QStringLiteral(PICTAVO_VERSION));
    // The texts in the desktop's language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), English where none matches.
    ZsInstallTranslations(QLocale::system().uiLanguages());
    // Ties the windows to the desktop entry, for the icon and name a Wayland desktop shows.
    QGuiApplication::setDesktopFileName(QStringLiteral("pictavo"));
    QApplication::setWindowIcon(QIcon(ZsQPath(ZsGetAppDir() / "Images" / "pictavo.png")));
    CZsQtMessageHandlerScope messages;
    CZsProjApp theApp(QApplication::arguments());
    return theApp.Run();
}
