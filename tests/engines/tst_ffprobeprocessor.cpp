// Loading answers into the FFprobe processor and looking values up in them. The answers come
// from a script that prints a canned FFprobe reply: today's "\n" form (captured from
// ffprobe 5.1) and the "\r\n" form of the Windows builds.

#include "engines/ffprobe.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QTest>

namespace {
// Captured from "ffprobe -show_format -show_streams" on a 3 s mpeg4/mp3 AVI (shortened).
const QByteArray todaysAnswer =
    "[STREAM]\nindex=0\ncodec_name=mpeg4\ncodec_long_name=MPEG-4 part 2\nprofile=Simple Profile\n"
    "codec_type=video\ncodec_tag_string=FMP4\nwidth=320\nheight=240\ncoded_width=320\n"
    "sample_aspect_ratio=1:1\ndisplay_aspect_ratio=4:3\npix_fmt=yuv420p\nr_frame_rate=25/1\n"
    "duration_ts=76\nduration=3.040000\nDISPOSITION:default=0\n[/STREAM]\n"
    "[STREAM]\nindex=1\ncodec_name=mp3\ncodec_long_name=MP3 (MPEG audio layer 3)\n"
    "codec_type=audio\ncodec_tag_string=U[0][0][0]\nsample_rate=44100\nchannels=1\n"
    "duration=3.004082\n[/STREAM]\n"
    "[FORMAT]\nfilename=/tmp/a.avi\nnb_streams=2\nformat_name=avi\n"
    "format_long_name=AVI (Audio Video Interleaved)\nstart_time=0.000000\nduration=3.040000\n"
    "size=166452\nbit_rate=438031\nprobe_score=100\nTAG:software=Lavf59.27.100\n[/FORMAT]\n";

QByteArray withCrLf(const QByteArray &text)
{
    QByteArray copy = text;
    return copy.replace("\n", "\r\n");
}
} // namespace

class FFprobeProcessorTest : public QObject
{
    Q_OBJECT

private slots:
    void loadsAndIndexesStreams_data();
    void loadsAndIndexesStreams();
    void formatValues_data();
    void formatValues();
    void streamLookups();
    void answerWithoutStreams();
    void undefinedStreams();
    void lookupsBeforeAndAfterFailedLoad();
};

void FFprobeProcessorTest::loadsAndIndexesStreams_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("LF") << todaysAnswer;
    QTest::newRow("CR LF") << withCrLf(todaysAnswer);
}

void FFprobeProcessorTest::loadsAndIndexesStreams()
{
    QFETCH(QByteArray, answer);
    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-index", answer), QString()));
    QCOMPARE(ffprobe.version(), QString("9.9-test"));
    QVERIFY(ffprobe.load("/media/some file.avi"));
    QVERIFY(ffprobe.isLoaded());
    QCOMPARE(ffprobe.videoStreams(), QList<int>{0});
    QCOMPARE(ffprobe.audioStreams(), QList<int>{1});
    QVERIFY(ffprobe.subtitleStreams().isEmpty());
    QCOMPARE(ffprobe.streamTexts().size(), 2);
    QVERIFY(ffprobe.formatText().startsWith("filename=/tmp/a.avi"));
    QVERIFY(ffprobe.formatText().endsWith("TAG:software=Lavf59.27.100"));
    // The whole answer was echoed to the console.
    QVERIFY(capture.stdOut().contains("codec_name=mpeg4"));
}

void FFprobeProcessorTest::formatValues_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");

    const QByteArray part = "[FORMAT]\r\nformat_name=avi\r\nduration=12.500000\r\nsize=100\r\n[/FORMAT]\r\n";
    QTest::newRow("duration, CR LF") << part << "duration" << true << "12.500000";
    QTest::newRow("duration, LF") << todaysAnswer << "duration" << true << "3.040000";
    QTest::newRow("key case does not matter") << todaysAnswer << "DURATION" << true << "3.040000";
    QTest::newRow("last line of the block") << todaysAnswer << "TAG:software" << true
                                            << "Lavf59.27.100";
    QTest::newRow("value with blanks") << todaysAnswer << "format_long_name" << true
                                       << "AVI (Audio Video Interleaved)";
    QTest::newRow("key not in the block") << part << "bit_rate" << false << "";
    QTest::newRow("stream keys are not format keys") << todaysAnswer << "codec_name" << false << "";
    QTest::newRow("a key that only begins with the key does not count")
        << QByteArray("[FORMAT]\nduration_ts=1000\nduration=5.000000\n[/FORMAT]\n") << "duration" << true
        << "5.000000";
    QTest::newRow("a longer key ending with the key counts")
        << QByteArray("[FORMAT]\nTAG:DURATION=00:00:05.0\nduration=5.000000\n[/FORMAT]\n") << "duration"
        << true << "00:00:05.0";
    QTest::newRow("the key inside a value does not count")
        << QByteArray("[FORMAT]\nTAG:comment=duration=9\nduration=5.0\n[/FORMAT]\n") << "duration" << true
        << "5.0";
    QTest::newRow("an empty value is no value")
        << QByteArray("[FORMAT]\nTAG:title=\nduration=5.0\n[/FORMAT]\n") << "TAG:title" << false << "";
    QTest::newRow("key with expression characters") << todaysAnswer << "dura.ion" << false << "";
}

void FFprobeProcessorTest::formatValues()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, key);
    QFETCH(bool, found);
    QFETCH(QString, value);
    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-format", answer), QString()));
    QVERIFY(ffprobe.load("movie.avi"));
    QString result = "stale";
    QCOMPARE(ffprobe.formatValue(result, key), found);
    QCOMPARE(result, value);
    if (found)
        QVERIFY(capture.log().contains(QString("FFprobe: '%1' is '%2' for file movie.avi").arg(key, value)));
    else
        QVERIFY(capture.log().contains(QString("FFprobe: '%1' not found for file movie.avi").arg(key)));
}

void FFprobeProcessorTest::streamLookups()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-streams", todaysAnswer), QString()));
    QVERIFY(ffprobe.load("movie.avi"));

    const QStringList videoKeys{"codec_name", "width", "height", "display_aspect_ratio", "bit_rate"};
    QHash<QString, QString> data{{"stale", "x"}};
    QStringList missing{"stale"};
    QCOMPARE(ffprobe.streamData(0, data, videoKeys, &missing), 4);
    QCOMPARE(data.value("codec_name"), QString("mpeg4"));
    QCOMPARE(data.value("width"), QString("320"));
    QCOMPARE(data.value("height"), QString("240"));
    QCOMPARE(data.value("display_aspect_ratio"), QString("4:3"));
    QVERIFY(!data.contains("stale"));
    QCOMPARE(missing, QStringList{"bit_rate"});

    QCOMPARE(ffprobe.streamData(1, data, {"codec_name", "sample_rate", "channels"}, nullptr), 3);
    QCOMPARE(data.value("sample_rate"), QString("44100"));

    // A stream number equal to the number of streams is out of range.
    QCOMPARE(ffprobe.streamData(2, data, videoKeys, &missing), 0);
    QVERIFY(data.isEmpty());
    QCOMPARE(missing, videoKeys);
    QVERIFY(capture.log().contains("FFprobe: no data ready for stream #2 in file movie.avi"));
    QCOMPARE(ffprobe.streamData(-1, data, videoKeys, &missing), 0);

    QCOMPARE(ffprobe.formatData(data, {"format_name", "duration", "nb_frames"}, &missing), 2);
    QCOMPARE(data.value("format_name"), QString("avi"));
    QCOMPARE(missing, QStringList{"nb_frames"});
}

void FFprobeProcessorTest::answerWithoutStreams()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(
        writeCannedFFprobe("probe-nostream", "[FORMAT]\nformat_name=avi\nduration=N/A\n[/FORMAT]\n"),
        QString()));
    QVERIFY(ffprobe.load("empty.avi"));
    QVERIFY(ffprobe.streamTexts().isEmpty());
    QVERIFY(ffprobe.videoStreams().isEmpty());
    QVERIFY(ffprobe.audioStreams().isEmpty());
    QVERIFY(capture.log().contains("FFprobe: no stream found in file empty.avi"));
    QString value;
    QVERIFY(ffprobe.formatValue(value, "duration"));
    QCOMPARE(FFprobe::toNumber(value), 0.0);
}

void FFprobeProcessorTest::undefinedStreams()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    const QByteArray answer = "[STREAM]\nindex=0\ncodec_name=bin_data\n[/STREAM]\n"
                              "[STREAM]\ncodec_name=none\n[/STREAM]\n"
                              "[STREAM]\nindex=2\ncodec_type=subtitle\n[/STREAM]\n"
                              "[STREAM]\nindex=3\ncodec_type=attachment\n[/STREAM]\n"
                              "[STREAM]\nindex=4\ncodec_type=data\n[/STREAM]\n"
                              "[FORMAT]\nformat_name=matroska,webm\n[/FORMAT]\n";
    QVERIFY(ffprobe.startInterface(writeCannedFFprobe("probe-undefined", answer), QString()));
    QVERIFY(ffprobe.load("odd.mkv"));
    QCOMPARE(ffprobe.streamTexts().size(), 5);
    QCOMPARE(ffprobe.subtitleStreams(), QList<int>{2});
    QCOMPARE(ffprobe.attachmentStreams(), QList<int>{3});
    QCOMPARE(ffprobe.dataStreams(), QList<int>{4});
    QVERIFY(ffprobe.videoStreams().isEmpty());
    QVERIFY(ffprobe.audioStreams().isEmpty());
    QVERIFY(capture.log().contains("FFprobe: undefined stream #0 of odd.mkv"));
    QVERIFY(capture.log().contains("FFprobe: undefined stream in odd.mkv"));
}

void FFprobeProcessorTest::lookupsBeforeAndAfterFailedLoad()
{
    ConsoleCapture capture;
    FFprobe ffprobe;
    // A processor that is not ready refuses to load, silently.
    QVERIFY(!ffprobe.load("movie.avi"));
    QCOMPARE(ffprobe.filePath(), QString("movie.avi"));
    QVERIFY(!capture.log().contains("parse error"));

    FFprobe fresh;
    QVERIFY(fresh.startInterface(writeCannedFFprobe("probe-before", todaysAnswer), QString()));
    QString value = "stale";
    QVERIFY(!fresh.formatValue(value, "duration"));
    QVERIFY(value.isEmpty());
    QVERIFY(capture.log().contains("FFprobe: no file loaded"));
    QHash<QString, QString> data;
    QStringList missing;
    QCOMPARE(fresh.formatData(data, {"duration", "size"}, &missing), 0);
    QCOMPARE(missing, (QStringList{"duration", "size"}));

    // A good load followed by a failing one leaves nothing of the first behind.
    QVERIFY(fresh.load("movie.avi"));
    QCOMPARE(fresh.streamData(0, data, {"codec_name"}, &missing), 1);
    QVERIFY(fresh.startInterface(writeCannedFFprobe("probe-after", "garbage\n"), QString()));
    QVERIFY(!fresh.load("movie.avi"));
    QVERIFY(capture.log().contains("FFprobe: parse error loading movie.avi"));
    QCOMPARE(fresh.streamData(0, data, {"codec_name"}, &missing), 0);
    QCOMPARE(missing, QStringList{"codec_name"});
    QVERIFY(capture.log().contains("FFprobe: data not ready for file movie.avi"));
    QVERIFY(fresh.videoStreams().isEmpty());
}

VEXO_TEST_CLASS(FFprobeProcessorTest)
#include "tst_ffprobeprocessor.moc"
