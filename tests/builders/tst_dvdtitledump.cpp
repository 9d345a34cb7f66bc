// The player's copy of a DVD title's stream: its command and its trial's, and the readers of
// what the player prints as it copies (lines as MPlayer prints them). The copy runs on the
// real player in the encoder panel's tests.

#include "builders/dvdtitledump.h"
#include "encoder/records/encodingsource.h"
#include "testregistry.h"

#include <QTest>

class DvdTitleDumpTest : public QObject
{
    Q_OBJECT

private slots:
    void commands_data()
    {
        QTest::addColumn<int>("title");
        QTest::addColumn<int>("angle");
        QTest::addColumn<int>("chapter");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("trial"); // of 3 s
        const QString head = "-noconfig all -dvd-device /media/dvd";
        QTest::newRow("the whole title") << 2 << 1 << 0 << "/out/a.mpg"
            << head + " dvd://2 -dumpstream -dumpfile /out/a.mpg"
            << head + " dvd://2 -dumpstream -dumpfile /out/a.mpg -endpos 3";
        QTest::newRow("one chapter of an angle") << 1 << 2 << 1 << "/out/a.mpg"
            << head + " dvd://1 -dvdangle 2 -chapter 1-1 -dumpstream -dumpfile /out/a.mpg"
            << head + " dvd://1 -dvdangle 2 -dumpstream -dumpfile /out/a.mpg -endpos 3";
        QTest::newRow("a name like an option") << 1 << 1 << 0 << "-x.mpg"
            << head + " dvd://1 -dumpstream -dumpfile ./-x.mpg"
            << head + " dvd://1 -dumpstream -dumpfile ./-x.mpg -endpos 3";
    }
    void commands()
    {
        QFETCH(int, title);
        QFETCH(int, angle);
        QFETCH(int, chapter);
        QFETCH(QString, output);
        EncodingSource source;
        source.path = "/media/dvd";
        source.kind = SourceKind::Dvd;
        source.video.title = title;
        source.video.angle = angle;
        source.noVideo = false;
        const QStringList arguments = DvdTitleDump::arguments(source, output, chapter);
        QTEST(arguments.join(' '), "command");
        QTEST(DvdTitleDump::trialArguments(arguments, 3).join(' '), "trial");
    }

    void progress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reported");
        QTest::addColumn<QString>("rest");
        QTest::addColumn<int>("percent"); // -1: left as the caller gave it
        QTest::addColumn<int>("size");    // kB
        const QString closing = "dump: 96417792 bytes written to '/out/a (step 0).mpg'.\n";
        QTest::newRow("a status line") << "dump: 19992576 bytes written (~20.7%)\r" << true << "" << 20 << 19524;
        QTest::newRow("the last status line counts")
            << "dump: 19992576 bytes written (~20.7%)\rdump: 39915520 bytes written (~41.4%)\r" << true << "" << 41 << 38980;
        QTest::newRow("the closing line is a message")
            << "dump: 81858560 bytes written (~84.9%)\r" + closing << true << closing << 84 << 79940;
        QTest::newRow("the title's end") << "dump: 1024000000000 bytes written (~100.0%)\r" << true << "" << 100 << 1000000000;
        QTest::newRow("a stream of unknown length") << "dump: 1048576 bytes written\r" << true << "" << -1 << 1024;
        QTest::newRow("a message") << "Playing dvd://1.\n" << true << "Playing dvd://1.\n" << -1 << -1;
        QTest::newRow("a status line that is no number")
            << "dump: 99999999999999999999 bytes written (~250.0%)\r" << true << "" << -1 << -1;
        QTest::newRow("nothing") << "" << false << "stale" << -1 << -1;
        QTest::newRow("carriage returns only") << "\r\r" << false << "stale" << -1 << -1;
    }
    void progress()
    {
        QFETCH(QString, text);
        QString rest = "stale";
        int percent = -1, size = -1;
        QTEST(DvdTitleDump::parseProgress(text, rest, percent, size), "reported");
        QTEST(rest, "rest");
        QTEST(percent, "percent");
        QTEST(size, "size");
    }

    void commandCheck_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("works");
        QTest::newRow("copied and closed")
            << "Playing dvd://1.\ndump: 2097152 bytes written (~50.0%)\rdump: 4194304 bytes written to 'a.mpg'.\n" << true;
        QTest::newRow("stopped while copying") << "dump: 2097152 bytes written (~50.0%)\r" << true;
        QTest::newRow("an empty copy") << "dump: 0 bytes written to 'a.mpg'.\n" << false;
        QTest::newRow("no title") << "Playing dvd://9.\nInvalid DVD title number: 9\n" << false;
    }
    void commandCheck()
    {
        QFETCH(QString, output);
        QTEST(DvdTitleDump::parseCommandCheck(output), "works");
    }
};

VEXO_TEST_CLASS(DvdTitleDumpTest)
#include "tst_dvdtitledump.moc"
