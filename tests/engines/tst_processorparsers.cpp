// The output readers of the engine processors, fed with lines captured from today's
// engines (FFmpeg 5.1, MEncoder 1.5) and with the CR LF forms of the older Windows builds.

#include "engines/ffmpeg.h"
#include "engines/mencoder.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QTest>

namespace {
// "name=description" entries joined by "|", leaving out FFmpeg's fixed entries.
QString entries(const QMap<QString, QString> &map, const QStringList &skip = {"auto", "copy", "multi"})
{
    QStringList list;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (!skip.contains(it.key()))
            list << it.key() + QLatin1Char('=') + it.value();
    return list.join('|');
}
} // namespace

class ProcessorParsersTest : public QObject
{
    Q_OBJECT

private slots:
    void capabilityLists_data()
    {
        QTest::addColumn<QString>("list"); // which reader
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // FFmpeg codecs: video, audio and subtitle map, one line each

        QTest::newRow("MEncoder help, lines without a free-standing hyphen skipped")
            << "help" << QString("\n   copy     - frame copy, without re-encoding.\n   lavf\n   x-y      text\n"
                                 "   lavc     - libavcodec codecs - best quality!\n\n\n")
            << "copy=frame copy, without re-encoding.|lavc=libavcodec codecs - best quality!";
        QTest::newRow("MEncoder help, CR LF")
            << "help" << QString("\r\n   copy     - frame copy\r\n   pcm      - uncompressed PCM audio\r\n")
            << "copy=frame copy|pcm=uncompressed PCM audio";
        QTest::newRow("today's muxers")
            << "muxers" << QString("File formats:\n D. = Demuxing supported\n .E = Muxing supported\n --\n"
                                   " D  3dostr          3DO STR\n DE avi             AVI (Audio Video Interleaved)\n"
                                   " D  mov,mp4,m4a,3gp,3g2,mj2 QuickTime / MOV\n  E mp4             MP4 (MPEG-4 Part 14)\n")
            << "avi=AVI (Audio Video Interleaved)|mp4=MP4 (MPEG-4 Part 14)";
        QTest::newRow("muxers, CR LF") << "muxers" << QString(" DE avi             AVI format\r\n") << "avi=AVI format";
        // Encoders named in "(encoders: ...)", encode-only rows marked ".", decode-only rows skipped.
        QTest::newRow("today's codecs")
            << "codecs" << QString(" DEV.L. mpeg4                MPEG-4 part 2 (decoders: mpeg4 mpeg4_cuvid ) "
                                   "(encoders: mpeg4 libxvid )\n"
                                   " .EVIL. a64_multi            Commodore 64 (encoders: a64multi )\n"
                                   " D.VI.S 012v                 Uncompressed 4:2:2 10-bit\n"
                                   " DEAIL. mp3                  MP3 (decoders: mp3float mp3 ) (encoders: libmp3lame )\n"
                                   " ..S... srt                  SubRip subtitle with embedded timing\n"
                                   " DES... dvd_subtitle         DVD subtitles (decoders: dvdsub ) (encoders: dvdsub )\n")
            << "a64_multi=Commodore 64|a64multi=Commodore 64|libxvid=MPEG-4 part 2|mpeg4=MPEG-4 part 2\n"
               "libmp3lame=MP3|mp3=MP3\ndvd_subtitle=DVD subtitles|dvdsub=DVD subtitles";
        QTest::newRow("older codecs with blank flags and CR LF")
            << "codecs" << QString(" DEVSD  mpeg4           MPEG-4 part 2\r\n  EA    libmp3lame      libmp3lame MP3\r\n"
                                   " DES    dvdsub          DVD subtitles\r\n")
            << "mpeg4=MPEG-4 part 2\nlibmp3lame=libmp3lame MP3\ndvdsub=DVD subtitles";
    }

    void capabilityLists()
    {
        QFETCH(QString, list);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        ConsoleCapture capture;
        QMap<QString, QString> help;
        FFmpeg ffmpeg;
        if (list == "help")
            MEncoder::parseHelpList(text, help);
        else if (list == "muxers")
            ffmpeg.parseMuxers(text);
        else
            ffmpeg.parseCodecs(text);
        const QString result = list == "help" ? entries(help, {}) : list == "muxers" ? entries(ffmpeg.muxers())
            : QStringList{entries(ffmpeg.videoCodecs()), entries(ffmpeg.audioCodecs()),
                          entries(ffmpeg.subtitleCodecs())}.join('\n');
        QCOMPARE(result, expected);
    }

    void splitCommand_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("arguments");
        // Seek before the input; every stream but data and cover pictures, codec copy and size
        // limit after it (FFmpeg 5.1 rejects them before). The size in bytes as given.
        const QString copy = "-map 0:V? -map 0:a? -map 0:s? -map 0:t? -vcodec copy -acodec copy -scodec copy";
        QTest::newRow("1.39 MB from ten minutes")
            << "00:10:00" << qint64(1390000) << "-ss 00:10:00 -i in.avi " + copy + " -fs 1390000 -n out.avi";
        QTest::newRow("no limit for 0") << "00:12:34" << qint64(0) << "-ss 00:12:34 -i in.avi " + copy + " -n out.avi";
        QTest::newRow("a key frame's time") << "00:00:10.023000" << qint64(0) << "-ss 00:00:10.023000 -i in.avi " + copy + " -n out.avi";
        // From the very start no seek: in an FLV, "-ss 0" skips to the second key frame.
        QTest::newRow("no seek from the start")
            << "00:00:00" << qint64(700000000) << "-i in.avi " + copy + " -fs 700000000 -n out.avi";
        QTest::newRow("no seek from the start, in microseconds")
            << "00:00:00.000000" << qint64(0) << "-i in.avi " + copy + " -n out.avi";
    }

    void splitCommand()
    {
        QFETCH(QString, start);
        QFETCH(qint64, size);
        QFETCH(QString, arguments);
        ConsoleCapture capture;
        FFmpeg ffmpeg;
        QString program = "stale", error = "stale";
        QStringList result{"stale"};
        QVERIFY(ffmpeg.cliCmdSplit(program, result, error, "in.avi", "out.avi", start, size));
        QCOMPARE(result.join(' '), arguments);
        QCOMPARE(program, ffmpeg.binary());
        QVERIFY(error.isEmpty());
    }
};

VEXO_TEST_CLASS(ProcessorParsersTest)
#include "tst_processorparsers.moc"
