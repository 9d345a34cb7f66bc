#include "jobtestsupport.h"

#include <QTime>

using namespace JobTest;

// The extended manager with real child processes: jobs of tasks that wait for others.
class TestMervoJobManager : public QObject
{
    Q_OBJECT

private:
    QTextEdit m_log;

    std::unique_ptr<MervoJobManager> makeManager()
    {
        m_log.clear();
        return std::make_unique<MervoJobManager>(nullptr, nullptr, nullptr, &m_log, 2, 0, 0, 0);
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
        QStringList changes; // "name:state" in order
        for (Task *task : {first, second})
            connect(task, &Task::stateChanged, this, [&changes, task] {
                changes << task->name() + ':' + QString::number(task->state);
            });
        MervoJob *job = chain({first, second}, "id-1");
        int container = 0;
        job->container = &container;
        QSignalSpy plainFinished(job, &Job::finished);
        QSignalSpy finished(job, &MervoJob::finished);
        manager->addJob(job);
        QTRY_COMPARE_WITH_TIMEOUT(int(first->state), int(Task::Terminated), 10000);
        QCOMPARE(finished.count() + plainFinished.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(plainFinished.count(), 1);
        QCOMPARE(changes,
                 (QStringList{"pass 1:1", "pass 2:1", "pass 1:2", "pass 1:3", "pass 1:4",
                              "pass 2:2", "pass 2:3", "pass 2:4"}));
        QCOMPARE(m_log.toPlainText(),
                 QString("Started job pass 1 [id-1].\nStarted job pass 2 [id-1]."));
        // The job measured both 0.6 s passes; a task's clock starts only when it runs.
        // (A loaded machine may take longer, never less: two passes of 0.6 s are >= 1 s.)
        QCOMPARE(finished.at(0).at(0), QVariant::fromValue<void *>(&container));
        const QTime processing = QTime::fromString(finished.at(0).at(1).toString(), "hh:mm:ss");
        QVERIFY2(processing.isValid(), qPrintable(finished.at(0).at(1).toString()));
        QVERIFY(processing >= QTime(0, 0, 1) && processing < QTime(0, 0, 30));
        QVERIFY(QTime::fromString(second->duration(), "hh:mm:ss") <= processing);
        QVERIFY(manager->isIdle());
        QTest::qWait(100);
        QCOMPARE(finished.count(), 1);
    }

    // The followers of a task that ends badly, and theirs, are cancelled so that the job
    // still ends; without an abort they are found through their preceding tasks too.
    void badEndCancelsTheFollowers_data()
    {
        QTest::addColumn<QString>("end");
        for (const char *end : {"exit 2", "abort", "missing program"})
            QTest::newRow(end) << QString(end);
    }
    void badEndCancelsTheFollowers()
    {
        QFETCH(QString, end);
        QTemporaryDir dir;
        EncodingTaskData data = outputData(dir.filePath("pass1.avi"));
        auto manager = makeManager();
        const QString text = end == "abort" ? "exec sleep 30" : "exit 2";
        auto *first = scriptTask<MervoTask>("pass 1", "printf x > \"$1\"; " + text,
                                            {data[5].toString()}, &data);
        if (end == "missing program")
            first->set(&data, "/nonexistent/engine", {}, "", "pass 1", "Encoding");
        auto *second = scriptTask<MervoTask>("pass 2", "exit 0");
        auto *third = scriptTask<MervoTask>("mux", "exit 0");
        MervoJob *job = chain({first, second, third}, "id-7", end == "abort");
        QSignalSpy plainFinished(job, &Job::finished);
        QSignalSpy finished(job, &MervoJob::finished);
        QSignalSpy ended(manager.get(), &MervoJobManager::processFinished);
        manager->addJob(job);
        if (end == "abort") {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data[5].toString()), 10000);
            first->abort();
            QCOMPARE(int(third->state), int(Task::Cancelled));
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(plainFinished.count(), 1);
        QCOMPARE(int(first->state),
                 int(end == "missing program" ? Task::FailedToStart : Task::Aborted));
        QCOMPARE(int(second->state), int(Task::Cancelled));
        QCOMPARE(int(third->state), int(Task::Cancelled));
        QVERIFY(!QFile::exists(data[5].toString()));
        QVERIFY(manager->isIdle());
        if (end == "missing program") {
            QCOMPARE(ended.count(), 0);
            QCOMPARE(m_log.toPlainText(), QString("Failed to start job pass 1 [id-7]."));
        } else {
            QCOMPARE(ended.count(), 1);
            QCOMPARE(ended.at(0).at(0).value<MervoProcess *>()->mervoTask, first);
        }
        if (end == "exit 2")
            QCOMPARE(ended.at(0).at(1).toInt(), 2);
    }

    // Independent tasks start in one pass. A pass that runs inside it (here: a view queues
    // a job on jobStarted) must not start a task of the outer pass's ready list again.
    void nestedPassStartsNoTaskTwice()
    {
        auto manager = makeManager();
        MervoTask *a = scriptTask<MervoTask>("a", "sleep 0.2");
        MervoTask *b = scriptTask<MervoTask>("b", "sleep 0.2");
        MervoJob *job = mervoJob({a, b});
        MervoTask *other = scriptTask<MervoTask>("other", "exit 0");
        MervoJob *otherJob = mervoJob({other}, "id2");
        bool queued = false;
        connect(manager.get(), &MervoJobManager::jobStarted, this, [&] {
            if (!std::exchange(queued, true))
                manager->addJob(otherJob);
        });
        QSignalSpy finished(job, &MervoJob::finished);
        manager->addJob(job);
        QCOMPARE(int(a->state), int(Task::Running));
        QCOMPARE(int(b->state), int(Task::Running));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(manager->mervoProcesses().size(), 3); // a, b and other, each started once
        QTRY_COMPARE_WITH_TIMEOUT(int(other->state), int(Task::Terminated), 10000);
    }

    // Plain menu jobs run on the extended manager too: "idle" and "kill all", asked through
    // the base, cover both kinds. Extended tasks end Aborted as their ends arrive.
    void killAllThroughTheBase()
    {
        QTemporaryDir dir;
        EncodingTaskData data = outputData(dir.filePath("partial.avi"));
        auto manager = makeManager();
        Task *plain = scriptTask<Task>("remux", "printf x > \"$1\"; exec sleep 30",
                                       {data[5].toString()}, &data);
        manager->addJob(plainJob(plain, "plain"));
        QList<MervoTask *> tasks;
        for (const char *name : {"one", "two"}) {
            tasks << scriptTask<MervoTask>(name, "exec sleep 30");
            manager->addJob(mervoJob({tasks.last()}, name));
        }
        QCOMPARE(manager->mervoProcesses().size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data[5].toString()), 10000);
        JobManager *base = manager.get();
        QVERIFY(!base->isIdle());
        base->killAll();
        QVERIFY(manager->mervoProcesses().isEmpty() && manager->processes().isEmpty());
        QCOMPARE(int(plain->state), int(Task::Aborted));
        QVERIFY(!QFile::exists(data[5].toString()));
        for (MervoTask *task : tasks)
            QTRY_COMPARE_WITH_TIMEOUT(int(task->state), int(Task::Aborted), 10000);
        QVERIFY(base->isIdle());
    }

    // Callers that hold the extended manager as a JobManager get a MervoJob.
    void addEngineJobThroughTheBase()
    {
        QTemporaryDir dir;
        auto manager = makeManager();
        JobManager *base = manager.get();
        QSignalSpy stdOut(manager.get(), &MervoJobManager::processStdOutReady);
        auto *job = qobject_cast<MervoJob *>(base->addEngineJob(
            Shell, script("echo splitting"), dir.filePath("parts/movie.avi"), "Splitting",
            "Extract volume 1/1", QStringLiteral("FFmpeg"), 700000000));
        QVERIFY(job && base->jobs().isEmpty());
        QCOMPARE(manager->jobs(), QList<MervoJob *>{job});
        QTRY_VERIFY_WITH_TIMEOUT(job->isFinished(), 10000);
        MervoTask *task = job->tasks().value(0);
        QCOMPARE(int(task->state), int(Task::Terminated));
        QCOMPARE(stdOut.count(), 1);
        auto *process = stdOut.at(0).at(0).value<MervoProcess *>();
        QCOMPARE(process->mervoJob, job);
        MervoJobManager::acknowledgeTask(process);
        QCOMPARE(int(task->state), int(Task::Completed));
    }
};

VEXO_TEST_CLASS(TestMervoJobManager)
#include "tst_mervojobmanager.moc"
