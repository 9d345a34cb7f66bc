// Progress rules, consoles and mini consoles fed by hand, and what reaches a console's text.

#include "viewtestsupport.h"

#include "encoder/encoder.h"
#include "encoding/consoledialog.h"
#include "encoding/consoletextfeed.h"
#include "encoding/mutedlines.h"
#include "encoding/displaypacer.h"
#include "encoding/joboutputrouter.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "encoding/progresstotals.h"
#include "jobs/job.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

VEXO_TEST_NEEDS_DISPLAY

namespace {
// FFmpeg's status line as a stand-in for its parser: "frame=  N ..." gives the frame.
bool testParser(int engine, const QString &text, QString &rest, int &frame, double &position, int &percent,
                int &remaining, double &fps, int &size)
{
    if (engine != 2)
        return Encoder::parseProgress(engine, text, rest, frame, position, percent, remaining, fps, size);
    static const QRegularExpression status("frame=\\s*(\\d+)");
    const QRegularExpressionMatch match = status.match(text);
    if (match.hasMatch())
        frame = match.captured(1).toInt();
    else
        rest = text;
    return true;
}

} // namespace

class ProgressRules : public QObject
{
    Q_OBJECT

private slots:
    void percent_data()
    {
        QTest::addColumn<double>("duration");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("sizeTotal");
        QTest::addColumn<int>("frame");
        QTest::addColumn<double>("position");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("applied");
        QTest::newRow("frame rule beats the engine's percent") << 0.0 << 1000 << 0 << 250 << 10.0 << 40 << -1 << 26 << true;
        QTest::newRow("finished count is 100, not 101") << 0.0 << 1000 << 0 << 1000 << 0.0 << -1 << -1 << 100 << true;
        QTest::newRow("count past the total capped") << 0.0 << 1000 << 0 << 5000 << 0.0 << -1 << -1 << 100 << true;
        QTest::newRow("first frame shows 1") << 0.0 << 1000 << 0 << 1 << 0.0 << -1 << -1 << 1 << true;
        QTest::newRow("size rule") << 0.0 << 0 << 50000 << -1 << -1.0 << -1 << 12345 << 25 << true;
        QTest::newRow("size rule only without a percent") << 0.0 << 0 << 50000 << -1 << -1.0 << 30 << 12345 << 30 << false;
        QTest::newRow("size 0 falls to the position rule") << 60.0 << 0 << 50000 << 10 << 30.0 << -1 << 0 << 51 << true;
        QTest::newRow("size without total falls to position") << 60.0 << 0 << 0 << -1 << 15.0 << -1 << 100 << 26 << true;
        QTest::newRow("position rule needs activity") << 60.0 << 0 << 0 << 0 << 30.0 << -1 << 0 << -1 << false;
        QTest::newRow("position rule needs a duration") << 0.0 << 0 << 0 << 10 << 30.0 << -1 << 0 << -1 << false;
        QTest::newRow("position rule needs a position") << 60.0 << 0 << 0 << 10 << 0.0 << -1 << 0 << -1 << false;
        QTest::newRow("nothing active keeps -1") << 60.0 << 1000 << 50000 << 0 << 10.0 << -1 << 0 << -1 << false;
        QTest::newRow("engine percent kept without rule") << 60.0 << 0 << 0 << 10 << 30.0 << 40 << -1 << 40 << false;
    }
    void percent()
    {
        QFETCH(double, duration);
        QFETCH(int, frames);
        QFETCH(int, sizeTotal);
        QFETCH(int, frame);
        QFETCH(double, position);
        QFETCH(int, percent);
        QFETCH(int, size);
        QFETCH(int, expected);
        QFETCH(bool, applied);
        QCOMPARE(totalsOf(duration, frames, sizeTotal).completePercent(frame, position, percent, size), applied);
        QCOMPARE(percent, expected);
    }

    void remaining_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("percent");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("text");
        QTest::newRow("engine's figure") << 5 << 50 << 10.0 << 7 << 7 << "7 min";
        QTest::newRow("engine's figure needs frames") << 0 << 50 << 10.0 << 7 << 10 << "10 min";
        QTest::newRow("estimate from half") << 5 << 50 << 10.0 << -1 << 10 << "10 min";
        QTest::newRow("early and small: none") << 0 << 3 << 0.3 << -1 << -1 << "--";
        QTest::newRow("after 0.4 minutes with frames") << 5 << 3 << 0.5 << -1 << 16 << "16 min";
        QTest::newRow("at 0.4 minutes not yet") << 5 << 3 << 0.4 << -1 << -1 << "--";
        QTest::newRow("above 5 percent at once") << 0 << 6 << 1.0 << -1 << 16 << "16 min";
        QTest::newRow("5 percent is not above") << 0 << 5 << 1.0 << -1 << -1 << "--";
        // The last half minute runs down in seconds (MEncoder's own figure is then 0 min).
        QTest::newRow("last half minute in seconds") << 5 << 90 << 2.0 << -1 << 0 << "14 s";
        QTest::newRow("engine's 0 min, seconds estimated") << 5 << 95 << 1.0 << 0 << 0 << "4 s";
        QTest::newRow("done leaves 0") << 5 << 100 << 5.0 << -1 << 0 << "--";
        QTest::newRow("ended process (-1 elapsed)") << 5 << 50 << -1.0 << -1 << 0 << "--";
    }
    void remaining()
    {
        QFETCH(int, frame);
        QFETCH(int, percent);
        QFETCH(double, elapsed);
        QFETCH(int, given);
        QFETCH(int, expected);
        QFETCH(QString, text);
        QCOMPARE(ProgressTotals::completeRemaining(frame, percent, elapsed, given), text);
        QCOMPARE(given, expected);
    }

    void speedAndTotals()
    {
        QCOMPARE(ProgressTotals::speedText(1, -1, 25.0), QString("25.00 fps"));
        QCOMPARE(ProgressTotals::speedText(-1, 10, 7.456), QString("7.46 fps"));
        QCOMPARE(ProgressTotals::speedText(0, 0, 25.0), QString());
        QCOMPARE(ProgressTotals::speedText(3, 0, 0.0), QString());

        // An expected size past 2 GiB must not wrap; a short two-pass data list reads fine.
        auto totals = [](const EncodingTaskData &data) {
            const ProgressTotals read = ProgressTotals::fromTaskData(&data);
            return QList<double>{read.duration, double(read.frames), double(read.size)};
        };
        QCOMPARE(totals({2, 60.5, qint64(5000000000LL)}), (QList<double>{60.5, 0, 5000000}));
        // Nor one past 2 TB, from a 64-bit estimate of an absurd source: the largest total.
        QCOMPARE(totals({2, 60.5, qint64(10016000000000LL)}), (QList<double>{60.5, 0, 2147483647}));
        QCOMPARE(totals({1, 12.0, 300, 0.0, 0, "o", "avi"}), (QList<double>{12.0, 300, 0}));
        QCOMPARE(totals({3, 12.0, 300}), (QList<double>{0, 0, 0}));
    }
};
VEXO_TEST_CLASS(ProgressRules)

class ConsoleProgress : public QObject
{
    Q_OBJECT

private slots:
    // The console completes the values for its caller, and its strip shows the same.
    void consoleAndStripAgree()
    {
        Task task;
        task.setPid(4242);
        task.setState(Task::Running);
        ConsolePair pair(&task, totalsOf(120.0, 1000, 0));
        QSignalSpy spy(pair.console, qOverload<int, double, int, int, double, double, int>(
                                         &MervoConsoleDialog::progressUpdated));

        int frame = 500, percent = 40, remaining = -1, size = -1;
        double position = 60.0, fps = 24.5, elapsed = 10.0;
        pair.console->updateProgress(frame, position, percent, remaining, fps, elapsed, size);
        QCOMPARE(percent, 51);
        QCOMPARE(remaining, 10); // (100 / 51 - 1) * 10 + 0.5
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(2).toInt(), 51);
        QCOMPARE(pair.console->progressBar()->value(), 51);
        QCOMPARE(pair.mini->progressBar()->value(), 51);
        QCOMPARE(pair.console->speedLabel()->text(), QString("24.50 fps"));
        QCOMPARE(pair.mini->speedLabel()->text(), QString("24.50 fps"));
        QCOMPARE(pair.console->remainingLabel()->text(), QString("10 min"));
        QCOMPARE(pair.mini->remainingLabel()->text(), pair.console->remainingLabel()->text());
        // The strip estimates its time left from the percent it completes itself.
        pair.mini->displayProgress(500, 60.0, -1, -1, 24.5, 10.0, -1);
        QCOMPARE(pair.mini->remainingLabel()->text(), QString("10 min"));

        // Nothing active: the bars keep their value, the signal still carries -1.
        frame = 0, percent = -1, size = 0, remaining = -1, fps = -1.0;
        pair.console->updateProgress(frame, position, percent, remaining, fps, elapsed, size);
        QCOMPARE(spy.last().at(2).toInt(), -1);
        QCOMPARE(pair.console->progressBar()->value(), 51);
        QCOMPARE(pair.mini->progressBar()->value(), 51);
        QCOMPARE(pair.console->speedLabel()->text(), QString("24.50 fps"));
        QCOMPARE(pair.console->remainingLabel()->text(), QString("--"));

        // The end: the count equals the total, shown as 100 on both.
        frame = 1000, percent = 99, remaining = 0, fps = 30.0;
        pair.console->updateProgress(frame, position, percent, remaining, fps, elapsed, size);
        QCOMPARE(pair.console->progressBar()->value(), 100);
        QCOMPARE(pair.mini->progressBar()->value(), 100);

        // The processing time replaces the time left; an empty one changes nothing.
        QSignalSpy times(pair.console, &ConsoleDialog::timeUpdated);
        pair.console->displayElapsedTime(QString());
        QCOMPARE(times.count(), 1);
        QCOMPARE(pair.console->remainingLabel()->text(), QString("--"));
        pair.console->displayElapsedTime("00:01:02");
        QCOMPARE(pair.console->remainingLabel()->text(), QString("00:01:02"));
        QCOMPARE(pair.mini->remainingLabel()->text(), QString("00:01:02"));
        QCOMPARE(pair.mini->remainingLabel()->toolTip(), QString("Processing time"));

        pair.holder.show();
        pair.console->show();
        QVERIFY(!ViewTest::screenshot(pair.console, "console-progress", pair.console->progressBar()).isEmpty());
        QVERIFY(!ViewTest::screenshot(&pair.holder, "miniconsole-progress", pair.mini->progressBar()).isEmpty());
    }

    // A figure beyond what the job can be (a speed that is no number, a size far past the
    // expected one, a position far past the source's end) is not shown, nor turned into a
    // percentage or a time left: the other figures of the line are.
    void absurdFiguresIgnored_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("left");
        // FFmpeg: 40 s of source, 5000 kB expected; MEncoder: 40 s, 1000 frames.
        const QString ffmpegLine = "frame=  100 fps=%1 q=2.0 size=%2 time=%3 bitrate= 800.0kbits/s\r";
        QTest::newRow("FFmpeg, sound figures") << 2 << ffmpegLine.arg("25", "1000kB", "00:00:10.00") << 21 << "25.00 fps" << "4 min";
        QTest::newRow("FFmpeg, speed that is no number") << 2 << ffmpegLine.arg("1.8e308", "1000kB", "00:00:10.00") << 21 << "--" << "4 min";
        QTest::newRow("FFmpeg, speed with a signed exponent") << 2 << ffmpegLine.arg("2.5E+300", "1000kB", "00:00:10.00") << 21 << "--" << "4 min";
        QTest::newRow("FFmpeg, size of the largest int") << 2 << ffmpegLine.arg("25", "2147483647kB", "00:00:10.00") << 26 << "25.00 fps" << "3 min";
        QTest::newRow("FFmpeg, size far past the expected") << 2 << ffmpegLine.arg("25", "900000000kB", "00:00:10.00") << 26 << "25.00 fps" << "3 min";
        QTest::newRow("FFmpeg, time of eleven-digit hours") << 2 << ffmpegLine.arg("25", "1000kB", "99999999999:99:99") << 21 << "25.00 fps" << "4 min";
        QTest::newRow("FFmpeg, time fifteen times the source") << 2 << ffmpegLine.arg("25", "N/A", "00:10:00.00") << -1 << "25.00 fps" << "--";
        QTest::newRow("FFmpeg, time far past the source") << 2 << ffmpegLine.arg("25", "N/A", "99:00:00.00") << -1 << "25.00 fps" << "--";
        const QString mencoderLine = "Pos: %1s %2f (%3%) %4fps Trem: %5min 1mb\r";
        QTest::newRow("MEncoder, sound figures") << 1 << mencoderLine.arg("10.0", "250", "25", "25.00", "2") << 26 << "25.00 fps" << "2 min";
        QTest::newRow("MEncoder, frames far past the source") << 1 << mencoderLine.arg("10.0", "900000", "25", "25.00", "2") << 25 << "25.00 fps" << "3 min";
        QTest::newRow("MEncoder, frames twenty times the source") << 1 << mencoderLine.arg("10.0", "20000", "25", "25.00", "2") << 25 << "25.00 fps" << "3 min";
        QTest::newRow("MEncoder, time left of years") << 1 << mencoderLine.arg("10.0", "250", "25", "25.00", "999999") << 26 << "25.00 fps" << "3 min";
    }
    void absurdFiguresIgnored()
    {
        QFETCH(int, engine);
        QFETCH(QString, line);
        QFETCH(int, bar);
        QFETCH(QString, speed);
        QFETCH(QString, left);
        Task task;
        task.setPid(4242);
        task.setState(Task::Running);
        ConsolePair pair(&task, engine == 2 ? totalsOf(40.0, 0, 5000) : totalsOf(40.0, 1000, 0), engine);
        const QProcess::ProcessChannel channel = engine == 2 ? QProcess::StandardError : QProcess::StandardOutput;
        JobOutputRouter::feed(pair.console, engine, channel, line, 1.0);
        pair.console->displayProgress();
        QCOMPARE(pair.console->progressBar()->value(), bar);
        QCOMPARE(pair.console->speedLabel()->text(), speed);
        QCOMPARE(pair.console->remainingLabel()->text(), left);
    }

    // A task that ends well shows 100 % on both, even when a status line short of the end
    // still waits to be shown at the display rate; a failed one's strip shows an empty bar
    // that says so, no time left and no speed. The lines read after the end change neither.
    void endOverWaitingFigure_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("figures"); // time left and speed
        QTest::newRow("completed") << int(Task::Completed) << 100 << "100%" << "1 s 25.00 fps";
        QTest::newRow("aborted") << int(Task::Aborted) << 0 << "Failed" << "-- --";
    }

    void endOverWaitingFigure()
    {
        QFETCH(int, state);
        QFETCH(int, value);
        QFETCH(QString, text);
        QFETCH(QString, figures);
        Task task;
        task.setPid(4242);
        task.setState(Task::Running);
        ConsolePair pair(&task, totalsOf(0.0, 0, 0));
        int frame = 10, percent = 50, remaining = -1, size = -1;
        double position = 1.0, fps = 25.0, elapsed = 0.1;
        pair.console->updateProgress(frame, position, percent, remaining, fps, elapsed, size);
        QCOMPARE(pair.mini->progressBar()->value(), 50);
        // Back in the event loop once: the next figure waits for the interval's end.
        QCoreApplication::processEvents();
        frame = 20, percent = 97, remaining = -1, fps = 25.0;
        pair.console->updateProgress(frame, position, percent, remaining, fps, elapsed, size);
        QCOMPARE(pair.console->progressBar()->value(), 50);
        // The views show the end as the task's state changes.
        task.setState(state);
        QCOMPARE(pair.mini->progressBar()->value(), value);
        // Nor do the interval's end or the last lines read after the end take it back.
        QTest::qWait(2 * DisplayPacer::IntervalMs);
        frame = 30, percent = 98, remaining = -1, fps = 25.0;
        pair.console->updateProgress(frame, position, percent, remaining, fps, elapsed, size);
        QTest::qWait(2 * DisplayPacer::IntervalMs);
        QCOMPARE(pair.mini->progressBar()->value(), value);
        QCOMPARE(pair.mini->progressBar()->text(), text);
        QCOMPARE(pair.mini->remainingLabel()->text() + " " + pair.mini->speedLabel()->text(), figures);
        if (state == Task::Completed)
            QCOMPARE(pair.console->progressBar()->value(), 100);
    }

    // The status lines read while the display waits are shown by the last one's figures
    // (speed and time left are made into texts only then), on the console and its strip;
    // a line without a speed keeps the one before, and the processing time told after the
    // last line replaces its time left.
    void latestFiguresShown_data()
    {
        QTest::addColumn<QStringList>("reads");
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("left");
        const QString first = "Pos: 11.0s 275f (27%) 30.00fps Trem: 3min 1mb\r";
        const QString last = "Pos: 12.0s 300f (30%) 31.00fps Trem: 2min 1mb\r";
        QTest::newRow("a line a read") << QStringList{first, last} << "" << 31 << "31.00 fps" << "2 min";
        QTest::newRow("lines in one read") << QStringList{first + last} << "" << 31 << "31.00 fps" << "2 min";
        QTest::newRow("last line without a speed")
            << QStringList{first, "Pos: 39.2s 980f (98%) 0.00fps Trem: 0min 1mb\r"} << "" << 99 << "30.00 fps" << "1 s";
        QTest::newRow("processing time after the lines") << QStringList{first, last} << "00:00:42" << 31 << "31.00 fps"
                                                         << "00:00:42";
    }
    void latestFiguresShown()
    {
        QFETCH(QStringList, reads);
        QFETCH(QString, time);
        Task task;
        task.setPid(4242);
        task.setState(Task::Running);
        ConsolePair pair(&task, totalsOf(40.0, 1000, 0));
        const auto shown = [&pair](QWidget *view) {
            auto *console = qobject_cast<MervoConsoleDialog *>(view);
            auto *mini = qobject_cast<MervoMiniConsoleWidget *>(view);
            return QStringList{QString::number((console ? console->progressBar() : mini->progressBar())->value()),
                               (console ? console->speedLabel() : mini->speedLabel())->text(),
                               (console ? console->remainingLabel() : mini->remainingLabel())->text()};
        };
        // The first line is shown at once; the display then waits for its interval's end.
        JobOutputRouter::feed(pair.console, 1, QProcess::StandardOutput, "Pos: 1.0s 25f (2%) 20.00fps Trem: 9min 1mb\r", 1.0);
        QCoreApplication::processEvents();
        for (const QString &read : reads)
            JobOutputRouter::feed(pair.console, 1, QProcess::StandardOutput, read, 1.0);
        const QStringList waiting{"3", "20.00 fps", "9 min"};
        QCOMPARE(shown(pair.console), waiting);
        QCOMPARE(shown(pair.mini), waiting);
        if (!time.isEmpty())
            pair.console->displayElapsedTime(time);
        QFETCH(int, bar);
        QFETCH(QString, speed);
        QFETCH(QString, left);
        const QStringList expected{QString::number(bar), speed, left};
        QTRY_COMPARE(shown(pair.console), expected);
        QTRY_COMPARE(shown(pair.mini), expected);
    }

    // The base console works on four values; its strip completes on a local copy.
    void baseConsoleAndStrip()
    {
        Task task;
        task.setPid(7);
        task.setState(Task::Running);
        auto *console = new ConsoleDialog("t", "Encoding", "cmd", "FFmpeg", 7, true);
        console->setProcess(&task);
        console->sizeTotal = 50000;
        MiniConsoleWidget mini(console, nullptr);
        mini.sizeTotal = 50000;
        int frame = 10, percent = -1, size = 12345;
        double position = 3.0;
        console->updateProgress(frame, position, percent, size);
        QCOMPARE(percent, 25);
        QCOMPARE(console->progressBar()->value(), 25);
        QCOMPARE(mini.progressBar()->value(), 25);
        // A size far past the expected one is no measure of the work done.
        percent = -1;
        size = 900000000;
        console->updateProgress(frame, position, percent, size);
        QCOMPARE(percent, -1);
        QCOMPARE(size, -1);
        QCOMPARE(console->progressBar()->value(), 25);
        QCOMPARE(mini.progressBar()->value(), 25);
        // A strip without totals takes the percent it receives.
        mini.sizeTotal = 0;
        mini.displayProgress(1, 1.0, 60, -1);
        QCOMPARE(mini.progressBar()->value(), 60);
        mini.displayProgress(1, 1.0, -1, -1);
        QCOMPARE(mini.progressBar()->value(), 60);
        mini.displayProgress(1, 1.0, 0, -1);
        QCOMPARE(mini.progressBar()->value(), 0);
        // Failed, the bar says so; a line read after that does not move it.
        mini.displayProgress(1, 1.0, 60, -1);
        task.setState(Task::Aborted);
        mini.displayProgress(1, 1.0, 70, -1);
        QCOMPARE(mini.progressBar()->text(), QString("Failed"));
        QCOMPARE(mini.progressBar()->value(), 0);
    }

    void stateDisplay_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("buttonTip");
        QTest::addColumn<QString>("labelTip");
        QTest::addColumn<QString>("consoleTip");
        QTest::addColumn<bool>("buttonEnabled");
        QTest::addColumn<bool>("barEnabled");
        QTest::addColumn<bool>("consoleEnabled");
        QTest::addColumn<QString>("barText"); // what the strip's bar says in place of the percent
        QTest::newRow("waiting") << 1 << "Waiting" << "Waiting" << "Waiting" << false << false << false << "%p%";
        QTest::newRow("running") << 3 << "Running, click to abort" << "MEncoder running with PID 99"
                                 << "MEncoder running with PID 99" << true << true << true << "%p%";
        QTest::newRow("terminated") << 4 << "Process terminated, click to remove"
                                    << "MEncoder process terminated" << "MEncoder process terminated"
                                    << true << false << true << "%p%";
        QTest::newRow("completed") << 5 << "Process completed, click to remove"
                                   << "MEncoder process completed" << "MEncoder process completed"
                                   << true << false << true << "%p%";
        QTest::newRow("aborted") << 6 << "Aborted, click to remove" << "MEncoder process aborted"
                                 << "MEncoder process aborted" << true << false << true << "Failed";
        QTest::newRow("cancelled") << 7 << "Cancelled, click to remove" << "MEncoder process cancelled"
                                   << "Waiting" << true << false << false << "Cancelled";
        QTest::newRow("failed") << 8 << "Failed to start, click to remove"
                                << "MEncoder process failed to start" << "Waiting" << true << false << false << "Failed";
    }
    // A waiting strip, then the task in each state: the strip follows through its console.
    void stateDisplay()
    {
        QFETCH(int, state);
        QFETCH(QString, buttonTip);
        QFETCH(QString, labelTip);
        QFETCH(QString, consoleTip);
        QFETCH(bool, buttonEnabled);
        QFETCH(bool, barEnabled);
        QFETCH(bool, consoleEnabled);
        QFETCH(QString, barText);
        Task task;
        task.setState(Task::Waiting);
        ConsolePair pair(&task, ProgressTotals());
        QVERIFY(!pair.mini->processButton()->isEnabled());
        QVERIFY(!pair.mini->consoleButton()->isEnabled());
        task.setPid(99);
        task.setState(state);
        QCOMPARE(pair.mini->processButton()->toolTip(), buttonTip);
        QCOMPARE(pair.mini->label()->toolTip(), labelTip);
        QCOMPARE(pair.console->stateLabel()->toolTip(), consoleTip);
        QCOMPARE(pair.mini->processButton()->isEnabled(), buttonEnabled);
        QCOMPARE(pair.mini->progressBar()->isEnabled(), barEnabled);
        QCOMPARE(pair.mini->consoleButton()->isEnabled(), consoleEnabled);
        QCOMPARE(pair.mini->progressBar()->format(), barText);
        QCOMPARE(pair.console->progressBar()->isEnabled(), state < Task::Terminated || state > Task::Aborted);

        // A click asks to abort a running task, to remove an ended one.
        QSignalSpy aborts(pair.mini, qOverload<MervoMiniConsoleWidget *>(&MervoMiniConsoleWidget::requestToAbort));
        QSignalSpy removals(pair.mini, qOverload<MervoMiniConsoleWidget *>(&MervoMiniConsoleWidget::requestToRemove));
        pair.mini->processButton()->setEnabled(true);
        pair.mini->processButton()->click();
        const int asked = state == Task::Waiting ? 0 : 1;
        QCOMPARE(aborts.count(), state == Task::Running ? 1 : 0);
        QCOMPARE(removals.count(), asked - aborts.count());
        // A hidden state button asks for nothing.
        pair.mini->setProcessButtonHidden(true);
        pair.mini->processButton()->click();
        QCOMPARE(aborts.count() + removals.count(), asked);
        // Shown again, it still speaks with the extended signals.
        pair.mini->setProcessButtonHidden(false);
        pair.mini->processButton()->click();
        QCOMPARE(aborts.count() + removals.count(), 2 * asked);
        // The console button shows the console and hides it again.
        pair.mini->showConsole(false);
        QVERIFY(pair.console->isVisible());
        pair.mini->showConsole(false);
        QVERIFY(pair.console->isHidden());
        // Running again (the task's next process), the console's bar is enabled again.
        task.setState(Task::Running);
        QVERIFY(pair.console->progressBar()->isEnabled());
    }
};
VEXO_TEST_CLASS(ConsoleProgress)

class ConsoleText : public QObject
{
    Q_OBJECT

private slots:
    void routing_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stdOut");
        QTest::addColumn<QString>("stdErr");
        QTest::addColumn<int>("bar");
        const QString status = "Pos:   2.0s     50f (40%)  25.00fps Trem:   1min   0mb  A-V:0.000 [0:0]\r";
        QTest::newRow("MEncoder start-up report") << 1 << 0 << "MEncoder 1.5\nAVI file format detected.\n"
                                                  << "MEncoder 1.5\nAVI file format detected." << "" << -1;
        QTest::newRow("MEncoder progress and message") << 1 << 0 << status + "Skipping frame!\r" + status
                                                       << "Skipping frame!" << "" << 51;
        QTest::newRow("MEncoder report, status, end report") << 1 << 0 << "Writing header...\n" + status + status + "\nFlushing video frames.\n"
                                                             << "Writing header...\nFlushing video frames." << "" << 51;
        QTest::newRow("MEncoder message over a status line") << 1 << 0 << status + "Skipping frame!\n" + status + "1 duplicate frame(s)!\r\n"
                                                             << "Skipping frame!\n1 duplicate frame(s)!" << "" << 51;
        QTest::newRow("engine without a parser") << 3 << 0 << "x264 [info]: profile High\n" << "x264 [info]: profile High" << "" << -1;
        QTest::newRow("MEncoder error channel unchanged") << 1 << 1 << "Cannot open file\n" << "" << "Cannot open file" << -1;
        QTest::newRow("FFmpeg error on progress channel") << 2 << 1 << "x.avi: No such file or directory\n"
                                                          << "" << "x.avi: No such file or directory" << -1;
        QTest::newRow("FFmpeg standard output unchanged") << 2 << 0 << "<b>&data\nframe=  50 fps=25\r" << "<b>&data\nframe=  50 fps=25" << "" << -1;
        QTest::newRow("FFmpeg progress and message") << 2 << 1 << "frame=  50 fps=25\rWarning\n" << "" << "Warning" << 51;
        QTest::newRow("MPlayer copying a DVD title, then its closing line")
            << 5 << 0 << "dump: 52428800 bytes written (~51.0%)\rdump: 102760448 bytes written to 'a (step 0).mpg'.\n"
            << "dump: 102760448 bytes written to 'a (step 0).mpg'." << "" << 51;
        // The MPEG muxer's underflows, one shown: also when a read ends between a message's
        // prefix and its text ("|" marks where one read ends).
        const QString underflow = "[vcd @ 0x55d0c2a3c2c0]buffer underflow st=1 bufi=4032 size=6000\n";
        QTest::newRow("MEncoder muxer underflows, one shown")
            << 1 << 1 << underflow + underflow + "Cannot open file\n" + underflow << ""
            << underflow + "Cannot open file" << -1;
        QTest::newRow("underflow cut between two reads")
            << 1 << 1 << underflow + "[vcd @ 0x55d0c2a3c2c0]|buffer underflow st=0 bufi=12 size=9\n" << ""
            << underflow.trimmed() << -1;
        QTest::newRow("underflows ended by \\r\\n") << 1 << 1 << QString(underflow).replace("\n", "\r\n").repeated(2) + "Done\r\n"
                                                 << "" << underflow.trimmed() + "\nDone" << -1;
        QTest::newRow("a long line without end is not held back")
            << 1 << 1 << "[" + QString(300, 'x') << "" << "[" + QString(300, 'x') << -1;
    }
    // Text that is not progress reaches the console, whatever the parser made of it.
    void routing()
    {
        QFETCH(int, engine);
        QFETCH(int, channel);
        QFETCH(QString, text);
        QFETCH(QString, stdOut);
        QFETCH(QString, stdErr);
        QFETCH(int, bar);
        Task task;
        task.setState(Task::Running);
        ConsolePair pair(&task, totalsOf(0.0, 100, 0), engine);
        JobOutputRouter::setParser(&testParser);
        for (const QString &read : text.split('|'))
            JobOutputRouter::feed(pair.console, engine, QProcess::ProcessChannel(channel), read, 1.0);
        JobOutputRouter::setParser(nullptr);
        pair.console->flushOutput();
        QCOMPARE(pair.console->standardOutputView()->toPlainText(), stdOut);
        QCOMPARE(pair.console->errorView()->toPlainText(), stdErr);
        QCOMPARE(pair.console->progressBar()->value(), bar);
        QCOMPARE(pair.mini->progressBar()->value(), bar);
        // A message after a status line leaves the status line's figures.
        QCOMPARE(pair.console->remainingLabel()->text(), QString(bar == 51 ? "1 min" : "--"));
    }

    // What the end of a job tells of the muted lines: only repeats that were not shown.
    void mutedSummary_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("told");
        const QString underflow = "[svcd @ 0x7f00aa]buffer underflow st=0 bufi=2 size=3\n";
        QTest::newRow("no muted line") << "Cannot open file\n" << "";
        QTest::newRow("one shown, none left out") << underflow << "";
        QTest::newRow("three, two left out") << underflow.repeated(3)
                                             << "2 more \"buffer underflow\" lines of the MPEG muxer not shown.";
    }
    void mutedSummary()
    {
        QFETCH(QString, text);
        MutedLines lines;
        lines.filter(text, true);
        QTEST(lines.summary(), "told");
    }

    // A character cut between two reads is decoded whole, one that a read ends with is not
    // held back, and the final read keeps nothing back.
    void decodeAcrossReads()
    {
        // Up to four bytes a character: the look-back reaches three bytes. The ellipsis is
        // cut after a continuation byte of the smallest value.
        const QString whole = QString::fromUtf8("Général € … \xF0\x9F\x8E\xAC");
        const QByteArray word = whole.toUtf8();
        for (int cut = 0; cut <= word.size(); ++cut) {
            QByteArray pending;
            const QByteArray head = word.left(cut);
            QString text = JobOutputRouter::decode(pending, head, false);
            // A read that ends between two characters is shown whole at once.
            if (QString::fromUtf8(head).toUtf8() == head)
                QCOMPARE(text, QString::fromUtf8(head));
            text += JobOutputRouter::decode(pending, word.mid(cut), false);
            QCOMPARE(text, whole);
            QVERIFY(pending.isEmpty());
        }
        QByteArray pending;
        QCOMPARE(JobOutputRouter::decode(pending, "ab\xe2\x82", false), QString("ab"));
        QCOMPARE(pending.size(), 2);
        QVERIFY(JobOutputRouter::decode(pending, QByteArray(), true).startsWith(QChar::ReplacementCharacter));
        QVERIFY(pending.isEmpty());
    }

    // The view follows new text while it shows the end, and stays where the user scrolled
    // back to otherwise.
    void followsOnlyAtTheEnd()
    {
        QTextEdit view;
        view.resize(300, 120);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        ConsoleTextFeed feed(&view, nullptr);
        QScrollBar *bar = view.verticalScrollBar();
        QString lines;
        for (int i = 0; i < 100; ++i)
            lines += QString("line %1\n").arg(i);
        feed.append(lines);
        feed.flush();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        feed.append("more\n");
        feed.flush();
        QCOMPARE(bar->value(), bar->maximum());
        bar->setValue(10);
        feed.append("still more\n");
        feed.flush();
        QCOMPARE(bar->value(), 10);
    }

    // The engine's busy channel gets the large view: FFmpeg's information channel (its error
    // output), MEncoder's standard output.
    void viewSizes_data()
    {
        QTest::addColumn<bool>("informationChannel");
        QTest::newRow("FFmpeg") << true;
        QTest::newRow("MEncoder") << false;
    }
    void viewSizes()
    {
        QFETCH(bool, informationChannel);
        ConsoleDialog console("name", "Encoding", "cmd", "engine", 0, informationChannel);
        const int out = console.standardOutputView()->maximumHeight();
        const int err = console.errorView()->maximumHeight();
        const int line = console.errorView()->fontMetrics().height();
        QCOMPARE(informationChannel ? err : out, 33 * line);
        QCOMPARE(informationChannel ? out : err, 6 * line);
    }

    // A long run keeps only the newest lines, and the view changes once per repaint interval.
    void boundedAndCoalesced()
    {
        QTextEdit view;
        ConsoleTextFeed feed(&view, nullptr);
        int changes = 0;
        connect(view.document(), &QTextDocument::contentsChange, this, [&changes] { ++changes; });
        const int total = ConsoleTextFeed::MaxLines * 3;
        for (int i = 0; i < total; i += 10) {
            QString chunk;
            for (int j = i; j < i + 10; ++j)
                chunk += QString("line %1\r\n").arg(j);
            feed.append(chunk);
        }
        QCOMPARE(changes, 0);
        QCOMPARE(feed.pendingLines(), ConsoleTextFeed::MaxLines);
        QVERIFY(WindowTesting::waitFor([&] { return feed.pendingLines() == 0; }, WindowTesting::kScreenWait));
        QCOMPARE(changes, 1);
        QCOMPARE(view.document()->blockCount(), ConsoleTextFeed::MaxLines);
        QCOMPARE(view.document()->firstBlock().text(), QString("line %1").arg(total - ConsoleTextFeed::MaxLines));
        QCOMPARE(view.document()->lastBlock().text(), QString("line %1").arg(total - 1));
        // Later text trims the oldest lines of the view itself.
        feed.append("newest\n");
        feed.append("\n\r\n");
        feed.flush();
        QCOMPARE(view.document()->blockCount(), ConsoleTextFeed::MaxLines);
        QCOMPARE(view.document()->lastBlock().text(), QString("newest"));
        QCOMPARE(view.document()->firstBlock().text(), QString("line %1").arg(total - ConsoleTextFeed::MaxLines + 1));
    }

    // Names from files show as written wherever rich text shows them.
    void richTextEscaped()
    {
        const QString name = "a<b>&amp;c.avi";
        EncodingTaskData data{1, 10.0, 100, 0.0, 0, "/tmp/x", "avi", false, {}};
        Task task;
        task.set(&data, "/bin/true", {name}, QString(), name, "Encoding");
        Job job;
        job.init(&task, "id", name, name, nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        task.setPid(5);
        task.setState(Task::Running);
        JobManagerWidget view(nullptr);
        view.addMiniConsole(&task);
        auto *box = view.findChild<QGroupBox *>();
        QVERIFY(box);
        // As written: "&" is no keyboard mnemonic; the file the job writes beside the title.
        QCOMPARE(box->title(), QString("a<b>&&amp;c.avi \u2192 a<b>&&amp;c.avi"));
        QVERIFY(box->toolTip().contains("Output: a&lt;b&gt;&amp;amp;c.avi"));
        QVERIFY(Qt::mightBeRichText(box->toolTip()));
        QCOMPARE(view.miniConsoles().first()->label()->textFormat(), Qt::PlainText);

        WindowTesting::ModalAnswerer keep;
        keep.answerWithButton("Continue encoding");
        view.abortMiniConsole(view.miniConsoles().first());
        QCOMPARE(keep.seen().size(), 1);
        QVERIFY(keep.seen().at(0).text.contains("<b>a&lt;b&gt;&amp;amp;c.avi</b>"));
        QCOMPARE(task.state, Task::Running);
    }
};
VEXO_TEST_CLASS(ConsoleText)

#include "tst_progressviews.moc"
