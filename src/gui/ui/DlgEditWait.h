// Edit with Associated Program: the icon goes to a file of its own, the program named in the options (or the
// desktop's default application for icon files) opens it, and this dialog shows that the library waits
// for the program, without freezing the window, until the program ends. A program that hands the file to a
// window it already had open and returns at once cannot be waited for: the dialog then says so and waits
// for the user's "Done Editing" instead of guessing.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "library/ZsIconEdit.h"

class QLabel;
class QProgressBar;
class QPushButton;

class CDlgEditWait : public QDialog {
    Q_OBJECT
public:
    // Runs a whole edit of icon nId: writes the file, starts the program, waits and takes the file back.
    // ZIL_EDIT_END_REPLACED when the icon's data changed (the caller marks the library modified); a program
    // that cannot be started, a wait the user cancels and an editor that saved nothing change nothing.
    static ZIL_EDIT_END EditIcon(CZsIconLib& lib, int32_t nId, QWidget* pParent);

    // A program that ends sooner than this without having saved is taken to have handed the file on.
    static int snHandOffMs;

    // nPid 0: the file was handed to the desktop, which returns at once; the user ends the wait.
    CDlgEditWait(const QString& sProgram, const QString& sIcon, const ZIL_ICON_EDIT& edit, int64_t nPid,
                 QWidget* pParent = nullptr);

    QPushButton* DoneButton() const { return mpDone; }
    QLabel* Message() const { return mpMessage; }
    const std::filesystem::path& File() const { return mEdit.file; }
    // Whether the dialog waits for the user because the program returned at once.
    bool IsHandedOff() const { return mbHandedOff; }

private:
    void Poll();
    void ShowHandedOff();

    const ZIL_ICON_EDIT& mEdit;
    QString msProgram;
    QString msIcon;
    int64_t mnPid;
    bool mbHandedOff = false;
    QLabel* mpMessage;
    QProgressBar* mpBusy;
    QPushButton* mpDone;
    QTimer mPoll;
    QElapsedTimer mRunning;
};
