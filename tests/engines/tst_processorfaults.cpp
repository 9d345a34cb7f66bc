// The synchronous runner and the engine processors on stand-ins that are missing, crash,
// hang, or print canned answers.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "engines/syncrunner.h"
#include "jobs/consolebounds.h"
#include "jobs/processkiller.h"
#include "jobs/workwatch.h"
#include "heapwatch.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextDocument>
#include <QTest>

#include <ctime>
#include <memory>
#include <utility>

#include <signal.h>

namespace {
const char *const mencoderHelp = "MEncoder 1.0-test (C) 2000-2023 MPlayer Team\n\n"
                                 "Available codecs:\n   copy - frame copy\n   xvid - XviD encoding\n\n"
                                 "Available codecs:\n   mp3lame  - cbr/abr/vbr MP3 using libmp3lame\n\n"
                                 "Available output formats:\n   avi      - Microsoft AVI\n";

// The processor of the engine with that name ("FFprobe", "FFmpeg", else MEncoder).
std::unique_ptr<IProcessor> processorNamed(const QString &engine)
{
    if (engine == "FFprobe")
        return std::make_unique<FFprobe>();
    if (engine == "FFmpeg")
        return std::make_unique<FFmpeg>();
    return std::make_unique<MervoMEncoder>();
}

} // namespace

class ProcessorFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    // Each failure says what happened to the engine: not found, not executable, timed out,
    // exited with a code or killed by a signal; an engine that ends badly is never ready.
    void failedStarts_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("script"); // empty: no such executable; "noexec": not executable
        QTest::addColumn<QString>("message"); // %1: the engine's path
        const QString fake = TestMedia::fakeEngine();
        QTest::newRow("missing MEncoder") << "MEncoder" << "" << "MEncoder: process failed to start: %1 not found.";
        QTest::newRow("FFmpeg without execute permission") << "FFmpeg" << "noexec" << "FFmpeg: process failed to start: %1 is not executable.";
        QTest::newRow("FFprobe crashing without output")
            << "FFprobe" << QString("exec '%1' crash").arg(fake) << "FFprobe: process killed by signal 11 (Segmentation fault) with no output.";
        QTest::newRow("FFmpeg crashing on its third query")
            << "FFmpeg"
            << QString("case \"$1\" in\n  -version) echo 'ffmpeg version 9.9 Copyright' ;;\n"
                       "  -formats) echo ' DE avi             AVI format' ;;\n  *) exec '%1' crash ;;\nesac").arg(fake)
            << "FFmpeg: error process killed by signal 11 (Segmentation fault) with no output.";
        QTest::newRow("FFprobe exiting 1 after its banner")
            << "FFprobe" << "echo 'ffprobe version 1.0'; exit 1" << "FFprobe: process exited with code 1.";
        QTest::newRow("FFmpeg killed after its banner")
            << "FFmpeg" << "echo 'ffmpeg version 9.9'; kill -TERM $$" << "FFmpeg: process killed by signal 15 (Terminated).";
        QTest::newRow("MEncoder exiting 1 after its whole help")
            << "MEncoder" << QString("printf '%s' '%1'; exit 1").arg(mencoderHelp) << "MEncoder: process exited with code 1.";
        // An engine answers each query: a program that prints nothing and ends well is none.
        QTest::newRow("silent FFmpeg") << "FFmpeg" << "exit 0" << "FFmpeg: process printed nothing.";
        QTest::newRow("silent FFprobe") << "FFprobe" << "exit 0" << "FFprobe: process printed nothing.";
        QTest::newRow("FFmpeg silent on its codecs")
            << "FFmpeg"
            << "case \"$1\" in\n  -version) echo 'ffmpeg version 9.9 Copyright' ;;\n"
               "  -formats) echo ' DE avi             AVI format' ;;\nesac"
            << "FFmpeg: error process printed nothing.";
        // Another program that answers with exit code 0 is not the engine either: the splitter,
        // the merger and the end-of-job check would rely on it.
        for (const char *engine : {"FFmpeg", "FFprobe"}) {
            QTest::newRow(qPrintable(QString("%1 answered by an unrelated line").arg(engine)))
                << engine << "echo 'interface ready'"
                << QString("%1: the program's answer has no %1 banner; it is not taken for %1.").arg(engine);
        }
        // Asked again with longer time-outs before it is called broken: three times as long.
        QTest::newRow("silent FFprobe that hangs")
            << "FFprobe" << QString("exec '%1' hang").arg(fake) << "FFprobe: process timed out after 9000 milliseconds with no output.";
        // One that spins without a word is given up once its start has taken three times the
        // latencies (3000, 3000 and 5000 ms), asked again or not.
        QTest::newRow("silent FFprobe that spins")
            << "FFprobe" << QString("exec '%1' burn 600000 true").arg(fake)
            << "FFprobe: process timed out: an engine's start may take 33000 milliseconds with no output.";
    }

    void failedStarts()
    {
        QFETCH(QString, engine);
        QFETCH(QString, script);
        QFETCH(QString, message);
        ConsoleCapture capture;
        const std::unique_ptr<IProcessor> processor = processorNamed(engine);
        // A file of its own per row: a query's answer is kept per executable file.
        const QString name = "failing-" + QString(QTest::currentDataTag()).replace(' ', '-');
        QString path = "/nonexistent/engine";
        if (script == "noexec")
            path = writeEngineFile(name, "#!/bin/sh\necho 'ffmpeg version 9.9'\n");
        else if (!script.isEmpty())
            path = writeEngineScript(name, script);
        message = message.arg(path);
        QVERIFY(!processor->startInterface(path, QString()));
        QCOMPARE(processor->state(), int(IProcessor::Failed));
        QVERIFY2(capture.log().contains(message), qPrintable(capture.log()));
        QVERIFY(!capture.log().contains(engine + ": interface ready."));
        if (auto *transcoder = qobject_cast<Transcoder *>(processor.get())) // nothing half-read survives
            QVERIFY(transcoder->videoCodecs().isEmpty() && transcoder->subtitleCodecs().isEmpty());
    }

    // An engine that answers its queries late, as on a busy machine or from a cold disk, is
    // ready: one that works silently goes on past its time-outs, one that waits is asked again
    // with longer ones. (Each query is slowed beyond the processors' 3 s.)
    void slowEngineIsReady_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("when"); // the calls slowed
        QTest::newRow("FFprobe waiting 4 s") << "FFprobe" << "sleep" << "*";
        QTest::newRow("FFmpeg working 4 s on its version") << "FFmpeg" << "burn" << "-version";
    }
    void slowEngineIsReady()
    {
        QFETCH(QString, engine);
        QFETCH(QString, how);
        QFETCH(QString, when);
        ConsoleCapture capture;
        const std::unique_ptr<IProcessor> processor = processorNamed(engine);
        const QString path = slowedEngine("slowed-" + engine, engine.toLower(), how, 4000, when);
        QVERIFY2(processor->startInterface(path, QString()), qPrintable(capture.log()));
        QVERIFY(processor->version().startsWith('5') || processor->version().startsWith('6'));
        if (auto *transcoder = qobject_cast<Transcoder *>(processor.get()))
            QVERIFY(transcoder->videoCodecs().contains("libx264") && transcoder->muxers().contains("matroska"));
        QCOMPARE(capture.log().contains("asked again"), how == "sleep");
    }

    // A run judged by the engine's progress (limits from Timeouts::patient, or a stall time-out
    // with Work): what it prints moves it on (with a judge, only a line unlike the last), and so
    // does its work: processor time, bytes read, a watched file growing. One that only waits,
    // or repeats a line and sleeps, is stopped at the stall time-out all the same, cut short by
    // its limits of time; one the user stops is not.
    void progressKeepsARunGoing_data()
    {
        QTest::addColumn<QString>("script"); // $1: a file it may write, $2: a file it may read
        QTest::addColumn<QString>("watched"); // "process", "file" or "both"
        QTest::addColumn<QString>("end");     // "ends", "stalls" or "stopped" (asked to stop from the start)
        const QString fake = TestMedia::fakeEngine();
        const QString growing = "i=0; while [ $i -lt 7 ]; do printf x >> \"$1\"; sleep 0.2; i=$((i+1)); done; echo answer";
        QTest::newRow("works silently") << QString("exec '%1' burn 1400 echo answer").arg(fake) << "process" << "ends";
        // Work alone holds it for three stall time-outs after its last output, no longer.
        QTest::newRow("spins silently") << QString("exec '%1' burn 600000 echo answer").arg(fake) << "process" << "stalls";
        QTest::newRow("grows its file past that, then works silently")
            << QString("i=0; while [ $i -lt 15 ]; do printf x >> \"$1\"; sleep 0.2; i=$((i+1)); done; exec '%1' burn 1000 echo answer")
                   .arg(fake) << "both" << "ends";
        QTest::newRow("waits silently") << QString("exec '%1' slow 1.4 echo answer").arg(fake) << "both" << "stalls";
        QTest::newRow("grows its file, watched") << growing << "file" << "ends";
        QTest::newRow("grows its file, not watched") << growing << "process" << "stalls";
        QTest::newRow("reads without printing")
            << "i=0; while [ $i -lt 7 ]; do head -c 262144 \"$2\" >/dev/null; sleep 0.2; i=$((i+1)); done; echo answer"
            << "process" << "ends";
        QTest::newRow("prints new lines") << "i=0; while [ $i -lt 7 ]; do echo $i; sleep 0.2; i=$((i+1)); done" << "both" << "ends";
        QTest::newRow("prints new lines a byte at a time")
            << "i=0; while [ $i -lt 7 ]; do printf $i; sleep 0.1; echo; sleep 0.1; i=$((i+1)); done" << "file" << "ends";
        QTest::newRow("repeats a line and sleeps") << "while :; do echo 'frame= 1'; sleep 0.2; done" << "both" << "stalls";
        QTest::newRow("works, stopped by the user") << QString("exec '%1' burn 5000 echo answer").arg(fake) << "process" << "stopped";
    }
    void progressKeepsARunGoing()
    {
        QFETCH(QString, script);
        QFETCH(QString, watched);
        QFETCH(QString, end);
        const QString name = QString(QTest::currentDataTag()).replace(' ', '-').remove(',');
        const QString written = TestMedia::folder() + "/engines/" + name + ".out";
        QFile::remove(written);
        const QString read = writeEngineFile("read-by-engines.bin", QByteArray(262144, 'r'));
        SyncRunner::Timeouts limits = plainLimits(5000, 20000, 3000);
        limits.stall = 800;
        limits.progressed = [last = QString()](const QString &line) mutable { return std::exchange(last, line) != line; };
        limits.work.process = watched != "file";
        if (watched != "process")
            limits.work.files = {written};
        const bool stop = end == "stopped";
        limits.stop = stop ? &stop : nullptr;
        QElapsedTimer clock;
        clock.start();
        const SyncRunner::Result result = SyncRunner::run(writeEngineScript(name, script), {written, read}, QString(),
                                                          limits, "Test");
        QVERIFY(result.started);
        QCOMPARE(result.killed, end != "ends");
        QCOMPARE(result.stalled, end == "stalls");
        QCOMPARE(result.stopped, stop);
        QCOMPARE(result.outOfTime(), end == "stalls");
        QVERIFY(!result.crashedByItself());
        if (end == "ends")
            QVERIFY2(result.stdOut.endsWith("answer\n") || result.stdOut.endsWith("6\n"), qPrintable(result.stdOut));
        else // stopped at the stall time-out (or at once), long before the finish time-out
            QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    }

    // What the system tells of a process's work: its processor time as the process itself
    // counts it, and the bytes it read. A look at it spans half a second at least: one
    // sooner tells nothing, however hard the process works meanwhile.
    void workOfAProcess()
    {
        const qint64 self = QCoreApplication::applicationPid();
        const auto work = [](int ms) {
            QElapsedTimer clock;
            clock.start();
            volatile double sum = 0;
            while (clock.elapsed() < ms)
                sum = sum + 1;
        };
        WorkWatch watch(self, true, {});
        const WorkWatch::Usage before = WorkWatch::usageOf(self);
        const std::clock_t counted = std::clock();
        work(WorkWatch::LookMs + 200);
        const WorkWatch::Usage after = WorkWatch::usageOf(self);
        const qint64 spent = qint64(std::clock() - counted) * 1000 / CLOCKS_PER_SEC;
        QVERIFY2(qAbs(after.cpuMs - before.cpuMs - spent) <= 40,
                 qPrintable(QString("%1 of %2 ms").arg(after.cpuMs - before.cpuMs).arg(spent)));
        QVERIFY(watch.worked());
        work(WorkWatch::LookMs / 5);
        QVERIFY(!watch.worked());

        QFile file(writeEngineFile("read-by-the-test.bin", QByteArray(300000, 'r')));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        const qint64 unread = WorkWatch::usageOf(self).readBytes;
        QCOMPARE(file.readAll().size(), 300000);
        QVERIFY(WorkWatch::usageOf(self).readBytes - unread >= 300000);
        QCOMPARE(WorkWatch::usageOf(0).cpuMs, -1);
        // The name the system keeps of a program: its first 15 bytes.
        QCOMPARE(WorkWatch::usageOf(self).program, QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15).toUtf8());
    }

    // The readers of /proc: a count no machine reaches (a damaged or faked file) tells nothing.
    void procReaders()
    {
        const QByteArray head = "4242 (a (b) c) R 1 4242 4242 0 -1 4194304 100 0 0 0 ";
        const QByteArray most = "9223372036854775807";
        const struct { QByteArray stat; qint64 ticks; QByteArray io; qint64 bytes; } rows[] = {
            {head + "7 3 2 1 20 0 1 0", 13, "rchar: 123456\nwchar: 7\n", 123456},
            {head + most + ' ' + most + ' ' + most + ' ' + most + " 20", -1, "rchar: " + most + '\n', -1},
            {head + "1 1 1 18446744073709551616 20", -1, "rchar: 18446744073709551615", -1},
            {head + "1 -1 1 1 20", -1, "rchar: -5\n", -1},
            {head + "1099511627776 0 0 0 20", WorkWatch::MostTicks, "rchar: 1152921504606846976\n", WorkWatch::MostReadBytes},
            {"4242 (x) R 1 2 3", -1, "wchar: 1\n", -1}};
        for (const auto &row : rows) {
            QCOMPARE(WorkWatch::cpuTicks(row.stat), row.ticks);
            QCOMPARE(WorkWatch::readBytes(row.io), row.bytes);
        }
    }

    void hangingEngineIsKilledAndItsOutputParsed()
    {
        ConsoleCapture capture;
        FFprobe ffprobe;
        const QString script = writeEngineScript(
            "probe-hang", QString("exec '%1' partial-hang 'ffprobe version 7.7-hang'").arg(TestMedia::fakeEngine()));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(ffprobe.startInterface(script, QString()));
        const qint64 elapsed = clock.elapsed();
        // Killed once the finish time-out ran out; the kill ends it long before the kill time-out.
        QVERIFY2(elapsed >= ffprobe.finishTimeout() && elapsed < ffprobe.finishTimeout() + 3000,
                 qPrintable(QString::number(elapsed)));
        QCOMPARE(ffprobe.state(), int(IProcessor::Ready));
        QCOMPARE(ffprobe.version(), QString("7.7-hang"));
    }

    // An engine stuck in uninterruptible I/O outlives its kill: the runner returns what it
    // printed after the three time-outs, and the process is reaped once it ends after all.
    void killThatDoesNotTakeFreezesNoLonger()
    {
        const QString pidFile = TestMedia::folder() + "/engines/stuck.pid";
        const QString script = writeEngineScript(
            "stuck", QString("echo $$ > '%1'\nexec '%2' partial-hang 'half an answer'").arg(pidFile, TestMedia::fakeEngine()));
        const ProcessKiller::KillFunction kill = ProcessKiller::setKillFunction([](QProcess *) {});
        QElapsedTimer clock;
        clock.start();
        const SyncRunner::Result result = SyncRunner::run(script, {}, QString(), plainLimits(3000, 300, 300), "Analyzer");
        const qint64 elapsed = clock.elapsed();
        ProcessKiller::setKillFunction(kill);
        QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed)));
        QVERIFY(result.started && result.killed && result.stillRunning && result.crashed);
        QCOMPARE(result.stdOut, QString("half an answer\n"));
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const pid_t pid = pid_t(file.readAll().trimmed().toInt());
        QCOMPARE(::kill(pid, SIGKILL), 0);
        QTRY_COMPARE_WITH_TIMEOUT(::kill(pid, 0), -1, 10000);
    }

    // An engine that never stops printing: a start-up query or a file analysis keeps a bounded
    // share of it, stops the engine at once instead of at the time-out, and says so in the
    // output it echoes; the console shows a bounded share of that.
    void endlessPrinterStopped_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("script");
        const QString fake = TestMedia::fakeEngine();
        QTest::newRow("FFmpeg status queries, standard output") << "FFmpeg" << QString("exec '%1' endless").arg(fake);
        QTest::newRow("FFprobe status query, error output") << "FFprobe" << QString("exec '%1' endless err").arg(fake);
        QTest::newRow("FFprobe file analysis")
            << "FFprobe load"
            << QString("case \"$1\" in\n  -version) echo 'ffprobe version 9.9' ;;\n  *) exec '%1' endless ;;\nesac").arg(fake);
    }
    void endlessPrinterStopped()
    {
        QFETCH(QString, engine);
        QFETCH(QString, script);
        ConsoleCapture capture;
        const std::unique_ptr<IProcessor> processor = processorNamed(engine.split(' ').first());
        const QString path = writeEngineScript("endless-" + engine.split(' ').first(), script);
        HeapWatch heap;
        processor->startInterface(path, QString());
        if (engine == "FFprobe load") {
            QCOMPARE(processor->state(), int(IProcessor::Ready));
            QVERIFY(!static_cast<FFprobe *>(processor.get())->load(TestMedia::folder() + "/any.avi"));
        }
        const qint64 grown = heap.peakGrowth();
        QVERIFY2(grown < 100 * 1024 * 1024, qPrintable(QString::number(grown)));
        QTextEdit &view = engine == "FFprobe" ? capture.stdErrView() : capture.stdOutView();
        const QString shown = view.toPlainText();
        QVERIFY2(shown.contains("[... output cut: the engine printed") && shown.contains("and was stopped]"),
                 qPrintable(shown.right(300)));
        QVERIFY(view.document()->characterCount() <= ConsoleBounds::MaxChars);
        QVERIFY2(capture.log().contains(engine.split(' ').first() + ": the engine printed "), qPrintable(capture.log()));
    }

    // The engine is stopped once it passes the bound, not at the finish time-out.
    void runnerStopsAnEndlessPrinter()
    {
        const QString path = writeEngineScript("endless-runner", QString("exec '%1' endless").arg(TestMedia::fakeEngine()));
        QElapsedTimer clock;
        clock.start();
        const SyncRunner::Result result = SyncRunner::run(path, {}, QString(), plainLimits(3000, 20000, 3000), "Test");
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(result.started && result.crashed && !result.killed);
        QVERIFY(result.droppedBytes > 0);
        QVERIFY(result.stdOut.startsWith("endless output line\n"));
        QVERIFY(result.stdOut.size() < SyncRunner::OutputLimit + 200);
        QVERIFY(result.stdOut.endsWith(QString("bytes more than the 4 MB kept, and was stopped]\n")));
        QVERIFY(result.stdErr.isEmpty());
        // One that prints exactly as much as is kept is neither cut nor stopped.
        const QString exact = writeEngineScript("exact-limit", QString("'%1' bytes 100000; sleep 0.3").arg(TestMedia::fakeEngine()));
        const SyncRunner::Result whole = SyncRunner::run(exact, {}, QString(), plainLimits(3000, 20000, 3000), "Test", 100000);
        QVERIFY(whole.started && !whole.crashed && whole.droppedBytes == 0);
        QCOMPARE(whole.stdOut, QString(100000, 'x'));
    }

    // An engine that reads on past its read limit (a sample reading a file through to a point
    // it cannot seek to) is stopped, also while prefetched: no question of time, nor a crash.
    void runnerStopsAnEndlessReader_data()
    {
        QTest::addColumn<bool>("prefetched");
        QTest::newRow("waited for") << false;
        QTest::newRow("prefetched") << true;
    }
    void runnerStopsAnEndlessReader()
    {
        QFETCH(bool, prefetched);
        // It reads only after a while: a prefetched one is seen going, then stopped.
        const QString path = writeEngineScript("endless-reader", "sleep 0.5; exec dd if=/dev/zero of=/dev/null bs=1M");
        SyncRunner::Timeouts limits = plainLimits(3000, 20000, 3000);
        limits.readLimit = 8 * 1024 * 1024;
        const SyncRunner::LoadScope scope;
        if (prefetched) {
            SyncRunner::prefetchRun(path, {}, SyncRunner::Prefetch{limits.readLimit, {}});
            QTRY_VERIFY(!SyncRunner::LoadScope::runningProcessIds().isEmpty());
            QTRY_VERIFY(SyncRunner::LoadScope::runningProcessIds().isEmpty());
        }
        const SyncRunner::Result result = SyncRunner::run(path, {}, QString(), limits, "Test");
        QVERIFY(result.started && result.overRead && !result.outOfTime() && !result.crashedByItself());
    }

    void outcomeIsRememberedPerPath()
    {
        ConsoleCapture capture;
        QString counter;
        MervoMEncoder mencoder;
        const QString crashing = countingScript("mencoder-crash", "crash", &counter);
        QVERIFY(!mencoder.startInterface(crashing, QString()));
        QVERIFY(!mencoder.startInterface(crashing, QString()));
        QVERIFY(!mencoder.startInterface(QString(), QString()));
        QCOMPARE(runCount(counter), 1);
        // Another path runs again.
        const QString good = writeEngineScript("mencoder-good", QString("printf '%s' '%1'").arg(mencoderHelp));
        QVERIFY(mencoder.startInterface(good, "/opt/lib"));
        QCOMPARE(mencoder.state(), int(IProcessor::Ready));
        QCOMPARE(mencoder.subtitleCodecs().value("inlay"), QString("Inlaid subtitles"));
        // A later answer without all its sections fails and leaves nothing of the earlier one.
        const QString partial = writeEngineScript(
            "mencoder-partial", "printf 'MEncoder 2.0 (C) MPlayer Team\\nAvailable codecs:\\n   copy - frame copy\\n'");
        QVERIFY(!mencoder.startInterface(partial, QString()));
        QCOMPARE(mencoder.state(), int(IProcessor::Failed));
        QVERIFY(mencoder.videoCodecs().isEmpty() && mencoder.subtitleCodecs().isEmpty());

        // A ready engine is not run again; a name outside Latin-1 reaches the system unchanged.
        FFprobe ready;
        const QString script = countingScript(QString::fromUtf8("probe-ready-Программа"), "print 'ffprobe version 1.2'", &counter);
        QVERIFY(ready.startInterface(script, QString()));
        QCOMPARE(ready.binary(), script);
        QVERIFY(ready.startInterface(QString(), QString()));
        QVERIFY(ready.startInterface(script, QString()));
        QCOMPARE(runCount(counter), 1);
    }

    // FFprobe's JSON answer: keys are found whatever their case, only as whole keys (a tag never
    // stands in for a field), and values come back as the file holds them, line breaks included.
    void ffprobeFormatValues()
    {
        ConsoleCapture capture;
        FFprobe ffprobe;
        const QByteArray answer = "{\"streams\": [{\"index\": 0, \"codec_name\": \"mpeg4\"}],\r\n\"format\": {"
                                  "\"filename\": \"a.avi\", \"bit_rate\": \"N/A\", \"tags\": {\"title\": \"\", "
                                  "\"software\": \"Lavf59\", \"comment\": \"C:\\\\new\\r\\nbit_rate=1\", "
                                  "\"duration\": \"2.0\", \"start_time\": \"5.0\"}, \"duration_ts\": 1000, \"duration\": \"3.040000\"}}\r\n";
        QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-format", answer), QString()));
        QCOMPARE(ffprobe.version(), QString("9.9-test"));
        QVERIFY(ffprobe.load("movie.avi"));
        // Each key with its value; empty: not found (a stream key, an empty value).
        const QList<QPair<QString, QString>> lookups{
            {"duration", "3.040000"}, {"bit_rate", "N/A"}, {"TAG:SOFTWARE", "Lavf59"}, {"codec_name", ""},
            {"TAG:title", ""}, {"start_time", ""}, {"TAG:comment", "C:\\new\r\nbit_rate=1"}};
        for (const auto &[key, value] : lookups) {
            QString result = "stale";
            QCOMPARE(ffprobe.formatValue(result, key), !value.isEmpty());
            QCOMPARE(result, value);
            const QString said = value.isEmpty() ? QString("not found") : "is '" + value + "'";
            const QString line = QString("FFprobe: '%1' %2 for file movie.avi").arg(key, said);
            QVERIFY(capture.log().contains(line.section('\r', 0, 0))); // the console breaks the line
        }
    }

    // Streams are filed by their whole codec_type: an MKV's attached font is no audio stream.
    void ffprobeFilesStreamsByTheWholeType()
    {
        ConsoleCapture capture;
        FFprobe ffprobe;
        const QByteArray answer = "[STREAM]\nindex=0\ncodec_type=subtitle\n[/STREAM]\n"
                                  "[STREAM]\nindex=1\ncodec_type=attachment\n[/STREAM]\n"
                                  "[STREAM]\nindex=2\ncodec_type=data\n[/STREAM]\n"
                                  "[STREAM]\nindex=3\ncodec_type=video\n[/STREAM]\n"
                                  "[STREAM]\nindex=4\ncodec_type=audio\n[/STREAM]\n"
                                  "[FORMAT]\nformat_name=matroska,webm\n[/FORMAT]\n";
        QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-kinds", answer), QString()));
        QVERIFY(ffprobe.load("kinds.mkv"));
        QCOMPARE(ffprobe.subtitleStreams(), QList<int>{0});
        QCOMPARE(ffprobe.attachmentStreams(), QList<int>{1});
        QCOMPARE(ffprobe.dataStreams(), QList<int>{2});
        QCOMPARE(ffprobe.videoStreams(), QList<int>{3});
        QCOMPARE(ffprobe.audioStreams(), QList<int>{4});
    }

    // A synchronous run's engine is tied to the program as a job's is: it leads a process
    // group of its own (and gets the parent-death signal with it), so that it never outlives
    // the program and a kill ends what it started.
    void runnerBindsTheEngineToTheProgram()
    {
        const QString script = writeEngineScript("print-group", "read -r pid comm state ppid pgrp rest < /proc/$$/stat\n"
                                                                "echo \"$$ $pgrp\"");
        const SyncRunner::Result result = SyncRunner::run(script, {}, QString(), {}, "Analyzer");
        const QStringList ids = result.stdOut.split(' ');
        QVERIFY2(ids.size() == 2 && ids.first().toLongLong() > 0, qPrintable(result.stdOut));
        QCOMPARE(ids.last().trimmed(), ids.first());
    }

    void runnerSetsTheLibraryPath() // on top of the environment
    {
        const QString script = writeEngineScript(
            "print-env", "printf 'LD=%s MARK=%s\\n' \"$LD_LIBRARY_PATH\" \"$VEXO_RUNNER_MARK\"\necho err >&2");
        qputenv("VEXO_RUNNER_MARK", "kept");
        const SyncRunner::Result result = SyncRunner::run(script, {}, "/opt/vexo libs", {}, "Transcoder");
        qunsetenv("VEXO_RUNNER_MARK");
        QVERIFY(result.started && !result.killed && !result.crashed && !result.stillRunning);
        QCOMPARE(result.stdOut + result.stdErr, QString("LD=/opt/vexo libs MARK=kept\nerr\n"));
    }

    // Engine output is decoded as UTF-8 line by line, never per chunk.
    void decodeLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8 name; line ends kept")
            << QByteArray("from 'Sch\xc3\xb6n.avi':\r\nb\nc\rd") << QString::fromUtf8("from 'Schön.avi':\r\nb\nc\rd");
        QTest::newRow("bad byte spoils only its line")
            << QByteArray("caf\xe9\n\xe6\x97\xa5\xe6\x9c\xac\n") << QString::fromUtf8("caf\xef\xbf\xbd\n日本\n");
        QTest::newRow("stray continuation byte does not eat the next line")
            << QByteArray("x\x80\n\xe6\x97\xa5\n") << QString::fromUtf8("x\xef\xbf\xbd\n日\n");
        // An answer cut at the output limit may end inside a character: it is shown spoilt.
        QTest::newRow("character cut at the end") << QByteArray("ab\xe6\x97") << QString::fromUtf8("ab\xef\xbf\xbd\xef\xbf\xbd");
        QTest::newRow("many short lines") << QByteArray(100000, '\r') << QString(100000, '\r');
    }

    void decodeLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(SyncRunner::decodeLines(bytes), text);
    }
};

VEXO_TEST_CLASS(ProcessorFaultsTest)
#include "tst_processorfaults.moc"
