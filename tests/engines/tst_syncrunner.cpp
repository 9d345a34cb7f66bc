// The synchronous runner on misbehaving stand-ins for engines.

#include "engines/syncrunner.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QTest>

class SyncRunnerTest : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data();
    void outcomes();
    void libraryPathIsSetOnTopOfTheEnvironment();
    void decodeLines_data();
    void decodeLines();
};

void SyncRunnerTest::outcomes_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("flags"); // started, killed, crashed as "s", "k", "c"
    QTest::addColumn<QString>("stdOut");
    QTest::addColumn<QString>("stdErr");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");

    const QString fake = TestMedia::fakeEngine();
    QTest::newRow("runs to its end") << fake << QStringList{"print", "out text", "err text"} << "s"
                                     << "out text\n" << "err text\n" << 0 << 2000;
    // Finish time-out 400 ms; the kill ends it long before the 2 s kill time-out.
    QTest::newRow("hang: killed, partial output kept")
        << fake << QStringList{"partial-hang", "half an answer"} << "skc" << "half an answer\n" << ""
        << 400 << 2400;
    QTest::newRow("crash") << fake << QStringList{"crash"} << "sc" << "" << "" << 0 << 2000;
    // Fails at once, not after the start time-out.
    QTest::newRow("missing program") << "/nonexistent/engine" << QStringList{"-version"} << ""
                                     << "" << "" << 0 << 1500;
}

void SyncRunnerTest::outcomes()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, flags);
    QFETCH(QString, stdOut);
    QFETCH(QString, stdErr);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    SyncRunner::Timeouts timeouts;
    timeouts.start = 2000;
    timeouts.finish = 400;
    timeouts.kill = 2000;
    QElapsedTimer clock;
    clock.start();
    const SyncRunner::Result r = SyncRunner::run(program, arguments, QString(), timeouts, "Analyzer");
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(QString(r.started ? "s" : "") + (r.killed ? "k" : "") + (r.crashed ? "c" : ""), flags);
    QVERIFY(!r.stillRunning);
    QCOMPARE(r.stdOut, stdOut);
    QCOMPARE(r.stdErr, stdErr);
    QVERIFY2(elapsed >= minMs && elapsed < maxMs, qPrintable(QString::number(elapsed)));
}

void SyncRunnerTest::libraryPathIsSetOnTopOfTheEnvironment()
{
    const QString script = writeEngineScript(
        "print-env", "printf 'LD=%s MARK=%s\\n' \"$LD_LIBRARY_PATH\" \"$VEXO_RUNNER_MARK\"");
    qputenv("VEXO_RUNNER_MARK", "kept");
    const SyncRunner::Result result = SyncRunner::run(script, {}, "/opt/vexo libs", {}, "Transcoder");
    qunsetenv("VEXO_RUNNER_MARK");
    QCOMPARE(result.stdOut, QString("LD=/opt/vexo libs MARK=kept\n"));
}

void SyncRunnerTest::decodeLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("UTF-8 name") << QByteArray("Input #0, avi, from 'Sch\xc3\xb6n.avi':\n")
                                << QString::fromUtf8("Input #0, avi, from 'Schön.avi':\n");
    QTest::newRow("line ends kept") << QByteArray("a\r\nb\nc\rd") << QString("a\r\nb\nc\rd");
    QTest::newRow("bad byte spoils only its line")
        << QByteArray("caf\xe9\n\xe6\x97\xa5\xe6\x9c\xac\n") << QString::fromUtf8("caf\xef\xbf\xbd\n日本\n");
    QTest::newRow("stray continuation byte does not eat the next line")
        << QByteArray("x\x80\n\xe6\x97\xa5\n") << QString::fromUtf8("x\xef\xbf\xbd\n日\n");
}

void SyncRunnerTest::decodeLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(SyncRunner::decodeLines(bytes), text);
}

VEXO_TEST_CLASS(SyncRunnerTest)
#include "tst_syncrunner.moc"
