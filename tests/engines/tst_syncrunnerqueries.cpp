// Status queries asked twice at start-up: the second asking takes the first answer while
// the executable is unchanged, a prefetched run is taken over, and failures are asked again.

#include "engines/ffprobe.h"
#include "engines/syncrunner.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <memory>

namespace {
const SyncRunner::Timeouts kShort{3000, 400, 400};
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
};

VEXO_TEST_CLASS(SyncRunnerQueriesTest)
#include "tst_syncrunnerqueries.moc"
