#include "jobs/jobmanager.h"
#include "jobs/keepawake.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervotask.h"
#include "jobtestsupport.h"
#include "testregistry.h"

#include <QLibrary>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <memory>

using namespace JobTest;

// The keep-awake calls, counted by the stand-in library built with the tests. The program
// looks the library up by its base name "sys"; once the test has loaded the stand-in from
// the build folder, that lookup finds it (the loader matches the loaded library's soname).
class TestKeepAwake : public QObject
{
    Q_OBJECT

private:
    QLibrary m_fixture{QStringLiteral(VEXO_SYS_FIXTURE)};

    template <class T>
    T fixtureCall(const char *name)
    {
        return reinterpret_cast<T>(m_fixture.resolve(name));
    }
    int setCalls() { return fixtureCall<int (*)()>("sys_fixture_set_calls")(); }
    int resetCalls() { return fixtureCall<int (*)()>("sys_fixture_reset_calls")(); }
    QString history() { return QString::fromLatin1(fixtureCall<const char *(*)()>("sys_fixture_history")()); }
    void clearCalls() { fixtureCall<void (*)()>("sys_fixture_clear")(); }

    static MervoJob *runJob(MervoJobManager &manager, const QString &name, const QString &script)
    {
        auto *job = new MervoJob;
        job->init({scriptTask<MervoTask>(name, script)}, name, name, "o", nullptr, nullptr,
                  nullptr, nullptr, 2, 0, 0, 0);
        manager.addJob(job);
        return job;
    }

private slots:
    // Runs first, before the stand-in is loaded.
    void jobsRunWithoutTheLibrary()
    {
        if (QLibrary(QStringLiteral("sys")).load())
            QSKIP("this machine has a libsys.so of its own");
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJob *job = runJob(manager, "plain run", "exit 0");
        QTRY_VERIFY_WITH_TIMEOUT(job->isFinished(), 10000);
        QCOMPARE(int(job->tasks().first()->state), int(Task::Terminated));
        resetKeepAwake(); // an extra reset is harmless too
    }

    void loadTheStandIn()
    {
        QVERIFY2(m_fixture.load(), qPrintable(m_fixture.errorString()));
        clearCalls();
        resetKeepAwake(); // counter back to 0 whatever ran before
        QCOMPARE(resetCalls(), 1);
        clearCalls();
    }

    // The library hears of the first start and of the last end only, over all managers.
    void twoOverlappingJobs()
    {
        clearCalls();
        JobManager plain(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        MervoJobManager extended(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        QSignalSpy plainEnded(&plain, &JobManager::processFinished);
        Task *shortTask = scriptTask<Task>("short", "sleep 0.3");
        auto *shortJob = new Job;
        shortJob->init(shortTask, "id-1", "short", "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        plain.addJob(shortJob);
        QCOMPARE(history(), QString("s"));
        MervoJob *longJob = runJob(extended, "long", "sleep 1");
        QCOMPARE(int(longJob->tasks().first()->state), int(Task::Running));
        QCOMPARE(setCalls(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(plainEnded.count(), 1, 10000);
        QVERIFY(!longJob->isFinished());
        QCOMPARE(resetCalls(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(longJob->isFinished(), 10000);
        QCOMPARE(history(), QString("sr"));
    }

    void failedStartChangesNothing()
    {
        clearCalls();
        MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        auto *missing = new MervoTask;
        missing->set(nullptr, "/nonexistent/engine", {}, "", "missing", "Encoding");
        auto *job = new MervoJob;
        job->init({missing}, "id", "t", "o", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        manager.addJob(job);
        QCOMPARE(int(missing->state), int(Task::FailedToStart));
        QCOMPARE(history(), QString());

        MervoJob *next = runJob(manager, "next", "exit 0");
        QTRY_VERIFY_WITH_TIMEOUT(next->isFinished(), 10000);
        QCOMPARE(history(), QString("sr"));
    }

    // Logging processes events, so a process may end while its start is being logged:
    // its end still comes after the keep-awake request and after the start was reported.
    void endDuringTheStartLine()
    {
        clearCalls();
        QTextEdit logView;
        MervoJobManager manager(nullptr, nullptr, nullptr, &logView, 2, 0, 0, 0);
        QStringList events;
        connect(&manager, &MervoJobManager::jobStarted, this, [&] { events << "started"; });
        connect(&logView, &QTextEdit::textChanged, this, [&] {
            // The line is written: let the process end right here.
            const QList<MervoJob *> jobs = manager.jobs();
            if (!jobs.isEmpty() && jobs.first()->tasks().first()->process)
                jobs.first()->tasks().first()->process->waitForFinished(5000);
        });
        auto *job = new MervoJob;
        job->init({scriptTask<MervoTask>("quick", "exit 0")}, "id", "t", "o", nullptr, nullptr,
                  nullptr, &logView, 2, 0, 0, 0);
        connect(job, &MervoJob::finished, this, [&] { events << "finished"; });
        manager.addJob(job);
        QVERIFY(job->isFinished());
        QCOMPARE(events, (QStringList{"started", "finished"}));
        QCOMPARE(history(), QString("sr"));
    }

    // A reset at 0 still reaches the library and leaves the counter at 0, so the next set
    // reaches it again.
    void extraResetReachesTheLibrary()
    {
        clearCalls();
        resetKeepAwake();
        setKeepAwake();
        setKeepAwake();
        resetKeepAwake();
        resetKeepAwake();
        QCOMPARE(history(), QString("rsr"));
    }

    // A manager that goes while its job runs still ends the keep-awake request.
    void destroyedManagerReleasesTheRequest()
    {
        clearCalls();
        {
            MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
            runJob(manager, "endless", "exec sleep 30");
            QCOMPARE(history(), QString("s"));
        }
        QCOMPARE(history(), QString("sr"));
    }
};

VEXO_TEST_CLASS(TestKeepAwake)
#include "tst_keepawake.moc"
