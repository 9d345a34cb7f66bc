// Times the program's start, from the application object to the main window shown, with an
// empty configuration folder, against the engines' own status queries run directly one
// after the other (the least any start that checks every engine must wait), and prints both
// and their ratio. The goal: the window within the queries' time plus 0.15 s.
//
//   bench_startup [runs]
//
// Each start runs in a fresh process (the program keeps the engines' answers for as long as
// it runs, so a second start in one process would not be a real start).

#include "app/appidentity.h"
#include "app/applicationshell.h"
#include "app/mervomainwindow.h"
#include "gui4/gui4resources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
struct Query
{
    const char *program;
    QStringList arguments;
};

// One status query per engine and utility, as each answers it.
const Query kQueries[] = {
    {"ffmpeg", {"-version"}},
    {"ffmpeg", {"-formats"}},
    {"ffmpeg", {"-codecs"}},
    {"ffprobe", {"-version"}},
    {"mencoder", {"-ovc", "help", "-oac", "help", "-of", "help"}},
    {"mplayer", {"-vo", "help", "-ao", "help"}},
    {"mediainfo", {"--version"}},
    {"x264", {"--fullhelp"}},
    {"mkvmerge", {"--version"}},
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double rawQueriesSeconds()
{
    QElapsedTimer clock;
    clock.start();
    for (const Query &query : kQueries) {
        QProcess process;
        process.start(QStandardPaths::findExecutable(QLatin1String(query.program)), query.arguments);
        process.waitForFinished(10000);
    }
    return clock.elapsed() / 1000.0;
}

double startupSeconds()
{
    QTemporaryDir configuration;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configuration.path()));
    QElapsedTimer clock;
    clock.start();
    double shown = 0.0;
    ApplicationShell shell;
    shell.onWindowShown = [&](MervoMainWindow *window) {
        QTimer::singleShot(0, window, [&, window] {
            shown = clock.elapsed() / 1000.0;
            window->close();
        });
    };
    shell.run();
    return shown;
}

// One start in a child process of this benchmark; it prints its seconds.
double childStartupSeconds(const QString &self)
{
    QProcess child;
    child.start(self, {QStringLiteral("--start-once")});
    child.waitForFinished(60000);
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed().toDouble();
}
} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    initGui4Resources();
    AppIdentity::apply();
    if (argc > 1 && QByteArray(argv[1]) == "--start-once") {
        std::printf("%.3f\n", startupSeconds());
        return 0;
    }
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    std::vector<double> raw, start;
    for (int i = 0; i < runs; ++i) {
        raw.push_back(rawQueriesSeconds());
        start.push_back(childStartupSeconds(QCoreApplication::applicationFilePath()));
    }
    const double rawSeconds = median(raw);
    const double startSeconds = median(start);
    std::printf("engine status queries run directly: %.3f s (median of %d)\n", rawSeconds, runs);
    std::printf("start to main window shown:         %.3f s (median of %d)\n", startSeconds, runs);
    std::printf("ratio window / queries: %.2f; over the queries: %.3f s (goal: at most 0.150 s)\n",
                startSeconds / rawSeconds, startSeconds - rawSeconds);
    return 0;
}
