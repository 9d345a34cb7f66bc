// The output readers of the engine processors, fed with lines captured from today's
// engines (FFmpeg 5.1, MEncoder 1.5) and with the forms the older Windows builds printed.

#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/interfaceffprobe.h"
#include "engines/mervomencoder.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QTest>

namespace {
// "name=description" entries joined by "|", leaving out the fixed entries of FFmpeg's maps.
QString entries(const QMap<QString, QString> &map, bool withFixed = false)
{
    QStringList list;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (withFixed || !QStringList{"auto", "copy", "multi"}.contains(it.key()))
            list << it.key() + QLatin1Char('=') + it.value();
    return list.join('|');
}
} // namespace

class ProcessorParsersTest : public QObject
{
    Q_OBJECT

private slots:
    void mencoderHelpList_data();
    void mencoderHelpList();
    void signatures();
    void ffmpegMuxers_data();
    void ffmpegMuxers();
    void ffmpegCodecs_data();
    void ffmpegCodecs();
    void splitCommand_data();
    void splitCommand();
    void ratios_data();
    void ratios();
};

void ProcessorParsersTest::mencoderHelpList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("today's video codecs")
        << QString("\n   copy     - frame copy, without re-encoding. Doesn't work with filters.\n"
                   "   lavc     - libavcodec codecs - best quality!\n   xvid     - XviD encoding\n\n\n")
        << "copy=frame copy, without re-encoding. Doesn't work with filters.|"
           "lavc=libavcodec codecs - best quality!|xvid=XviD encoding";
    QTest::newRow("CR LF line ends")
        << QString("\r\n   copy     - frame copy\r\n   pcm      - uncompressed PCM audio\r\n")
        << "copy=frame copy|pcm=uncompressed PCM audio";
    QTest::newRow("lines without a free-standing hyphen are skipped")
        << QString("   lavf\n   x-y      text\n   raw      - raw audio\n") << "raw=raw audio";
}

void ProcessorParsersTest::mencoderHelpList()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QMap<QString, QString> map;
    MEncoder::parseHelpList(text, map);
    QCOMPARE(entries(map, true), expected);
}

// Today's banners are read from the real engines (ProcessorsTest); these are the older forms.
void ProcessorParsersTest::signatures()
{
    ConsoleCapture capture;
    MervoMEncoder mencoder;
    mencoder.parseSignature("MEncoder Sherpya-SVN-r31628-4.5.0 (C) 2000-2010 MPlayer Team\r\n");
    QCOMPARE(mencoder.signature() + ' ' + mencoder.version(), QString("MEncoder Sherpya-SVN-r31628-4.5.0"));
    FFmpeg ffmpeg;
    ffmpeg.parseSignature("FFmpeg SVN-r25512, Copyright (c) 2000-2010\r\n");
    QCOMPARE(ffmpeg.signature() + ' ' + ffmpeg.version(), QString("FFmpeg SVN-r25512,"));
    QVERIFY(!capture.log().contains("failed to parse signature"));
    FFprobe ffprobe;
    ffprobe.parseSignature("command not found\n");
    QVERIFY(ffprobe.signature().isEmpty() && ffprobe.version().isEmpty());
    QVERIFY(capture.log().contains("FFprobe: failed to parse signature."));
}

void ProcessorParsersTest::ffmpegMuxers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("today's listing")
        << QString("File formats:\n D. = Demuxing supported\n .E = Muxing supported\n --\n"
                   " D  3dostr          3DO STR\n"
                   " DE avi             AVI (Audio Video Interleaved)\n"
                   " D  mov,mp4,m4a,3gp,3g2,mj2 QuickTime / MOV\n"
                   "  E mp4             MP4 (MPEG-4 Part 14)\n"
                   "  E sdl,sdl2        SDL2 output device\n")
        << "avi=AVI (Audio Video Interleaved)|mp4=MP4 (MPEG-4 Part 14)";
    QTest::newRow("CR LF listing")
        << QString(" DE avi             AVI format\r\n  E mp4             MP4 format\r\n")
        << "avi=AVI format|mp4=MP4 format";
}

void ProcessorParsersTest::ffmpegMuxers()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    ffmpeg.parseMuxers(text);
    QCOMPARE(entries(ffmpeg.muxers()), expected);
}

void ProcessorParsersTest::ffmpegCodecs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // video, audio and subtitle map, one line each

    QTest::newRow("today: encoders named in the row, encode-only row")
        << QString(" DEV.L. mpeg4                MPEG-4 part 2 (decoders: mpeg4 mpeg4_cuvid ) "
                   "(encoders: mpeg4 libxvid )\n"
                   " DEV.LS h264                 H.264 / AVC (decoders: h264 ) (encoders: libx264 )\n"
                   " .EVIL. a64_multi            Commodore 64 (encoders: a64multi )\n"
                   " DEAIL. mp3                  MP3 (decoders: mp3float mp3 ) (encoders: libmp3lame )\n"
                   " DES... dvd_subtitle         DVD subtitles (decoders: dvdsub ) (encoders: dvdsub )\n")
        << "a64_multi=Commodore 64|a64multi=Commodore 64|h264=H.264 / AVC|libx264=H.264 / AVC|"
           "libxvid=MPEG-4 part 2|mpeg4=MPEG-4 part 2\n"
           "libmp3lame=MP3|mp3=MP3\ndvd_subtitle=DVD subtitles|dvdsub=DVD subtitles";
    QTest::newRow("decode-only rows give nothing")
        << QString(" D.VI.S 012v                 Uncompressed 4:2:2 10-bit\n"
                   " ..S... srt                  SubRip subtitle with embedded timing\n")
        << "\n\n";
    QTest::newRow("older build with blank flags and CR LF")
        << QString(" DEVSD  mpeg4           MPEG-4 part 2\r\n  EA    libmp3lame      libmp3lame MP3\r\n"
                   " DES    dvdsub          DVD subtitles\r\n")
        << "mpeg4=MPEG-4 part 2\nlibmp3lame=libmp3lame MP3\ndvdsub=DVD subtitles";
}

void ProcessorParsersTest::ffmpegCodecs()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    ffmpeg.parseCodecs(text);
    QCOMPARE(QStringList({entries(ffmpeg.videoCodecs()), entries(ffmpeg.audioCodecs()),
                          entries(ffmpeg.subtitleCodecs())}).join('\n'),
             expected);
    // The fixed entries are there whatever the engine lists.
    QCOMPARE(ffmpeg.videoCodecs().value("auto"), QString("Encoder chooses appropriate codec"));
    QCOMPARE(ffmpeg.subtitleCodecs().value("copy"), QString("Stream copy"));
    QCOMPARE(ffmpeg.audioCodecs().value("multi"), QString("Multi-stream"));
}

void ProcessorParsersTest::splitCommand_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("arguments");

    // Seek before the input; codec copy and size limit after it (FFmpeg 5.1 rejects them before).
    QTest::newRow("700 million bytes from ten minutes")
        << "00:10:00" << qint64(700000000)
        << "-ss 00:10:00 -i in.avi -vcodec copy -acodec copy -fs 700M -y out.avi";
    QTest::newRow("below a million in bytes")
        << "00:00:05" << qint64(999999)
        << "-ss 00:00:05 -i in.avi -vcodec copy -acodec copy -fs 999999 -y out.avi";
    QTest::newRow("no limit for 0") << "00:12:34" << qint64(0)
                                    << "-ss 00:12:34 -i in.avi -vcodec copy -acodec copy -y out.avi";
    // From the very start no seek: in an FLV, "-ss 0" skips to the second key frame.
    QTest::newRow("no seek from the start") << "00:00:00" << qint64(700000000)
                                            << "-i in.avi -vcodec copy -acodec copy -fs 700M -y out.avi";
    QTest::newRow("half a second is a seek")
        << "00:00:00.5" << qint64(0) << "-ss 00:00:00.5 -i in.avi -vcodec copy -acodec copy -y out.avi";
}

void ProcessorParsersTest::splitCommand()
{
    QFETCH(QString, start);
    QFETCH(qint64, size);
    QFETCH(QString, arguments);
    ConsoleCapture capture;
    FFmpeg ffmpeg;
    QString program = "stale";
    QStringList result{"stale"};
    QString error = "stale";
    QVERIFY(ffmpeg.cliCmdSplit(program, result, error, "in.avi", "out.avi", start, size));
    QCOMPARE(result.join(' '), arguments);
    QCOMPARE(program, ffmpeg.binary());
    QVERIFY(error.isEmpty());
}

// FFprobe's ratios and numbers, as the splitter's processor and the player's interface read them.
void ProcessorParsersTest::ratios_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("N/A") << "N/A" << 0.0;
    QTest::newRow("colon ratio") << "16:9" << 16.0 / 9.0;
    QTest::newRow("unknown SAR") << "0:1" << 0.0;
    QTest::newRow("NTSC rate") << "30000/1001" << 30000.0 / 1001.0;
    QTest::newRow("zero denominator") << "25/0" << 0.0;
    QTest::newRow("audio frame rate") << "0/0" << 0.0;
    QTest::newRow("decimal") << "3.040000" << 3.04;
    QTest::newRow("plain integer") << "25" << 0.0;
    QTest::newRow("slash without numbers") << "a/b" << 0.0;
}

void ProcessorParsersTest::ratios()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(FFprobe::toNumber(text), number);
    QCOMPARE(InterfaceFFprobe::parseRatio(text), number);
}

VEXO_TEST_CLASS(ProcessorParsersTest)
#include "tst_processorparsers.moc"
