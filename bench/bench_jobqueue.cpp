// Queues a long list of FFmpeg jobs on an extended job manager wired to its job manager
// window as the main window wires them (the window shown beside its owner, a log view that
// the manager writes its start lines to, the engines' output routed to the consoles), one add
// per turn of the event loop as a user's clicks come. It prints what one add costs early and
// late in the queue, the longest single stall of the window, and the program's cost against
// starting the same engines directly. Each figure is the median of paired runs, the program
// and the raw engines alternating; the engines of a run are killed before the next.
//
//   bench_jobqueue [jobs] [runs]

#include "encoding/joboutputrouter.h"
#include "encoding/mervojobmanagerdialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "jobs/mervojobmanager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int Edge = 10; // adds counted as "early" and as "late"

// An engine that runs on at its own pace, printing a status line twice a second.
QStringList engineArguments()
{
    return {"-nostdin", "-re", "-f", "lavfi", "-i", "testsrc=size=32x24:rate=2", "-t", "120",
            "-f", "null", "-"};
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

struct Run
{
    std::vector<double> addMs; // one per job, in queue order
    std::vector<double> viewMs; // of which the job view's share (strips and consoles made)
    double longestStallMs = 0.0;
    double totalMs = 0.0;

    double early() const { return median({addMs.begin(), addMs.begin() + std::min<size_t>(Edge, addMs.size())}); }
    double late() const { return median({addMs.end() - std::min<size_t>(Edge, addMs.size()), addMs.end()}); }
};

// Runs `step(i)` for i in [0, count), one per turn of the event loop, timing each and watching
// how long the loop is kept from turning.
Run runSteps(QApplication &app, int count, const std::function<void(int)> &step)
{
    Run run;
    QElapsedTimer beat;
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        run.longestStallMs = std::max(run.longestStallMs, double(beat.nsecsElapsed()) / 1e6);
        beat.restart();
    });
    int next = 0;
    QTimer stepper;
    stepper.setInterval(0);
    QElapsedTimer clock;
    QObject::connect(&stepper, &QTimer::timeout, [&] {
        if (next == count) {
            stepper.stop();
            app.quit();
            return;
        }
        QElapsedTimer one;
        one.start();
        step(next++);
        const double ms = one.nsecsElapsed() / 1e6;
        run.addMs.push_back(ms);
        run.longestStallMs = std::max(run.longestStallMs, ms);
    });
    clock.start();
    beat.start();
    heartbeat.start();
    stepper.start();
    app.exec();
    run.totalMs = clock.nsecsElapsed() / 1e6;
    return run;
}

Run programRun(QApplication &app, int jobs, const QString &folder)
{
    QMainWindow owner;
    owner.resize(600, 500);
    owner.show();
    QTextEdit log;
    MervoJobManager manager(nullptr, nullptr, nullptr, &log, 1, 0, 0, 0);
    MervoJobManagerDialog dialog(QStringLiteral("Job manager"), &owner);
    MervoJobManagerWidget *view = dialog.mervoView();
    view->setJobManager(&manager);
    std::vector<double> viewMs;
    QObject::connect(&manager, &MervoJobManager::jobStarted, &dialog, [&](MervoJob *job) {
        QElapsedTimer clock;
        clock.start();
        view->addJobContainer(job);
        dialog.show();
        viewMs.push_back(clock.nsecsElapsed() / 1e6);
    });
    QObject::connect(&manager, qOverload<MervoProcess *>(&MervoJobManager::processStdErrReady), &dialog,
                     [](MervoProcess *process) {
                         JobOutputRouter::readChannel(process, QProcess::StandardError,
                                                      process->taskElapsedMinutes());
                     });
    Run run = runSteps(app, jobs, [&](int i) {
        const QString output = folder + QStringLiteral("/job-%1.nut").arg(i);
        manager.addEngineJob(QStringLiteral("ffmpeg"), engineArguments(), output,
                             QStringLiteral("Encoding"), QStringLiteral("Queued job %1").arg(i + 1),
                             QStringLiteral("FFmpeg"), 0, 120.0);
    });
    run.viewMs = viewMs;
    manager.killAll();
    QElapsedTimer wait;
    wait.start();
    while (!manager.isIdle() && wait.elapsed() < 30000)
        app.processEvents(QEventLoop::AllEvents, 20);
    return run;
}

Run rawRun(QApplication &app, int jobs)
{
    std::vector<std::unique_ptr<QProcess>> engines;
    const Run run = runSteps(app, jobs, [&](int) {
        auto engine = std::make_unique<QProcess>();
        engine->start(QStringLiteral("ffmpeg"), engineArguments());
        engine->waitForStarted();
        engines.push_back(std::move(engine));
    });
    for (auto &engine : engines)
        engine->kill();
    for (auto &engine : engines)
        engine->waitForFinished();
    return run;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int jobs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const int runs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    QTemporaryDir folder;

    std::vector<double> early, late, growth, stall, total, rawAdd, rawTotal, perAdd, rawGrowth, viewEarly, viewLate, rawStall;
    for (int i = 0; i < runs; ++i) {
        // Alternating which side goes first, so that neither always finds the caches warm.
        Run program, raw;
        if (i % 2 == 0) {
            program = programRun(app, jobs, folder.path());
            raw = rawRun(app, jobs);
        } else {
            raw = rawRun(app, jobs);
            program = programRun(app, jobs, folder.path());
        }
        early.push_back(program.early());
        late.push_back(program.late());
        growth.push_back(program.early() > 0 ? program.late() / program.early() : 0.0);
        stall.push_back(program.longestStallMs);
        total.push_back(program.totalMs);
        rawTotal.push_back(raw.totalMs);
        rawAdd.push_back(median(raw.addMs));
        perAdd.push_back(median(program.addMs));
        rawGrowth.push_back(raw.early() > 0 ? raw.late() / raw.early() : 0.0);
        rawStall.push_back(raw.longestStallMs);
        Run view;
        view.addMs = program.viewMs;
        viewEarly.push_back(view.early());
        viewLate.push_back(view.late());
        const auto slowest = std::max_element(program.addMs.begin(), program.addMs.end());
        std::printf("run %d: add %.1f ms early, %.1f ms late; longest stall %.1f ms (slowest add: "
                    "job %d, %.1f ms); %.0f ms in all (raw engines %.0f ms)\n",
                    i + 1, program.early(), program.late(), program.longestStallMs,
                    int(slowest - program.addMs.begin()) + 1, *slowest, program.totalMs, raw.totalMs);
    }
    std::printf("\nmedians of %d paired runs, %d jobs each:\n", runs, jobs);
    std::printf("one add, first %d jobs:      %.2f ms\n", Edge, median(early));
    std::printf("one add, last %d jobs:       %.2f ms\n", Edge, median(late));
    std::printf("late/early (goal: about 1):  %.2f\n", median(growth));
    std::printf("raw starts late/early:       %.2f\n", median(rawGrowth));
    std::printf("job view's share of an add:  %.2f ms early, %.2f ms late\n", median(viewEarly), median(viewLate));
    std::printf("longest stall (goal < 50):   %.1f ms (raw engines: %.1f ms)\n", median(stall), median(rawStall));
    std::printf("one add / one raw start:     %.2f (%.2f ms / %.2f ms)\n",
                median(rawAdd) > 0 ? median(perAdd) / median(rawAdd) : 0.0, median(perAdd), median(rawAdd));
    std::printf("queue / raw starts, in all:  %.2f (%.0f ms / %.0f ms)\n",
                median(rawTotal) > 0 ? median(total) / median(rawTotal) : 0.0, median(total), median(rawTotal));
    return 0;
}
