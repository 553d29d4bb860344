// Save and Save As in the window against what happened to the file meanwhile: deleted while open (saved
// whole again), changed by the command-line tool (never overwritten: the save says why and offers a copy
// or reopening, and nothing is lost either way), read-only (said so, never replaced), and a Save As onto
// another open library (refused before any question whether to replace it).
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"

using guitest::CLibraryFrame;
using guitest::SolidIcon;
using guitest::Trigger;

namespace fs = std::filesystem;

namespace {

// The names of "My Icons" of a library file.
std::vector<std::string> FileNames(const fs::path& path) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    std::vector<std::string> names;
    if (lib.Load(path)) {
        for (int32_t nId : lib.GetList(ZIL_ID_ALL)) {
            names.push_back(lib.GetIconName(nId));
        }
    }
    return names;
}

std::vector<std::string> DocNames(CDocZIL* pDoc) {
    std::vector<std::string> names;
    for (int32_t nId : pDoc->GetList(ZIL_ID_ALL)) {
        names.push_back(pDoc->GetIconName(nId));
    }
    return names;
}

// Icon files "<prefix> 0.ico" ... in a folder of their own; their paths.
std::vector<fs::path> IconFiles(const fs::path& folder, const std::string& sPrefix, int nCount) {
    fs::create_directories(folder);
    std::vector<fs::path> files;
    for (int i = 0; i < nCount; ++i) {
        files.push_back(folder / (sPrefix + " " + std::to_string(i) + ".ico"));
        ZsWriteFile(files.back(), SolidIcon({16, 32}, 0xFF102030u + static_cast<uint32_t>(i)));
    }
    return files;
}

std::vector<std::string> Titles(const std::vector<fs::path>& files) {
    std::vector<std::string> titles;
    for (const fs::path& file : files) {
        titles.push_back(file.stem().string());
    }
    return titles;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// pictavo-cli import LIB FOLDER, as another program run from a terminal.
int CliImport(const fs::path& lib, const fs::path& folder) {
    return QProcess::execute(QStringLiteral(PICTAVO_CLI),
                             {QStringLiteral("import"), ZsQPath(lib), ZsQPath(folder)});
}

// Answers the next conflict question with the button nChoice; its message goes to *pMessage.
void AnswerConflict(int nChoice, QString* pMessage, bool* pbReopenOffered = nullptr) {
    guitest::OnNextModal([=](QWidget* pModal) {
        auto* pBox = qobject_cast<CDlgZsMsgBox*>(pModal);
        QVERIFY(pBox);
        *pMessage = pBox->Message();
        if (pbReopenOffered) {
            *pbReopenOffered = pBox->Button(ZS_IDNO)->isVisible();
        }
        pBox->Button(nChoice)->click();
    });
}

}  // namespace

class SaveTest : public QObject {
    Q_OBJECT

private slots:
    void aDeletedLibraryIsSavedWholeBySaveAndBySaveAs() {
        test::TempDir dir;
        const fs::path path = dir / "lib.pctv";
        CLibraryFrame w;
        QVERIFY(w.OpenLibraryOf(
            path, {{"red", SolidIcon({16}, 0xFFFF0000u)}, {"blue", SolidIcon({16}, 0xFF0000FFu)}}));
        const std::vector<fs::path> added = IconFiles(dir / "added", "added", 3);
        QCOMPARE(w.pView->ImportFileList(added, -1), 3);
        QVERIFY(w.pDoc->IsModified());
        fs::remove(path);
        {
            test::ScriptedMessages answers;
            Trigger(w.frame, ID_FILE_SAVE);
            QCOMPARE(answers.shown.size(), size_t(0));
        }
        QVERIFY(!w.pDoc->IsModified());
        const std::vector<std::string> all = Concat({"red", "blue"}, Titles(added));
        QCOMPARE(FileNames(path), all);

        // Gone again: Save As writes everything as well, to the new name.
        const std::vector<fs::path> more = IconFiles(dir / "more", "more", 2);
        QCOMPARE(w.pView->ImportFileList(more, -1), 2);
        fs::remove(path);
        w.frame.Docs().mPromptFile = [&](bool, const fs::path&) {
            return std::optional<fs::path>(dir / "rescued.pctv");
        };
        {
            test::ScriptedMessages answers;
            Trigger(w.frame, ID_FILE_SAVE_AS);
            QCOMPARE(answers.shown.size(), size_t(0));
        }
        QCOMPARE(w.pDoc->GetPathName(), dir / "rescued.pctv");
        QCOMPARE(FileNames(dir / "rescued.pctv"), Concat(all, Titles(more)));
        QVERIFY(!fs::exists(path));
    }

    void anImportByTheToolMeanwhileIsKeptAndTheSaveSaysWhy() {
        test::TempDir dir;
        const fs::path path = dir / "lib.pctv";
        CLibraryFrame w;
        QVERIFY(w.OpenLibraryOf(path, {{"red", SolidIcon({16}, 0xFFFF0000u)}}));
        const std::vector<fs::path> byTool = IconFiles(dir / "tool", "tool", 2);
        QCOMPARE(CliImport(path, dir / "tool"), 0);
        const std::vector<fs::path> byWindow = IconFiles(dir / "window", "window", 3);
        QCOMPARE(w.pView->ImportFileList(byWindow, -1), 3);
        const std::vector<std::string> inFile = Concat({"red"}, Titles(byTool));
        // The window lists the tool's icons too when it read "My Icons" after the tool wrote it.
        const std::vector<std::string> inWindow = DocNames(w.pDoc);
        for (const std::string& sName : Concat({"red"}, Titles(byWindow))) {
            QCOMPARE(std::count(inWindow.begin(), inWindow.end(), sName), std::ptrdiff_t(1));
        }
        QCOMPARE(FileNames(path), inFile);

        // Cancel: nothing is written and the work stays.
        QString sMessage;
        bool bReopenOffered = false;
        AnswerConflict(ZS_IDCANCEL, &sMessage, &bReopenOffered);
        Trigger(w.frame, ID_FILE_SAVE);
        QVERIFY(sMessage.startsWith(
            ZsQ("Can not save file '" + ZsPathToUtf8(path) +
                "'!\nAnother program has changed the library since it was opened here.")));
        QVERIFY(sMessage.contains(QStringLiteral("would overwrite the other program's changes")));
        QVERIFY(bReopenOffered);
        QVERIFY(w.pDoc->IsModified());
        QCOMPARE(FileNames(path), inFile);
        QCOMPARE(DocNames(w.pDoc), inWindow);

        // Save As: a copy of everything the window shows; the tool's icons stay in the file.
        w.frame.Docs().mPromptFile = [&](bool, const fs::path&) {
            return std::optional<fs::path>(dir / "copy.pctv");
        };
        AnswerConflict(ZS_IDYES, &sMessage);
        Trigger(w.frame, ID_FILE_SAVE);
        QVERIFY(!w.pDoc->IsModified());
        QCOMPARE(w.pDoc->GetPathName(), dir / "copy.pctv");
        QCOMPARE(FileNames(dir / "copy.pctv"), inWindow);
        QCOMPARE(FileNames(path), inFile);
        CZsIconLib copy;
        QVERIFY(copy.Load(dir / "copy.pctv"));
        for (int32_t nId : copy.GetList(ZIL_ID_ALL)) {
            const std::string sName = copy.GetIconName(nId);
            if (sName.rfind("window ", 0) == 0) {
                const ZsBytes data = copy.GetIconData(nId);
                QVERIFY(ZsBlock(data.begin(), data.end()) == *ZsReadFile(dir / "window" / (sName + ".ico")));
            }
        }

        // Reopen, after a second question: the library as the tool left it.
        const std::vector<fs::path> again = IconFiles(dir / "again", "again", 1);
        QCOMPARE(CliImport(dir / "copy.pctv", dir / "again"), 0);
        QCOMPARE(w.pView->ImportFileList(IconFiles(dir / "lost", "lost", 1), -1), 1);
        {
            test::ScriptedMessages answers({int(ZS_IDOK)});
            AnswerConflict(ZS_IDNO, &sMessage);
            Trigger(w.frame, ID_FILE_SAVE);
            QCOMPARE(answers.shown.size(), size_t(1));
            QCOMPARE(answers.shown[0].second,
                     "Reopen '" + ZsPathToUtf8(dir / "copy.pctv") +
                         "' as the other program left it? Your unsaved changes are lost.");
        }
        const std::vector<CDocZIL*> docs = w.frame.Docs().Documents();
        QCOMPARE(docs.size(), size_t(1));
        QCOMPARE(docs[0]->GetPathName(), dir / "copy.pctv");
        QVERIFY(!docs[0]->IsModified());
        QCOMPARE(DocNames(docs[0]), Concat(inWindow, Titles(again)));
        QCOMPARE(FileNames(dir / "copy.pctv"), Concat(inWindow, Titles(again)));
    }

    void closingAChangedLibraryOffersSaveAsButNotReopen() {
        test::TempDir dir;
        const fs::path path = dir / "lib.pctv";
        CLibraryFrame w;
        QVERIFY(w.OpenLibraryOf(path, {{"red", SolidIcon({16}, 0xFFFF0000u)}}));
        IconFiles(dir / "tool", "tool", 1);
        QCOMPARE(CliImport(path, dir / "tool"), 0);
        QCOMPARE(w.pView->ImportFileList(IconFiles(dir / "window", "window", 1), -1), 1);
        QString sMessage;
        bool bReopenOffered = true;
        AnswerConflict(ZS_IDCANCEL, &sMessage, &bReopenOffered);
        {
            // "Save changes?" Yes: the save is refused with its reason and the window stays.
            test::ScriptedMessages answers({int(ZS_IDYES)});
            QVERIFY(!w.frame.close());
        }
        QVERIFY(!bReopenOffered);
        QVERIFY(sMessage.contains(QStringLiteral("Another program has changed the library")));
        QCOMPARE(w.frame.Docs().Documents().size(), size_t(1));
        QVERIFY(w.pDoc->IsModified());
        test::ScriptedMessages answers({int(ZS_IDNO)});
        QVERIFY(w.frame.close());
    }

    void aReadOnlyLibraryIsSaidSoAndNeverReplaced() {
        test::TempDir dir;
        const fs::path path = dir / "lib.pctv";
        CLibraryFrame w;
        QVERIFY(w.OpenLibraryOf(path, {{"red", SolidIcon({16}, 0xFFFF0000u)}}));
        QCOMPARE(w.pView->ImportFileList(IconFiles(dir / "new", "new", 1), -1), 1);
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        const ZsBlock bytes = ZsReadFile(path).value();
        // The user keeps the name in the dialog, then chooses another one.
        std::vector<fs::path> chosen{path, dir / "mine.pctv"};
        int nAsked = 0;
        std::vector<fs::path> suggested;
        w.frame.Docs().mPromptFile = [&](bool, const fs::path& suggestion) {
            suggested.push_back(suggestion);
            return std::optional<fs::path>(chosen[static_cast<size_t>(nAsked++)]);
        };
        const std::string sReadOnly = "The file '" + ZsPathToUtf8(path) + "' is read-only.";
        {
            test::ScriptedMessages answers({int(ZS_IDOK), int(ZS_IDOK)});
            Trigger(w.frame, ID_FILE_SAVE);
            QCOMPARE(answers.shown.size(), size_t(2));
            QCOMPARE(answers.shown[0].first, int(ZS_MB_QUESTION));
            QCOMPARE(answers.shown[0].second, "Can not save file '" + ZsPathToUtf8(path) + "'!\n" +
                                                  sReadOnly + "\n\nSave the library under another name?");
            QCOMPARE(answers.shown[1].first, int(ZS_MB_ERROR));
            QCOMPARE(answers.shown[1].second,
                     "Can not save file '" + ZsPathToUtf8(path) + "'!\n" + sReadOnly);
        }
        QCOMPARE(ZsReadFile(path).value(), bytes);
        QVERIFY(w.pDoc->IsModified());
        {
            test::ScriptedMessages answers({int(ZS_IDOK)});
            Trigger(w.frame, ID_FILE_SAVE);
        }
        QVERIFY(!w.pDoc->IsModified());
        QCOMPARE(w.pDoc->GetPathName(), dir / "mine.pctv");
        QCOMPARE(suggested, (std::vector<fs::path>{path, path}));
        QCOMPARE(FileNames(dir / "mine.pctv"), (std::vector<std::string>{"red", "new 0"}));
        QCOMPARE(ZsReadFile(path).value(), bytes);
        fs::permissions(path, fs::perms::owner_all);
    }

    void saveAsOntoAnotherOpenLibraryIsRefusedBeforeAskingToReplaceIt() {
        test::TempDir dir;
        CLibraryFrame w;
        QVERIFY(w.OpenLibraryOf(dir / "a.pctv", {{"red", SolidIcon({16}, 0xFFFF0000u)}}));
        guitest::WriteLibraryOf(dir / "b.pctv", {{"blue", SolidIcon({16}, 0xFF0000FFu)}});
        CDocZIL* pOther = w.frame.Docs().OpenDocumentFile(dir / "b.pctv");
        QVERIFY(pOther);
        QMdiSubWindow* pWindow = w.frame.Docs().SubWindowOf(w.pDoc);
        pWindow->mdiArea()->setActiveSubWindow(pWindow);
        QCOMPARE(w.frame.Docs().ActiveDocument(), w.pDoc);
        const ZsBlock bytes = ZsReadFile(dir / "b.pctv").value();

        // What comes up after the name of the other library is given: the dialog again, never a question.
        QStringList seen;
        guitest::OnNextModal([&](QWidget* pModal) {
            auto* pDialog = qobject_cast<QFileDialog*>(pModal);
            QVERIFY(pDialog);
            // The folder is listed first (the dialog selects the library's own name once it is).
            QTest::qWait(300);
            guitest::TypeFileName(pDialog, QStringLiteral("b.pctv"));
            guitest::OnNextModal([&](QWidget* pNext) {
                seen << QString::fromUtf8(pNext->metaObject()->className());
                if (auto* pBox = qobject_cast<QMessageBox*>(pNext)) {
                    pBox->button(QMessageBox::No)->click();
                    guitest::OnNextModal([](QWidget* pLast) { qobject_cast<QDialog*>(pLast)->reject(); });
                } else {
                    qobject_cast<QDialog*>(pNext)->reject();
                }
            });
            static_cast<QDialog*>(pDialog)->accept();
        });
        test::ScriptedMessages answers({int(ZS_IDOK)});
        Trigger(w.frame, ID_FILE_SAVE_AS);
        QCOMPARE(seen, QStringList{QStringLiteral("QFileDialog")});
        QCOMPARE(answers.shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(answers.shown[0].second),
                 QStringLiteral("The file is currently opened in Pictavo.\nPlease close it first."));
        QCOMPARE(w.pDoc->GetPathName(), dir / "a.pctv");
        QCOMPARE(ZsReadFile(dir / "b.pctv").value(), bytes);
    }
};

PICTAVO_GUI_TEST_MAIN(SaveTest)
#include "SaveTest.moc"
