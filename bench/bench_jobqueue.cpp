// Queues a long list of jobs on an extended job manager wired to its job manager window as
// the main window wires them (the window shown beside its owner, a log view that the manager
// writes its start lines to, the engines' output routed to the consoles), one add per turn of
// the event loop as a user's clicks come, then closes the window for good as the main window
// does when it closes (every engine killed, the view cleared).
//
// The road of an add is all the window's thread does for it: the add itself and the work it
// leaves to the event loop (the view laid out and painted again), measured from one add to
// the next. It prints the road early and late in the queue (goal: the same, once the
// children's share is taken off: with a thousand engines alive, every turn of any event loop
// polls their three pipes each, and a bare loop starting the same engines grows by as much,
// so the goal compares the program's growth beyond the raw starts' growth), the longest
// time the event loop could not turn while adding and while clearing (goal: under 50 ms), the
// heap kept per job once the jobs are cleared and ended (goal: none of a job's 0.1 MB), and
// the program's cost against starting the same engines directly. Each figure is the median
// of paired runs, the program and the raw engines alternating, with the range of the runs.
//
//   bench_jobqueue [jobs] [runs] [engine]     (defaults 1000, 5, sleep; engine: sleep or ffmpeg)
//
// The engine is a child that stays alive for the whole queue: "sleep" costs the system
// nothing, so a thousand of them fit any machine; "ffmpeg" runs a real encoder at its own
// pace (a few MB each).

#include "encoding/joboutputrouter.h"
#include "encoding/mervojobmanagerdialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "jobs/mervojobmanager.h"

#include "benchsupport.h"

#include <QApplication>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTextEdit>

namespace {
constexpr int Edge = 50; // adds counted as "early" and as "late"
constexpr double GrowthGoal = 1.3; // late road / early road, processor time, children's share off
constexpr double StallGoalMs = 50.0;
constexpr double KeptGoalKb = 10.0; // heap kept per cleared job

struct Engine
{
    QString program;
    QStringList arguments;
};

Engine engineNamed(const QString &name)
{
    if (name == QLatin1String("ffmpeg"))
        return {QStringLiteral("ffmpeg"),
                {"-nostdin", "-nostats", "-loglevel", "error", "-re", "-f", "lavfi", "-i",
                 "testsrc=size=32x24:rate=2", "-t", "600", "-f", "null", "-"}};
    if (name == QLatin1String("missing")) // no child at all: the view's and the manager's share alone
        return {QStringLiteral("/nonexistent/engine"), {}};
    return {QStringLiteral("sleep"), {QStringLiteral("600")}};
}

struct Run
{
    std::vector<double> roadMs, roadCpuMs; // one per add, in queue order
    double longestStallMs = 0.0, longestStallCpuMs = 0.0;
    double killStallMs = 0.0, killStallCpuMs = 0.0, killMs = 0.0;
    double clearStallMs = 0.0, clearStallCpuMs = 0.0, clearMs = 0.0;
    double keptBytesPerJob = 0.0;
    double totalMs = 0.0;

    static double edge(const std::vector<double> &values, bool late)
    {
        const size_t n = std::min<size_t>(Edge, values.size());
        return late ? Bench::median({values.end() - n, values.end()}) : Bench::median({values.begin(), values.begin() + n});
    }
};

// Runs `step(i)` for i in [0, count), one per turn of the event loop. The road of a step runs
// until the next step starts: the events it left are handled before the loop comes back to
// the next step's timer.
void runSteps(int count, const std::function<void(int)> &step, Run *run)
{
    Bench::StallMeter meter;
    QElapsedTimer clock;
    double cpuAt = 0.0;
    qint64 wallAt = 0;
    int next = 0;
    QTimer stepper;
    stepper.setInterval(0);
    QObject::connect(&stepper, &QTimer::timeout, [&] {
        const double cpu = Bench::threadCpuMs();
        const qint64 wall = clock.nsecsElapsed();
        if (next > 0) {
            run->roadCpuMs.push_back(cpu - cpuAt);
            run->roadMs.push_back((wall - wallAt) / 1e6);
        }
        cpuAt = cpu;
        wallAt = wall;
        if (next == count) {
            stepper.stop();
            QCoreApplication::exit();
            return;
        }
        step(next++);
    });
    clock.start();
    meter.start();
    stepper.start();
    QApplication::exec();
    meter.stop();
    run->totalMs = clock.nsecsElapsed() / 1e6;
    run->longestStallMs = meter.longestMs();
    run->longestStallCpuMs = meter.longestCpuMs();
}

// Turns the event loop until `done` holds (at most 60 s).
void turnUntil(const std::function<bool()> &done)
{
    if (done())
        return;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            QCoreApplication::exit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::exit(); });
    check.start();
    limit.start(60000);
    QApplication::exec();
}

Run programRun(int jobs, const Engine &engine, const QString &folder)
{
    Run run;
    const double heapBefore = Bench::liveHeapBytes();
    {
        QMainWindow owner;
        owner.resize(600, 500);
        owner.show();
        QTextEdit log;
        MervoJobManager manager(nullptr, nullptr, nullptr, &log, 1, 0, 0, 0);
        MervoJobManagerDialog dialog(QStringLiteral("Job manager"), &owner);
        MervoJobManagerWidget *view = dialog.mervoView();
        view->setJobManager(&manager);
        QObject::connect(&manager, &MervoJobManager::jobStarted, &dialog, [&](MervoJob *job) {
            view->addJobContainer(job);
            dialog.show();
        });
        for (const auto channel : {QProcess::StandardOutput, QProcess::StandardError}) {
            const auto ready = channel == QProcess::StandardOutput ? &MervoJobManager::processStdOutReady
                                                                   : &MervoJobManager::processStdErrReady;
            QObject::connect(&manager, qOverload<MervoProcess *>(ready), &dialog, [channel](MervoProcess *process) {
                JobOutputRouter::readChannel(process, channel, process->taskElapsedMinutes());
            });
        }
        QObject::connect(&manager,
                         qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoJobManager::processFinished),
                         &dialog, [](MervoProcess *process, int, QProcess::ExitStatus) { JobOutputRouter::finish(process); });
        runSteps(jobs, [&](int i) {
            const QString output = folder + QStringLiteral("/job-%1.nut").arg(i);
            manager.addEngineJob(engine.program, engine.arguments, output, QStringLiteral("Encoding"),
                                 QStringLiteral("Queued job %1").arg(i + 1), QStringLiteral("FFmpeg"), 0, 600.0);
        }, &run);

        // Every engine killed, as closing the main window does first, until every end has
        // arrived and been shown.
        Bench::StallMeter meter;
        QElapsedTimer clock;
        meter.start();
        clock.start();
        manager.killAll();
        turnUntil([&] { return manager.isIdle(); });
        meter.stop();
        run.killMs = clock.nsecsElapsed() / 1e6;
        run.killStallMs = meter.longestMs();
        run.killStallCpuMs = meter.longestCpuMs();
        // Then the window closed for good: the view cleared, until the view and the manager
        // have let go of every job.
        meter.start();
        clock.start();
        dialog.closeForGood();
        turnUntil([&] { return manager.jobs().isEmpty() && !view->isClearing(); });
        run.clearMs = clock.nsecsElapsed() / 1e6;
        meter.stop();
        run.clearStallMs = meter.longestMs();
        run.clearStallCpuMs = meter.longestCpuMs();
        // What the manager and the view still hold, with the window and the manager alive.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        run.keptBytesPerJob = (Bench::liveHeapBytes() - heapBefore) / jobs;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return run;
}

Run rawRun(int jobs, const Engine &engine)
{
    Run run;
    std::vector<std::unique_ptr<QProcess>> engines;
    runSteps(jobs, [&](int) {
        auto process = std::make_unique<QProcess>();
        process->start(engine.program, engine.arguments);
        process->waitForStarted();
        engines.push_back(std::move(process));
    }, &run);
    for (auto &process : engines)
        process->kill();
    for (auto &process : engines)
        process->waitForFinished();
    return run;
}
} // namespace

int main(int argc, char **argv)
{
    const Bench::OffscreenUnlessChosen platform;
    QApplication app(argc, argv);
    const int jobs = std::max(2 * Edge, argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000);
    const int runs = std::max(1, argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5);
    const Engine engine = engineNamed(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    QTemporaryDir folder;
    std::printf("%d jobs of \"%s\" per run; %s on %d cores\n", jobs, qPrintable(engine.program),
                qPrintable(Bench::loadAverage()), QThread::idealThreadCount());
    // Warm: the first run pays for fonts, styles and the allocator's first pages.
    programRun(2 * Edge, engine, folder.path());

    std::vector<double> early, late, growth, earlyCpu, lateCpu, growthCpu, ownGrowthCpu, rawGrowthCpu, stall,
        stallCpu, killStall, killStallCpu, killMs, clearStall, clearStallCpu, clearMs, keptKb, toRaw, rawStall;
    for (int i = 0; i < runs; ++i) {
        // Alternating which side goes first, so that neither always finds the caches warm.
        Run program, raw;
        if (i % 2 == 0) {
            program = programRun(jobs, engine, folder.path());
            raw = rawRun(jobs, engine);
        } else {
            raw = rawRun(jobs, engine);
            program = programRun(jobs, engine, folder.path());
        }
        early.push_back(Run::edge(program.roadMs, false));
        late.push_back(Run::edge(program.roadMs, true));
        growth.push_back(late.back() / std::max(early.back(), 1e-3));
        earlyCpu.push_back(Run::edge(program.roadCpuMs, false));
        lateCpu.push_back(Run::edge(program.roadCpuMs, true));
        growthCpu.push_back(lateCpu.back() / std::max(earlyCpu.back(), 1e-3));
        const double rawEarlyCpu = Run::edge(raw.roadCpuMs, false), rawLateCpu = Run::edge(raw.roadCpuMs, true);
        rawGrowthCpu.push_back(rawLateCpu / std::max(rawEarlyCpu, 1e-3));
        const double childrenShare = std::max(0.0, rawLateCpu - rawEarlyCpu);
        ownGrowthCpu.push_back((lateCpu.back() - childrenShare) / std::max(earlyCpu.back(), 1e-3));
        stall.push_back(program.longestStallMs);
        stallCpu.push_back(program.longestStallCpuMs);
        killStall.push_back(program.killStallMs);
        killStallCpu.push_back(program.killStallCpuMs);
        killMs.push_back(program.killMs);
        clearStall.push_back(program.clearStallMs);
        clearStallCpu.push_back(program.clearStallCpuMs);
        clearMs.push_back(program.clearMs);
        keptKb.push_back(program.keptBytesPerJob / 1024.0);
        toRaw.push_back(program.totalMs / std::max(raw.totalMs, 1e-3));
        rawStall.push_back(raw.longestStallMs);
        std::printf("run %d: road of an add %.2f ms early, %.2f ms late (processor %.2f / %.2f ms; raw starts "
                    "%.2f / %.2f ms); longest stall %.1f ms adding, %.1f ms while the engines were killed, %.1f ms "
                    "clearing (%.0f ms to clear); %.1f kB kept per job; %.0f ms in all (raw engines %.0f ms)\n",
                    i + 1, early.back(), late.back(), earlyCpu.back(), lateCpu.back(), Run::edge(raw.roadCpuMs, false),
                    Run::edge(raw.roadCpuMs, true), stall.back(), killStall.back(), clearStall.back(), clearMs.back(),
                    keptKb.back(), program.totalMs, raw.totalMs);
    }
    std::printf("\nmedians of %d paired runs, %d jobs each; %s\n", runs, jobs, qPrintable(Bench::loadAverage()));
    Bench::printFigure("road of an add, first jobs", early, "ms");
    Bench::printFigure("road of an add, last jobs", late, "ms");
    Bench::printFigure("same, processor time, first jobs", earlyCpu, "ms");
    Bench::printFigure("same, processor time, last jobs", lateCpu, "ms");
    Bench::printFigure("late / early road, processor time", growthCpu, "");
    Bench::printFigure("same for raw starts (the children's share)", rawGrowthCpu, "");
    bool met = Bench::printGoal("late / early road, raw starts' growth off", ownGrowthCpu, GrowthGoal);
    Bench::printFigure("late / early road, wall time", growth, "");
    met &= Bench::printGoal("longest stall while adding, processor", stallCpu, StallGoalMs, true, " ms");
    Bench::printFigure("longest stall while adding, wall", stall, "ms");
    Bench::printFigure("longest stall of raw starts, wall", rawStall, "ms");
    met &= Bench::printGoal("longest stall, engines killed, processor", killStallCpu, StallGoalMs, true, " ms");
    Bench::printFigure("longest stall, engines killed, wall", killStall, "ms");
    Bench::printFigure("killing until every end is shown", killMs, "ms");
    met &= Bench::printGoal("longest stall while clearing, processor", clearStallCpu, StallGoalMs, true, " ms");
    Bench::printFigure("longest stall while clearing, wall", clearStall, "ms");
    Bench::printFigure("clearing until every job is let go", clearMs, "ms");
    met &= Bench::printGoal("heap kept per cleared job", keptKb, KeptGoalKb, true, " kB");
    Bench::printFigure("queue / raw starts, in all", toRaw, "");
    std::printf("%s\n", met ? "all goals met" : "FAIL: a goal is missed");
    return met ? 0 : 1;
}
