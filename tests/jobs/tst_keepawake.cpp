#include "jobs/keepawake.h"
#include "jobtestsupport.h"

#include <QLibrary>

using namespace JobTest;

// The keep-awake calls as the stand-in library records them ("s" set, "r" reset). Once the
// test has loaded it, the program's lookup of the base name "sys" finds it by its soname.
class TestKeepAwake : public QObject
{
    Q_OBJECT

private:
    QLibrary m_fixture{QStringLiteral(VEXO_SYS_FIXTURE)};

    QString history()
    {
        auto call = reinterpret_cast<const char *(*)()>(m_fixture.resolve("sys_fixture_history"));
        return QString::fromLatin1(call());
    }

private slots:
    void init() // each test starts with an empty history
    {
        if (m_fixture.isLoaded())
            reinterpret_cast<void (*)()>(m_fixture.resolve("sys_fixture_clear"))();
    }

    // Jobs run before the stand-in is loaded (unless the machine has a libsys.so of its own).
    // Then: an extra reset at 0 still reaches the library and leaves 0, so the next set does too.
    void withoutAndWithTheLibrary()
    {
        if (!QLibrary(QStringLiteral("sys")).load()) {
            MervoJobManager manager(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
            MervoJob *job = mervoJob({scriptTask<MervoTask>("plain run", "exit 0")});
            manager.addJob(job);
            QTRY_COMPARE_WITH_TIMEOUT(int(job->tasks().first()->state), int(Task::Terminated), 10000);
        }
        QVERIFY2(m_fixture.load(), qPrintable(m_fixture.errorString()));
        resetKeepAwake(); // counter back to 0 whatever ran before
        init();
        for (auto call : {resetKeepAwake, setKeepAwake, setKeepAwake, resetKeepAwake, resetKeepAwake})
            call();
        QCOMPARE(history(), QString("rsr"));
    }

    // The library hears of the first start and of the last end only, over both managers;
    // a start that fails changes nothing; a manager that goes while its job runs still ends
    // the request.
    void twoOverlappingJobs()
    {
        JobManager plain(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        auto extended = std::make_unique<MervoJobManager>(nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
        auto *missing = new MervoTask;
        missing->set(nullptr, "/nonexistent/engine", {}, "", "missing", "Encoding");
        extended->addJob(mervoJob({missing}));
        QCOMPARE(history(), QString());
        QSignalSpy plainEnded(&plain, &JobManager::processFinished);
        plain.addJob(plainJob(scriptTask<Task>("short", "sleep 0.3"), "id-1"));
        QCOMPARE(history(), QString("s"));
        MervoJob *longJob = mervoJob({scriptTask<MervoTask>("long", "sleep 1")}, "long");
        extended->addJob(longJob);
        QTRY_COMPARE_WITH_TIMEOUT(plainEnded.count(), 1, 10000);
        QVERIFY(!longJob->isFinished());
        QCOMPARE(history(), QString("s"));
        QTRY_VERIFY_WITH_TIMEOUT(longJob->isFinished(), 10000);
        QCOMPARE(history(), QString("sr"));
        extended->addJob(mervoJob({scriptTask<MervoTask>("endless", "exec sleep 30")}, "endless"));
        QCOMPARE(history(), QString("srs"));
        extended.reset();
        QCOMPARE(history(), QString("srsr"));
    }

    // Logging processes events, so a process may end while its start is being logged:
    // its end still comes after the keep-awake request and after the start was reported.
    void endDuringTheStartLine()
    {
        QTextEdit logView;
        MervoJobManager manager(nullptr, nullptr, nullptr, &logView, 2, 0, 0, 0);
        QStringList events;
        connect(&manager, &MervoJobManager::jobStarted, this, [&] { events << "started"; });
        connect(&logView, &QTextEdit::textChanged, this, [&] {
            const QList<MervoJob *> jobs = manager.jobs();
            if (!jobs.isEmpty() && jobs.first()->tasks().first()->process)
                jobs.first()->tasks().first()->process->waitForFinished(20000);
        });
        MervoJob *job = mervoJob({scriptTask<MervoTask>("quick", "exit 0")});
        connect(job, &MervoJob::finished, this, [&] { events << "finished"; });
        manager.addJob(job);
        QCOMPARE(events, (QStringList{"started", "finished"}));
        QCOMPARE(history(), QString("sr"));
    }
};

VEXO_TEST_CLASS(TestKeepAwake)
#include "tst_keepawake.moc"
