// The engine processors on Debian's engines and on media the test makes itself.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <QDir>
#include <QTemporaryDir>

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

// The names of the list that the map holds, so that a failure shows what is missing.
QStringList held(const QMap<QString, QString> &map, const QStringList &names)
{
    QStringList found;
    for (const QString &name : names)
        if (map.contains(name))
            found << name;
    return found;
}
} // namespace

class ProcessorsTest : public QObject
{
    Q_OBJECT

private slots:
    void mencoderStarts()
    {
        ConsoleCapture capture;
        MervoMEncoder mencoder;
        QVERIFY(mencoder.startInterface(engine("mencoder"), QString()));
        QCOMPARE(mencoder.state(), int(IProcessor::Ready));
        QCOMPARE(mencoder.signature() + ' ' + mencoder.version(), "MEncoder " + bannerVersion(engine("mencoder"), {"-oac", "help"}, 1));
        QVERIFY(!mencoder.version().isEmpty());
        // Names from one list do not leak into the next.
        QCOMPARE(held(mencoder.videoCodecs(), {"copy", "xvid", "lavc", "x264", "mp3lame"}),
                 (QStringList{"copy", "xvid", "lavc", "x264"}));
        QCOMPARE(held(mencoder.audioCodecs(), {"mp3lame", "pcm", "avi"}), (QStringList{"mp3lame", "pcm"}));
        QCOMPARE(held(mencoder.muxers(), {"avi", "mpeg", "lavf"}).size(), 3);
    }

    void ffmpegStarts()
    {
        ConsoleCapture capture;
        FFmpeg ffmpeg;
        QVERIFY(ffmpeg.startInterface(engine("ffmpeg"), QString()));
        QCOMPARE(ffmpeg.state(), int(IProcessor::Ready));
        QCOMPARE(ffmpeg.signature() + ' ' + ffmpeg.version(), "ffmpeg " + bannerVersion(engine("ffmpeg"), {"-version"}, 2));
        QVERIFY(ffmpeg.version().contains(QLatin1Char('.')));
        // Decoders (012v) and demuxers (3dostr) are not offered.
        QCOMPARE(held(ffmpeg.videoCodecs(), {"mpeg4", "libx264", "libxvid", "012v", "auto", "copy"}),
                 (QStringList{"mpeg4", "libx264", "libxvid", "auto", "copy"}));
        QCOMPARE(held(ffmpeg.audioCodecs(), {"libmp3lame", "ac3", "libx264", "multi"}),
                 (QStringList{"libmp3lame", "ac3", "multi"}));
        QCOMPARE(held(ffmpeg.subtitleCodecs(), {"dvdsub", "srt"}).size(), 2);
        QCOMPARE(held(ffmpeg.muxers(), {"avi", "mp4", "matroska", "3dostr"}), (QStringList{"avi", "mp4", "matroska"}));
    }

    void ffprobeLoads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // empty: the load fails

        const QString odd = TestMedia::folder() + "/odd names/Films d'été \"2\"/It's a \"test\" – Größe 日本 $x;.mp4";
        QDir().mkpath(QFileInfo(odd).path());
        QFile::remove(odd);
        QFile::copy(TestMedia::standardMp4(), odd);
        QTest::newRow("AVI") << TestMedia::standardAvi() << "avi|video 0: mpeg4 320x240 25 1.33333|audio 1: mp3";
        QTest::newRow("blanks, quotes and non-ASCII letters")
            << odd << "mov,mp4,m4a,3gp,3g2,mj2|video 0: h264 320x240 25 1.33333|audio 1: aac";
        QTest::newRow("clip cut in the middle")
            << writeBadMedia("truncated") << "avi|video 0: mpeg4 320x240 25 1.33333|audio 1: mp3";
        QTest::newRow("tags whose line breaks read as fields and blocks")
            << forgingTagsMkv() << "matroska,webm|video 0: mpeg4 320x240 25 1.33333|audio 1: mp3";
        QTest::newRow("missing file") << TestMedia::folder() + "/no such file.avi" << "";
        QTest::newRow("text file named .avi") << writeBadMedia("text") << "";
    }

    void ffprobeLoads()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        ConsoleCapture capture;
        FFprobe ffprobe;
        QVERIFY(ffprobe.startInterface(engine("ffprobe"), QString()));
        QCOMPARE(ffprobe.version(), bannerVersion(engine("ffprobe"), {"-version"}, 2));
        QVERIFY(ffprobe.load(TestMedia::standardMp4())); // nothing of it may stay behind
        QCOMPARE(ffprobe.load(path), !expected.isEmpty());

        QHash<QString, QString> found;
        QStringList missing;
        const QStringList keys{"codec_name", "width", "height", "r_frame_rate", "display_aspect_ratio"};
        if (expected.isEmpty()) {
            QVERIFY(capture.log().contains(QString("FFprobe: parse error loading %1 'can't parse format, "
                                                   "input may not be a multimedia file'").arg(path)));
            QCOMPARE(ffprobe.streamData(0, found, keys, &missing), 0);
            QCOMPARE(missing, keys);
            QVERIFY(capture.log().contains("FFprobe: data not ready for file " + path));
            return;
        }
        QCOMPARE(ffprobe.formatData(found, {"filename", "format_name", "duration"}), 3);
        QCOMPARE(found.value("filename"), path);
        const double duration = found.value("duration").toDouble();
        QVERIFY2(qAbs(duration - TestMedia::probeDuration(path)) < 0.001 && duration > 0.5 && duration < 3.2,
                 qPrintable(found.value("duration")));
        QStringList description{found.value("format_name")};
        QCOMPARE(ffprobe.videoStreams(), QList<int>{0});
        QCOMPARE(ffprobe.streamData(0, found, keys), 5);
        description << QString("video 0: %1 %2x%3 %4 %5")
                           .arg(found.value("codec_name"), found.value("width"), found.value("height"))
                           .arg(FFprobe::toNumber(found.value("r_frame_rate")))
                           .arg(FFprobe::toNumber(found.value("display_aspect_ratio")));
        QCOMPARE(ffprobe.audioStreams(), QList<int>{1});
        QCOMPARE(ffprobe.streamData(1, found, {"codec_name", "bit_rate_x"}, &missing), 1);
        QCOMPARE(missing, QStringList{"bit_rate_x"});
        description << "audio 1: " + found.value("codec_name");
        // A field today's FFprobe no longer prints is told to the caller, and is no failure.
        QCOMPARE(ffprobe.streamData(0, found, {"codec_name", "codec_time_base"}, &missing), 1);
        QCOMPARE(missing, QStringList{"codec_time_base"});
        QVERIFY(!capture.log().contains("failed to parse"));
        QCOMPARE(description.join('|'), expected);
        QString value = "stale";
        QVERIFY(!ffprobe.formatValue(value, "no_such_field")); // a field it does not print
        QCOMPARE(value, QString());
        QCOMPARE(ffprobe.streamData(2, found, keys), 0); // as many as the streams: out of range
    }

    // A relative name beginning with "-" must reach FFprobe as a file, not as an option:
    // "-report" would make it write a report file into the working folder.
    void ffprobeTakesADashNameAsAFile()
    {
        ConsoleCapture capture;
        QTemporaryDir folder;
        QVERIFY(QFile::copy(TestMedia::standardAvi(), folder.filePath("-report")));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));
        FFprobe ffprobe;
        const bool loaded = ffprobe.startInterface(engine("ffprobe"), QString()) && ffprobe.load("-report");
        const QStringList reports = QDir().entryList({"ffprobe-*.log"}, QDir::Files);
        QDir::setCurrent(previous);
        QVERIFY(loaded);
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join(' ')));
        QCOMPARE(ffprobe.videoStreams().size(), 1);
    }
};

VEXO_TEST_CLASS(ProcessorsTest)
#include "tst_processors.moc"
