#pragma once

// Shared by the job view tests: a checked screenshot of a real window, built on the shared
// window-test support; the main window's routing of job output; a console and its strip.

#include "encoding/joboutputrouter.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "encoding/progresstotals.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/mervojobmanagerwidget.h"
#include "jobs/mervojobmanager.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

namespace ViewTest {

// Grabs the window of `widget` as X shows it, saves it as screenshots/<name>.png and checks
// it: more than two colours, mostly not black, and the area of `expected` (a visible widget
// inside that window) drawn in more than one colour. Returns the path, empty after a failed
// check (with the failure recorded).
inline QString screenshot(QWidget *widget, const QString &name, QWidget *expected = nullptr)
{
    QWidget *window = widget->window();
    window->raise();
    if (!QTest::qWaitForWindowExposed(window)) {
        QTest::qFail("window not exposed", __FILE__, __LINE__);
        return QString();
    }
    // A loaded X server paints late: grab again until the window is drawn or the wait ends.
    QImage shot;
    const auto drawn = [&] {
        shot = WindowTesting::grabNative(window);
        return WindowTesting::distinctColours(shot) >= 3 && WindowTesting::nonBlackShare(shot) >= 0.5;
    };
    const bool painted = WindowTesting::waitFor(drawn, WindowTesting::kScreenWait);
    const QString path = WindowTesting::saveScreenshot(shot, name);
    if (!painted) {
        QTest::qFail(qPrintable("screenshot is blank: " + path), __FILE__, __LINE__);
        return QString();
    }
    if (expected) {
        const QRect area(expected->mapTo(window, QPoint(0, 0)), expected->size());
        if (!expected->isVisible() || WindowTesting::distinctColours(shot.copy(area)) < 2) {
            QTest::qFail(qPrintable("expected widget not shown in " + path), __FILE__, __LINE__);
            return QString();
        }
    }
    return path;
}

} // namespace ViewTest

// What the main window does with its job manager's signals.
inline void routeJobs(MervoJobManager *manager, MervoJobManagerWidget *view)
{
    QObject::connect(manager, &MervoJobManager::jobStarted, view, &MervoJobManagerWidget::addJobContainer);
    QObject::connect(manager, qOverload<MervoProcess *>(&MervoJobManager::processStdOutReady), view,
                     [](MervoProcess *p) {
                         JobOutputRouter::readChannel(p, QProcess::StandardOutput, p->taskElapsedMinutes());
                     });
    QObject::connect(manager, qOverload<MervoProcess *>(&MervoJobManager::processStdErrReady), view,
                     [](MervoProcess *p) {
                         JobOutputRouter::readChannel(p, QProcess::StandardError, p->taskElapsedMinutes());
                     });
    QObject::connect(manager,
                     qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoJobManager::processFinished),
                     view, [](MervoProcess *p, int, QProcess::ExitStatus) { JobOutputRouter::finish(p); });
}

inline void routeJobs(JobManager *manager, JobManagerWidget *view)
{
    QObject::connect(manager, &JobManager::processStarted, view, &JobManagerWidget::addMiniConsole);
    QObject::connect(manager, &JobManager::processStdErrReady, view, [](Process *p) {
        JobOutputRouter::readChannel(p, QProcess::StandardError, -1.0);
    });
    QObject::connect(manager, &JobManager::processFinished, view,
                     [](Process *p, int, QProcess::ExitStatus) { JobOutputRouter::finish(p); });
}

// A job manager and its view, shown and routed as the main window routes them.
struct RoutedJobView
{
    RoutedJobView()
    {
        view.setJobManager(&manager);
        routeJobs(&manager, &view);
        view.show();
    }
    MervoJobManager manager{nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0};
    MervoJobManagerWidget view{nullptr};
};

inline ProgressTotals totalsOf(double duration, int frames, int size)
{
    ProgressTotals totals;
    totals.duration = duration;
    totals.frames = frames;
    totals.size = size;
    return totals;
}

// A console and its strip as a job view makes them, with the same totals.
struct ConsolePair
{
    explicit ConsolePair(Task *task, const ProgressTotals &totals, int engine = 1)
    {
        console = new MervoConsoleDialog("name", "Encoding", "cmd", engine == 2 ? "FFmpeg" : "MEncoder",
                                         int(task->processId()), engine == 2);
        console->setProcess(task);
        mini = new MervoMiniConsoleWidget(console, &holder);
        for (double *d : {&console->durationTotal, &mini->durationTotal})
            *d = totals.duration;
        console->frameTotal = mini->frameTotal = totals.frames;
        console->sizeTotal = mini->sizeTotal = totals.size;
        auto *layout = new QVBoxLayout(&holder);
        layout->addWidget(mini);
    }
    QWidget holder;
    MervoConsoleDialog *console;
    MervoMiniConsoleWidget *mini;
};
