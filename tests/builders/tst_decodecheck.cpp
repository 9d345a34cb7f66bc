// The decode check the output tables judge files by, on files FFmpeg writes as the FFmpeg
// builder asks: a picture whose stored times are sound decodes clean, with every frame and
// no holes, whatever grid its container stores times on.

#include "outputreport.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QTest>

class DecodeCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void storedTimesAreJudgedAsStored_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("soundRate");
        QTest::addColumn<int>("pictures");
        // MP3's delay starts the picture 50 ms (a frame and a half) late, on whole milliseconds.
        QTest::newRow("FLV at 29.97 fps behind 22.05 kHz MP3") << "30000/1001" << "22050" << 30;
        QTest::newRow("FLV at 29.97 fps behind 44.1 kHz MP3") << "30000/1001" << "44100" << 30;
        QTest::newRow("FLV at 25 fps behind 22.05 kHz MP3") << "25" << "22050" << 25;
    }

    void storedTimesAreJudgedAsStored()
    {
        QFETCH(QString, rate);
        QFETCH(QString, soundRate);
        QFETCH(int, pictures);
        const QString name = QStringLiteral("check-%1-%2").arg(QString(rate).replace('/', '-'), soundRate);
        // The FLV builder's picture and sound, from a one-second source at that rate.
        const QString file = TestMedia::clip(name + ".flv",
            {"-f", "lavfi", "-i", "testsrc=size=192x108:rate=" + rate + ":duration=1", "-f", "lavfi", "-i",
             "sine=frequency=440:sample_rate=48000:duration=1", "-bf", "0", "-preset", "superfast",
             "-pix_fmt", "yuv420p", "-vcodec", "libx264", "-ac", "2", "-ar", soundRate, "-ab", "48k",
             "-acodec", "libmp3lame"});
        QVERIFY(!file.isEmpty());
        const QString files = TestMedia::folder() + "/" + name;
        QString log;
        QCOMPARE(TestMedia::run("ffmpeg", decodeArguments(file, files, true, true), nullptr, &log), 0);
        const DecodeReport report = readDecodeReport(log.toUtf8(), files);
        QVERIFY2(report.errors.isEmpty(), qPrintable(report.errors.left(300)));
        QCOMPARE(report.pictures, pictures);
        QCOMPARE(report.holes, 0);
        QVERIFY(qAbs(report.videoSeconds - 1.0) < 0.05);
    }
};

VEXO_TEST_CLASS(DecodeCheckTest)
#include "tst_decodecheck.moc"
