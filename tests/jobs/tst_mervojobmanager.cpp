#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervoprocess.h"
#include "jobs/mervotask.h"
#include "jobtestsupport.h"
#include "testregistry.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

using namespace JobTest;

// The extended manager with real child processes: jobs of tasks that wait for others.
class TestMervoJobManager : public QObject
{
    Q_OBJECT

private:
    QTextEdit m_log;
    QTextEdit m_stdIn;

    std::unique_ptr<MervoJobManager> makeManager()
    {
        m_log.clear();
        m_stdIn.clear();
        return std::make_unique<MervoJobManager>(&m_stdIn, nullptr, nullptr, &m_log, 2, 0, 0, 0);
    }

    // A job of the given tasks in which each task waits for the one before it.
    static MervoJob *chain(const QList<MervoTask *> &tasks, const QString &id)
    {
        QList<MervoTask *> list;
        for (int i = 0; i < tasks.size(); ++i) {
            if (i > 0)
                tasks[i]->setPrecedingTasks({tasks[i - 1]});
            if (i + 1 < tasks.size())
                tasks[i]->setFollowingTasks({tasks[i + 1]});
            if (!MervoTask::insertChecked(tasks[i], &list))
                return nullptr;
        }
        auto *job = new MervoJob;
        job->init(list, id, "title " + id, "out", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        return job;
    }

private slots:
    // The second pass reads what the first wrote: it can only end well if it ran after.
    void twoTaskJobRunsInOrder()
    {
        QTemporaryDir dir;
        const QString stats = dir.filePath("pass.stats");
        auto manager = makeManager();
        MervoTask *first = scriptTask<MervoTask>("pass 1", "sleep 0.6; printf ok > \"$1\"", {stats});
        MervoTask *second = scriptTask<MervoTask>("pass 2", "test -f \"$1\" && sleep 0.6", {stats});
        StateRecorder recorder;
        recorder.watch(first);
        recorder.watch(second);
        MervoJob *job = chain({first, second}, "id-1");
        QSignalSpy started(manager.get(), &MervoJobManager::jobStarted);
        QSignalSpy plainFinished(job, &Job::finished);
        QSignalSpy finished(job, &MervoJob::finished);
        manager->addJob(job);
        QCOMPARE(started.count(), 1);
        QCOMPARE(int(second->state), int(Task::Waiting));

        QTRY_COMPARE_WITH_TIMEOUT(int(first->state), int(Task::Terminated), 10000);
        QCOMPARE(finished.count(), 0);
        QCOMPARE(plainFinished.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(plainFinished.count(), 1);
        QCOMPARE(started.count(), 2);
        QCOMPARE(recorder.changes,
                 (QStringList{"pass 1:1", "pass 2:1", "pass 1:2", "pass 1:3", "pass 1:4",
                              "pass 2:2", "pass 2:3", "pass 2:4"}));
        QCOMPARE(manager->mervoProcesses().size(), 2);
        QCOMPARE(m_log.toPlainText(),
                 QString("Started job pass 1 [id-1].\nStarted job pass 2 [id-1]."));

        // Both passes slept 0.6 s: the job measured at least one second, each task less.
        QCOMPARE(finished.at(0).at(1).toString(), QString("00:00:01"));
        QCOMPARE(job->processingTime, QString("00:00:01"));
        QCOMPARE(first->duration(), QString("00:00:00"));
        QCOMPARE(second->duration(), QString("00:00:00"));
        QVERIFY(manager->isIdle());
        QTest::qWait(100);
        QCOMPARE(finished.count(), 1);
    }

    // A follower of a task that ended badly is cancelled, so the job still ends.
    void badExitCancelsTheFollower()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("pass1.avi");
        EncodingTaskData data{1, 0.0, 0, 0.0, 0, output, QString(), false, QVariant()};
        auto manager = makeManager();
        MervoTask *first = scriptTask<MervoTask>("pass 1", "printf x > \"$1\"; exit 2", {output}, &data);
        MervoTask *second = scriptTask<MervoTask>("pass 2", "exit 0");
        MervoJob *job = chain({first, second}, "id-1");
        QSignalSpy finished(job, &MervoJob::finished);
        QSignalSpy ended(manager.get(), &MervoJobManager::processFinished);
        manager->addJob(job);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(int(first->state), int(Task::Aborted));
        QCOMPARE(int(second->state), int(Task::Cancelled));
        QVERIFY(!QFile::exists(output));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(1).toInt(), 2);
        QCOMPARE(ended.at(0).at(0).value<MervoProcess *>()->mervoTask, first);
    }

    void abortCancelsTheWaitingFollowers()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("pass1.avi");
        EncodingTaskData data{1, 0.0, 0, 0.0, 0, output, QString(), false, QVariant()};
        auto manager = makeManager();
        MervoTask *first = scriptTask<MervoTask>("pass 1", "printf x > \"$1\"; exec sleep 30", {output}, &data);
        MervoTask *second = scriptTask<MervoTask>("pass 2", "exit 0");
        MervoTask *third = scriptTask<MervoTask>("mux", "exit 0");
        MervoJob *job = chain({first, second, third}, "id-1");
        QSignalSpy plainFinished(job, &Job::finished);
        QSignalSpy finished(job, &MervoJob::finished);
        manager->addJob(job);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(output), 10000);
        QTest::qWait(20);
        first->abort();
        QCOMPARE(int(second->state), int(Task::Cancelled));
        QCOMPARE(int(third->state), int(Task::Cancelled));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(plainFinished.count(), 1);
        QCOMPARE(int(first->state), int(Task::Aborted));
        QVERIFY(!QFile::exists(output));
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(job->processingTime).hasMatch());
    }

    // A missing program fails the task; its follower is cancelled and the job still ends.
    void missingProgramFailsTheTaskAndEndsTheJob()
    {
        auto manager = makeManager();
        auto *missing = new MervoTask;
        missing->set(nullptr, "/nonexistent/engine", {}, "", "pass 1", "Encoding");
        MervoTask *second = scriptTask<MervoTask>("pass 2", "exit 0");
        MervoJob *job = chain({missing, second}, "id-7");
        QSignalSpy started(manager.get(), &MervoJobManager::jobStarted);
        QSignalSpy finished(job, &MervoJob::finished);
        manager->addJob(job);
        QCOMPARE(int(missing->state), int(Task::FailedToStart));
        QCOMPARE(int(second->state), int(Task::Cancelled));
        QCOMPARE(started.count(), 1);
        QCOMPARE(finished.count(), 1);
        QVERIFY(manager->mervoProcesses().isEmpty());
        QCOMPARE(m_log.toPlainText(), QString("Failed to start job pass 1 [id-7]."));
        QVERIFY(manager->isIdle());
    }

    void independentTasksStartInOnePass()
    {
        auto manager = makeManager();
        MervoTask *a = scriptTask<MervoTask>("a", "sleep 0.2");
        MervoTask *b = scriptTask<MervoTask>("b", "sleep 0.2");
        QList<MervoTask *> list{a, b};
        auto *job = new MervoJob;
        job->init(list, "id", "t", "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        QSignalSpy started(manager.get(), &MervoJobManager::jobStarted);
        QSignalSpy finished(job, &MervoJob::finished);
        manager->addJob(job);
        QCOMPARE(started.count(), 2);
        QCOMPARE(int(a->state), int(Task::Running));
        QCOMPARE(int(b->state), int(Task::Running));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    }

    // A pass that runs inside another (here: a view queues a job on jobStarted) starts a
    // task that the outer pass already had in its ready list; the outer pass must not
    // start it again.
    void nestedPassStartsNoTaskTwice()
    {
        auto manager = makeManager();
        MervoTask *a = scriptTask<MervoTask>("a", "sleep 0.2");
        MervoTask *b = scriptTask<MervoTask>("b", "sleep 0.2");
        StateRecorder recorder;
        recorder.watch(a);
        recorder.watch(b);
        auto *job = new MervoJob;
        job->init({a, b}, "id", "t", "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoTask *other = scriptTask<MervoTask>("other", "exit 0");
        auto *otherJob = new MervoJob;
        otherJob->init({other}, "id2", "t", "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        bool queued = false;
        connect(manager.get(), &MervoJobManager::jobStarted, this, [&] {
            if (!std::exchange(queued, true))
                manager->addJob(otherJob);
        });
        QSignalSpy finished(job, &MervoJob::finished);
        manager->addJob(job);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(recorder.count("b:2"), 1);
        QCOMPARE(recorder.count("a:2"), 1);
        QCOMPARE(manager->mervoProcesses().size(), 3);
        QTRY_COMPARE_WITH_TIMEOUT(int(other->state), int(Task::Terminated), 10000);
    }

    void killAllAbortsAsTheEndsArrive()
    {
        auto manager = makeManager();
        QList<MervoTask *> tasks;
        for (const char *name : {"one", "two", "three"}) {
            MervoTask *task = scriptTask<MervoTask>(name, "exec sleep 30");
            tasks << task;
            auto *job = new MervoJob;
            job->init({task}, name, name, "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
            manager->addJob(job);
        }
        QCOMPARE(manager->mervoProcesses().size(), 3);
        manager->killAll();
        QVERIFY(manager->mervoProcesses().isEmpty());
        for (MervoTask *task : tasks)
            QTRY_COMPARE_WITH_TIMEOUT(int(task->state), int(Task::Aborted), 10000);
        QVERIFY(manager->isIdle());
    }

    // Menu jobs of one task run on the extended manager as plain jobs: "idle" and "kill
    // all" cover them too.
    void plainJobsCountOnTheExtendedManager()
    {
        auto manager = makeManager();
        Task *task = scriptTask<Task>("remux", "exec sleep 30");
        auto *job = new Job;
        job->init(task, "id", "t", "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        QSignalSpy plainStarted(manager.get(), &JobManager::processStarted);
        manager->addJob(job);
        QCOMPARE(plainStarted.count(), 1);
        JobManager *base = manager.get();
        QVERIFY(!base->isIdle());
        QVERIFY(!manager->isIdle());
        base->killAll();
        QCOMPARE(int(task->state), int(Task::Aborted));
        QVERIFY(manager->isIdle());
    }

    // Callers that hold the extended manager as a JobManager get a MervoJob.
    void addEngineJobThroughTheBase()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("parts/movie.part1.avi");
        auto manager = makeManager();
        JobManager *base = manager.get();
        FakeEngine ffmpeg{"FFmpeg"};
        QSignalSpy stdOut(manager.get(), &MervoJobManager::processStdOutReady);
        Job *job = base->addEngineJob(Shell, script("echo splitting; printf x > \"$1\"", {output}),
                                      output, "Splitting", "Extract volume 1/1 from movie.avi",
                                      &ffmpeg, 700000000);
        auto *mervoJob = qobject_cast<MervoJob *>(job);
        QVERIFY(mervoJob);
        QCOMPARE(manager->jobs(), QList<MervoJob *>{mervoJob});
        QVERIFY(base->jobs().isEmpty());
        QCOMPARE(mervoJob->tasks().size(), 1);
        MervoTask *task = mervoJob->tasks().first();
        QCOMPARE(task->taskData->at(2).toLongLong(), qint64(700000000));
        QCOMPARE(task->label(), QString("Splitting"));
        QCOMPARE(mervoJob->output(), QString("movie.part1.avi"));
        QTRY_VERIFY_WITH_TIMEOUT(mervoJob->isFinished(), 10000);
        QCOMPARE(int(task->state), int(Task::Terminated));
        QVERIFY(stdOut.count() >= 1);
        MervoProcess *process = stdOut.at(0).at(0).value<MervoProcess *>();
        QCOMPARE(process->objectName(), QString("MervoProcess"));
        QCOMPARE(process->mervoJob, mervoJob);
        QVERIFY(!process->job && !process->task);
        MervoJobManager::acknowledgeTask(process);
        QCOMPARE(int(task->state), int(Task::Completed));
    }

    void elapsedMinutesWhileRunning()
    {
        auto manager = makeManager();
        MervoTask *task = scriptTask<MervoTask>("t", "exec sleep 30");
        auto *job = new MervoJob;
        job->init({task}, "id", "t", "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        manager->addJob(job);
        auto *process = qobject_cast<MervoProcess *>(task->process);
        QVERIFY(process);
        QTest::qWait(30);
        QVERIFY(process->taskElapsedMinutes() > 0.0);
        // Leaving the test with a running job: the manager kills and reaps it.
    }
};

VEXO_TEST_CLASS(TestMervoJobManager)
#include "tst_mervojobmanager.moc"
