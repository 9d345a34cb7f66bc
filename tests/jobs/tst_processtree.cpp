// Engines never outlive the program or an abort, and a job that cannot start says why.

#include "jobtestsupport.h"

#include "jobs/openfilelimit.h"

#include <QProcess>
#include <QScopeGuard>

#include <signal.h>
#include <sys/resource.h>

using namespace JobTest;

namespace {
qint64 readPid(const QString &file)
{
    QFile pidFile(file);
    return pidFile.open(QIODevice::ReadOnly) ? pidFile.readAll().trimmed().toLongLong() : 0;
}

rlimit openFileLimit()
{
    rlimit limit;
    ::getrlimit(RLIMIT_NOFILE, &limit);
    return limit;
}
} // namespace

class TestProcessTree : public QObject
{
    Q_OBJECT

private slots:
    // The program is killed while an engine runs: the engine goes with it at once, and so
    // does what the engine started itself (FFmpeg writing a job's output; a script that runs
    // a program of its own, as an engine that calls another does).
    void engineDiesWithTheProgram_data()
    {
        QTest::addColumn<bool>("withChild");
        QTest::newRow("FFmpeg writing") << false;
        QTest::newRow("engine with a child of its own") << true;
    }
    void engineDiesWithTheProgram()
    {
        QFETCH(bool, withChild);
        QTemporaryDir dir;
        const QString output = dir.filePath("endless.avi");
        const QString childFile = dir.filePath("child.pid");
        const QStringList engine =
            withChild ? QStringList{Shell} + script("sleep 60 & echo $! > \"$1\"; wait", {childFile})
                      : QStringList{"ffmpeg", "-nostdin", "-v", "error", "-re", "-f", "lavfi", "-i",
                                    "testsrc=size=64x48:rate=10", "-c:v", "mpeg4", "-flush_packets", "1",
                                    "-y", output};
        QProcess program;
        const auto cleanUp = qScopeGuard([&program] { program.kill(); program.waitForFinished(10000); });
        program.start(VEXO_ENGINE_PARENT, engine);
        QVERIFY(program.waitForReadyRead(10000));
        const qint64 enginePid = program.readLine().trimmed().toLongLong();
        if (withChild)
            QTRY_VERIFY_WITH_TIMEOUT(readPid(childFile) > 0, 10000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(output).size() > 0, 10000); // it runs and writes
        QVERIFY(enginePid > 0 && !hasExited(enginePid));
        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished(10000));
        // Far sooner than they would end by themselves (the encode is endless, the child
        // sleeps 60 s), however slowly a busy machine lets the killed processes go.
        QTRY_VERIFY_WITH_TIMEOUT(hasExited(enginePid), 10000);
        if (withChild) {
            const qint64 child = readPid(childFile);
            const auto killChild = qScopeGuard([child] { ::kill(pid_t(child), SIGKILL); });
            QTRY_VERIFY_WITH_TIMEOUT(hasExited(child), 10000);
        }
    }

    // An abort, a kill request and "kill all" end the engine and what the engine started.
    void abortEndsTheWholeTree_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("plain"); // a plain job's task, else a multi-task job's
        QTest::newRow("abort of a task of a multi-task job") << "abort" << false;
        QTest::newRow("kill of a plain job's task") << "kill" << true;
        QTest::newRow("kill all, multi-task job") << "kill all" << false;
        QTest::newRow("kill all, plain job") << "kill all" << true;
    }

    void abortEndsTheWholeTree()
    {
        QFETCH(QString, how);
        QFETCH(bool, plain);
        QTemporaryDir dir;
        const QString pidFile = dir.filePath("child.pid");
        const QString engine = "sleep 30 & echo $! > \"$1\"; wait"; // with a child of its own
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        auto *mervo = plain ? nullptr : scriptTask<MervoTask>("engine", engine, {pidFile});
        Task *task = plain ? scriptTask<Task>("engine", engine, {pidFile}) : mervo;
        if (plain)
            manager.JobManager::addJob(plainJob(task, "id-1"));
        else
            manager.addJob(mervoJob({mervo}));
        QTRY_VERIFY_WITH_TIMEOUT(readPid(pidFile) > 0, 10000);
        if (how == "abort")
            mervo->abort();
        else if (how == "kill")
            task->kill();
        else
            manager.killAll();
        QTRY_COMPARE_WITH_TIMEOUT(int(task->state), int(Task::Aborted), 10000);
        QCOMPARE(task->failure(), QString("aborted"));
        QTRY_VERIFY_WITH_TIMEOUT(hasExited(readPid(pidFile)), 10000); // it would sleep 30 s
    }

    // With few open files left, jobs that cannot start say why in the log and keep the
    // reason; the others run. Raising the soft limit to the hard one lets them all start.
    void jobsThatCannotStartSayWhy()
    {
        const rlimit saved = openFileLimit();
        const auto restore = qScopeGuard([&saved] { ::setrlimit(RLIMIT_NOFILE, &saved); });
        rlimit lowered = saved; // room for two or three engines
        lowered.rlim_cur = QDir("/proc/self/fd").entryList(QDir::System | QDir::NoDotAndDotDot).size() + 12;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
        QTextEdit log;
        MervoJobManager manager(nullptr, nullptr, nullptr, &log, 2, 0, 0, 0);
        QList<MervoTask *> failed;
        for (int i = 0; i < 10; ++i) {
            auto *task = scriptTask<MervoTask>(QString("job %1").arg(i), "sleep 0.5");
            manager.addJob(mervoJob({task}, QString("id-%1").arg(i)));
            if (task->state == Task::FailedToStart)
                failed << task;
        }
        QVERIFY2(!failed.isEmpty() && failed.size() < 10, qPrintable(log.toPlainText()));
        for (const MervoTask *task : std::as_const(failed)) {
            // Out of files for its pipes, or for the fork's own (a "Resource error (fork failure)").
            QVERIFY2(task->failure().startsWith("/bin/sh could not be started: ")
                         && task->failure().endsWith("Too many open files"), qPrintable(task->failure()));
            QVERIFY(log.toPlainText().contains(QString("Failed to start job %1 [%2]: %3.")
                                                   .arg(task->name(), task->jobId(), task->failure())));
        }
        QTRY_VERIFY_WITH_TIMEOUT(manager.isIdle(), 10000);
        raiseOpenFileLimit();
        QCOMPARE(openFileLimit().rlim_cur, saved.rlim_max);
    }
};

VEXO_TEST_CLASS(TestProcessTree)
#include "tst_processtree.moc"
