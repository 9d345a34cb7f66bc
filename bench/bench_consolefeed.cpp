// Feeds 400,000 MEncoder status lines, in the form today's MEncoder prints them, through one
// console and its mini console the way a running job's output reaches them, and prints the
// time, the lines per second (also as a ratio to the lines per second the raw engine
// produces), the peak memory over the idle program and the longest event-loop stall.
//
//   bench_consolefeed [lines]

#include "encoding/joboutputrouter.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "jobs/task.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QProgressBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int ChunkBytes = 4096; // what one read of a busy pipe returns
constexpr int MessageEvery = 1000;

long statusKilobytes(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Runs the real engine on a generated clip: its status lines and how fast it printed them.
QStringList rawEngineLines(double *linesPerSecond)
{
    QTemporaryDir folder;
    const QString clip = folder.path() + QStringLiteral("/clip.avi");
    QProcess::execute(QStringLiteral("ffmpeg"),
                      {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=20:size=320x240:rate=25",
                       "-f", "lavfi", "-i", "sine=duration=20", "-c:v", "mpeg4", "-c:a", "libmp3lame", clip});
    QProcess engine;
    QElapsedTimer clock;
    clock.start();
    engine.start(QStringLiteral("mencoder"), {clip, "-ovc", "lavc", "-oac", "copy", "-o", "/dev/null"});
    engine.waitForFinished(120000);
    const double seconds = clock.elapsed() / 1000.0;
    const QString output = QString::fromUtf8(engine.readAllStandardOutput());
    QStringList lines;
    for (const QString &part : output.split(QLatin1Char('\r'))) {
        const qsizetype at = part.lastIndexOf(QLatin1String("Pos:"));
        if (at >= 0)
            lines.append(part.mid(at));
    }
    *linesPerSecond = seconds > 0 ? lines.size() / seconds : 0;
    return lines;
}

// The i-th line: a real line with its frame, position and percent moved on.
QString statusLine(const QString &form, int i, int total)
{
    static const QRegularExpression numbers(QStringLiteral("Pos:\\s*[\\d.]+s\\s*\\d+f\\s*\\(\\s*\\d+%\\)"));
    QString line = form;
    line.replace(numbers, QStringLiteral("Pos:%1s %2f (%3%)")
                              .arg(i / 25.0, 6, 'f', 1)
                              .arg(i, 6)
                              .arg(int(100.0 * i / total), 2));
    return line + QLatin1Char('\r');
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int total = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 400000;

    double engineRate = 0;
    const QStringList forms = rawEngineLines(&engineRate);
    if (forms.isEmpty()) {
        std::fprintf(stderr, "mencoder printed no status line\n");
        return 1;
    }

    EncodingTaskData data{1, total / 25.0, total, 1.33, 0, QString(), QStringLiteral("avi"), false, {}};
    Task task;
    task.set(&data, QStringLiteral("mencoder"), {}, QString(), QStringLiteral("bench"), QStringLiteral("Encoding"));
    task.setPid(1);
    task.setState(Task::Running);
    auto *console = new MervoConsoleDialog(QStringLiteral("bench"), QStringLiteral("Encoding"),
                                           QStringLiteral("mencoder"), QStringLiteral("MEncoder"), 1, false);
    console->setProcess(&task);
    task.setConsole(console);
    console->frameTotal = total;
    MervoMiniConsoleWidget mini(console, nullptr);
    mini.frameTotal = total;
    mini.show();
    console->show();
    app.processEvents();

    // The job's output, cut as a busy pipe would deliver it.
    QStringList chunks;
    QString chunk;
    for (int i = 1; i <= total; ++i) {
        chunk += statusLine(forms.at(i % forms.size()), i, total);
        if (i % MessageEvery == 0)
            chunk += QStringLiteral("Skipping frame!\n");
        if (chunk.size() >= ChunkBytes) {
            chunks.append(chunk);
            chunk.clear();
        }
    }
    if (!chunk.isEmpty())
        chunks.append(chunk);

    const long idleKb = statusKilobytes("VmRSS:");
    qint64 longestStall = 0;
    QElapsedTimer beat;
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, beat.restart());
    });

    int next = 0;
    QTimer feeder;
    feeder.setInterval(0);
    QElapsedTimer clock;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        if (next == chunks.size()) {
            feeder.stop();
            console->flushOutput();
            app.quit();
            return;
        }
        JobOutputRouter::feed(console, 1, QProcess::StandardOutput, chunks.at(next++), 1.0);
    });
    clock.start();
    beat.start();
    heartbeat.start();
    feeder.start();
    app.exec();
    const double seconds = clock.elapsed() / 1000.0;
    const long peakKb = statusKilobytes("VmHWM:");

    const double rate = total / seconds;
    std::printf("lines:               %d in %lld chunks\n", total, qint64(chunks.size()));
    std::printf("time:                %.3f s\n", seconds);
    std::printf("lines per second:    %.0f\n", rate);
    std::printf("raw engine:          %.0f lines per second (%d lines of a real run)\n", engineRate,
                int(forms.size()));
    std::printf("ratio to the engine: %.1f\n", engineRate > 0 ? rate / engineRate : 0.0);
    std::printf("peak memory:         %.1f MB over idle (%.1f MB idle)\n", (peakKb - idleKb) / 1024.0,
                idleKb / 1024.0);
    std::printf("longest stall:       %lld ms (goal: under 50)\n", longestStall);
    std::printf("bar: console %d, strip %d; console lines kept: %d\n", console->progressBar()->value(),
                mini.progressBar()->value(), console->standardOutputView()->document()->blockCount());
    return 0;
}
