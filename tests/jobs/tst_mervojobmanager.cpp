#include "jobtestsupport.h"

#include <QElapsedTimer>
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

    // A job in which each task waits for the one before it. Builders also link each task to
    // its followers, but a job must not depend on that. A null entry among the preceding
    // tasks names no task and is passed over.
    static MervoJob *chain(const QList<MervoTask *> &tasks, const QString &id, bool links = true)
    {
        for (int i = 1; i < tasks.size(); ++i) {
            tasks[i]->setPrecedingTasks({nullptr, tasks[i - 1]});
            if (links)
                tasks[i - 1]->setFollowingTasks({tasks[i]});
        }
        return mervoJob(tasks, id);
    }

private slots:
    // A follower is ready once the task before it has ended, acknowledged or not.
    void followerReadyOnceItsPrecedingTaskEnded()
    {
        for (const int state : {Task::Terminated, Task::Completed, Task::Running}) {
            MervoTask first, second;
            std::unique_ptr<MervoJob> job(chain({&first, &second}, "id-1"));
            first.setState(state);
            QCOMPARE(job->readyTasks(), state == Task::Running ? QList<MervoTask *>{} : QList<MervoTask *>{&second});
        }
    }

    // The second pass reads what the first wrote: it can only end well if it ran after. The
    // view acknowledges each end before the next pass, so the second follows a Completed task.
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
        QSignalSpy finished(job, &MervoJob::finished);
        connect(manager.get(), &MervoJobManager::processFinished, this,
                [](MervoProcess *process) { MervoJobManager::acknowledgeTask(process); });
        manager->addJob(job);
        QTRY_COMPARE_WITH_TIMEOUT(int(second->state), int(Task::Running), 10000);
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(changes,
                 (QStringList{"pass 1:1", "pass 2:1", "pass 1:2", "pass 1:3", "pass 1:4", "pass 1:5",
                              "pass 2:2", "pass 2:3", "pass 2:4", "pass 2:5"}));
        QCOMPARE(m_log.toPlainText(),
                 QString("Started job pass 1 [id-1].\nStarted job pass 2 [id-1]."));
        // The job measured both 0.6 s passes; a task's clock starts only when it runs.
        // (A loaded machine may take longer, never less: two passes of 0.6 s are >= 1 s.)
        QCOMPARE(finished.at(0).at(0), QVariant::fromValue<void *>(&container));
        const QTime processing = QTime::fromString(finished.at(0).at(1).toString(), "hh:mm:ss");
        QVERIFY(processing >= QTime(0, 0, 1) && processing < QTime(0, 0, 30));
        QVERIFY(QTime::fromString(second->duration(), "hh:mm:ss") <= processing);
        QVERIFY(manager->isIdle());
        QTest::qWait(100);
        QCOMPARE(finished.count(), 1);
    }

    void processingTimeText()
    {
        QCOMPARE(MervoJob::processingTimeText(45000, 30), QString("00:01:15"));
        QCOMPARE(MervoJob::processingTimeText(0, 30), QString()); // ended in the first ms
        QCOMPARE(MervoJob::processingTimeText(1000, 359999), QString("100:00:00")); // no wrap
    }

    // The followers of a task that ends badly, and theirs, are cancelled so that the job
    // still ends; without an abort they are found through their preceding tasks too.
    void badEndCancelsTheFollowers()
    {
        for (const QString end : {"exit 2", "abort", "missing program", "no output"}) {
            QTemporaryDir dir;
            EncodingTaskData data = outputData(dir.filePath("pass1.avi"));
            auto manager = makeManager();
            auto *first = scriptTask<MervoTask>("pass 1", end == "no output" ? "exit 0" : "printf x > \"$1\"; " +
                    QString(end == "abort" ? "exec sleep 30" : "exit 2"), {data[5].toString()}, &data);
            if (end == "missing program")
                first->set(&data, "/nonexistent/engine", {}, "", "pass 1", "Encoding");
            auto *second = scriptTask<MervoTask>("pass 2", "exit 0");
            auto *third = scriptTask<MervoTask>("mux", "exit 0");
            MervoJob *job = chain({first, second, third}, "id-7", end == "abort");
            QSignalSpy finished(job, &MervoJob::finished);
            QSignalSpy ended(manager.get(), &MervoJobManager::processFinished);
            manager->addJob(job);
            if (end == "abort") {
                QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data[5].toString()), 10000);
                first->abort();
                QCOMPARE(int(third->state), int(Task::Cancelled));
            }
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
            QCOMPARE(int(first->state),
                     int(end == "missing program" ? Task::FailedToStart : Task::Aborted));
            QCOMPARE(int(second->state), int(Task::Cancelled));
            QCOMPARE(int(third->state), int(Task::Cancelled));
            QVERIFY(!QFile::exists(data[5].toString()));
            QCOMPARE(ended.count(), end == "missing program" ? 0 : 1);
            if (end == "missing program")
                QCOMPARE(m_log.toPlainText(), QString("Failed to start job pass 1 [id-7]: /nonexistent/engine not found."));
        }
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
        bool queued = false;
        connect(manager.get(), &MervoJobManager::jobStarted, this, [&] {
            if (!std::exchange(queued, true))
                manager->addJob(mervoJob({other}, "id2"));
        });
        QSignalSpy finished(job, &MervoJob::finished);
        manager->addJob(job);
        QVERIFY(a->state == Task::Running && b->state == Task::Running);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(manager->mervoProcesses().size(), 3); // a, b and other, each started once
        QTRY_COMPARE_WITH_TIMEOUT(int(other->state), int(Task::Terminated), 10000);
    }

    // An add made from a turn of the event loop, as a user's click comes, leaves pending
    // events (painting, the other jobs' output) to the loop instead of handling them in the
    // middle of its own work; adds that keep the loop waiting still let them through.
    void addsLeavePendingEventsToTheLoop_data()
    {
        QTest::addColumn<int>("busyMs");
        QTest::addColumn<bool>("addedBefore");
        QTest::addColumn<bool>("handledInside");
        QTest::newRow("one add") << 0 << false << false;
        // The loop that ran in between ends the earlier add's spell, however long ago it began.
        QTest::newRow("one add, long after another") << 0 << true << false;
        QTest::newRow("adds that keep the loop waiting") << 2000 << false << true;
    }
    void addsLeavePendingEventsToTheLoop()
    {
        QFETCH(int, busyMs);
        QFETCH(bool, addedBefore);
        QFETCH(bool, handledInside);
        QTemporaryDir dir;
        auto manager = makeManager();
        QSignalSpy started(manager.get(), &MervoJobManager::jobStarted);
        if (addedBefore) {
            QVERIFY(manager->addEngineJob(Shell, script("exit 0"), dir.filePath("first.avi"), "Encoding",
                                          "First", QStringLiteral("FFmpeg"), 0, 1.0));
            QTest::qWait(100);
        }
        bool handled = false;
        QMetaObject::invokeMethod(this, [&handled] { handled = true; }, Qt::QueuedConnection);
        QElapsedTimer busy;
        busy.start();
        do {
            const QString output = dir.filePath(QString("out-%1.avi").arg(started.count()));
            QVERIFY(manager->addEngineJob(Shell, script("exit 0"), output, "Encoding", "Encode",
                                          QStringLiteral("FFmpeg"), 0, 1.0));
        } while (!handled && busy.elapsed() < busyMs);
        QCOMPARE(handled, handledInside);
        QVERIFY(m_log.toPlainText().contains("Started job Encode [")); // a line was logged
        QTRY_VERIFY_WITH_TIMEOUT(manager->isIdle(), 10000);
    }

    // Plain menu jobs run on the extended manager too: "idle", "kill all" and "add engine job",
    // asked through the base, cover both kinds. Extended tasks end Aborted as their ends arrive.
    void killAllThroughTheBase()
    {
        QTemporaryDir dir;
        EncodingTaskData data = outputData(dir.filePath("partial.avi"));
        auto manager = makeManager();
        JobManager *base = manager.get();
        Task *plain = scriptTask<Task>("remux", "printf x > \"$1\"; exec sleep 30",
                                       {data[5].toString()}, &data);
        base->addJob(plainJob(plain, "plain"));
        auto *engineJob = qobject_cast<MervoJob *>(base->addEngineJob(
            Shell, script("exec sleep 30"), dir.filePath("parts/movie.avi"), "Splitting",
            "Extract volume 1/1", QStringLiteral("FFmpeg"), 700000000));
        QVERIFY(engineJob && base->jobs().size() == 1); // beside the plain job
        QCOMPARE(manager->jobs(), QList<MervoJob *>{engineJob});
        QCOMPARE(manager->mervoProcesses().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data[5].toString()), 10000);
        QVERIFY(!base->isIdle());
        base->killAll();
        QVERIFY(manager->mervoProcesses().isEmpty() && manager->processes().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(int(plain->state), int(Task::Aborted), 10000);
        QVERIFY(!QFile::exists(data[5].toString()));
        QTRY_COMPARE_WITH_TIMEOUT(int(engineJob->tasks().value(0)->state), int(Task::Aborted), 10000);
        QVERIFY(base->isIdle());
    }

    // A task may wait for a task of another job: its job starts it once that one has ended,
    // however many passes ran meanwhile.
    void taskWaitingForAnotherJob()
    {
        auto manager = makeManager();
        connect(manager.get(), &MervoJobManager::processFinished, this,
                [](MervoProcess *process) { MervoJobManager::acknowledgeTask(process); });
        QTemporaryDir dir;
        const QString mark = dir.filePath("first.done");
        MervoTask *first = scriptTask<MervoTask>("first", "sleep 0.3; printf ok > \"$1\"", {mark});
        MervoTask *second = scriptTask<MervoTask>("second", "test -f \"$1\"", {mark});
        second->setPrecedingTasks({first});
        MervoJob *waiting = mervoJob({second}, "id-w");
        manager->addJob(mervoJob({first}, "id-f"));
        manager->addJob(waiting);
        QCOMPARE(int(second->state), int(Task::Waiting));
        manager->addJob(mervoJob({scriptTask<MervoTask>("other", "exit 0")}, "id-o"));
        QCOMPARE(int(second->state), int(Task::Waiting));
        QTRY_VERIFY_WITH_TIMEOUT(waiting->isFinished(), 10000);
        QCOMPARE(int(second->state), int(Task::Completed));
    }

    // A job the views let go of is freed with its task and process once it has ended, never
    // before; asking twice, or for another manager's job, changes nothing.
    void releasedJobFreedOnceEnded()
    {
        auto manager = makeManager();
        QPointer<MervoTask> task = scriptTask<MervoTask>("long", "exec sleep 30");
        QPointer<MervoJob> job = mervoJob({task}, "id-r");
        manager->addJob(job);
        QTRY_COMPARE_WITH_TIMEOUT(int(task->state), int(Task::Running), 10000);
        QPointer<MervoProcess> process = manager->mervoProcesses().value(0);
        MervoJob foreign;
        manager->releaseJob(&foreign);
        manager->releaseJob(job);
        manager->releaseJob(job);
        QCoreApplication::processEvents();
        QVERIFY(job && task && process);
        QCOMPARE(manager->jobs(), QList<MervoJob *>{job.data()});
        manager->killAll();
        QTRY_VERIFY_WITH_TIMEOUT(job.isNull(), 10000);
        QVERIFY(task.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(process.isNull(), 10000);
        QVERIFY(manager->jobs().isEmpty() && manager->mervoProcesses().isEmpty() && manager->isIdle());
    }
};

VEXO_TEST_CLASS(TestMervoJobManager)
#include "tst_mervojobmanager.moc"
