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

// Sets the soft limit of open files for the test's time and puts the old one back after.
class OpenFileLimit
{
public:
    explicit OpenFileLimit(rlim_t soft)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        struct rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~OpenFileLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    static struct rlimit now()
    {
        struct rlimit limit;
        ::getrlimit(RLIMIT_NOFILE, &limit);
        return limit;
    }

private:
    struct rlimit m_saved;
};

int openFiles()
{
    return QDir("/proc/self/fd").entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size();
}
} // namespace

class TestProcessTree : public QObject
{
    Q_OBJECT

private slots:
    // The program is killed while FFmpeg writes a job's output: FFmpeg goes with it at once.
    void engineDiesWithTheProgram()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("endless.avi");
        QProcess program;
        const auto cleanUp = qScopeGuard([&program] {
            program.kill();
            program.waitForFinished(10000);
        });
        program.start(VEXO_ENGINE_PARENT, {"ffmpeg", "-nostdin", "-v", "error", "-re", "-f", "lavfi", "-i",
                                           "testsrc=size=64x48:rate=10", "-c:v", "mpeg4", "-flush_packets", "1",
                                           "-y", output});
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(program.waitForReadyRead(10000));
        const qint64 engine = program.readLine().trimmed().toLongLong();
        QVERIFY(engine > 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(output).size() > 0, 10000); // it runs and writes
        QVERIFY(!hasExited(engine));
        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(hasExited(engine), 1000);
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
        // The engine starts a child of its own and waits for it.
        const QString engine = "sleep 30 & echo $! > \"$1\"; wait";
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        Task *task = nullptr;
        if (plain) {
            task = scriptTask<Task>("engine", engine, {pidFile});
            manager.JobManager::addJob(plainJob(task, "id-1"));
        } else {
            auto *mervo = scriptTask<MervoTask>("engine", engine, {pidFile});
            manager.addJob(mervoJob({mervo}));
            task = mervo;
        }
        QTRY_VERIFY_WITH_TIMEOUT(readPid(pidFile) > 0, 10000);
        const qint64 child = readPid(pidFile);
        if (how == "abort")
            static_cast<MervoTask *>(task)->abort();
        else if (how == "kill")
            task->kill();
        else
            manager.killAll();
        QTRY_COMPARE_WITH_TIMEOUT(int(task->state), int(Task::Aborted), 10000);
        QCOMPARE(task->failure(), QString("aborted"));
        QTRY_VERIFY_WITH_TIMEOUT(hasExited(child), 1000);
    }

    // With few open files left, jobs that cannot start say why in the log and keep the
    // reason; the others run. Raising the soft limit to the hard one lets them all start.
    void jobsThatCannotStartSayWhy()
    {
        const rlim_t hard = OpenFileLimit::now().rlim_max;
        QTextEdit log;
        int failed = 0;
        {
            OpenFileLimit limit(rlim_t(openFiles() + 12)); // room for two or three engines
            MervoJobManager manager(nullptr, nullptr, nullptr, &log, 2, 0, 0, 0);
            QList<MervoTask *> tasks;
            for (int i = 0; i < 10; ++i) {
                tasks << scriptTask<MervoTask>(QString("job %1").arg(i), "sleep 0.5");
                manager.addJob(mervoJob({tasks.last()}, QString("id-%1").arg(i)));
            }
            for (MervoTask *task : std::as_const(tasks)) {
                if (task->state != Task::FailedToStart)
                    continue;
                ++failed;
                QVERIFY2(task->failure().startsWith("/bin/sh could not be started: "), qPrintable(task->failure()));
                QVERIFY2(task->failure().contains("Too many open files"), qPrintable(task->failure()));
                QVERIFY(log.toPlainText().contains(QString("Failed to start job %1 [%2]: %3.")
                                                       .arg(task->name(), task->jobId(), task->failure())));
            }
            QVERIFY2(failed > 0 && failed < 10, qPrintable(log.toPlainText()));
            QTRY_VERIFY_WITH_TIMEOUT(manager.isIdle(), 10000);

            raiseOpenFileLimit();
            QCOMPARE(OpenFileLimit::now().rlim_cur, hard);
        }
        QCOMPARE(OpenFileLimit::now().rlim_max, hard);
    }
};

VEXO_TEST_CLASS(TestProcessTree)
#include "tst_processtree.moc"
