// The synchronous runner on misbehaving stand-ins for engines: time-outs, kills, crashes,
// missing programs, the library path and the decoding of the output.

#include "engines/syncrunner.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QTest>

class SyncRunnerTest : public QObject
{
    Q_OBJECT

private slots:
    void runsToTheEnd();
    void killsAfterTheFinishTimeoutAndKeepsOutput();
    void crashWithoutOutput();
    void missingProgram();
    void libraryPath_data();
    void libraryPath();
    void pathsAndArgumentsPassUnchanged();
    void decodeLines_data();
    void decodeLines();
};

void SyncRunnerTest::runsToTheEnd()
{
    const SyncRunner::Result result =
        SyncRunner::run(TestMedia::fakeEngine(), {"print", "out text", "err text"}, QString(), {},
                        "Transcoder");
    QVERIFY(result.started);
    QVERIFY(!result.killed);
    QVERIFY(!result.crashed);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.stdOut, QString("out text\n"));
    QCOMPARE(result.stdErr, QString("err text\n"));
}

void SyncRunnerTest::killsAfterTheFinishTimeoutAndKeepsOutput()
{
    SyncRunner::Timeouts timeouts;
    timeouts.start = 2000;
    timeouts.finish = 400;
    timeouts.kill = 2000;
    QElapsedTimer clock;
    clock.start();
    const SyncRunner::Result result = SyncRunner::run(
        TestMedia::fakeEngine(), {"partial-hang", "half an answer"}, QString(), timeouts, "Analyzer");
    const qint64 elapsed = clock.elapsed();
    QVERIFY(result.started);
    QVERIFY(result.killed);
    QVERIFY(!result.stillRunning);
    QVERIFY(result.crashed);
    QCOMPARE(result.stdOut, QString("half an answer\n"));
    QVERIFY2(elapsed >= 400 && elapsed < 2400, qPrintable(QString::number(elapsed)));
}

void SyncRunnerTest::crashWithoutOutput()
{
    const SyncRunner::Result result =
        SyncRunner::run(TestMedia::fakeEngine(), {"crash"}, QString(), {}, "Transcoder");
    QVERIFY(result.started);
    QVERIFY(!result.killed);
    QVERIFY(result.crashed);
    QVERIFY(result.stdOut.isEmpty());
    QVERIFY(result.stdErr.isEmpty());
}

void SyncRunnerTest::missingProgram()
{
    QElapsedTimer clock;
    clock.start();
    const SyncRunner::Result result =
        SyncRunner::run("/nonexistent/engine", {"-version"}, QString(), {}, "Transcoder");
    QVERIFY(!result.started);
    QVERIFY(clock.elapsed() < 2000); // fails at once, not after the start time-out
}

void SyncRunnerTest::libraryPath_data()
{
    QTest::addColumn<QString>("libraryPath");
    QTest::addColumn<QString>("expected");
    QTest::newRow("set on top of the environment") << "/opt/vexo libs" << "LD=/opt/vexo libs MARK=kept";
    QTest::newRow("empty leaves the environment alone") << "" << "LD=inherited MARK=kept";
}

void SyncRunnerTest::libraryPath()
{
    QFETCH(QString, libraryPath);
    QFETCH(QString, expected);
    const QString script = writeEngineScript(
        "print-env", "printf 'LD=%s MARK=%s\\n' \"$LD_LIBRARY_PATH\" \"$VEXO_RUNNER_MARK\"");
    const QByteArray savedLibraryPath = qgetenv("LD_LIBRARY_PATH");
    const bool hadLibraryPath = qEnvironmentVariableIsSet("LD_LIBRARY_PATH");
    qputenv("LD_LIBRARY_PATH", "inherited");
    qputenv("VEXO_RUNNER_MARK", "kept");
    const SyncRunner::Result result = SyncRunner::run(script, {}, libraryPath, {}, "Transcoder");
    if (hadLibraryPath)
        qputenv("LD_LIBRARY_PATH", savedLibraryPath);
    else
        qunsetenv("LD_LIBRARY_PATH");
    qunsetenv("VEXO_RUNNER_MARK");
    QCOMPARE(result.stdOut, expected + "\n");
}

void SyncRunnerTest::pathsAndArgumentsPassUnchanged()
{
    // A program in a folder whose name is neither ASCII nor Latin-1, and arguments with
    // blanks, quotes and shell characters: each reaches the engine as it is.
    const QString folder = TestMedia::folder() + QString::fromUtf8("/engines/Программы ‘x’");
    QDir().mkpath(folder);
    const QString program = folder + "/echo engine";
    QFile::remove(program);
    QVERIFY(QFile::copy(TestMedia::fakeEngine(), program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList arguments{"echo", QString::fromUtf8("Größe \"1\" $HOME; 日本.avi"), "a b"};
    const SyncRunner::Result result = SyncRunner::run(program, arguments, QString(), {}, "Transcoder");
    QVERIFY(result.started);
    QCOMPARE(result.stdOut, QString::fromUtf8("Größe \"1\" $HOME; 日本.avi\na b\n"));
}

void SyncRunnerTest::decodeLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("UTF-8 name") << QByteArray("Input #0, avi, from 'Sch\xc3\xb6n.avi':\n")
                                << QString::fromUtf8("Input #0, avi, from 'Schön.avi':\n");
    QTest::newRow("line ends kept") << QByteArray("a\r\nb\nc\rd") << QString("a\r\nb\nc\rd");
    QTest::newRow("progress lines ended by CR")
        << QByteArray("frame=  10 fps=0.0\rframe=  20 fps=0.0\r")
        << QString("frame=  10 fps=0.0\rframe=  20 fps=0.0\r");
    QTest::newRow("bad byte spoils only its line")
        << QByteArray("caf\xe9\n\xe6\x97\xa5\xe6\x9c\xac\n")
        << QString::fromUtf8("caf\xef\xbf\xbd\n日本\n");
    QTest::newRow("stray continuation byte does not eat the next line")
        << QByteArray("x\x80\n\xe6\x97\xa5\n") << QString::fromUtf8("x\xef\xbf\xbd\n日\n");
    QTest::newRow("empty") << QByteArray() << QString();
}

void SyncRunnerTest::decodeLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(SyncRunner::decodeLines(bytes), text);
}

VEXO_TEST_CLASS(SyncRunnerTest)
#include "tst_syncrunner.moc"
