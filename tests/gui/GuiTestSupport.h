// Helpers of the GUI tests: a private data folder and home for every test program, and scripted answers to
// modal dialogs that the code under test opens.
#pragma once

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <filesystem>
#include <functional>

class QFileDialog;

namespace guitest {

// Points HOME, the XDG folders and the icon themes ("icons", empty) at the test run's private temporary
// folder, sets the desktop language to English and selects the offscreen platform unless another one is
// asked for. Call before the QApplication exists.
void PrepareEnvironment();
// Removes the private folder.
void Cleanup();

// Writes a library file with the sample categories and no icons.
void MakeLibrary(const std::filesystem::path& path);

// Runs fn on the next modal dialog that opens (checked every few milliseconds for up to five seconds). The
// function must close the dialog.
void OnNextModal(std::function<void(QWidget*)> fn);

// What a pop-up menu offered: each item's text (separators as "-"), with "*" after the default item and "~"
// after a grayed one.
struct CSeenMenu {
    QStringList items;
};

// Answers the next pop-up menu that opens: records it and chooses the item with the given text (the
// keyboard way, so that the menu returns it), or dismisses the menu for an empty text.
void ChooseFromNextMenu(const QString& sText, CSeenMenu* pSeen = nullptr);

// Types into a file dialog's name box as a user does (a name, a path, or several quoted ones).
// QFileDialog::selectFile() leaves the box alone while it has the focus, which makes it unreliable once the
// dialog is active.
void TypeFileName(QFileDialog* pDialog, const QString& sText);

}  // namespace guitest

#define PICTAVO_GUI_TEST_MAIN(TestClass)               \
    int main(int argc, char** argv) {                  \
        guitest::PrepareEnvironment();                 \
        int nResult = 0;                               \
        {                                              \
            QApplication app(argc, argv);              \
            TestClass test;                            \
            nResult = QTest::qExec(&test, argc, argv); \
        }                                              \
        guitest::Cleanup();                            \
        return nResult;                                \
    }
