// What an engine's output costs a job's views, however much it prints and however fast: the
// memory they keep and the longest the window waits stay bounded, a line shows as much as a
// person reads, and progress figures change at a display rate, not once a line.

#include <ctime>
#include "viewtestsupport.h"

#include "encoding/consoletextfeed.h"
#include "encoding/displaypacer.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "heapwatch.h"
#include "jobs/consolebounds.h"
#include "stallwatch.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <ctime>
#include <limits>

VEXO_TEST_NEEDS_DISPLAY

namespace {
constexpr qint64 MemoryBound = 100 * 1024 * 1024;
constexpr qint64 StallBoundMs = 1500;

// The longest line of a view.
int longestLine(const QTextDocument *document)
{
    int longest = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        longest = std::max(longest, block.length() - 1);
    return longest;
}
} // namespace

class EngineFloodTest : public QObject
{
    Q_OBJECT

private slots:
    // A MEncoder job whose engine prints a huge progress line, or output without line ends.
    void floodThroughJob_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("a 10 MB progress line") << "line" << qint64(10000000);
        QTest::newRow("100 MB without line ends") << "bytes" << qint64(100000000);
    }

    void floodThroughJob()
    {
        QFETCH(QString, mode);
        QFETCH(qint64, bytes);
        // The stand-in writes no file: one is there already, as a real engine's would be.
        const QString output = TestMedia::folder() + "/flood.avi";
        QFile file(output);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("data") == 4);
        file.close();
        EncodingTaskData data{1, 10.0, 250, 1.33, 0, output, "avi", false, {}};
        RoutedJobView jobs;
        auto *task = new MervoTask;
        task->set(&data, TestMedia::fakeEngine(), {mode, QString::number(bytes)}, QString(), "Flood", "Encoding");
        auto *job = new MervoJob;
        job->init({task}, "f", "Flood", "flood.avi", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);

        HeapWatch heap;
        StallWatch stalls;
        jobs.manager.addJob(job);
        QVERIFY(WindowTesting::waitFor([&] { return job->isFinished(); }, 240000));
        const qint64 stall = stalls.longestMs();
        const qint64 grown = heap.peakGrowth();
        QCOMPARE(task->state, Task::Completed);
        QVERIFY2(stall < StallBoundMs, qPrintable(QString("longest stall %1 ms").arg(stall)));
        QVERIFY2(grown < MemoryBound, qPrintable(QString("memory grew by %1 MB").arg(grown / 1048576)));

        auto *console = qobject_cast<MervoConsoleDialog *>(task->console());
        QVERIFY(console);
        console->flushOutput();
        const QTextDocument *shown = console->standardOutputView()->document();
        QVERIFY(shown->characterCount() <= ConsoleBounds::MaxChars);
        QVERIFY(longestLine(shown) <= ConsoleBounds::MaxLineChars + 40);
        const QString text = shown->toPlainText();
        QVERIFY(text.startsWith("xxxx"));
        QVERIFY(text.contains(QString(ConsoleBounds::MaxLineChars, 'x') + " [... "));
        console->show();
        QVERIFY(!ViewTest::screenshot(console, "console-flood-" + mode, console->standardOutputView()).isEmpty());
    }

    // One read of many short lines is split in one pass: a read of 256 KiB (a busy pipe's
    // read into a window that was held up) takes no longer than the same lines in four
    // reads of 64 KiB, where a search back over the whole read for each line takes four
    // times as long. Compared within the test, so that the machine's load does not count.
    void routerLinearInTheRead_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("line");
        QTest::newRow("MEncoder, empty lines") << 1 << "\n";
        QTest::newRow("FFmpeg, short lines") << 2 << "x\n";
    }

    void routerLinearInTheRead()
    {
        QFETCH(int, engine);
        QFETCH(QString, line);
        const QProcess::ProcessChannel channel = engine == 2 ? QProcess::StandardError : QProcess::StandardOutput;
        ConsoleDialog console("read", "Encoding", "cmd", "MEncoder", 1, engine == 2);
        const QString quarter = line.repeated(64 * 1024 / line.size());
        const QString whole = quarter.repeated(4);
        const auto threadMs = [] {
            timespec now{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
            return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
        };
        const auto timed = [&](const QStringList &reads) {
            const qint64 start = threadMs();
            for (const QString &read : reads)
                JobOutputRouter::feed(&console, engine, channel, read, -1.0);
            return threadMs() - start;
        };
        qint64 oneRead = std::numeric_limits<qint64>::max();
        qint64 fourReads = oneRead;
        for (int round = 0; round < 2; ++round) {
            oneRead = std::min(oneRead, timed({whole}));
            fourReads = std::min(fourReads, timed({quarter, quarter, quarter, quarter}));
        }
        QVERIFY2(oneRead < 2 * fourReads + 50, qPrintable(QString("%1 ms against %2 ms").arg(oneRead).arg(fourReads)));
        console.flushOutput();
        QTextEdit *view = engine == 2 ? console.errorView() : console.standardOutputView();
        QCOMPARE(view->toPlainText().size(), line.size() == 1 ? 0 : 2 * ConsoleTextFeed::MaxLines - 1);
    }

    // Status lines that arrive one read at a time, hundreds a second, each with another
    // speed: the labels take a new text a few times a second, and end with the last line's.
    void figuresAtDisplayRate()
    {
        Task task;
        task.setPid(1);
        task.setState(Task::Running);
        ConsolePair pair(&task, totalsOf(0.0, 100000, 0));
        MervoConsoleDialog *console = pair.console;
        MervoMiniConsoleWidget &mini = *pair.mini;
        pair.holder.show();
        QStringList seen; // the texts the strip's speed label showed, in turn
        QElapsedTimer clock;
        clock.start();
        int lines = 0;
        QString last;
        while (clock.elapsed() < 200 || lines < 20) {
            ++lines;
            last = QString::number(100.0 + lines / 100.0, 'f', 2);
            const QString status = QString("Pos: %1.0s %2f ( 5%) %3fps Trem:   1min  10mb\r").arg(lines).arg(lines).arg(last);
            JobOutputRouter::feed(console, 1, QProcess::StandardOutput, status, 1.0);
            QCoreApplication::processEvents();
            if (seen.isEmpty() || seen.last() != mini.speedLabel()->text())
                seen.append(mini.speedLabel()->text());
        }
        // One text at once, then at most one per interval of the time the lines took (a busy
        // machine takes longer over them); a text a line would be one per line.
        const qint64 took = clock.elapsed();
        QVERIFY2(seen.size() <= 2 + took / DisplayPacer::IntervalMs && seen.size() < lines,
                 qPrintable(QString("%1 texts for %2 lines in %3 ms").arg(seen.size()).arg(lines).arg(took)));
        QTRY_COMPARE(mini.speedLabel()->text(), last + " fps");
        QCOMPARE(console->speedLabel()->text(), last + " fps");
        QCOMPARE(mini.progressBar()->value(), int(100.0 * lines / 100000 + 1));
    }
};

VEXO_TEST_CLASS(EngineFloodTest)
#include "tst_engineflood.moc"
