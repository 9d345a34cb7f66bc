// Times the program's start, from before the application object is made to the main window
// shown, with an empty configuration folder, against the engines' own status queries (the
// same commands the program asks) run directly one after another and side by side.
//
//   bench_startup [runs]      (at least 5; paired: the queries and a start alternate)
//
// Each start runs in a fresh process (the program keeps the engines' answers for as long as
// it runs, so a second start in one process would not be a real start). Warm caches on
// both sides: one of each runs before the timed rounds. Once shown, the window stays open a
// while (MPlayer's font-cache run goes then) and the longest time its event loop could not
// turn is measured (goal: under 50 ms).

#include "app/appidentity.h"
#include "app/applicationshell.h"
#include "app/enginequeryprefetch.h"
#include "app/mervomainwindow.h"
#include "gui4/gui4resources.h"

#include "benchsupport.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <optional>

#include <sys/resource.h>

namespace {
constexpr double kGoal = 0.5;
constexpr double kStallGoalMs = 50.0;
// How long the window stays open after it has shown: the work it does then is watched.
constexpr int kWatchMs = 1500;

struct Start
{
    double seconds = 0.0;
    double stallMs = 0.0;
    double stallCpuMs = 0.0;
    double ownCpu = 0.0; // seconds of the program's own processor time until shown
    double enginesCpu = 0.0; // and of the engines it had run by then
};

QList<Bench::RawRun> rawQueries()
{
    QList<Bench::RawRun> runs;
    for (const EngineQueryPrefetch::Command &query : EngineQueryPrefetch::queries())
        runs << Bench::RawRun{QStandardPaths::findExecutable(query.program), query.arguments, {}};
    return runs;
}

// One start in this process; prints its seconds and the longest stall after the window
// showed. The clock starts before the application.
int startOnce(int argc, char **argv)
{
    QElapsedTimer clock;
    clock.start();
    QTemporaryDir configuration;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configuration.path()));
    const Bench::OffscreenUnlessChosen platform;
    QApplication application(argc, argv);
    initGui4Resources();
    AppIdentity::apply();
    double shown = 0.0, ownCpu = 0.0, enginesCpu = 0.0;
    Bench::StallMeter meter;
    ApplicationShell shell;
    // Shown: the first turn of the event loop after show(), when the window is painted.
    shell.onWindowShown = [&](MervoMainWindow *window) {
        QTimer::singleShot(0, window, [&, window] {
            shown = clock.elapsed() / 1000.0;
            rusage self{};
            getrusage(RUSAGE_SELF, &self);
            ownCpu = self.ru_utime.tv_sec + self.ru_stime.tv_sec + (self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e6;
            enginesCpu = Bench::childrenCpuSeconds();
            meter.start();
            QTimer::singleShot(kWatchMs, window, [window] { window->close(); });
        });
    };
    shell.run();
    meter.stop();
    std::printf("%.3f %.1f %.1f %.4f %.4f\n", shown, meter.longestMs(), meter.longestCpuMs(), ownCpu, enginesCpu);
    return 0;
}

Start childStart(const QString &self)
{
    QProcess child;
    child.start(self, {QStringLiteral("--start-once")});
    const QStringList figures = child.waitForFinished(60000) && child.exitCode() == 0
                                    ? QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '))
                                    : QStringList();
    Start start;
    if (figures.size() == 5) {
        start.seconds = figures.at(0).toDouble();
        start.stallMs = figures.at(1).toDouble();
        start.stallCpuMs = figures.at(2).toDouble();
        start.ownCpu = figures.at(3).toDouble();
        start.enginesCpu = figures.at(4).toDouble();
    }
    if (start.seconds <= 0.0) {
        std::fprintf(stderr, "a start failed:\n%s\n", child.readAllStandardError().constData());
        std::exit(2);
    }
    return start;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--start-once")
        return startOnce(argc, argv);
    QCoreApplication application(argc, argv);
    const int runs = Bench::runsArgument(argc, argv, 5);
    const QList<Bench::RawRun> queries = rawQueries();
    const QString self = QCoreApplication::applicationFilePath();
    Bench::rawSerial(queries);
    Bench::rawSideBySide(queries, int(queries.size()));
    childStart(self);

    std::printf("%d status queries; %s on %d cores\n", int(queries.size()), qPrintable(Bench::loadAverage()),
                QThread::idealThreadCount());
    std::vector<double> serial, sideBySide, start, toSerial, toSideBySide, stall, stallCpu, cpuToSerial, ownShare;
    for (int i = 0; i < runs; ++i) {
        const double cpuBefore = Bench::childrenCpuSeconds();
        serial.push_back(Bench::rawSerial(queries));
        const double cpuQueries = Bench::childrenCpuSeconds();
        const Start one = childStart(self);
        // The start's processor time until the window showed, its engines' included.
        const double queriesCpu = cpuQueries - cpuBefore;
        cpuToSerial.push_back((one.ownCpu + one.enginesCpu) / queriesCpu);
        ownShare.push_back(one.ownCpu / queriesCpu);
        start.push_back(one.seconds);
        stall.push_back(one.stallMs);
        stallCpu.push_back(one.stallCpuMs);
        sideBySide.push_back(Bench::rawSideBySide(queries, int(queries.size())));
        toSerial.push_back(start.back() / serial.back());
        toSideBySide.push_back(start.back() / sideBySide.back());
        std::printf("pair %d: queries %.3f s one after another, %.3f s side by side; start %.3f s (ratio %.3f); "
                    "longest stall once shown %.1f ms (processor %.1f ms)\n",
                    i + 1, serial.back(), sideBySide.back(), start.back(), toSerial.back(), stall.back(),
                    stallCpu.back());
    }
    std::printf("\nmedians of %d pairs; %s\n", runs, qPrintable(Bench::loadAverage()));
    Bench::printFigure("queries run one after another", serial);
    Bench::printFigure("queries run side by side", sideBySide);
    Bench::printFigure("start to main window shown", start);
    bool met = Bench::printGoal("ratio start / queries one after another", toSerial, kGoal);
    Bench::printFigure("ratio start / queries side by side", toSideBySide, "");
    Bench::printFigure("processor time until shown / queries'", cpuToSerial, "");
    Bench::printFigure("  of which the program's own / queries'", ownShare, "");
    Bench::printFigure("longest stall once shown, wall", stall, "ms");
    met &= Bench::printGoal("longest stall once shown, processor", stallCpu, kStallGoalMs, true, " ms");
    std::printf("%s\n", met ? "all goals met" : "FAIL: a goal is missed");
    return met ? 0 : 1;
}
