// A load's engine run and the program's end: a run the load gave up on goes with the
// program, however soon the program ends after it.

#include "engines/syncrunner.h"
#include "heapwatch.h"
#include "player/loadprocess.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

class TestLoadProcess : public QObject
{
    Q_OBJECT

private slots:
    // The program ends right after a load was done with a run whose engine still went
    // (killed at its finish time-out, dropped by a load that failed first, or handed over
    // after a kill that did not take): no loop sees the engine's end, and the process
    // object must not be left behind for all that.
    void programEndsRightAfterTheLoad_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("run killed at its finish time-out") << "given-up";
        QTest::newRow("run dropped while it goes") << "dropped";
        QTest::newRow("engine handed over after a kill that did not take") << "kill-not-taken";
    }
    void programEndsRightAfterTheLoad()
    {
#ifndef VEXO_HEAPWATCH_ASAN
        QSKIP("LeakSanitizer tells what the program left behind");
#endif
        QFETCH(QString, how);
        QProcess program;
        program.start(VEXO_LOAD_END, {how, "sh", "-c", "sleep 30"});
        QVERIFY(program.waitForFinished(20000));
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, errors.constData());
        QVERIFY2(!errors.contains("LeakSanitizer"), errors.constData());
    }

    // A patient run holds an engine that works without a word three finish time-outs past
    // its last output, not the PatienceFactor ones that an engine printing all along gets.
    void silentSpinnerStopped()
    {
        constexpr int finish = 1000; // as the player's latency at least: two looks at its work a second
        LoadProcess run;
        QElapsedTimer clock;
        clock.start();
        run.begin(TestMedia::fakeEngine(), {"burn", "600000", "true"}, QByteArray(), 10000, finish, true);
        QVERIFY(run.waitStarted());
        QVERIFY(!run.waitEnded() && run.wasKilled());
        QVERIFY2(clock.elapsed() < finish * SyncRunner::PatienceFactor / 2, qPrintable(QString::number(clock.elapsed())));
    }
};

VEXO_TEST_CLASS(TestLoadProcess)
#include "tst_loadprocess.moc"
