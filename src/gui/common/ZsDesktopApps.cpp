#include "gui/common/ZsDesktopApps.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTextStream>
#include <map>
#include <set>

namespace {

// The groups of a desktop file or an application list: group name -> key -> value, the values with the
// escapes of the format (\s, \n, \t, \r, \\) resolved. Localised keys ("Name[de]") are kept as they are.
using CKeyFile = std::map<QString, std::map<QString, QString>>;

QString Unescape(const QString& sValue) {
    QString sOut;
    sOut.reserve(sValue.size());
    for (qsizetype i = 0; i < sValue.size(); ++i) {
        if (sValue[i] != QLatin1Char('\\') || i + 1 == sValue.size()) {
            sOut += sValue[i];
            continue;
        }
        const QChar c = sValue[++i];
        if (c == QLatin1Char('s')) {
            sOut += QLatin1Char(' ');
        } else if (c == QLatin1Char('n')) {
            sOut += QLatin1Char('\n');
        } else if (c == QLatin1Char('t')) {
            sOut += QLatin1Char('\t');
        } else if (c == QLatin1Char('r')) {
            sOut += QLatin1Char('\r');
        } else if (c == QLatin1Char('\\')) {
            sOut += QLatin1Char('\\');
        } else {
            sOut += QLatin1Char('\\');
            sOut += c;
        }
    }
    return sOut;
}

CKeyFile ReadKeyFile(const QString& sPath) {
    CKeyFile groups;
    QFile file(sPath);
    // The files are small; a larger one is no file of this kind.
    if (file.size() > 4 * 1024 * 1024 || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return groups;
    }
    QTextStream in(&file);
    QString sGroup;
    while (!in.atEnd()) {
        const QString sLine = in.readLine().trimmed();
        if (sLine.isEmpty() || sLine.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (sLine.startsWith(QLatin1Char('[')) && sLine.endsWith(QLatin1Char(']'))) {
            sGroup = sLine.mid(1, sLine.size() - 2);
            continue;
        }
        const qsizetype nEq = sLine.indexOf(QLatin1Char('='));
        if (nEq > 0 && !sGroup.isEmpty()) {
            groups[sGroup].emplace(sLine.left(nEq).trimmed(), Unescape(sLine.mid(nEq + 1).trimmed()));
        }
    }
    return groups;
}

QStringList Ids(const QString& sList) {
    QStringList ids = sList.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& sId : ids) {
        sId = sId.trimmed();
    }
    return ids;
}

QStringList ApplicationDirs() {
    QStringList dirs;
    for (const QString& sDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        dirs << sDir + QStringLiteral("/applications");
    }
    return dirs;
}

// The application lists in the order in which they count: the user's configuration, the system's, then the
// lists beside the installed applications.
QStringList ListFiles() {
    QStringList files;
    for (const QString& sDir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        files << sDir + QStringLiteral("/mimeapps.list");
    }
    for (const QString& sDir : ApplicationDirs()) {
        files << sDir + QStringLiteral("/mimeapps.list");
    }
    return files;
}

// The command of an installed desktop entry, or none when it is missing, hidden or cannot run.
std::optional<ZsAppCommand> CommandOf(const QString& sId, const QString& sFile) {
    for (const QString& sDir : ApplicationDirs()) {
        const QString sPath = sDir + QLatin1Char('/') + sId;
        if (!QFileInfo::exists(sPath)) {
            continue;
        }
        const CKeyFile entry = ReadKeyFile(sPath);
        const auto group = entry.find(QStringLiteral("Desktop Entry"));
        if (group == entry.end()) {
            return std::nullopt;
        }
        auto value = [&](const char* pszKey) {
            const auto it = group->second.find(QString::fromLatin1(pszKey));
            return it == group->second.end() ? QString() : it->second;
        };
        if (value("Hidden") == QLatin1String("true") ||
            (!value("Type").isEmpty() && value("Type") != QLatin1String("Application"))) {
            return std::nullopt;
        }
        ZsAppCommand command;
        command.sName = value("Name").isEmpty() ? sId : value("Name");
        QStringList args = ZsSplitDesktopExec(value("Exec"), sFile, command.sName, sPath);
        if (args.isEmpty()) {
            return std::nullopt;
        }
        command.sProgram = args.takeFirst();
        command.args = args;
        const QString sFound =
            QFileInfo(command.sProgram).isAbsolute()
                ? (QFileInfo(command.sProgram).isExecutable() ? command.sProgram : QString())
                : QStandardPaths::findExecutable(command.sProgram);
        if (sFound.isEmpty()) {
            return std::nullopt;
        }
        command.sProgram = sFound;
        return command;
    }
    return std::nullopt;
}

}  // namespace

QStringList ZsSplitDesktopExec(const QString& sExec, const QString& sFile, const QString& sName,
                               const QString& sEntryPath) {
    QStringList args;
    QString sArg;
    bool bInArg = false;
    bool bQuoted = false;
    bool bFileGiven = false;
    for (qsizetype i = 0; i < sExec.size(); ++i) {
        const QChar c = sExec[i];
        if (bQuoted) {
            if (c == QLatin1Char('\\') && i + 1 < sExec.size()) {
                sArg += sExec[++i];
            } else if (c == QLatin1Char('"')) {
                bQuoted = false;
            } else {
                sArg += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (bInArg) {
                args << sArg;
                sArg.clear();
                bInArg = false;
            }
            continue;
        }
        bInArg = true;
        if (c == QLatin1Char('"')) {
            bQuoted = true;
        } else if (c == QLatin1Char('%') && i + 1 < sExec.size()) {
            const QChar code = sExec[++i];
            if (QStringLiteral("fFuU").contains(code)) {
                sArg += sFile;
                bFileGiven = true;
            } else if (code == QLatin1Char('c')) {
                sArg += sName;
            } else if (code == QLatin1Char('k')) {
                sArg += sEntryPath;
            } else if (code == QLatin1Char('%')) {
                sArg += QLatin1Char('%');
            }
        } else {
            sArg += c;
        }
    }
    if (bQuoted) {
        return {};
    }
    // An argument that was only a dropped field code is no argument.
    if (bInArg && !sArg.isEmpty()) {
        args << sArg;
    }
    args.removeAll(QString());
    if (args.isEmpty()) {
        return {};
    }
    if (!bFileGiven) {
        args << sFile;
    }
    return args;
}

std::optional<ZsAppCommand> ZsDefaultAppFor(const QString& sFile) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(sFile, QMimeDatabase::MatchExtension);
    QStringList types = {type.name()};
    types << type.aliases();

    std::vector<CKeyFile> lists;
    std::set<QString> removed;
    for (const QString& sList : ListFiles()) {
        lists.push_back(ReadKeyFile(sList));
        for (const QString& sType : types) {
            const auto& group = lists.back()[QStringLiteral("Removed Associations")];
            if (const auto it = group.find(sType); it != group.end()) {
                for (const QString& sId : Ids(it->second)) {
                    removed.insert(sId);
                }
            }
        }
    }
    // Defaults first, then the associations the lists add, then what the installed applications declare.
    QStringList candidates;
    for (const char* pszGroup : {"Default Applications", "Added Associations"}) {
        for (CKeyFile& list : lists) {
            const auto& group = list[QString::fromLatin1(pszGroup)];
            for (const QString& sType : types) {
                if (const auto it = group.find(sType); it != group.end()) {
                    candidates << Ids(it->second);
                }
            }
        }
    }
    for (const QString& sDir : ApplicationDirs()) {
        CKeyFile cache = ReadKeyFile(sDir + QStringLiteral("/mimeinfo.cache"));
        const auto& group = cache[QStringLiteral("MIME Cache")];
        for (const QString& sType : types) {
            if (const auto it = group.find(sType); it != group.end()) {
                for (const QString& sId : Ids(it->second)) {
                    if (removed.count(sId) == 0) {
                        candidates << sId;
                    }
                }
            }
        }
    }
    for (const QString& sId : candidates) {
        if (std::optional<ZsAppCommand> command = CommandOf(sId, sFile)) {
            return command;
        }
    }
    return std::nullopt;
}
