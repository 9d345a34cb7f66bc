#include "jobs/programstart.h"

#include "opendescriptors.h"
#include "testregistry.h"

#include <QProcess>
#include <QTest>

class TestProgramStart : public QObject
{
    Q_OBJECT

private slots:
    // A program that surely cannot be run is refused before any fork, and ends as a start that
    // failed: not running, FailedToStart, one errorOccurred (at once) during which the program
    // asked for can be read, program and arguments kept, no descriptor kept.
    void refusedAsAFailedStart_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("missing") << "/nonexistent/engine";
        QTest::newRow("missing name") << "vexo-no-such-engine";
        QTest::newRow("a folder") << "/";
    }
    void refusedAsAFailedStart()
    {
        QFETCH(QString, program);
        QProcess process;
        QStringList errors; // "<error> <program>" at each errorOccurred
        connect(&process, &QProcess::errorOccurred, this, [&](QProcess::ProcessError error) {
            errors << QString("%1 %2").arg(error).arg(process.program());
        });
        const int before = openDescriptors();
        ProgramStart::start(&process, program, {"-x", "y"}, QIODevice::ReadWrite);
        QCOMPARE(errors, QStringList{QString("%1 %2").arg(QProcess::FailedToStart).arg(program)});
        QCOMPARE(process.state(), QProcess::NotRunning);
        QCOMPARE(process.error(), QProcess::FailedToStart);
        QCOMPARE(process.program(), program);
        QCOMPARE(process.arguments(), QStringList({"-x", "y"}));
        QVERIFY(!process.waitForStarted(100));
        QCOMPARE(openDescriptors(), before);
    }
};

VEXO_TEST_CLASS(TestProgramStart)
#include "tst_programstart.moc"
