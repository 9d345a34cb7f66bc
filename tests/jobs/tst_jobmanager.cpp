#include "jobtestsupport.h"
#include "testmedia.h"

#include <signal.h>
#include <sys/stat.h>

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
    // The first program does not exist; the other two still start and run side by side.
    void jobsStartSideBySide()
    {
        auto manager = makeManager();
        QSignalSpy ended(manager.get(), &JobManager::processFinished);
        QSignalSpy output(manager.get(), &JobManager::processStdOutReady);
        QSignalSpy errors(manager.get(), &JobManager::processStdErrReady);
        auto *missing = new Task;
        missing->set(nullptr, "/nonexistent/engine", {"-v"}, "", "missing", "Encoding");
        Task *first = scriptTask<Task>("first", "sleep 0.3; echo hello");
        Task *second = scriptTask<Task>("second", "sleep 0.3; echo oops >&2");
        for (Task *task : {missing, first, second})
            manager->addJob(plainJob(task, "id-" + task->name()));
        QCOMPARE(int(missing->state), int(Task::FailedToStart));
        QCOMPARE(m_log.toPlainText(), QString("Failed to start missing [id-missing].\n"
                                              "Started job: first [id-first].\n"
                                              "Started job: second [id-second]."));
        QVERIFY(!manager->isIdle());
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 10000);
        // Each stream is signalled, for the views to read, with the process that wrote it.
        QCOMPARE(output.count(), 1);
        QCOMPARE(output.at(0).at(0).value<Process *>()->readAllStandardOutput(), "hello\n");
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).value<Process *>()->readAllStandardError(), "oops\n");
    }

    // How a process ends decides the task's end state; a bad end removes the output.
    void processEnd()
    {
        const struct { QStringList arguments; int state, exitCode; } rows[] = { // -1: crashed
            {{"touch", "OUT", "0"}, Task::Terminated, 0}, {{"touch", "OUT", "1"}, Task::Aborted, 1},
            {{"crash"}, Task::Aborted, -1}};
        for (const auto &row : rows) {
            QTemporaryDir dir;
            EncodingTaskData data = outputData(dir.filePath("out.avi"));
            auto manager = makeManager();
            QSignalSpy ended(manager.get(), &JobManager::processFinished);
            auto *task = new Task;
            task->set(&data, TestMedia::fakeEngine(),
                      QStringList(row.arguments).replaceInStrings("OUT", data[5].toString()),
                      QString(), "enc", "Encoding");
            manager->addJob(plainJob(task, "id-1"));
            QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
            QCOMPARE(int(task->state), row.state);
            QCOMPARE(QFile::exists(data[5].toString()), row.state == Task::Terminated);
            QCOMPARE(ended.at(0).at(2).value<QProcess::ExitStatus>() == QProcess::CrashExit,
                     row.exitCode < 0);
            if (row.exitCode >= 0)
                QCOMPARE(ended.at(0).at(1).toInt(), row.exitCode);
        }
    }

    // Only a regular file is ever removed: a first pass may write to /dev/null, and the
    // tests (like the program) may run as root.
    void removeOutputFile()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        QVERIFY(QFile::link("/dev/null", dir.filePath("devnull")));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
        for (const QString name : {"file", "missing", "folder", "devnull", "fifo"}) {
            EncodingTaskData data = outputData(dir.filePath(name));
            Task task;
            task.set(&data, "p", {}, "", "n", "l");
            QCOMPARE(task.removeOutputFile(), name == "file");
            const QFileInfo entry(dir.filePath(name));
            QCOMPARE(entry.exists() || entry.isSymLink(), name != "file" && name != "missing");
        }
        QVERIFY(QFileInfo("/dev/null").exists());
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

    // The output folder is made, or the job refused; sizes past 2 GiB keep their value; only
    // FFmpeg jobs carry one.
    void addEngineJob()
    {
        QTemporaryDir dir;
        for (const QString engine : {"FFmpeg", "MEncoder"}) {
            const bool ffmpeg = engine == "FFmpeg";
            const QString output = dir.filePath(engine + "/deeper/movie.part1.avi");
            auto manager = makeManager();
            QSignalSpy ended(manager.get(), &JobManager::processFinished);
            Job *job = manager->addEngineJob(Shell, script("printf x > \"$1\"", {output}), output,
                                             "Splitting", "Extract", engine, 5000000000LL, 12.5);
            QVERIFY(job);
            QCOMPARE(job->output(), QString("movie.part1.avi"));
            QCOMPARE(*job->task()->taskData,
                     (EncodingTaskData{ffmpeg ? 2 : 1, 12.5, ffmpeg ? 5000000000LL : 0, 0.0, 0,
                                       output, QString(), false, QVariant()}));
            QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 10000);
            QVERIFY(QFile::exists(output));
        }
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
