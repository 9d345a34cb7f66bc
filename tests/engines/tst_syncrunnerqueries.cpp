// Status queries asked twice at start-up: the second asking takes the first answer while
// the executable is unchanged, a prefetched run is taken over, and failures are asked again.

#include "engines/ffprobe.h"
#include "engines/syncrunner.h"
#include "enginetesting.h"
#include "opendescriptors.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <signal.h>

namespace {
const SyncRunner::Timeouts kShort = plainLimits(3000, 400, 400);
} // namespace

class SyncRunnerQueriesTest : public QObject
{
    Q_OBJECT

private slots:
    void answerKeptWhileExecutableUnchanged()
    {
        QString counter;
        const QString engine = countingScript("query-kept", "print 'v1'", &counter);
        const SyncRunner::Result first = SyncRunner::runQuery(engine, {"-version"}, QString(), kShort, "Test");
        const SyncRunner::Result again = SyncRunner::runQuery(engine, {"-version"}, QString(), kShort, "Test");
        QCOMPARE(runCount(counter), 1);
        QVERIFY(again.started);
        QCOMPARE(again.stdOut, first.stdOut);
        QCOMPARE(again.stdOut, QString("v1\n"));

        // Other arguments, or a plain run, are asked anew.
        SyncRunner::runQuery(engine, {"-formats"}, QString(), kShort, "Test");
        SyncRunner::run(engine, {"-version"}, QString(), kShort, "Test");
        QCOMPARE(runCount(counter), 3);

        // Another executable at the same path is another engine, even within the file
        // system's time stamp granularity.
        const QDateTime stamp = QFileInfo(engine).lastModified();
        countingScript("query-kept", "print 'v2 longer'", &counter);
        QFile rewritten(engine);
        QVERIFY(rewritten.open(QIODevice::ReadWrite) && rewritten.setFileTime(stamp, QFileDevice::FileModificationTime));
        rewritten.close();
        QCOMPARE(SyncRunner::runQuery(engine, {"-version"}, QString(), kShort, "Test").stdOut, QString("v2 longer\n"));
        QCOMPARE(runCount(counter), 1);
    }

    void failuresAskedAgain_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("killed") << "hang 5";
        QTest::newRow("crashed") << "crash";
    }
    void failuresAskedAgain()
    {
        QFETCH(QString, mode);
        QString counter;
        const QString engine = countingScript("query-fails", mode, &counter);
        SyncRunner::runQuery(engine, {}, QString(), kShort, "Test");
        const SyncRunner::Result again = SyncRunner::runQuery(engine, {}, QString(), kShort, "Test");
        QVERIFY(again.killed || again.crashed);
        QCOMPARE(runCount(counter), 2);
    }

    // A query given up at its start's deadline is not asked again while start-up lasts (each
    // panel starts the same engines); once it is over, it is.
    void givenUpQueryAskedOncePerStartUp()
    {
        QString counter;
        const QString engine = countingScript("query-given-up", "hang", &counter);
        SyncRunner::Timeouts limits = kShort;
        limits.deadline = QDeadlineTimer(200);
        QVERIFY(SyncRunner::runQuery(engine, {}, QString(), limits, "Test").pastDeadline);
        QVERIFY(SyncRunner::runQuery(engine, {}, QString(), kShort, "Test").pastDeadline);
        QCOMPARE(runCount(counter), 1);
        SyncRunner::dropPrefetched();
        const SyncRunner::Result again = SyncRunner::runQuery(engine, {}, QString(), kShort, "Test");
        QVERIFY(again.killed && !again.pastDeadline);
        QCOMPARE(runCount(counter), 2);
    }

    void prefetchedRunTakenOver()
    {
        QString counter;
        const QString engine = countingScript("query-prefetched", "print 'ready'", &counter);
        SyncRunner::prefetchQuery(engine, {"-status"});
        SyncRunner::prefetchQuery(engine, {"-status"}); // one run per question
        QTRY_COMPARE_WITH_TIMEOUT(runCount(counter), 1, 10000);
        QTest::qWait(200); // the run has ended before it is asked for
        const SyncRunner::Result answer = SyncRunner::runQuery(engine, {"-status"}, QString(), kShort, "Test");
        QVERIFY(answer.started && !answer.killed && !answer.crashed);
        QCOMPARE(answer.stdOut, QString("ready\n"));
        QCOMPARE(runCount(counter), 1);

        // A prefetched run nobody asks for is ended, not waited for.
        const QString hanging = countingScript("query-unasked", "hang", &counter);
        SyncRunner::prefetchQuery(hanging, {});
        QElapsedTimer clock;
        clock.start();
        SyncRunner::dropPrefetched();
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(SyncRunner::runQuery(hanging, {}, QString(), kShort, "Test").killed);
    }

    // A run started ahead is taken over with everything it printed before, by a waited-for
    // run or by a caller that reads the process itself.
    void prefetchedRunHandedOver_data()
    {
        QTest::addColumn<bool>("readsItself");
        QTest::newRow("waited for") << false;
        QTest::newRow("read by the caller") << true;
    }
    void prefetchedRunHandedOver()
    {
        QFETCH(bool, readsItself);
        QString counter;
        const QString engine = countingScript("run-handed-over", "print 'Scanning file'", &counter);
        SyncRunner::prefetchRun(engine, {"-fontconfig"});
        QTRY_COMPARE_WITH_TIMEOUT(runCount(counter), 1, 10000);
        QTest::qWait(200); // the run has ended, its output read, before it is taken
        QString printed;
        if (readsItself) {
            const SyncRunner::TakenRun taken = SyncRunner::takePrefetchedRun(engine, {"-fontconfig"});
            QVERIFY(taken.process);
            const std::unique_ptr<QProcess> process(taken.process);
            QVERIFY(process->waitForFinished(5000) || process->state() == QProcess::NotRunning);
            printed = QString::fromUtf8(taken.stdOut + process->readAllStandardOutput());
            QVERIFY(!SyncRunner::takePrefetchedRun(engine, {"-fontconfig"}).process);
        } else {
            printed = SyncRunner::run(engine, {"-fontconfig"}, QString(), kShort, "Test").stdOut;
        }
        QCOMPARE(printed, QString("Scanning file\n"));
        QCOMPARE(runCount(counter), 1);
    }

    // A held run waits, started, until it is taken, and only then reads its input: the
    // answer tells the input as it was when taken, however large, through the pipe the
    // engine was told to write to. An engine that never opens that pipe is asked again the
    // plain way.
    void heldRunAnswersWhenTaken_data()
    {
        QTest::addColumn<bool>("knowsTheOption");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QString>("pause"); // before the engine answers, once it may read
        QTest::newRow("short answer") << true << 5 << 1 << "0";
        QTest::newRow("answer after a pause") << true << 5 << 1 << "0.3";
        QTest::newRow("more than a pipe holds") << true << 1000000 << 1 << "0";
        QTest::newRow("engine without the option") << false << 5 << 2 << "0";
    }
    void heldRunAnswersWhenTaken()
    {
        QFETCH(bool, knowsTheOption);
        QFETCH(int, size);
        QFETCH(int, runs);
        QFETCH(QString, pause);
        const QString counter = TestMedia::folder() + "/engines/held.count";
        QFile::remove(counter);
        const QString option = knowsTheOption ? "exec > \"$2\"" : "echo \"unknown option $1\" >&2; exit 1";
        const QString engine = writeEngineScript(
            "held-" + QString::number(knowsTheOption),
            QString("echo run >> '%1'\nif [ \"$1\" = -answer ]; then %2; shift 2; fi\nsleep %3\ncat \"$1\"")
                .arg(counter, option, pause));
        const QString input = TestMedia::folder() + "/engines/held-input.txt";
        QFile::remove(input);
        SyncRunner::prefetchHeldRun(engine, {input}, "-answer");
        QTRY_COMPARE_WITH_TIMEOUT(runCount(counter), 1, 10000);
        QTest::qWait(100);
        const QByteArray written(size, 'x');
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(written) == size);
        file.close();
        const SyncRunner::Result answer = SyncRunner::run(engine, {input}, QString(), kShort, "Test");
        QVERIFY(answer.started && !answer.killed && !answer.crashed);
        QCOMPARE(answer.exitCode, 0);
        QCOMPARE(answer.stdOut.size(), size);
        QCOMPARE(runCount(counter), runs);
    }

    // A held run let go before it is taken reads its input then: the answer is the input as
    // it was when released, and the run that takes it over waits only for its end.
    void heldRunReleasedEarly()
    {
        const QString input = TestMedia::folder() + "/engines/held-released.txt";
        const QString marker = input + ".read";
        QFile::remove(marker);
        const QString engine = writeEngineScript(
            "held-released", QString("exec > \"$2\"; shift 2\ncat \"$1\"\ntouch '%1'").arg(marker));
        SyncRunner::prefetchHeldRun(engine, {input}, "-o");
        QVERIFY(QFile::remove(input) || !QFileInfo::exists(input));
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("as released") == 11);
        file.close();
        SyncRunner::releaseHeldRun(engine, {input}, SyncRunner::OutputLimit);
        SyncRunner::releaseHeldRun(engine, {"not prefetched"}, SyncRunner::OutputLimit);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("changed later") == 13);
        file.close();
        const SyncRunner::Result answer = SyncRunner::run(engine, {input}, QString(), kShort, "Test");
        QVERIFY(answer.started && !answer.crashed && answer.exitCode == 0);
        QCOMPARE(answer.stdOut, QString("as released"));
    }

    // What a held engine writes past the limit is not kept, and the engine is stopped; one
    // that is not taken is ended with its pipe.
    void heldRunBounded()
    {
        const QString input = TestMedia::folder() + "/engines/held-large.txt";
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4000000, 'x')) == 4000000);
        file.close();
        const QString record = TestMedia::folder() + "/engines/held-pipe.txt";
        QFile::remove(record);
        const QString engine = writeEngineScript(
            "held-bounded", QString("echo \"$$ $2\" > '%1'\nexec > \"$2\"; shift 2\nexec cat \"$1\"").arg(record));
        SyncRunner::prefetchHeldRun(engine, {input}, "-o");
        // Stopped by its closed pipe, whatever the program does with that signal.
        const auto previous = ::signal(SIGPIPE, SIG_IGN);
        const SyncRunner::Result cut = SyncRunner::run(engine, {input}, QString(), kShort, "Test", 100000);
        ::signal(SIGPIPE, previous);
        QVERIFY(cut.crashed && !cut.killed);
        QVERIFY(cut.droppedBytes > 0);
        QVERIFY(cut.stdOut.startsWith(QString(100000, 'x') + "\n[... output cut"));

        QFile::remove(record);
        SyncRunner::prefetchHeldRun(engine, {input}, "-o");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(record).size() > 0, 10000);
        QFile recorded(record);
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        const QStringList pidAndPipe = QString::fromUtf8(recorded.readAll()).trimmed().split(' ');
        QCOMPARE(pidAndPipe.size(), 2);
        QVERIFY(QFileInfo::exists(pidAndPipe.at(1)));
        SyncRunner::dropPrefetchedRun(engine, {input});
        QVERIFY(!QFileInfo::exists(pidAndPipe.at(1)));
        QVERIFY(!QFileInfo::exists("/proc/" + pidAndPipe.at(0) + "/cmdline"));
    }

    void secondProcessorTakesTheAnswer()
    {
        ConsoleCapture capture;
        QString counter;
        const QString engine = countingScript("query-ffprobe", "print 'ffprobe version 6.6-test'", &counter);
        FFprobe first, second;
        QVERIFY(first.startInterface(engine, QString()));
        QVERIFY(second.startInterface(engine, QString()));
        QCOMPARE(second.version(), QString("6.6-test"));
        QCOMPARE(runCount(counter), 1);
        // An analysis of a file is never an answer kept.
        QString out, err, error;
        second.runProcess({"-i", "x"}, out, err, error);
        second.runProcess({"-i", "x"}, out, err, error);
        QCOMPARE(runCount(counter), 3);
    }

    void engineThatCannotStart()
    {
        SyncRunner::prefetchQuery("/nonexistent/engine", {});
        QVERIFY(!SyncRunner::runQuery("/nonexistent/engine", {}, QString(), kShort, "Test").started);
        // Made executable afterwards (same size and time): it is asked anew.
        QString counter;
        const QString engine = countingScript("query-not-executable", "print 'up'", &counter);
        QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(!SyncRunner::runQuery(engine, {}, QString(), kShort, "Test").started);
        QFile::setPermissions(engine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(SyncRunner::runQuery(engine, {}, QString(), kShort, "Test").started);
    }

    // An engine path that cannot be run keeps no descriptor open, however often its status is
    // asked, prefetched or not, and each asking says why it failed.
    void engineThatCannotStartKeepsNothingOpen_data()
    {
        QTest::addColumn<QString>("engine"); // "@" stands for a folder of the test's
        QTest::addColumn<QString>("failure");
        QTest::newRow("missing") << "/nonexistent/engine" << "%1 not found";
        QTest::newRow("missing name") << "vexo-no-such-engine" << "%1 not found";
        QTest::newRow("not executable") << "@/noexec" << "%1 is not executable";
        QTest::newRow("a folder") << "@" << "%1 is not executable";
    }
    void engineThatCannotStartKeepsNothingOpen()
    {
        QFETCH(QString, engine);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        QFile noexec(dir.filePath("noexec"));
        QVERIFY(noexec.open(QIODevice::WriteOnly) && noexec.write("#!/bin/sh\n") > 0);
        noexec.close();
        engine.replace('@', dir.path());
        const int before = openDescriptors();
        for (int i = 0; i < 3; ++i) {
            FFprobe ffprobe;
            QVERIFY(!ffprobe.startInterface(engine, QString()));
            SyncRunner::prefetchQuery(engine, {"-version"});
            const SyncRunner::Result result = SyncRunner::runQuery(engine, {"-version"}, QString(), kShort, "Test");
            QVERIFY(!result.started);
            QCOMPARE(result.startFailure, failure.arg(engine));
        }
        QCOMPARE(openDescriptors(), before);
    }
};

VEXO_TEST_CLASS(SyncRunnerQueriesTest)
#include "tst_syncrunnerqueries.moc"
