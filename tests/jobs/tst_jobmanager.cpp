#include "jobtestsupport.h"
#include "testmedia.h"

#include <signal.h>

using namespace JobTest;

// The plain manager with real child processes (small shell scripts and the fake engine).
class TestJobManager : public QObject
{
    Q_OBJECT

private:
    QTextEdit m_log;

    std::unique_ptr<JobManager> makeManager()
    {
        m_log.clear();
        return std::make_unique<JobManager>(nullptr, nullptr, nullptr, &m_log, 2, 0, 0, 0);
    }

private slots:
    // One pass over three queued jobs: the first program does not exist; the other two
    // still start and run side by side.
    void jobsStartInOnePass()
    {
        auto manager = makeManager();
        QSignalSpy started(manager.get(), &JobManager::processStarted);
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        QSignalSpy output(manager.get(), &JobManager::processStdOutReady);
        QSignalSpy errors(manager.get(), &JobManager::processStdErrReady);
        auto *missing = new Task;
        missing->set(nullptr, "/nonexistent/engine", {"-v"}, "", "missing", "Encoding");
        Task *first = scriptTask<Task>("first", "sleep 0.3; echo hello");
        Task *second = scriptTask<Task>("second", "sleep 0.3; echo oops >&2");
        for (Task *task : {missing, first, second}) {
            task->setState(Task::Unset); // held back until all are queued
            manager->addJob(plainJob(task, "id-" + task->name()));
        }
        QCOMPARE(started.count(), 0);
        for (Task *task : {missing, first, second})
            task->setState(Task::Waiting);
        manager->processJobs();
        QCOMPARE(int(missing->state), int(Task::FailedToStart));
        QCOMPARE(missing->process, nullptr);
        QCOMPARE(started.count(), 2);
        QCOMPARE(int(second->state), int(Task::Running));
        QVERIFY(first->processId() > 0 && first->processId() != second->processId());
        QCOMPARE(m_log.toPlainText(), QString("Failed to start missing [id-missing].\n"
                                              "Started job: first [id-first].\n"
                                              "Started job: second [id-second]."));
        QVERIFY(!manager->isIdle());
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 10000);
        QCOMPARE(int(first->state), int(Task::Terminated));
        QVERIFY(manager->isIdle());
        // Each stream is signalled, for the views to read, with the process that wrote it.
        QCOMPARE(output.count(), 1);
        QCOMPARE(output.at(0).at(0).value<Process *>()->readAllStandardOutput(), "hello\n");
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).value<Process *>()->readAllStandardError(), "oops\n");
    }

    // How a process ends decides the task's end state; a bad end removes the output.
    void processEnd_data()
    {
        QTest::addColumn<QStringList>("arguments"); // of the fake engine; OUT is the output
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("exitCode"); // -1: crashed
        QTest::newRow("exit 0") << QStringList{"touch", "OUT", "0"} << int(Task::Terminated) << 0;
        QTest::newRow("exit 1") << QStringList{"touch", "OUT", "1"} << int(Task::Aborted) << 1;
        QTest::newRow("crash") << QStringList{"crash"} << int(Task::Aborted) << -1;
    }
    void processEnd()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, state);
        QFETCH(int, exitCode);
        QTemporaryDir dir;
        EncodingTaskData data = outputData(dir.filePath("out.avi"));
        arguments.replaceInStrings("OUT", data[5].toString());
        auto manager = makeManager();
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        auto *task = new Task;
        task->set(&data, TestMedia::fakeEngine(), arguments, QString(), "enc", "Encoding");
        Job *job = plainJob(task, "id-1");
        QSignalSpy jobFinished(job, &Job::finished);
        manager->addJob(job);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QCOMPARE(int(task->state), state);
        QCOMPARE(QFile::exists(data[5].toString()), state == Task::Terminated);
        QCOMPARE(jobFinished.count(), 1);
        QCOMPARE(ended.at(0).at(2).value<QProcess::ExitStatus>() == QProcess::CrashExit,
                 exitCode < 0);
        if (exitCode >= 0)
            QCOMPARE(ended.at(0).at(1).toInt(), exitCode);
        JobManager::acknowledgeTask(task->process); // only a terminated task is acknowledged
        QCOMPARE(int(task->state), state == Task::Terminated ? int(Task::Completed) : state);
    }

    // A manager that goes while a job runs leaves no child behind and no spoiled output.
    void destructionKillsRunningProcesses()
    {
        QTemporaryDir dir;
        EncodingTaskData data = outputData(dir.filePath("partial.avi"));
        auto manager = makeManager();
        Task *task = scriptTask<Task>("enc", "printf x > \"$1\"; exec sleep 30",
                                      {data[5].toString()}, &data);
        manager->addJob(plainJob(task, "id-1"));
        const qint64 pid = task->processId();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data[5].toString()), 10000);
        manager.reset();
        QCOMPARE(::kill(pid_t(pid), 0), -1); // gone and reaped
        QVERIFY(!QFile::exists(data[5].toString()));
    }

    // The output folder is made; sizes past 2 GiB keep their value; only FFmpeg jobs carry one.
    void addEngineJob_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<int>("type");
        QTest::addColumn<qint64>("size");
        QTest::newRow("FFmpeg") << "FFmpeg" << 2 << qint64(5000000000LL);
        QTest::newRow("MEncoder") << "MEncoder" << 1 << qint64(0);
    }
    void addEngineJob()
    {
        QFETCH(QString, engine);
        QFETCH(int, type);
        QFETCH(qint64, size);
        QTemporaryDir dir;
        const QString output = dir.filePath("new/deeper/movie.part1.avi");
        auto manager = makeManager();
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        Job *job = manager->addEngineJob(Shell, script("printf x > \"$1\"", {output}), output,
                                         "Splitting", "Extract volume 1/2", engine, 5000000000LL,
                                         12.5);
        QVERIFY(job);
        QCOMPARE(job->output(), QString("movie.part1.avi"));
        QVERIFY(job->task()->workingDirectory().isEmpty()); // the output does not exist yet
        QCOMPARE(*job->task()->taskData,
                 (EncodingTaskData{type, 12.5, size, 0.0, 0, output, QString(), false, QVariant()}));
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
        QVERIFY(QFile::exists(output));

        // Once the output exists, the engine runs in its folder.
        Job *again = manager->addEngineJob(Shell, script("exit 0"), output, "Splitting", "again",
                                           engine, 0);
        QCOMPARE(again->task()->workingDirectory(), QDir(dir.filePath("new/deeper")).canonicalPath());
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 10000);
    }

    void addEngineJobWithoutOutputFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        auto manager = makeManager();
        QVERIFY(!manager->addEngineJob(Shell, script("exit 0"), dir.filePath("file/sub/out.avi"),
                                       "Merging", "Merge a + b", QStringLiteral("FFmpeg"), 0, 1.0));
        QVERIFY(manager->jobs().isEmpty());
        QCOMPARE(m_log.toPlainText(), QString("Failed to start job Merge a + b."));
    }
};

VEXO_TEST_CLASS(TestJobManager)
#include "tst_jobmanager.moc"
