// The engine processors on Debian's engines and on media the test makes itself.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QStandardPaths>
#include <QTest>

namespace {
QString engine(const char *name)
{
    return QStandardPaths::findExecutable(QLatin1String(name));
}

// The version as the engine's own banner gives it ("ffmpeg version 5.1.9-0+deb12u1 ...").
QString bannerVersion(const QString &program, const QStringList &arguments, int token)
{
    QString out;
    TestMedia::run(program, arguments, &out);
    return out.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(' '), token, token);
}
} // namespace

class ProcessorsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mencoderStarts();
    void ffmpegStarts();
    void ffprobeStartsAndLoads();
    void ffprobeLoadsOddPaths();
    void ffprobeBadInput_data();
    void ffprobeBadInput();
};

void ProcessorsTest::initTestCase()
{
    for (const char *name : {"mencoder", "ffmpeg", "ffprobe"})
        QVERIFY2(!engine(name).isEmpty(), name);
}

void ProcessorsTest::mencoderStarts()
{
    ConsoleCapture capture;
    MervoMEncoder mencoder;
    QCOMPARE(mencoder.name(), QString("MEncoder"));
    QCOMPARE(mencoder.fourCCs(), (QStringList{"DVI3", "DVI4", "DIVX", "DX50"}));
    QVERIFY(mencoder.startInterface(engine("mencoder"), QString()));
    QCOMPARE(mencoder.state(), int(IProcessor::Ready));
    QCOMPARE(mencoder.signature(), QString("MEncoder"));
    QCOMPARE(mencoder.version(), bannerVersion(engine("mencoder"), {"-oac", "help"}, 1));
    QVERIFY(!mencoder.version().isEmpty());
    for (const char *codec : {"copy", "xvid", "lavc", "x264", "raw"})
        QVERIFY2(mencoder.videoCodecs().contains(codec), codec);
    for (const char *codec : {"copy", "mp3lame", "lavc", "pcm"})
        QVERIFY2(mencoder.audioCodecs().contains(codec), codec);
    for (const char *muxer : {"avi", "mpeg", "lavf"})
        QVERIFY2(mencoder.muxers().contains(muxer), muxer);
    QCOMPARE(mencoder.videoCodecs().value("xvid"), QString("XviD encoding"));
    // Names from one list do not leak into the next.
    QVERIFY(!mencoder.videoCodecs().contains("mp3lame"));
    QVERIFY(!mencoder.audioCodecs().contains("avi"));
    QVERIFY(capture.log().contains("MEncoder: start interface."));
    QVERIFY(capture.log().contains("MEncoder: interface ready."));
    QVERIFY(capture.stdOut().contains("Available output formats:"));
}

void ProcessorsTest::ffmpegStarts()
{
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    QVERIFY(ffmpeg.startInterface(engine("ffmpeg"), QString()));
    QCOMPARE(ffmpeg.state(), int(IProcessor::Ready));
    QCOMPARE(ffmpeg.signature(), QString("ffmpeg"));
    QCOMPARE(ffmpeg.version(), bannerVersion(engine("ffmpeg"), {"-version"}, 2));
    QVERIFY(ffmpeg.version().contains(QLatin1Char('.')));
    for (const char *codec : {"mpeg4", "libx264", "libxvid", "mpeg2video", "libtheora", "libvpx", "copy"})
        QVERIFY2(ffmpeg.videoCodecs().contains(codec), codec);
    for (const char *codec : {"libmp3lame", "ac3", "aac", "mp2", "libvorbis", "pcm_s16le", "multi"})
        QVERIFY2(ffmpeg.audioCodecs().contains(codec), codec);
    for (const char *codec : {"dvdsub", "srt", "ass"})
        QVERIFY2(ffmpeg.subtitleCodecs().contains(codec), codec);
    for (const char *muxer : {"avi", "mp4", "matroska", "mpeg", "webm", "flv", "ogg", "vob"})
        QVERIFY2(ffmpeg.muxers().contains(muxer), muxer);
    // Decoders and demuxers are not offered.
    QVERIFY(!ffmpeg.videoCodecs().contains("012v"));
    QVERIFY(!ffmpeg.muxers().contains("3dostr"));
    QVERIFY(!ffmpeg.audioCodecs().contains("libx264"));
    QCOMPARE(ffmpeg.videoCodecs().value("libx264"),
             QString("H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10"));
}

void ProcessorsTest::ffprobeStartsAndLoads()
{
    const QString clip = TestMedia::standardAvi();
    QVERIFY(!clip.isEmpty());
    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(engine("ffprobe"), QString()));
    QCOMPARE(ffprobe.signature(), QString("ffprobe"));
    QCOMPARE(ffprobe.version(), bannerVersion(engine("ffprobe"), {"-version"}, 2));

    QVERIFY(ffprobe.load(clip));
    QString duration;
    QVERIFY(ffprobe.formatValue(duration, "duration"));
    QVERIFY2(qAbs(duration.toDouble() - TestMedia::probeDuration(clip)) < 0.001, qPrintable(duration));
    QVERIFY(qAbs(duration.toDouble() - 3.0) < 0.2);
    QCOMPARE(ffprobe.videoStreams(), QList<int>{0});
    QCOMPARE(ffprobe.audioStreams(), QList<int>{1});

    QHash<QString, QString> video;
    QCOMPARE(ffprobe.streamData(ffprobe.videoStreams().first(), video,
                                {"codec_name", "width", "height", "r_frame_rate", "display_aspect_ratio"}),
             5);
    QCOMPARE(video.value("codec_name"), QString("mpeg4"));
    QCOMPARE(video.value("width"), QString("320"));
    QCOMPARE(video.value("height"), QString("240"));
    QCOMPARE(FFprobe::toNumber(video.value("r_frame_rate")), 25.0);
    QCOMPARE(FFprobe::toNumber(video.value("display_aspect_ratio")), 4.0 / 3.0);
    QHash<QString, QString> audio;
    QCOMPARE(ffprobe.streamData(ffprobe.audioStreams().first(), audio, {"codec_name", "sample_rate"}), 2);
    QCOMPARE(audio.value("codec_name"), QString("mp3"));

    QHash<QString, QString> format;
    QCOMPARE(ffprobe.formatData(format, {"format_name", "duration", "bit_rate"}), 3);
    QCOMPARE(format.value("format_name"), QString("avi"));
}

void ProcessorsTest::ffprobeLoadsOddPaths()
{
    const QString clip = TestMedia::standardMp4();
    QVERIFY(!clip.isEmpty());
    const QString folder = TestMedia::folder() + QString::fromUtf8("/odd names/Films d'été \"2\"");
    QDir().mkpath(folder);
    const QString odd = folder + QString::fromUtf8("/It's a \"test\" – Größe 日本 $x;.mp4");
    QFile::remove(odd);
    QVERIFY(QFile::copy(clip, odd));

    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(engine("ffprobe"), QString()));
    QVERIFY(ffprobe.load(odd));
    QString value;
    QVERIFY(ffprobe.formatValue(value, "filename"));
    QCOMPARE(value, odd);
    QVERIFY(ffprobe.formatValue(value, "duration"));
    QVERIFY(qAbs(value.toDouble() - 3.0) < 0.2);
    QCOMPARE(ffprobe.videoStreams(), QList<int>{0});
    QCOMPARE(ffprobe.audioStreams(), QList<int>{1});
}

void ProcessorsTest::ffprobeBadInput_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("loads");
    QTest::newRow("missing file") << "missing" << false;
    QTest::newRow("text file named .avi") << "text" << false;
    QTest::newRow("only the first bytes of a clip") << "stub" << false;
    QTest::newRow("clip cut in the middle") << "truncated" << true;
}

void ProcessorsTest::ffprobeBadInput()
{
    QFETCH(QString, kind);
    QFETCH(bool, loads);
    QString path = TestMedia::folder() + "/bad-" + kind + ".avi";
    QFile::remove(path);
    if (kind == "text") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("This is not a movie.\n");
    } else if (kind != "missing") {
        QFile source(TestMedia::standardAvi());
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes.left(kind == "stub" ? 2000 : bytes.size() / 2));
    }

    ConsoleCapture capture;
    FFprobe ffprobe;
    QVERIFY(ffprobe.startInterface(engine("ffprobe"), QString()));
    QCOMPARE(ffprobe.load(path), loads);
    QCOMPARE(ffprobe.isLoaded(), loads);
    QString duration;
    QCOMPARE(ffprobe.formatValue(duration, "duration"), loads);
    if (loads) {
        QVERIFY(duration.toDouble() > 0.5 && duration.toDouble() < 3.0);
    } else {
        QVERIFY(capture.log().contains(QString("FFprobe: parse error loading %1 'can't parse "
                                               "format, input may not be a multimedia file'")
                                           .arg(path)));
        QVERIFY(capture.log().contains("FFprobe: data not ready for file " + path));
    }
}

VEXO_TEST_CLASS(ProcessorsTest)
#include "tst_processors.moc"
