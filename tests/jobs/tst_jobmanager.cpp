#include "jobs/job.h"
#include "jobs/jobmanager.h"
#include "jobs/process.h"
#include "jobs/task.h"
#include "jobtestsupport.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>
#include <signal.h>

using namespace JobTest;

// The plain manager with real child processes (small shell scripts).
class TestJobManager : public QObject
{
    Q_OBJECT

private:
    QTextEdit m_log;
    QTextEdit m_stdIn;

    std::unique_ptr<JobManager> makeManager(int logLevel = 2)
    {
        m_log.clear();
        m_stdIn.clear();
        return std::make_unique<JobManager>(&m_stdIn, nullptr, nullptr, &m_log, logLevel, 0, 0, 0);
    }

    static Job *makeJob(Task *task, const QString &id)
    {
        auto *job = new Job;
        job->init(task, id, "title " + id, "out", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        return job;
    }

private slots:
    void timeoutsTakeDefaults()
    {
        JobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        QCOMPARE(manager.startTimeout(), 3000);
        QCOMPARE(manager.killTimeout(), 5000);
        manager.setTimeouts(10, 0, 30);
        QCOMPARE((QList<int>{manager.startTimeout(), manager.finishTimeout(), manager.killTimeout()}),
                 (QList<int>{10, 3000, 30}));
    }

    void timestampFormat()
    {
        QVERIFY(QRegularExpression("^\\d{8}-\\d{6}-\\d{3}$").match(JobManager::createTimestamp()).hasMatch());
    }

    void twoJobsRunSideBySide()
    {
        auto manager = makeManager();
        QSignalSpy started(manager.get(), &JobManager::processStarted);
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        Task *first = scriptTask<Task>("first", "sleep 0.3");
        Task *second = scriptTask<Task>("second", "sleep 0.3");
        manager->addJob(makeJob(first, "id-1"));
        manager->addJob(makeJob(second, "id-2"));
        QCOMPARE(started.count(), 2);
        QCOMPARE(int(first->state), int(Task::Running));
        QCOMPARE(int(second->state), int(Task::Running));
        QVERIFY(first->processId() > 0 && first->processId() != second->processId());
        QCOMPARE(first->parent(), first->process);
        QCOMPARE(m_log.toPlainText(),
                 QString("Started job: first [id-1].\nStarted job: second [id-2]."));
        QCOMPARE(m_stdIn.toPlainText().split('\n').first(), QString("/bin/sh -c sleep 0.3 sh"));
        QVERIFY(!manager->isIdle());
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 10000);
        QCOMPARE(int(first->state), int(Task::Terminated));
        QCOMPARE(int(second->state), int(Task::Terminated));
        QVERIFY(manager->isIdle());
    }

    // One pass over two queued jobs: the first program does not exist, the second runs.
    void missingProgramFailsToStart()
    {
        auto manager = makeManager();
        QSignalSpy started(manager.get(), &JobManager::processStarted);
        auto *missing = new Task;
        missing->set(nullptr, "/nonexistent/engine", {"-v"}, "", "missing", "Encoding");
        Task *next = scriptTask<Task>("next", "exit 0");
        missing->setState(Task::Unset);
        next->setState(Task::Unset);
        manager->addJob(makeJob(missing, "id-1"));
        manager->addJob(makeJob(next, "id-2"));
        QCOMPARE(started.count(), 0);

        missing->setState(Task::Waiting);
        next->setState(Task::Waiting);
        manager->processJobs();
        QCOMPARE(int(missing->state), int(Task::FailedToStart));
        QCOMPARE(missing->process, nullptr);
        QCOMPARE(started.count(), 1);
        QCOMPARE(started.at(0).at(0).value<Task *>(), next);
        QCOMPARE(manager->processes().size(), 1);
        QCOMPARE(m_log.toPlainText(),
                 QString("Failed to start missing [id-1].\nStarted job: next [id-2]."));
        QTRY_COMPARE_WITH_TIMEOUT(int(next->state), int(Task::Terminated), 10000);
    }

    // How a process ends decides the task's end state; a bad end removes the output.
    void processEnd_data()
    {
        QTest::addColumn<QStringList>("arguments"); // of the fake engine; OUT is the output
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("outputKept");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QProcess::ExitStatus>("exitStatus");
        QTest::newRow("exit 0") << QStringList{"touch", "OUT", "0"} << int(Task::Terminated)
                                << true << 0 << QProcess::NormalExit;
        QTest::newRow("exit 1") << QStringList{"touch", "OUT", "1"} << int(Task::Aborted)
                                << false << 1 << QProcess::NormalExit;
        QTest::newRow("exit 3 without output") << QStringList{"exit", "3"} << int(Task::Aborted)
                                               << false << 3 << QProcess::NormalExit;
        QTest::newRow("crash") << QStringList{"crash"} << int(Task::Aborted) << false << 0
                               << QProcess::CrashExit;
    }
    void processEnd()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, state);
        QFETCH(bool, outputKept);
        QFETCH(int, exitCode);
        QFETCH(QProcess::ExitStatus, exitStatus);
        QTemporaryDir dir;
        const QString output = dir.filePath("out.avi");
        arguments.replaceInStrings(QRegularExpression("^OUT$"), output);
        EncodingTaskData data{2, 0.0, 0, 0.0, 0, output, QString(), false, QVariant()};
        auto manager = makeManager();
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        auto *task = new Task;
        task->set(&data, TestMedia::fakeEngine(), arguments, QString(), "enc", "Encoding");
        Job *job = makeJob(task, "id-1");
        QSignalSpy jobFinished(job, &Job::finished);
        manager->addJob(job);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QCOMPARE(int(task->state), state);
        QCOMPARE(QFile::exists(output), outputKept);
        QCOMPARE(jobFinished.count(), 1);
        QCOMPARE(ended.at(0).at(0).value<Process *>(), task->process);
        QCOMPARE(ended.at(0).at(2).value<QProcess::ExitStatus>(), exitStatus);
        if (exitStatus == QProcess::NormalExit)
            QCOMPARE(ended.at(0).at(1).toInt(), exitCode);
        // Only a terminated task is acknowledged.
        JobManager::acknowledgeTask(task->process);
        QCOMPARE(int(task->state), state == Task::Terminated ? int(Task::Completed) : state);
    }

    void outputIsSignalledForTheViewsToRead()
    {
        auto manager = makeManager();
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        QSignalSpy output(manager.get(), &JobManager::processStdOutReady);
        QSignalSpy errors(manager.get(), &JobManager::processStdErrReady);
        manager->addJob(makeJob(scriptTask<Task>("enc", "echo hello; echo oops >&2"), "id-1"));
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QVERIFY(output.count() >= 1 && errors.count() >= 1);
        Process *process = output.at(0).at(0).value<Process *>();
        QCOMPARE(process->readAllStandardOutput(), QByteArray("hello\n"));
        QCOMPARE(process->readAllStandardError(), QByteArray("oops\n"));
    }

    void killAllAbortsEveryProcess()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("partial.avi");
        EncodingTaskData data{2, 0.0, 0, 0.0, 0, output, QString(), false, QVariant()};
        auto manager = makeManager();
        Task *first = scriptTask<Task>("first", "printf x > \"$1\"; exec sleep 30", {output}, &data);
        Task *second = scriptTask<Task>("second", "exec sleep 30");
        manager->addJob(makeJob(first, "id-1"));
        manager->addJob(makeJob(second, "id-2"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(output), 10000);
        manager->killAll();
        QVERIFY(manager->processes().isEmpty());
        QCOMPARE(int(first->state), int(Task::Aborted));
        QCOMPARE(int(second->state), int(Task::Aborted));
        QVERIFY(!QFile::exists(output));
        QVERIFY(manager->isIdle());
    }

    void addEngineJob_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<int>("type");
        QTest::addColumn<qint64>("slot2");
        QTest::newRow("FFmpeg size") << "FFmpeg" << qint64(1500) << 2 << qint64(1500);
        QTest::newRow("MEncoder keeps no size") << "MEncoder" << qint64(1500) << 1 << qint64(0);
        QTest::newRow("FFmpeg size past 2 GiB") << "FFmpeg" << qint64(5000000000LL) << 2
                                                << qint64(5000000000LL);
    }
    void addEngineJob()
    {
        QFETCH(QString, engine);
        QFETCH(qint64, value);
        QFETCH(int, type);
        QFETCH(qint64, slot2);
        QTemporaryDir dir;
        const QString output = dir.filePath("new/deeper/movie.part1.avi");
        auto manager = makeManager();
        m_stdIn.setPlainText("old command");
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        FakeEngine processor{engine};
        Job *job = manager->addEngineJob(Shell, script("printf x > \"$1\"", {output}), output,
                                         "Splitting", "Extract volume 1/2 from movie.avi",
                                         &processor, value, 12.5);
        QVERIFY(job);
        QVERIFY(QDir(dir.filePath("new/deeper")).exists());
        QCOMPARE(manager->jobs(), QList<Job *>{job});
        QCOMPARE(job->title(), QString("Extract volume 1/2 from movie.avi"));
        QCOMPARE(job->output(), QString("movie.part1.avi"));
        Task *task = job->task();
        QCOMPARE(task->label(), QString("Splitting"));
        QCOMPARE(task->name(), job->title());
        QVERIFY(task->workingDirectory().isEmpty()); // the output does not exist yet
        const EncodingTaskData &data = *task->taskData;
        QCOMPARE(data.size(), 9);
        QCOMPARE(data[0].toInt(), type);
        QCOMPARE(data[1].toDouble(), 12.5);
        QCOMPARE(data[2].toLongLong(), slot2);
        QCOMPARE(data[5].toString(), output);
        QCOMPARE(data[7].toBool(), false);
        QVERIFY(!data[8].isValid());
        QVERIFY(!m_stdIn.toPlainText().contains("old command"));
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QCOMPARE(int(task->state), int(Task::Terminated));
        QVERIFY(QFile::exists(output));

        // Once the output exists, the engine runs in its folder.
        Job *again = manager->addEngineJob(Shell, script("exit 0"), output, "Splitting", "again",
                                           &processor, value);
        QCOMPARE(again->task()->workingDirectory(), QDir(dir.filePath("new/deeper")).canonicalPath());
        QCOMPARE(again->task()->taskData->at(1).toDouble(), 0.0);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 10000);
    }

    void addEngineJobWithoutOutputFolder()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        auto manager = makeManager();
        FakeEngine processor{"FFmpeg"};
        QVERIFY(!manager->addEngineJob(Shell, script("exit 0"), dir.filePath("file/sub/out.avi"),
                                       "Merging", "Merge a + b", &processor, 0, 1.0));
        QVERIFY(manager->jobs().isEmpty());
        QCOMPARE(m_log.toPlainText(), QString("Failed to start job Merge a + b."));
    }

    void logFiltersByLevel()
    {
        auto manager = makeManager(2);
        manager->log("shown", 2);
        manager->log("dropped", 3);
        QCOMPARE(m_log.toPlainText(), QString("shown"));

        JobManager viewless(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        QTest::ignoreMessage(QtDebugMsg, "JobManager Log: any level");
        viewless.log("any level", 3);
        QTest::ignoreMessage(QtDebugMsg, "JobManager stdIn: a command");
        viewless.logStdIn("a command", 3);
    }

    // A manager that goes while a job runs leaves no child behind and no spoiled output.
    void destructionKillsRunningProcesses()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("partial.avi");
        EncodingTaskData data{2, 0.0, 0, 0.0, 0, output, QString(), false, QVariant()};
        auto manager = makeManager();
        Task *task = scriptTask<Task>("enc", "printf x > \"$1\"; exec sleep 30", {output}, &data);
        manager->addJob(makeJob(task, "id-1"));
        const qint64 pid = task->processId();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(output), 10000);
        manager.reset();
        QCOMPARE(::kill(pid_t(pid), 0), -1); // gone and reaped
        QVERIFY(!QFile::exists(output));
    }
};

VEXO_TEST_CLASS(TestJobManager)
#include "tst_jobmanager.moc"
