// Times the program's start, from before the application object is made to the main window
// shown, with an empty configuration folder, against the engines' own status queries (the
// same commands the program asks) run directly one after another and side by side.
//
//   bench_startup [runs]      (at least 5; paired: the queries and a start alternate)
//
// Each start runs in a fresh process (the program keeps the engines' answers for as long as
// it runs, so a second start in one process would not be a real start). Warm caches on
// both sides: one of each runs before the timed rounds.

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

namespace {
constexpr double kGoal = 0.5;

QList<Bench::RawRun> rawQueries()
{
    QList<Bench::RawRun> runs;
    for (const EngineQueryPrefetch::Command &query : EngineQueryPrefetch::queries())
        runs << Bench::RawRun{QStandardPaths::findExecutable(query.program), query.arguments, {}};
    return runs;
}

// One start in this process; prints its seconds. The clock starts before the application.
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
    double shown = 0.0;
    ApplicationShell shell;
    // Shown: the first turn of the event loop after show(), when the window is painted.
    shell.onWindowShown = [&](MervoMainWindow *window) {
        QTimer::singleShot(0, window, [&, window] {
            shown = clock.elapsed() / 1000.0;
            window->close();
        });
    };
    shell.run();
    std::printf("%.3f\n", shown);
    return 0;
}

double childStartupSeconds(const QString &self)
{
    QProcess child;
    child.start(self, {QStringLiteral("--start-once")});
    bool read = false;
    const double seconds = child.waitForFinished(60000) && child.exitCode() == 0
                               ? QString::fromUtf8(child.readAllStandardOutput()).trimmed().toDouble(&read)
                               : 0.0;
    if (!read || seconds <= 0.0) {
        std::fprintf(stderr, "a start failed:\n%s\n", child.readAllStandardError().constData());
        std::exit(2);
    }
    return seconds;
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
    childStartupSeconds(self);

    std::vector<double> serial, sideBySide, start, toSerial, toSideBySide;
    for (int i = 0; i < runs; ++i) {
        serial.push_back(Bench::rawSerial(queries));
        start.push_back(childStartupSeconds(self));
        sideBySide.push_back(Bench::rawSideBySide(queries, int(queries.size())));
        toSerial.push_back(start.back() / serial.back());
        toSideBySide.push_back(start.back() / sideBySide.back());
    }
    std::printf("%d status queries; %s\n", int(queries.size()), qPrintable(Bench::loadAverage()));
    Bench::printFigure("queries run one after another", serial);
    Bench::printFigure("queries run side by side", sideBySide);
    Bench::printFigure("start to main window shown", start);
    std::printf("%-44s %8.3f   (median of %d; goal: at most %.2f)\n", "ratio start / queries one after another",
                Bench::median(toSerial), runs, kGoal);
    Bench::printFigure("ratio start / queries side by side", toSideBySide, "");
    return 0;
}
