#include "jobs/console.h"
#include "jobs/consolebounds.h"

#include "testregistry.h"

#include <QLoggingCategory>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
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
            // On the terminal only when asked for: the engines' start-up listings are long.
            static QStringList heard;
            const QtMessageHandler previous = qInstallMessageHandler(
                [](QtMsgType, const QMessageLogContext &, const QString &text) { heard << text; });
            (console.*channel.write)(3, "quiet");
            qInstallMessageHandler(previous);
            QCOMPARE(heard, QStringList());
            QLoggingCategory::setFilterRules("vexo.console.debug=true");
            QTest::ignoreMessage(QtDebugMsg, qPrintable(QString(channel.prefix) + "text"));
            (console.*channel.write)(3, "text");
            QLoggingCategory::setFilterRules(QString());
        }
    }

    // What a view shows of one text: each line up to what a person reads, and of a flood
    // only the newest part, each with a note of what is not shown.
    void boundedText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString many = QString("0123456789\n").repeated(20000);
        // Whole lines of 11 characters are left out, up to the newest ShowChars.
        const qsizetype leftOut = ((many.size() - ConsoleBounds::ShowChars) / 11 + 1) * 11;
        QTest::newRow("short lines") << "a\nb\r\nc\rd\n" << "a\nb\r\nc\rd\n";
        QTest::newRow("a long line")
            << QString(5000, 'x') + "\nend" << QString(4096, 'x') + " [... 904 more characters cut]\nend";
        QTest::newRow("a long progress line ended by carriage returns")
            << "Pos:" + QString(4100, '1') + "\rPos: 2\r" << "Pos:" + QString(4092, '1') + " [... 8 more characters cut]\rPos: 2\r";
        QTest::newRow("a flood of lines")
            << many << QString("[... %1 earlier characters left out]\n").arg(leftOut) + many.mid(leftOut);
    }

    void boundedText()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(ConsoleBounds::bounded(text), shown);
    }

    // A console view keeps the newest characters up to its bound, however much is written.
    void viewKeepsItsBound()
    {
        Console console;
        QTextEdit views[4];
        console.setSinks(&views[0], &views[1], &views[2], &views[3]);
        for (int i = 0; i < 300; ++i)
            console.stdOutNormal(QString("line %1 ").arg(i) + QString(5000, 'x'));
        const QTextDocument *document = views[1].document();
        QVERIFY(document->characterCount() <= ConsoleBounds::MaxChars);
        QVERIFY(document->characterCount() > ConsoleBounds::MaxChars / 2);
        QVERIFY(document->lastBlock().text().startsWith("line 299 xxx"));
        QCOMPARE(document->lastBlock().length() - 1, ConsoleBounds::MaxLineChars + 30);
    }
};

VEXO_TEST_CLASS(TestConsole)
#include "tst_console.moc"
