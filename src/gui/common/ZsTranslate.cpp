#include "gui/common/ZsTranslate.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace {

// The program's translations are built into it, so that the build tree and the installed program find them.
constexpr const char* kTranslationsDir = ":/i18n";

struct CInstalled {
    std::unique_ptr<QTranslator> pProgram;
    std::unique_ptr<QTranslator> pQt;
};

CInstalled& Installed() {
    static CInstalled installed;
    return installed;
}

void Remove(std::unique_ptr<QTranslator>& pTranslator) {
    if (pTranslator) {
        QCoreApplication::removeTranslator(pTranslator.get());
        pTranslator.reset();
    }
}

}  // namespace

QString ZsInstallTranslations(const QStringList& languages) {
    CInstalled& installed = Installed();
    Remove(installed.pProgram);
    Remove(installed.pQt);
    for (const QString& sLanguage : languages) {
        const QLocale locale(sLanguage);
        if (locale.language() == QLocale::C) {
            continue;
        }
        if (locale.language() == QLocale::English) {
            return {};
        }
        auto pProgram = std::make_unique<QTranslator>();
        // Tries "pictavo_de_DE", then "pictavo_de".
        if (!pProgram->load(QStringLiteral("pictavo_") + locale.name(),
                            QString::fromLatin1(kTranslationsDir))) {
            continue;
        }
        QCoreApplication::installTranslator(pProgram.get());
        const QString sName = pProgram->language();
        installed.pProgram = std::move(pProgram);
        auto pQt = std::make_unique<QTranslator>();
        if (pQt->load(QLocale(sName), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(pQt.get());
            installed.pQt = std::move(pQt);
        }
        return sName;
    }
    return {};
}
