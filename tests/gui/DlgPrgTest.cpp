// The progress dialog driven by an import into a library through the core's progress protocol: its texts
// and controls, the details toggle, pausing, the abort question answered both ways, completion and the
// automatic close, and the main window disabled meanwhile.
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "common/ZsProgress.h"
#include "gui/app/FrmMain.h"
#include "gui/batch/DlgPrg.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsIconLib.h"

namespace {

// Answers the abort question through a function that sees the dialog as it is while asked.
class CAnswer : public CZsMessageHandler {
public:
    explicit CAnswer(std::function<int(const std::string&)> fn) : mFn(std::move(fn)) {
        mpPrevious = ZsSetMessageHandler(this);
    }
    ~CAnswer() override { ZsSetMessageHandler(mpPrevious); }
    int MsgBox(int nType, const std::string& sText) override {
        types.push_back(nType);
        return mFn(sText);
    }
    std::vector<int> types;

private:
    std::function<int(const std::string&)> mFn;
    CZsMessageHandler* mpPrevious;
};

// What the dialog showed at one moment.
struct CSeen {
    QString sTitle;
    QString sStatus;
    int nLogLines = 0;
    int nBar = 0;
    int nBarMax = 0;
};

// What the dialog shows of the run so far once it refreshes (it does so by itself at a human rate).
CSeen Look() {
    CSeen seen;
    if (CDlgPrg* pDialog = CDlgPrg::Current()) {
        pDialog->Refresh();
        seen.sTitle = pDialog->windowTitle();
        seen.sStatus = pDialog->StatusLine()->text();
        seen.nLogLines = pDialog->LogList()->count();
        seen.nBar = pDialog->Bar()->value();
        seen.nBarMax = pDialog->Bar()->maximum();
    }
    return seen;
}

// Records the dialog's state when it is hidden.
class CHideWatch : public QObject {
public:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override {
        auto* pDialog = qobject_cast<CDlgPrg*>(pObject);
        if (pDialog && pEvent->type() == QEvent::Hide && !bHidden) {
            bHidden = true;
            bCompleted = pDialog->IsCompleted();
            sStatus = pDialog->StatusLine()->text();
            const QListWidget* pLog = pDialog->LogList();
            sLastLine = pLog->item(pLog->count() - 1)->text();
            sFirstLine = pLog->item(0)->text();
            nLines = pLog->count();
            sTitle = pDialog->windowTitle();
            bCaretOnLast = pLog->currentRow() == pLog->count() - 1;
            nBar = pDialog->Bar()->value();
            nBarMax = pDialog->Bar()->maximum();
            bPauseEnabled = pDialog->PauseButton()->isEnabled();
            sButton = pDialog->CancelButton()->text();
        }
        return false;
    }
    bool bHidden = false;
    bool bCompleted = false;
    QString sStatus;
    QString sLastLine;
    QString sFirstLine;
    int nLines = 0;
    QString sTitle;
    bool bCaretOnLast = false;
    int nBar = -1;
    int nBarMax = -1;
    bool bPauseEnabled = true;
    QString sButton;
};

// Counts the paint events of a dialog and of its controls.
class CPaintCount : public QObject {
public:
    explicit CPaintCount(QWidget* pDialog) : mpDialog(pDialog) { qApp->installEventFilter(this); }
    ~CPaintCount() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* pObject, QEvent* pEvent) override {
        auto* pWidget = qobject_cast<QWidget*>(pObject);
        if (pEvent->type() == QEvent::Paint && pWidget && mpDialog &&
            (pWidget == mpDialog || mpDialog->isAncestorOf(pWidget))) {
            ++nPaints;
        }
        return false;
    }
    int nPaints = 0;

private:
    QPointer<QWidget> mpDialog;
};

}  // namespace

class DlgPrgTest : public QObject {
    Q_OBJECT

    // A library with an icon file per item to import.
    struct CFixture {
        test::TempDir dir;
        CZsCategoryTree tree;
        CZsIconLib lib;
        std::vector<std::filesystem::path> files;

        explicit CFixture(int nFiles) {
            lib.AttachTree(&tree);
            lib.NewLib();
            for (int i = 0; i < nFiles; ++i) {
                const std::filesystem::path path = dir / ZsFormat("icon%02d.ico", i);
                const auto ico = test::MakeIco({test::DibImage(16, 16, 32, static_cast<uint8_t>(i))});
                ZsWriteFile(path, ico);
                files.push_back(path);
            }
        }

        // Imports the files into "My Icons" as the import command reports it; onItem runs after every
        // icon, before the pump.
        int Import(const std::function<void(int nItem)>& onItem = {}, std::vector<CSeen>* pSeen = nullptr) {
            BeginProgress();
            const int nIcons = lib.ImpFiles(files, ZIL_ID_ALL, -1, 0, 0, 0, [&](const ZIL_IMPORTED& r) {
                SetProgressText(PRG_TITLE, "Import Icons (%d/%d)", r.nFile + 1, r.nFiles);
                SetProgressText(PRG_STATUS, "Importing icon '%s' from '%s'...", r.sName.c_str(),
                                ZsPathToUtf8(r.path).c_str());
                SetProgressText(PRG_LOG, "%.4d. '%-16s' << %s", r.nImported, r.sName.c_str(),
                                ZsPathToUtf8(r.path).c_str());
                SetProgressPos(r.nFile + 1, r.nFiles);
                if (pSeen) {
                    pSeen->push_back(Look());
                }
                if (onItem) {
                    onItem(r.nImported);
                }
                return PumpProgress();
            });
            EndProgress();
            return nIcons;
        }
    };

private slots:
    void cleanup() {
        // A failed check may leave its run open; end it so that the next test starts its own.
        EndProgress();
    }

    void dialogShowsTheRunAndClosesByItselfWhenComplete() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CZsPrgSinkScope progress(&frame);
        CFixture fixture(4);
        std::vector<CSeen> seen;
        bool bFrameDisabled = true;
        QPointer<CDlgPrg> pDialog;
        QString sLastLine;
        int nCaret = -1;
        QString sDetailsText;
        const int nIcons = fixture.Import(
            [&](int) {
                pDialog = CDlgPrg::Current();
                bFrameDisabled = bFrameDisabled && !frame.isEnabled();
                sLastLine = pDialog->LogList()->item(pDialog->LogList()->count() - 1)->text();
                nCaret = pDialog->LogList()->currentRow();
                sDetailsText = pDialog->DetailsButton()->text();
            },
            &seen);
        QCOMPARE(nIcons, 4);
        QVERIFY(bFrameDisabled);
        QVERIFY(frame.isEnabled());
        QVERIFY(!CDlgPrg::Current());
        QCOMPARE(seen.size(), size_t(4));
        QCOMPARE(seen[1].sTitle, QStringLiteral("Import Icons (2/4)"));
        QVERIFY(seen[1].sStatus.startsWith(QLatin1String("Importing icon 'icon01' from '")));
        QCOMPARE(seen[1].nLogLines, 2);
        QCOMPARE(seen[1].nBar, 2);
        QCOMPARE(seen[1].nBarMax, 4);
        QVERIFY(sLastLine.startsWith(QLatin1String("0004. 'icon03          ' << ")));
        QCOMPARE(nCaret, 3);
        QCOMPARE(sDetailsText, QStringLiteral("&Details >>"));
        QTRY_VERIFY(pDialog.isNull());
    }

    void completionWritesCompletedAndFillsTheBar() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CZsPrgSinkScope progress(&frame);
        CFixture fixture(2);
        QPointer<CDlgPrg> pDialog;
        CHideWatch watch;
        fixture.Import([&](int nItem) {
            if (nItem == 2) {
                pDialog = CDlgPrg::Current();
                pDialog->installEventFilter(&watch);
            }
        });
        // What the dialog showed as it went away by itself.
        QVERIFY(watch.bHidden);
        QVERIFY(watch.bCompleted);
        QCOMPARE(watch.sStatus, QStringLiteral("Completed!"));
        QCOMPARE(watch.sLastLine, QStringLiteral("Completed!"));
        QVERIFY(watch.bCaretOnLast);
        QCOMPARE(watch.nBar, 2);
        QCOMPARE(watch.nBarMax, 2);
        QVERIFY(!watch.bPauseEnabled);
        QCOMPARE(watch.sButton, QStringLiteral("&OK"));
        QVERIFY(!CDlgPrg::Current());
        QTRY_VERIFY(pDialog.isNull());
    }

    void controlsStartWithTheirTexts() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CZsPrgSinkScope progress(&frame);
        BeginProgress();
        CDlgPrg* pDialog = CDlgPrg::Current();
        QVERIFY(pDialog);
        QVERIFY(pDialog->isVisible());
        QVERIFY(!frame.isEnabled());
        QVERIFY(pDialog->isEnabled());
        QCOMPARE(pDialog->windowTitle(), QString());
        QCOMPARE(pDialog->StatusLine()->text(), QString());
        QCOMPARE(pDialog->PauseButton()->text(), QStringLiteral("&Pause"));
        QCOMPARE(pDialog->CancelButton()->text(), QStringLiteral("&Cancel"));
        QVERIFY(!pDialog->IsDetailsShown());
        QVERIFY(pDialog->LogList()->isHidden());
        QCOMPARE(pDialog->LogList()->font().pixelSize(), 11);

        // The details grow the window by the distance from the button's bottom to the list's bottom.
        const QRect rcBefore = pDialog->geometry();
        const QPoint ptBefore = pDialog->pos();
        const int nDistance =
            pDialog->LogList()->geometry().bottom() - pDialog->DetailsButton()->geometry().bottom();
        QVERIFY(nDistance > 100);
        pDialog->DetailsButton()->click();
        QVERIFY(pDialog->IsDetailsShown());
        QVERIFY(pDialog->LogList()->isVisible());
        QCOMPARE(pDialog->DetailsButton()->text(), QStringLiteral("<< &Details"));
        QCOMPARE(pDialog->height(), rcBefore.height() + nDistance);
        QCOMPARE(pDialog->width(), rcBefore.width());
        QCOMPARE(pDialog->pos(), ptBefore);
        pDialog->DetailsButton()->click();
        QCOMPARE(pDialog->height(), rcBefore.height());
        QCOMPARE(pDialog->DetailsButton()->text(), QStringLiteral("&Details >>"));
        EndProgress();
        QVERIFY(!CDlgPrg::Current());
        QVERIFY(frame.isEnabled());
    }

    // The columns of the log lines line up as drawn: on this desktop, on one whose fixed-width font is Noto
    // Sans Mono (which the font system does not flag as fixed-pitch, having a few wide characters beyond
    // Latin), and on one that names a proportional font for its fixed-width font.
    void logColumnsLineUpAsDrawn() {
        QVERIFY2(QFontDatabase::hasFamily(QStringLiteral("Noto Sans Mono")),
                 "fonts-noto-mono is not installed (scripts/install-check-deps.sh installs it)");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CZsPrgSinkScope progress(&frame);
        const QString sDesktopFixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        struct CSubstitution {
            QString sFamily;
            ~CSubstitution() { QFont::removeSubstitutions(sFamily); }
        } substitution{sDesktopFixed};
        for (const QString& sDesktopFont :
             {QString(), QStringLiteral("Noto Sans Mono"), QStringLiteral("DejaVu Sans")}) {
            QFont::removeSubstitutions(sDesktopFixed);
            if (!sDesktopFont.isEmpty()) {
                QFont::insertSubstitution(sDesktopFixed, sDesktopFont);
            }
            BeginProgress();
            SetProgressText(PRG_LOG, "%.4d. '%-16s' << %s", 1, "iiiiiiiiii", "/in/i.ico");
            SetProgressText(PRG_LOG, "%.4d. '%-16s' << %s", 2, "WWWWWWWWWW", "/in/W.ico");
            SetProgressText(PRG_LOG, "%.4d. '%-16s' << %s", 13, "Tool.Bar (1)", "/in/tools.icl");
            const QListWidget* pLog = CDlgPrg::Current()->LogList();
            QTRY_COMPARE(pLog->count(), 3);
            const QFontMetricsF metrics(pLog->font());
            QList<qreal> arrows;
            for (int i = 0; i < pLog->count(); ++i) {
                const QString sLine = pLog->item(i)->text();
                arrows << metrics.horizontalAdvance(sLine.left(sLine.indexOf(QLatin1String("<<"))));
            }
            QVERIFY2(arrows[0] == arrows[1] && arrows[1] == arrows[2],
                     qPrintable(QStringLiteral("desktop font '%1', log font '%2': '<<' at %3, %4, %5")
                                    .arg(sDesktopFont, QFontInfo(pLog->font()).family())
                                    .arg(arrows[0])
                                    .arg(arrows[1])
                                    .arg(arrows[2])));
            // A desktop's fixed-width font that draws in columns is the one taken.
            if (sDesktopFont == QLatin1String("Noto Sans Mono")) {
                QCOMPARE(QFontInfo(pLog->font()).family(), sDesktopFont);
            }
            EndProgress();
            QVERIFY(!CDlgPrg::Current());
        }
    }

    void aLongRunKeepsEveryLineButShowsThemAtAHumanRate() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CZsPrgSinkScope progress(&frame);
        constexpr int kItems = 3000;
        BeginProgress();
        CDlgPrg* pDialog = CDlgPrg::Current();
        QVERIFY(pDialog);
        pDialog->ShowDetails(true);
        CPaintCount paints(pDialog);
        CHideWatch watch;
        pDialog->installEventFilter(&watch);
        // Every round of event handling fires the timer once.
        int nRounds = 0;
        QTimer rounds;
        rounds.setInterval(0);
        connect(&rounds, &QTimer::timeout, [&nRounds] { ++nRounds; });
        rounds.start();
        QElapsedTimer clock;
        clock.start();
        for (int k = 1; k <= kItems; ++k) {
            SetProgressText(PRG_TITLE, "Export Icons (%d/%d)", k, kItems);
            SetProgressText(PRG_STATUS, "Exporting icon 'icon%d.ico'...", k);
            SetProgressText(PRG_LOG, "%.4d. >> icon%d.ico", k, k);
            SetProgressPos(k, kItems);
            QVERIFY(PumpProgress());
        }
        const qint64 nElapsedMs = clock.elapsed();
        rounds.stop();
        const int nPaintsInRun = paints.nPaints;
        EndProgress();

        // Events are handled and the window painted once per refresh period, not once per item.
        const qint64 nPeriods = 2 + nElapsedMs / CDlgPrg::kRefreshMs;
        QVERIFY2(nRounds <= 2 * nPeriods,
                 qPrintable(QStringLiteral("%1 rounds of events in %2 ms").arg(nRounds).arg(nElapsedMs)));
        QVERIFY2(nPaintsInRun < kItems && nPaintsInRun <= 20 * nPeriods,
                 qPrintable(QStringLiteral("%1 paints in %2 ms").arg(nPaintsInRun).arg(nElapsedMs)));
        // Yet every line is kept, and the dialog went away showing the last.
        QVERIFY(watch.bHidden);
        QVERIFY(!CDlgPrg::Current());
        QCOMPARE(watch.nLines, kItems + 1);
        QCOMPARE(watch.sLastLine, QStringLiteral("Completed!"));
        QVERIFY(watch.bCaretOnLast);
        QCOMPARE(watch.sFirstLine, QStringLiteral("0001. >> icon1.ico"));
        QCOMPARE(watch.sTitle, QStringLiteral("Export Icons (3000/3000)"));
        QCOMPARE(watch.nBar, kItems);
    }

    void pauseHoldsTheRunUntilResume() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CZsPrgSinkScope progress(&frame);
        CFixture fixture(5);
        int nLinesAtPause = -1;
        int nLinesAtResume = -1;
        QString sPausedText;
        int nItemsBeforeResume = -1;
        int nItems = 0;
        const int nIcons = fixture.Import([&](int nItem) {
            nItems = nItem;
            if (nItem != 2) {
                return;
            }
            CDlgPrg* pDialog = CDlgPrg::Current();
            pDialog->PauseButton()->click();
            nLinesAtPause = pDialog->LogList()->count();
            sPausedText = pDialog->PauseButton()->text();
            // Resumed a while later, from the event loop the paused pump runs.
            QTimer::singleShot(150, pDialog, [&, pDialog] {
                nLinesAtResume = pDialog->LogList()->count();
                nItemsBeforeResume = nItems;
                pDialog->PauseButton()->click();
            });
        });
        QCOMPARE(nIcons, 5);
        QCOMPARE(sPausedText, QStringLiteral("&Resume"));
        QCOMPARE(nLinesAtPause, 2);
        QCOMPARE(nLinesAtResume, 2);
        QCOMPARE(nItemsBeforeResume, 2);
    }

    void cancelAnsweredCancelGoesOnInTheFormerState() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CZsPrgSinkScope progress(&frame);
        std::vector<bool> pausedWhileAsked;
        std::vector<std::string> questions;
        CAnswer answer([&](const std::string& sText) {
            questions.push_back(sText);
            pausedWhileAsked.push_back(CDlgPrg::Current()->IsPaused());
            return int(ZS_IDCANCEL);
        });
        CFixture fixture(6);
        std::vector<bool> pausedAfter;
        const int nIcons = fixture.Import([&](int nItem) {
            CDlgPrg* pDialog = CDlgPrg::Current();
            if (nItem == 2) {
                // Running: Cancel, answered Cancel, leaves it running.
                pDialog->CancelButton()->click();
                pausedAfter.push_back(pDialog->IsPaused());
            } else if (nItem == 3) {
                // Paused: Esc, answered Cancel, leaves it paused; then resumed.
                pDialog->PauseButton()->click();
                QTest::keyClick(pDialog, Qt::Key_Escape);
                pausedAfter.push_back(pDialog->IsPaused());
                QCOMPARE(pDialog->PauseButton()->text(), QStringLiteral("&Resume"));
                pDialog->PauseButton()->click();
            }
        });
        QCOMPARE(nIcons, 6);
        QCOMPARE(questions.size(), size_t(2));
        QCOMPARE(questions[0], std::string("Are you sure you want to abort the processing?"));
        QCOMPARE(answer.types, (std::vector<int>{ZS_MB_QUESTION, ZS_MB_QUESTION}));
        QCOMPARE(pausedWhileAsked, (std::vector<bool>{true, true}));
        QCOMPARE(pausedAfter, (std::vector<bool>{false, true}));
        QCOMPARE(int(fixture.lib.GetList(ZIL_ID_ALL).size()), 6);
    }

    void cancelAnsweredOkEndsTheRunAfterTheCurrentItem() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CZsPrgSinkScope progress(&frame);
        CAnswer answer([](const std::string&) { return int(ZS_IDOK); });
        CFixture fixture(6);
        QPointer<CDlgPrg> pDialog;
        QStringList log;
        const int nIcons = fixture.Import([&](int nItem) {
            pDialog = CDlgPrg::Current();
            if (nItem == 3) {
                // Paused first: an abort must not leave the pump waiting.
                pDialog->PauseButton()->click();
                QTimer::singleShot(0, pDialog, [&] {
                    for (int i = 0; i < pDialog->LogList()->count(); ++i) {
                        log << pDialog->LogList()->item(i)->text();
                    }
                    pDialog->close();
                });
            }
        });
        QCOMPARE(nIcons, 3);
        QCOMPARE(answer.types.size(), size_t(1));
        QVERIFY(!CDlgPrg::Current());
        QVERIFY(frame.isEnabled());
        QCOMPARE(log.size(), 3);
        QVERIFY(pDialog.isNull() || pDialog->isHidden());
        if (pDialog) {
            QVERIFY(!pDialog->IsCompleted());
            QVERIFY(pDialog->StatusLine()->text() != QLatin1String("Completed!"));
            QCOMPARE(pDialog->LogList()->count(), 3);
        }
        QCOMPARE(int(fixture.lib.GetList(ZIL_ID_ALL).size()), 3);
        // The next run starts afresh.
        CFixture second(1);
        QCOMPARE(second.Import(), 1);
    }
};

PICTAVO_GUI_TEST_MAIN(DlgPrgTest)
#include "DlgPrgTest.moc"
