#include "jobs/console.h"

#include "testregistry.h"

#include <QTest>
#include <QTextEdit>

namespace {
// Debug lines captured while a test runs; the handler is installed only around the
// calls under test so that QtTest's own output is untouched.
QStringList capturedDebug;

void captureDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        capturedDebug.append(message);
}

class DebugCapture
{
public:
    DebugCapture()
    {
        capturedDebug.clear();
        m_previous = qInstallMessageHandler(captureDebug);
    }
    ~DebugCapture() { qInstallMessageHandler(m_previous); }

private:
    QtMessageHandler m_previous;
};

enum Channel { LogChannel, StdErrChannel, StdOutChannel };

void write(Console &console, Channel channel, int level, const QString &text)
{
    switch (channel) {
    case LogChannel: console.log(level, text); break;
    case StdErrChannel: console.stdErr(level, text); break;
    case StdOutChannel: console.stdOut(level, text); break;
    }
}

void writeNormal(Console &console, Channel channel, const QString &text)
{
    switch (channel) {
    case LogChannel: console.logNormal(text); break;
    case StdErrChannel: console.stdErrNormal(text); break;
    case StdOutChannel: console.stdOutNormal(text); break;
    }
}

// The four views of a monitor, handed over in the console's argument order.
struct Views
{
    QTextEdit stdIn, stdOut, stdErr, log;

    void attach(Console &console) { console.setSinks(&stdIn, &stdOut, &stdErr, &log); }
    QTextEdit &of(Channel channel)
    {
        return channel == LogChannel ? log : channel == StdErrChannel ? stdErr : stdOut;
    }
};
} // namespace

Q_DECLARE_METATYPE(Channel)

class TestConsole : public QObject
{
    Q_OBJECT

private slots:
    void levelFilter_data()
    {
        QTest::addColumn<int>("verbosity");
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("shown");
        QTest::newRow("quiet drops normal") << 1 << 2 << false;
        QTest::newRow("quiet drops verbose") << 1 << 3 << false;
        QTest::newRow("quiet shows quiet") << 1 << 1 << true;
        QTest::newRow("normal shows quiet") << 2 << 1 << true;
        QTest::newRow("normal shows normal") << 2 << 2 << true;
        QTest::newRow("normal drops verbose") << 2 << 3 << false;
        QTest::newRow("verbose shows quiet") << 3 << 1 << true;
        QTest::newRow("verbose shows normal") << 3 << 2 << true;
        QTest::newRow("verbose shows verbose") << 3 << 3 << true;
        QTest::newRow("level 0 always shown") << 1 << 0 << true;
        QTest::newRow("negative level always shown") << 1 << -5 << true;
    }

    // Each channel reaches its own view and no other; the filter applies to all three.
    void levelFilter()
    {
        QFETCH(int, verbosity);
        QFETCH(int, level);
        QFETCH(bool, shown);
        for (Channel channel : {LogChannel, StdErrChannel, StdOutChannel}) {
            Console console;
            Views views;
            views.attach(console);
            console.setVerbosity(verbosity);
            DebugCapture capture;
            write(console, channel, level, QStringLiteral("line"));
            for (Channel other : {LogChannel, StdErrChannel, StdOutChannel}) {
                const QString expected = (other == channel && shown) ? "line" : "";
                QCOMPARE(views.of(other).toPlainText(), expected);
            }
            QVERIFY(views.stdIn.toPlainText().isEmpty());
            QVERIFY(capturedDebug.isEmpty());
        }
    }

    void normalShortcuts_data()
    {
        QTest::addColumn<int>("verbosity");
        QTest::addColumn<bool>("shown");
        QTest::newRow("quiet") << 1 << false;
        QTest::newRow("normal") << 2 << true;
        QTest::newRow("verbose") << 3 << true;
    }

    void normalShortcuts()
    {
        QFETCH(int, verbosity);
        QFETCH(bool, shown);
        for (Channel channel : {LogChannel, StdErrChannel, StdOutChannel}) {
            Console console;
            Views views;
            views.attach(console);
            console.setVerbosity(verbosity);
            writeNormal(console, channel, QStringLiteral("normal line"));
            QCOMPARE(views.of(channel).toPlainText(), shown ? QString("normal line") : QString());
        }
    }

    void defaultVerbosityIsNormal()
    {
        Console console;
        QCOMPARE(console.verbosity(), LogLevel::Normal);
        Views views;
        views.attach(console);
        console.log(LogLevel::Verbose, QStringLiteral("verbose"));
        console.log(LogLevel::Normal, QStringLiteral("normal"));
        QCOMPARE(views.log.toPlainText(), QStringLiteral("normal"));
    }

    void linesAreParagraphs()
    {
        Console console;
        Views views;
        views.attach(console);
        console.stdOut(1, QStringLiteral("first"));
        console.stdOut(1, QStringLiteral("second"));
        QCOMPARE(views.stdOut.toPlainText(), QStringLiteral("first\nsecond"));
        QCOMPARE(views.stdOut.document()->blockCount(), 2);
    }

    void withoutViewToDebug_data()
    {
        QTest::addColumn<Channel>("channel");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("expected");
        QTest::newRow("log quiet") << LogChannel << 1 << "Console Log: text";
        QTest::newRow("log verbose") << LogChannel << 3 << "Console Log: text";
        QTest::newRow("stdErr normal") << StdErrChannel << 2 << "Console stdErr: text";
        QTest::newRow("stdErr verbose") << StdErrChannel << 3 << "Console stdErr: text";
        QTest::newRow("stdOut quiet") << StdOutChannel << 1 << "Console stdOut: text";
        QTest::newRow("stdOut verbose") << StdOutChannel << 3 << "Console stdOut: text";
    }

    // Before the views are handed over nothing is lost: every level reaches the debug
    // output with the channel's prefix, even above the verbosity.
    void withoutViewToDebug()
    {
        QFETCH(Channel, channel);
        QFETCH(int, level);
        QFETCH(QString, expected);
        Console console;
        console.setVerbosity(1);
        DebugCapture capture;
        write(console, channel, level, QStringLiteral("text"));
        QCOMPARE(capturedDebug, QStringList{expected});
    }

    // A missing view of one channel does not affect the others.
    void partialSinks()
    {
        Console console;
        QTextEdit log;
        console.setSinks(nullptr, nullptr, nullptr, &log);
        DebugCapture capture;
        console.log(2, QStringLiteral("to view"));
        console.stdErr(3, QStringLiteral("to debug"));
        QCOMPARE(log.toPlainText(), QStringLiteral("to view"));
        QCOMPARE(capturedDebug, QStringList{QStringLiteral("Console stdErr: to debug")});
    }

    // Classes with views of their own log through the same rule with their own prefix.
    void writeLineShared()
    {
        DebugCapture capture;
        Console::writeLine(nullptr, 1, 3, "JobManager Log:", QStringLiteral("queued"));
        QCOMPARE(capturedDebug, QStringList{QStringLiteral("JobManager Log: queued")});
        QTextEdit view;
        Console::writeLine(&view, 1, 2, "JobManager Log:", QStringLiteral("dropped"));
        Console::writeLine(&view, 2, 2, "JobManager Log:", QStringLiteral("kept"));
        QCOMPARE(view.toPlainText(), QStringLiteral("kept"));
        QCOMPARE(capturedDebug.size(), 1);
    }
};

VEXO_TEST_CLASS(TestConsole)
#include "tst_console.moc"
