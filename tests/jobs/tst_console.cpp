#include "jobs/console.h"

#include "testregistry.h"

#include <QTest>
#include <QTextEdit>

class TestConsole : public QObject
{
    Q_OBJECT

private slots:
    // Each channel reaches its own view (index in setSinks) and no other, when the level is at
    // most the verbosity. Before the views are handed over nothing is lost: every level reaches
    // the debug output with the channel's prefix.
    void levelFilter()
    {
        const struct { void (Console::*write)(int, const QString &); int view; const char *prefix; }
            channels[] = {{&Console::stdOut, 1, "Console stdOut: "},
                          {&Console::stdErr, 2, "Console stdErr: "},
                          {&Console::log, 3, "Console Log: "}};
        const struct { int verbosity, level; bool shown; } rows[] = {
            {1, 2, false}, {1, 1, true}, {3, 3, true}, {1, 0, true}, {1, -5, true}};
        for (const auto &channel : channels) {
            for (const auto &row : rows) {
                Console console;
                QTextEdit views[4];
                console.setSinks(&views[0], &views[1], &views[2], &views[3]);
                console.setVerbosity(row.verbosity);
                (console.*channel.write)(row.level, "line");
                for (int i = 0; i < 4; ++i)
                    QCOMPARE(views[i].toPlainText(),
                             QString(i == channel.view && row.shown ? "line" : ""));
            }
            Console console;
            console.setVerbosity(1);
            QTest::ignoreMessage(QtDebugMsg, qPrintable(QString(channel.prefix) + "text"));
            (console.*channel.write)(3, "text");
        }
    }
};

VEXO_TEST_CLASS(TestConsole)
#include "tst_console.moc"
