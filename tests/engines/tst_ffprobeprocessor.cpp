// Loading answers into the FFprobe processor and looking values up in them. A script prints
// a canned answer: today's "\n" form (captured from ffprobe 5.1) or the "\r\n" of Windows builds.

#include "engines/ffprobe.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QTest>

namespace {
// Captured from "ffprobe -show_format -show_streams" on a 3 s mpeg4/mp3 AVI (shortened).
const QByteArray todaysAnswer =
    "[STREAM]\nindex=0\ncodec_name=mpeg4\ncodec_type=video\nwidth=320\nheight=240\n"
    "display_aspect_ratio=4:3\nr_frame_rate=25/1\nduration=3.040000\n[/STREAM]\n"
    "[STREAM]\nindex=1\ncodec_name=mp3\ncodec_type=audio\nsample_rate=44100\n[/STREAM]\n"
    "[FORMAT]\nfilename=/tmp/a.avi\nformat_name=avi\nformat_long_name=AVI (Audio Video Interleaved)\n"
    "duration=3.040000\nTAG:software=Lavf59.27.100\n[/FORMAT]\n";

QByteArray withCrLf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}
} // namespace

class FFprobeProcessorTest : public QObject
{
    Q_OBJECT

private slots:
    void formatValues_data();
    void formatValues();
    void streamKinds();
    void nothingLoaded();
};

void FFprobeProcessorTest::formatValues_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // empty: not found

    QTest::newRow("LF") << todaysAnswer << "duration" << "3.040000";
    QTest::newRow("CR LF") << withCrLf(todaysAnswer) << "duration" << "3.040000";
    QTest::newRow("key case does not matter, last line of the block")
        << todaysAnswer << "TAG:SOFTWARE" << "Lavf59.27.100";
    QTest::newRow("value with blanks")
        << todaysAnswer << "format_long_name" << "AVI (Audio Video Interleaved)";
    QTest::newRow("stream keys are not format keys") << todaysAnswer << "codec_name" << "";
    QTest::newRow("a key that only begins with the key does not count")
        << QByteArray("[FORMAT]\nduration_ts=1000\nduration=5.0\n[/FORMAT]\n") << "duration" << "5.0";
    QTest::newRow("the key inside a value does not count")
        << QByteArray("[FORMAT]\nTAG:comment=duration=9\nduration=5.0\n[/FORMAT]\n") << "duration" << "5.0";
    QTest::newRow("an empty value is no value")
        << QByteArray("[FORMAT]\nTAG:title=\nduration=5.0\n[/FORMAT]\n") << "TAG:title" << "";
    QTest::newRow("key with expression characters") << todaysAnswer << "dura.ion" << "";
}

void FFprobeProcessorTest::formatValues()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, key);
    QFETCH(QString, value);
    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-format", answer), QString()));
    QCOMPARE(ffprobe.version(), QString("9.9-test"));
    QVERIFY(ffprobe.load("movie.avi"));
    QString result = "stale";
    QCOMPARE(ffprobe.formatValue(result, key), !value.isEmpty());
    QCOMPARE(result, value);
    if (!value.isEmpty())
        QVERIFY(capture.log().contains(QString("FFprobe: '%1' is '%2' for file movie.avi").arg(key, value)));
    else
        QVERIFY(capture.log().contains(QString("FFprobe: '%1' not found for file movie.avi").arg(key)));
}

void FFprobeProcessorTest::streamKinds()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    const QByteArray answer = "[STREAM]\nindex=0\ncodec_name=bin_data\n[/STREAM]\n"
                              "[STREAM]\ncodec_name=none\n[/STREAM]\n"
                              "[STREAM]\nindex=2\ncodec_type=subtitle\n[/STREAM]\n"
                              "[STREAM]\nindex=3\ncodec_type=attachment\n[/STREAM]\n"
                              "[STREAM]\nindex=4\ncodec_type=data\n[/STREAM]\n"
                              "[STREAM]\nindex=5\ncodec_type=video\n[/STREAM]\n"
                              "[STREAM]\nindex=6\ncodec_type=audio\n[/STREAM]\n"
                              "[FORMAT]\nformat_name=matroska,webm\n[/FORMAT]\n";
    QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-kinds", withCrLf(answer)), QString()));
    QVERIFY(ffprobe.load("odd.mkv"));
    QCOMPARE(ffprobe.streamTexts().size(), 7);
    QCOMPARE(ffprobe.subtitleStreams(), QList<int>{2});
    QCOMPARE(ffprobe.attachmentStreams(), QList<int>{3});
    QCOMPARE(ffprobe.dataStreams(), QList<int>{4});
    QCOMPARE(ffprobe.videoStreams(), QList<int>{5});
    QCOMPARE(ffprobe.audioStreams(), QList<int>{6});
    QVERIFY(capture.log().contains("FFprobe: undefined stream #0 of odd.mkv"));
    QVERIFY(capture.log().contains("FFprobe: undefined stream in odd.mkv"));

    const QByteArray noStream = "[FORMAT]\nformat_name=avi\nduration=N/A\n[/FORMAT]\n";
    QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-nostream", noStream), QString()));
    QVERIFY(ffprobe.load("empty.avi"));
    QVERIFY(ffprobe.streamTexts().isEmpty() && ffprobe.subtitleStreams().isEmpty());
    QVERIFY(capture.log().contains("FFprobe: no stream found in file empty.avi"));
}

void FFprobeProcessorTest::nothingLoaded()
{
    ConsoleCapture capture;
    FFprobe notStarted;
    QVERIFY(!notStarted.load("movie.avi"));
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-before", todaysAnswer), QString()));
    QString value = "stale";
    QVERIFY(!ffprobe.formatValue(value, "duration"));
    QVERIFY(value.isEmpty());
    QVERIFY(capture.log().contains("FFprobe: no file loaded"));
}

VEXO_TEST_CLASS(FFprobeProcessorTest)
#include "tst_ffprobeprocessor.moc"
