#include "jobs/console.h"

#include "testregistry.h"

#include <QTest>
#include <QTextEdit>

namespace {
// A channel of the console: how to write to it, the index of its view in the order of
// setSinks, and its debug prefix.
struct Channel
{
    void (Console::*write)(int, const QString &);
    int view;
    QString prefix;
};
const Channel channels[] = {{&Console::stdOut, 1, "Console stdOut: "},
                            {&Console::stdErr, 2, "Console stdErr: "},
                            {&Console::log, 3, "Console Log: "}};
} // namespace

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
        QTest::newRow("quiet shows quiet") << 1 << 1 << true;
        QTest::newRow("normal drops verbose") << 2 << 3 << false;
        QTest::newRow("verbose shows verbose") << 3 << 3 << true;
        QTest::newRow("level 0 always shown") << 1 << 0 << true;
        QTest::newRow("negative level always shown") << 1 << -5 << true;
    }
    // Each channel reaches its own view and no other.
    void levelFilter()
    {
        QFETCH(int, verbosity);
        QFETCH(int, level);
        QFETCH(bool, shown);
        for (const Channel &channel : channels) {
            Console console;
            QTextEdit views[4];
            console.setSinks(&views[0], &views[1], &views[2], &views[3]);
            console.setVerbosity(verbosity);
            (console.*channel.write)(level, "line");
            for (int i = 0; i < 4; ++i)
                QCOMPARE(views[i].toPlainText(), QString(i == channel.view && shown ? "line" : ""));
        }
    }

    // Before the views are handed over nothing is lost: every level reaches the debug
    // output with the channel's prefix, even above the verbosity.
    void withoutViewToDebug()
    {
        for (const Channel &channel : channels) {
            Console console;
            console.setVerbosity(1);
            QTest::ignoreMessage(QtDebugMsg, qPrintable(channel.prefix + "text"));
            (console.*channel.write)(3, "text");
        }
    }
};

VEXO_TEST_CLASS(TestConsole)
#include "tst_console.moc"
